#include "storage/base_storage.h"

#include <gtest/gtest.h>

#include "storage/db_project.h"

namespace {
CDBProject Project(int32_t id, const char* name) { return CDBProject(id, name, "", 0, 0, 0, 0, "", 0, 0); }

TEST(BaseStorage, PopCopiesOutAndKeepsTheRecord) {
    CBaseStorage<CDBProject> list;
    CDBProject out;
    EXPECT_EQ(list.Pop(0, out), 0);
    ASSERT_EQ(list.Push(Project(1, "a")), 1);
    ASSERT_EQ(list.Push(Project(2, "b")), 1);
    EXPECT_EQ(list.Pop(1, out), 1);
    EXPECT_STREQ(out.GetName(), "b");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Pop(2, out), -1);
    EXPECT_EQ(list.Pop(-1, out), -1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(BaseStorage, FindSearchesFromTheEndAndCopiesTheLaterMatch) {
    CBaseStorage<CDBProject> list;
    CDBProject probe = Project(0, "same");
    EXPECT_EQ(list.Find(probe), -8);
    list.Push(Project(1, "same"));
    list.Push(Project(2, "other"));
    list.Push(Project(3, "same"));
    ASSERT_EQ(list.Find(probe), 1);
    EXPECT_EQ(probe.GetId(), 3);
    CDBProject byId = Project(1, "");
    ASSERT_EQ(list.Find(byId), 1);
    EXPECT_STREQ(byId.GetName(), "same");
    CDBProject missing = Project(0, "none");
    EXPECT_EQ(list.Find(missing), 0);
}

TEST(BaseStorage, FindAndMoveLastReordersTheList) {
    CBaseStorage<CDBProject> list;
    list.Push(Project(1, "a"));
    list.Push(Project(2, "b"));
    list.Push(Project(3, "c"));
    CDBProject probe = Project(1, "");
    ASSERT_EQ(list.FindAndMoveLast(probe), 1);
    EXPECT_STREQ(probe.GetName(), "a");
    CDBProject out;
    list.Pop(0, out);
    EXPECT_EQ(out.GetId(), 2);
    list.Pop(2, out);
    EXPECT_EQ(out.GetId(), 1);
    EXPECT_EQ(list.Count(), 3);
}

TEST(BaseStorage, AppendFromCopiesInOrderAndIgnoresItself) {
    CBaseStorage<CDBProject> a;
    CBaseStorage<CDBProject> b;
    a.Push(Project(1, "a"));
    b.Push(Project(2, "b"));
    b.Push(Project(3, "c"));
    a.AppendFrom(b);
    a.AppendFrom(a);
    ASSERT_EQ(a.Count(), 3);
    CDBProject out;
    a.Pop(2, out);
    EXPECT_EQ(out.GetId(), 3);
    EXPECT_EQ(b.Count(), 2);
}
}  // namespace
