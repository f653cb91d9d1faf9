// Generated tracks must look like logged ones: the download keeps every fix (no jump at 100 m/s
// or more), and altitude, pressure and temperature change smoothly.

#include <gtest/gtest.h>

#include <cmath>

#include "core/ground_distance.h"
#include "tools/sim/logger_image.h"

namespace vandrel::sim {
namespace {

constexpr int64_t kStart = 1780300800;  // 2026-06-01 08:00 UTC

TEST(GeneratedTracks, OneADayAtTheIntervalWithTheOffset) {
    const auto tracks = generateTracks(4, 30, kStart, 7, -300);
    ASSERT_EQ(tracks.size(), 4u);
    for (size_t t = 0; t < tracks.size(); ++t) {
        ASSERT_EQ(tracks[t].fixes.size(), 30u);
        for (size_t i = 0; i < 30; ++i) {
            EXPECT_EQ(tracks[t].fixes[i].time, kStart + 86400 * t + 7 * i);
            EXPECT_EQ(tracks[t].fixes[i].offset, -300);
        }
    }
    EXPECT_EQ(generateTracks(2, 10, kStart, 5, 0, 99)[1].fixes[9].latitude,
              generateTracks(2, 10, kStart, 5, 0, 99)[1].fixes[9].latitude);
    EXPECT_NE(generateTracks(1, 10, kStart, 5, 0, 1)[0].fixes[0].latitude,
              generateTracks(1, 10, kStart, 5, 0, 2)[0].fixes[0].latitude);
}

TEST(GeneratedTracks, MovesAndWeatherArePlausible) {
    for (int interval : {1, 5, 60}) {
        const auto tracks = generateTracks(6, 2000, kStart, interval, 0, 3);
        for (const SimTrack& track : tracks) {
            const auto& f = track.fixes;
            double travelled = 0;
            for (size_t i = 1; i < f.size(); ++i) {
                const double d = GroundDistance(f[i - 1].latitude / 1e6, f[i - 1].longitude / 1e6,
                                                f[i].latitude / 1e6, f[i].longitude / 1e6);
                travelled += d;
                ASSERT_LT(d / interval, 40.0) << "fix " << i << " interval " << interval;
                ASSERT_LE(std::abs(f[i].altitudeFeet - f[i - 1].altitudeFeet), 5 + interval);
                ASSERT_LE(std::abs(f[i].pressure - f[i - 1].pressure), 1 + interval / 10);
                ASSERT_LE(std::fabs(f[i].temperature - f[i - 1].temperature), 0.3f);
            }
            EXPECT_GT(travelled / (interval * (f.size() - 1.0)), 0.5);  // it does move
            for (const SimFix& fix : f) {
                ASSERT_GT(fix.pressure, 850);
                ASSERT_LT(fix.pressure, 1060);
                ASSERT_GT(fix.temperature, -10.0f);
                ASSERT_LT(fix.temperature, 40.0f);
                ASSERT_LE(std::abs(fix.latitude), 90000000);
                ASSERT_LE(std::abs(fix.longitude), 180000000);
            }
        }
    }
}

TEST(GeneratedTracks, PerTrackCountsFillTheLog) {
    const auto points = pointsToFillLog(4);
    const auto tracks = generateTracks(points, kStart, 5, 0);
    ASSERT_EQ(tracks.size(), 4u);
    LoggerImage image;
    EXPECT_TRUE(image.writeLog(tracks).empty());
    for (size_t t = 0; t < 4; ++t) {
        EXPECT_EQ(tracks[t].fixes.size(), static_cast<size_t>(points[t]));
    }
}

}  // namespace
}  // namespace vandrel::sim
