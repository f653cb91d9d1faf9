#include "store/track_summary.h"

#include <cmath>
#include <limits>

#include "core/ground_distance.h"
#include "core/ole_date.h"

namespace vandrel {
namespace {

// The mean of the points that have the value; NaN (stored as NULL) when none has it. A point
// without a reading is left out rather than counted as 0.
float meanOf(const std::vector<TrackPoint>& points, float TrackPoint::*field) {
    float sum = 0.0f;
    size_t count = 0;
    for (const TrackPoint& point : points) {
        if (std::isfinite(point.*field)) {
            sum += point.*field;
            ++count;
        }
    }
    if (count == 0) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
}

}  // namespace

// The summary of every stored track was computed this way, and the archive import computes it
// again for the tracks it loads: the distances are summed in a 32-bit float and the means are
// 32-bit sums divided in 64 bits, so that new and stored values agree to the last bit.
void computeSummary(TrackHeader& header) {
    std::vector<TrackPoint>& points = header.points;
    if (points.empty()) {
        return;
    }
    header.stime = wholeSecondOleDate(points.front().sdate);
    header.etime = wholeSecondOleDate(points.back().sdate);

    float total = 0.0f;
    points.front().dist = 0.0f;
    for (size_t i = 1; i < points.size(); ++i) {
        const TrackPoint& previous = points[i - 1];
        const TrackPoint& current = points[i];
        const auto step = static_cast<float>(
            GroundDistance(static_cast<double>(previous.lat), static_cast<double>(previous.lng),
                           static_cast<double>(current.lat), static_cast<double>(current.lng)));
        total += step;
        points[i].dist = total;
    }
    header.dist = total;

    header.avgalt = meanOf(points, &TrackPoint::alt);
    header.avgbar = meanOf(points, &TrackPoint::bar);
    header.avgtmp = meanOf(points, &TrackPoint::tmp);
}

}  // namespace vandrel
