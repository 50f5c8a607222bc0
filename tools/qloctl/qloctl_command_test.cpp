#include "qloctl/qloctl_command.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "control/pause_duration.h"

namespace {
// The command of `arguments` (the words after the program name), or the
// reason it is refused; a pause's length into `seconds`.
std::string Parse(std::vector<const char*> arguments, EControlCommand& command, int64_t& seconds) {
    arguments.insert(arguments.begin(), "qloctl");
    CCommandLine line;
    std::string error;
    if (!ParseCommandLine(kQloctlCommandLine, static_cast<int>(arguments.size()), arguments.data(), line, error) ||
        !ReadControlCommand(line, command, seconds, error))
        return error;
    return "";
}
std::string Parse(std::vector<const char*> arguments, EControlCommand& command) {
    int64_t seconds = -1;
    return Parse(std::move(arguments), command, seconds);
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
        {{"pause"}, EControlCommand::Pause},
        {{"resume"}, EControlCommand::Resume},
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
        {{"pause", "30"}, "bad pause length '30': each number needs its unit: h, m or s"},
        {{"pause", "m"}, "bad pause length 'm': a number must come first, as in 30m, 2h, 1h30m or 90s"},
        {{"pause", "30m1h"}, "bad pause length '30m1h': units are h, m and s, each once and in that order"},
        {{"pause", "1h1h"}, "bad pause length '1h1h': units are h, m and s, each once and in that order"},
        {{"pause", "1d"}, "bad pause length '1d': units are h, m and s, each once and in that order"},
        {{"pause", "+5m"}, "bad pause length '+5m': a number must come first, as in 30m, 2h, 1h30m or 90s"},
        {{"pause", "1.5h"}, "bad pause length '1.5h': units are h, m and s, each once and in that order"},
        {{"pause", "0m"}, "bad pause length '0m': a pause lasts 1s to 24h"},
        {{"pause", "24h1s"}, "bad pause length '24h1s': a pause lasts 1s to 24h"},
        {{"pause", "99999999999h"},
         "bad pause length '99999999999h': units are h, m and s, each once and in that order"},
        {{"pause", "\x1b[2J5m"}, "bad pause length '?[2J5m': a number must come first, as in 30m, 2h, 1h30m or 90s"},
        {{"pause", "1h", "2h"}, "'pause' takes [DURATION], not '2h'"},
        {{"resume", "now"}, "'resume' takes no argument"},
    };
    for (const auto& each : cases) {
        EControlCommand command = EControlCommand::RulesOff;
        EXPECT_EQ(Parse(each.arguments, command), each.reason);
        EXPECT_EQ(command, EControlCommand::RulesOff) << "left as it was";
    }
}

TEST(QloctlCommandLine, APauseTakesHoursMinutesAndSecondsOrNothingForTheRestOfTheDay) {
    const struct {
        const char* length;
        int64_t seconds;
    } cases[] = {{"", 0},     {"30m", 1800},    {"2h", 7200},    {"1h30m", 5400},
                 {"90s", 90}, {"1h0m5s", 3605}, {"2H15M", 8100}, {"24h", 86400}};
    for (const auto& each : cases) {
        EControlCommand command = EControlCommand::Close;
        int64_t seconds = -1;
        std::vector<const char*> arguments{"pause"};
        if (*each.length) arguments.push_back(each.length);
        EXPECT_EQ(Parse(arguments, command, seconds), "") << each.length;
        EXPECT_EQ(command, EControlCommand::Pause);
        EXPECT_EQ(seconds, each.seconds) << each.length;
    }
    EXPECT_EQ(PauseLengthText(40), "40 s");
    EXPECT_EQ(PauseLengthText(2700), "45 min");
    EXPECT_EQ(PauseLengthText(5459), "1 h 30 min");
    EXPECT_EQ(PauseLengthText(7200), "2 h");
}
}  // namespace
