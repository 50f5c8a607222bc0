#include "support/sway_compositor_linux.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {
constexpr uid_t kUnprivileged = 65534;
}

CSwayCompositor::CSwayCompositor() {
    char folder[] = "/tmp/qlo-sway-XXXXXX";
    if (!mkdtemp(folder)) {
        m_problem = "no runtime folder";
        return;
    }
    m_folder = folder;
    const bool root = getuid() == 0;
    if (root && chown(folder, kUnprivileged, kUnprivileged) != 0) {
        m_problem = "cannot hand the runtime folder over";
        return;
    }
    std::ofstream(m_folder + "/config") << "xwayland disable\n";
    chmod((m_folder + "/config").c_str(), 0644);

    // Its log stays out of the test's output.
    std::vector<std::string> argv{"sh", "-c", "exec \"$@\" 2>/dev/null", "sh"};
    if (root)
        for (const char* each : {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"})
            argv.push_back(each);
    argv.insert(argv.end(), {"env", "-i", "XDG_RUNTIME_DIR=" + m_folder, "HOME=" + m_folder, "WLR_BACKENDS=headless",
                             "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "sway", "-c", m_folder + "/config"});
    m_sway = std::make_unique<CChildProcess>(argv[0], argv);
    if (!m_sway->Started()) {
        m_problem = "sway did not start";
        return;
    }
    for (int waited = 0; waited < 30000; waited += 50) {
        std::string display, ipc;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(m_folder, error)) {
            const std::string name = entry.path().filename();
            if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) display = entry.path();
            if (name.rfind("sway-ipc.", 0) == 0) ipc = entry.path();
        }
        if (!display.empty() && !ipc.empty()) {
            m_display = display;
            m_ipc = ipc;
            return;
        }
        if (m_sway->WaitForEnd(0)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_problem = "sway did not open its sockets (is it installed? scripts/setup.sh installs it)";
}

CSwayCompositor::~CSwayCompositor() {
    if (m_sway && m_sway->Started() && !m_sway->WaitForEnd(0)) {
        kill(m_sway->Pid(), SIGTERM);
        if (!m_sway->WaitForEnd(5000)) kill(m_sway->Pid(), SIGKILL);
    }
    m_sway.reset();
    std::error_code ignored;
    if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
}

bool CSwayCompositor::Command(const std::string& command) {
    CChildProcess swaymsg("swaymsg", {"swaymsg", "-q", "-s", m_ipc, command});
    return swaymsg.Wait() == 0;
}
