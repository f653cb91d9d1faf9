#include "tracks/track_statistics_panel.h"

#include <cmath>
#include <utility>

#include "core/stat_units.h"
#include "core/units.h"
#include "ui/element.h"

namespace vandrel::tracks {

namespace {

// "120 m - 290 m"; a dash when the track has no such reading at all.
template <typename Format>
std::string rangeText(double low, double high, Format format) {
    if (std::isnan(low) || std::isnan(high)) {
        return kNoValue;
    }
    return format(low) + " - " + format(high);
}

// The climb's source in the few characters the panel's column has room for beside the value;
// the row's tooltip spells them out.
std::string climbSourceMark(ClimbSource source) {
    return source == ClimbSource::Pressure ? " (baro)" : " (GPS)";
}

}  // namespace

void writeStatisticsPanel(ui::PageWindow& page, const std::optional<TrackStatistics>& statistics,
                          const DeviceSettings& settings) {
    std::vector<std::pair<const char*, std::string>> values = {
        {"st-duration", {}}, {"st-moving", {}},   {"st-distance", {}},   {"st-movedist", {}},
        {"st-average", {}},  {"st-max", {}},      {"st-climb", {}},      {"st-descent", {}},
        {"st-altclimb", {}}, {"st-altitude", {}}, {"st-temperature", {}}};
    if (statistics) {
        const TrackStatistics& s = *statistics;
        values[0].second = FormatDuration(s.duration);
        values[1].second = FormatDuration(s.movingTime);
        values[2].second = FormatDistance(s.distance, settings);
        values[3].second = FormatDistance(s.movingDistance, settings);
        values[4].second = FormatSpeed(s.averageSpeed, settings);
        values[5].second = FormatSpeed(s.maxSpeed, settings);
        const bool noAltitude = std::isnan(s.minAltitude);
        if (s.climbSource != ClimbSource::None) {
            values[6].second = FormatClimb(s.climb, settings) + climbSourceMark(s.climbSource);
            values[7].second = FormatClimb(s.descent, settings);
        } else {
            values[6].second = values[7].second = kNoValue;
        }
        values[8].second = noAltitude ? kNoValue
                                      : FormatClimb(s.gpsClimb, settings) + " / " +
                                            FormatClimb(s.gpsDescent, settings);
        values[9].second = rangeText(s.minAltitude, s.maxAltitude,
                                     [&](double m) { return FormatClimb(m, settings); });
        values[10].second = rangeText(s.minTemperature, s.maxTemperature, [&](double c) {
            return FormatTemperature(static_cast<float>(c), settings);
        });
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
