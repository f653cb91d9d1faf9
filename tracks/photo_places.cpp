#include "tracks/photo_places.h"

#include <algorithm>
#include <cmath>

#include "core/units.h"

namespace vandrel::tracks {

std::vector<PreviewPlace> PhotoPlaces::places(const MatchSettings& match) const {
    const std::vector<Placement> placements = matchPhotos(captures_, track_, match);
    std::vector<PreviewPlace> places;
    places.reserve(placements.size());
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const Placement& placement = placements[i];
        if (placement.kind != PlacementKind::Placed) {
            places.push_back({{}, {}, notPlacedReason(captures_[i], placement.kind)});
            continue;
        }
        const PreviewPoint shown = point(placement.point);
        places.push_back(
            {shown.time, shown.distance,
             placement.moved ? "beside its nearest point, which holds another photo" : ""});
    }
    return places;
}

PreviewPoint PhotoPlaces::point(std::size_t index) const {
    const TrackPoint& p = track_.points.at(index);
    return {FormatDateTime(p.sdate, settings_), FormatDistance(p.dist, settings_)};
}

bool PhotoPlaces::hasCaptureTime(std::size_t photo) const {
    return photo < captures_.size() && captures_[photo].status == CaptureStatus::Found &&
           !track_.points.empty();
}

std::size_t PhotoPlaces::startingPoint(std::size_t photo, const MatchSettings& match) const {
    if (!hasCaptureTime(photo)) {
        return 0;
    }
    const Placement placement = matchPhotos(captures_, track_, match)[photo];
    if (placement.kind == PlacementKind::Placed) {
        return placement.point;
    }
    // Not placed: the point nearest in time, which for a photo before or after the track is
    // its first or last point.
    const auto& points = track_.points;
    const auto after =
        std::lower_bound(points.begin(), points.end(), placement.time,
                         [](const TrackPoint& p, double time) { return p.sdate < time; });
    if (after == points.begin()) {
        return 0;
    }
    if (after == points.end()) {
        return points.size() - 1;
    }
    const auto before = after - 1;
    const bool earlier =
        std::fabs(placement.time - before->sdate) <= std::fabs(after->sdate - placement.time);
    return static_cast<std::size_t>((earlier ? before : after) - points.begin());
}

int PhotoPlaces::offsetFrom(std::size_t photo, std::size_t point) const {
    return cameraOffsetFrom(captures_.at(photo), track_.points.at(point), track_.tzome);
}

}  // namespace vandrel::tracks
