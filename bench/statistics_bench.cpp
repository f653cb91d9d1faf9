// Track statistics: one downloaded log's longest possible track, and how climb from air
// pressure compares with climb from the recorded altitude on the recordings the tests keep
// and on simulated tracks whose true climb is known (reported as counters, in metres).

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <string>

#include "core/ole_date.h"
#include "core/track_statistics.h"
#include "store/track_summary.h"
#include "tools/sim/logger_image.h"

namespace vandrel {
namespace {

constexpr int64_t kStartUnix = 1714557600;  // 2024-05-01 10:00:00 UTC

// The points a download stores for a simulated track: the fields it decodes, as it decodes them.
std::vector<TrackPoint> pointsOf(const sim::SimTrack& track) {
    std::vector<TrackPoint> points;
    for (const sim::SimFix& fix : track.fixes) {
        TrackPoint p;
        p.sdate = oleDateFromUnixSeconds(int64_t{fix.time} + fix.offset * 60);
        p.lat = static_cast<float>(fix.latitude / 1e6);
        p.lng = static_cast<float>(fix.longitude / 1e6);
        p.alt = static_cast<float>(fix.altitudeFeet * 0.3048);
        p.bar = static_cast<float>(fix.pressure);
        p.tmp = fix.temperature;
        points.push_back(p);
    }
    return points;
}

// Summarised first, as a download's and an archive's tracks are before they are stored.
void BM_StatisticsOfA49900PointTrack(benchmark::State& state) {
    TrackHeader track;
    track.points = pointsOf(sim::generateTracks(1, 49900, kStartUnix, 1, 120).front());
    computeSummary(track);
    const std::vector<TrackPoint>& points = track.points;
    for (auto _ : state) {
        benchmark::DoNotOptimize(computeTrackStatistics(points));
    }
}
BENCHMARK(BM_StatisticsOfA49900PointTrack)->Unit(benchmark::kMillisecond);

// The recordings in tests/data carry satellite altitude only; the simulator gives each fix the
// standard atmosphere's whole-hPa pressure of it, as the logger would have read it.
void BM_ClimbOfRecording(benchmark::State& state) {
    const char* files[] = {"tracks/dg100.gpx", "tracks/atemp.gpx", "tracks/blue-hills.gpx"};
    std::string error;
    const std::vector<sim::SimTrack> tracks =
        sim::readGpxTracks(std::string(VANDREL_TEST_DATA) + "/" + files[state.range(0)], 0, error);
    TrackStatistics total;
    for (auto _ : state) {
        total = {};
        for (const sim::SimTrack& track : tracks) {
            const TrackStatistics s = computeTrackStatistics(pointsOf(track));
            total.climb += s.climb;
            total.gpsClimb += s.gpsClimb;
        }
    }
    state.SetLabel(files[state.range(0)]);
    state.counters["pressure_climb_m"] = total.climb;
    state.counters["altitude_climb_m"] = total.gpsClimb;
}
BENCHMARK(BM_ClimbOfRecording)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);

// Simulated walks and drives: the simulator's altitude is a smooth swell, so the true climb
// is the sum of its rises; pressure adds a weather offset and the whole-hPa rounding.
void BM_ClimbOfSimulatedTracks(benchmark::State& state) {
    constexpr int kPoints = 6000;
    const std::vector<sim::SimTrack> tracks = sim::generateTracks(6, kPoints, kStartUnix, 1, 0);
    double pressure = 0;
    double altitude = 0;
    double truth = 0;
    for (auto _ : state) {
        pressure = altitude = truth = 0;
        for (const sim::SimTrack& track : tracks) {
            const std::vector<TrackPoint> points = pointsOf(track);
            const TrackStatistics s = computeTrackStatistics(points);
            pressure += s.climb;
            altitude += s.gpsClimb;
            // The recorded altitude is the true one to a foot: its rises, beyond a foot's
            // rounding, are the true climb.
            double low = points.front().alt;
            for (const TrackPoint& p : points) {
                if (p.alt > low + 0.5) {
                    truth += p.alt - low;
                    low = p.alt;
                }
                low = std::min<double>(low, p.alt);
            }
        }
    }
    state.counters["true_climb_m"] = truth;
    state.counters["pressure_climb_m"] = pressure;
    state.counters["altitude_climb_m"] = altitude;
}
BENCHMARK(BM_ClimbOfSimulatedTracks)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vandrel
