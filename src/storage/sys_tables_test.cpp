#include <gtest/gtest.h>

#include <string>

#include "storage/apps_table.h"
#include "storage/sites_table.h"
#include "storage/storage_test_fixture.h"
#include "storage/users_table.h"

namespace {
class SysTables : public StorageTest {
protected:
    void SetUp() override {
        StorageTest::SetUp();
        ASSERT_EQ(m_apps.CreateTable(&m_connection), 1);
        ASSERT_EQ(m_users.CreateTable(&m_connection), 1);
        ASSERT_EQ(m_sites.CreateTable(&m_connection), 1);
    }
    CDBAppTable m_apps;
    CDBUserTable m_users;
    CDBSitesTable m_sites;
};

TEST_F(SysTables, TextsWithQuotesAreStoredAndReadBackExactly) {
    ASSERT_EQ(m_apps.Insert(&m_connection, CDBApp(0, "o'brien.exe", "C:\\it's\\o'brien.exe", 20140101120000)), 1);
    ASSERT_EQ(m_users.Insert(&m_connection, CDBUser(0, "d'arcy", "CORP'", "x'); drop table T_Users; --")), 1);
    ASSERT_EQ(m_sites.Insert(&m_connection, CDBSite(0, "https://o'neil.example/path")), 1);

    CBaseStorage<CDBApp> apps;
    ASSERT_EQ(m_apps.Select(&m_connection, apps, nullptr), 1);
    CDBApp app;
    ASSERT_EQ(apps.Pop(0, app), 1);
    EXPECT_EQ(app.GetId(), 1);
    EXPECT_STREQ(app.GetFileName(), "o'brien.exe");
    EXPECT_STREQ(app.GetPath(), "C:\\it's\\o'brien.exe");
    EXPECT_EQ(app.GetCreateDate(), 20140101120000);

    CBaseStorage<CDBUser> users;
    ASSERT_EQ(m_users.Select(&m_connection, users, "Name='d''arcy'"), 1);
    CDBUser user;
    ASSERT_EQ(users.Pop(0, user), 1);
    EXPECT_STREQ(user.GetDomain(), "CORP'");
    EXPECT_STREQ(user.GetDescription(), "x'); drop table T_Users; --");

    EXPECT_EQ(m_raw->Value("select URL from T_Sites"), "https://o'neil.example");
}

TEST_F(SysTables, UserDescriptionDefaultsToDomainBackslashName) {
    EXPECT_STREQ(CDBUser(0, "alice", "CORP", nullptr).GetDescription(), "CORP\\alice");
    EXPECT_STREQ(CDBUser(0, "alice", "CORP", "Alice A.").GetDescription(), "Alice A.");
    EXPECT_STREQ(CDBUser(0, "alice", nullptr, nullptr).GetDescription(), "");
    const std::string longName(300, 'n');
    const CDBUser cut(0, longName.c_str(), longName.c_str(), nullptr);
    EXPECT_EQ(std::string(cut.GetDescription()), std::string(254, 'n') + "\\" + std::string(254, 'n'));
}

TEST_F(SysTables, RowsWithoutDataAreDropped) {
    ASSERT_EQ(m_raw->Exec("insert into T_Sites (Id_Site, URL) values (0, NULL);"
                          "insert into T_Apps (Id_App, FileName) values (0, '');"
                          "insert into T_Users (Id_User, Name, Domen) values (0, '', '')"),
              SQLITE_OK);
    m_sites.Insert(&m_connection, CDBSite(0, "http://a"));
    CBaseStorage<CDBSite> sites;
    ASSERT_EQ(m_sites.Select(&m_connection, sites, nullptr), 1);
    EXPECT_EQ(sites.Count(), 1);
    CBaseStorage<CDBApp> apps;
    ASSERT_EQ(m_apps.Select(&m_connection, apps, nullptr), 1);
    EXPECT_EQ(apps.Count(), 0);
    CBaseStorage<CDBUser> users;
    ASSERT_EQ(m_users.Select(&m_connection, users, nullptr), 1);
    EXPECT_EQ(users.Count(), 0);
}

TEST_F(SysTables, FailuresReturnTheirCodesAndLeaveTheListAlone) {
    CBaseStorage<CDBUser> users;
    users.Push(CDBUser(5, "kept", "D", nullptr));
    CDBSQLite closed;
    EXPECT_EQ(m_users.Select(&closed, users, nullptr), -100);
    EXPECT_EQ(m_users.Insert(nullptr, CDBUser()), -1);
    EXPECT_EQ(m_users.Select(&m_connection, users, "Nme='x'"), 0);
    EXPECT_EQ(m_users.Select(&m_connection, users, std::string(1100, ' ').c_str()), -5);
    EXPECT_EQ(users.Count(), 1);
    ASSERT_EQ(m_raw->Exec("drop table T_Apps"), SQLITE_OK);
    EXPECT_EQ(m_apps.Insert(&m_connection, CDBApp(0, "a.exe", "", 0)), 0);
}
}  // namespace
