#pragma once
// How the track page's day list draws a track: two lines of texts in a 40-pixel row, the
// selection as a soft rounded highlight, the shown track with a marker.

#include <string>

#include "core/device_settings.h"
#include "core/track_records.h"
#include "ui/canvas.h"

namespace vandrel::tracks {

inline constexpr int kTrackRowHeight = 40;
inline constexpr int kTrackColumnWide = 260;
inline constexpr int kTrackColumnNarrow = 243;  // beside a vertical scroll bar
inline constexpr const char* kShownTrackMarker = "images/track16.png";

// The window colour, and for a selected row the soft rounded highlight; the point list's rows
// share it.
void paintRowBackground(ui::Canvas& canvas, const ui::Rect& row, bool selected);

// origin is where the track came from, shown in grey at the right of the first line.
void paintTrackRow(ui::Canvas& canvas, const TrackHeader& track, const std::string& origin,
                   const ui::Rect& row, bool selected, bool marked, const DeviceSettings& settings);

// The list's column width after its frame changed: 260 becomes 243 when a vertical scroll bar
// shows, 243 becomes 260 when none does; any other width stays.
int trackColumnWidth(int width, bool verticalScrollBar);

// "Total %d Track%s", with "s" only for more than one track.
std::string trackCountText(int count);

}  // namespace vandrel::tracks
