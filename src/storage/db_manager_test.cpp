#include "storage/db_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "fakes/fake_clock.h"
#include "support/raw_database.h"
#include "support/read_only_file.h"
#include "support/temp_folder.h"

namespace {
// A fake clock that lets a test act at the Nth pause of a given length.
class CHookedClock : public CFakeClock {
public:
    using CFakeClock::CFakeClock;
    std::function<void(uint32_t)> onSleep;
    void Sleep(uint32_t milliseconds) override {
        CFakeClock::Sleep(milliseconds);
        if (onSleep) onSleep(milliseconds);
    }
};

CWinActivity Activity(const char* file, const char* path, const char* title, const char* url = "") {
    CWinProcess process(10, title);
    process.SetFileName(file);
    process.SetPath(path);
    CWinActivity activity(ActivityType::Active);
    activity.SetProcess(process);
    activity.SetUser(CUser("CORP", "alice"));
    activity.SetURL(url, 1000);
    activity.SetDates(20261207090000, 20261207090100);
    activity.UpdateDuration();
    return activity;
}

class DBManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_manager.SetPath(m_folder.Str().c_str(), 0), 1);
        ASSERT_EQ(m_manager.Initialization(), 1);
    }
    // Saves the way the time manager does: resolve, switch file, insert.
    int Save(CWinActivity activity) {
        const int resolved = m_manager.ResolveActivityIds(activity);
        if (resolved != 1) return resolved;
        const int checked = m_manager.CheckADB(activity.GetStartDate());
        if (checked != 1 && checked != 2) return checked;
        return m_manager.AddActivity(activity);
    }
    std::string ActFile(const char* name = "act1226.db") { return m_folder.File(name); }

    CHookedClock m_clock{{2026, 12, 7, 9, 0, 0, 0}};
    CTempFolder m_folder;
    CDBManager m_manager;
};

TEST(DBManagerStart, WithoutAFolderNothingIsOpened) {
    CDBManager manager;
    EXPECT_EQ(manager.Initialization(), -8);
    EXPECT_STREQ(manager.GetErrorName(), "GetPath");
    EXPECT_STREQ(manager.GetErrorText(), "NULL path pointer");
    EXPECT_EQ(manager.GetErrorCode(), -8);
    EXPECT_EQ(manager.AddActivity(CWinActivity()), -100);
    EXPECT_STREQ(manager.GetErrorName(), "Check DB handle");
    EXPECT_STREQ(manager.GetErrorText(), "Act DB was not opened");
}

