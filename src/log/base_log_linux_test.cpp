// A log file taken away while the collector holds it, which only Linux
// allows: the next line starts a new file at the log's path.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fakes/fake_clock.h"
#include "log/log_files.h"
#include "support/temp_folder.h"

namespace {
TEST(BaseLog, DeletedOrMovedFileIsStartedAnew) {
    CTempFolder folder;
    CFakeClock clock({2026, 12, 7, 9, 5, 3, 42});
    const std::string path = folder.File("QLOCollector.log");
    const std::string moved = folder.File("moved.log");
    const std::string header = "QLO Information Log\r\n" + std::string(44, '-') + "\r\n";
    auto line = [](const std::string& text) { return "07/12/2026 09:05:03.042 " + text + "\r\n"; };
    CInfoLog log;
    ASSERT_EQ(log.SetPath(path.c_str()), 1);
    ASSERT_EQ(log.Write("one", 3), 1);
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_EQ(log.Write("two", 3), 1);
    EXPECT_EQ(ReadFileBytes(path), header + line("two"));
    ASSERT_EQ(std::rename(path.c_str(), moved.c_str()), 0);
    ASSERT_EQ(log.Write("three", 5), 1);
    ASSERT_EQ(log.Write("four", 4), 1);
    EXPECT_EQ(ReadFileBytes(path), header + line("three") + line("four"));
    EXPECT_EQ(ReadFileBytes(moved), header + line("two"));
}
}  // namespace
