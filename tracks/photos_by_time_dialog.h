#pragma once
// The questions "Add Photos by Time..." asks: which photos, then a preview of where each will
// go, whose camera offset and largest gap change the preview as they are edited. The desktop
// answers with its own dialogs; without one the command does nothing.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/photo_matching.h"

namespace vandrel::tracks {

// A photo as the preview lists it whatever the settings.
struct PreviewPhoto {
    std::string path;
    std::string taken;      // the capture time as the program shows times, or empty
    std::string thumbnail;  // the JPEG preview embedded in the photo, or empty
};

// Where a photo goes with the settings shown, or why it goes nowhere.
struct PreviewPlace {
    std::string pointTime;  // empty when not placed
    std::string distance;   // along the track, as the program shows distances
    std::string note;       // why it was not placed, or that it was moved beside its point
};

struct PhotosChoice {
    MatchSettings settings;
    bool writePosition = false;  // the GPS tags written into the copies
};

class PhotosByTimeDialog {
  public:
    using Matcher = std::function<std::vector<PreviewPlace>(const MatchSettings&)>;
    virtual ~PhotosByTimeDialog() = default;
    // The photos and folders the user chose; empty when cancelled.
    virtual std::vector<std::string> choosePhotos() = 0;
    // Shows the photos with their places for `start`, asking `match` again whenever the offset
    // or the gap changes; the settings of "Attach", or nothing when cancelled.
    virtual std::optional<PhotosChoice> preview(const std::vector<PreviewPhoto>& photos,
                                                const MatchSettings& start,
                                                const Matcher& match) = 0;
};

}  // namespace vandrel::tracks
