#pragma once
// The questions "Add Photos by Time..." asks: which photos, then a preview of where each will
// go, whose camera offset and largest gap change the preview as they are edited, and whose
// offset can be worked out from one photo and the point it was taken at. The desktop answers
// with its own dialogs; without one the command does nothing.

#include <optional>
#include <string>
#include <vector>

#include "core/photo_matching.h"
#include "tracks/photo_places.h"

namespace vandrel::tracks {

// A photo as the preview lists it whatever the settings.
struct PreviewPhoto {
    std::string path;
    std::string taken;      // the capture time as the program shows times, or empty
    std::string thumbnail;  // the JPEG preview embedded in the photo, or empty
};

struct PhotosChoice {
    MatchSettings settings;
    bool writePosition = false;  // the GPS tags written into the copies
};

class PhotosByTimeDialog {
  public:
    virtual ~PhotosByTimeDialog() = default;
    // The photos and folders the user chose; empty when cancelled.
    virtual std::vector<std::string> choosePhotos() = 0;
    // Shows the photos with their places for `start`, asking `places` again whenever the
    // offset or the gap changes; the settings of "Attach", or nothing when cancelled.
    virtual std::optional<PhotosChoice> preview(const std::vector<PreviewPhoto>& photos,
                                                const MatchSettings& start,
                                                const PhotoPlaces& places) = 0;
};

}  // namespace vandrel::tracks
