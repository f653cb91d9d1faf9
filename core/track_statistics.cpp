#include "core/track_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>
#include <utility>

#include "core/ground_distance.h"

namespace vandrel {
namespace {

constexpr double kSecondsPerDay = 86400.0;
// Half of the window the speed at a fix is measured over.
constexpr double kHalfSpeedWindow = 15.0;
// Half of the window altitudes are averaged over before climb is counted.
constexpr double kHalfAltitudeWindow = 30.0;
// Turns smaller than 5 m are noise: well above what is left of a standing logger's pressure
// steps after averaging, well below any hill anyone would call one.
constexpr ClimbFilter kBarometer{kHalfAltitudeWindow, 5.0};
// Satellite altitude wanders by several metres over minutes where the barometer's whole-hPa
// steps only flicker: a longer average would not remove a slow wander, and rounds off real
// summits, so only turns of 10 m count.
constexpr ClimbFilter kSatellite{kHalfAltitudeWindow, 10.0};
// The speed at a fix is the median of this many window speeds around it, so that the one fix
// whose window edge is a jumpy fix shows no peak.
constexpr size_t kSpeedMedianRun = 5;
// A step between two fixes faster than this many times the speed around it is a fix that
// jumped: well above what rounding of the stored positions and accelerating in a speed window
// make of a step.
constexpr double kJumpFactor = 3.0;

std::vector<double> secondsOf(const std::vector<TrackPoint>& points) {
    std::vector<double> seconds;
    seconds.reserve(points.size());
    for (const TrackPoint& p : points) {
        // To the millisecond: a day count carries no finer time, only rounding noise.
        seconds.push_back(std::round((p.sdate - points.front().sdate) * kSecondsPerDay * 1000) /
                          1000);
    }
    return seconds;
}

// The mean of each value over the values within `half` seconds either side of it.
std::vector<double> averagedOver(const std::vector<double>& seconds,
                                 const std::vector<double>& values, double half) {
    std::vector<double> means(values.size());
    size_t first = 0;
    size_t end = 0;
    double sum = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        while (end < values.size() && seconds[end] <= seconds[i] + half) {
            sum += values[end++];
        }
        while (seconds[first] < seconds[i] - half) {
            sum -= values[first++];
        }
        means[i] = sum / static_cast<double>(end - first);
    }
    return means;
}

double fixDistance(const TrackPoint& a, const TrackPoint& b) {
    return GroundDistance(a.lat, a.lng, b.lat, b.lng);
}

// The straight distance across a speed window, at most a few hundred metres: the flat-earth
// approximation agrees with GroundDistance to far better than the fixes' own accuracy, and
// costs a fraction of its trigonometry, which a long track's speeds would spend most of their
// time in.
double windowDistance(const TrackPoint& a, const TrackPoint& b) {
    constexpr double kRadius = 6372797.560856;  // GroundDistance's
    constexpr double kRadiansPerDegree = std::numbers::pi / 180;
    const double north = (static_cast<double>(b.lat) - a.lat) * kRadiansPerDegree;
    // Across the 180th meridian the short way round; remainder() would cost as much as the rest.
    double degreesEast = static_cast<double>(b.lng) - a.lng;
    if (degreesEast > 180) {
        degreesEast -= 360;
    } else if (degreesEast < -180) {
        degreesEast += 360;
    }
    const double east = degreesEast * kRadiansPerDegree * std::cos(a.lat * kRadiansPerDegree);
    return kRadius * std::sqrt(north * north + east * east);
}

// The median of the window speeds within kSpeedMedianRun / 2 fixes either side (fewer at the
// ends of the track).
std::vector<double> medianSmoothed(const std::vector<double>& speeds) {
    constexpr size_t kHalf = kSpeedMedianRun / 2;
    std::vector<double> smoothed(speeds.size());
    std::array<double, kSpeedMedianRun> run{};
    for (size_t i = 0; i < speeds.size(); ++i) {
        const size_t from = i >= kHalf ? i - kHalf : 0;
        const size_t to = std::min(speeds.size(), i + kHalf + 1);
        std::copy(speeds.begin() + static_cast<std::ptrdiff_t>(from),
                  speeds.begin() + static_cast<std::ptrdiff_t>(to), run.begin());
        const auto middle = run.begin() + static_cast<std::ptrdiff_t>((to - from) / 2);
        std::nth_element(run.begin(), middle, run.begin() + static_cast<std::ptrdiff_t>(to - from));
        smoothed[i] = *middle;
    }
    return smoothed;
}

// Time between fixes counts as moving when the speeds at both ends average walking pace or
// more: a stop shows as a run of standing speeds however its fixes wander. The distance of a
// moving step is the fixes' own, as the track's distance sums it; a step more than
// kJumpFactor times faster than its speeds is a jumpy fix's detour, not a sprint, and counts
// at that pace.
struct Moving {
    double seconds = 0;
    double metres = 0;
};
Moving movingPart(const std::vector<double>& seconds, const std::vector<double>& speeds,
                  const std::vector<double>& steps) {
    Moving moving;
    for (size_t i = 1; i < speeds.size(); ++i) {
        const double time = seconds[i] - seconds[i - 1];
        const double fastest = std::max(speeds[i - 1], speeds[i]);
        if ((speeds[i - 1] + speeds[i]) / 2 >= kWalkingPace) {
            moving.seconds += time;
            moving.metres += std::min(steps[i], kJumpFactor * fastest * time);
        }
    }
    return moving;
}

// The distance from each fix's predecessor: from the running distance stored and downloaded
// points carry, else measured.
std::vector<double> stepDistances(const std::vector<TrackPoint>& points) {
    std::vector<double> steps(points.size(), 0.0);
    const bool summed = points.back().dist > 0;
    for (size_t i = 1; i < points.size(); ++i) {
        steps[i] = summed ? std::max(0.0, static_cast<double>(points[i].dist) - points[i - 1].dist)
                          : fixDistance(points[i - 1], points[i]);
    }
    return steps;
}

}  // namespace

