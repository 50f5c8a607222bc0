#include "qloctl/qloctl_command.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// Parses `arguments` as the words after the program name.
bool Parse(std::vector<const char*> arguments, EControlCommand& command, std::string& error) {
    arguments.insert(arguments.begin(), "qloctl");
    return ParseControlCommand(static_cast<int>(arguments.size()), arguments.data(), command, error);
}

TEST(QloctlCommandLine, EachCommandIsRecognised) {
    const struct {
        std::vector<const char*> arguments;
        EControlCommand expected;
    } cases[] = {
        {{"--help"}, EControlCommand::Help},
        {{"close"}, EControlCommand::Close},
        {{"reload-rules"}, EControlCommand::ReloadRules},
        {{"rules", "on"}, EControlCommand::RulesOn},
        {{"rules", "off"}, EControlCommand::RulesOff},
        {{"install-browser-host"}, EControlCommand::InstallBrowserHost},
        {{"uninstall-browser-host"}, EControlCommand::UninstallBrowserHost},
    };
    for (const auto& each : cases) {
        EControlCommand command = EControlCommand::Help;
        std::string error;
        EXPECT_TRUE(Parse(each.arguments, command, error)) << each.arguments[0];
        EXPECT_EQ(command, each.expected) << each.arguments[0];
        EXPECT_EQ(error, "");
    }
}

TEST(QloctlCommandLine, AnythingElseIsRefusedWithItsReason) {
    const struct {
        std::vector<const char*> arguments;
        const char* reason;
    } cases[] = {
        {{}, "no command given"},
        {{"stop"}, "unknown command \"stop\""},
        {{"CLOSE"}, "unknown command \"CLOSE\""},
        {{"rules"}, "\"rules\" takes \"on\" or \"off\""},
        {{"rules", "yes"}, "\"rules\" takes \"on\" or \"off\""},
        {{"rules", "on", "off"}, "\"rules\" takes \"on\" or \"off\""},
        {{"close", "now"}, "\"close\" takes no argument"},
        {{"--help", "close"}, "\"--help\" takes no argument"},
        {{"install-browser-host", "firefox"}, "\"install-browser-host\" takes no argument"},
    };
    for (const auto& each : cases) {
        EControlCommand command = EControlCommand::Close;
        std::string error;
        EXPECT_FALSE(Parse(each.arguments, command, error)) << each.reason;
        EXPECT_EQ(error, each.reason);
        EXPECT_EQ(command, EControlCommand::Close) << "left as it was";
    }
}
}  // namespace
