// What the collector keeps through a crash, a kill or a power cut, a busy or
// full database, a stop that cannot wait, and the changes of daylight saving
// time. A crash is played by ending a time manager without its orderly stop
// (Restart), as a kill leaves it.
#include <filesystem>
#include <fstream>

#include "core/activity_checkpoint.h"
#include "core/forget_span.h"
#include "core/time_manager_test_fixture.h"
#include "platform/durable_file.h"
#include "support/small_volume.h"

namespace {
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

// The two copies of the checkpoint, as bytes.
using CCopies = std::pair<std::string, std::string>;
CCopies ReadCopies(const std::string& path) { return {ReadFileBytes(path + ".0"), ReadFileBytes(path + ".1")}; }
void WriteCopy(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}
void WriteCopies(const std::string& path, const CCopies& copies) {
    WriteCopy(path + ".0", copies.first);
    WriteCopy(path + ".1", copies.second);
}

class Recovery : public TimeManagerTest {
protected:
    void SetUp() override { ASSERT_EQ(Init(), 1); }
    std::string Checkpoint() const { return tm->CheckpointPath(); }
    // The text of a checkpoint as a crash leaves it: `count` finished
    // activities of ten seconds each from `from` ("draft 0", "draft 1", ...)
    // and the activity in progress after them, for ten seconds up to the last
    // moment.
    std::string Backlog(int count, int64_t from) const {
        CCheckpointState state;
        CWinProcess process(kEditor, "");
        process.SetFileName("Editor.exe");
        process.SetPath("C:\\Apps\\Editor.exe");
        CWinActivity activity(ActivityType::Active);
        activity.SetUser(CUser("HOST", "alice"));
        for (int i = 0; i <= count; ++i, from = After(from, 10)) {
            process.SetTitle(i < count ? ("draft " + std::to_string(i)).c_str() : "notes.txt - Editor");
            activity.SetProcess(process);
            activity.SetStartMoment({from, 0});
            activity.SetFinishMoment({After(from, 10), 0});
            activity.UpdateDuration();
            if (i < count) state.pending.push_back(activity);
        }
        state.hasCurrent = true;
        state.current = activity;
        state.last = activity.GetFinishMoment();
        return EncodeCheckpoint(state);
    }
    void WriteCheckpoint(const std::string& text) {
        CDurableFile file;
        file.SetPath(Checkpoint());
        ASSERT_EQ(file.Write(text), 1);
    }
    // Ticks every `stepSeconds` for `count` steps by moving the clock on in
    // elapsed time.
    void TickEvery(int stepSeconds, int count) {
        for (int i = 0; i < count; ++i) {
            clock.Advance(stepSeconds * 1000);
            tm->OnEvent(EVENT_CHECK_ACTIVITY);
        }
    }
};

TEST_F(Recovery, ACrashCostsAtMostTheTimeSinceTheLastCheckpointAndNeverARowTwice) {
    StartAt(20261207090000);
    TickThrough(20261207090000, 20261207090229);
    ASSERT_EQ(Restart(), 1);  // killed at 09:02:29: the checkpoint of 09:02:00 holds the activity
    StartAt(20261207090500);
    ASSERT_EQ(Restart(), 1);  // killed again at once
    StartAt(20261207090510);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090520);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090200 120 1 notes.txt - Editor",
                             "20261207090200-20261207090500 180 4 notes.txt - Editor",
                             "20261207090500-20261207090510 10 4 notes.txt - Editor",
                             "20261207090510-20261207090520 10 1 notes.txt - Editor"}));
}

TEST_F(Recovery, ARowStoredJustBeforeTheCrashIsNotStoredAgain) {
    StartAt(20261207090000);
    TickThrough(20261207090000, 20261207090040);
    const CCopies before = ReadCopies(Checkpoint());
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090041);                 // the row is stored ...
    WriteCopies(Checkpoint(), before);  // ... and the crash comes before the checkpoint names the next one
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090100);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090041 41 1 notes.txt - Editor",
                             "20261207090041-20261207090100 19 4 todo.txt - Editor"}));
}

