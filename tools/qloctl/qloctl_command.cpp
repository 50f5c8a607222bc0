#include "qloctl/qloctl_command.h"

#include "control/pause_duration.h"

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
     {"pause", "[DURATION]", 0, 1,
      "capture nothing (no program, title, address or idle time) for DURATION "
      "(30m, 2h, 1h30m, 90s; at most 24h), or without it until resume or the "
      "end of the day; the time is stored as Offline, and the pause outlasts a "
      "restart of the collector or the computer"},
     {"resume", "", 0, 0, "end a pause now: capturing starts again at once"},
     {"install-browser-host", "", 0, 0,
      "let Firefox, Chromium, Chrome and Edge start qlo-browser-host (found "
      "beside qloctl) for the browser extension: writes their manifests"},
     {"uninstall-browser-host", "", 0, 0, "removes those manifests again"}},
    {},
    "Exit status: 0 done; 1 no collector runs, or it did not carry the command out;\n"
    "2 a bad command line\n"};

bool ReadControlCommand(const CCommandLine& line, EControlCommand& command, int64_t& pauseSeconds, std::string& error) {
    if (line.command == "pause") {
        int64_t seconds = 0;
        if (!line.arguments.empty() && !ParsePauseDuration(line.arguments[0], seconds, error)) return false;
        command = EControlCommand::Pause;
        pauseSeconds = seconds;
    } else if (line.command == "rules") {
        if (line.arguments[0] != "on" && line.arguments[0] != "off") {
            error = "'rules' takes on|off, not '" + line.arguments[0] + "'";
            return false;
        }
        command = line.arguments[0] == "on" ? EControlCommand::RulesOn : EControlCommand::RulesOff;
    } else {
        command = line.command == "close"                  ? EControlCommand::Close
                  : line.command == "reload-rules"         ? EControlCommand::ReloadRules
                  : line.command == "resume"               ? EControlCommand::Resume
                  : line.command == "install-browser-host" ? EControlCommand::InstallBrowserHost
                                                           : EControlCommand::UninstallBrowserHost;
    }
    return true;
}
