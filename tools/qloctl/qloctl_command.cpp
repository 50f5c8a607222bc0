#include "qloctl/qloctl_command.h"

const CProgramSpec kQloctlCommandLine = {
    "qloctl",
    "Controls the collector that runs on this desktop.",
    {{"close", "", 0, 0,
      "stop the collector in order: it saves the activity in progress "
      "and ends; qloctl waits until it has ended"},
     {"reload-rules", "", 0, 0, "make the collector read its categorisation rules again"},
     {"rules", "on|off", 1, 1,
      "on: categorise new activities by the rules (the default); "
      "off: store new activities without categorising them"},
     {"install-browser-host", "", 0, 0,
      "let Firefox, Chromium, Chrome and Edge start qlo-browser-host (found "
      "beside qloctl) for the browser extension: writes their manifests"},
     {"uninstall-browser-host", "", 0, 0, "removes those manifests again"}},
    {},
    "Exit status: 0 done; 1 no collector runs, or it did not carry the command out;\n"
    "2 a bad command line\n"};

bool ReadControlCommand(const CCommandLine& line, EControlCommand& command, std::string& error) {
    if (line.command == "rules") {
        if (line.arguments[0] != "on" && line.arguments[0] != "off") {
            error = "'rules' takes on|off, not '" + line.arguments[0] + "'";
            return false;
        }
        command = line.arguments[0] == "on" ? EControlCommand::RulesOn : EControlCommand::RulesOff;
    } else {
        command = line.command == "close"                  ? EControlCommand::Close
                  : line.command == "reload-rules"         ? EControlCommand::ReloadRules
                  : line.command == "install-browser-host" ? EControlCommand::InstallBrowserHost
                                                           : EControlCommand::UninstallBrowserHost;
    }
    return true;
}
