#include "sensing/time_stamp.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_clock.h"
#include "sensing/date_range.h"

namespace {
TEST(TimeStamp, PacksAndUnpacksTheDecimalLayout) {
    const CLocalTime t{2014, 1, 31, 23, 59, 58, 999};
    EXPECT_EQ(PackTimeStamp(t), 20140131235958);
    const CLocalTime back = UnpackTimeStamp(20140131235958);
    EXPECT_EQ(back.year, 2014);
    EXPECT_EQ(back.month, 1);
    EXPECT_EQ(back.day, 31);
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(back.minute, 59);
    EXPECT_EQ(back.second, 58);
    EXPECT_EQ(back.milliseconds, 0);
    EXPECT_EQ(YearOf(20140315101010), 2014);
    EXPECT_EQ(MonthOf(20140315101010), 3);
    EXPECT_EQ(DayOf(20140315101010), 15);
}

TEST(TimeStamp, NowComesFromTheClockServiceWithoutMilliseconds) {
    CFakeClock clock({2016, 2, 29, 23, 59, 59, 750});
    EXPECT_EQ(NowTimeStamp(), 20160229235959);
}

TEST(TimeStamp, DayStartAndTheEndOfTheDay) {
    EXPECT_EQ(DayStart(20140131235959), 20140131000000);
    EXPECT_EQ(DayStart(20140131235959) + 235959, 20140131235959);
    EXPECT_TRUE(IsSameDay(20140131000000, 20140131235959));
    EXPECT_FALSE(IsSameDay(20140131235959, 20140201000000));
    EXPECT_FALSE(IsSameDay(20140131120000, 20150131120000));
}

TEST(TimeStamp, SecondsBetweenCountsTheCalendar) {
    EXPECT_EQ(SecondsBetween(20140131235900, 20140201000100), 120);
    EXPECT_EQ(SecondsBetween(20160228235959, 20160301000000), 86401);  // 29 February
    EXPECT_EQ(SecondsBetween(20150228235959, 20150301000000), 1);
    EXPECT_EQ(SecondsBetween(20001231235959, 20010101000000), 1);
    EXPECT_EQ(SecondsBetween(20140101000000, 20150101000000), 365 * 86400);
    // Century years are leap years only when divisible by 400.
    EXPECT_EQ(SecondsBetween(20000228235959, 20000301000000), 86401);
    EXPECT_EQ(SecondsBetween(21000228235959, 21000301000000), 1);
}

TEST(TimeStamp, SecondsBetweenIsZeroBackwardsOrForTheSameStamp) {
    EXPECT_EQ(SecondsBetween(20140201000100, 20140131235900), 0);
    EXPECT_EQ(SecondsBetween(20140201000100, 20140201000100), 0);
}

TEST(TimeStamp, SplitDurationPacksIntoTheSameLayout) {
    EXPECT_EQ(PackTimeStamp(SplitDuration(3661)), 10101);
    EXPECT_EQ(PackTimeStamp(SplitDuration(3725)), 10205);
    EXPECT_EQ(PackTimeStamp(SplitDuration(90000)), 1010000);
    // 365-day years and 31-day months.
    EXPECT_EQ(PackTimeStamp(SplitDuration(365 * 86400 + 31 * 86400 + 1)), 10100000001);
    EXPECT_EQ(PackTimeStamp(SplitDuration(30 * 86400)), 30000000);
    EXPECT_EQ(PackTimeStamp(SplitDuration(0)), 0);
    EXPECT_EQ(PackTimeStamp(SplitDuration(-5)), 0);
}

TEST(TimeStamp, ElapsedTimeAcrossTheChangesOfDaylightSavingTime) {
    CFakeClock clock({2026, 3, 29, 1, 59, 59, 0});
    clock.UseBerlinTime();
    const CMoment winter = NowMoment();
    EXPECT_EQ(winter.stamp, 20260329015959);
    EXPECT_EQ(winter.utcOffset, 3600);
    clock.Advance(1000);
    const CMoment summer = NowMoment();
    EXPECT_EQ(summer.stamp, 20260329030000);
    EXPECT_EQ(summer.utcOffset, 7200);
    EXPECT_EQ(ElapsedSeconds(winter, summer), 1);
    EXPECT_EQ(IsOfflineGap(winter, summer), 0);
    // The hour shown twice in October: from its first 02:59:59 to its second 02:00:00.
    clock.Set({2026, 10, 25, 2, 59, 59, 0});
    const CMoment first = NowMoment();
    clock.Advance(1000);
    const CMoment second = NowMoment();
    EXPECT_EQ(second.stamp, 20261025020000);
    EXPECT_EQ(ElapsedSeconds(first, second), 1);
    EXPECT_EQ(ElapsedSeconds(second, first), -1);
    EXPECT_EQ(IsOfflineGap(second, first), -1);
    // A stamp read from a row has no offset: calendar seconds.
    EXPECT_EQ(ElapsedSeconds({20261025025959, kUnknownUtcOffset}, second), -3599);
}

TEST(TimeStamp, OfflineGapNeedsMoreThanSixtySeconds) {
    EXPECT_EQ(IsOfflineGap(20140131235900, 20140201000000), 0);  // 60 s, across months
    EXPECT_EQ(IsOfflineGap(20140131235900, 20140201000001), 1);  // 61 s
    EXPECT_EQ(IsOfflineGap(20140201000001, 20140131235900), -1);
    EXPECT_EQ(IsOfflineGap(20140201000001, 20140201000001), 0);
}
}  // namespace

TEST(TimeStamp, ADateRangeWhoseEndsAreOneTextIsThatPeriod) {
    const std::string month = "2026-03-10";
    int64_t from = 0, to = 0;
    std::string error;
    ASSERT_TRUE(ResolveDateRange(month, month, 20260320120000, from, to, error)) << error;
    EXPECT_EQ(from, 20260310000000);
    EXPECT_EQ(to, 20260310235959);
}

TEST(TimeStamp, IsoWeeksAcrossYearEndsAndTheirTexts) {
    // 2026-01-01 is a Thursday: week 1; 2027-01-01 a Friday: week 53 of 2026.
    EXPECT_EQ(IsoWeekOf(20260101120000), 202601);
    EXPECT_EQ(IsoWeekOf(20251229000000), 202601);
    EXPECT_EQ(IsoWeekOf(20270101000000), 202653);
    EXPECT_EQ(IsoWeekOf(20261208000000), 202650);
    EXPECT_EQ(IsoWeekMonday(202653), 20261228000000);
    EXPECT_EQ(IsoWeekMonday(202553), 0);  // 2025 has 52 weeks
    int week = 0;
    EXPECT_TRUE(ParseIsoWeek("2026-W49", 0, week));
    EXPECT_EQ(week, 202649);
    EXPECT_EQ(IsoWeekText(week), "2026-W49");
    EXPECT_TRUE(ParseIsoWeek("week", 20261208103000, week));
    EXPECT_EQ(week, 202650);
    EXPECT_TRUE(ParseIsoWeek("2026-03-01", 0, week));
    EXPECT_EQ(week, 202609);
    for (const char* bad : {"2026-W54", "2026-W0", "2026-W49x", "W49", "2026-02-30"})
        EXPECT_FALSE(ParseIsoWeek(bad, 20261208103000, week)) << bad;
}
