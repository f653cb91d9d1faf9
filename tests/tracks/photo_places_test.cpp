// The point "Offset from This Photo" offers first: a track with a fix every 10 s from 06:00:00
// to 06:01:30, and photos placed on it, beyond either end, and in a gap of the largest size 0.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "tracks/photo_places.h"

namespace vandrel::tracks {
namespace {

double at(int minute, int second) {
    SystemTime st;
    st.year = 2026;
    st.month = 5;
    st.day = 1;
    st.hour = 6;
    st.minute = minute;
    st.second = second;
    double date = 0;
    SystemTimeToVariantTime(st, date);
    return date;
}

PhotoCapture taken(int minute, int second) {
    PhotoCapture capture;
    capture.status = CaptureStatus::Found;
    capture.time = at(minute, second);
    return capture;
}

TEST(PhotoPlaces, OffersThePointAPhotoGoesToElseTheNearestInTime) {
    TrackHeader track;
    for (int s = 0; s <= 90; s += 10) {
        TrackPoint point;
        point.sdate = at(s / 60, s % 60);
        track.points.push_back(point);
    }
    const std::vector<PhotoCapture> photos{taken(0, 32), taken(0, 33), taken(5, 0), taken(0, 0)};
    const DeviceSettings settings;
    const PhotoPlaces places(photos, track, settings);
    // Placed: its point; the second photo's nearest point is taken, so it goes beside it.
    EXPECT_EQ(places.startingPoint(0, MatchSettings{}), 3u);
    EXPECT_EQ(places.startingPoint(1, MatchSettings{}), 4u);
    // Not placed: the last point for a photo after the track, the first for one before it,
    // the nearest for one between two points farther than the largest gap.
    EXPECT_EQ(places.startingPoint(2, MatchSettings{}), 9u);
    EXPECT_EQ(places.startingPoint(3, MatchSettings{120, 300}), 0u);
    EXPECT_EQ(places.startingPoint(1, MatchSettings{0, 0}), 3u);
    // The offset that puts the third photo on the fifth point, 06:00:40.
    EXPECT_EQ(clockOffsetText(places.offsetFrom(2, 4)), "+00:04:20");
}

}  // namespace
}  // namespace vandrel::tracks
