#include "core/statistics_totals.h"

#include <cmath>
#include <cstdio>

#include "core/ole_date.h"

namespace vandrel {
namespace {

constexpr int64_t kOleDayOf1970 = 25569;

int64_t floorMod(int64_t value, int64_t divisor) {
    return ((value % divisor) + divisor) % divisor;
}

std::string numbered(const char* pattern, int a, int b = 0) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

}  // namespace

PeriodTotals periodOf(double oleDate, TotalsPeriod period) {
    PeriodTotals totals;
    const auto days = static_cast<int64_t>(std::floor(oleDate)) - kOleDayOf1970;
    int year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(days, year, month, day);
    int64_t first = 0;
    switch (period) {
        case TotalsPeriod::Week: {
            const int64_t monday = days - floorMod(days + 3, 7);  // 1970-01-01 was a Thursday
            int thursdayYear = 0;
            civilFromDays(monday + 3, thursdayYear, month, day);
            const int64_t week = (monday + 3 - daysFromCivil(thursdayYear, 1, 1)) / 7 + 1;
            totals.label = numbered("%04d-W%02d", thursdayYear, static_cast<int>(week));
            first = monday;
            break;
        }
        case TotalsPeriod::Month:
            totals.label = numbered("%04d-%02d", year, month);
            first = daysFromCivil(year, month, 1);
            break;
        case TotalsPeriod::Year:
            totals.label = numbered("%04d", year);
            first = daysFromCivil(year, 1, 1);
            break;
    }
    totals.firstDay = static_cast<double>(first + kOleDayOf1970);
    return totals;
}

std::vector<PeriodTotals> totalsBy(const std::vector<TrackTotalsInput>& tracks,
                                   TotalsPeriod period) {
    std::vector<PeriodTotals> periods;
    for (const TrackTotalsInput& track : tracks) {
        PeriodTotals holder = periodOf(track.start, period);
        if (periods.empty() || periods.back().label != holder.label) {
            periods.push_back(std::move(holder));
        }
        PeriodTotals& totals = periods.back();
        ++totals.tracks;
        totals.distance += track.distance;
        totals.movingTime += track.movingTime;
        totals.climb += track.climb;
    }
    return periods;
}

}  // namespace vandrel
