#include "tracks/track_page.h"

#include <algorithm>
#include <cmath>

#include "core/ole_date.h"
#include "core/program_path.h"
#include "flows/download_device_logs.h"
#include "flows/erase_logs.h"
#include "flows/stored_statistics.h"
#include "flows/stored_track_queries.h"
#include "flows/track_files.h"
#include "flows/track_origin_names.h"
#include "map/map_bridge.h"
#include "map/map_source_choice.h"
#include "map/map_widget.h"
#include "tracks/add_photos_by_time.h"
#include "tracks/point_list.h"
#include "tracks/track_list_row.h"
#include "tracks/track_statistics_panel.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/list_view.h"
#include "ui/messages.h"
#include "ui/static_control.h"

namespace vandrel::tracks {
namespace {

constexpr int kCalendar = 5000;
constexpr int kChart = 5001;
constexpr int kTotalsChart = 5002;
constexpr int kTrackList = 6000;
constexpr int kPointList = 6001;
constexpr const char* kCarImage = "images/car.png";

template <typename Control>
Control* widget(const ui::HtmlWindow& page, int id) {
    ui::Element* e = page.document().selectFirst("widget[id='" + std::to_string(id) + "']");
    return e != nullptr ? dynamic_cast<Control*>(page.control(*e)) : nullptr;
}

}  // namespace

CPageTrack::CPageTrack(ui::EventLoop& loop, ui::Window* parent, int controlId,
                       ui::CommandRunner* commands, Session& session,
                       const map::MapService& mapService)
    : ui::PageWindow(loop, parent, controlId, commands, 203),
      session_(session),
      mapService_(mapService),
      dispatch_(map::MapExternalDispatch::Page::Track, mapEvents_),
      photos_(session,
              {[this] { return map(); }, [this] { return shownTrackHeader(); }, commands}) {
    addClick("lfromdevtrack", [this] { downloadDeviceLogs(); });
    addClick("lfrompctrack", [this] { loadTracksFromPc(); });
    addClick("s2pctrack", [this] { saveTracksToPc(); });
    addClick("deltrack", [this] { eraseDeviceLogs(); });
    addClick("lastmon", [this] { lastMonth(); });
    addClick("nextmon", [this] { nextMonth(); });
    addClick("today", [this] { today(); });
    addClick("calendardate", [this] { monthChoice_.toggle(calendar_.year(), calendar_.month()); });
    addClick("mcprev", [this] { monthChoice_.stepYear(-1); });
    addClick("mcnext", [this] { monthChoice_.stepYear(1); });
    for (int month = 1; month <= 12; ++month) {
        addClick("mc" + std::to_string(month), [this, month] { monthChoice_.take(month); });
    }
    addClick("tkkmz", [this] { exportSelectedTrack(true); });
    addClick("tkgpx", [this] { exportSelectedTrack(false); });
    addClick("tkdel", [this] { DeleteSelectedTracks(); });
    addClick("tkphotos", [this] { addPhotosByTime(true); });
    addClick("onphotos", [this] { addPhotosByTime(false); });
    addClick("onback", [this] { playbackCommand(&Playback::back); });
    addClick("onplay", [this] { playbackCommand(&Playback::play); });
    addClick("onpause", [this] { playbackCommand(&Playback::pause); });
    addClick("onforward", [this] { playbackCommand(&Playback::forward); });
    addClick("onstop", [this] { playbackCommand(&Playback::stop); });
    addCommand("funcpage1", [this] { selectView(1); });
    addCommand("funcpage2", [this] { selectView(2); });
    addCommand("tab1", [this] { selectChart(1); });
    addCommand("tab2", [this] { selectChart(2); });
    addCommand("tab3", [this] { selectChart(3); });
    addCommand("tab4", [this] { selectChart(4); });
    addCommand("funcpage3", [this] { selectView(3); });
    addClick("statlast", [this] { statisticsView_.lastYear(); });
    addClick("statnext", [this] { statisticsView_.nextYear(); });
    addClick("statweek", [this] { statisticsView_.showBy(TotalsPeriod::Week); });
    addClick("statmonth", [this] { statisticsView_.showBy(TotalsPeriod::Month); });
    addClick("statyear", [this] { statisticsView_.showBy(TotalsPeriod::Year); });
    addMessage(ui::MSG_DATE_CHANGED, [this](const ui::Message&) { LoadDayTracks(); });
    addMessage(ui::MSG_MAP_LOADED, [this](const ui::Message&) { mapLoaded(); });
    addMessage(ui::MSG_CHART_CLICK, [this](const ui::Message& message) {
        chartClicked(static_cast<int>(message.wParam));
    });
    addMessage(ui::WM_TIMER, [this](const ui::Message& message) {
        if (message.wParam == Playback::kTimer) {
            playback_.tick();
            if (playback_.mode() == Playback::Mode::Stopped) {
                writeForwardSpeed();  // ran off the end
            }
        } else if (message.wParam == kShowingTimer) {
            showingTimer();
        }
    });
    addMessage(ui::MSG_TRACK_LINE_CLICK, [this](const ui::Message& m) {
        if (const auto* at = reinterpret_cast<const map::MapPosition*>(m.lParam)) {
            photos_.ShowPointInfo(at->lat, at->lng);
        }
    });
    addMessage(ui::MSG_ADD_PHOTO, [this](const ui::Message&) {
        photos_.AttachPhoto();
        keepShownPhotosInRow();
    });
    addMessage(ui::MSG_PHOTO_CLICK, [this](const ui::Message& m) {
        photos_.ShowPhoto(static_cast<int>(static_cast<std::intptr_t>(m.wParam)));
    });
    addMessage(ui::MSG_REMOVE_PHOTO, [this](const ui::Message& m) {
        photos_.RemovePhoto(static_cast<int>(static_cast<std::intptr_t>(m.wParam)));
        keepShownPhotosInRow();
    });
}

void CPageTrack::init() {
    ui::PageWindow::init();
    mapEvents_.setWindow(this);
    mapEvents_.sourceChosen = [this](const std::string& name) {
        map::keepMapSource(mapService_, name);
    };
    if (ui::BrowserHost* host = map()) {
        dispatch_.attach(*host);
        map::navigateMap(*this, map::kPlaceholderPage);
    }
    if (ui::StaticControl* control = calendarControl()) {
        control->setPainter([this, control](ui::Canvas& canvas) {
            calendar_.layout(control->clientRect());
            calendar_.paint(canvas, localToday());
        });
        control->setMouseHandler([this](const ui::Message& message) { onCalendarMouse(message); });
        // The arrows move the selected day as a click selects one.
        control->setKeyHandler([this](int keyCode, unsigned) {
            if (!calendar_.moveSelection(keyCode)) {
                return false;
            }
            repaintCalendar();
            writeMonthLabel();
            post(ui::MSG_DATE_CHANGED);
            return true;
        });
    }
    if (ui::StaticControl* control = chartControl()) {
        control->setPainter([this](ui::Canvas& canvas) {
            chart_.paint(canvas);
            markChartAt(chartMarker_);  // the chart may have changed size
        });
        control->setMouseHandler([this](const ui::Message& message) { onChartMouse(message); });
    }
    statisticsView_.attach(widget<ui::StaticControl>(*this, kTotalsChart));
    loadTrackDates();
    calendar_.goToday(localToday());
    repaintCalendar();
    writeMonthLabel();
    if (ui::ListView* list = trackList()) {
        list->insertColumn(0, kTrackColumnWide);
        list->setRowHeight(kTrackRowHeight);
        list->setRowPainter([this](ui::Canvas& canvas, int row, const ui::Rect& rect, bool sel) {
            if (row >= 0 && row < static_cast<int>(dayTracks_.size())) {
                const auto at = static_cast<std::size_t>(row);
                paintTrackRow(canvas, dayTracks_[at],
                              at < dayOrigins_.size() ? dayOrigins_[at] : std::string(), rect, sel,
                              row == markedRow_, session_.settings);
            }
        });
        list->setFrameChangedHandler([this] { applyColumnRule(); });
    }
    if (ui::ListView* points = pointList()) {
        attachPointList(
            *points, [this] { return shownPoints(); }, session_.settings);
    }
    // Stored tracks changed (a download, a load) or the settings they show in: the calendar
    // opens on the newest downloaded track, which may be months away.
    session_.tracksChanged.add([this, alive = aliveToken()](const TracksChange& change) {
        if (!alive.expired()) {
            tracksChanged(change);
        }
    });
    // Maps added in Settings or dropped on a map are offered at once; the map shown stays.
    session_.mapSourcesChanged.add([this, alive = aliveToken()] {
        if (!alive.expired()) {
            map::showMapSources(map::MapBridge(map()), mapService_, session_.settings);
        }
    });
    // Once the window is up: an older database's tracks get their statistics, under the busy
    // window, before any totals show.
    loop().post([this, alive = aliveToken()] {
        if (!alive.expired()) {
            fillStatistics();
        }
    });
    // A flow about to replace or delete stored tracks: the replay stops, ready to play again.
    // The track shown stays; tracksChanged says afterwards whether it is still stored.
    session_.playbackStop.add([this, alive = aliveToken()] {
        if (!alive.expired()) {
            stopPlayback();
        }
    });
}

ui::StaticControl* CPageTrack::calendarControl() const {
    return widget<ui::StaticControl>(*this, kCalendar);
}

ui::StaticControl* CPageTrack::chartControl() const {
    return widget<ui::StaticControl>(*this, kChart);
}

ui::ListView* CPageTrack::trackList() const {
    return widget<ui::ListView>(*this, kTrackList);
}

ui::ListView* CPageTrack::pointList() const {
    return widget<ui::ListView>(*this, kPointList);
}

ui::BrowserHost* CPageTrack::map() const {
    return map::mapWidget(*this);
}

std::intptr_t CPageTrack::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_NOTIFY && message.lParam != 0) {
        const auto* notify = reinterpret_cast<const ui::ListNotify*>(message.lParam);
        if (notify->idFrom == kTrackList) {
            onTrackListNotify(*notify);
            return 0;
        }
    }
    return ui::PageWindow::handleMessage(message);
}

