// The read-only reader of a data folder: totals across month files, rows in
// time order, what it says of missing and broken files, finding a row, never
// changing a file, and a collector saving while it reads.
#include "storage/activity_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "fakes/fake_clock.h"
#include "platform/path.h"
#include "platform/text.h"
#include "storage/db_manager.h"
#include "support/activity_folder.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

namespace {
std::map<int32_t, int64_t> AsMap(const CBaseStorage<CGroupItem>& rows) {
    std::map<int32_t, int64_t> sums;
    CGroupItem row;
    for (int32_t i = 0; i < rows.Count(); ++i)
        if (rows.Pop(i, row) == 1) sums[row.GetId()] += row.GetDuration();
    return sums;
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFileBytes(entry.path().string());
    return files;
}

class ActivityReader : public ::testing::Test {
protected:
    CTempFolder temp;
    CSampleFolder sample{temp.Str()};
    CActivityReader reader{temp.Str()};
    void SetUp() override { ASSERT_EQ(reader.Open(), 1); }
    FileState StateOf(const std::string& name) {
        for (const CFileReport& file : reader.Files())
            if (file.path == temp.File(name)) return file.state;
        return FileState::Read;
    }
};

TEST_F(ActivityReader, TotalsOfEveryGroupingEqualTheSumsOfTheRowsAcrossMonthsAndAMissingMonthIsNoted) {
    const ReportGrouping groupings[] = {ReportGrouping::ActivityType, ReportGrouping::App,     ReportGrouping::User,
                                        ReportGrouping::Site,         ReportGrouping::Project, ReportGrouping::Task};
    for (ReportGrouping by : groupings) {
        CBaseStorage<CGroupItem> totals;
        ASSERT_EQ(reader.Totals(by, CSampleFolder::kFrom, CSampleFolder::kTo, totals), 1);
        EXPECT_EQ(AsMap(totals), ExpectedTotals(sample.rows, by, CSampleFolder::kFrom, CSampleFolder::kTo))
            << static_cast<int>(by);
    }
    // Largest first; the two long rows pass 2^32 seconds together.
    CBaseStorage<CGroupItem> tasks;
    reader.Totals(ReportGrouping::Task, CSampleFolder::kFrom, CSampleFolder::kTo, tasks);
    CGroupItem first;
    tasks.Pop(0, first);
    EXPECT_EQ(first.GetId(), 2);
    EXPECT_GT(first.GetDuration(), int64_t{1} << 32);
    EXPECT_EQ(StateOf("act0226.db"), FileState::Missing);
    EXPECT_EQ(StateOf("act0326.db"), FileState::Read);
    // A range of the missing month alone has no data.
    EXPECT_EQ(reader.Totals(ReportGrouping::Task, 20260201000000, 20260228235959, tasks), CActivityReader::kNoData);
}

TEST_F(ActivityReader, RowsComeInTimeOrderOrAsStoredWithTheirTextsAndAVisitCanStop) {
    std::vector<std::pair<int64_t, std::string>> expected;
    for (const CStoredRow& row : sample.rows)
        if (row.start >= 20260401000000 && row.start <= CSampleFolder::kTo) expected.push_back({row.start, row.title});
    std::vector<std::pair<int64_t, std::string>> stored, timed;
    ASSERT_EQ(reader.VisitRows(
                  20260401000000, CSampleFolder::kTo,
                  [&](const CDBActivity& row) {
                      stored.push_back({row.GetStartDate(), NarrowToUtf8(row.GetTitle())});
                      return true;
                  },
                  RowColumns::All, RowOrder::Stored),
              1);
    EXPECT_EQ(stored, expected);
    // The row stored last (the clock was set back) starts first.
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    ASSERT_EQ(reader.VisitRows(20260401000000, CSampleFolder::kTo,
                               [&](const CDBActivity& row) {
                                   timed.push_back({row.GetStartDate(), NarrowToUtf8(row.GetTitle())});
                                   return true;
                               }),
              1);
    EXPECT_EQ(timed, expected);
    EXPECT_EQ(timed[8].first, 20260415070000);

    // Across months, in order, without texts, stopped after three rows.
    int64_t last = 0;
    int count = 0;
    ASSERT_EQ(reader.VisitRows(
                  CSampleFolder::kFrom, CSampleFolder::kTo,
                  [&](const CDBActivity& row) {
                      EXPECT_GE(row.GetStartDate(), last);
                      EXPECT_STREQ(row.GetTitle(), "");
                      last = row.GetStartDate();
                      return ++count < 3;
                  },
                  RowColumns::Timeline),
              1);
    EXPECT_EQ(count, 3);
}

TEST_F(ActivityReader, FindsTheRowAtAMomentAndTheLastRow) {
    CDBActivity row;
    ASSERT_EQ(reader.FindRowAt(20260315081030, row), 1);
    EXPECT_EQ(row.GetStartDate(), 20260315081000);
    // Its finish still belongs to it; the gap after it to no row.
    ASSERT_EQ(reader.FindRowAt(20260315081200, row), 1);
    EXPECT_EQ(row.GetStartDate(), 20260315081000);
    EXPECT_EQ(reader.FindRowAt(20260315081500, row), CActivityReader::kNoData);
    EXPECT_EQ(reader.FindRowAt(20260215080000, row), CActivityReader::kNoData);
    // The newest file is April's; from a later month it is found going back.
    ASSERT_EQ(reader.FindLastRow(20260620120000, row), 1);
    EXPECT_EQ(row.GetStartDate(), 20260428091000);
}

TEST_F(ActivityReader, NamesAFileThatIsNoDatabaseOrLacksItsTableAndAMissingFolder) {
    std::ofstream(temp.File("act0526.db")) << "not a database at all, just text";
    CBaseStorage<CGroupItem> totals;
    EXPECT_EQ(reader.Totals(ReportGrouping::Project, CSampleFolder::kFrom, 20260531235959, totals),
              CActivityReader::kBadFile);
    EXPECT_EQ(StateOf("act0526.db"), FileState::NotDatabase);
    { CRawDatabase(temp.File("act0626.db")).Exec("create table T_Other (x)"); }
    EXPECT_EQ(reader.VisitRows(20260601000000, 20260630235959, [](const CDBActivity&) { return true; }),
              CActivityReader::kBadFile);
    EXPECT_EQ(StateOf("act0626.db"), FileState::NoTable);
    // A reader running beside it: what it met is taken in, each file once, a failure kept.
    CActivityReader beside(reader.Folder());
    EXPECT_EQ(beside.VisitRows(20260501000000, 20260630235959, [](const CDBActivity&) { return true; }),
              CActivityReader::kBadFile);
    const size_t met = reader.Files().size();
    reader.Absorb(beside);
    EXPECT_EQ(reader.Files().size(), met);
    EXPECT_EQ(StateOf("act0526.db"), FileState::NotDatabase);

    CActivityReader nowhere(temp.File("none"));
    EXPECT_EQ(nowhere.Open(), -8);
    std::filesystem::remove(temp.File("func.db"));
    CActivityReader withoutCatalogue(temp.Str());
    EXPECT_EQ(withoutCatalogue.Open(), CActivityReader::kNoData);
    EXPECT_EQ(withoutCatalogue.Files().back().state, FileState::Missing);
}

TEST_F(ActivityReader, ReadingChangesNoFileAndCreatesNone) {
    const auto before = Snapshot(temp.Path());
    CBaseStorage<CGroupItem> totals;
    CDBActivity row;
    reader.Totals(ReportGrouping::Site, 20260101000000, 20261231235959, totals);
    reader.VisitRows(20260101000000, 20261231235959, [](const CDBActivity&) { return true; });
    reader.FindLastRow(20261231000000, row);
    EXPECT_EQ(Snapshot(temp.Path()), before);
}

// The collector saving into the month being read: the reader holds its files
// open throughout, but locks one only while a statement runs, never while it
// hands rows on or between its reads, so every save gets in at its first
// attempt (the fake clock shows no retry pause).
TEST(ActivityReaderWhileSaving, EverySaveGetsInAtItsFirstAttempt) {
    CFakeClock clock;
    CTempFolder temp;
    constexpr int64_t kDay = 20261210000000;
    {
        CActivityFolder data(temp.Str());
        CStoredRow row;
        row.start = kDay + 80000;
        row.finish = kDay + 80001;
        row.duration = 1;
        data.AddRows(std::vector<CStoredRow>(5000, row));
    }
    CDBManager manager;
    ASSERT_EQ(manager.SetPath(temp.Str().c_str(), 0), 1);
    ASSERT_EQ(manager.Initialization(), 1);
    CWinProcess process(1, "a title");
    process.SetFileName("editor.exe");
    process.SetPath("C:\\editor.exe");
    CWinActivity activity(ActivityType::Active);
    activity.SetProcess(process);
    activity.SetUser(CUser("HOST", "alice"));
    ASSERT_EQ(manager.ResolveActivityIds(activity), 1);
    ASSERT_GE(manager.CheckADB(kDay), 1);
    int saves = 0;
    auto save = [&] {
        const uint32_t before = clock.TickCount();
        activity.SetDates(kDay + 90000 + saves, kDay + 90001 + saves);
        activity.SetDuration(1);
        ++saves;
        // One attempt: the pause before the insert, and no 200 ms retry pause.
        return manager.AddActivity(activity) == 1 && clock.TickCount() - before < 200;
    };

    CActivityReader reader(temp.Str());
    ASSERT_EQ(reader.Open(), 1);
    int visited = 0;
    ASSERT_EQ(reader.VisitRows(kDay, kDay + 235959,
                               [&](const CDBActivity&) {
                                   if (++visited % 1000 == 0) {
                                       EXPECT_TRUE(save()) << visited;
                                   }
                                   return true;
                               }),
              1);
    CBaseStorage<CGroupItem> totals;
    for (ReportGrouping by : {ReportGrouping::App, ReportGrouping::ActivityType}) {
        ASSERT_EQ(reader.Totals(by, kDay, kDay + 235959, totals), 1);
        EXPECT_TRUE(save());
    }
    EXPECT_EQ(visited, 5000);
    EXPECT_EQ(CRawDatabase(temp.File("act1226.db")).Count("T_Activities"), 5000 + saves);
}
}  // namespace
