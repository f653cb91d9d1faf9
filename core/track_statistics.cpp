#include "core/track_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

#include "core/ground_distance.h"

namespace vandrel {
namespace {

constexpr double kSecondsPerDay = 86400.0;
// Half of the window the speed at a fix is measured over.
constexpr double kHalfSpeedWindow = 15.0;
// Half of the window altitudes are averaged over before climb is counted.
constexpr double kHalfAltitudeWindow = 30.0;
// Turns smaller than this are noise: well above what is left of a standing logger's
// pressure steps after averaging, well below any hill anyone would call one.
constexpr double kClimbThreshold = 5.0;
// The fastest stretch is the best median of this many consecutive fix speeds, so that the one
// fix whose window edge is a jumpy fix cannot set it.
constexpr size_t kMaxSpeedRun = 5;

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

double medianOf(std::array<double, kMaxSpeedRun> run) {
    std::nth_element(run.begin(), run.begin() + kMaxSpeedRun / 2, run.end());
    return run[kMaxSpeedRun / 2];
}

double fastestStretch(const std::vector<double>& speeds) {
    if (speeds.size() < kMaxSpeedRun) {
        return speeds.empty() ? 0.0 : *std::min_element(speeds.begin(), speeds.end());
    }
    double fastest = 0;
    for (size_t i = 0; i + kMaxSpeedRun <= speeds.size(); ++i) {
        std::array<double, kMaxSpeedRun> run;
        std::copy_n(speeds.begin() + static_cast<std::ptrdiff_t>(i), kMaxSpeedRun, run.begin());
        fastest = std::max(fastest, medianOf(run));
    }
    return fastest;
}

// Time between fixes counts as moving when the speeds at both ends average walking pace or
// more: a stop shows as a run of standing speeds however its fixes wander. Returns the moving
// seconds and the distance covered in them at the window speeds.
std::pair<double, double> movingSecondsAndMetres(const std::vector<double>& seconds,
                                                 const std::vector<double>& speeds) {
    double moving = 0;
    double metres = 0;
    for (size_t i = 1; i < speeds.size(); ++i) {
        const double speed = (speeds[i - 1] + speeds[i]) / 2;
        if (speed >= kWalkingPace) {
            moving += seconds[i] - seconds[i - 1];
            metres += speed * (seconds[i] - seconds[i - 1]);
        }
    }
    return {moving, metres};
}

}  // namespace

double standardAltitude(double hectopascals) {
    return 44330.77 * (1.0 - std::pow(hectopascals / 1013.25, 0.190263));
}

// The line is followed from turn to turn: a turn is kept once the line has gone back from it
// by the threshold, and the last stretch counts whatever its height.
Climb climbOf(const std::vector<double>& seconds, const std::vector<double>& metres,
              double threshold) {
    Climb climb;
    if (metres.empty()) {
        return climb;
    }
    const std::vector<double> line = averagedOver(seconds, metres, kHalfAltitudeWindow);
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
    return speedsAt(points, secondsOf(points));
}

TrackStatistics computeTrackStatistics(const std::vector<TrackPoint>& points) {
    TrackStatistics s;
    if (points.empty()) {
        return s;
    }
    const std::vector<double> seconds = secondsOf(points);
    const std::vector<double> speeds = speedsAt(points, seconds);
    s.duration = seconds.back();
    const auto [movingTime, movingMetres] = movingSecondsAndMetres(seconds, speeds);
    s.movingTime = movingTime;
    // Stored and downloaded points carry the summary's running GroundDistance sum already.
    if (points.back().dist > 0) {
        s.distance = points.back().dist;
    } else {
        for (size_t i = 1; i < points.size(); ++i) {
            s.distance += fixDistance(points[i - 1], points[i]);
        }
    }
    // Measured as the fastest stretch is, not as the distance over the moving time: the
    // distance also sums the wandering of a standing logger and each zigzag of a jittery fix,
    // which made the average of a walk with rests faster than its fastest stretch.
    s.averageSpeed = s.movingTime > 0 ? movingMetres / s.movingTime : 0.0;
    s.maxSpeed = fastestStretch(speeds);

    std::vector<double> pressureHeight;
    std::vector<double> recordedHeight;
    pressureHeight.reserve(points.size());
    recordedHeight.reserve(points.size());
    // Relative to the start: the weather's offset of the whole track cancels.
    const auto withPressure =
        std::find_if(points.begin(), points.end(), [](const TrackPoint& p) { return p.bar > 0; });
    const double start = withPressure == points.end() ? 0.0 : standardAltitude(withPressure->bar);
    s.minAltitude = s.maxAltitude = points.front().alt;
    s.minTemperature = s.maxTemperature = points.front().tmp;
    // Readings come in whole hPa, so most repeat the one before: its altitude is reused. A
    // missing reading keeps the last altitude.
    float lastPressure = 0;
    double height = 0;
    for (const TrackPoint& p : points) {
        if (p.bar > 0 && p.bar != lastPressure) {
            lastPressure = p.bar;
            height = standardAltitude(p.bar) - start;
        }
        pressureHeight.push_back(height);
        recordedHeight.push_back(p.alt);
        s.minAltitude = std::min<double>(s.minAltitude, p.alt);
        s.maxAltitude = std::max<double>(s.maxAltitude, p.alt);
        s.minTemperature = std::min<double>(s.minTemperature, p.tmp);
        s.maxTemperature = std::max<double>(s.maxTemperature, p.tmp);
    }
    const Climb pressure = climbOf(seconds, pressureHeight, kClimbThreshold);
    const Climb recorded = climbOf(seconds, recordedHeight, kClimbThreshold);
    s.climb = pressure.up;
    s.descent = pressure.down;
    s.gpsClimb = recorded.up;
    s.gpsDescent = recorded.down;
    return s;
}

}  // namespace vandrel