TEST_F(Recovery, AWriteCutShortCostsOneCheckpointAndTwoAreIgnoredWithOneLine) {
    StartAt(20261207090000);
    TickThrough(20261207090000, 20261207090105);  // written at :00, :30, 01:00
    // The write of 01:00 was cut short: the copy of 00:30 is used.
    const CCopies copies = ReadCopies(Checkpoint());
    const bool firstIsNewest = copies.first.find("last 20261207090100") != std::string::npos;
    const std::string& newest = firstIsNewest ? copies.first : copies.second;
    ASSERT_NE(newest.find("last 20261207090100"), std::string::npos);
    WriteCopy(Checkpoint() + (firstIsNewest ? ".0" : ".1"), newest.substr(0, newest.size() - 10));
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090200);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090030 30 1 notes.txt - Editor",
                             "20261207090030-20261207090200 90 4 notes.txt - Editor"}));
    // Both copies spoilt: the checkpoint is ignored.
    for (const char* copy : {".0", ".1"})
        WriteCopy(Checkpoint() + copy, "torn");
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090300);
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::RecoverCheckpoint (3) A copy of the checkpoint"), 1);
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::RecoverCheckpoint (1) The checkpoint"), 1);
}

TEST_F(Recovery, AReaderHoldingBothFilesDelaysTheRowsButLosesNoneAndLeavesNoIdZero) {
    StartAt(20261207090000);
    CRawDatabase sysReader(DbFile("sys.db")), actReader(DbFile("act1226.db"));
    ASSERT_EQ(sysReader.Exec("begin; select count(*) from T_Apps;"), SQLITE_OK);
    ASSERT_EQ(actReader.Exec("begin; select count(*) from T_Activities;"), SQLITE_OK);
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090010);
    Show(kBrowserWindow, "News - Firefox");
    At(20261207090020);
    TickThrough(20261207090020, 20261207090030);  // 30 s of a reader's transaction
    ASSERT_EQ(sysReader.Exec("commit"), SQLITE_OK);
    ASSERT_EQ(actReader.Exec("commit"), SQLITE_OK);
    EXPECT_EQ(Rows(), Texts{});
    At(20261207090031);
    Show(kEditorWindow, "notes.txt - Editor");
    At(20261207090040);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090010 10 1 notes.txt - Editor",
                             "20261207090010-20261207090020 10 1 Budget.xlsx",
                             "20261207090020-20261207090040 20 1 News - Firefox"}));
    CRawDatabase act(DbFile("act1226.db"));
    EXPECT_EQ(act.Value("select count(*) from T_Activities where Id_User = 0 or Id_App = 0"), "0");
}

TEST_F(Recovery, AFullDiskKeepsTheRowsAndTheyAreStoredOnceThereIsSpace) {
    tm.reset();
    fs::remove_all(dbFolder);
    fs::create_directories(dbFolder);
    CSmallVolume volume(dbFolder, 512 * 1024);
    if (!volume.Usable()) GTEST_SKIP() << volume.Why();
    ASSERT_EQ(Init(), 1);
    StartAt(20261207090000);
    ASSERT_TRUE(volume.Fill());
    for (int i = 1; i <= 5; ++i) {
        Show(kEditorWindow, "draft " + std::to_string(i));
        At(20261207090000 + i * 10);
    }
    EXPECT_EQ(Rows(), Texts{});
    volume.Free();
    At(20261207090051);
    EXPECT_EQ(Rows(),
              (Texts{"20261207090000-20261207090010 10 1 notes.txt - Editor",
                     "20261207090010-20261207090020 10 1 draft 1", "20261207090020-20261207090030 10 1 draft 2",
                     "20261207090030-20261207090040 10 1 draft 3", "20261207090040-20261207090050 10 1 draft 4"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::WriteCheckpoint (1)"), 2) << "one line, and one when it ended";
}

TEST_F(Recovery, AStopMeetingALockedDatabaseEndsAtOnceAndTheNextStartStoresWhatItKept) {
    StartAt(20261207090000);
    TickThrough(20261207090000, 20261207090100);
    {
        CRawDatabase holder(DbFile("act1226.db"));
        ASSERT_EQ(holder.Exec("begin exclusive"), SQLITE_OK);
        clock.Set(Time(20261207090105));
        const int64_t slept = clock.SleptMilliseconds();
        EXPECT_EQ(tm->StopAndSaveActivity(), -2);
        EXPECT_LT(clock.SleptMilliseconds() - slept, 1000) << "each operation tried once, without its pauses";
    }
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207091000);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090105 65 1 notes.txt - Editor",
                             "20261207090105-20261207091000 535 4 notes.txt - Editor"}));
}

