#include "support/private_bus_linux.h"

#include <fstream>

CPrivateBus::CPrivateBus() {
    const std::string config = m_folder.File("bus.conf");
    std::ofstream(config) << "<busconfig>\n"
                             "  <type>session</type>\n"
                             "  <listen>unix:dir="
                          << m_folder.Str()
                          << "</listen>\n"
                             "  <auth>EXTERNAL</auth>\n"
                             "  <policy context=\"default\">\n"
                             "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                             "    <allow eavesdrop=\"true\"/>\n"
                             "    <allow own=\"*\"/>\n"
                             "  </policy>\n"
                             "</busconfig>\n";
    m_daemon = std::make_unique<CChildProcess>(
        "dbus-daemon", std::vector<std::string>{"dbus-daemon", "--config-file=" + config, "--nofork", "--syslog-only",
                                                "--print-address=1"});
    if (!m_daemon->Started() || !m_daemon->ReadLine(m_address)) m_address.clear();
}
