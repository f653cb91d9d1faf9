#pragma once
// What the parts of the track page share: the day the list shows, the track shown on the map,
// chart and Detail list, and whether the map page has loaded. Each part keeps the rest of its
// state to itself; the page's controls are found by their widget ids.

#include <optional>
#include <string>
#include <vector>

#include "core/track_records.h"
#include "flows/session.h"

namespace vandrel::ui {
class BrowserHost;
class HtmlWindow;
class ListView;
class StaticControl;
}  // namespace vandrel::ui

namespace vandrel::tracks {

struct TrackPageModel {
    explicit TrackPageModel(Session& s) : session(s) {}

    // The shown track's points, or null.
    const std::vector<TrackPoint>* shownPoints() const { return shown ? &shown->points : nullptr; }
    TrackHeader* shownTrack() { return shown ? &*shown : nullptr; }
    bool showsRow(int row) const { return row >= 0 && row < static_cast<int>(dayTracks.size()); }

    Session& session;
    // The tracks of the day the calendar selects, as the list shows them, and where each came
    // from (parallel to dayTracks).
    std::vector<TrackHeader> dayTracks;
    std::vector<std::string> dayOrigins;
    // A copy: the track stays shown while the list shows another day.
    std::optional<TrackHeader> shown;
    // The shown track's row in the day's list, marked there, or -1 (also when the list shows
    // another day).
    int shownRow = -1;
    // The map page has loaded; until then a track cannot be shown.
    bool mapsLoaded = false;
};

// The page's controls, or null while the page has none of that id.
ui::StaticControl* calendarControl(const ui::HtmlWindow& page);
ui::StaticControl* chartControl(const ui::HtmlWindow& page);
ui::StaticControl* totalsChartControl(const ui::HtmlWindow& page);
ui::ListView* trackListControl(const ui::HtmlWindow& page);
ui::ListView* pointListControl(const ui::HtmlWindow& page);
ui::BrowserHost* trackMap(const ui::HtmlWindow& page);
// The id of the day list, whose notifications the page routes.
inline constexpr int kTrackListId = 6000;

}  // namespace vandrel::tracks
