// Every shipped program's command line, run as built: --help and --version
// answer with exit status 0; an unknown argument is refused with 2 and
// leaves nothing behind (no data folder, no collector); options before and
// after the command give the same result.
#include <gtest/gtest.h>

#include <filesystem>

#include "program_home.h"
#include "support/temp_folder.h"

namespace {
// The programs with commands, with one command each that is harmless to run.
const struct {
    const char* program;
    const char* command;
} kCommandPrograms[] = {
    {"qloctl", "close"}, {"qloreport", "totals"}, {"qlorules", "list"}, {"qlopms", "worklog"}, {"qlosync", "status"}};

// The first line without its end (Windows: CR LF).
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

class CommandLines : public ::testing::Test {
protected:
    CProgramHome home;

    // Runs `program` with `args` and checks that it ended by itself and left
    // the home folder empty.
    CShippedRun Run(const std::string& program, const std::vector<std::string>& args, bool terminal = false) {
        const CShippedRun run = home.Run(program, args, terminal);
        std::string what = program;
        for (const std::string& arg : args)
            what += " " + arg;
        EXPECT_TRUE(run.ended) << what << " still ran";
        EXPECT_TRUE(std::filesystem::is_empty(home.Folder())) << what << " made something in the home folder";
        return run;
    }
};

TEST_F(CommandLines, EveryProgramAnswersHelpAndVersionAndRefusesAnUnknownArgument) {
    for (const std::string& program :
         {std::string(kCollectorProgram), std::string("qloctl"), std::string("qloreport"), std::string("qlorules"),
          std::string("qlopms"), std::string("qlosync"), std::string("qlo-browser-host")}) {
        CShippedRun run = Run(program, {"--help"});
        EXPECT_EQ(run.status, 0) << program;
        EXPECT_EQ(run.out.rfind("usage: " + program + " ", 0), 0u) << program << ": " << run.out;
        EXPECT_EQ(run.err, "") << program;

        run = Run(program, {"--version"});
        EXPECT_EQ(run.status, 0) << program;
        EXPECT_EQ(FirstLine(run.out).rfind(program + " " QLO_TEST_VERSION, 0), 0u) << program << ": " << run.out;

        // The browsers' own arguments are not the host's to judge: it
        // refuses a terminal instead.
        const bool host = program == "qlo-browser-host";
        run = Run(program, {"--no-such-option"}, host);
        EXPECT_EQ(run.status, 2) << program;
        EXPECT_EQ(run.out, "") << program;
        if (host) continue;
        EXPECT_EQ(FirstLine(run.err), program + ": unknown option '--no-such-option'") << program;
        EXPECT_NE(run.err.find("\nusage: " + program + " "), std::string::npos) << program << ": " << run.err;
    }
}

TEST_F(CommandLines, EachCommandHasItsHelpAndRefusesAnUnknownOption) {
    for (const auto& [program, command] : kCommandPrograms) {
        CShippedRun run = Run(program, {command, "--help"});
        EXPECT_EQ(run.status, 0) << program;
        EXPECT_EQ(FirstLine(run.out).rfind(std::string("usage: ") + program + " " + command, 0), 0u) << run.out;
        EXPECT_EQ(run.out, Run(program, {"--help", command}).out) << program;

        run = Run(program, {command, "--no-such-option"});
        EXPECT_EQ(run.status, 2) << program;
        EXPECT_NE(run.err.find(std::string("\nusage: ") + program + " " + command), std::string::npos) << run.err;
    }
}

TEST_F(CommandLines, OptionsBeforeAndAfterTheCommandGiveTheSameResult) {
    CTempFolder data;
    const std::vector<std::vector<std::string>> pairs[] = {
        {{"totals", "--data", data.Str(), "--format", "csv"}, {"--format=csv", "--data", data.Str(), "totals"}},
        {{"status", "--data", data.Str()}, {"--data=" + data.Str(), "status"}},
        {{"worklog", "--due", "--user", "ann"}, {"--user", "ann", "--due", "worklog"}},
        {{"rows", "--data", data.Str(), "--from", "today"}, {"--from=today", "--data", data.Str(), "rows"}},
    };
    const char* programs[] = {"qloreport", "qlosync", "qlopms", "qlorules"};
    for (size_t i = 0; i < std::size(pairs); ++i) {
        const CShippedRun after = home.Run(programs[i], pairs[i][0]), before = home.Run(programs[i], pairs[i][1]);
        EXPECT_TRUE(after.ended && before.ended) << programs[i];
        EXPECT_NE(after.status, 2) << programs[i] << ": " << after.err;
        EXPECT_EQ(after.status, before.status) << programs[i];
        EXPECT_EQ(after.out, before.out) << programs[i];
        EXPECT_EQ(after.err, before.err) << programs[i];
    }
}
}  // namespace
