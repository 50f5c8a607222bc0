// The shell's application-data folder (under Wine, the test prefix's).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/folders.h"

namespace {
TEST(ShellFolders, AppDataFolderIsAnExistingFolderThatMustFit) {
    char buffer[261];
    ASSERT_EQ(Folders().GetAppDataFolder(buffer, sizeof(buffer)), 1);
    char longPath[261];
    EXPECT_GT(Folders().GetLongPathName(buffer, longPath, sizeof(longPath)), 0u);
    EXPECT_EQ(Folders().GetAppDataFolder(buffer, static_cast<unsigned>(std::strlen(buffer))), 0);
}
}  // namespace