void CPageTrack::mapLoaded() {
    MapsLoaded = true;
    if (ui::BrowserHost* host = map()) {
        host->enable(true);
        const map::MapBridge bridge(host);
        map::showMapSources(bridge, mapService_, session_.settings);
        bridge.setCenter(0, 0, 2);
    }
}

// Calendar ---------------------------------------------------------------------------------

void CPageTrack::loadTrackDates() {
    loadTrackDates(storedTrackHeaders(session_));
}

void CPageTrack::loadTrackDates(const std::vector<TrackHeader>& headers) {
    std::vector<CalendarDate> dates;
    for (const TrackHeader& header : headers) {
        // A track marks every day it covers; a damaged end time is held to a year, so that
        // one stray row cannot mark the calendar for centuries.
        const double last = std::clamp(header.etime, header.stime, header.stime + 366);
        for (double day = std::floor(header.stime); day <= last; day += 1) {
            dates.push_back(dateOf(std::max(day, header.stime)));
        }
    }
    calendar_.setTrackDates(std::move(dates));
}

void CPageTrack::repaintCalendar() {
    if (ui::StaticControl* control = calendarControl()) {
        control->invalidate();
    }
    writeMonthTotals();
}

void CPageTrack::writeMonthLabel() {
    if (ui::Element* label = byId("calendardate")) {
        label->setText(calendar_.label());
    }
    writeMonthTotals();
}

