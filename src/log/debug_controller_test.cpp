#include "log/debug_controller.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_clock.h"
#include "platform/path.h"
#include "support/temp_folder.h"

namespace {
constexpr size_t kHeaderLength = sizeof("QLO Error Log\r\n") - 1 + 44 + 2;
constexpr size_t kStampLength = 24;

class DebugControllerTest : public ::testing::Test {
protected:
    std::string InfoPath() const { return folder.File("QLOCollector.log"); }
    std::string ErrorPath() const { return folder.File("QLOCollector_Error.log"); }
    // The message lines of a log file, without header and time stamps. The
    // logs hold their files exclusively, so the controller is closed first.
    std::vector<std::string> Lines(const std::string& path) {
        logs.reset();
        std::vector<std::string> lines;
        std::istringstream in(ReadFileBytes(path));
        std::string line;
        int skip = 2;
        while (std::getline(in, line)) {
            if (skip-- > 0) continue;
            EXPECT_EQ(line.back(), '\r');
            lines.push_back(line.substr(kStampLength, line.size() - kStampLength - 1));
        }
        return lines;
    }

    CTempFolder folder;
    CFakeClock clock;
    std::unique_ptr<CDebugController> logs = std::make_unique<CDebugController>();
};

TEST_F(DebugControllerTest, SetLogFilesNamesBothFilesInTheFolder) {
    const std::string withSeparator = folder.Str() + kPathSeparator;
    EXPECT_EQ(logs->SetLogFiles(LOG_INFO | LOG_ERROR, withSeparator.c_str(), 0), 1);
    ASSERT_EQ(logs->Log(LOG_ERROR, 0, "%s (%i) failed", "CTimeManager::Init", 7), 1);
    EXPECT_EQ(Lines(ErrorPath()), std::vector<std::string>{"CTimeManager::Init (7) failed"});
}

TEST_F(DebugControllerTest, SetLogFilesResults) {
    EXPECT_EQ(logs->SetLogFiles(LOG_INFO | LOG_ERROR, nullptr, 0), -1);
    EXPECT_EQ(logs->SetLogFiles(LOG_INFO, folder.Str().c_str(), 0), -1);
    EXPECT_EQ(logs->SetLogFiles(LOG_ERROR, folder.Str().c_str(), 0), 1);
    EXPECT_TRUE(logs->HasLogFiles());
}

// A folder that leaves room for the information log's path but not for the
// error log's is refused for both, instead of cutting the paths (both cut
// to the same length would name one file).
TEST_F(DebugControllerTest, FolderTooLongForALogsPathIsRefusedForBoth) {
    const std::string errorName = "QLOCollector_Error.log";
    const std::string tooLong = folder.Str() + kPathSeparator +
                                std::string(CBaseLog::kMaxPath - folder.Str().size() - 1 - errorName.size(), 'f');
    EXPECT_EQ(logs->SetLogFiles(LOG_INFO | LOG_ERROR, tooLong.c_str(), 0), -5);
    EXPECT_FALSE(logs->HasLogFiles());
    logs->SetLevel(1);
    EXPECT_EQ(logs->Log(LOG_INFO, 1, "nowhere"), -1);
    EXPECT_EQ(logs->Log(LOG_ERROR, 0, "nowhere"), -1);
    const std::string fits = tooLong.substr(0, tooLong.size() - 1);
    EXPECT_EQ(logs->SetLogFiles(LOG_INFO | LOG_ERROR, fits.c_str(), 0), 1);
    EXPECT_TRUE(logs->HasLogFiles());
}

TEST_F(DebugControllerTest, LevelMaskSelectsInformationMessages) {
    logs->SetLogFiles(3, folder.Str().c_str(), 0);
    struct Case {
        int mask;
        int expectLevel1, expectLevel2;
    };
    for (const Case c : {Case{0, -51, -51}, Case{1, 1, -51}, Case{2, -51, 1}, Case{3, 1, 1}}) {
        SCOPED_TRACE(c.mask);
        ASSERT_EQ(logs->SetLevel(c.mask), 1);
        EXPECT_EQ(logs->Log(LOG_INFO, 1, "normal %d", c.mask), c.expectLevel1);
        EXPECT_EQ(logs->Log(LOG_INFO, 2, "detail %d", c.mask), c.expectLevel2);
        EXPECT_EQ(logs->Log(LOG_ERROR, 0, "error %d", c.mask), 1);
    }
    EXPECT_EQ(Lines(InfoPath()), (std::vector<std::string>{"normal 1", "detail 2", "normal 3", "detail 3"}));
    EXPECT_EQ(Lines(ErrorPath()), (std::vector<std::string>{"error 0", "error 1", "error 2", "error 3"}));
}

TEST_F(DebugControllerTest, FilteredMessageToBothLogsWritesNothing) {
    logs->SetLogFiles(3, folder.Str().c_str(), 0);
    logs->SetLevel(1);
    EXPECT_EQ(logs->Log(LOG_INFO | LOG_ERROR, 2, "hidden"), -51);
    EXPECT_EQ(logs->Log(LOG_INFO | LOG_ERROR, 1, "shown"), 1);
    EXPECT_EQ(Lines(InfoPath()), std::vector<std::string>{"shown"});
    EXPECT_EQ(Lines(ErrorPath()), std::vector<std::string>{"shown"});
}

TEST_F(DebugControllerTest, NegativeLevelKeepsTheMask) {
    ASSERT_EQ(logs->SetLevel(3), 1);
    EXPECT_EQ(logs->SetLevel(-1), -1);
    EXPECT_EQ(logs->GetLevel(), 3u);
    EXPECT_EQ(logs->Log(0, 1, "nowhere"), -1);
}

TEST_F(DebugControllerTest, LogsWithoutPathsOrFolderFailAndTheCallerCarriesOn) {
    EXPECT_EQ(logs->Log(LOG_ERROR, 0, "before SetLogFiles"), -1);
    const std::string missing = folder.File("no-such-folder");
    logs->SetLogFiles(3, missing.c_str(), 0);
    logs->SetLevel(1);
    EXPECT_EQ(logs->Log(LOG_ERROR, 0, "lost"), 0);
    EXPECT_EQ(logs->Log(LOG_INFO, 1, "lost"), 0);
}

TEST_F(DebugControllerTest, LongMessageIsCutTo2048Characters) {
    logs->SetLogFiles(3, folder.Str().c_str(), 0);
    const std::string message(5000, 'm');
    ASSERT_EQ(logs->Log(LOG_ERROR, 0, "%s", message.c_str()), 1);
    EXPECT_EQ(Lines(ErrorPath()), std::vector<std::string>{std::string(2048, 'm')});
    EXPECT_EQ(ReadFileBytes(ErrorPath()).size(), kHeaderLength + kStampLength + 2048 + 2);
}

TEST_F(DebugControllerTest, TwoThreadsLoggingAtOnceLeaveWholeLines) {
    logs->SetLogFiles(3, folder.Str().c_str(), 0);
    constexpr int kLines = 10000;
    auto writer = [&](char tag) {
        for (int i = 0; i < kLines; ++i)
            logs->Log(LOG_ERROR, 0, "%c-%05d-%c", tag, i, tag);
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    int counts[2] = {0, 0};
    for (const std::string& line : Lines(ErrorPath())) {
        ASSERT_EQ(line.size(), 9u) << line;
        ASSERT_TRUE(line[0] == 'a' || line[0] == 'b') << line;
        ASSERT_EQ(line[0], line[8]) << line;
        ++counts[line[0] - 'a'];
    }
    EXPECT_EQ(counts[0], kLines);
    EXPECT_EQ(counts[1], kLines);
}
}  // namespace
