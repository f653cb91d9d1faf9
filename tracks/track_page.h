#pragma once
// Page 2: the track logs (resource 203). The calendar (widget 5000) marks the days a stored
// track covers; a click on a day, or the arrows, lists its tracks (6000); a
// double-click or Enter shows a track on the map (2000); the list's menu saves a track as KMZ
// or GPX or deletes the selected ones, as Delete does.

#include <optional>
#include <vector>

#include "core/track_records.h"
#include "core/user_prompt.h"
#include "flows/session.h"
#include "map/map_events.h"
#include "map/map_external_dispatch.h"
#include "map/map_service.h"
#include "tracks/month_calendar.h"
#include "tracks/month_choice.h"
#include "tracks/photos_by_time_dialog.h"
#include "tracks/playback.h"
#include "tracks/profile_chart.h"
#include "tracks/statistics_view.h"
#include "tracks/track_photos.h"
#include "ui/page_window.h"
#include "ui/tooltip.h"

namespace vandrel::ui {
class BrowserHost;
class ListView;
struct ListNotify;
class StaticControl;
}  // namespace vandrel::ui

namespace vandrel::tracks {

class CPageTrack final : public ui::PageWindow {
  public:
    CPageTrack(ui::EventLoop& loop, ui::Window* parent, int controlId, ui::CommandRunner* commands,
               Session& session, const map::MapService& mapService);
    void init() override;

    // Map, detail list or statistics, 1 to 3; altitude, air pressure, temperature or speed
    // chart, 1 to 4.
    void selectView(int n);
    void selectChart(int n);

    // Reloads the track days, rebuilds the calendar and reloads the selected day.
    void RefreshTrackPage();
    void LoadDayTracks();
    void ShowTrack();
    void ClearTrackDisplay();
    void DeleteSelectedTracks();

    // Track-page commands.
    void downloadDeviceLogs();
    void loadTracksFromPc();
    void saveTracksToPc();
    void eraseDeviceLogs();
    void exportSelectedTrack(bool kmz);
    // Photos put on the points of the list's selected track, or the shown one, by their time.
    void addPhotosByTime(bool selectedRow);
    void setPhotosDialog(PhotosByTimeDialog* dialog) { photosDialog_ = dialog; }

    // The calendar and its month commands.
    MonthCalendar& calendar() { return calendar_; }
    void lastMonth();
    void nextMonth();
    void today();
    void showMonth(int year, int month);

    // The tracks of the selected day, as the list shows them.
    const std::vector<TrackHeader>& dayTracks() const { return dayTracks_; }
    bool mapsLoaded() const { return MapsLoaded; }
    // The row of the track shown on the map, or -1 (also when the list shows another day).
    int shownTrack() const { return shownTrack_; }
    const ProfileChart& chart() const { return chart_; }
    StatisticsView& statisticsView() { return statisticsView_; }

  protected:
    std::intptr_t handleMessage(const ui::Message& message) override;
    // Keys the month and year choice takes while it is open.
    bool onKey(ui::HtmlWindow& window, ui::Element& self, ui::KeyEvent& event) override;

  private:
    ui::StaticControl* calendarControl() const;
    ui::ListView* trackList() const;
    ui::BrowserHost* map() const;
    ui::ListView* pointList() const;
    // The points of the track shown, or null.
    const std::vector<TrackPoint>* shownPoints() const;
    bool putCar(int index);
    void playbackCommand(void (Playback::*command)());
    void writeForwardSpeed();
    void tracksChanged(const TracksChange& change);
    void loadTrackDates();
    void loadTrackDates(const std::vector<TrackHeader>& headers);
    void repaintCalendar();
    void writeMonthLabel();
    void writeTrackCount();
    void fillTrackList();
    void applyColumnRule();
    void stopPlayback();
    // The row of the shown track in the day's list, or -1, marked.
    void findShownRow();
    void keepShownPhotosInRow();
    void onCalendarMouse(const ui::Message& message);
    void onTrackListNotify(const ui::ListNotify& notify);
    void mapLoaded();
    void hideTrackMenu();
    ui::StaticControl* chartControl() const;
    void buildChart();
    void onChartMouse(const ui::Message& message);
    void markChartAt(int index);
    void chartClicked(int index);
    TrackHeader* shownTrackHeader();
    // Statistics: computed for an older database's tracks under the busy window, the month's
    // totals under the calendar, the shown track's panel, a list row's tooltip.
    void fillStatistics();
    void writeMonthTotals();
    void writeShownStatistics();
    void showRowTooltip(const ui::ListNotify& notify);

    void showingTimer();
    void endShowing();

    // While the map page takes a shown track in: after the delay the busy window shows.
    static constexpr unsigned kShowingTimer = 1001;
    static constexpr ui::Milliseconds kShowingNoticeDelay{200};
    static constexpr ui::Milliseconds kShowingGiveUp{30000};
    std::optional<BusyScope> showingBusy_;
    int showSerial_ = 0;

    Session& session_;
    const map::MapService& mapService_;
    // The tracks of the day the calendar selects, as the list shows them.
    std::vector<TrackHeader> dayTracks_;
    // The track on the map, chart and Detail list; it may be of a day the list no longer shows.
    std::optional<TrackHeader> shown_;
    std::vector<std::string> dayOrigins_;  // where each of dayTracks_ came from
    // The map page has loaded (its own calls wait for it).
    bool MapsLoaded = false;
    map::TrackMapEvents mapEvents_;
    map::MapExternalDispatch dispatch_;
    Playback playback_{*this, [this](int index) { return putCar(index); }};
    MonthCalendar calendar_;
    MonthChoice monthChoice_{*this, [this](int year, int month) { showMonth(year, month); }};
    TrackPhotos photos_;
    PhotosByTimeDialog* photosDialog_ = nullptr;
    int shownTrack_ = -1;
    int markedRow_ = -1;
    int view_ = 1;
    ChartKind chartKind_ = ChartKind::Altitude;
    ProfileChart chart_;
    ui::Tooltip chartTip_{*this, "charttip"};
    StatisticsView statisticsView_{*this, session_};
    int tipRow_ = -1;
    int chartHotSpot_ = -1;
    int chartMarker_ = -1;  // the point the car stands on, marked across the profile
    bool chartPressed_ = false;
};

}  // namespace vandrel::tracks