bool CPageTrack::onKey(ui::HtmlWindow&, ui::Element&, ui::KeyEvent& event) {
    return monthChoice_.onKey(event);
}

// The month taken in the month and year choice shows as the month buttons show one.
void CPageTrack::showMonth(int year, int month) {
    calendar_.showMonth(year, month);
    repaintCalendar();
    writeMonthLabel();
}

void CPageTrack::lastMonth() {
    monthChoice_.close();
    calendar_.lastMonth();
    repaintCalendar();
    writeMonthLabel();
}

void CPageTrack::nextMonth() {
    monthChoice_.close();
    calendar_.nextMonth();
    repaintCalendar();
    writeMonthLabel();
}

void CPageTrack::today() {
    monthChoice_.close();
    calendar_.goToday(localToday());
    repaintCalendar();
    writeMonthLabel();
    post(ui::MSG_DATE_CHANGED);
}

void CPageTrack::onCalendarMouse(const ui::Message& message) {
    if (message.id != ui::WM_LBUTTONDOWN) {
        return;
    }
    const ui::Point at{ui::pointParamX(message.lParam), ui::pointParamY(message.lParam)};
    if (calendar_.click(at)) {
        repaintCalendar();
        post(ui::MSG_DATE_CHANGED);
    }
}

// Stored tracks changed (a download, an import, a load) or the settings they show in.
// Everything that shows stored tracks follows: the marked days, the month's totals, the day's
// list and the Statistics view. A load's newest track brings its month into view, its day
// listed; the track shown stays while it is still stored, drawn anew in the settings' units.
void CPageTrack::tracksChanged(const TracksChange& change) {
    const std::vector<TrackHeader> headers = storedTrackHeaders(session_);
    loadTrackDates(headers);
    if (change.newestStart > 0) {
        calendar_.showDate(dateOf(change.newestStart));
        writeMonthLabel();
    }
    calendar_.rebuild();
    repaintCalendar();
    const bool shownStored =
        shown_ && std::any_of(headers.begin(), headers.end(), [this](const TrackHeader& h) {
            return h.objid == shown_->objid && h.stime == shown_->stime;
        });
    if (!shownStored) {
        ClearTrackDisplay();
    }
    const std::optional<CalendarDate> date = calendar_.selectedDate();
    dayTracks_ = tracksOfDay(session_, date ? oleDateOf(*date) : 0);
    dayOrigins_ = trackOrigins(session_, dayTracks_);
    fillTrackList();
    findShownRow();
    if (shown_) {
        buildChart();
        writeShownStatistics();
        showPointRows(pointList(), static_cast<int>(shown_->points.size()));
    }
    if (view_ == 3) {
        statisticsView_.refresh();
    }
    // The scale bar's units and the maps offered may have changed with the settings.
    map::showMapSources(map::MapBridge(map()), mapService_, session_.settings);
}

