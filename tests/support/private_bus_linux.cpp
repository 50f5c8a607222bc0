#include "support/private_bus_linux.h"

#include <fstream>

CPrivateBus::CPrivateBus() {
    std::ofstream(m_folder.File("bus.conf")) << "<busconfig>\n"
                                                "  <type>session</type>\n"
                                                "  <listen>unix:path="
                                             << m_folder.File("bus")
                                             << "</listen>\n"
                                                "  <auth>EXTERNAL</auth>\n"
                                                "  <policy context=\"default\">\n"
                                                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                                "    <allow eavesdrop=\"true\"/>\n"
                                                "    <allow own=\"*\"/>\n"
                                                "  </policy>\n"
                                                "</busconfig>\n";
    if (!Start()) m_address.clear();
}

void CPrivateBus::Stop() { m_daemon.reset(); }

bool CPrivateBus::Start() {
    m_daemon = std::make_unique<CChildProcess>(
        "dbus-daemon", std::vector<std::string>{"dbus-daemon", "--config-file=" + m_folder.File("bus.conf"), "--nofork",
                                                "--syslog-only", "--print-address=1"});
    std::string address;
    if (!m_daemon->Started() || !m_daemon->ReadLine(address)) return false;
    // The daemon adds a guid of its own, new at every start.
    address = address.substr(0, address.find(','));
    if (m_address.empty()) m_address = address;
    return address == m_address;
}
