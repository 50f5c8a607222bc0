#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "cli/version.h"
#include "support/console_tool_run.h"

namespace {
const CProgramSpec kSpec = {
    "tool",
    "Does things.",
    {{"show", "[DAY]", 0, 1, "shows a day"}, {"switch", "on|off", 1, 1, "switches"}, {"stop", "", 0, 0, "stops"}},
    {{"--data", nullptr, "DIR", nullptr, "the folder"},
     {"--format", nullptr, "F", "show", "table or csv, and more words than one line of a terminal holds"},
     {"--output", "-o", "FILE", "show stop", "the file"},
     {"--all", nullptr, nullptr, "show", "every row"}},
    "Exit status: 0 done.\n"};

// The parsed line, or "error: <reason>".
std::string Parse(std::vector<const char*> args, CCommandLine& line) {
    args.insert(args.begin(), "tool");
    std::string error;
    if (!ParseCommandLine(kSpec, static_cast<int>(args.size()), args.data(), line, error)) return "error: " + error;
    std::string text = line.command;
    for (const std::string& argument : line.arguments)
        text += " <" + argument + ">";
    for (const auto& [name, value] : line.given)
        text += " " + name + "=" + value;
    return text;
}

std::string Parse(std::vector<const char*> args) {
    CCommandLine line;
    return Parse(std::move(args), line);
}

TEST(CommandLine, OptionsStandBeforeOrAfterTheCommandInEitherForm) {
    const std::string expected = "show <2026-01-02> --all= --data=d --format=csv --output=f";
    EXPECT_EQ(Parse({"show", "2026-01-02", "--data", "d", "--format=csv", "-o", "f", "--all"}), expected);
    EXPECT_EQ(Parse({"--data=d", "--all", "--format", "csv", "show", "-o", "f", "2026-01-02"}), expected);
    EXPECT_EQ(Parse({"--data", "a", "stop", "--data", "b"}), "stop --data=b");
    EXPECT_EQ(Parse({"show", "--data", "-"}), "show --data=-");
    CCommandLine line;
    Parse({"--data", "a", "show", "--data=b", "--data", "a"}, line);
    EXPECT_EQ(line.Values("--data"), (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_EQ(line.Values("--format"), std::vector<std::string>{});
}

TEST(CommandLine, EachFaultIsRefusedWithItsReason) {
    EXPECT_EQ(Parse({}), "error: no command given");
    EXPECT_EQ(Parse({"--data", "d"}), "error: no command given");
    EXPECT_EQ(Parse({"shove"}), "error: unknown command 'shove'");
    EXPECT_EQ(Parse({"show", "--colour"}), "error: unknown option '--colour'");
    EXPECT_EQ(Parse({"show", "--colour=red"}), "error: unknown option '--colour'");
    EXPECT_EQ(Parse({"\x1b]0;owned\x07"}), "error: unknown command '\\x1b]0;owned\\x07'");
    EXPECT_EQ(Parse({std::string(100, 'x').c_str()}), "error: unknown command '" + std::string(64, 'x') + "...'");
    EXPECT_EQ(Parse({"show", "--format"}), "error: option '--format' needs a value");
    EXPECT_EQ(Parse({"show", "--all=yes"}), "error: option '--all' takes no value");
    EXPECT_EQ(Parse({"stop", "--format", "csv"}), "error: '--format' is an option of show, not of stop");
    EXPECT_EQ(Parse({"switch", "--all"}), "error: '--all' is an option of show, not of switch");
    EXPECT_EQ(Parse({"switch", "-o", "f"}), "error: '--output' is an option of show and stop, not of switch");
    EXPECT_EQ(Parse({"switch"}), "error: 'switch' takes on|off");
    EXPECT_EQ(Parse({"stop", "now"}), "error: 'stop' takes no argument");
    EXPECT_EQ(Parse({"show", "a", "b"}), "error: 'show' takes [DAY], not 'b'");
}

TEST(CommandLine, HelpAndVersionAnswerWhateverElseTheLineHolds) {
    CCommandLine line;
    EXPECT_EQ(Parse({"--bogus", "--help"}, line), "");
    EXPECT_EQ(line.ask, ECommandLineAsk::Help);
    EXPECT_EQ(Parse({"-h", "stop", "now"}, line), "stop <now>");
    EXPECT_EQ(line.ask, ECommandLineAsk::Help);
    EXPECT_EQ(Parse({"switch", "--version"}, line), "switch");
    EXPECT_EQ(line.ask, ECommandLineAsk::Version);
    EXPECT_EQ(Parse({"switch", "--version", "--help"}, line), "switch");
    EXPECT_EQ(line.ask, ECommandLineAsk::Help);
}

TEST(CommandLine, UsageOfTheProgramAndOfOneCommand) {
    const std::string all = UsageText(kSpec);
    EXPECT_EQ(all.substr(0, all.find('\n')), "usage: tool COMMAND [OPTIONS]");
    EXPECT_NE(all.find("\n  switch on|off         switches\n"), std::string::npos) << all;
    EXPECT_NE(all.find("\n  --format F            show: table or csv, and more words than one line of a\n"
                       "                        terminal holds\n"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("\n  -o, --output FILE     show and stop: the file\n"), std::string::npos) << all;
    EXPECT_NE(all.find("\n  --version "), std::string::npos) << all;
    EXPECT_EQ(all.substr(all.size() - 23), "\n\nExit status: 0 done.\n");

    const std::string stop = UsageText(kSpec, "stop");
    EXPECT_EQ(stop.substr(0, stop.find('\n')), "usage: tool stop [OPTIONS]");
    EXPECT_NE(stop.find("\n  --data DIR "), std::string::npos) << stop;
    EXPECT_NE(stop.find("\n  -o, --output FILE     the file\n"), std::string::npos) << stop;
    EXPECT_EQ(stop.find("--format"), std::string::npos) << stop;
}

// The tool's main: what the programs do with their command lines.
int Tool(int argc, const char* const* argv, FILE* out, FILE* err) {
    CCommandLine line;
    std::string error;
    const bool parsed = ParseCommandLine(kSpec, argc, argv, line, error);
    const int answered = AnswerCommandLine(kSpec, parsed, line, error, out, err);
    if (answered < 0) std::fputs("ran\n", out);
    return answered < 0 ? 0 : answered;
}

TEST(CommandLine, TheAnswerIsTheUsageTheVersionOrTheRefusal) {
    CToolRun run = RunConsoleTool(Tool, {"show", "-x"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "tool: unknown option '-x'\n"
              "usage: tool show [DAY] [OPTIONS] (tool show --help tells more)\n");
    run = RunConsoleTool(Tool, {"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("tool " QLO_TEST_VERSION, 0), 0u) << run.out;
    EXPECT_EQ(run.out, VersionText("tool"));
    run = RunConsoleTool(Tool, {"stop", "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, UsageText(kSpec, "stop"));
    EXPECT_EQ(RunConsoleTool(Tool, {"stop"}).out, "ran\n");
}
}  // namespace