void CPageTrack::RefreshTrackPage() {
    loadTrackDates();
    calendar_.rebuild();
    repaintCalendar();
    post(ui::MSG_DATE_CHANGED);
}

// Day list ---------------------------------------------------------------------------------

void CPageTrack::LoadDayTracks() {
    shownTrack_ = -1;
    ClearTrackDisplay();
    dayTracks_.clear();
    const std::optional<CalendarDate> date = calendar_.selectedDate();
    const double day = date ? oleDateOf(*date) : 0;
    dayTracks_ = tracksOfDay(session_, day);
    dayOrigins_ = trackOrigins(session_, dayTracks_);
    fillTrackList();
}

void CPageTrack::fillTrackList() {
    markedRow_ = -1;
    if (ui::ListView* list = trackList()) {
        list->deleteAllRows();
        for (std::size_t i = 0; i < dayTracks_.size(); ++i) {
            list->insertRow(static_cast<int>(i), static_cast<std::intptr_t>(i));
        }
    }
    writeTrackCount();
}

void CPageTrack::writeTrackCount() {
    if (ui::Element* label = byId("tracknum")) {
        label->setText(trackCountText(static_cast<int>(dayTracks_.size())));
    }
}

void CPageTrack::applyColumnRule() {
    ui::ListView* list = trackList();
    if (list == nullptr) {
        return;
    }
    const int now = list->columnWidth(0);
    const int wanted = trackColumnWidth(now, list->showsVerticalScrollBar());
    if (wanted != now) {
        // Applied after the list has finished recalculating its frame.
        loop().post([list, wanted, alive = aliveToken()] {
            if (!alive.expired()) {
                list->setColumnWidth(0, wanted);
            }
        });
    }
}

void CPageTrack::onTrackListNotify(const ui::ListNotify& notify) {
    const int code = notify.code;
    const ui::Point point = notify.point;
    if (code == ui::NM_DBLCLK || code == ui::NM_RETURN) {
        ShowTrack();
    } else if (code == ui::LVN_KEYDOWN && notify.keyCode == ui::VK_DELETE) {
        ui::ListView* list = trackList();
        if (list != nullptr && !list->selectedRows().empty()) {
            DeleteSelectedTracks();
        }
    } else if (code == ui::NM_HOVER) {
        showRowTooltip(notify);
    } else if (code == ui::NM_RCLICK) {
        ui::ListView* list = trackList();
        ui::Element* menu = byId("tkmenu");
        if (list == nullptr || menu == nullptr || list->selectedRows().empty()) {
            return;
        }
        const ui::Rect box = list->element() != nullptr ? list->element()->location() : ui::Rect{};
        showPopupAt(*menu, {box.left + point.x, box.top + point.y});
    }
}

void CPageTrack::hideTrackMenu() {
    if (ui::Element* menu = byId("tkmenu")) {
        hidePopup(*menu);
    }
}

