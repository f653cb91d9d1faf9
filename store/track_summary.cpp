#include "store/track_summary.h"
#include "core/ground_distance.h"
#include "core/ole_date.h"

namespace vandrel {

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

    float altSum = 0.0f;
    float barSum = 0.0f;
    float tmpSum = 0.0f;
    for (const TrackPoint& point : points) {
        altSum += point.alt;
        barSum += point.bar;
        tmpSum += point.tmp;
    }
    const auto count = static_cast<double>(points.size());
    header.avgalt = static_cast<float>(static_cast<double>(altSum) / count);
    header.avgbar = static_cast<float>(static_cast<double>(barSum) / count);
    header.avgtmp = static_cast<float>(static_cast<double>(tmpSum) / count);
}

}  // namespace vandrel
