// The statistics table beside TK and TKPT: filled with every stored track, emptied with every
// deleted one whichever program deletes it, and filled for a database of the previous version.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "store/store_decoded_tracks.h"
#include "store/track_statistics_table.h"
#include "test_support.h"

namespace vandrel {
namespace {

using vandrel::testing::TempDir;

constexpr double kMay1 = 45413.0;  // 2024-05-01 00:00:00

// A walk north at 1.5 m/s, a fix a second, climbing 0.1 m/s by the pressure.
TrackHeader walk(double start, int seconds) {
    TrackHeader track;
    for (int i = 0; i < seconds; ++i) {
        TrackPoint p;
        p.sdate = start + i / 86400.0;
        p.lat = static_cast<float>(47.0 + 1.5 * i / 111195.0);
        p.lng = 8.0f;
        p.alt = static_cast<float>(400 + 0.1 * i);
        p.bar = static_cast<float>(966.0 - 0.1 * i * 0.114);
        p.tmp = 12.0f;
        track.points.push_back(p);
    }
    return track;
}

TEST(StatisticsTable, StoredAndDeletedTracksKeepTheirStatisticsInStep) {
    TempDir dir;
    TrackDatabase db;
    db.openStore(dir / "Vandrel.db");
    std::vector<TrackHeader> tracks = {walk(kMay1 + 0.4, 1200), walk(kMay1 + 1.4, 600)};
    storeDecodedTracks(db, tracks, 0);

    const std::optional<TrackStatistics> first = readTrackStatistics(db, tracks[0].objid);
    ASSERT_TRUE(first.has_value());
    EXPECT_NEAR(first->distance, 1798.5, 2);
    EXPECT_NEAR(first->climb, 120, 10);
    EXPECT_EQ(countTracksWithoutStatistics(db), 0);

    db.deleteTrack(tracks[0].objid);
    EXPECT_FALSE(readTrackStatistics(db, tracks[0].objid).has_value());
    // The previous version deletes with its own statement; the trigger follows it.
    db.execute("delete from TK;");
    EXPECT_FALSE(readTrackStatistics(db, tracks[1].objid).has_value());
}

TEST(StatisticsTable, ADatabaseOfThePreviousVersionIsFilledOnFirstNeed) {
    TempDir dir;
    TrackDatabase db;
    db.openStore(dir / "Vandrel.db");
    // The previous version stores the rows without any statistics table.
    for (const double start : {kMay1 + 0.5, kMay1 + 3.5, kMay1 + 40.5}) {
        TrackHeader track = walk(start, 900);
        std::vector<TrackPoint> points = std::move(track.points);
        track.points.clear();
        track.stime = start;
        db.insertTrack(track);
        for (TrackPoint& p : points) {
            p.tkid = track.objid;
        }
        db.insertPoints(points);
    }
    EXPECT_FALSE(db.tableExists("TKSTAT"));
    EXPECT_EQ(countTracksWithoutStatistics(db), 3);
    EXPECT_TRUE(readTotalsInputs(db, kMay1, kMay1 + 365).empty());

    int told = 0;
    EXPECT_EQ(fillMissingStatistics(db,
                                    [&](int done, int total) {
                                        told = done;
                                        EXPECT_EQ(total, 3);
                                    }),
              3);
    EXPECT_EQ(told, 3);
    EXPECT_EQ(countTracksWithoutStatistics(db), 0);

    const std::vector<PeriodTotals> months =
        totalsBy(readTotalsInputs(db, kMay1, kMay1 + 365), TotalsPeriod::Month);
    ASSERT_EQ(months.size(), 2u);
    EXPECT_EQ(months[0].label, "2024-05");
    EXPECT_EQ(months[0].tracks, 2);
    EXPECT_NEAR(months[0].distance, 2 * 1348.5, 4);
    EXPECT_EQ(months[1].label, "2024-06");
}

// A track imported without pressure was stored with the statistics of the previous way, climb
// 0; its row is computed anew on first need, with the climb its altitude gives.
TEST(StatisticsTable, RowsOfTheEarlierWayAreComputedAnew) {
    TempDir dir;
    TrackDatabase db;
    db.openStore(dir / "Vandrel.db");
    std::vector<TrackHeader> tracks = {walk(kMay1 + 0.4, 1200)};
    for (TrackPoint& p : tracks[0].points) {
        p.bar = NAN;
    }
    storeDecodedTracks(db, tracks, 0);
    db.execute("drop table TKSTAT;");
    db.execute(
        "create table TKSTAT (tkid integer primary key,duration double,moving double,"
        "dist double,avgspeed double,maxspeed double,climb double,descent double,altclimb double,"
        "altdescent double,minalt double,maxalt double,mintmp double,maxtmp double);");
    db.execute(("insert into TKSTAT values (" + std::to_string(tracks[0].objid) +
                ",1199,1199,1798,1.5,1.5,0,0,120,0,400,520,12,12);")
                   .c_str());
    EXPECT_FALSE(readTrackStatistics(db, tracks[0].objid).has_value());
    EXPECT_EQ(countTracksWithoutStatistics(db), 1);

    EXPECT_EQ(fillMissingStatistics(db), 1);
    const std::vector<TrackTotalsInput> totals = readTotalsInputs(db, kMay1, kMay1 + 1);
    ASSERT_EQ(totals.size(), 1u);
    EXPECT_NEAR(totals[0].climb, 120, 10);
    EXPECT_EQ(readTrackStatistics(db, tracks[0].objid)->climbSource, ClimbSource::Altitude);
}

}  // namespace
}  // namespace vandrel
