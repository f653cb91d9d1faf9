#include "core/ground_distance.h"

#include <cmath>

namespace vandrel {

double GroundDistance(double lat1, double lng1, double lat2, double lng2) {
    constexpr double kRadius = 6372797.560856;
    constexpr double kRadiansPerDegree = 0.017453293;
    const double sinLat = std::sin((lat1 - lat2) * kRadiansPerDegree / 2);
    const double sinLng = std::sin((lng1 - lng2) * kRadiansPerDegree / 2);
    const double h = sinLat * sinLat + std::cos(lat1 * kRadiansPerDegree) *
                                           std::cos(lat2 * kRadiansPerDegree) * sinLng * sinLng;
    return 2 * kRadius * std::asin(std::sqrt(h));
}

}  // namespace vandrel
