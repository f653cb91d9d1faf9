#pragma once
// What a track amounts to: times, distance, speeds, climb and the ranges of altitude and
// temperature, computed from its points alone. Values are metric (metres, seconds, metres per
// second, degrees Celsius); the formatters in stat_units.h turn them into texts.

#include <vector>

#include "core/track_records.h"

namespace vandrel {

// Where the climb and descent of a track come from: the barometer where the track has air
// pressure, else the altitude its fixes recorded (imported tracks mostly), else nowhere.
enum class ClimbSource { None = 0, Pressure = 1, Altitude = 2 };

// A value a track has no reading of at all (no point with an altitude, say) is NaN: missing,
// never 0.
struct TrackStatistics {
    double duration = 0;        // seconds from the first fix to the last
    double movingTime = 0;      // seconds between fixes whose speeds average walking pace
    double distance = 0;        // metres, the GroundDistance sum (the last point's dist when set)
    double movingDistance = 0;  // metres covered in the moving time, no faster than the profile
    double averageSpeed = 0;    // movingDistance / movingTime; 0 without movement
    double maxSpeed = 0;        // metres per second, the highest value of pointSpeeds
    double climb = 0;           // metres, from climbSource
    double descent = 0;
    ClimbSource climbSource = ClimbSource::None;
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
// the series is first averaged over `halfWindow` seconds either side of each fix, which turns
// the barometer's whole-hPa steps (or the satellite altitude's jitter) into a smooth line, and
// then only turns of at least `threshold` metres count, so that what is left of the noise is
// not summed up as climbing.
struct Climb {
    double up = 0;
    double down = 0;
};
struct ClimbFilter {
    double halfWindow = 0;
    double threshold = 0;
};
Climb climbOf(const std::vector<double>& seconds, const std::vector<double>& metres,
              ClimbFilter filter);

// The speed at each fix in metres per second, as the Speed profile shows it: the straight
// distance between the fixes half a speed window before and after it, over the time between
// them, then the median of five such speeds around the fix. A fix that jumps away once moves
// the speed of only the two fixes whose window edge it is, which the median drops; a standing
// logger whose fixes wander a few metres stays far below walking pace.
std::vector<double> pointSpeeds(const std::vector<TrackPoint>& points);

// The statistics of a track from its points (in time order). Fewer than two points give a
// track of no duration with the ranges of the one point. Points without an altitude or a
// temperature (NaN) are left out of those ranges and of the climb.
TrackStatistics computeTrackStatistics(const std::vector<TrackPoint>& points);

}  // namespace vandrel
