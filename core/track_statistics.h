#pragma once
// What a track amounts to: times, distance, speeds, climb and the ranges of altitude and
// temperature, computed from its points alone. Values are metric (metres, seconds, metres per
// second, degrees Celsius); the formatters in stat_units.h turn them into texts.

#include <vector>

#include "core/track_records.h"

namespace vandrel {

struct TrackStatistics {
    double duration = 0;      // seconds from the first fix to the last
    double movingTime = 0;    // seconds spent moving (see movingIntervals)
    double distance = 0;      // metres, the GroundDistance sum (the last point's dist when set)
    double averageSpeed = 0;  // metres per second over the moving time; 0 without movement
    double maxSpeed = 0;      // metres per second, the fastest short stretch
    double climb = 0;         // metres, from air pressure
    double descent = 0;
    double gpsClimb = 0;  // metres, from the recorded altitude, for comparison
    double gpsDescent = 0;
    double minAltitude = 0;  // recorded altitude, metres
    double maxAltitude = 0;
    double minTemperature = 0;
    double maxTemperature = 0;
};

// A speed below this counts as standing: 1.8 km/h is slower than anyone walks on purpose and
// faster than a standing logger's fixes drift over the speed window.
inline constexpr double kWalkingPace = 0.5;

// Altitude in metres of an air pressure in hPa in the international standard atmosphere.
double standardAltitude(double hectopascals);

// Climb and descent of an altitude series (metres, one value per fix) with times in seconds:
// the series is first averaged over a minute around each fix, which turns the whole-hPa steps
// of the logger's readings into a smooth line, and then only turns of at least `threshold`
// metres count, so that what is left of the noise is not summed up as climbing.
struct Climb {
    double up = 0;
    double down = 0;
};
Climb climbOf(const std::vector<double>& seconds, const std::vector<double>& metres,
              double threshold);

// The speed at each fix in metres per second: the straight distance between the fixes half
// a speed window before and after it, over the time between them. A fix that jumps away once
// moves the speed of its neighbours' windows only when it is their edge, and a standing
// logger whose fixes wander a few metres stays far below walking pace.
std::vector<double> pointSpeeds(const std::vector<TrackPoint>& points);

// The statistics of a track from its points (in time order). Fewer than two points give a
// track of no duration with the ranges of the one point.
TrackStatistics computeTrackStatistics(const std::vector<TrackPoint>& points);

}  // namespace vandrel
