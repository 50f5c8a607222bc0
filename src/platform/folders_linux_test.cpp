// The XDG data folder as the Linux application-data folder, and realpath as
// the long-name form.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/folders.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"

namespace {
std::string AppData() {
    char buffer[261];
    return Folders().GetAppDataFolder(buffer, sizeof(buffer)) == 1 ? buffer : "(none)";
}

TEST(XdgFolders, AppDataFolderFollowsXdgDataHomeElseHomeAndIsCreated) {
    CTempFolder temp;
    CScopedEnvironment home("HOME", temp.File("home").c_str());
    {
        CScopedEnvironment xdg("XDG_DATA_HOME", temp.File("data/share/").c_str());
        EXPECT_EQ(AppData(), temp.File("data/share"));
        EXPECT_TRUE(std::filesystem::is_directory(temp.File("data/share")));
    }
    {
        CScopedEnvironment xdg("XDG_DATA_HOME", "relative/share");  // not valid: ignored
        EXPECT_EQ(AppData(), temp.File("home/.local/share"));
        EXPECT_TRUE(std::filesystem::is_directory(temp.File("home/.local/share")));
    }
    CScopedEnvironment xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(AppData(), temp.File("home/.local/share"));
    {
        CScopedEnvironment noHome("HOME", nullptr);
        EXPECT_EQ(AppData(), "(none)");
    }
    {
        std::ofstream(temp.File("file")) << "x";
        CScopedEnvironment blocked("XDG_DATA_HOME", temp.File("file/share").c_str());
        EXPECT_EQ(AppData(), "(none)");
    }
    CScopedEnvironment longPath("XDG_DATA_HOME", ("/" + std::string(300, 'x')).c_str());
    EXPECT_EQ(AppData(), "(none)");
}

TEST(XdgFolders, LongPathNameResolvesLinksAndDots) {
    CTempFolder temp;
    std::filesystem::create_directory(temp.Path() / "real");
    std::filesystem::create_directory_symlink(temp.Path() / "real", temp.Path() / "link");
    char expected[4096], buffer[4096];
    ASSERT_NE(realpath(temp.File("real").c_str(), expected), nullptr);
    EXPECT_GT(Folders().GetLongPathName(temp.File("link/../real/.").c_str(), buffer, sizeof(buffer)), 0u);
    EXPECT_STREQ(buffer, expected);
    EXPECT_GT(Folders().GetLongPathName(temp.File("link").c_str(), buffer, sizeof(buffer)), 0u);
    EXPECT_STREQ(buffer, expected);
}
}  // namespace