// Stopped and rewound on the shown track, so that the replay buttons go on working.
void CPageTrack::stopPlayback() {
    const std::vector<TrackPoint>* points = shownPoints();
    playback_.reset(points != nullptr ? static_cast<int>(points->size()) : 0);
    writeForwardSpeed();
}

const std::vector<TrackPoint>* CPageTrack::shownPoints() const {
    return shown_ ? &shown_->points : nullptr;
}

void CPageTrack::playbackCommand(void (Playback::*command)()) {
    if (shownPoints() != nullptr) {
        (playback_.*command)();
    }
    writeForwardSpeed();
}

// The fast forward button's tooltip says how fast it goes, and that a press goes faster.
void CPageTrack::writeForwardSpeed() {
    ui::Element* button = byId("onforward");
    if (button == nullptr) {
        return;
    }
    const int speed = playback_.forwardSpeed();
    std::string title = "Fast forward";
    if (speed > 0) {
        title += " - " + std::to_string(Playback::pointsPerSecond(speed)) + " points a second";
    }
    if (speed > 0 && speed < Playback::kForwardSpeeds) {
        title += "; press again to go faster";
    }
    button->setAttribute("title", title);
}

// The map page is told the map's client size: the box of the widget element.
bool CPageTrack::putCar(int index) {
    const std::vector<TrackPoint>* points = shownPoints();
    if (points == nullptr || index < 0 || index >= static_cast<int>(points->size())) {
        return false;
    }
    const TrackPoint& point = (*points)[static_cast<std::size_t>(index)];
    ui::BrowserHost* host = map();
    const ui::Element* element = host != nullptr ? host->element() : nullptr;
    const ui::Rect box = element != nullptr ? element->location() : ui::Rect{};
    map::MapBridge(host).setCar(point.lat, point.lng, programPath(kCarImage).string(), box.width(),
                                box.height());
    markChartAt(index);
    return true;
}

TrackHeader* CPageTrack::shownTrackHeader() {
    return shown_ ? &*shown_ : nullptr;
}

void CPageTrack::findShownRow() {
    shownTrack_ = markedRow_ = -1;
    for (std::size_t row = 0; shown_ && row < dayTracks_.size(); ++row) {
        if (dayTracks_[row].objid == shown_->objid) {
            shownTrack_ = markedRow_ = static_cast<int>(row);
        }
    }
    if (ui::ListView* list = trackList()) {
        list->invalidate();
    }
}

// A photo put on or taken off the shown track: its row holds the same points.
void CPageTrack::keepShownPhotosInRow() {
    if (shown_ && shownTrack_ >= 0 && shownTrack_ < static_cast<int>(dayTracks_.size())) {
        TrackHeader& row = dayTracks_[static_cast<std::size_t>(shownTrack_)];
        for (std::size_t i = 0; i < row.points.size() && i < shown_->points.size(); ++i) {
            row.points[i].pho = shown_->points[i].pho;
        }
    }
}

void CPageTrack::ShowTrack() {
    if (!MapsLoaded) {
        return;
    }
    ui::ListView* list = trackList();
    const int row = list != nullptr ? list->selectionMark() : -1;
    if (row < 0 || row >= static_cast<int>(dayTracks_.size())) {
        return;
    }
    // The shown track is a copy: it stays shown while the list shows another day.
    shown_ = dayTracks_[static_cast<std::size_t>(row)];
    shownTrack_ = row;
    markedRow_ = row;
    list->invalidate();
    const std::vector<TrackPoint>& points = shown_->points;
    stopPlayback();
    markChartAt(-1);
    showPointRows(pointList(), static_cast<int>(points.size()));
    buildChart();
    writeShownStatistics();
    const map::MapBridge bridge(map());
    bridge.closeInfo();
    bridge.clrTKLine();
    bridge.clrPhoto();
    bridge.clrCar();
    // The page takes a long track in while this loop goes on: the busy window shows once that
    // is long enough to notice, and goes when the page has it.
    endShowing();
    const int serial = ++showSerial_;
    setTimer(kShowingTimer, kShowingNoticeDelay);
    bridge.putTKLine(points, [this, serial, alive = aliveToken()] {
        if (!alive.expired() && serial == showSerial_) {
            endShowing();
        }
    });
}

void CPageTrack::showingTimer() {
    killTimer(kShowingTimer);
    if (!showingBusy_ && commands_ != nullptr) {
        showingBusy_.emplace(commands_->prompt());
        // A page that never answers must not leave the window insensitive.
        setTimer(kShowingTimer, kShowingGiveUp);
    } else {
        endShowing();
    }
}

