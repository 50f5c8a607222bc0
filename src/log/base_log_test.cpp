#include "log/base_log.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_clock.h"
#include "log/log_files.h"
#include "support/temp_folder.h"

namespace {
const std::string kDashes(44, '-');

TEST(BaseLog, NewFileGetsTitleAndSeparatorThenStampedLines) {
    CTempFolder folder;
    CFakeClock clock({2026, 12, 7, 9, 5, 3, 42});
    const std::string path = folder.File("QLOCollector_Error.log");
    {
        CErrorLog log;
        ASSERT_EQ(log.SetPath(path.c_str()), 1);
        ASSERT_EQ(log.Write("first", 5), 1);
        ASSERT_EQ(log.Write("second", 6), 1);
    }
    EXPECT_EQ(ReadFileBytes(path), "QLO Error Log\r\n" + kDashes +
                                       "\r\n"
                                       "07/12/2026 09:05:03.042 first\r\n"
                                       "07/12/2026 09:05:03.042 second\r\n");
}

TEST(BaseLog, ExistingFileIsAppendedToWithoutHeader) {
    CTempFolder folder;
    CFakeClock clock({2026, 1, 2, 23, 59, 59, 999});
    const std::string path = folder.File("QLOCollector.log");
    {
        CInfoLog log;
        log.SetPath(path.c_str());
        log.Write("one", 3);
    }
    {
        CInfoLog log;
        log.SetPath(path.c_str());
        log.Write("two", 3);
    }
    EXPECT_EQ(ReadFileBytes(path), "QLO Information Log\r\n" + kDashes +
                                       "\r\n"
                                       "02/01/2026 23:59:59.999 one\r\n"
                                       "02/01/2026 23:59:59.999 two\r\n");
}

TEST(BaseLog, OpenAndCloseResults) {
    CTempFolder folder;
    CInfoLog log;
    EXPECT_EQ(log.Open(), -1);
    EXPECT_EQ(log.Close(), -8);
    EXPECT_EQ(log.SetPath(""), -1);
    EXPECT_EQ(log.SetPath(nullptr), -1);
    ASSERT_EQ(log.SetPath(folder.File("a.log").c_str()), 1);
    EXPECT_EQ(log.Open(), 1);
    EXPECT_EQ(log.Open(), -7);
    EXPECT_EQ(log.Close(), 1);
}

TEST(BaseLog, SecondWriterOfAHeldFileIsRefused) {
    CTempFolder folder;
    const std::string path = folder.File("held.log");
    CInfoLog first, second;
    first.SetPath(path.c_str());
    second.SetPath(path.c_str());
    ASSERT_EQ(first.Write("mine", 4), 1);
    EXPECT_EQ(second.Write("theirs", 6), 0);
}

TEST(BaseLog, FolderThatDoesNotExistFailsWithTheOpenResult) {
    CTempFolder folder;
    CErrorLog log;
    log.SetPath(folder.File("missing/QLOCollector_Error.log").c_str());
    EXPECT_EQ(log.Write("lost", 4), 0);
    EXPECT_EQ(log.Write("lost again", 10), 0);
}

TEST(BaseLog, PathIsCutTo259Characters) {
    CInfoLog log;
    ASSERT_EQ(log.SetPath(std::string(400, 'p').c_str()), 1);
    EXPECT_EQ(std::string(log.GetPath()), std::string(259, 'p'));
}
}  // namespace
