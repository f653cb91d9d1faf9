#pragma once
// Page 2: the track logs (resource 203). The calendar (widget 5000) marks the days a stored
// track covers; a click on a day, or the arrows, lists its tracks (6000); a
// double-click or Enter shows a track on the map (2000); the list's menu saves a track as KMZ
// or GPX or deletes the selected ones, as Delete does.
//
// The page is the table that routes the clicks, commands and messages of its ids to its parts,
// which share one TrackPageModel: the day (calendar and list), the shown track (map, Detail
// list, replay and photos), the chart panel and the statistics. The handlers the routing table
// names keep their names here (LoadDayTracks, ShowTrack, ...).

#include <optional>
#include <vector>

#include "core/track_records.h"
#include "flows/session.h"
#include "map/map_service.h"
#include "tracks/chart_panel.h"
#include "tracks/page_statistics.h"
#include "tracks/shown_track.h"
#include "tracks/track_day.h"
#include "tracks/track_page_model.h"
#include "ui/page_window.h"

namespace vandrel::ui {
struct ListNotify;
}

namespace vandrel::tracks {

class CPageTrack final : public ui::PageWindow {
  public:
    CPageTrack(ui::EventLoop& loop, ui::Window* parent, int controlId, ui::CommandRunner* commands,
               Session& session, const map::MapService& mapService);
    void init() override;

    // Map, detail list or statistics, 1 to 3; altitude, air pressure, temperature or speed
    // chart, 1 to 4.
    void selectView(int n);
    void selectChart(int n) { chart_.select(n); }

    // Reloads the track days, rebuilds the calendar and reloads the selected day.
    void RefreshTrackPage() { day_.refresh(); }
    void LoadDayTracks() { day_.load(); }
    void ShowTrack() { shown_.show(day_.markedRow()); }
    void ClearTrackDisplay() { shown_.clear(); }
    void DeleteSelectedTracks() { day_.deleteSelected(); }

    // Track-page commands.
    void downloadDeviceLogs();
    void loadTracksFromPc();
    void saveTracksToPc();
    void eraseDeviceLogs();
    void exportSelectedTrack(bool kmz);
    // Photos put on the points of the list's selected track, or the shown one, by their time.
    void addPhotosByTime(bool selectedRow);
    void setPhotosDialog(PhotosByTimeDialog* dialog) { shown_.setPhotosDialog(dialog); }

    // The calendar and its month commands.
    MonthCalendar& calendar() { return day_.calendar(); }
    void showMonth(int year, int month) { day_.showMonth(year, month); }

    // The tracks of the selected day, as the list shows them.
    const std::vector<TrackHeader>& dayTracks() const { return model_.dayTracks; }
    bool mapsLoaded() const { return model_.mapsLoaded; }
    // The row of the track shown on the map, or -1 (also when the list shows another day).
    int shownTrack() const { return model_.shownRow; }
    const ProfileChart& chart() const { return chart_.chart(); }
    StatisticsView& statisticsView() { return statistics_.view(); }

  protected:
    std::intptr_t handleMessage(const ui::Message& message) override;
    // Keys the month and year choice takes while it is open.
    bool onKey(ui::HtmlWindow& window, ui::Element& self, ui::KeyEvent& event) override;
    std::string failureText(const std::string& what) const override;

  private:
    void addClicks();
    void addMessages();
    void followSession();
    void onTrackListNotify(const ui::ListNotify& notify);
    void tracksChanged(const TracksChange& change);
    // Runs the command flow where the page has a runner (not in a test of the page alone).
    void runCommand(const std::function<void(UserPrompt&)>& command);

    Session& session_;
    TrackPageModel model_;
    ChartPanel chart_;
    PageStatistics statistics_;
    ShownTrack shown_;
    TrackDay day_;
    int view_ = 1;
};

}  // namespace vandrel::tracks
