// The tracking cycle driven event by event across the clock situations the
// collector meets: steady work, gaps, midnight, month ends, locking, restarts
// and clock changes, and the daily run of details that expire. Rows are read
// back from the real activity files.
#include <filesystem>
#include <string>
#include <vector>

#include "core/activity_checkpoint.h"
#include "core/keep_details_setting.h"
#include "core/time_manager_test_fixture.h"
#include "platform/text.h"
#include "storage/changed_ranges.h"
#include "support/activity_folder.h"

namespace {
using Texts = std::vector<std::string>;

class TrackingCycle : public TimeManagerTest {
protected:
    void SetUp() override { ASSERT_EQ(Init(), 1); }
};

TEST_F(TrackingCycle, ChecksOfTheSameWindowExtendItsRowAndAChangeStartsTheNextWhereItEnded) {
    StartAt(20261207090000);
    // 90 checks a second apart: each extends the row, so none sees a gap.
    TickThrough(20261207090000, 20261207090130);
    EXPECT_EQ(Rows(), Texts{});
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090131);
    At(20261207090132);
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090140);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090131 91 1 notes.txt - Editor",
                             "20261207090131-20261207090140 9 1 todo.txt - Editor"}));
}

TEST_F(TrackingCycle, MoreThanSixtySecondsWithoutACheckBecomeAnOfflineRow) {
    StartAt(20261207090000);
    At(20261207090010);
    At(20261207090111);  // 61 s later
    At(20261207090211);  // 60 s later: no gap
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090212);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090010 10 1 notes.txt - Editor",
                             "20261207090010-20261207090111 61 4 notes.txt - Editor",
                             "20261207090111-20261207090212 61 1 notes.txt - Editor"}));
}

TEST_F(TrackingCycle, AnActivityGoingOnPastMidnightIsSplitAtTheFirstCheckOfTheNewDay) {
    StartAt(20261207235958);
    At(20261207235959);
    At(20261208000001);
    At(20261208000002);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261208000005);
    EXPECT_EQ(Rows(), (Texts{"20261207235958-20261208000001 3 1 notes.txt - Editor",
                             "20261208000001-20261208000005 4 1 notes.txt - Editor"}));
}

TEST_F(TrackingCycle, AGapFoundWhileRunningIsSplitAtTheEndOfItsDayAndTheStartOfTodayAsAtAStart) {
    StartAt(20261231235900);
    At(20261231235930);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20270101001000);  // the computer slept into the new year
    At(20270101001005);
    EXPECT_EQ(Rows("act1226.db"), (Texts{"20261231235900-20261231235930 30 1 notes.txt - Editor",
                                         "20261231235930-20261231235959 29 4 todo.txt - Editor"}));
    EXPECT_EQ(Rows("act0127.db"), Texts{"20270101000000-20270101001000 600 4 todo.txt - Editor"});
}

TEST_F(TrackingCycle, ChecksWaitLongerOnlyWhileNothingCanChangeUnannounced) {
    constexpr std::intptr_t kNotice = 42;
    auto nextWait = [&](std::intptr_t expectedHandle) {
        std::intptr_t handle = 7;
        const uint32_t waitMs = tm->NextCheckWait(1000, handle);
        EXPECT_EQ(handle, expectedHandle);
        return waitMs;
    };
    StartAt(20261207235900);
    At(20261207235901);
    EXPECT_EQ(nextWait(-1), 1000u);  // a desktop that cannot tell
    desktop.CountChanges();
    At(20261207235902);
    EXPECT_EQ(nextWait(-1), 1000u);  // nor announce
    desktop.SetChangeNotice(kNotice);
    At(20261207235903);
    EXPECT_EQ(nextWait(kNotice), 5000u);
    desktop.SetTitle(kEditorWindow, "notes.txt * - Editor");  // not seen by a check yet
    EXPECT_EQ(nextWait(-1), 1000u);
    At(20261207235904);
    EXPECT_EQ(nextWait(kNotice), 5000u);
    // The day's last seconds are checked every second, and the new day's again less often.
    At(20261207235955);
    EXPECT_EQ(nextWait(-1), 1000u);
    At(20261208000000);
    EXPECT_EQ(nextWait(kNotice), 5000u);
    EXPECT_EQ(Rows(), (Texts{"20261207235900-20261207235904 4 1 notes.txt - Editor",
                             "20261207235904-20261208000000 56 1 notes.txt * - Editor"}));
}

