#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "storage/activities_table.h"
#include "storage/storage_test_fixture.h"

namespace {
using Groups = std::vector<std::pair<int32_t, int64_t>>;

class ActivityReports : public StorageTest {
protected:
    void SetUp() override {
        StorageTest::SetUp();
        ASSERT_EQ(m_table.CreateTable(&m_connection), 1);
    }
    // One activity of 14 January 2014 with the given columns (NULL where "NULL").
    void Add(int hour, const char* type, const char* app, const char* user, const char* site, const char* project,
             const char* task, long long duration) {
        const std::string sql =
            "insert into T_Activities (StartDate, Duration, Id_ActivityType, Id_App, Id_User, Id_Site, Id_Project, "
            "Id_Task) values (" +
            std::to_string(20140114000000LL + hour * 10000LL) + ", " + std::to_string(duration) + ", " + type + ", " +
            app + ", " + user + ", " + site + ", " + project + ", " + task + ")";
        ASSERT_EQ(m_raw->Exec(sql), SQLITE_OK) << sql;
    }
    Groups Read(const CBaseStorage<CGroupItem>& list) {
        Groups groups;
        CGroupItem item;
        for (int32_t i = 0; i < list.Count(); ++i) {
            list.Pop(i, item);
            groups.emplace_back(item.GetId(), item.GetDuration());
        }
        return groups;
    }
    void Fill() {
        Add(1, "1", "1", "1", "1", "1", "1", 100);
        Add(2, "2", "1", "1", "0", "0", "0", 50);
        Add(3, "3", "2", "NULL", "-1", "NULL", "NULL", 70);
        Add(4, "1", "2", "2", "2", "2", "2", 300);
        Add(5, "4", "3", "2", "NULL", "1", "1", 20);
    }

    CDBActivitiesTable m_table;
    CBaseStorage<CGroupItem> m_out;
    static constexpr int64_t kFrom = 20140114000000;
    static constexpr int64_t kTo = 20140114235959;
};

TEST_F(ActivityReports, ByActivityTypeGivesFourZeroRowsForAnEmptyRange) {
    m_out.Push(CGroupItem(99, 1, 1));
    ASSERT_EQ(m_table.SelectTopByActivityType(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{1, 0}, {2, 0}, {3, 0}, {4, 0}}));
}

TEST_F(ActivityReports, ByActivityTypeKeepsGroupOrderAndAddsMissingTypesAfter) {
    Add(1, "4", "1", "1", "0", "0", "0", 5);
    Add(2, "2", "1", "1", "0", "0", "0", 7);
    Add(3, "2", "1", "1", "0", "0", "0", 8);
    ASSERT_EQ(m_table.SelectTopByActivityType(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{2, 15}, {4, 5}, {1, 0}, {3, 0}}));
}

TEST_F(ActivityReports, EachReportSumsItsGroupsLargestFirst) {
    Fill();
    ASSERT_EQ(m_table.SelectTopByApp(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{2, 300}, {1, 150}}));  // working time only
    ASSERT_EQ(m_table.SelectTopByUser(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{2, 320}, {1, 150}, {0, 70}}));  // the NULL user too
    ASSERT_EQ(m_table.SelectTopBySite(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{2, 300}, {1, 100}}));
    ASSERT_EQ(m_table.SelectTopByProject(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{2, 300}, {1, 120}}));
    ASSERT_EQ(m_table.SelectTopByTask(&m_connection, m_out, kFrom, kTo, 1, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{2, 300}}));
    ASSERT_EQ(m_table.SelectTopByTask(&m_connection, m_out, kFrom, kTo, 0, 1), 1);
    EXPECT_EQ(Read(m_out), (Groups{{1, 120}}));
    ASSERT_EQ(m_table.SelectTopByTask(&m_connection, m_out, kFrom, 20140114035959, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{1, 100}}));
}

TEST_F(ActivityReports, TotalsBeyond32BitsAndThePackedDuration) {
    Add(1, "1", "1", "1", "0", "0", "1", 2000000000LL);
    Add(2, "1", "1", "1", "0", "0", "1", 2000000000LL);
    Add(3, "1", "1", "1", "0", "0", "2", 3661);
    ASSERT_EQ(m_table.SelectTopByTask(&m_connection, m_out, kFrom, kTo, 0, 0), 1);
    EXPECT_EQ(Read(m_out), (Groups{{1, 4000000000LL}, {2, 3661}}));
    CGroupItem item;
    m_out.Pop(1, item);
    EXPECT_EQ(item.GetFormatedDuration(), 10101);
}

TEST_F(ActivityReports, FailuresLeaveNothingBehind) {
    m_out.Push(CGroupItem(1, 1, 1));
    CDBSQLite closed;
    EXPECT_EQ(m_table.SelectTopByUser(&closed, m_out, kFrom, kTo, 0, 0), -100);
    EXPECT_EQ(m_table.SelectTopByUser(nullptr, m_out, kFrom, kTo, 0, 0), -1);
    ASSERT_EQ(m_raw->Exec("drop table T_Activities"), SQLITE_OK);
    EXPECT_EQ(m_table.SelectTopByUser(&m_connection, m_out, kFrom, kTo, 0, 0), 0);
    EXPECT_EQ(m_out.Count(), 0);
}
}  // namespace
