#include "log/base_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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

TEST(BaseLog, PathLongerThan259CharactersIsRefused) {
    CInfoLog log;
    ASSERT_EQ(log.SetPath(std::string(259, 'p').c_str()), 1);
    EXPECT_EQ(log.SetPath(std::string(260, 'p').c_str()), -5);
    EXPECT_EQ(log.GetPath(), nullptr);
    EXPECT_EQ(log.Write("lost", 4), -1);
}

// A line that would take the file past 10 MB moves it into the archive
// first, the archived files shifting by one and the eleventh dropped; the
// archive folder is made when it is missing.
TEST(BaseLog, FullFileIsArchivedKeepingTheLastTen) {
    CTempFolder folder;
    CFakeClock clock({2026, 12, 7, 9, 5, 3, 42});
    const std::filesystem::path archive = folder.Path() / "Archive";
    auto archived = [&](const char* name, int number) {
        return (archive / (std::string(name) + "." + std::to_string(number) + ".log")).string();
    };
    constexpr int kLineBytes = 24 + 1 + 2;  // stamp, one character, CR LF
    for (const char* name : {"QLOCollector", "QLOCollector_Error"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.File(std::string(name) + ".log");
        std::ofstream(path) << "full";
        std::filesystem::resize_file(path, CBaseLog::kMaxBytes - kLineBytes);
        {
            CErrorLog log;
            ASSERT_EQ(log.SetPath(path.c_str()), 1);
            ASSERT_EQ(log.Write("x", 1), 1);
            EXPECT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(CBaseLog::kMaxBytes))
                << "full, not past";
            ASSERT_EQ(log.Write("y", 1), 1);
        }
        EXPECT_EQ(ReadFileBytes(path), "QLO Error Log\r\n" + kDashes + "\r\n07/12/2026 09:05:03.042 y\r\n");
        EXPECT_EQ(std::filesystem::file_size(archived(name, 1)), static_cast<uintmax_t>(CBaseLog::kMaxBytes));
        if (std::string(name) == "QLOCollector") {
            // The second time round the archive is full.
            for (int number = 2; number <= CBaseLog::kArchivedFiles; ++number)
                std::ofstream(archived(name, number)) << number;
        }
    }
    const std::string path = folder.File("QLOCollector.log");
    std::filesystem::resize_file(path, CBaseLog::kMaxBytes);
    {
        CInfoLog log;
        ASSERT_EQ(log.SetPath(path.c_str()), 1);
        ASSERT_EQ(log.Write("z", 1), 1);
    }
    EXPECT_EQ(std::filesystem::file_size(archived("QLOCollector", 1)), static_cast<uintmax_t>(CBaseLog::kMaxBytes));
    EXPECT_EQ(std::filesystem::file_size(archived("QLOCollector", 2)), static_cast<uintmax_t>(CBaseLog::kMaxBytes));
    for (int number = 3; number <= CBaseLog::kArchivedFiles; ++number)
        EXPECT_EQ(ReadFileBytes(archived("QLOCollector", number)), std::to_string(number - 1));
    EXPECT_FALSE(std::filesystem::exists(archived("QLOCollector", CBaseLog::kArchivedFiles + 1)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(archive), std::filesystem::directory_iterator()),
              CBaseLog::kArchivedFiles + 1)
        << "ten of the information log, one of the error log";
}
}  // namespace
