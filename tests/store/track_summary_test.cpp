// The track summary: start and end in whole seconds, distances summed in 32 bits, means.

#include <gtest/gtest.h>

#include "core/ground_distance.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kMay1Ten = 45413.0 + 10.0 / 24.0;  // 2024-05-01 10:00:00

TrackPoint pointAt(double sdate, float lat, float lng, float alt = 0, float bar = 0,
                   float tmp = 0) {
    TrackPoint p;
    p.sdate = sdate;
    p.lat = lat;
    p.lng = lng;
    p.alt = alt;
    p.bar = bar;
    p.tmp = tmp;
    return p;
}

TEST(TrackSummary, TwoPointsAThousandMetresApart) {
    // 1000 m of latitude along a meridian with the earth radius of the distance formula.
    const auto lat2 = static_cast<float>(1000.0 / 6372797.560856 / 0.017453293);
    TrackHeader h;
    h.points = {pointAt(kMay1Ten, 0.0f, 10.0f), pointAt(kMay1Ten + kSecond, lat2, 10.0f)};
    h.points[0].dist = 99.0f;
    computeSummary(h);
    EXPECT_EQ(h.points[0].dist, 0.0f);
    EXPECT_NEAR(h.dist, 1000.0f, 0.01f);
    EXPECT_EQ(h.points[1].dist, h.dist);
    EXPECT_EQ(h.dist, static_cast<float>(GroundDistance(0.0, 10.0, lat2, 10.0)));
}

TEST(TrackSummary, MeansCountEveryPoint) {
    TrackHeader h;
    h.points = {pointAt(kMay1Ten, 1, 1, 100, 1000, -5),
                pointAt(kMay1Ten + kSecond, 1, 1, 200, 0, 0),
                pointAt(kMay1Ten + 2 * kSecond, 1, 1, 300, 1003, 20.5f)};
    computeSummary(h);
    EXPECT_EQ(h.avgalt, 200.0f);
    EXPECT_EQ(h.avgbar, 667.666687f);
    EXPECT_EQ(h.avgtmp, 5.16666651f);
    EXPECT_EQ(h.dist, 0.0f);
}

TEST(TrackSummary, StartAndEndAreRoundedToWholeSeconds) {
    TrackHeader h;
    h.points = {pointAt(kMay1Ten + 0.4 * kSecond, 1, 1), pointAt(kMay1Ten + 60.6 * kSecond, 1, 1)};
    computeSummary(h);
    EXPECT_NEAR(h.stime, kMay1Ten, 1e-9);
    EXPECT_NEAR(h.etime, kMay1Ten + 61 * kSecond, 1e-9);
}

TEST(TrackSummary, HeaderWithoutPointsIsLeftAsItWas) {
    TrackHeader none;
    none.avgalt = 7.0f;
    computeSummary(none);  // nothing to summarise: left as it was
    EXPECT_EQ(none.avgalt, 7.0f);
}

}  // namespace
}  // namespace vandrel
