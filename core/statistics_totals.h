#pragma once
// Totals of tracks per week, month or year. A track belongs wholly to the day it started on
// (local time, as its times are stored): a night walk that crosses midnight, or the end of a
// month, counts where it began. Weeks are ISO weeks: Monday to Sunday, numbered within the
// year that holds their Thursday.

#include <string>
#include <vector>

namespace vandrel {

enum class TotalsPeriod { Week, Month, Year };

// What the totals need of one track.
struct TrackTotalsInput {
    double start = 0;  // OLE date, local time
    double distance = 0;
    double movingTime = 0;
    double climb = 0;
};

struct PeriodTotals {
    std::string label;    // "2026-W09", "2026-02" or "2026"
    double firstDay = 0;  // OLE date of the period's first day
    int tracks = 0;
    double distance = 0;
    double movingTime = 0;
    double climb = 0;
};

// The label and first day of the period that holds an OLE date.
PeriodTotals periodOf(double oleDate, TotalsPeriod period);

// The totals of the periods that hold tracks, in time order.
std::vector<PeriodTotals> totalsBy(const std::vector<TrackTotalsInput>& tracks,
                                   TotalsPeriod period);

}  // namespace vandrel
