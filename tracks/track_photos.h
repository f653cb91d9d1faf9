#pragma once
// Photos on the points of the shown track. A click on the drawn line opens the information
// bubble of the nearest point with a link to attach a photo; an attached photo is copied into
// the program's "photos" folder, its path kept in the point's `pho` and shown as a marker; a
// click on the marker shows the photo with a link that removes it. The track page passes the
// map page's callbacks on to these operations.

#include <functional>
#include <string>

#include "core/photo_stamps.h"
#include "core/track_records.h"
#include "flows/session.h"

namespace vandrel::ui {
class BrowserHost;
class CommandRunner;
}  // namespace vandrel::ui

namespace vandrel::tracks {

class TrackPhotos {
  public:
    struct Hooks {
        std::function<ui::BrowserHost*()> map;
        // The track shown on the map, or null; its points are changed in place.
        std::function<TrackHeader*()> shownTrack;
        // Null where no dialogue can be held.
        ui::CommandRunner* commands = nullptr;
        // The local time the copies are named by.
        LocalClock clock = localTimeWithMilliseconds;
    };

    TrackPhotos(Session& session, Hooks hooks);

    // The bubble of the point nearest to the clicked position (the first of equally near ones).
    void ShowPointInfo(float lat, float lng);
    // Attaches a chosen file to the point of the last bubble, replacing its photo.
    void AttachPhoto();
    // The photo of the point in a bubble, 320 pixels on its longer side, with a remove link.
    void ShowPhoto(int index);
    void RemovePhoto(int index);
    // Names the copies of every attach of the page, so that no two are named alike.
    PhotoStamps& stamps() { return stamps_; }

  private:
    TrackPoint* shownPoint(int index) const;
    TrackPoint* infoPoint() const;

    Session& session_;
    Hooks hooks_;
    PhotoStamps stamps_;
    // The point whose bubble was opened last, and the track it belongs to: a bubble left open
    // from another track attaches nothing.
    int infoPoint_ = -1;
    int infoTrack_ = 0;
};

}  // namespace vandrel::tracks
