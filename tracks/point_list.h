#pragma once
// The Detail view's list of the shown track's points (widget 6001): a virtual list with one
// 20-pixel row per point, drawn from the track's points, with grid lines and a header of seven
// left-aligned columns. Only the visible rows are drawn, so a track of 50,000 points scrolls as
// a short one does.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/device_settings.h"
#include "core/track_records.h"
#include "ui/canvas.h"

namespace vandrel::ui {
class ListView;
}

namespace vandrel::tracks {

inline constexpr int kPointRowHeight = 20;

struct PointColumn {
    const char* title;
    int width;
};
inline constexpr std::array<PointColumn, 7> kPointColumns{{{"index", 62},
                                                           {"time", 150},
                                                           {"Latitude", 105},
                                                           {"Longitude", 105},
                                                           {"Altitude", 85},
                                                           {"Air Pressure", 125},
                                                           {"Temperature", 105}}};

using PointSource = std::function<const std::vector<TrackPoint>*()>;

// Gives the list its columns and row height and draws its rows from the points `points`
// answers (null while no track is shown).
void attachPointList(ui::ListView& list, PointSource points, const DeviceSettings& settings);

// The list of a newly shown track, or of none (count 0): all rows go, then `count` come.
void showPointRows(ui::ListView* list, int count);

// The cell texts of the point in `row`, by column: its 1-based number, time, latitude,
// longitude, altitude, air pressure and temperature, in the units the settings choose.
std::array<std::string, kPointColumns.size()> pointRowTexts(const TrackPoint& point, int row,
                                                            const DeviceSettings& settings);

// One row: the day list's background and selection, a text per column below its header item
// (after the sideways scroll), and the grid lines.
void paintPointRow(ui::Canvas& canvas, const ui::ListView& list, const TrackPoint& point, int row,
                   const ui::Rect& rect, bool selected, const DeviceSettings& settings);

}  // namespace vandrel::tracks
