// Storing a downloaded log: logger images built with the simulator, copied into "temp.hdr" and
// "temp.log" the way the download does, then stored into a fresh database.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "core/ole_date.h"
#include "core/program_path.h"
#include "device/log_layout.h"
#include "flows/download_device_logs.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"

namespace vandrel {
namespace {

using vandrel::testing::TempDir;

constexpr int64_t kMay1Utc = 1714557600;  // 2024-05-01 10:00:00 UTC

void writeBytes(const std::filesystem::path& path, const uint8_t* bytes, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

// The index and data areas of the image, as the download copies them into the program folder.
void writeLogFiles(const sim::LoggerImage& image, const std::filesystem::path& folder) {
    const uint8_t* volume = image.bytes().data();
    writeBytes(folder / "temp.hdr", volume + log_layout::kIndexVolumeOffset,
               log_layout::kHeaderFileSize);
    writeBytes(folder / "temp.log", volume + log_layout::kDataVolumeOffset,
               log_layout::kLogFileSize);
}

sim::SimTrack straightTrack(int points, int64_t startUnix, int16_t offset = 0) {
    sim::SimTrack track;
    for (int i = 0; i < points; ++i) {
        sim::SimFix fix;
        fix.latitude = 47000000 + i * 100;  // about 11 m a step
        fix.longitude = 8000000;
        fix.time = static_cast<uint32_t>(startUnix + i * 5);
        fix.offset = offset;
        fix.altitudeFeet = static_cast<int16_t>(1000 + i);
        track.fixes.push_back(fix);
    }
    return track;
}

class StoreDownload : public ::testing::Test {
  protected:
    void SetUp() override { db.openStore(dir / "Vandrel.db"); }

    void writeLog(const std::vector<sim::SimTrack>& tracks) {
        sim::LoggerImage image(sim::kMinBlocks);
        image.writeLog(tracks, 1, 0);
        writeLogFiles(image, dir.path());
    }
    int count(const char* table) {
        return db.scalar((std::string("select count(*) from ") + table + ";").c_str());
    }

    TempDir dir;
    Session session{DataFolder(dir.path())};
    TrackDatabase& db = session.database();
};

TEST_F(StoreDownload, StoresEveryTrackWithItsSummaryAndTheCurrentTimeZone) {
    // The fixes were logged at UTC+2; the setting at download time is another.
    writeLog(sim::generateTracks(3, 120, kMay1Utc, 5, 120));
    const StoreResult result = storeDownloadedTracks(session, -60);
    EXPECT_EQ(result.tracksStored, 3);
    EXPECT_EQ(result.tracksSkipped, 0);
    EXPECT_EQ(result.pointsStored, count("TKPT"));
    EXPECT_GE(result.pointsStored, 3 * 100);

    SqlQuery rows = db.query("select * from TK order by objid;");
    int key = 1;
    while (!rows.eof()) {
        TrackHeader h;
        TrackDatabase::readTrackRow(rows, h);
        EXPECT_EQ(h.trail, key++);
        EXPECT_EQ(h.tzome, -60);
        EXPECT_GT(h.dist, 0.0f);
        EXPECT_GT(h.etime, h.stime);
        const int points = db.countPoints(h.objid);
        EXPECT_GE(points, 2);
        EXPECT_EQ(db.scalar(("select count(*) from TKPT where tkid=" + std::to_string(h.objid) +
                             " and dist>0;")
                                .c_str()),
                  points - 1);
    }
    EXPECT_EQ(key, 4);
    // The first track starts at 12:00 local time, whole seconds.
    std::vector<TrackHeader> day = db.readTracksBetween(45413.0, 45414.0);
    ASSERT_EQ(day.size(), 1u);
    EXPECT_NEAR(day[0].stime, 45413.5, 1e-6);
    EXPECT_EQ(day[0].points.front().dist, 0.0f);
    EXPECT_FLOAT_EQ(day[0].points.back().dist, day[0].dist);
    EXPECT_NE(sqlite3_get_autocommit(db.handle()), 0);
}

TEST_F(StoreDownload, SecondDownloadOfTheSameLogInsertsNothing) {
    writeLog(sim::generateTracks(2, 80, kMay1Utc, 5, 0));
    EXPECT_EQ(storeDownloadedTracks(session, 0).tracksStored, 2);
    const int points = count("TKPT");
    const StoreResult again = storeDownloadedTracks(session, 0);
    EXPECT_EQ(again.tracksStored, 0);
    EXPECT_EQ(again.tracksSkipped, 2);
    EXPECT_EQ(again.pointsStored, 0);
    EXPECT_EQ(count("TK"), 2);
    EXPECT_EQ(count("TKPT"), points);
}

TEST_F(StoreDownload, RunsStartingWithinOneSecondStoreOnlyTheFirst) {
    writeLog({straightTrack(10, kMay1Utc), straightTrack(12, kMay1Utc),
              straightTrack(10, kMay1Utc + 3600)});
    const StoreResult result = storeDownloadedTracks(session, 0);
    EXPECT_EQ(result.tracksStored, 2);
    EXPECT_EQ(result.tracksSkipped, 1);
    EXPECT_EQ(result.pointsStored, 20);
    EXPECT_EQ(db.scalar("select trail from TK order by objid limit 1;"), 1);
}

TEST_F(StoreDownload, RunsOfFewerThanTwoPointsAreDropped) {
    writeLog({straightTrack(1, kMay1Utc), straightTrack(5, kMay1Utc + 3600)});
    const StoreResult result = storeDownloadedTracks(session, 0);
    EXPECT_EQ(result.tracksStored, 1);
    EXPECT_EQ(result.tracksSkipped, 0);
    EXPECT_EQ(count("TK"), 1);

    writeLog({straightTrack(1, kMay1Utc + 7200)});
    EXPECT_EQ(storeDownloadedTracks(session, 0).tracksStored, 0);
    EXPECT_EQ(count("TK"), 1);
}

TEST_F(StoreDownload, DatabaseFailureMidwayKeepsNoTrackOfTheDownload) {
    writeLog({straightTrack(5, kMay1Utc - 86400)});
    ASSERT_EQ(storeDownloadedTracks(session, 0).tracksStored, 1);

    // The 31st point of this download fails: two tracks are in by then, the third partly.
    db.execute(
        "create trigger fail_late before insert on TKPT when (select count(*) from TKPT)"
        " >= 35 begin select raise(abort,'boom'); end;");
    writeLog({straightTrack(12, kMay1Utc), straightTrack(12, kMay1Utc + 3600),
              straightTrack(12, kMay1Utc + 7200)});
    try {
        storeDownloadedTracks(session, 0);
        FAIL() << "the failure was not reported";
    } catch (const CppSQLite3Exception& e) {
        EXPECT_STREQ(e.errorMessage(), "SQLITE_CONSTRAINT[19]: boom");
    }
    EXPECT_NE(sqlite3_get_autocommit(db.handle()), 0);
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 5);

    // Once the cause is gone the same download goes through whole.
    db.execute("drop trigger fail_late;");
    const StoreResult result = storeDownloadedTracks(session, 0);
    EXPECT_EQ(result.tracksStored, 3);
    EXPECT_EQ(count("TKPT"), 41);
}

// Another program removing the copies, or a copy cut short, must not read as an empty log.
TEST_F(StoreDownload, AMissingOrShortCopyIsRefusedAndStoresNothing) {
    writeLog({straightTrack(5, kMay1Utc)});
    std::filesystem::resize_file(dir / "temp.log", log_layout::kLogFileSize - 1);
    EXPECT_THROW(storeDownloadedTracks(session, 0), LogCopyError);
    std::filesystem::remove(dir / "temp.log");
    try {
        storeDownloadedTracks(session, 0);
        ADD_FAILURE() << "a missing copy was stored";
    } catch (const LogCopyError& e) {
        EXPECT_NE(std::string(e.what()).find("temp.log is missing"), std::string::npos) << e.what();
    }
    std::filesystem::remove(dir / "temp.hdr");
    EXPECT_THROW(storeDownloadedTracks(session, 0), LogCopyError);
    EXPECT_EQ(count("TK"), 0);
}

TEST_F(StoreDownload, FailureToStartTheTransactionLeavesAnOuterOneAlone) {
    writeLog({straightTrack(5, kMay1Utc)});
    db.beginTransaction();
    EXPECT_THROW(storeDownloadedTracks(session, 0), CppSQLite3Exception);
    EXPECT_EQ(sqlite3_get_autocommit(db.handle()), 0);
    db.commitTransaction();
}

}  // namespace
}  // namespace vandrel
