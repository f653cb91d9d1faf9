#pragma once
// The track shown on the map, in the Detail list and in the chart: showing a row's track and
// clearing it, the map page's calls and its notices, the replay and the photos on its points.

#include <optional>

#include "core/user_prompt.h"
#include "map/map_events.h"
#include "map/map_external_dispatch.h"
#include "map/map_service.h"
#include "tracks/chart_panel.h"
#include "tracks/page_statistics.h"
#include "tracks/photos_by_time_dialog.h"
#include "tracks/playback.h"
#include "tracks/track_page_model.h"
#include "tracks/track_photos.h"
#include "ui/page_window.h"

namespace vandrel::tracks {

class ShownTrack {
  public:
    struct Parts {
        ChartPanel& chart;
        PageStatistics& statistics;
    };
    ShownTrack(ui::PageWindow& page, TrackPageModel& model, ui::CommandRunner* commands,
               const map::MapService& mapService, Parts parts);

    // Takes the map page's notices and the Detail list's drawing.
    void attach();
    // The map page has loaded: the map shows, centred on the world.
    void mapLoaded();
    // The maps offered (and the scale bar's units) as the settings say now.
    void showMapSources();

    // The row's track on the map, chart and Detail list, once the map page has loaded.
    void show(int row);
    void clear();
    // The shown track drawn anew after the stored tracks or the settings changed.
    void redraw();
    // The row of the shown track in the day's list, or -1, marked.
    void findShownRow();

    // A replay button pressed; its ticks; stopped and rewound, ready to play again.
    void playbackCommand(void (Playback::*command)());
    // Takes the timers of the replay and of the busy window; false for another timer.
    bool timer(std::uintptr_t id);
    void stopPlayback();

    // The map page's photo calls, and photos added by time to the row's track (none: the
    // shown track's).
    void pointClicked(float lat, float lng) { photos_.ShowPointInfo(lat, lng); }
    void attachPhoto();
    void showPhoto(int index) { photos_.ShowPhoto(index); }
    void removePhoto(int index);
    void addPhotosByTime(std::optional<int> row);
    void setPhotosDialog(PhotosByTimeDialog* dialog) { photosDialog_ = dialog; }

  private:
    bool putCar(int index);
    void writeForwardSpeed();
    void keepShownPhotosInRow();
    void clearMap() const;
    void showingTimer();
    void endShowing();

    // While the map page takes a shown track in: after the delay the busy window shows.
    static constexpr unsigned kShowingTimer = 1001;
    static constexpr ui::Milliseconds kShowingNoticeDelay{200};
    static constexpr ui::Milliseconds kShowingGiveUp{30000};

    ui::PageWindow& page_;
    TrackPageModel& model_;
    ui::CommandRunner* commands_;
    const map::MapService& mapService_;
    Parts parts_;
    map::TrackMapEvents mapEvents_;
    map::MapExternalDispatch dispatch_;
    Playback playback_;
    TrackPhotos photos_;
    PhotosByTimeDialog* photosDialog_ = nullptr;
    std::optional<BusyScope> showingBusy_;
    int showSerial_ = 0;
};

}  // namespace vandrel::tracks