TEST_F(TrackingCycle, AnActivityBeginningInANewMonthGoesIntoThatMonthsFile) {
    StartAt(20261231235958);
    At(20261231235959);
    At(20270101000001);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20270101000004);
    EXPECT_EQ(Rows("act1226.db"), Texts{"20261231235958-20270101000001 3 1 notes.txt - Editor"});
    EXPECT_EQ(Rows("act0127.db"), Texts{"20270101000001-20270101000004 3 1 notes.txt - Editor"});
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::SaveLastActivity (1) actdb was changed"), 1);
}

TEST_F(TrackingCycle, LockingStoresTheWorkUpToTheLockAndKeepsItsProgramInTheLockedRow) {
    StartAt(20261207090000);
    At(20261207090030);
    At(20261207090040, EVENT_LOCK);
    // The checkpoint names the Locked row at once: it has lasted nothing yet,
    // whatever the row it took its program from had lasted.
    CActivityCheckpoint checkpoint;
    checkpoint.SetFolder(std::filesystem::path(tm->CheckpointPath()).parent_path().string(),
                         static_cast<char>(std::filesystem::path::preferred_separator));
    CCheckpointState state;
    std::string why;
    int damaged = 0;
    ASSERT_EQ(checkpoint.Read(state, why, damaged), 1) << why;
    EXPECT_TRUE(state.rejected.empty()) << state.rejected.front();
    ASSERT_TRUE(state.hasCurrent);
    EXPECT_EQ(state.current.GetType(), ActivityType::Locked);
    // Whatever comes to the front while locked belongs to the Locked row.
    Show(kBrowserWindow, "Lock screen");
    At(20261207090100);
    At(20261207090200);
    At(20261207090300);
    Show(kEditorWindow, "notes.txt - Editor");
    At(20261207090330, EVENT_UNLOCK);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090400);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090040 40 1 notes.txt - Editor",
                             "20261207090040-20261207090330 170 3 notes.txt - Editor",
                             "20261207090330-20261207090400 30 1 notes.txt - Editor"}));
    CRawDatabase sys(DbFile("sys.db"));
    CRawDatabase act(DbFile("act1226.db"));
    EXPECT_EQ(act.Value("select group_concat(distinct Id_App) from T_Activities"),
              sys.Value("select Id_App from T_Apps where FileName='editor.exe'"));
}

TEST_F(TrackingCycle, SettingTheClockBackEndsTheActivityAtItsLastCheckAndForwardGivesAnOfflineRow) {
    StartAt(20261207090000);
    At(20261207090030);
    At(20261207085530, EVENT_CHANGE_TIME);  // five minutes back
    At(20261207085531);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207085600);
    At(20261207085610);
    At(20261207090610, EVENT_CHANGE_TIME);  // ten minutes forward
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090620);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090030 30 1 notes.txt - Editor",
                             "20261207085530-20261207085600 30 1 notes.txt - Editor",
                             "20261207085600-20261207085610 10 1 todo.txt - Editor",
                             "20261207085610-20261207090610 600 4 todo.txt - Editor",
                             "20261207090610-20261207090620 10 1 todo.txt - Editor"}));
}

TEST_F(TrackingCycle, AClockSetBackIntoThePreviousDaySeenByACheckBeforeItsEventEndsTheActivityThere) {
    StartAt(20261208000010);
    At(20261208000020);
    At(20261207235900);  // the check comes before the clock's event
    At(20261207235900, EVENT_CHANGE_TIME);
    At(20261207235930);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207235940);
    EXPECT_EQ(Rows(), (Texts{"20261208000010-20261208000020 10 1 notes.txt - Editor",
                             "20261207235900-20261207235940 40 1 notes.txt - Editor"}));
}

