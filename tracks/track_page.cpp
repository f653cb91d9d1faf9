#include "tracks/track_page.h"

#include <algorithm>

#include "flows/download_device_logs.h"
#include "flows/erase_logs.h"
#include "flows/stored_track_queries.h"
#include "flows/track_files.h"
#include "map/map_events.h"
#include "ui/element.h"
#include "ui/list_view.h"
#include "ui/messages.h"

namespace vandrel::tracks {

CPageTrack::CPageTrack(ui::EventLoop& loop, ui::Window* parent, int controlId,
                       ui::CommandRunner* commands, Session& session,
                       const map::MapService& mapService)
    : ui::PageWindow(loop, parent, controlId, commands, 203),
      session_(session),
      model_(session),
      chart_(*this, model_),
      statistics_(*this, model_, commands),
      shown_(*this, model_, commands, mapService, {chart_, statistics_}),
      day_(*this, model_, commands, {shown_, statistics_}) {
    addClicks();
    addMessages();
}

void CPageTrack::addClicks() {
    addClick("lfromdevtrack", [this] { downloadDeviceLogs(); });
    addClick("lfrompctrack", [this] { loadTracksFromPc(); });
    addClick("s2pctrack", [this] { saveTracksToPc(); });
    addClick("deltrack", [this] { eraseDeviceLogs(); });
    addClick("lastmon", [this] { day_.lastMonth(); });
    addClick("nextmon", [this] { day_.nextMonth(); });
    addClick("today", [this] { day_.today(); });
    MonthChoice& choice = day_.monthChoice();
    addClick("calendardate",
             [this, &choice] { choice.toggle(day_.calendar().year(), day_.calendar().month()); });
    addClick("mcprev", [&choice] { choice.stepYear(-1); });
    addClick("mcnext", [&choice] { choice.stepYear(1); });
    for (int month = 1; month <= 12; ++month) {
        addClick("mc" + std::to_string(month), [&choice, month] { choice.take(month); });
    }
    addClick("tkkmz", [this] { exportSelectedTrack(true); });
    addClick("tkgpx", [this] { exportSelectedTrack(false); });
    addClick("tkdel", [this] { DeleteSelectedTracks(); });
    addClick("tkphotos", [this] { addPhotosByTime(true); });
    addClick("onphotos", [this] { addPhotosByTime(false); });
    addClick("onback", [this] { shown_.playbackCommand(&Playback::back); });
    addClick("onplay", [this] { shown_.playbackCommand(&Playback::play); });
    addClick("onpause", [this] { shown_.playbackCommand(&Playback::pause); });
    addClick("onforward", [this] { shown_.playbackCommand(&Playback::forward); });
    addClick("onstop", [this] { shown_.playbackCommand(&Playback::stop); });
    for (int n = 1; n <= 3; ++n) {
        addCommand("funcpage" + std::to_string(n), [this, n] { selectView(n); });
    }
    for (int n = 1; n <= 4; ++n) {
        addCommand("tab" + std::to_string(n), [this, n] { selectChart(n); });
    }
    StatisticsView& view = statistics_.view();
    addClick("statlast", [&view] { view.lastYear(); });
    addClick("statnext", [&view] { view.nextYear(); });
    addClick("statweek", [&view] { view.showBy(TotalsPeriod::Week); });
    addClick("statmonth", [&view] { view.showBy(TotalsPeriod::Month); });
    addClick("statyear", [&view] { view.showBy(TotalsPeriod::Year); });
}

void CPageTrack::addMessages() {
    addMessage(ui::MSG_DATE_CHANGED, [this](const ui::Message&) { LoadDayTracks(); });
    addMessage(ui::MSG_MAP_LOADED, [this](const ui::Message&) { shown_.mapLoaded(); });
    addMessage(ui::MSG_CHART_CLICK, [this](const ui::Message& message) {
        chart_.clicked(static_cast<int>(message.wParam));
    });
    addMessage(ui::WM_TIMER, [this](const ui::Message& message) { shown_.timer(message.wParam); });
    addMessage(ui::MSG_TRACK_LINE_CLICK, [this](const ui::Message& m) {
        if (const auto* at = reinterpret_cast<const map::MapPosition*>(m.lParam)) {
            shown_.pointClicked(at->lat, at->lng);
        }
    });
    addMessage(ui::MSG_ADD_PHOTO, [this](const ui::Message&) { shown_.attachPhoto(); });
    addMessage(ui::MSG_PHOTO_CLICK, [this](const ui::Message& m) {
        shown_.showPhoto(static_cast<int>(static_cast<std::intptr_t>(m.wParam)));
    });
    addMessage(ui::MSG_REMOVE_PHOTO, [this](const ui::Message& m) {
        shown_.removePhoto(static_cast<int>(static_cast<std::intptr_t>(m.wParam)));
    });
}

void CPageTrack::init() {
    ui::PageWindow::init();
    shown_.attach();
    chart_.attach();
    statistics_.attach();
    day_.attach();
    followSession();
}

void CPageTrack::followSession() {
    // Stored tracks changed (a download, a load) or the settings they show in: the calendar
    // opens on the newest downloaded track, which may be months away.
    session_.tracksChanged.add([this, alive = aliveToken()](const TracksChange& change) {
        if (!alive.expired()) {
            guard([this, &change] { tracksChanged(change); });
        }
    });
    // Maps added in Settings or dropped on a map are offered at once; the map shown stays.
    session_.mapSourcesChanged.add([this, alive = aliveToken()] {
        if (!alive.expired()) {
            shown_.showMapSources();
        }
    });
    // Once the window is up: an older database's tracks get their statistics, under the busy
    // window, before any totals show.
    loop().post([this, alive = aliveToken()] {
        if (!alive.expired()) {
            guard([this] {
                statistics_.fillMissing(day_.calendar().year(), day_.calendar().month());
            });
        }
    });
    // A flow about to replace or delete stored tracks: the replay stops, ready to play again.
    // The track shown stays; tracksChanged says afterwards whether it is still stored.
    session_.playbackStop.add([this, alive = aliveToken()] {
        if (!alive.expired()) {
            shown_.stopPlayback();
        }
    });
}

std::intptr_t CPageTrack::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_NOTIFY && message.lParam != 0) {
        const auto* notify = reinterpret_cast<const ui::ListNotify*>(message.lParam);
        if (notify->idFrom == kTrackListId) {
            guard([this, notify] { onTrackListNotify(*notify); });
            return 0;
        }
    }
    return ui::PageWindow::handleMessage(message);
}

