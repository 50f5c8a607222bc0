// The control tool's command line: every verb, and the lines it refuses.
#include "qloctl_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
int Parse(std::vector<const char*> arguments, QloctlCommand& command, std::string& problem) {
    return ParseQloctlCommand(static_cast<int>(arguments.size()), arguments.data(), command, problem);
}

TEST(QloctlCommands, EveryVerb) {
    const std::vector<std::pair<std::vector<const char*>, QloctlCommand>> cases = {
        {{"close"}, QLOCTL_CLOSE},
        {{"reload-rules"}, QLOCTL_RELOAD_RULES},
        {{"rules", "on"}, QLOCTL_RULES_ON},
        {{"rules", "off"}, QLOCTL_RULES_OFF},
        {{"--help"}, QLOCTL_HELP},
        {{"-h"}, QLOCTL_HELP},
        {{"help"}, QLOCTL_HELP},
    };
    for (const auto& [arguments, expected] : cases) {
        QloctlCommand command = QLOCTL_HELP;
        std::string problem;
        EXPECT_EQ(Parse(arguments, command, problem), 1) << arguments[0] << ": " << problem;
        EXPECT_EQ(command, expected) << arguments[0];
    }
}

TEST(QloctlCommands, RefusedLinesSayWhy) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{}, "a command is required"},
        {{"stop"}, "unknown command stop"},
        {{"CLOSE"}, "unknown command CLOSE"},
        {{"rules"}, "rules takes on or off"},
        {{"rules", "maybe"}, "rules takes on or off"},
        {{"rules", "on", "now"}, "unexpected argument now"},
        {{"close", "--force"}, "unexpected argument --force"},
    };
    for (const auto& [arguments, expected] : cases) {
        QloctlCommand command = QLOCTL_CLOSE;
        std::string problem;
        EXPECT_EQ(Parse(arguments, command, problem), 0) << expected;
        EXPECT_EQ(problem, expected);
        EXPECT_EQ(command, QLOCTL_CLOSE) << "left alone on refusal";
    }
}
}  // namespace