void CPageTrack::endShowing() {
    killTimer(kShowingTimer);
    showingBusy_.reset();
}

void CPageTrack::ClearTrackDisplay() {
    shown_.reset();
    shownTrack_ = -1;
    if (markedRow_ >= 0) {
        markedRow_ = -1;
        if (ui::ListView* list = trackList()) {
            list->invalidate();
        }
    }
    ++showSerial_;
    endShowing();
    const map::MapBridge bridge(map());
    bridge.closeInfo();
    bridge.clrTKLine();
    bridge.clrPhoto();
    bridge.clrCar();
    chart_.Clear();
    markChartAt(-1);
    chartTip_.hide();
    chartHotSpot_ = -1;
    if (ui::StaticControl* control = chartControl()) {
        control->invalidate();
    }
    showPointRows(pointList(), 0);
    writeStatisticsPanel(*this, std::nullopt, session_.settings);
    stopPlayback();
}

void CPageTrack::DeleteSelectedTracks() {
    hideTrackMenu();
    ui::ListView* list = trackList();
    if (list == nullptr || commands_ == nullptr ||
        !commands_->prompt().askYesNo(kDeleteTracksQuestion, {})) {
        return;
    }
    std::vector<TrackHeader>& tracks = dayTracks_;
    std::vector<TrackHeader> chosen;
    std::vector<int> chosenRows;
    for (std::size_t row = 0; row < tracks.size(); ++row) {
        if (list->isSelected(static_cast<int>(row))) {
            chosen.push_back(tracks[row]);
            chosenRows.push_back(static_cast<int>(row));
        }
    }
    const Outcome deleted =
        deleteStoredTracks(commands_->prompt(), session_, chosen, [&](std::size_t i) {
            if (shown_ && chosen[i].objid == shown_->objid) {
                ClearTrackDisplay();
            }
        });
    if (deleted.kind == OutcomeKind::Failed) {
        // What was deleted so far stays deleted; the list shows the day as it is now.
        LoadDayTracks();
        loadTrackDates();
        calendar_.rebuild();
        repaintCalendar();
        statisticsView_.refresh();
        return;
    }
    if (!deleted.complete()) {
        return;
    }
    // The rows left keep their own sources: a row moving up takes its source with it.
    std::vector<TrackHeader> kept;
    std::vector<std::string> keptOrigins;
    for (std::size_t row = 0; row < tracks.size(); ++row) {
        if (!std::binary_search(chosenRows.begin(), chosenRows.end(), static_cast<int>(row))) {
            kept.push_back(std::move(tracks[row]));
            keptOrigins.push_back(row < dayOrigins_.size() ? dayOrigins_[row] : std::string());
        }
    }
    tracks = std::move(kept);
    dayOrigins_ = std::move(keptOrigins);
    fillTrackList();
    findShownRow();
    loadTrackDates();
    calendar_.rebuild();
    repaintCalendar();
    statisticsView_.refresh();
}

void CPageTrack::exportSelectedTrack(bool kmz) {
    hideTrackMenu();
    ui::ListView* list = trackList();
    const int row = list != nullptr ? list->selectionMark() : -1;
    if (commands_ == nullptr || row < 0 || row >= static_cast<int>(dayTracks_.size())) {
        return;
    }
    // A copy: the day may change while the file dialog is open.
    const TrackHeader track = dayTracks_[static_cast<std::size_t>(row)];
    commands_->run([this, &track, kmz](UserPrompt& prompt) {
        ExportTrack(prompt, session_, track, kmz ? ExportFormat::Kmz : ExportFormat::Gpx);
    });
}

void CPageTrack::addPhotosByTime(bool selectedRow) {
    hideTrackMenu();
    ui::ListView* list = trackList();
    const int row = list != nullptr && selectedRow ? list->selectionMark() : -1;
    if (commands_ == nullptr || photosDialog_ == nullptr ||
        (selectedRow ? row < 0 || row >= static_cast<int>(dayTracks_.size()) : !shown_)) {
        return;
    }
    TrackHeader track = selectedRow ? dayTracks_[static_cast<std::size_t>(row)] : *shown_;
    const std::vector<std::size_t> added =
        tracks::addPhotosByTime(session_, *commands_, *photosDialog_, track, photos_.stamps());
    keepAttachedPhotos(track, added, dayTracks_);
    const TrackHeader* shown = shownTrackHeader();
    if (shown != nullptr && shown->objid == track.objid) {
        keepAttachedPhotos(track, added, *shown_);
        const map::MapBridge bridge(map());
        for (std::size_t i : added) {
            if (i >= shown->points.size() || shown->points[i].pho.empty()) {
                continue;
            }
            const TrackPoint& point = shown->points[i];
            bridge.addPhoto(static_cast<int>(i), point.lat, point.lng, point.pho);
        }
    }
}

