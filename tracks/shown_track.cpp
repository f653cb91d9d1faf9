#include "tracks/shown_track.h"

#include <string>

#include "core/program_path.h"
#include "map/map_bridge.h"
#include "map/map_source_choice.h"
#include "map/map_widget.h"
#include "tracks/add_photos_by_time.h"
#include "tracks/point_list.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/list_view.h"

namespace vandrel::tracks {
namespace {

constexpr const char* kCarImage = "images/car.png";

}  // namespace

ShownTrack::ShownTrack(ui::PageWindow& page, TrackPageModel& model, ui::CommandRunner* commands,
                       const map::MapService& mapService, Parts parts)
    : page_(page),
      model_(model),
      commands_(commands),
      mapService_(mapService),
      parts_(parts),
      dispatch_(map::MapExternalDispatch::Page::Track, mapEvents_),
      playback_(page, [this](int index) { return putCar(index); }),
      photos_(model.session, {[this] { return trackMap(page_); },
                              [this] { return model_.shownTrack(); }, commands}) {}

void ShownTrack::attach() {
    mapEvents_.setWindow(&page_);
    mapEvents_.sourceChosen = [this](const std::string& name) {
        map::keepMapSource(mapService_, name);
    };
    if (ui::BrowserHost* host = trackMap(page_)) {
        dispatch_.attach(*host);
        map::navigateMap(page_, map::kPlaceholderPage);
    }
    if (ui::ListView* points = pointListControl(page_)) {
        attachPointList(
            *points, [this] { return model_.shownPoints(); }, model_.session.settings);
    }
}

void ShownTrack::mapLoaded() {
    model_.mapsLoaded = true;
    if (ui::BrowserHost* host = trackMap(page_)) {
        host->enable(true);
        const map::MapBridge bridge(host);
        map::showMapSources(bridge, mapService_, model_.session.settings);
        bridge.setCenter(0, 0, 2);
    }
}

void ShownTrack::showMapSources() {
    map::showMapSources(map::MapBridge(trackMap(page_)), mapService_, model_.session.settings);
}

void ShownTrack::clearMap() const {
    const map::MapBridge bridge(trackMap(page_));
    bridge.closeInfo();
    bridge.clrTKLine();
    bridge.clrPhoto();
    bridge.clrCar();
}

void ShownTrack::show(int row) {
    ui::ListView* list = trackListControl(page_);
    if (!model_.mapsLoaded || list == nullptr || !model_.showsRow(row)) {
        return;
    }
    model_.shown = model_.dayTracks[static_cast<std::size_t>(row)];
    model_.shownRow = row;
    list->invalidate();
    const std::vector<TrackPoint>& points = model_.shown->points;
    stopPlayback();
    parts_.chart.markAt(-1);
    showPointRows(pointListControl(page_), static_cast<int>(points.size()));
    parts_.chart.build();
    clearMap();
    // The page takes a long track in while this loop goes on: the busy window shows once that
    // is long enough to notice, and goes when the page has it.
    endShowing();
    const int serial = ++showSerial_;
    page_.setTimer(kShowingTimer, kShowingNoticeDelay);
    map::MapBridge(trackMap(page_)).putTKLine(points, [this, serial, alive = page_.aliveToken()] {
        if (!alive.expired() && serial == showSerial_) {
            endShowing();
        }
    });
    // Last: the track shows even where its statistics cannot be read.
    parts_.statistics.writeShownTrack();
}

void ShownTrack::clear() {
    model_.shown.reset();
    if (model_.shownRow >= 0) {
        model_.shownRow = -1;
        if (ui::ListView* list = trackListControl(page_)) {
            list->invalidate();
        }
    }
    ++showSerial_;
    endShowing();
    clearMap();
    parts_.chart.clear();
    showPointRows(pointListControl(page_), 0);
    parts_.statistics.writeShownTrack();
    stopPlayback();
}

void ShownTrack::redraw() {
    if (model_.shown) {
        parts_.chart.build();
        parts_.statistics.writeShownTrack();
        showPointRows(pointListControl(page_), static_cast<int>(model_.shown->points.size()));
    }
}

void ShownTrack::findShownRow() {
    model_.shownRow = -1;
    for (std::size_t row = 0; model_.shown && row < model_.dayTracks.size(); ++row) {
        if (model_.dayTracks[row].objid == model_.shown->objid) {
            model_.shownRow = static_cast<int>(row);
        }
    }
    if (ui::ListView* list = trackListControl(page_)) {
        list->invalidate();
    }
}

bool ShownTrack::timer(std::uintptr_t id) {
    if (id == Playback::kTimer) {
        playback_.tick();
        if (playback_.mode() == Playback::Mode::Stopped) {
            writeForwardSpeed();  // ran off the end
        }
        return true;
    }
    if (id == kShowingTimer) {
        showingTimer();
        return true;
    }
    return false;
}

void ShownTrack::showingTimer() {
    page_.killTimer(kShowingTimer);
    if (!showingBusy_ && commands_ != nullptr) {
        showingBusy_.emplace(commands_->prompt());
        // A page that never answers must not leave the window insensitive.
        page_.setTimer(kShowingTimer, kShowingGiveUp);
    } else {
        endShowing();
    }
}

void ShownTrack::endShowing() {
    page_.killTimer(kShowingTimer);
    showingBusy_.reset();
}

// Stopped and rewound on the shown track, so that the replay buttons go on working.
void ShownTrack::stopPlayback() {
    const std::vector<TrackPoint>* points = model_.shownPoints();
    playback_.reset(points != nullptr ? static_cast<int>(points->size()) : 0);
    writeForwardSpeed();
}

void ShownTrack::playbackCommand(void (Playback::*command)()) {
    if (model_.shownPoints() != nullptr) {
        (playback_.*command)();
    }
    writeForwardSpeed();
}

// The fast forward button's tooltip says how fast it goes, and that a press goes faster.
void ShownTrack::writeForwardSpeed() {
    ui::Element* button = page_.byId("onforward");
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
bool ShownTrack::putCar(int index) {
    const std::vector<TrackPoint>* points = model_.shownPoints();
    if (points == nullptr || index < 0 || index >= static_cast<int>(points->size())) {
        return false;
    }
    const TrackPoint& point = (*points)[static_cast<std::size_t>(index)];
    ui::BrowserHost* host = trackMap(page_);
    const ui::Element* element = host != nullptr ? host->element() : nullptr;
    const ui::Rect box = element != nullptr ? element->location() : ui::Rect{};
    map::MapBridge(host).setCar(point.lat, point.lng, programPath(kCarImage).string(), box.width(),
                                box.height());
    parts_.chart.markAt(index);
    return true;
}

void ShownTrack::attachPhoto() {
    photos_.AttachPhoto();
    keepShownPhotosInRow();
}

void ShownTrack::removePhoto(int index) {
    photos_.RemovePhoto(index);
    keepShownPhotosInRow();
}

// A photo put on or taken off the shown track: its row holds the same points.
void ShownTrack::keepShownPhotosInRow() {
    if (model_.shown && model_.showsRow(model_.shownRow)) {
        TrackHeader& row = model_.dayTracks[static_cast<std::size_t>(model_.shownRow)];
        for (std::size_t i = 0; i < row.points.size() && i < model_.shown->points.size(); ++i) {
            row.points[i].pho = model_.shown->points[i].pho;
        }
    }
}

void ShownTrack::addPhotosByTime(std::optional<int> row) {
    if (commands_ == nullptr || photosDialog_ == nullptr ||
        (row ? !model_.showsRow(*row) : !model_.shown)) {
        return;
    }
    TrackHeader track = row ? model_.dayTracks[static_cast<std::size_t>(*row)] : *model_.shown;
    const std::vector<std::size_t> added = tracks::addPhotosByTime(
        model_.session, *commands_, *photosDialog_, track, photos_.stamps());
    keepAttachedPhotos(track, added, model_.dayTracks);
    const TrackHeader* shown = model_.shownTrack();
    if (shown != nullptr && shown->objid == track.objid) {
        keepAttachedPhotos(track, added, *model_.shown);
        const map::MapBridge bridge(trackMap(page_));
        for (std::size_t i : added) {
            if (i < shown->points.size() && !shown->points[i].pho.empty()) {
                const TrackPoint& point = shown->points[i];
                bridge.addPhoto(static_cast<int>(i), point.lat, point.lng, point.pho);
            }
        }
    }
}

}  // namespace vandrel::tracks
