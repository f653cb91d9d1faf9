#include "core/photo_matching.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vandrel {
namespace {

constexpr double kSecondsPerDay = 86400.0;

double seconds(double oleDate) {
    return oleDate * kSecondsPerDay;
}

// Times compared as whole seconds, as the logger and the cameras count them: stored point times
// carry the rounding of single-precision values (tens of milliseconds), which would otherwise
// decide ties between two points equally near.
int64_t wholeSeconds(double oleDate) {
    return std::llround(oleDate * kSecondsPerDay);
}

// The free point nearest in time to `at` within `gap` seconds, walking out from the points
// on either side of it; nothing when every point within the gap holds a photo.
std::optional<std::size_t> nearestFreePoint(const std::vector<int64_t>& times,
                                            const std::vector<bool>& taken, int64_t at,
                                            int64_t gap) {
    constexpr int64_t kNone = INT64_MAX;
    std::ptrdiff_t right = std::lower_bound(times.begin(), times.end(), at) - times.begin();
    std::ptrdiff_t left = right - 1;
    const auto count = static_cast<std::ptrdiff_t>(times.size());
    while (true) {
        const int64_t leftGap = left >= 0 ? at - times[left] : kNone;
        const int64_t rightGap = right < count ? times[right] - at : kNone;
        if (std::min(leftGap, rightGap) > gap) {
            return std::nullopt;
        }
        // On a tie the earlier point wins, as a photo is usually taken after a fix.
        const bool takeLeft = leftGap <= rightGap;
        const std::ptrdiff_t index = takeLeft ? left : right;
        if (!taken[index]) {
            return static_cast<std::size_t>(index);
        }
        takeLeft ? --left : ++right;
    }
}

PlacementKind whyNotPlaced(const std::vector<int64_t>& times, int64_t at, bool anyWithinGap) {
    if (anyWithinGap) {
        return PlacementKind::NoFreePoint;
    }
    if (at < times.front()) {
        return PlacementKind::BeforeTrack;
    }
    if (at > times.back()) {
        return PlacementKind::AfterTrack;
    }
    return PlacementKind::InGap;
}

}  // namespace

double photoTrackTime(const PhotoCapture& capture, int cameraOffsetSeconds, int32_t tzome) {
    double at = seconds(capture.time) - cameraOffsetSeconds;
    if (capture.utcOffsetMinutes) {
        // Camera zone to UTC, then UTC to the track's local time (UTC = local + tzome).
        at -= *capture.utcOffsetMinutes * 60.0;
        at -= tzome * 60.0;
    }
    return at / kSecondsPerDay;
}

bool isCameraOffset(int seconds) {
    return std::abs(seconds) <= kMostCameraOffsetSeconds;
}

int cameraOffsetFrom(const PhotoCapture& capture, const TrackPoint& point, int32_t tzome) {
    // A photo dated centuries off gives more seconds than an int holds.
    constexpr double kBeyond = kMostCameraOffsetSeconds + 1.0;
    const double offset = seconds(photoTrackTime(capture, 0, tzome)) - seconds(point.sdate);
    return static_cast<int>(std::lround(std::clamp(offset, -kBeyond, kBeyond)));
}

std::vector<Placement> matchPhotos(const std::vector<PhotoCapture>& photos,
                                   const TrackHeader& track, const MatchSettings& settings) {
    std::vector<Placement> placements(photos.size());
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        if (photos[i].attachedAt) {
            placements[i].kind = PlacementKind::AlreadyAttached;
            placements[i].point = *photos[i].attachedAt;
        } else if (photos[i].status == CaptureStatus::Found) {
            placements[i].time =
                photoTrackTime(photos[i], settings.cameraOffsetSeconds, track.tzome);
            order.push_back(i);
        }
    }
    if (track.points.empty()) {
        for (const std::size_t i : order) {
            placements[i].kind = PlacementKind::InGap;
        }
        return placements;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return placements[a].time < placements[b].time;
    });
    std::vector<int64_t> times(track.points.size());
    std::vector<bool> taken(track.points.size());
    for (std::size_t i = 0; i < track.points.size(); ++i) {
        times[i] = wholeSeconds(track.points[i].sdate);
        taken[i] = !track.points[i].pho.empty();
    }
    const std::vector<bool> noneTaken(track.points.size(), false);
    const int64_t gap = settings.maxGapSeconds;
    for (const std::size_t i : order) {
        Placement& placement = placements[i];
        const int64_t at = wholeSeconds(placement.time);
        const std::optional<std::size_t> nearest = nearestFreePoint(times, noneTaken, at, gap);
        const std::optional<std::size_t> free =
            nearest ? nearestFreePoint(times, taken, at, gap) : std::nullopt;
        if (!free) {
            placement.kind = whyNotPlaced(times, at, nearest.has_value());
            continue;
        }
        placement.kind = PlacementKind::Placed;
        placement.point = *free;
        placement.moved = *free != *nearest;
        taken[*free] = true;
    }
    return placements;
}

std::string notPlacedReason(const PhotoCapture& capture, PlacementKind kind) {
    switch (kind) {
        case PlacementKind::Placed:
            return {};
        case PlacementKind::NoCaptureTime:
            if (capture.status == CaptureStatus::NotImage) {
                return "not an image";
            }
            if (capture.status == CaptureStatus::Unreadable) {
                return "unreadable: " + capture.problem;
            }
            return "no capture time";
        case PlacementKind::BeforeTrack:
            return "taken before the track began";
        case PlacementKind::AfterTrack:
            return "taken after the track ended";
        case PlacementKind::InGap:
            return "no track point within the largest gap";
        case PlacementKind::NoFreePoint:
            return "every point within the largest gap holds a photo";
        case PlacementKind::AlreadyAttached:
            return "already attached to this track, at point " +
                   std::to_string(capture.attachedAt.value_or(0) + 1);
    }
    return {};
}

std::optional<int> parseClockOffset(const std::string& text) {
    std::string_view rest = text;
    int sign = 1;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        sign = rest.front() == '-' ? -1 : 1;
        rest.remove_prefix(1);
    }
    // Up to three fields joined by ':', the last being seconds.
    int total = 0;
    int fields = 0;
    while (true) {
        int value = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (error != std::errc() || end == rest.data() || value < 0 ||
            (fields > 0 && value >= 60) || value > 24 * 3600) {
            return std::nullopt;
        }
        total = total * 60 + value;
        ++fields;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
        if (rest.empty()) {
            break;
        }
        if (rest.front() != ':' || fields == 3) {
            return std::nullopt;
        }
        rest.remove_prefix(1);
    }
    if (!isCameraOffset(total)) {
        return std::nullopt;
    }
    return sign * total;
}

std::string clockOffsetText(int seconds) {
    const int magnitude = std::abs(seconds);
    char text[24];
    std::snprintf(text, sizeof text, "%c%02d:%02d:%02d", seconds < 0 ? '-' : '+', magnitude / 3600,
                  magnitude / 60 % 60, magnitude % 60);
    return text;
}

}  // namespace vandrel
