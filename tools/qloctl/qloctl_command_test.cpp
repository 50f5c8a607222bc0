#include "qloctl/qloctl_command.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// The command of `arguments` (the words after the program name), or the
// reason it is refused.
std::string Parse(std::vector<const char*> arguments, EControlCommand& command) {
    arguments.insert(arguments.begin(), "qloctl");
    CCommandLine line;
    std::string error;
    if (!ParseCommandLine(kQloctlCommandLine, static_cast<int>(arguments.size()), arguments.data(), line, error) ||
        !ReadControlCommand(line, command, error))
        return error;
    return "";
}

TEST(QloctlCommandLine, EachCommandIsRecognised) {
    const struct {
        std::vector<const char*> arguments;
        EControlCommand expected;
    } cases[] = {
        {{"close"}, EControlCommand::Close},
        {{"reload-rules"}, EControlCommand::ReloadRules},
        {{"rules", "on"}, EControlCommand::RulesOn},
        {{"rules", "off"}, EControlCommand::RulesOff},
        {{"install-browser-host"}, EControlCommand::InstallBrowserHost},
        {{"uninstall-browser-host"}, EControlCommand::UninstallBrowserHost},
    };
    for (const auto& each : cases) {
        EControlCommand command = EControlCommand::Close;
        EXPECT_EQ(Parse(each.arguments, command), "") << each.arguments[0];
        EXPECT_EQ(command, each.expected) << each.arguments[0];
    }
}

TEST(QloctlCommandLine, AnythingElseIsRefusedWithItsReason) {
    const struct {
        std::vector<const char*> arguments;
        const char* reason;
    } cases[] = {
        {{}, "no command given"},
        {{"stop"}, "unknown command 'stop'"},
        {{"CLOSE"}, "unknown command 'CLOSE'"},
        {{"rules"}, "'rules' takes on|off"},
        {{"rules", "yes"}, "'rules' takes on|off, not 'yes'"},
        {{"rules", "on", "off"}, "'rules' takes on|off, not 'off'"},
        {{"close", "now"}, "'close' takes no argument"},
        {{"close", "--now"}, "unknown option '--now'"},
        {{"install-browser-host", "firefox"}, "'install-browser-host' takes no argument"},
    };
    for (const auto& each : cases) {
        EControlCommand command = EControlCommand::RulesOff;
        EXPECT_EQ(Parse(each.arguments, command), each.reason);
        EXPECT_EQ(command, EControlCommand::RulesOff) << "left as it was";
    }
}
}  // namespace
