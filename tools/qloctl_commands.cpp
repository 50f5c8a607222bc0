#include "qloctl_commands.h"

#include <string_view>

const char* QloctlUsage() {
    return "usage: qloctl COMMAND\n"
           "Controls the running time-tracking collector.\n"
           "  close          stop the collector; it saves the activity in progress first\n"
           "  reload-rules   read the categorisation rules again\n"
           "  rules on       categorise new activities by the rules\n"
           "  rules off      stop categorising new activities\n"
           "  --help         show this text\n"
           "Exit code 0 when done, 1 when no collector runs or it cannot be reached,\n"
           "2 for a bad command line.\n";
}

int ParseQloctlCommand(int count, const char* const* arguments, QloctlCommand& command, std::string& problem) {
    if (count < 1 || !arguments || !arguments[0]) {
        problem = "a command is required";
        return 0;
    }
    const std::string_view verb = arguments[0];
    const int expected = verb == "rules" ? 2 : 1;
    QloctlCommand parsed;
    if (verb == "--help" || verb == "-h" || verb == "help") {
        parsed = QLOCTL_HELP;
    } else if (verb == "close") {
        parsed = QLOCTL_CLOSE;
    } else if (verb == "reload-rules") {
        parsed = QLOCTL_RELOAD_RULES;
    } else if (verb == "rules") {
        const std::string_view state = count > 1 && arguments[1] ? arguments[1] : "";
        if (state != "on" && state != "off") {
            problem = "rules takes on or off";
            return 0;
        }
        parsed = state == "on" ? QLOCTL_RULES_ON : QLOCTL_RULES_OFF;
    } else {
        problem = "unknown command " + std::string(verb);
        return 0;
    }
    if (count > expected) {
        problem = "unexpected argument " + std::string(arguments[expected]);
        return 0;
    }
    command = parsed;
    return 1;
}
