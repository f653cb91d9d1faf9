#pragma once
// The texts the track page shows of the statistics: the panel of the shown track beside the
// profile chart, the shown month's totals under the calendar and the list row's tooltip.

#include <optional>
#include <string>
#include <vector>

#include "core/device_settings.h"
#include "core/statistics_totals.h"
#include "core/track_statistics.h"
#include "ui/page_window.h"

namespace vandrel::tracks {

// Fills the panel's value elements (ids "st-..."), or empties them for no track. A range the
// track has no reading for shows a dash.
void writeStatisticsPanel(ui::PageWindow& page, const std::optional<TrackStatistics>& statistics,
                          const DeviceSettings& settings);

// "4 tracks  42.10 km\r\nMoving 5:03:00  Climb 820 m"; empty for a month without tracks.
std::string monthTotalsText(const std::vector<PeriodTotals>& months,
                            const DeviceSettings& settings);

// The tooltip of a track of the day list: moving time, speeds and climb.
std::string trackRowTooltip(const TrackStatistics& statistics, const DeviceSettings& settings);

}  // namespace vandrel::tracks