TEST_F(TrackingCycle, AClockMovedForwardAcrossDaysIsCutAtTheStartOfTheNewDay) {
    StartAt(20261207235900);
    At(20261208001000, EVENT_CHANGE_TIME);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261208001005);
    EXPECT_EQ(Rows(), (Texts{"20261207235900-20261208000000 60 4 notes.txt - Editor",
                             "20261208000000-20261208001000 600 4 notes.txt - Editor",
                             "20261208001000-20261208001005 5 1 notes.txt - Editor"}));
}

TEST_F(TrackingCycle, AnActivityOfNoLengthIsReportedAndNotStored) {
    StartAt(20261207090000);
    Show(kEditorWindow, "B - Editor");
    At(20261207090005);
    Show(kEditorWindow, "C - Editor");
    At(20261207090005);
    Show(kEditorWindow, "D - Editor");
    At(20261207090009);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090005 5 1 notes.txt - Editor",
                             "20261207090005-20261207090009 4 1 C - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog,
                              "CTimeManager::SaveLastActivity (3) GetDuration() = 0 (20261207090005 - "
                              "20261207090005 title: B - Editor app: editor.exe)"),
              1);
}

TEST_F(TrackingCycle, AnInsertThatKeepsFailingIsTriedSevenTimesAndTheActivityWaitsForTheNextSave) {
    StartAt(20261207090000);
    CRawDatabase act(DbFile("act1226.db"));
    ASSERT_EQ(act.Exec("create trigger refuse before insert on T_Activities begin select raise(abort, 'full'); end"),
              SQLITE_OK);
    Show(kEditorWindow, "todo.txt - Editor");
    const int64_t slept = clock.SleptMilliseconds();
    At(20261207090010);
    // Seven inserts, 200 ms apart.
    EXPECT_EQ(clock.SleptMilliseconds() - slept, 6 * 200);
    At(20261207090011);  // a check's quick retry fails too: one line for both
    At(20261207090012);
    ASSERT_EQ(act.Exec("drop trigger refuse"), SQLITE_OK);
    At(20261207090013);  // the next check stores it
    At(20261207090020, EVENT_LOCK);
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090010 10 1 notes.txt - Editor",
                             "20261207090010-20261207090020 10 1 todo.txt - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "Save activity failed 0 (Add act|) Ret: 0 (0) "), 1);
    EXPECT_EQ(
        CountContaining(errorLog, "Saved activity detals: 20261207090000-20261207090010 (10) (A) editor.exe notes.txt"),
        1);
    EXPECT_EQ(CountContaining(errorLog, "Waiting activities cannot be stored yet: Add act|"), 2);
    EXPECT_EQ(CountContaining(errorLog, "Add act| Ret: 0 (0)  (repeated 1 more times, ended)"), 1);
    EXPECT_EQ(CountContaining(infoLog, "1 waiting activities were stored"), 1);
}

TEST_F(TrackingCycle, AWindowNoProcessCanBeNamedForIsTheSystemPseudoProcess) {
    StartAt(20261207090000);
    desktop.Show(20, 999, "Secure desktop");  // a process nobody can name
    At(20261207090001);
    desktop.Show(kEditorWindow, kEditor, "notes.txt - Editor");
    At(20261207090003);
    CRawDatabase sys(DbFile("sys.db"));
    EXPECT_EQ(sys.Value("select Path from T_Apps where FileName='[SYSTEM]'"), "[SYSTEM PROCESS]");
    // The pseudo-process has no title.
    EXPECT_EQ(Rows()[1], "20261207090001-20261207090003 2 1 ");
}

