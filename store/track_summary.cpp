#include "store/track_summary.h"

#include <cmath>
#include <limits>

#include "core/ground_distance.h"
#include "core/ole_date.h"

namespace vandrel {

// The summary of every stored track was computed this way, and the archive import computes it
// again for the tracks it loads: the distances are summed in a 32-bit float and the means are
// 32-bit sums divided in 64 bits, so that new and stored values agree to the last bit.
void computeSummary(TrackHeader& header) {
    if (header.points.empty()) {
        return;
    }
    TrackSummary summary;
    summary.add(header.points);
    summary.fill(header);
}

void TrackSummary::Mean::add(float value) {
    if (std::isfinite(value)) {
        sum += value;
        ++count;
    }
}

// NaN (stored as NULL) when no point has the value: a missing reading is no 0.
float TrackSummary::Mean::value() const {
    if (count == 0) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
}

void TrackSummary::add(std::vector<TrackPoint>& points) {
    for (TrackPoint& point : points) {
        if (!any_) {
            any_ = true;
            first_ = point.sdate;
        } else {
            total_ += static_cast<float>(
                GroundDistance(static_cast<double>(lastLat_), static_cast<double>(lastLng_),
                               static_cast<double>(point.lat), static_cast<double>(point.lng)));
        }
        point.dist = total_;
        last_ = point.sdate;
        lastLat_ = point.lat;
        lastLng_ = point.lng;
        alt_.add(point.alt);
        bar_.add(point.bar);
        tmp_.add(point.tmp);
    }
}

void TrackSummary::fill(TrackHeader& header) const {
    if (!any_) {
        return;
    }
    header.stime = wholeSecondOleDate(first_);
    header.etime = wholeSecondOleDate(last_);
    header.dist = total_;
    header.avgalt = alt_.value();
    header.avgbar = bar_.value();
    header.avgtmp = tmp_.value();
}

}  // namespace vandrel
