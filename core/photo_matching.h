#pragma once
// Placing photos on a track by the time they were taken: each photo's capture time, corrected
// by the camera's clock error, goes to the track point nearest in time, within a largest gap.
// The track holds one photo per point, so a photo whose nearest point is taken goes to the
// nearest free point within the gap instead.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/track_records.h"

namespace vandrel {

enum class CaptureStatus {
    Found,          // the photo says when it was taken
    NoCaptureTime,  // an image without a capture time
    NotImage,       // not a format the metadata library reads
    Unreadable,     // the file could not be read
};

// What a photo says of the moment it was taken.
struct PhotoCapture {
    CaptureStatus status = CaptureStatus::NoCaptureTime;
    double time = 0;  // OLE date of the camera's clock (DateTimeOriginal), whole seconds
    // OffsetTimeOriginal: minutes the camera's clock was ahead of UTC, when the camera wrote it.
    std::optional<int> utcOffsetMinutes;
    std::string problem;  // for Unreadable, why
    // The time is the file's modification time, taken because the user asked for it.
    bool fromFileDate = false;
    // The track point that holds this very photo already (see markAttachedPhotos): it is not
    // placed again.
    std::optional<std::size_t> attachedAt;
};

struct MatchSettings {
    int cameraOffsetSeconds = 0;  // camera time minus true time
    int maxGapSeconds = 300;      // the largest distance in time from a photo to its point
};

enum class PlacementKind {
    Placed,
    NoCaptureTime,    // the photo's status was not Found
    BeforeTrack,      // taken before the track began, farther than the gap from its first point
    AfterTrack,       // taken after the track ended, farther than the gap from its last point
    InGap,            // taken while the logger recorded nothing for longer than the gap
    NoFreePoint,      // every point within the gap holds a photo already
    AlreadyAttached,  // the track holds this photo already, at `point`
};

struct Placement {
    PlacementKind kind = PlacementKind::NoCaptureTime;
    std::size_t point = 0;  // for Placed, the index of the point in the track
    double time = 0;        // the corrected capture time in the track's local time (OLE date)
    bool moved = false;     // placed beside its nearest point, which another photo holds
};

// The capture time as the track's local time: the camera's error taken off, and when the photo
// names its UTC offset, moved from the camera's zone into the track's (tzome).
double photoTrackTime(const PhotoCapture& capture, int cameraOffsetSeconds, int32_t tzome);

// The largest camera offset taken: a clock set a few days wrong is an error to mend; beyond a
// week the photo was not taken on that track (or the camera's date was never set).
inline constexpr int kMostCameraOffsetSeconds = 7 * 24 * 3600;

// Whether an offset lies within kMostCameraOffsetSeconds either way.
bool isCameraOffset(int seconds);

// The camera offset that puts a photo exactly on the point the user says it was taken at; one
// beyond the largest (see isCameraOffset) is given as just beyond it.
int cameraOffsetFrom(const PhotoCapture& capture, const TrackPoint& point, int32_t tzome);

// One placement per photo, in the photos' order. Photos are placed in order of their corrected
// time (the earlier of two photos keeps the shared point); points that hold a photo already keep
// it. The track's points are in time order. A photo the track holds already stays where it is.
std::vector<Placement> matchPhotos(const std::vector<PhotoCapture>& photos,
                                   const TrackHeader& track, const MatchSettings& settings);

// Why a photo was not placed, in a few words; empty for a placed photo.
std::string notPlacedReason(const PhotoCapture& capture, PlacementKind kind);

// "±[HH:]MM:SS" (also a bare number of seconds) as seconds; nothing when it is not one, or
// lies beyond the largest camera offset.
std::optional<int> parseClockOffset(const std::string& text);

// Seconds as "+HH:MM:SS" or "-HH:MM:SS", as parseClockOffset reads them.
std::string clockOffsetText(int seconds);

}  // namespace vandrel