// Commands of the tab bar ------------------------------------------------------------------

void CPageTrack::downloadDeviceLogs() {
    if (commands_ != nullptr) {
        commands_->run([this](UserPrompt& prompt) { DownloadDeviceLogs(prompt, session_); });
    }
}

void CPageTrack::loadTracksFromPc() {
    if (commands_ != nullptr) {
        commands_->run([this](UserPrompt& prompt) { LoadTracksFromPc(prompt, session_); });
    }
}

void CPageTrack::saveTracksToPc() {
    ui::ListView* list = trackList();
    if (commands_ == nullptr || list == nullptr) {
        return;
    }
    const std::vector<TrackHeader> rows = dayTracks_;
    std::vector<bool> selected(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        selected[i] = list->isSelected(static_cast<int>(i));
    }
    ui::CommandRunner& runner = *commands_;
    const auto chosen = [this, &runner] { runner.onUi([this] { stopPlayback(); }); };
    runner.run([this, &rows, &selected, &chosen](UserPrompt& prompt) {
        SaveTracksToPc(prompt, session_, rows, selected, chosen);
    });
}

void CPageTrack::eraseDeviceLogs() {
    if (commands_ != nullptr) {
        commands_->run([this](UserPrompt& prompt) { EraseDeviceLogs(prompt, session_); });
    }
}

// Views ------------------------------------------------------------------------------------

void CPageTrack::selectView(int n) {
    if (ui::Element* bar = byId("funcpage")) {
        if (ui::Element* selected = bar->selectFirst("div.selected")) {
            selected->removeAttribute("class");
        }
    }
    if (ui::Element* tab = byId("funcpage" + std::to_string(n))) {
        tab->setAttribute("class", "selected");
    }
    for (const char* word : {"list", "menu"}) {
        setDisplay(word + std::to_string(view_), "none");
    }
    view_ = n;
    for (const char* word : {"list", "menu"}) {
        setDisplay(word + std::to_string(view_), "block");
    }
    if (view_ == 3) {
        statisticsView_.showYear(calendar_.year());
    }
}

void CPageTrack::selectChart(int n) {
    const std::string old = "tab" + std::to_string(static_cast<int>(chartKind_));
    setDisplay(old + "-s", "none");
    setDisplay(old, "block");
    chartKind_ = static_cast<ChartKind>(n);
    const std::string now = "tab" + std::to_string(n);
    setDisplay(now + "-s", "block");
    setDisplay(now, "none");
    if (shown_) {
        buildChart();
    }
}

// Profile chart ----------------------------------------------------------------------------

void CPageTrack::buildChart() {
    chartTip_.hide();
    chartHotSpot_ = -1;
    if (!shown_) {
        return;
    }
    chart_.Build(chartKind_, *shown_, session_.settings);
    if (ui::StaticControl* control = chartControl()) {
        control->invalidate();
    }
}

void CPageTrack::onChartMouse(const ui::Message& message) {
    ui::StaticControl* control = chartControl();
    if (control == nullptr) {
        return;
    }
    const ui::Rect client = control->clientRect();
    const ui::Point at{ui::pointParamX(message.lParam), ui::pointParamY(message.lParam)};
    const ui::Rect plot = ProfileChart::plotArea(client.width(), client.height());
    const bool inPlot = plot.contains(at);
    const int hot = inPlot ? chart_.pointAt(at.x, client.width()) : -1;
    switch (message.id) {
        case ui::WM_MOUSEMOVE: {
            // Dragging or a held modifier is no hover.
            constexpr std::uintptr_t kHeld =
                ui::MK_LBUTTON | ui::MK_RBUTTON | ui::MK_SHIFT | ui::MK_CONTROL;
            if ((message.wParam & kHeld) != 0) {
                chartTip_.hide();
                chartHotSpot_ = -1;
                return;
            }
            if (hot == chartHotSpot_) {
                return;
            }
            chartHotSpot_ = hot;
            const ui::Element* e = control->element();
            const ui::Point origin = e != nullptr ? e->location().origin() : ui::Point{};
            chartTip_.show(chart_.tooltipText(hot), {origin.x + at.x, origin.y + at.y}, true);
            return;
        }
        case ui::WM_MOUSELEAVE:
            chartTip_.hide();
            chartHotSpot_ = -1;
            return;
        case ui::WM_LBUTTONDOWN:
            chartPressed_ = inPlot;
            return;
        case ui::WM_LBUTTONUP:
            if (chartPressed_ && hot >= 0) {
                post(ui::MSG_CHART_CLICK, static_cast<std::uintptr_t>(hot));
            }
            chartPressed_ = false;
            return;
        default:
            return;
    }
}

