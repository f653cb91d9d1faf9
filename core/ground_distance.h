#pragma once

namespace vandrel {

// Haversine distance in metres between two positions in decimal degrees. The earth radius and
// the degree factor are the ones every stored distance was computed with; keep them as they are
// so that new and stored distances agree.
double GroundDistance(double lat1, double lng1, double lat2, double lng2);

}  // namespace vandrel