TEST_F(TrackingCycle, PrivateListsKeepTitlesAddressesAndProgramsOutOfEveryFileAndTheTimeStillCounts) {
    const char key[] = "SOFTWARE\\Belvane\\Orvanta\\Privacy";
    registry.SetString(key, "Titles details", "*diagnosis*");
    registry.SetString(key, "Sites details", "bank.example");
    registry.SetString(key, "Programs nothing", "excel.exe");
    ASSERT_EQ(tm->UpdateRules(), 1);  // the reload reads the lists again
    dde.Serve("firefox", "WWW_GetWindowInfo");
    // No file of `folder` (databases, journals, checkpoint, logs) holds a private text.
    auto traces = [&](const std::string& folder) {
        return FilesHolding(folder, {"diagnosis", "bank.example", "Account - Firefox", "Salaries", "excel", "Inbox"});
    };
    StartAt(20261207090000);
    // The browser's address as its DDE answer gives it ("" none: it may be a listed site).
    const struct {
        WindowHandle window;
        const char* title;
        const char* address;
    } shown[] = {{kEditorWindow, "My diagnosis - Editor", ""},
                 {kBrowserWindow, "Account - Firefox", "https://www.bank.example/account"},
                 {kSheetWindow, "Salaries.xlsx", ""},
                 {kBrowserWindow, "Inbox - Firefox", ""},
                 {kEditorWindow, "notes.txt - Editor", ""}};
    int64_t now = 20261207090000;
    for (const auto& each : shown) {
        dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF", CFakeDde::BrowserReply(each.address, each.title));
        Show(each.window, each.title);
        now = After(now, 10);
        At(now);
        EXPECT_EQ(traces(dbFolder), "") << each.title;  // the logs are held open (unreadable on Windows)
    }
    At(After(now, 5));
    ASSERT_EQ(tm->StopAndSaveActivity(), 1);
    EndAndReadLogs();
    EXPECT_EQ(traces(dataFolder), "");
    EXPECT_EQ(CountContaining(infoLog, "private patterns: details 0 programs, 1 sites, 1 titles; nothing 1 programs"),
              1);
    CRawDatabase act(DbFile("act1226.db"));
    act.Exec("attach '" + DbFile("sys.db") + "' as sys");
    EXPECT_EQ(act.Rows("select a.Duration || ' ' || a.Id_ActivityType || ' ' || p.FileName || ' ' || p.Path || ' ' || "
                       "a.Title || ' ' || ifnull(a.URL, '') || a.Id_Site from T_Activities a join sys.T_Apps p "
                       "on p.Id_App = a.Id_App order by a.Id_Activity"),
              (std::vector<Texts>{{"10 1 editor.exe C:\\Apps\\Editor.exe notes.txt - Editor 0"},
                                  {"10 1 editor.exe C:\\Apps\\Editor.exe private 0"},
                                  {"10 1 firefox.exe C:\\Firefox\\firefox.exe private 0"},
                                  {"10 1 private [PRIVATE] private 0"},
                                  {"10 1 firefox.exe C:\\Firefox\\firefox.exe private 0"},
                                  {"5 1 editor.exe C:\\Apps\\Editor.exe notes.txt - Editor 0"}}));
}

// ---- The start of the collector ----

class CollectorStart : public TimeManagerTest {};

TEST_F(CollectorStart, OnTheDayOfTheLastRowRecordsTheGapSinceThenAsOffline) {
    clock.Set(Time(20261207080000));
    ASSERT_EQ(Init(), 1);
    StartAt(20261207080000);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207080010);
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090000);
    Show(kEditorWindow, "notes.txt - Editor");
    At(20261207090005);
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080010 10 1 notes.txt - Editor",
                             "20261207080010-20261207090000 3590 4 todo.txt - Editor",
                             "20261207090000-20261207090005 5 1 todo.txt - Editor"}));
}

TEST_F(CollectorStart, DaysLaterSplitsTheGapAtTheEndOfThatDayAndTheStartOfToday) {
    clock.Set(Time(20261207080000));
    ASSERT_EQ(Init(), 1);
    StartAt(20261207080000);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207080010);
    ASSERT_EQ(Restart(), 1);
    StartAt(20261209090000);
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080010 10 1 notes.txt - Editor",
                             "20261207080010-20261207235959 57589 4 todo.txt - Editor",
                             "20261209000000-20261209090000 32400 4 todo.txt - Editor"}));
}

