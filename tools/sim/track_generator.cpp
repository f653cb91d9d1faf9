// Generated tracks: walks and drives near a few real places, with fixes the download keeps
// (well below the 100 m/s the decoder takes for a position jump) and slowly changing altitude,
// pressure and temperature.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "device/log_layout.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/sim_random.h"

namespace vandrel::sim {

namespace {

struct Place {
    double latitude;
    double longitude;
    double altitude;  // metres
};

// Towns at different heights, so that the tracks of a demo do not all lie on top of each other.
constexpr Place kPlaces[] = {
    {46.948090, 7.447440, 540.0},    // a town on a plateau
    {47.376887, 8.541694, 408.0},    // a lakeside town
    {45.464204, 9.189982, 120.0},    // a plain
    {46.499930, 11.356620, 262.0},   // a valley
    {-33.868820, 151.209290, 30.0},  // the southern hemisphere, east of Greenwich
    {37.774930, -122.419420, 16.0},  // west of Greenwich
};

constexpr double kMetresPerDegree = 111320.0;

struct Motion {
    double speed;     // metres per second
    double turnRate;  // largest change of heading per fix, radians
};

// Each fix moves on from the last along a heading that turns a little at a time; altitude
// follows a slow swell, pressure the altitude plus a daily weather offset, temperature the day
// plus the usual lapse with height.
SimTrack generateTrack(SimRandom& random, const Place& place, const Motion& motion, int64_t start,
                       int points, int interval, int16_t tzOffset) {
    SimTrack track;
    track.fixes.reserve(static_cast<size_t>(std::max(points, 0)));
    double latitude = place.latitude + random.uniform(-0.02, 0.02);
    double longitude = place.longitude + random.uniform(-0.02, 0.02);
    double heading = random.uniform(0.0, 2.0 * std::numbers::pi);
    const double weather = random.uniform(-8.0, 8.0);
    const double dayTemperature = random.uniform(8.0, 26.0);
    const double swell = random.uniform(20.0, 80.0);
    const double period = random.uniform(600.0, 3000.0);  // fixes per altitude swell
    for (int i = 0; i < points; ++i) {
        const double altitude =
            place.altitude + swell * std::sin(2.0 * std::numbers::pi * i / period);
        SimFix fix;
        fix.latitude = static_cast<int32_t>(latitude * 1e6);
        fix.longitude = static_cast<int32_t>(longitude * 1e6);
        fix.time = static_cast<uint32_t>(start + int64_t{i} * interval);
        fix.offset = tzOffset;
        fix.altitudeFeet = feetFromMetres(altitude);
        fix.pressure = static_cast<int32_t>(standardPressure(altitude) + std::lround(weather));
        const double warmth = dayTemperature - 0.0065 * (altitude - place.altitude) +
                              2.0 * std::sin(std::numbers::pi * i / std::max(points, 1));
        fix.temperature = static_cast<float>(std::round(warmth * 10.0) / 10.0);
        track.fixes.push_back(fix);

        heading += random.uniform(-motion.turnRate, motion.turnRate);
        const double step = motion.speed * random.uniform(0.8, 1.2) * interval;
        latitude += step * std::cos(heading) / kMetresPerDegree;
        longitude += step * std::sin(heading) /
                     (kMetresPerDegree * std::cos(latitude * std::numbers::pi / 180.0));
        latitude = std::clamp(latitude, -89.0, 89.0);
        longitude = std::remainder(longitude, 360.0);
    }
    return track;
}

}  // namespace

std::vector<SimTrack> generateTracks(int count, int points, int64_t startUnix, int interval,
                                     int16_t tzOffset, uint32_t seed) {
    return generateTracks(std::vector<int>(static_cast<size_t>(std::max(count, 0)), points),
                          startUnix, interval, tzOffset, seed);
}

std::vector<SimTrack> generateTracks(const std::vector<int>& points, int64_t startUnix,
                                     int interval, int16_t tzOffset, uint32_t seed) {
    std::vector<SimTrack> tracks;
    SimRandom random(seed);
    for (size_t t = 0; t < points.size(); ++t) {
        const Place& place = kPlaces[t % std::size(kPlaces)];
        // Every third track is a drive; the rest are walks.
        const Motion motion = t % 3 == 2 ? Motion{random.uniform(12.0, 25.0), 0.15}
                                         : Motion{random.uniform(1.0, 1.8), 0.35};
        tracks.push_back(generateTrack(random, place, motion,
                                       startUnix + static_cast<int64_t>(t) * 86400, points[t],
                                       interval, tzOffset));
    }
    return tracks;
}

std::vector<int> pointsToFillLog(int count) {
    namespace layout = vandrel::log_layout;
    if (count < 1 || count > layout::kEntryCount) {
        return {};
    }
    std::vector<int> points;
    const int base = layout::kEntryCount / count;
    const int extra = layout::kEntryCount % count;
    for (int i = 0; i < count; ++i) {
        const int chunks = base + (i < extra ? 1 : 0);
        // Some tracks end in a partly filled chunk, as real ones do; the count of chunks stays.
        const int shortBy = (i % 3) * 17;
        points.push_back(chunks * layout::kRecordsPerChunk - shortBy);
    }
    return points;
}

}  // namespace vandrel::sim
