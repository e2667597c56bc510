#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace {

TEST(DateTime, DayCountsMapToCalendarDates)
{
    EXPECT_EQ(DateOf(0), QDate(1899, 12, 30));
    EXPECT_EQ(DateOf(1.5), QDate(1899, 12, 31));
    EXPECT_EQ(TimeOf(1.5), QTime(12, 0));
    EXPECT_EQ(DateOf(-1.25), QDate(1899, 12, 29));
    EXPECT_EQ(TimeOf(-1.25), QTime(6, 0));
    EXPECT_DOUBLE_EQ(EncodeDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25);
    EXPECT_DOUBLE_EQ(EncodeDateTime(QDate(1970, 1, 1), QTime(0, 0)), 25569.0);
}

TEST(DateTime, TimeRoundsToTheMillisecondAndCarriesIntoTheNextDay)
{
    const TDateTime value = EncodeDateTime(QDate(2024, 2, 5), QTime(14, 3, 7, 45));
    EXPECT_EQ(DateOf(value), QDate(2024, 2, 5));
    EXPECT_EQ(TimeOf(value), QTime(14, 3, 7, 45));
    const TDateTime almostMidnight = 10.0 + 0.9999999999;
    EXPECT_EQ(DateOf(almostMidnight), DateOf(11));
    EXPECT_EQ(TimeOf(almostMidnight), QTime(0, 0));
}

TEST(DateTime, NowIsTheLocalClock)
{
    const QDateTime before = QDateTime::currentDateTime();
    const TDateTime now = Now();
    EXPECT_EQ(DateOf(now), before.date());
    EXPECT_LE(std::abs(TimeOf(now).msecsTo(before.time())), 2000);
}

} // namespace