TEST_F(CollectorStart, TheFirstStartOfAMonthFindsNoRowAndRecordsNoGap) {
    clock.Set(Time(20261130080000));
    ASSERT_EQ(Init(), 1);
    StartAt(20261130080000);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261130080010);
    clock.Set(Time(20261201090000));
    ASSERT_EQ(Restart(), 1);
    StartAt(20261201090000);
    Show(kEditorWindow, "notes.txt - Editor");
    At(20261201090005);
    EXPECT_EQ(Rows("act1226.db"), Texts{"20261201090000-20261201090005 5 1 todo.txt - Editor"});
    EndAndReadLogs();
    // Seven attempts at each of the two starts, both on an empty file.
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::LoadLastActivity Last DBase Activity = 0"), 14);
}

TEST_F(CollectorStart, AClockBehindTheLastRowStartsWithoutAGap) {
    clock.Set(Time(20261209080000));
    ASSERT_EQ(Init(), 1);
    StartAt(20261209080000);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261209080010);
    ASSERT_EQ(Restart(), 1);
    StartAt(20261208090000);
    Show(kEditorWindow, "notes.txt - Editor");
    At(20261208090005);
    EXPECT_EQ(Rows(), (Texts{"20261209080000-20261209080010 10 1 notes.txt - Editor",
                             "20261208090000-20261208090005 5 1 todo.txt - Editor"}));
}
// A pause: Offline rows of no program while it lasts, whatever is in front,
// locked or moved; capturing again from the moment it ends.
class Pausing : public TimeManagerTest {
protected:
    void SetUp() override { ASSERT_EQ(Init(), 1); }
    void PauseAt(int64_t stamp, int64_t seconds) {
        clock.Set(Time(stamp));
        ASSERT_EQ(tm->Pause(seconds), 1);
    }
};

