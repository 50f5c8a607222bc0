// The folder service of the target on real folders.
#include "platform/folders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/path.h"
#include "support/temp_folder.h"

namespace {
std::string Join(const std::string& folder, const std::string& name) { return folder + kPathSeparator + name; }

bool Exists(const std::string& path) {
    char buffer[1024];
    return Folders().GetLongPathName(path.c_str(), buffer, sizeof(buffer)) > 0;
}

TEST(FolderService, CreatesOneLevelAndAcceptsAnExistingFolder) {
    CTempFolder temp;
    const std::string folder = Join(temp.Str(), "Orvanta");
    EXPECT_EQ(Folders().CreateDirectory(folder.c_str()), 1);
    EXPECT_TRUE(std::filesystem::is_directory(temp.Path() / "Orvanta"));
    EXPECT_EQ(Folders().CreateDirectory(folder.c_str()), 1);

    const std::string twoLevels = Join(Join(temp.Str(), "Missing"), "Logs");
    EXPECT_EQ(Folders().CreateDirectory(twoLevels.c_str()), 0);
    EXPECT_FALSE(Exists(Join(temp.Str(), "Missing")));

    std::ofstream(temp.Path() / "File") << "x";
    EXPECT_EQ(Folders().CreateDirectory(Join(temp.Str(), "File").c_str()), 0);
    EXPECT_EQ(Folders().CreateDirectory(""), 0);
    EXPECT_EQ(Folders().CreateDirectory(nullptr), 0);
}

TEST(FolderService, LongPathNameOnlyForExistingPathsThatFit) {
    CTempFolder temp;
    const std::string folder = Join(temp.Str(), "A folder with a long name");
    ASSERT_EQ(Folders().CreateDirectory(folder.c_str()), 1);
    char buffer[1024];
    const unsigned length = Folders().GetLongPathName(folder.c_str(), buffer, sizeof(buffer));
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(buffer).size(), length);
    EXPECT_EQ(std::string(buffer).substr(std::string(buffer).size() - 26),
              kPathSeparator + std::string("A folder with a long name"));
    EXPECT_EQ(Folders().GetLongPathName(folder.c_str(), buffer, length), 0u);  // no room for the terminator
    EXPECT_GT(Folders().GetLongPathName(folder.c_str(), buffer, length + 1), 0u);
    EXPECT_EQ(Folders().GetLongPathName(Join(temp.Str(), "Missing").c_str(), buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(Folders().GetLongPathName("", buffer, sizeof(buffer)), 0u);
}
}  // namespace
