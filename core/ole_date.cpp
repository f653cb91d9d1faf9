#include "core/ole_date.h"

#include <cmath>
#include <ctime>

namespace vandrel {
namespace {

constexpr int64_t kEpochOffsetDays = 25569;  // 1899-12-30 to 1970-01-01
constexpr double kMinDate = -657434.0;       // 0100-01-01
constexpr double kMaxDate = 2958465.999995;  // 9999-12-31 23:59:59.5 and a little

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

// Howard Hinnant's civil calendar algorithms: exact for every proleptic Gregorian date.
int64_t daysFromCivil(int year, int month, int day) {
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool VariantTimeToSystemTime(double variantTime, SystemTime& out) {
    if (!(variantTime >= kMinDate && variantTime <= kMaxDate)) {
        return false;
    }
    // The whole part counts days (toward zero); the fraction's magnitude is the time of day,
    // also for negative dates.
    double whole = std::trunc(variantTime);
    int64_t seconds = std::llround(std::fabs(variantTime - whole) * 86400.0);
    int64_t dayNumber = static_cast<int64_t>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        dayNumber += 1;
    }
    const int64_t unixDays = dayNumber - kEpochOffsetDays;
    civilFromDays(unixDays, out.year, out.month, out.day);
    out.dayOfWeek = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    out.milliseconds = 0;
    return out.year >= 100 && out.year <= 9999;
}

bool SystemTimeToVariantTime(const SystemTime& in, double& out) {
    if (in.year < 100 || in.year > 9999 || in.month < 1 || in.month > 12 || in.day < 1 ||
        in.day > daysInMonth(in.year, in.month) || in.hour < 0 || in.hour > 23 || in.minute < 0 ||
        in.minute > 59 || in.second < 0 || in.second > 59) {
        return false;
    }
    const int64_t dayNumber = daysFromCivil(in.year, in.month, in.day) + kEpochOffsetDays;
    const double fraction = (in.hour * 3600.0 + in.minute * 60.0 + in.second) / 86400.0;
    out = dayNumber >= 0 ? static_cast<double>(dayNumber) + fraction
                         : static_cast<double>(dayNumber) - fraction;
    return true;
}

double oleDateFromUnixSeconds(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        days -= 1;
    }
    SystemTime st;
    civilFromDays(days, st.year, st.month, st.day);
    st.hour = static_cast<int>(rest / 3600);
    st.minute = static_cast<int>(rest / 60 % 60);
    st.second = static_cast<int>(rest % 60);
    double result = 0;
    SystemTimeToVariantTime(st, result);
    return result;
}

double wholeSecondOleDate(double variantTime) {
    SystemTime st;
    double result = 0;
    if (VariantTimeToSystemTime(variantTime, st) && SystemTimeToVariantTime(st, result)) {
        return result;
    }
    return variantTime;
}

SystemTime systemTimeOf(const std::tm& time) {
    SystemTime t;
    t.year = time.tm_year + 1900;
    t.month = time.tm_mon + 1;
    t.day = time.tm_mday;
    t.hour = time.tm_hour;
    t.minute = time.tm_min;
    t.second = time.tm_sec;
    return t;
}

SystemTime localTimeWithMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    SystemTime t = systemTimeOf(local);
    t.milliseconds = static_cast<int>(now.tv_nsec / 1'000'000);
    return t;
}

}  // namespace vandrel