TEST_F(Pausing, NothingIsCapturedUntilResumeWhichCapturesAtOnce) {
    StartAt(20261207090000);
    At(20261207090010);
    PauseAt(20261207090020, 3600);
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090030);
    At(20261207090300);  // a gap while paused is the same Offline time
    At(20261207090301, EVENT_LOCK);
    At(20261207090302, EVENT_UNLOCK);
    Show(kEditorWindow, "todo.txt - Editor");
    clock.Set(Time(20261207091500));
    EXPECT_EQ(tm->Resume(), 1);
    EXPECT_EQ(tm->Resume(), 0);
    At(20261207091510);
    Show(kEditorWindow, "notes.txt - Editor");
    At(20261207091520);
    EXPECT_EQ(Rows(),
              (Texts{"20261207090000-20261207090020 20 1 notes.txt - Editor", "20261207090020-20261207091500 880 4 ",
                     "20261207091500-20261207091520 20 1 todo.txt - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "Paused until 10:00 (1 h)"), 1);
    EXPECT_EQ(CountContaining(infoLog, "Resumed after 14 min"), 1);
    EXPECT_EQ(CountContaining(infoLog, "Budget"), 0);
    EXPECT_EQ(CountContaining(infoLog, "State: Locked"), 0);
}

TEST_F(Pausing, APauseEndsAtItsTimeAndALockFromWithinItGoesOn) {
    StartAt(20261207090000);
    PauseAt(20261207090020, 90);
    At(20261207090100, EVENT_LOCK);
    At(20261207090149);
    At(20261207090150);  // the pause's end: locked since 09:01
    At(20261207090200, EVENT_UNLOCK);
    At(20261207090210);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090211);
    EXPECT_EQ(Rows(),
              (Texts{"20261207090000-20261207090020 20 1 notes.txt - Editor", "20261207090020-20261207090150 90 4 ",
                     "20261207090150-20261207090200 10 3 ", "20261207090200-20261207090211 11 1 notes.txt - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "Paused until 09:01 (1 min)"), 1);
    EXPECT_EQ(CountContaining(infoLog, "Pause ended after 1 min"), 1);
}

TEST_F(Pausing, WithoutALengthAPauseLastsToMidnight) {
    StartAt(20261207235900);
    PauseAt(20261207235910, 0);
    PauseAt(20261207235920, 0);  // again: the same end, one row
    At(20261207235959);
    At(20261208000000);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261208000005);
    EXPECT_EQ(Rows(),
              (Texts{"20261207235900-20261207235910 10 1 notes.txt - Editor", "20261207235910-20261208000000 50 4 ",
                     "20261208000000-20261208000005 5 1 notes.txt - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "Paused until the end of the day (50 s)"), 1);
}

TEST_F(Pausing, ARestartWithinThePauseGoesOnPausingAndOneAfterItEndsIt) {
    StartAt(20261207090000);
    PauseAt(20261207090010, 3600);
    At(20261207090040);
    clock.Set(Time(20261207091000));
    ASSERT_EQ(Restart(), 1);  // killed at 09:00:40
    Show(kSheetWindow, "Budget.xlsx");
    StartAt(20261207091000);
    At(20261207091030);
    clock.Set(Time(20261207110000));
    ASSERT_EQ(Restart(), 1);  // killed at 09:10:30, back after the pause's end
    StartAt(20261207110000);
    At(20261207110010);
    EXPECT_EQ(Rows(),
              (Texts{"20261207090000-20261207090010 10 1 notes.txt - Editor", "20261207090010-20261207090040 30 4 ",
                     "20261207090040-20261207091000 560 4 ", "20261207091000-20261207091030 30 4 ",
                     "20261207091030-20261207110000 6570 4 Budget.xlsx"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "Still paused until 10:00"), 1);
    EXPECT_EQ(CountContaining(infoLog, "The pause ended while the collector was not running after 1 h 59 min"), 1);
}
}  // namespace

TEST_F(TrackingCycle, DetailsOlderThanTheSettingExpireOnceADayInShortTransactionsKeepingTimeAndProject) {
    ASSERT_TRUE(registry.SetNumber(kPrivacyKey, kKeepDetailsDaysValue, 30));  // before 7 November
    CActivityFolder data(dbFolder);
    std::vector<CStoredRow> october;
    for (int i = 0; i < 1200; ++i)  // more than two transactions
        october.push_back({After(20261001000000, i * 60), After(20261001000000, i * 60 + 60), 60, 1,
                           "old title " + std::to_string(i), 1, 1, 7, 8, 3,
                           "https://old.example/" + std::to_string(i)});
    data.AddRows(october);
    data.AddRows({{20261106230000, 20261106235959, 3599, 1, "old title late", 1, 1, 7, 8, 0, ""},
                  {20261107000000, 20261107010000, 3600, 1, "recent title", 1, 1, 7, 8, 0, ""}});
    StartAt(20261207090000);
    At(20261207090001);
    CRawDatabase oct(DbFile("act1026.db"));
    EXPECT_EQ(oct.Value("select count(*) from T_Activities where Title = '' and URL is null and Id_Site = 0 and "
                        "Id_Project = 7 and Id_Task = 8 and Duration = 60"),
              "1200");
    EXPECT_EQ(Rows("act1126.db"),
              (Texts{"20261106230000-20261106235959 3599 1 ", "20261107000000-20261107010000 3600 1 recent title"}));
    EXPECT_EQ(FilesHolding(dbFolder, {"old title"}), "");
    std::vector<CChangedRange> spans;
    std::string error;
    VisitChangedRanges(
        NarrowToUtf8(dbFolder.c_str()), 0, [&](const CChangedRange& r) { spans.push_back(r); }, error);
    ASSERT_EQ(spans.size(), 4u);  // 500, 500, 200 and the November row
    EXPECT_EQ(spans.front().from, 20261001000000);
    EXPECT_EQ(spans.back().to, 20261106230000);

    // One run a day, also across a restart; the next day's run takes what came since.
    data.AddRows({{20261002000000, 20261002000100, 60, 1, "old title again", 1, 1, 7, 8, 0, ""}});
    At(20261207090002);
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090100);
    At(20261207090101);
    EXPECT_NE(FilesHolding(dbFolder, {"old title"}).find("act1026.db: old title"), std::string::npos);
    TickThrough(20261207235958, 20261208000001);
    EXPECT_EQ(FilesHolding(dbFolder, {"old title"}), "");
}
