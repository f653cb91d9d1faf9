// Placing photos on a track by their capture times: a track with a fix every 10 s from 06:00 to
// 06:10 and from 07:00 to 07:10 (local time at UTC+02:00), and nothing in between.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "core/photo_matching.h"

namespace vandrel {
namespace {

double at(int hour, int minute, int second) {
    SystemTime st;
    st.year = 2026;
    st.month = 5;
    st.day = 1;
    st.hour = hour;
    st.minute = minute;
    st.second = second;
    double date = 0;
    SystemTimeToVariantTime(st, date);
    return date;
}

TrackHeader twoStretches() {
    TrackHeader track;
    track.tzome = -120;
    for (const int hour : {6, 7}) {
        for (int s = 0; s <= 600; s += 10) {
            TrackPoint point;
            point.sdate = at(hour, s / 60, s % 60);
            track.points.push_back(point);
        }
    }
    return track;
}

PhotoCapture taken(double time, std::optional<int> utcOffsetMinutes = std::nullopt) {
    PhotoCapture capture;
    capture.status = CaptureStatus::Found;
    capture.time = time;
    capture.utcOffsetMinutes = utcOffsetMinutes;
    return capture;
}

// The local time of the point a photo was placed on, as "HH:MM:SS".
std::string pointTime(const TrackHeader& track, const Placement& placement) {
    SystemTime st;
    VariantTimeToSystemTime(track.points[placement.point].sdate, st);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", st.hour, st.minute, st.second);
    return text;
}

TEST(PhotoMatching, PlacesEachPhotoAtThePointNearestInTime) {
    const TrackHeader track = twoStretches();
    // The camera's clock runs 1 h 2 min 3 s fast; one photo names its zone (UTC+01:00), so its
    // 06:04:07 is the track's 07:04:07.
    const std::vector<PhotoCapture> photos = {taken(at(6, 2, 4)), taken(at(7, 5, 9)),
                                              taken(at(6, 4, 7), 60)};
    const std::vector<Placement> exact = matchPhotos(photos, track, {});
    ASSERT_EQ(exact[0].kind, PlacementKind::Placed);
    EXPECT_EQ(pointTime(track, exact[0]), "06:02:00");
    EXPECT_EQ(pointTime(track, exact[1]), "07:05:10");
    EXPECT_EQ(pointTime(track, exact[2]), "07:04:10");
    EXPECT_FALSE(exact[0].moved);

    const std::vector<Placement> fast =
        matchPhotos({taken(at(7, 7, 9)), taken(at(7, 7, 9), 60)}, track, {3723, 300});
    ASSERT_EQ(fast[0].kind, PlacementKind::Placed);
    EXPECT_EQ(pointTime(track, fast[0]), "06:05:10");
    ASSERT_EQ(fast[1].kind, PlacementKind::Placed);
    EXPECT_EQ(pointTime(track, fast[1]), "07:05:10");
}

TEST(PhotoMatching, PhotosOfOnePointGoToTheNearestFreePoints) {
    TrackHeader track = twoStretches();
    // 06:03:00 holds a photo already and keeps it.
    track.points[18].pho = "/photos/kept.jpg";
    const std::vector<Placement> placements = matchPhotos(
        {taken(at(6, 2, 1)), taken(at(6, 2, 0)), taken(at(6, 2, 2)), taken(at(6, 3, 0))}, track,
        {0, 12});
    EXPECT_EQ(pointTime(track, placements[1]), "06:02:00");
    EXPECT_FALSE(placements[1].moved);
    EXPECT_EQ(pointTime(track, placements[0]), "06:02:10");
    EXPECT_TRUE(placements[0].moved);
    EXPECT_EQ(pointTime(track, placements[2]), "06:01:50");
    // Of two free points as near, the earlier.
    EXPECT_EQ(pointTime(track, placements[3]), "06:02:50");
    EXPECT_TRUE(placements[3].moved);

    const std::vector<Placement> crowded = matchPhotos({taken(at(6, 3, 0))}, track, {0, 5});
    EXPECT_EQ(notPlacedReason({}, crowded[0].kind),
              "every point within the largest gap holds a photo");
}

TEST(PhotoMatching, ReadsClockOffsetsInEachForm) {
    EXPECT_EQ(parseClockOffset("-01:02:03"), -3723);
    EXPECT_EQ(parseClockOffset("+05:30"), 330);
    EXPECT_EQ(parseClockOffset("90"), 90);
    EXPECT_EQ(parseClockOffset("0"), 0);
    for (const char* wrong : {"", "+", "1:60", "a", "1:2:3:4", "1:-2", "01:02 "}) {
        EXPECT_FALSE(parseClockOffset(wrong).has_value()) << wrong;
    }
}

}  // namespace
}  // namespace vandrel