TEST(DBManagerStart, DataFolderThatDoesNotExist) {
    CFakeClock clock;
    CTempFolder folder;
    CDBManager manager;
    const std::string missing = folder.File("no-such-folder");
    ASSERT_EQ(manager.SetPath(missing.c_str(), 0), 1);
    EXPECT_EQ(manager.Initialization(), -404);
    EXPECT_STREQ(manager.GetErrorName(), "SysDBConnect|Connect");
    // The connection's own message, "(14) <SQLite's text>", behind the code.
    EXPECT_STREQ(manager.GetErrorText(), "(14) (14) unable to open database file");
    EXPECT_EQ(manager.GetErrorCode(), 14);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(DBManagerStart, DataFolderPathIsUtf8) {
    CFakeClock clock;
    CTempFolder folder;
    const std::filesystem::path unicode = folder.Path() / std::filesystem::path(u8"donn\u00e9es \u6771\u4eac");
    ASSERT_TRUE(std::filesystem::create_directory(unicode));
    const std::u8string utf8 = unicode.u8string();
    CDBManager manager;
    ASSERT_EQ(manager.SetPath(reinterpret_cast<const char*>(utf8.c_str()), 0), 1);
    ASSERT_EQ(manager.Initialization(), 1);
    EXPECT_TRUE(std::filesystem::exists(unicode / "sys.db"));
    EXPECT_TRUE(std::filesystem::exists(unicode / "act1226.db"));
}

TEST_F(DBManager, FirstStartCreatesThreeFilesWithTheExactSchemas) {
    CRawDatabase sys(m_folder.File("sys.db"));
    EXPECT_EQ(sys.Schema("T_Apps"),
              "CREATE TABLE T_Apps (Id_App INTEGER PRIMARY KEY AUTOINCREMENT, FileName  VARCHAR (255) NOT NULL, Path "
              "VARCHAR (512), CreateDate BIGINT)");
    EXPECT_EQ(sys.Schema("T_Users"),
              "CREATE TABLE T_Users (Id_User INTEGER PRIMARY KEY AUTOINCREMENT, Name  VARCHAR (255) NOT NULL, "
              "Domen\tVARCHAR (255) NOT NULL, Description VARCHAR (255))");
    EXPECT_EQ(sys.Schema("T_Sites"),
              "CREATE TABLE T_Sites(Id_Site INTEGER PRIMARY KEY AUTOINCREMENT, URL VARCHAR (255))");
    CRawDatabase func(m_folder.File("func.db"));
    EXPECT_EQ(func.Schema("T_Projects"),
              "CREATE TABLE T_Projects (Id_Project INTEGER PRIMARY KEY AUTOINCREMENT, Name  VARCHAR (255) NOT NULL, "
              "Description\tVARCHAR (512), Status TINYINT, CreateDate BIGINT, ExternalPMSType TINYINT, ExternalId "
              "INTEGER, ExternalKey VARCHAR (255), DeleteDate BIGINT, Deleted TINYINT)");
    EXPECT_EQ(func.Schema("T_Tasks"),
              "CREATE TABLE T_Tasks (Id_Task INTEGER PRIMARY KEY AUTOINCREMENT, Id_Project INTEGER NOT NULL, "
              "Id_ParentTask INTEGER, Name  VARCHAR (255) NOT NULL, Description VARCHAR (512), Status TINYINT, "
              "CreateDate BIGINT, ExternalPMSType TINYINT, ExternalId INTEGER, ExternalStatus INTEGER, ExternalKey "
              "VARCHAR (255), ExternalStatusName VARCHAR (64), DeleteDate BIGINT, Deleted TINYINT, IsDefault "
              "TINYINT)");
    EXPECT_EQ(func.Schema("T_Rules"),
              "CREATE TABLE T_Rules(Id_Rule INTEGER PRIMARY KEY AUTOINCREMENT, Id_RulesGroup INTEGER, Status "
              "TINYINT, Id_App INTEGER, Id_Task INTEGER, Id_Project INTEGER, Title VARCHAR(255), Id_Site INTEGER, "
              "URL TEXT, Path VARCHAR(512),  TimeStart INTEGER, TimeFinish INTEGER, AppType INTEGER)");
    EXPECT_EQ(func.Schema("T_Timers"), "");
    CRawDatabase act(ActFile());
    EXPECT_EQ(act.Schema("T_Activities"),
              "CREATE TABLE T_Activities (Id_Activity INTEGER PRIMARY KEY AUTOINCREMENT, StartDate BIGINT, "
              "FinishDate BIGINT, Duration INTEGER, FormatedDuration INTEGER, Id_ActivityType INTEGER, Title VARCHAR "
              "(255), Id_User INTEGER, Id_App INTEGER, Id_Project INTEGER, Id_Task INTEGER, Description VARCHAR "
              "(512), URL TEXT, Id_Site INTEGER, Logged TINYINT)");
    EXPECT_EQ(m_manager.GetActFileDate(), 20261207090000);
}

TEST_F(DBManager, CheckADBSwitchesFilesByMonthAndYear) {
    EXPECT_EQ(m_manager.CheckADB(0), -1);
    EXPECT_EQ(m_manager.CheckADB(20261231235959), 1);
    EXPECT_EQ(m_manager.GetActFileDate(), 20261231235959);
    EXPECT_FALSE(std::filesystem::exists(ActFile("act0127.db")));

    CWinActivity january = Activity("a.exe", "/a", "new year");
    january.SetDates(20270101000000, 20270101000010);
    ASSERT_EQ(Save(january), 1);
    CRawDatabase jan(ActFile("act0127.db"));
    EXPECT_EQ(jan.Value("select Title from T_Activities"), "new year");
    EXPECT_EQ(CRawDatabase(ActFile()).Count("T_Activities"), 0);

    // The same month of the next year is another file.
    EXPECT_EQ(m_manager.CheckADB(20280115000000), 2);
    EXPECT_TRUE(std::filesystem::exists(ActFile("act0128.db")));
    EXPECT_EQ(m_manager.SetActFileDate(0), -1);
}

TEST_F(DBManager, FailedSwitchIsRecordedAndRetriedOnTheNextSave) {
    std::filesystem::create_directory(ActFile("act0127.db"));  // cannot be opened as a file
    EXPECT_EQ(m_manager.CheckADB(20270105000000), -2);
    EXPECT_STREQ(m_manager.GetErrorName(), "ActDBReConnect|Connect");
    EXPECT_EQ(m_manager.GetActFileDate(), 20261207090000);
    EXPECT_EQ(m_manager.AddActivity(Activity("a.exe", "/a", "t")), -100);
    // A save of the old month reopens its file rather than failing for good.
    EXPECT_EQ(m_manager.CheckADB(20261208000000), 2);
    EXPECT_EQ(m_manager.AddActivity(Activity("a.exe", "/a", "t")), 1);
    EXPECT_EQ(CRawDatabase(ActFile()).Count("T_Activities"), 1);
}

TEST_F(DBManager, ResolveFindsOrAddsUserApplicationAndSite) {
    CWinActivity first = Activity("word.exe", "C:\\Office\\word.exe", "Doc", "https://Docs.example:443/a?b");
    ASSERT_EQ(m_manager.ResolveActivityIds(first), 1);
    EXPECT_EQ(first.GetUserId(), 1);
    EXPECT_EQ(first.GetAppId(), 1);
    EXPECT_EQ(first.GetSiteId(), 1);
    // Letter case: applications and sites match without it, users with it.
    CWinActivity second = Activity("WORD.EXE", "c:\\office\\WORD.exe", "Doc", "https://docs.EXAMPLE/other");
    second.SetUser(CUser("CORP", "Alice"));
    ASSERT_EQ(m_manager.ResolveActivityIds(second), 1);
    EXPECT_EQ(second.GetAppId(), 1);
    EXPECT_EQ(second.GetSiteId(), 1);
    EXPECT_EQ(second.GetUserId(), 2);
    CRawDatabase sys(m_folder.File("sys.db"));
    EXPECT_EQ(sys.Count("T_Apps"), 1);
    EXPECT_EQ(sys.Count("T_Users"), 2);
    EXPECT_EQ(sys.Value("select Description from T_Users where Id_User=1"), "CORP\\alice");
    EXPECT_EQ(sys.Value("select FileName || ' ' || CreateDate from T_Apps"), "word.exe 20261207090100");
    EXPECT_EQ(sys.Value("select URL from T_Sites"), "https://Docs.example");

    CWinActivity noUrl = Activity("word.exe", "C:\\Office\\word.exe", "Doc");
    ASSERT_EQ(m_manager.ResolveActivityIds(noUrl), 1);
    EXPECT_EQ(noUrl.GetSiteId(), 0);
    EXPECT_EQ(sys.Count("T_Sites"), 1);
}

TEST_F(DBManager, ResolveStopsAtAMissingUserOrProcess) {
    CWinActivity noProcess = Activity("", "", "t", "http://a");
    noProcess.SetAppId(7);
    EXPECT_EQ(m_manager.ResolveActivityIds(noProcess), -1);
    EXPECT_STREQ(m_manager.GetErrorText(), "No Process");
    EXPECT_EQ(noProcess.GetUserId(), 1);
    EXPECT_EQ(noProcess.GetAppId(), 7);
    EXPECT_EQ(noProcess.GetSiteId(), 0);
    CWinActivity noUser = Activity("a.exe", "/a", "t");
    noUser.SetUser(CUser());
    EXPECT_EQ(m_manager.ResolveActivityIds(noUser), -1);
    EXPECT_STREQ(m_manager.GetErrorName(), "Get User");
    EXPECT_STREQ(m_manager.GetErrorText(), "No User");
}

TEST_F(DBManager, SavedActivitiesKeepTheirTextsExactly) {
    const std::string injection = "'); drop table T_Activities; --";
    const std::string quotes = "http://q.example/?a='1'&b=''";
    ASSERT_EQ(Save(Activity("o'neil.exe", "/opt/o'neil", injection.c_str(), quotes.c_str())), 1);
    const std::string longUrl = "http://l.example/" + std::string(583, 'p');
    ASSERT_EQ(Save(Activity("a.exe", "/a", "long", longUrl.c_str())), 1);
    const std::string accented = "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC";
    CWinActivity nonAscii = Activity("caf\xC3\xA9.exe", "/opt/caf\xC3\xA9", accented.c_str());
    nonAscii.SetUser(CUser("H\xC3\x96ST", "j\xC3\xBCrgen"));
    ASSERT_EQ(Save(nonAscii), 1);

    CRawDatabase act(ActFile());
    const auto rows = act.Rows("select Title, URL from T_Activities order by Id_Activity");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], injection);
    EXPECT_EQ(rows[0][1], quotes);
    EXPECT_EQ(rows[1][1], longUrl.substr(0, 511));
    EXPECT_EQ(rows[2][0], accented);
    CRawDatabase sys(m_folder.File("sys.db"));
    EXPECT_EQ(sys.Value("select Path from T_Apps where FileName='o''neil.exe'"), "/opt/o'neil");
    EXPECT_EQ(sys.Value("select Name from T_Users where Domen='H\xC3\x96ST'"), "j\xC3\xBCrgen");

    CActivity last;
    ASSERT_EQ(m_manager.GetLastActivity(last), 1);
    EXPECT_EQ(last.GetStartDate(), 20261207090000);
    EXPECT_EQ(last.GetDuration(), 60);
    EXPECT_EQ(last.GetFormatedDuration(), 100);
    EXPECT_EQ(last.GetType(), ActivityType::Active);
}

