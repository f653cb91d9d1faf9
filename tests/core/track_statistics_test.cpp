#include "core/track_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/ole_date.h"
#include "core/stat_units.h"
#include "core/statistics_totals.h"
#include "tools/sim/logger_image.h"

namespace vandrel {
namespace {

constexpr double kStartDay = 46023.0;  // 2026-01-01 00:00
constexpr double kMetresPerDegree = 111195.0;

// Builds a track a fix a second: each step gives the metres moved north and the altitude.
class TrackBuilder {
  public:
    void add(double north, double east, double altitude, double pressure) {
        TrackPoint p;
        p.sdate = kStartDay + 0.5 + static_cast<double>(points.size()) / 86400.0;
        p.lat = static_cast<float>(46.0 + north / kMetresPerDegree);
        p.lng = static_cast<float>(7.0 + east / (kMetresPerDegree * std::cos(46.0 * M_PI / 180)));
        p.alt = static_cast<float>(altitude);
        p.bar = static_cast<float>(pressure);
        p.tmp = 15.0f;
        points.push_back(p);
    }
    std::vector<TrackPoint> points;
};

// A standing logger: fixes wander a few metres around one spot, the pressure reading flips
// between two whole hPa, the satellite altitude drifts by metres.
TEST(TrackStatistics, StandingLoggerNeitherMovesNorClimbs) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> wander(-4.0, 4.0);
    TrackBuilder track;
    for (int i = 0; i < 3600; ++i) {
        track.add(wander(random), wander(random), 500 + 3 * wander(random), 1013 + (random() % 2));
    }
    const TrackStatistics s = computeTrackStatistics(track.points);
    EXPECT_DOUBLE_EQ(s.duration, 3599);
    EXPECT_LT(s.movingTime, 30);
    EXPECT_LT(s.maxSpeed, kWalkingPace);
    EXPECT_EQ(s.climb, 0);
    EXPECT_EQ(s.descent, 0);
}

// A walk at 1.5 m/s with a minute at a red light and five minutes' rest, the logger wandering
// while it stands: 1500 s of walking in 1860 s.
TEST(TrackStatistics, StopsOfKnownLengthAreNotMovingTime) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> wander(-3.0, 3.0);
    TrackBuilder track;
    double north = 0;
    auto walk = [&](int seconds) {
        for (int i = 0; i < seconds; ++i, north += 1.5) {
            track.add(north, 0, 400, 966);
        }
    };
    auto stand = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            track.add(north + wander(random), wander(random), 400, 966);
        }
    };
    walk(600);
    stand(60);
    walk(600);
    stand(300);
    walk(300);
    const TrackStatistics s = computeTrackStatistics(track.points);
    EXPECT_NEAR(s.movingTime, 1500, 20);
    EXPECT_NEAR(s.averageSpeed, 1.5, 0.05);
    EXPECT_NEAR(s.maxSpeed, 1.5, 0.1);
}

// One fix 400 m off the line of a walk: a record between two fixes would be 400 m/s.
TEST(TrackStatistics, OneJumpyFixSetsNoSpeedRecord) {
    TrackBuilder track;
    for (int i = 0; i < 600; ++i) {
        track.add(1.4 * i, i == 300 ? 400 : 0, 400, 966);
    }
    EXPECT_NEAR(computeTrackStatistics(track.points).maxSpeed, 1.4, 0.1);
}

// The simulator's pressure: the standard atmosphere of the true altitude in whole hPa plus a
// weather offset. A climb of 350 m, a rest on top, 200 m down again; the recorded altitude is
// the true one, so both must agree with the profile.
TEST(TrackStatistics, ClimbFromPressureMatchesASimulatedClimbOfKnownHeight) {
    const double weather = -6;
    TrackBuilder track;
    std::vector<double> profile;
    for (int i = 0; i < 3500; ++i) {
        profile.push_back(600 + 0.1 * i);
    }
    profile.insert(profile.end(), 600, 950);
    for (int i = 0; i < 2000; ++i) {
        profile.push_back(950 - 0.1 * i);
    }
    double north = 0;
    for (const double altitude : profile) {
        track.add(north += 1.2, 0, altitude, sim::standardPressure(altitude) + weather);
    }
    const TrackStatistics s = computeTrackStatistics(track.points);
    EXPECT_NEAR(s.climb, 350, 10);
    EXPECT_NEAR(s.descent, 200, 10);
    EXPECT_NEAR(s.gpsClimb, 350, 2);
    EXPECT_NEAR(s.gpsDescent, 200, 2);
    EXPECT_FLOAT_EQ(s.minAltitude, 600);
    EXPECT_FLOAT_EQ(s.maxAltitude, 950);
}

