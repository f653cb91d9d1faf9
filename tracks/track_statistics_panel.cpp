#include "tracks/track_statistics_panel.h"

#include <utility>

#include "core/stat_units.h"
#include "core/units.h"
#include "ui/element.h"

namespace vandrel::tracks {

void writeStatisticsPanel(ui::PageWindow& page, const std::optional<TrackStatistics>& statistics,
                          const DeviceSettings& settings) {
    std::vector<std::pair<const char*, std::string>> values = {
        {"st-duration", {}}, {"st-moving", {}},     {"st-distance", {}}, {"st-average", {}},
        {"st-max", {}},      {"st-climb", {}},      {"st-descent", {}},  {"st-altclimb", {}},
        {"st-altitude", {}}, {"st-temperature", {}}};
    if (statistics) {
        const TrackStatistics& s = *statistics;
        values[0].second = FormatDuration(s.duration);
        values[1].second = FormatDuration(s.movingTime);
        values[2].second = FormatDistance(s.distance, settings);
        values[3].second = FormatSpeed(s.averageSpeed, settings);
        values[4].second = FormatSpeed(s.maxSpeed, settings);
        values[5].second = FormatClimb(s.climb, settings);
        values[6].second = FormatClimb(s.descent, settings);
        values[7].second =
            FormatClimb(s.gpsClimb, settings) + " / " + FormatClimb(s.gpsDescent, settings);
        values[8].second =
            FormatClimb(s.minAltitude, settings) + " - " + FormatClimb(s.maxAltitude, settings);
        values[9].second = FormatTemperature(static_cast<float>(s.minTemperature), settings) +
                           " - " +
                           FormatTemperature(static_cast<float>(s.maxTemperature), settings);
    }
    for (const auto& [id, text] : values) {
        if (ui::Element* e = page.byId(id)) {
            e->setText(text);
        }
    }
}

std::string monthTotalsText(const std::vector<PeriodTotals>& months,
                            const DeviceSettings& settings) {
    if (months.empty()) {
        return {};
    }
    const PeriodTotals& m = months.front();
    return "Month: " + std::to_string(m.tracks) + (m.tracks == 1 ? " track  " : " tracks  ") +
           FormatDistance(m.distance, settings) + "\r\nMoving " + FormatDuration(m.movingTime) +
           "  Climb " + FormatClimb(m.climb, settings);
}

std::string trackRowTooltip(const TrackStatistics& s, const DeviceSettings& settings) {
    return "Moving time: " + FormatDuration(s.movingTime) + " of " + FormatDuration(s.duration) +
           "\r\nAverage speed: " + FormatSpeed(s.averageSpeed, settings) +
           "  Max: " + FormatSpeed(s.maxSpeed, settings) +
           "\r\nClimb: " + FormatClimb(s.climb, settings) +
           "  Descent: " + FormatClimb(s.descent, settings);
}

}  // namespace vandrel::tracks