double standardAltitude(double hectopascals) {
    return 44330.77 * (1.0 - std::pow(hectopascals / 1013.25, 0.190263));
}

// The line is followed from turn to turn: a turn is kept once the line has gone back from it
// by the threshold, and the last stretch counts whatever its height.
Climb climbOf(const std::vector<double>& seconds, const std::vector<double>& metres,
              ClimbFilter filter) {
    const double threshold = filter.threshold;
    Climb climb;
    if (metres.empty()) {
        return climb;
    }
    const std::vector<double> line = averagedOver(seconds, metres, filter.halfWindow);
    double turn = line.front();
    double extreme = turn;
    int direction = 0;  // 1 rising, -1 falling, 0 not yet known
    for (const double h : line) {
        if (direction == 0) {
            if (std::fabs(h - turn) >= threshold) {
                direction = h > turn ? 1 : -1;
                extreme = h;
            }
        } else if ((h - extreme) * direction > 0) {
            extreme = h;
        } else if (std::fabs(extreme - h) >= threshold) {
            (direction > 0 ? climb.up : climb.down) += std::fabs(extreme - turn);
            turn = extreme;
            extreme = h;
            direction = -direction;
        }
    }
    if (direction != 0) {
        (direction > 0 ? climb.up : climb.down) += std::fabs(extreme - turn);
    }
    return climb;
}

namespace {

std::vector<double> speedsAt(const std::vector<TrackPoint>& points,
                             const std::vector<double>& seconds) {
    std::vector<double> speeds(points.size(), 0.0);
    size_t first = 0;
    size_t last = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        while (seconds[first] < seconds[i] - kHalfSpeedWindow) {
            ++first;
        }
        last = std::max(last, i);
        while (last + 1 < points.size() && seconds[last + 1] <= seconds[i] + kHalfSpeedWindow) {
            ++last;
        }
        // Fixes further apart than the window: the neighbours are the window.
        const size_t from = first == i && i > 0 ? i - 1 : first;
        const size_t to = last == i && i + 1 < points.size() ? i + 1 : last;
        const double time = seconds[to] - seconds[from];
        if (time > 0) {
            speeds[i] = windowDistance(points[from], points[to]) / time;
        }
    }
    return speeds;
}

}  // namespace

