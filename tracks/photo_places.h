#pragma once
// What the preview of "Add Photos by Time..." asks of the chosen photos and the track: where
// each goes with the settings shown, and the camera offset that puts one photo on the point the
// user says it was taken at. The dialog lays these texts out; the decisions are made here.

#include <cstddef>
#include <string>
#include <vector>

#include "core/device_settings.h"
#include "core/photo_matching.h"
#include "core/track_records.h"

namespace vandrel::tracks {

// Where a photo goes with the settings shown, or why it goes nowhere.
struct PreviewPlace {
    std::string pointTime;  // empty when not placed
    std::string distance;   // along the track, as the program shows distances
    std::string note;       // why it was not placed, or that it was moved beside its point
};

// A point of the track as the user picks it: its time and its distance along the track.
struct PreviewPoint {
    std::string time;
    std::string distance;
};

class PhotoPlaces {
  public:
    // Keeps references: the captures and the track outlive the preview.
    PhotoPlaces(const std::vector<PhotoCapture>& captures, const TrackHeader& track,
                const DeviceSettings& settings)
        : captures_(captures), track_(track), settings_(settings) {}

    // One place per photo, in the photos' order.
    std::vector<PreviewPlace> places(const MatchSettings& match) const;

    std::size_t pointCount() const { return track_.points.size(); }
    PreviewPoint point(std::size_t index) const;

    // Whether the photo has a time to work an offset out from.
    bool hasCaptureTime(std::size_t photo) const;
    // The point to offer first for the photo: the one it is placed on with `match`, else the
    // one nearest to its corrected time.
    std::size_t startingPoint(std::size_t photo, const MatchSettings& match) const;
    // The camera offset (camera time minus true time) that puts the photo on the point.
    int offsetFrom(std::size_t photo, std::size_t point) const;

  private:
    const std::vector<PhotoCapture>& captures_;
    const TrackHeader& track_;
    const DeviceSettings& settings_;
};

}  // namespace vandrel::tracks