void CPageTrack::onTrackListNotify(const ui::ListNotify& notify) {
    const int code = notify.code;
    if (code == ui::NM_DBLCLK || code == ui::NM_RETURN) {
        ShowTrack();
    } else if (code == ui::LVN_KEYDOWN && notify.keyCode == ui::VK_DELETE) {
        if (day_.hasSelection()) {
            DeleteSelectedTracks();
        }
    } else if (code == ui::NM_HOVER) {
        statistics_.showRowTooltip(notify);
    } else if (code == ui::NM_RCLICK) {
        day_.openMenu(notify.point);
    }
}

bool CPageTrack::onKey(ui::HtmlWindow&, ui::Element&, ui::KeyEvent& event) {
    bool taken = false;
    guard([this, &event, &taken] { taken = day_.monthChoice().onKey(event); });
    return taken;
}

// The box holds one line: where the database is and what the store said.
std::string CPageTrack::failureText(const std::string& what) const {
    return "The stored tracks could not be read from " +
           session_.folder().file("Vandrel.db").string() +
           ", which may be damaged or gone: " + what;
}

// Stored tracks changed (a download, an import, a load) or the settings they show in.
// Everything that shows stored tracks follows: the marked days, the month's totals, the day's
// list and the Statistics view. A load's newest track brings its month into view, its day
// listed; the track shown stays while it is still stored, drawn anew in the settings' units.
void CPageTrack::tracksChanged(const TracksChange& change) {
    const std::vector<TrackHeader> headers = storedTrackHeaders(session_);
    day_.showStoredTracks(headers, change.newestStart);
    const std::optional<TrackHeader>& shown = model_.shown;
    const bool shownStored =
        shown && std::any_of(headers.begin(), headers.end(), [&shown](const TrackHeader& h) {
            return h.objid == shown->objid && h.stime == shown->stime;
        });
    if (!shownStored) {
        shown_.clear();
    }
    day_.readDay();
    shown_.findShownRow();
    shown_.redraw();
    if (view_ == 3) {
        statistics_.view().refresh();
    }
    // The scale bar's units and the maps offered may have changed with the settings.
    shown_.showMapSources();
}

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
        statistics_.view().showYear(day_.calendar().year());
    }
}

// Commands ---------------------------------------------------------------------------------

void CPageTrack::runCommand(const std::function<void(UserPrompt&)>& command) {
    if (commands_ != nullptr) {
        commands_->run(command);
    }
}

void CPageTrack::downloadDeviceLogs() {
    runCommand([this](UserPrompt& prompt) { DownloadDeviceLogs(prompt, session_); });
}

void CPageTrack::loadTracksFromPc() {
    runCommand([this](UserPrompt& prompt) { LoadTracksFromPc(prompt, session_); });
}

void CPageTrack::eraseDeviceLogs() {
    runCommand([this](UserPrompt& prompt) { EraseDeviceLogs(prompt, session_); });
}

void CPageTrack::saveTracksToPc() {
    if (commands_ == nullptr || trackListControl(*this) == nullptr) {
        return;
    }
    // Copies: the day may change while the file dialog is open.
    const std::vector<TrackHeader> rows = model_.dayTracks;
    const std::vector<bool> selected = day_.selectedRows();
    ui::CommandRunner& runner = *commands_;
    const auto chosen = [this, &runner] { runner.onUi([this] { shown_.stopPlayback(); }); };
    runCommand([this, &rows, &selected, &chosen](UserPrompt& prompt) {
        SaveTracksToPc(prompt, session_, rows, selected, chosen);
    });
}

void CPageTrack::exportSelectedTrack(bool kmz) {
    day_.hideMenu();
    const int row = day_.markedRow();
    if (!model_.showsRow(row)) {
        return;
    }
    // A copy: the day may change while the file dialog is open.
    const TrackHeader track = model_.dayTracks[static_cast<std::size_t>(row)];
    runCommand([this, &track, kmz](UserPrompt& prompt) {
        ExportTrack(prompt, session_, track, kmz ? ExportFormat::Kmz : ExportFormat::Gpx);
    });
}

void CPageTrack::addPhotosByTime(bool selectedRow) {
    day_.hideMenu();
    shown_.addPhotosByTime(selectedRow ? std::optional(day_.markedRow()) : std::nullopt);
}

}  // namespace vandrel::tracks