// An imported track: no pressure, a satellite altitude that jitters by metres from fix to fix
// and wanders by 4 m over ten minutes. A climb of 300 m, a rest, 200 m down, then an hour
// standing: the climb comes from the altitude, and the standing hour adds nothing.
TEST(TrackStatistics, WithoutPressureTheNoisyAltitudeGivesTheClimb) {
    std::mt19937 random(7);
    std::normal_distribution<double> jitter(0.0, 5.0);
    std::vector<double> profile;
    for (int i = 0; i < 3000; ++i) {
        profile.push_back(600 + 0.1 * i);
    }
    profile.insert(profile.end(), 600, 900);
    for (int i = 0; i < 2000; ++i) {
        profile.push_back(900 - 0.1 * i);
    }
    profile.insert(profile.end(), 3600, 700);
    TrackBuilder track;
    double north = 0;
    for (const double altitude : profile) {
        const double t = static_cast<double>(track.points.size());
        track.add(north += altitude == 700 ? 0 : 1.2, 0,
                  altitude + jitter(random) + 4 * std::sin(t / 600 * 2 * M_PI), NAN);
    }
    const TrackStatistics s = computeTrackStatistics(track.points);
    EXPECT_EQ(s.climbSource, ClimbSource::Altitude);
    EXPECT_NEAR(s.climb, 300, 15);
    EXPECT_NEAR(s.descent, 200, 15);
    EXPECT_EQ(FormatClimbSource(s.climbSource), "GPS altitude");
}

double at(int year, int month, int day, int hour, int minute) {
    SystemTime t;
    t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute;
    double date = 0;
    SystemTimeToVariantTime(t, date);
    return date;
}

// A track counts wholly on the day it started: one from Sunday 23:30 to Monday belongs to the
// week and month of the Sunday; one started on the evening of 31 January to January.
TEST(StatisticsTotals, TracksCountWhereTheyStarted) {
    const std::vector<TrackTotalsInput> tracks = {
        {at(2026, 1, 4, 23, 30), 5000, 3000, 100},  // Sunday of ISO week 1 of 2026
        {at(2026, 1, 5, 8, 0), 1000, 600, 10},      // Monday, week 2
        {at(2026, 1, 31, 22, 0), 3000, 2000, 50},   // runs into February
        {at(2026, 2, 1, 9, 0), 2000, 900, 20},
    };
    const std::vector<PeriodTotals> weeks = totalsBy(tracks, TotalsPeriod::Week);
    ASSERT_EQ(weeks.size(), 3u);
    EXPECT_EQ(weeks[0].label, "2026-W01");
    EXPECT_EQ(weeks[0].tracks, 1);
    EXPECT_EQ(weeks[1].label, "2026-W02");
    EXPECT_EQ(weeks[2].label, "2026-W05");  // Saturday 31 January and Sunday 1 February
    EXPECT_EQ(weeks[2].tracks, 2);

    const std::vector<PeriodTotals> months = totalsBy(tracks, TotalsPeriod::Month);
    ASSERT_EQ(months.size(), 2u);
    EXPECT_EQ(months[0].label, "2026-01");
    EXPECT_EQ(months[0].tracks, 3);
    EXPECT_DOUBLE_EQ(months[0].distance, 9000);
    EXPECT_DOUBLE_EQ(months[0].movingTime, 5600);
    EXPECT_DOUBLE_EQ(months[0].climb, 160);
    EXPECT_EQ(months[1].label, "2026-02");

    // 30 December 2024 is the Monday of the first week of 2025.
    EXPECT_EQ(periodOf(at(2024, 12, 30, 12, 0), TotalsPeriod::Week).label, "2025-W01");
    EXPECT_EQ(periodOf(at(2027, 1, 1, 12, 0), TotalsPeriod::Week).label, "2026-W53");
    EXPECT_DOUBLE_EQ(periodOf(at(2026, 3, 18, 7, 0), TotalsPeriod::Year).firstDay,
                     at(2026, 1, 1, 0, 0));
}

TEST(StatisticsUnits, ImperialSettingsGiveMilesPerHourAndFeet) {
    DeviceSettings imperial;
    imperial.Length = 1;
    DeviceSettings metric;
    metric.Length = 0;
    EXPECT_EQ(FormatSpeed(10, metric), "36.0 km/h");
    EXPECT_EQ(FormatSpeed(10, imperial), "22.4 mph");
    EXPECT_EQ(FormatClimb(350, metric), "350 m");
    EXPECT_EQ(FormatClimb(350, imperial), "1148 ft");
    EXPECT_EQ(FormatDuration(3909.4), "1:05:09");
}

}  // namespace
}  // namespace vandrel