TEST_F(Recovery, AFullCheckpointIsTakenBackWholeAndAStopStoresItInAFewTransactionsWithoutAPause) {
    WriteCheckpoint(Backlog(2000, 20261207000000));
    {
        CRawDatabase holder(DbFile("act1226.db"));
        ASSERT_EQ(holder.Exec("begin exclusive"), SQLITE_OK);
        StartAt(20261207090000);  // the file is held by another program: everything waits
    }
    clock.Set(Time(20261207090010));
    const int64_t slept = clock.SleptMilliseconds();
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    EXPECT_EQ(clock.SleptMilliseconds() - slept, 0) << "no pause without a failure";
    CRawDatabase act(DbFile("act1226.db"));
    EXPECT_EQ(act.Value("select count(distinct Title) || ' ' || count(*) || ' ' || min(StartDate) from T_Activities "
                        "where Title like 'draft %'"),
              "2000 2000 20261207000000");
    EXPECT_EQ(act.Value("select group_concat(StartDate || '-' || FinishDate || ' ' || Id_ActivityType, ', ') from "
                        "T_Activities where Title = 'notes.txt - Editor'"),
              "20261207053320-20261207053330 1, 20261207053330-20261207090000 4, 20261207090000-20261207090010 1");
}

TEST_F(Recovery, ImpossibleRecordsOfAWholeCopyAreSetAsideWithALineAndTheOthersAreStored) {
    std::string text = Backlog(7, 20261207080000);
    // Rows 1 to 5 get numbers the collector cannot have written.
    for (const auto& [good, bad] : std::vector<std::pair<std::string, std::string>>{
             {"20261207080010 0 20261207080020 0 10", "123456789012345678901234 0 20261207080020 0 10"},
             {"20261207080020 0 20261207080030 0 10", "0 0 20261207080030 0 10"},
             {"20261207080030 0 20261207080040 0 10", "20261207080040 0 20261207080030 0 10"},
             {"20261207080040 0 20261207080050 0 10", "20261207080040 0 20261207080050 0 -10"},
             {"20261207080050 0 20261207080100 0 10", "-9223372036854775808 0 9223372036854775807 0 10"}}) {
        ASSERT_NE(text.find(good), std::string::npos) << good;
        text.replace(text.find(good), good.size(), bad);
    }
    WriteCheckpoint(text);
    StartAt(20261207090000);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090010);
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080010 10 1 draft 0", "20261207080100-20261207080110 10 1 draft 6",
                             "20261207080110-20261207080120 10 1 notes.txt - Editor",
                             "20261207080120-20261207090000 3520 4 notes.txt - Editor",
                             "20261207090000-20261207090010 10 1 notes.txt - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "An impossible activity of the checkpoint"), 5);
    EXPECT_EQ(CountContaining(errorLog, "is set aside: pending Editor.exe draft 4: an impossible duration"), 1);
}

TEST_F(Recovery, ARowTheDatabaseRefusesIsSetAsideAndNeverHoldsUpTheRowsBehindIt) {
    StartAt(20261207090000);
    CRawDatabase act(DbFile("act1226.db"));
    ASSERT_EQ(act.Exec("create trigger refuse before insert on T_Activities when new.Title = 'notes.txt - Editor' "
                       "begin select raise(abort, 'refused'); end"),
              SQLITE_OK);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090010);  // refused, and nothing behind it tells whose fault that is: it waits
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090020);  // the row behind it is stored: the refused one is set aside
    Show(kEditorWindow, "plan.txt - Editor");
    At(20261207090030);
    EXPECT_EQ(Rows(), (Texts{"20261207090010-20261207090020 10 1 todo.txt - Editor",
                             "20261207090020-20261207090030 10 1 Budget.xlsx"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog,
                              "An activity that cannot be stored is set aside: 20261207090000-20261207090010 "
                              "(10) (A) editor.exe notes.txt - Editor"),
              1);
}

// ---- Daylight saving time (Europe/Berlin, 2026) ----

