#include "core/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vandrel {
namespace {

SystemTime fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SystemTime st;
    st.year = y, st.month = mo, st.day = d, st.hour = h, st.minute = mi, st.second = s;
    return st;
}

double toOle(const SystemTime& st) {
    double v = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(st, v));
    return v;
}

SystemTime toFields(double v) {
    SystemTime st;
    EXPECT_TRUE(VariantTimeToSystemTime(v, st));
    return st;
}

void expectFields(const SystemTime& st, int y, int mo, int d, int h, int mi, int s) {
    EXPECT_EQ(st.year, y);
    EXPECT_EQ(st.month, mo);
    EXPECT_EQ(st.day, d);
    EXPECT_EQ(st.hour, h);
    EXPECT_EQ(st.minute, mi);
    EXPECT_EQ(st.second, s);
    EXPECT_EQ(st.milliseconds, 0);
}

TEST(OleDate, KnownDatesMapToTheirDayNumbers) {
    EXPECT_DOUBLE_EQ(toOle(fields(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(toOle(fields(1900, 1, 1)), 2.0);
    EXPECT_DOUBLE_EQ(toOle(fields(1970, 1, 1)), 25569.0);
    EXPECT_DOUBLE_EQ(toOle(fields(2000, 1, 1)), 36526.0);
    EXPECT_DOUBLE_EQ(toOle(fields(2038, 1, 19, 3, 14, 8)),
                     50424.0 + (3 * 3600 + 14 * 60 + 8) / 86400.0);
    EXPECT_DOUBLE_EQ(toOle(fields(2100, 12, 31)), 73415.0);
    // Before the epoch the time of day still counts forward from the day's start.
    EXPECT_DOUBLE_EQ(toOle(fields(1899, 12, 29, 6)), -1.25);
}

TEST(OleDate, LeapYearsFollowTheGregorianRule) {
    EXPECT_DOUBLE_EQ(toOle(fields(2000, 3, 1)) - toOle(fields(2000, 2, 28)), 2.0);
    EXPECT_DOUBLE_EQ(toOle(fields(1900, 3, 1)) - toOle(fields(1900, 2, 28)), 1.0);
    EXPECT_DOUBLE_EQ(toOle(fields(2100, 3, 1)) - toOle(fields(2100, 2, 28)), 1.0);
    expectFields(toFields(toOle(fields(2024, 2, 29, 23, 59, 59))), 2024, 2, 29, 23, 59, 59);
    double unused = 0;
    EXPECT_FALSE(SystemTimeToVariantTime(fields(2023, 2, 29), unused));
    EXPECT_FALSE(SystemTimeToVariantTime(fields(2100, 2, 29), unused));
    EXPECT_FALSE(SystemTimeToVariantTime(fields(2024, 13, 1), unused));
    EXPECT_FALSE(SystemTimeToVariantTime(fields(2024, 1, 1, 24), unused));
}

TEST(OleDate, SplittingRoundsToTheNearestSecond) {
    const double base = toOle(fields(2024, 5, 17, 10, 20, 30));
    expectFields(toFields(base + 0.4 / 86400), 2024, 5, 17, 10, 20, 30);
    expectFields(toFields(base + 0.6 / 86400), 2024, 5, 17, 10, 20, 31);
    expectFields(toFields(base - 0.4 / 86400), 2024, 5, 17, 10, 20, 30);
    // Half a second before midnight rounds into the next day, across a year end.
    const double newYear = toOle(fields(2025, 1, 1));
    expectFields(toFields(newYear - 0.4 / 86400), 2025, 1, 1, 0, 0, 0);
    expectFields(toFields(newYear - 0.6 / 86400), 2024, 12, 31, 23, 59, 59);
}

TEST(OleDate, EveryDayFrom1900To2100RoundTrips) {
    for (double v = 2.0; v <= 73415.0; v += 1.0) {
        const double withTime = v + (13 * 3600 + 7 * 60 + 41) / 86400.0;
        const SystemTime st = toFields(withTime);
        ASSERT_DOUBLE_EQ(toOle(st), withTime) << v;
        ASSERT_EQ(st.hour, 13);
    }
}

TEST(OleDate, DayOfWeekIsFilled) {
    EXPECT_EQ(toFields(25569.0).dayOfWeek, 4);  // 1970-01-01, Thursday
    EXPECT_EQ(toFields(toOle(fields(2026, 12, 7))).dayOfWeek, 1);
}

TEST(OleDate, OutOfRangeValuesAreRefused) {
    SystemTime st;
    EXPECT_FALSE(VariantTimeToSystemTime(3e6, st));
    EXPECT_FALSE(VariantTimeToSystemTime(-7e5, st));
    EXPECT_FALSE(VariantTimeToSystemTime(std::nan(""), st));
}

TEST(OleDate, UnixSecondsAndWholeSeconds) {
    EXPECT_DOUBLE_EQ(oleDateFromUnixSeconds(0), 25569.0);
    EXPECT_DOUBLE_EQ(oleDateFromUnixSeconds(2147483647), toOle(fields(2038, 1, 19, 3, 14, 7)));
    EXPECT_DOUBLE_EQ(oleDateFromUnixSeconds(4294967295LL), toOle(fields(2106, 2, 7, 6, 28, 15)));
    const double t = toOle(fields(2021, 7, 4, 9, 0, 0));
    EXPECT_DOUBLE_EQ(wholeSecondOleDate(t + 0.3 / 86400), t);
    EXPECT_DOUBLE_EQ(wholeSecondOleDate(t + 0.7 / 86400), t + 1.0 / 86400);
}

}  // namespace
}  // namespace vandrel
