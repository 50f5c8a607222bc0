#pragma once
// A sway compositor of its own for one test: headless, software rendering, no
// input devices, in a private runtime folder under /tmp (socket paths may
// not exceed 108 bytes). sway refuses to run as root: a root test process
// starts it as the unprivileged uid 65534 (its clients, root, may still
// reach its sockets). Ended when the object goes away.

#include <memory>
#include <string>

#include "support/child_process_linux.h"

class CSwayCompositor {
public:
    CSwayCompositor();
    ~CSwayCompositor();
    CSwayCompositor(const CSwayCompositor&) = delete;
    CSwayCompositor& operator=(const CSwayCompositor&) = delete;

    // True once both of its sockets are there; else Problem() says why.
    bool Ready() const { return !m_display.empty(); }
    const std::string& Problem() const { return m_problem; }
    // The full path of its Wayland socket (for WAYLAND_DISPLAY or wl_display_connect).
    const std::string& Display() const { return m_display; }
    // Runs a sway command through swaymsg; true when sway carried it out.
    bool Command(const std::string& command);

private:
    std::string m_folder;
    std::unique_ptr<CChildProcess> m_sway;
    std::string m_display;
    std::string m_ipc;
    std::string m_problem;
};
