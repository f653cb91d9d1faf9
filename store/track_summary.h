#pragma once
// The summary columns of a track, computed from its points.

#include "core/track_records.h"

namespace vandrel {

// Fills stime, etime, dist, avgalt, avgbar, avgtmp of the header and dist of every point.
// Requires at least one point. The means leave out points without the value (NaN) and are NaN
// when no point has it.
void computeSummary(TrackHeader& header);

// The same summary taken over a track's points in pieces, for a track too long to hold whole:
// add each piece in order, then fill the header. Its figures are computeSummary's to the bit.
class TrackSummary {
  public:
    // Sets each point's dist, from the track's first point.
    void add(std::vector<TrackPoint>& points);
    // stime, etime, dist and the means; nothing when no point was added.
    void fill(TrackHeader& header) const;

  private:
    struct Mean {
        float sum = 0.0f;
        size_t count = 0;
        void add(float value);
        float value() const;
    };
    bool any_ = false;
    double first_ = 0;
    double last_ = 0;
    float lastLat_ = 0;
    float lastLng_ = 0;
    float total_ = 0.0f;
    Mean alt_;
    Mean bar_;
    Mean tmp_;
};

}  // namespace vandrel
