#pragma once
// The summary columns of a track, computed from its points.

#include "core/track_records.h"

namespace vandrel {

// Fills stime, etime, dist, avgalt, avgbar, avgtmp of the header and dist of every point.
// Requires at least one point. The means leave out points without the value (NaN) and are NaN
// when no point has it.
void computeSummary(TrackHeader& header);

}  // namespace vandrel