std::vector<double> pointSpeeds(const std::vector<TrackPoint>& points) {
    return medianSmoothed(speedsAt(points, secondsOf(points)));
}

namespace {

// Climb from the air pressure, relative to the first reading: the weather's offset of the
// whole track cancels. Readings come in whole hPa, so most repeat the one before: its altitude
// is reused. A missing reading keeps the last altitude.
Climb pressureClimb(const std::vector<TrackPoint>& points, const std::vector<double>& seconds) {
    const auto first =
        std::find_if(points.begin(), points.end(), [](const TrackPoint& p) { return p.bar > 0; });
    const double start = standardAltitude(first->bar);
    std::vector<double> heights;
    heights.reserve(points.size());
    float lastPressure = 0;
    double height = 0;
    for (const TrackPoint& p : points) {
        if (p.bar > 0 && p.bar != lastPressure) {
            lastPressure = p.bar;
            height = standardAltitude(p.bar) - start;
        }
        heights.push_back(height);
    }
    return climbOf(seconds, heights, kBarometer);
}

// Climb from the recorded altitude of the fixes that have one.
Climb altitudeClimb(const std::vector<TrackPoint>& points, const std::vector<double>& seconds) {
    std::vector<double> times;
    std::vector<double> heights;
    for (size_t i = 0; i < points.size(); ++i) {
        if (std::isfinite(points[i].alt)) {
            times.push_back(seconds[i]);
            heights.push_back(points[i].alt);
        }
    }
    return climbOf(times, heights, kSatellite);
}

// The lowest and highest of the values that are there; NaN for both when none is.
std::pair<double, double> rangeOf(const std::vector<TrackPoint>& points, float TrackPoint::*field) {
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = low;
    for (const TrackPoint& p : points) {
        const double v = p.*field;
        if (std::isfinite(v)) {
            low = std::isnan(low) ? v : std::min(low, v);
            high = std::isnan(high) ? v : std::max(high, v);
        }
    }
    return {low, high};
}

}  // namespace

TrackStatistics computeTrackStatistics(const std::vector<TrackPoint>& points) {
    TrackStatistics s;
    if (points.empty()) {
        return s;
    }
    const std::vector<double> seconds = secondsOf(points);
    const std::vector<double> speeds = medianSmoothed(speedsAt(points, seconds));
    const std::vector<double> steps = stepDistances(points);
    s.duration = seconds.back();
    for (const double step : steps) {
        s.distance += step;
    }
    if (points.back().dist > 0) {
        s.distance = points.back().dist;
    }
    const Moving moving = movingPart(seconds, speeds, steps);
    s.maxSpeed = *std::max_element(speeds.begin(), speeds.end());
    s.movingTime = moving.seconds;
    // At most what the highest speed covers in the moving time: the steps of a steady pace
    // can sum a little more than the straight line across a speed window, and the average
    // this distance gives must not exceed the maximum beside it.
    s.movingDistance = std::min(moving.metres, s.maxSpeed * s.movingTime);
    s.averageSpeed = s.movingTime > 0 ? s.movingDistance / s.movingTime : 0.0;

    std::tie(s.minAltitude, s.maxAltitude) = rangeOf(points, &TrackPoint::alt);
    std::tie(s.minTemperature, s.maxTemperature) = rangeOf(points, &TrackPoint::tmp);
    const Climb recorded = altitudeClimb(points, seconds);
    s.gpsClimb = recorded.up;
    s.gpsDescent = recorded.down;
    const bool hasPressure =
        std::any_of(points.begin(), points.end(), [](const TrackPoint& p) { return p.bar > 0; });
    const bool hasAltitude = !std::isnan(s.minAltitude);
    const Climb climb = hasPressure   ? pressureClimb(points, seconds)
                        : hasAltitude ? recorded
                                      : Climb{};
    s.climb = climb.up;
    s.descent = climb.down;
    s.climbSource = hasPressure   ? ClimbSource::Pressure
                    : hasAltitude ? ClimbSource::Altitude
                                  : ClimbSource::None;
    return s;
}

}  // namespace vandrel
