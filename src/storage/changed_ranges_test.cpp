#include "storage/changed_ranges.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_folder.h"

TEST(ChangedRanges, EntriesComeBackInOrderAfterTheLastSeenAndAMissingJournalHasNone) {
    CTempFolder folder;
    std::string error;
    std::vector<CChangedRange> seen;
    auto collect = [&](const CChangedRange& range) { seen.push_back(range); };
    ASSERT_EQ(VisitChangedRanges(folder.Str(), 0, collect, error), 1) << error;
    EXPECT_TRUE(seen.empty());

    ASSERT_EQ(RecordChangedRange(folder.Str(), 20261201000000, 20261201235959, error), 1) << error;
    ASSERT_EQ(RecordChangedRange(folder.Str(), 20261105080000, 20261105090000, error), 1) << error;
    ASSERT_EQ(VisitChangedRanges(folder.Str(), 0, collect, error), 1) << error;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].from, 20261201000000);
    EXPECT_EQ(seen[1].to, 20261105090000);
    EXPECT_LT(seen[0].sequence, seen[1].sequence);

    const int64_t last = seen[0].sequence;
    seen.clear();
    ASSERT_EQ(VisitChangedRanges(folder.Str(), last, collect, error), 1) << error;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].from, 20261105080000);
}
