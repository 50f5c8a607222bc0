#include "log/working_directory.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/path.h"

namespace {
std::string Native(std::string path) {
    for (char& c : path)
        if (c == '|') c = kPathSeparator;
    return path;
}

TEST(WorkingDirectory, JoinsFolderAndFileDroppingOneTrailingSeparator) {
    CWorkingDirectory dir;
    ASSERT_EQ(dir.SetPath("D:\\store\\", 0, "sys.db", 0), 1);
    EXPECT_EQ(std::string(dir.GetPath()), "D:\\store" + Native("|sys.db"));
    ASSERT_EQ(dir.SetPath("/data/store/", 0, "sys.db", 0), 1);
    EXPECT_EQ(std::string(dir.GetPath()), "/data/store" + Native("|sys.db"));
}

TEST(WorkingDirectory, FolderAloneIsStoredWithoutItsTrailingSeparator) {
    CWorkingDirectory dir;
    ASSERT_EQ(dir.SetPath("D:\\store", 0), 1);
    EXPECT_STREQ(dir.GetPath(), "D:\\store");
    ASSERT_EQ(dir.SetPath("/data/", 0), 1);
    EXPECT_STREQ(dir.GetPath(), "/data");
}

TEST(WorkingDirectory, RefusesMissingOrEmptyFolderAndKeepsNoPath) {
    CWorkingDirectory dir;
    EXPECT_EQ(dir.SetPath(nullptr, 0, "sys.db", 0), -1);
    EXPECT_EQ(dir.SetPath("", 0, "sys.db", 0), -6);
    EXPECT_EQ(dir.GetPath(), nullptr);
}

TEST(WorkingDirectory, LimitsCutTheTextsToLimitLessOne) {
    CWorkingDirectory dir;
    ASSERT_EQ(dir.SetPath("abcdef", 4, "123456", 3), 1);
    EXPECT_EQ(std::string(dir.GetPath()), Native("abc|12"));
}

TEST(WorkingDirectory, ReplacingAPathFreesTheOldOne) {
    CWorkingDirectory dir;
    ASSERT_EQ(dir.SetPath(std::string(900, 'x').c_str(), 0, "f", 0), 1);
    ASSERT_EQ(dir.SetPath("y", 0), 1);
    EXPECT_STREQ(dir.GetPath(), "y");
}
}  // namespace