TEST_F(DBManager, GetLastActivityOnAnEmptyFile) {
    CActivity last;
    last.SetTitle("unchanged", 0);
    EXPECT_EQ(m_manager.GetLastActivity(last), 0);
    EXPECT_STREQ(last.GetTitle(), "unchanged");
}

TEST_F(DBManager, InsertRetriesUntilAnotherConnectionReleasesItsLock) {
    CRawDatabase other(ActFile());
    ASSERT_EQ(other.Exec("begin exclusive"), SQLITE_OK);
    int pauses = 0;
    m_clock.onSleep = [&](uint32_t ms) {
        if (ms == 200 && ++pauses == 3) other.Exec("commit");
    };
    const int64_t sleptBefore = m_clock.SleptMilliseconds();
    EXPECT_EQ(m_manager.AddActivity(Activity("a.exe", "/a", "waited")), 1);
    // Each failed try waited for the lock first.
    EXPECT_EQ(m_clock.SleptMilliseconds() - sleptBefore, 3 * (CDBSQLite::kWriteBusyTimeoutMs + 200));
    EXPECT_EQ(other.Count("T_Activities"), 1);
}

TEST_F(DBManager, InsertGivesUpWhenTheLockIsHeldThroughout) {
    CRawDatabase other(ActFile());
    ASSERT_EQ(other.Exec("begin exclusive"), SQLITE_OK);
    const int64_t sleptBefore = m_clock.SleptMilliseconds();
    EXPECT_EQ(m_manager.AddActivity(Activity("a.exe", "/a", "lost")), 0);
    EXPECT_EQ(m_clock.SleptMilliseconds() - sleptBefore, 7 * CDBSQLite::kWriteBusyTimeoutMs + 6 * 200);
    EXPECT_STREQ(m_manager.GetErrorName(), "Add act|");
    EXPECT_STREQ(m_manager.GetErrorText(), "Ret: 0 (0) ");
    EXPECT_EQ(m_manager.GetErrorCode(), 0);
    ASSERT_EQ(other.Exec("commit"), SQLITE_OK);
    EXPECT_EQ(other.Count("T_Activities"), 0);
}

