// The XDG data folder as the Linux application-data folder, realpath as
// the long-name form, and the owner-only rights of the data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/folders.h"
#include "platform/private_file.h"
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

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 01000000;
}

TEST(XdgFolders, AFolderOpenToOthersIsMadeOwnerOnlyWithoutFollowingLinks) {
    CTempFolder temp;
    const std::string data = temp.File("data");
    std::filesystem::create_directories(data + "/Logs/Archive");
    std::ofstream(data + "/sys.db") << "x";
    std::ofstream(data + "/Logs/Archive/old.log") << "x";
    std::ofstream(temp.File("elsewhere")) << "x";
    std::filesystem::create_symlink(temp.File("elsewhere"), data + "/link");
    for (const char* path : {"", "/Logs", "/Logs/Archive"})
        chmod((data + path).c_str(), 0777);
    chmod((data + "/sys.db").c_str(), 0644);
    chmod((data + "/Logs/Archive/old.log").c_str(), 0466);
    chmod(temp.File("elsewhere").c_str(), 0644);

    int repaired = -1;
    EXPECT_EQ(RestrictFolderToOwner(data.c_str(), repaired), 1);
    EXPECT_EQ(repaired, 5);
    for (const char* folder : {"", "/Logs", "/Logs/Archive"})
        EXPECT_EQ(ModeOf(data + folder), 0700u) << folder;
    EXPECT_EQ(ModeOf(data + "/sys.db"), 0600u);
    EXPECT_EQ(ModeOf(data + "/Logs/Archive/old.log"), 0400u);  // the owner's own rights stay
    EXPECT_EQ(ModeOf(temp.File("elsewhere")), 0644u);          // a link's target is not the folder's
    EXPECT_EQ(RestrictFolderToOwner(data.c_str(), repaired), 1);
    EXPECT_EQ(repaired, 0);

    EXPECT_EQ(RestrictFolderToOwner(temp.File("elsewhere").c_str(), repaired), -1);
    EXPECT_EQ(RestrictFolderToOwner(temp.File("missing").c_str(), repaired), -1);
}
}  // namespace
