#include "storage/activities_table.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/storage_test_fixture.h"

namespace {
CDBActivity Row(int64_t start, int32_t app, const char* title, const char* url = "", int32_t site = 0,
                int64_t duration = 10) {
    return CDBActivity(0, start, start + duration, duration, duration, 1, title, 3, app, "ignored", 4, 5, url, site, 7);
}

class ActivitiesTable : public StorageTest {
protected:
    void SetUp() override {
        StorageTest::SetUp();
        ASSERT_EQ(m_table.CreateTable(&m_connection), 1);
    }
    std::string StoredTitle() { return m_raw->Value("select Title from T_Activities order by Id_Activity desc"); }

    CDBActivitiesTable m_table;
};

TEST_F(ActivitiesTable, InsertStoresEveryWrittenColumn) {
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140131235900, 2, "Report", "https://a.example/x", 6, 120)), 1);
    const auto rows = m_raw->Rows(
        "select StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, Id_App, "
        "Id_Project, Id_Task, Description, URL, Id_Site, Logged from T_Activities");
    ASSERT_EQ(rows.size(), 1u);
    const std::vector<std::string> expected = {
        "20140131235900",    "20140131236020",      "120", "120", "1", "Report", "3", "2", "4", "5",
        CRawDatabase::kNull, "https://a.example/x", "6",   "0"};
    EXPECT_EQ(rows[0], expected);
    // The same record again is a second row.
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140131235900, 2, "Report")), 1);
    EXPECT_EQ(m_raw->Value("select count(distinct Id_Activity) from T_Activities"), "2");
}

TEST_F(ActivitiesTable, TitlesAndAddressesWithQuotesAreStoredExactly) {
    const char* injection = "'); drop table T_Activities; --";
    const char* quotedUrl = "http://x.example/?a='1'&b=''&c='";
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000000, 1, injection, quotedUrl, 1)), 1);
    EXPECT_EQ(StoredTitle(), injection);
    EXPECT_EQ(m_raw->Value("select URL from T_Activities"), quotedUrl);
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000010, 1, "Tom's notes")), 1);
    EXPECT_EQ(StoredTitle(), "Tom's notes");
    EXPECT_EQ(m_raw->Count("T_Activities"), 2);
}

TEST_F(ActivitiesTable, StoredTitleIsCutTo258CharactersAndWholeQuotePairs) {
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000000, 1, std::string(300, 't').c_str())), 1);
    EXPECT_EQ(StoredTitle(), std::string(258, 't'));
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000001, 1, std::string(258, '\'').c_str())), 1);
    EXPECT_EQ(StoredTitle(), std::string(129, '\''));
    // A closing quote whose pair would pass 259 characters is left out whole.
    const std::string title = "'" + std::string(256, 'a') + "'";
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000002, 1, title.c_str())), 1);
    EXPECT_EQ(StoredTitle(), title.substr(0, 257));
}

TEST_F(ActivitiesTable, WithoutAnAddressTheSiteIsZero) {
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000000, 1, "t", "", 9)), 1);
    EXPECT_EQ(m_raw->Rows("select Id_Site, URL from T_Activities")[0],
              (std::vector<std::string>{"0", CRawDatabase::kNull}));
}

TEST_F(ActivitiesTable, NonAsciiTextRoundTrips) {
    const std::string title =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x80\x93 \xE6\x9D\xB1\xE4\xBA\xAC";
    ASSERT_EQ(m_table.Insert(&m_connection, Row(20140101000000, 1, title.c_str(), "http://b\xC3\xBCro.example/")), 1);
    CBaseStorage<CDBActivity> rows;
    ASSERT_EQ(m_table.Select(&m_connection, rows, nullptr), 1);
    CDBActivity row;
    ASSERT_EQ(rows.Pop(0, row), 1);
    EXPECT_EQ(row.GetTitle(), title);
    EXPECT_STREQ(row.GetURL(), "http://b\xC3\xBCro.example/");
}

TEST_F(ActivitiesTable, SelectAppendsAndDropsRowsWithoutData) {
    m_table.Insert(&m_connection, Row(20140101000000, 1, "a"));
    ASSERT_EQ(m_raw->Exec("insert into T_Activities (Id_Activity) values (0)"), SQLITE_OK);
    CBaseStorage<CDBActivity> rows;
    rows.Push(Row(1, 1, "already there"));
    ASSERT_EQ(m_table.Select(&m_connection, rows, nullptr), 1);
    EXPECT_EQ(rows.Count(), 2);
    ASSERT_EQ(m_table.Select(&m_connection, rows, "Id_App=42"), 1);
    EXPECT_EQ(rows.Count(), 2);
    EXPECT_EQ(m_table.Select(&m_connection, rows, std::string(2000, ' ').c_str()), -5);
    EXPECT_EQ(m_table.Select(&m_connection, rows, "no such column = 1"), 0);
    EXPECT_EQ(rows.Count(), 2);
}

TEST_F(ActivitiesTable, SelectLastTakesTheLatestStart) {
    CDBActivity last = Row(1, 1, "stale");
    EXPECT_EQ(m_table.SelectLast(&m_connection, last), 0);
    EXPECT_FALSE(last.HasData());
    m_table.Insert(&m_connection, Row(20140102000000, 1, "middle"));
    m_table.Insert(&m_connection, Row(20140103000000, 2, "latest"));
    m_table.Insert(&m_connection, Row(20140101000000, 3, "earliest"));
    ASSERT_EQ(m_table.SelectLast(&m_connection, last), 1);
    EXPECT_STREQ(last.GetTitle(), "latest");
    EXPECT_EQ(last.GetAppId(), 2);
    CDBSQLite closed;
    EXPECT_EQ(m_table.SelectLast(&closed, last), -100);
    EXPECT_EQ(m_table.SelectLast(nullptr, last), -1);
}

TEST_F(ActivitiesTable, RangesSelectByStartInBothOrders) {
    for (int i = 0; i < 4; ++i)
        m_table.Insert(&m_connection, Row(20140101000000 + i * 100, 10 + i, "r", "", 0, 10 + i));
    CBaseStorage<CGroupItem> groups;
    CBaseStorage<CDBActivity> activities;
    ASSERT_EQ(m_table.SelectRange(&m_connection, groups, &activities, 20140101000100, 20140101000300, 0), 1);
    ASSERT_EQ(groups.Count(), 3);
    EXPECT_EQ(activities.Count(), 3);
    CGroupItem item;
    groups.Pop(0, item);
    EXPECT_EQ(item.GetId(), 11);
    EXPECT_EQ(item.GetDuration(), 11);

    CBaseStorage<CGroupItem> newest;
    ASSERT_EQ(m_table.SelectRangeDesc(&m_connection, newest, nullptr, 20140101000000, 20140101000300, 2, 0), 1);
    ASSERT_EQ(newest.Count(), 2);
    newest.Pop(0, item);
    EXPECT_EQ(item.GetId(), 13);

    CBaseStorage<CGroupItem> one;
    ASSERT_EQ(m_table.SelectRange(&m_connection, one, nullptr, 20140101000000, 20140101000300, 2), 1);
    ASSERT_EQ(one.Count(), 1);
    one.Pop(0, item);
    EXPECT_EQ(item.GetId(), 11);

    CBaseStorage<CGroupItem> none;
    ASSERT_EQ(m_table.SelectRange(&m_connection, none, &activities, 20150101000000, 20150102000000, 0), 1);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(activities.Count(), 3);
}
}  // namespace
