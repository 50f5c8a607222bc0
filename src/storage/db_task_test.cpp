#include "storage/db_task.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/db_project.h"

namespace {
CDBTask Task(int32_t id, const char* name, int32_t project, int32_t pmsType, int32_t deleted) {
    return CDBTask(id, name, project, 0, "", 0, 0, pmsType, 0, 0, "", "", 0, deleted, 0);
}

TEST(CatalogueRecords, LocalTasksMatchByNameAcrossProjects) {
    EXPECT_TRUE(Task(0, "Mail", 1, 0, 0).Matches(Task(9, "Mail", 2, 0, 0)));
    EXPECT_FALSE(Task(0, "Mail", 1, 0, 0).Matches(Task(9, "mail", 1, 0, 0)));
    EXPECT_FALSE(Task(0, "Mail", 1, 0, 0).Matches(Task(9, "Mail", 1, 0, 1)));
    EXPECT_FALSE(Task(0, "Mail", 1, 0, 0).Matches(Task(9, "Mail", 1, 1, 0)));
}

TEST(CatalogueRecords, LinkedTasksMatchOnlyInTheSameProject) {
    EXPECT_FALSE(Task(0, "PRJ-1", 1, 1, 0).Matches(Task(9, "PRJ-1", 2, 1, 0)));
    EXPECT_TRUE(Task(0, "PRJ-1", 2, 1, 0).Matches(Task(9, "PRJ-1", 2, 1, 0)));
}

TEST(CatalogueRecords, NonZeroIdMatchesOnlyTheId) {
    EXPECT_TRUE(Task(9, "x", 1, 0, 0).Matches(Task(9, "y", 2, 1, 1)));
    EXPECT_FALSE(Task(9, "x", 1, 0, 0).Matches(Task(8, "x", 1, 0, 0)));
    const CDBProject probe(0, "Admin", "", 0, 0, 0, 0, "", 0, 0);
    EXPECT_TRUE(probe.Matches(CDBProject(4, "Admin", "other", 1, 1, 0, 5, "K", 0, 0)));
    EXPECT_FALSE(probe.Matches(CDBProject(4, "Admin", "", 0, 0, 0, 0, "", 1, 0)));
    EXPECT_FALSE(probe.Matches(CDBProject(4, "Admin", "", 0, 0, 1, 0, "", 0, 0)));
}

TEST(CatalogueRecords, HasDataRules) {
    EXPECT_FALSE(CDBTask().HasData());
    EXPECT_TRUE(Task(0, "", 3, 0, 0).HasData());
    EXPECT_FALSE(Task(-1, "", -1, 5, 1).HasData());
    EXPECT_FALSE(CDBProject().HasData());
    EXPECT_FALSE(CDBProject(0, nullptr, nullptr, 5, 5, 1, 5, "K", 1, 5).HasData());
    EXPECT_TRUE(CDBProject(0, nullptr, "d", 0, 0, 0, 0, nullptr, 0, 0).HasData());
}

TEST(CatalogueRecords, ConstructorsCutTextsToTheirFields) {
    const std::string longText(700, 'z');
    const CDBTask task(1, longText.c_str(), 1, 0, longText.c_str(), 0, 0, 0, 0, 0, longText.c_str(), longText.c_str(),
                       0, 0, 0);
    EXPECT_EQ(std::string(task.GetName()).size(), 254u);
    EXPECT_EQ(std::string(task.GetDescription()).size(), 511u);
    EXPECT_EQ(std::string(task.GetExternalKey()).size(), 254u);
    EXPECT_EQ(std::string(task.GetExternalStatusName()).size(), 63u);
    const CDBProject project(1, longText.c_str(), nullptr, 0, 0, 0, 0, longText.c_str(), 0, 0);
    EXPECT_EQ(std::string(project.GetName()).size(), 254u);
    EXPECT_STREQ(project.GetDescription(), "");
    EXPECT_EQ(std::string(project.GetExternalKey()).size(), 254u);
}

TEST(CatalogueRecords, RowColumnsFillTheRecordAndUnknownOnesAreIgnored) {
    CDBTask task;
    task.SetColumn("Id_Task", "12");
    task.SetColumn("Name", "Review");
    task.SetColumn("CreateDate", "20140131235959");
    task.SetColumn("Description", nullptr);
    task.SetColumn("NoSuchColumn", "1");
    EXPECT_EQ(task.GetId(), 12);
    EXPECT_STREQ(task.GetName(), "Review");
    EXPECT_EQ(task.GetCreateDate(), 20140131235959);
    EXPECT_STREQ(task.GetDescription(), "");
}
}  // namespace
