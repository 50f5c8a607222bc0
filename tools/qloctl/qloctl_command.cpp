#include "qloctl/qloctl_command.h"

#include <cstring>

const char kQloctlUsage[] =
    "usage: qloctl COMMAND\n"
    "Controls the collector that runs on this desktop.\n"
    "commands:\n"
    "  close          stop the collector in order: it saves the activity in progress\n"
    "                 and ends; qloctl waits until it has ended\n"
    "  reload-rules   make the collector read its categorisation rules again\n"
    "  rules on       categorise new activities by the rules (the default)\n"
    "  rules off      store new activities without categorising them\n"
    "  install-browser-host\n"
    "                 let Firefox, Chromium, Chrome and Edge start qlo-browser-host (found\n"
    "                 beside qloctl) for the browser extension: writes their manifests\n"
    "  uninstall-browser-host\n"
    "                 removes those manifests again\n"
    "  --help         show this text\n"
    "exit status: 0 done; 1 no collector runs, or it did not carry the command out;\n"
    "2 a bad command line\n";

namespace {
struct CVerb {
    const char* name;
    const char* argument;  // the one argument it takes, or nullptr for none
    EControlCommand command;
};

constexpr CVerb kVerbs[] = {
    {"--help", nullptr, EControlCommand::Help},
    {"close", nullptr, EControlCommand::Close},
    {"reload-rules", nullptr, EControlCommand::ReloadRules},
    {"rules", "on", EControlCommand::RulesOn},
    {"rules", "off", EControlCommand::RulesOff},
    {"install-browser-host", nullptr, EControlCommand::InstallBrowserHost},
    {"uninstall-browser-host", nullptr, EControlCommand::UninstallBrowserHost},
};
}  // namespace

bool ParseControlCommand(int argc, const char* const* argv, EControlCommand& command, std::string& error) {
    if (argc < 2) {
        error = "no command given";
        return false;
    }
    const std::string name = argv[1];
    bool known = false;
    for (const CVerb& verb : kVerbs) {
        if (name != verb.name) continue;
        known = true;
        const bool fits = verb.argument ? argc == 3 && std::strcmp(argv[2], verb.argument) == 0 : argc == 2;
        if (fits) {
            command = verb.command;
            return true;
        }
    }
    if (!known) {
        error = "unknown command \"" + name + "\"";
    } else if (name == "rules") {
        error = "\"rules\" takes \"on\" or \"off\"";
    } else {
        error = "\"" + name + "\" takes no argument";
    }
    return false;
}
