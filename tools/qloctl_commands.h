#pragma once
// The command line of qloctl, the collector's control tool, the same on
// every target; each target's qloctl turns a command into its own way of
// reaching the running collector.
//
//   qloctl close          the collector stops (saving the activity in progress)
//   qloctl reload-rules   it reads the categorisation rules again
//   qloctl rules on       categorisation of new activities on
//   qloctl rules off      categorisation off
//   qloctl --help         the usage text (also -h and help)
//
// Exit codes of the tools: 0 done; 1 no collector runs or it could not be
// reached; 2 a bad command line.

#include <string>

enum QloctlCommand : int {
    QLOCTL_HELP = 0,
    QLOCTL_CLOSE = 1,
    QLOCTL_RELOAD_RULES = 2,
    QLOCTL_RULES_ON = 3,
    QLOCTL_RULES_OFF = 4,
};

enum : int { QLOCTL_EXIT_DONE = 0, QLOCTL_EXIT_NO_COLLECTOR = 1, QLOCTL_EXIT_USAGE = 2 };

// Parses the `count` arguments that follow the program's name. 1 parsed into
// `command`; 0 not a command line of the tool: `problem` says why in one line.
int ParseQloctlCommand(int count, const char* const* arguments, QloctlCommand& command, std::string& problem);

// The usage text, every line ending in '\n'.
const char* QloctlUsage();
