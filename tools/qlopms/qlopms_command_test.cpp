#include "qlopms/qlopms_command.h"

#include <gtest/gtest.h>

#include <vector>

#include "qlopms/pms_settings.h"

namespace {
constexpr int64_t kNow = 20240301093000;

bool Parse(std::vector<const char*> args, CPmsCommandLine& line, std::string& error) {
    args.insert(args.begin(), "qlopms");
    CCommandLine parsed;
    return ParsePmsCommandLine(static_cast<int>(args.size()), args.data(), kNow, parsed, line, error);
}

TEST(QlopmsCommandLine, CommandsDaysAndOptions) {
    CPmsCommandLine line;
    std::string error;
    ASSERT_TRUE(Parse({"--server", "https://jira.example.com", "sync", "--user", "ann"}, line, error)) << error;
    EXPECT_EQ(line.command, EPmsCommand::Sync);
    EXPECT_EQ(line.server, "https://jira.example.com");
    EXPECT_EQ(line.user, "ann");
    ASSERT_TRUE(Parse({"worklog"}, line, error));
    EXPECT_EQ(line.command, EPmsCommand::Worklog);
    EXPECT_EQ(line.day, 20240301000000);
    ASSERT_TRUE(Parse({"worklog", "2024-02-29", "--post", "--ca-file", "ca.pem"}, line, error));
    EXPECT_EQ(line.day, 20240229000000);
    EXPECT_TRUE(line.post);
    EXPECT_EQ(line.caFile, "ca.pem");
    ASSERT_TRUE(Parse({"worklog", "yesterday"}, line, error));
    EXPECT_EQ(line.day, 20240229000000);
    ASSERT_TRUE(Parse({"--due", "worklog"}, line, error));
    EXPECT_EQ(line.command, EPmsCommand::Due);

    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{{},
                                                                              {"push"},
                                                                              {"sync", "now"},
                                                                              {"check", "--post"},
                                                                              {"worklog", "2023-02-29"},
                                                                              {"worklog", "1.3.2024"},
                                                                              {"worklog", "--due", "--post"},
                                                                              {"sync", "--user"},
                                                                              {"sync", "--server", ""},
                                                                              {"--verbose", "check"}})
        EXPECT_FALSE(Parse(bad, line, error)) << (bad.empty() ? "(none)" : bad[0]);
}

TEST(QlopmsCommandLine, PasswordIsNeverTakenFromTheCommandLine) {
    CPmsCommandLine line;
    std::string error;
    for (const char* option : {"--password", "--password=secret", "--pass", "-p"}) {
        EXPECT_FALSE(Parse({"check", option, "secret"}, line, error)) << option;
        EXPECT_EQ(error.find("secret"), std::string::npos);
    }
}

TEST(QlopmsSettings, StoredPasswordBelongsToTheConfiguredServerAndUserOnly) {
    CPmsSettings settings;
    settings.serverUrl = "https://jira";
    settings.userName = "ann";
    settings.storedPassword = "stored";
    std::string password, error;
    int prompts = 0;
    const auto prompt = [&prompts](std::string& out) {
        ++prompts;
        out = "typed";
        return true;
    };
    ASSERT_EQ(ResolvePassword(settings, "from-env", prompt, password, error), 1);
    EXPECT_EQ(password, "stored");

    CPmsCommandLine line;
    line.user = "bob";
    ApplyCommandLine(line, settings);
    ASSERT_EQ(ResolvePassword(settings, "from-env", prompt, password, error), 1);
    EXPECT_EQ(password, "from-env");
    ASSERT_EQ(ResolvePassword(settings, nullptr, prompt, password, error), 1);
    EXPECT_EQ(password, "typed");
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(ResolvePassword(
                  settings, "", [](std::string&) { return false; }, password, error),
              0);
    EXPECT_NE(error.find("QLO_JIRA_PASSWORD"), std::string::npos);
}
}  // namespace
