#pragma once
// The summary columns of a track, computed from its points.

#include "core/track_records.h"

namespace vandrel {

// Fills stime, etime, dist, avgalt, avgbar, avgtmp of the header and dist of every point.
// Requires at least one point.
void computeSummary(TrackHeader& header);

}  // namespace vandrel