TEST_F(DBManager, ALookUpThatMeetsALockWaitsForItAndNeverAnswersNotStored) {
    const CWinActivity stored = Activity("a.exe", "/a", "stored");
    ASSERT_EQ(Save(stored), 1);
    CRawDatabase other(ActFile());
    ASSERT_EQ(other.Exec("begin exclusive"), SQLITE_OK);
    EXPECT_EQ(m_manager.IsActivityStored(stored), -2) << "not known yet";
    EXPECT_EQ(m_manager.IsActivityStored(Activity("a.exe", "/a", "never stored")), -2);
    // A lock let go within the wait is waited for.
    m_clock.onSleep = [&](uint32_t) { other.Exec("commit"); };
    EXPECT_EQ(m_manager.IsActivityStored(stored), 1);
}

TEST_F(DBManager, ReadOnlyActivityFileIsReportedNotSwallowed) {
    m_manager.CloseDatabases();
    CReadOnlyFile readOnly(ActFile());
    ASSERT_TRUE(readOnly.Ok());
    ASSERT_EQ(m_manager.Initialization(), 1);
    EXPECT_EQ(m_manager.AddActivity(Activity("a.exe", "/a", "t")), 0);
    EXPECT_STREQ(m_manager.GetErrorName(), "Add act|");
    m_manager.CloseDatabases();
}
}  // namespace