// The profile shows where the car is, as the map shows where on the track. The mark is an
// element of its own over the chart: painting the whole chart again at each step of a replay
// cost five times the processor time of the step itself.
void CPageTrack::markChartAt(int index) {
    chartMarker_ = index;
    ui::Element* mark = byId("chartmark");
    const ui::StaticControl* control = chartControl();
    const ui::Element* e = control != nullptr ? control->element() : nullptr;
    if (mark == nullptr || e == nullptr) {
        return;
    }
    const ui::Rect box = e->location();
    const int x = chart_.xOfPoint(index, box.width());
    if (x < 0) {
        mark->setStyle("display", "none");
        return;
    }
    const ui::Rect plot = ProfileChart::plotArea(box.width(), box.height());
    mark->setStyle("left", std::to_string(box.left + x - 1) + "px");
    mark->setStyle("top", std::to_string(box.top + plot.top) + "px");
    mark->setStyle("height", std::to_string(plot.height()) + "px");
    mark->setStyle("display", "block");
}

void CPageTrack::chartClicked(int index) {
    if (index < 0 || index >= chart_.pointCount()) {
        return;
    }
    const TrackPoint& p = chart_.point(index);
    const map::MapBridge bridge(map());
    bridge.setCenter(p.lat, p.lng, 0);
    bridge.showAnimationPoint(p.lat, p.lng);
}

}  // namespace vandrel::tracks

namespace vandrel::tracks {

// Statistics ---------------------------------------------------------------------------------

void CPageTrack::fillStatistics() {
    if (commands_ == nullptr || tracksWithoutStatistics(session_) == 0) {
        return;
    }
    commands_->run([this](UserPrompt& prompt) {
        BusyScope busy(prompt);
        fillStoredStatistics(session_);
    });
    writeMonthTotals();
}

void CPageTrack::writeMonthTotals() {
    ui::Element* label = byId("monthtotals");
    if (label == nullptr) {
        return;
    }
    SystemTime first;
    first.year = calendar_.year(), first.month = calendar_.month(), first.day = 1;
    double from = 0;
    if (!SystemTimeToVariantTime(first, from)) {
        return;
    }
    SystemTime next = first;
    next.year += first.month == 12 ? 1 : 0;
    next.month = first.month == 12 ? 1 : first.month + 1;
    double to = from;
    SystemTimeToVariantTime(next, to);
    label->setText(monthTotalsText(readStoredTotals(session_, from, to, TotalsPeriod::Month),
                                   session_.settings));
}

void CPageTrack::writeShownStatistics() {
    const TrackHeader* track = shownTrackHeader();
    writeStatisticsPanel(
        *this,
        track != nullptr ? std::optional(storedTrackStatistics(session_, *track)) : std::nullopt,
        session_.settings);
}

void CPageTrack::showRowTooltip(const ui::ListNotify& notify) {
    const int row = notify.item;
    if (row == tipRow_) {
        return;
    }
    tipRow_ = row;
    if (row < 0 || row >= static_cast<int>(dayTracks_.size())) {
        chartTip_.hide();
        return;
    }
    const TrackHeader& track = dayTracks_[static_cast<std::size_t>(row)];
    ui::ListView* list = trackList();
    const ui::Rect box =
        list != nullptr && list->element() != nullptr ? list->element()->location() : ui::Rect{};
    chartTip_.show(trackRowTooltip(storedTrackStatistics(session_, track), session_.settings),
                   {box.left + notify.point.x, box.top + notify.point.y});
}

}  // namespace vandrel::tracks
