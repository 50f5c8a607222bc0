#pragma once
// A D-Bus of its own for one test: a dbus-daemon listening on a socket in a
// temporary folder, open to every client of this user, ended when the object
// goes away. Tests point $DBUS_SYSTEM_BUS_ADDRESS at it to give the code under
// test a system bus that they control (with qlo_fake_logind on it), and can
// end it and start it again at the same address, as a restarted system bus.

#include <memory>
#include <string>

#include "support/child_process_linux.h"
#include "support/temp_folder.h"

class CPrivateBus {
public:
    CPrivateBus();
    CPrivateBus(const CPrivateBus&) = delete;
    CPrivateBus& operator=(const CPrivateBus&) = delete;

    // The bus address ("" when the daemon did not start).
    const std::string& Address() const { return m_address; }

    // Ends the daemon: every connection to it breaks.
    void Stop();
    // Starts it again at the same address. True when it runs there.
    bool Start();

private:
    CTempFolder m_folder;
    std::unique_ptr<CChildProcess> m_daemon;
    std::string m_address;
};