TEST_F(Recovery, TheSpringChangeMakesNoOfflineRowAndTheDurationIsTheElapsedTime) {
    tm.reset();
    clock.UseBerlinTime();
    clock.Set(Time(20260329015930));
    ASSERT_EQ(Init(), 1);
    StartAt(20260329015930);
    TickEvery(10, 4);  // 01:59:40 .. 03:00:10: the clock jumps an hour
    Show(kEditorWindow, "todo.txt - Editor");
    TickEvery(10, 1);
    EXPECT_EQ(Rows("act0326.db"), Texts{"20260329015930-20260329030020 50 1 notes.txt - Editor"});
}

TEST_F(Recovery, TheAutumnChangeNeitherShortensNorDoublesTheActivity) {
    tm.reset();
    clock.UseBerlinTime();
    clock.Set(Time(20261025025930));  // summer time
    ASSERT_EQ(Init(), 1);
    StartAt(20261025025930);
    TickEvery(10, 5);  // 02:59:40 .. 02:00:20, winter time
    Show(kEditorWindow, "todo.txt - Editor");
    TickEvery(10, 1);
    EXPECT_EQ(Rows("act1026.db"), Texts{"20261025025930-20261025020030 60 1 notes.txt - Editor"});
}

TEST_F(Recovery, AGapAcrossTheSpringChangeIsTheElapsedTime) {
    tm.reset();
    clock.UseBerlinTime();
    clock.Set(Time(20260329013000));
    ASSERT_EQ(Init(), 1);
    StartAt(20260329013000);
    TickEvery(10, 1);
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    clock.Advance(3600 * 1000);  // 02:30 winter time is 03:30 summer time
    ASSERT_EQ(Restart(), 1);
    tm->FindLastActivity(NowMoment());
    EXPECT_EQ(Rows("act0326.db"), (Texts{"20260329013000-20260329013010 10 1 notes.txt - Editor",
                                         "20260329013010-20260329033010 3600 4 notes.txt - Editor"}));
}

// ---- A failure that comes back at every check ----

TEST_F(Recovery, NoWindowAtAllIsLoggedOnceThenHourlyAndOnceMoreWhenItEnds) {
    StartAt(20261207090000);
    desktop.SetForeground(0);
    TickThrough(20261207090000, 20261207090100);  // the first line, then 59 quiet ones
    clock.SetTickCount(clock.TickCount() + 3600 * 1000);
    At(20261207090101);  // an hour on
    At(20261207090102);
    desktop.SetForeground(kEditorWindow);
    At(20261207090103);
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "OnCheckActivity (1) GetCurrentActivity = -52"), 3);
    EXPECT_EQ(CountContaining(errorLog, "GetCurrentActivity = -52 (repeated 60 more times, still going on)"), 1);
    EXPECT_EQ(CountContaining(errorLog, "GetCurrentActivity = -52 (repeated 1 more times, ended)"), 1);
    EXPECT_EQ(CountContaining(errorLog, "OnCheckActivity (2) GetCurrentActivity NULL"), 3);
}
}  // namespace

TEST_F(Recovery, AForgetRequestCleansWhatTheCollectorHoldsAndBothCheckpointCopies) {
    const std::string request = ForgetRequestPath(dbFolder, kPathSeparator);
    EXPECT_EQ(tm->ForgetRequested(), 0);
    StartAt(20261207090000);
    Show(kEditorWindow, "private letter - Editor");
    At(20261207090010);
    TickThrough(20261207090010, 20261207090040);
    ASSERT_EQ(WriteForgetRequest(request, {20261207090005, 20261207090040, false}), 1);
    EXPECT_EQ(tm->ForgetRequested(), 1);
    EXPECT_FALSE(fs::exists(request));  // the sender's sign that it is done
    EXPECT_EQ(FilesHolding(dbFolder, {"private"}), "");
    Show(kEditorWindow, "todo.txt - Editor");
    TickThrough(20261207090040, 20261207090050);
    // Whole: the activity in progress ends as nothing recorded, and the
    // next one begins where it ended.
    ASSERT_EQ(WriteForgetRequest(request, {20261207090045, 20261207090050, true}), 1);
    EXPECT_EQ(tm->ForgetRequested(), 1);
    EXPECT_EQ(FilesHolding(dbFolder, {"todo"}), "");
    At(20261207090052);
    EXPECT_EQ(Rows(),
              (Texts{"20261207090000-20261207090010 10 1 notes.txt - Editor", "20261207090010-20261207090041 31 1 ",
                     "20261207090041-20261207090050 9 4 ", "20261207090050-20261207090052 2 1 "}));
}
