// The user actions of file exchange against a scripted prompt: their texts, the file choice,
// the busy indicator and the selection rule of the save button.
#include <gtest/gtest.h>

#include "exchange/exchange_support.h"
#include "flows/exchange_flows.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

using namespace testing;

class ExchangeFlows : public ::testing::Test {
  protected:
    ExchangeFlows() { db_.openStore(dir_ / "Vandrel.db"); }
    TrackHeader storeTrack(int day, const std::string& photo = {}) {
        TrackHeader track = makeTrack(3, oleDate(2020, 6, day, 9, 0, 0));
        track.tzome = day;
        track.points[1].pho = photo;
        computeSummary(track);
        db_.insertTrack(track);
        for (TrackPoint& p : track.points) {
            p.tkid = track.objid;
            db_.insertPoint(p);
        }
        return track;
    }
    static int items(const std::string& archive) {
        int n = 0;
        for (size_t at = 0; (at = archive.find("<item ", at)) != std::string::npos; ++at) {
            ++n;
        }
        return n;
    }

    TempDir dir_;
    Session session_{DataFolder(dir_.path())};
    TrackDatabase& db_ = session_.database();
    ScriptedPrompt prompt_;
};

TEST_F(ExchangeFlows, BackupNeedsAFileAndEndsWithItsNotice) {
    EXPECT_FALSE(backupAllTracks(prompt_, session_, "").has_value());
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"Please select a backup file!"});

    storeTrack(2);
    storeTrack(1, (dir_ / "gone.jpg").string());
    prompt_.said.clear();
    const auto result = backupAllTracks(prompt_, session_, (dir_ / "backup.prg").string());
    ASSERT_TRUE(result && result->ok);
    EXPECT_EQ(result->tracks, 2);
    EXPECT_EQ(result->points, 6);
    ASSERT_EQ(prompt_.said.size(), 2u);
    EXPECT_EQ(prompt_.said[0],
              "error: 1 photo could not be copied into " + (dir_ / "backup").string());
    EXPECT_EQ(prompt_.said[1], "Backup Complete!");
    // Every track of the database, in the order it gives them; the root carries the last one's
    // time zone.
    const std::string archive = readFile(dir_ / "backup.prg");
    EXPECT_EQ(items(archive), 2);
    EXPECT_NE(archive.find("<track timezone=\"1\">"), std::string::npos);

    // Missing folders are made (the photo folder's parents); a file in the way fails.
    prompt_.said.clear();
    writeFile(dir_ / "file", "");
    const auto failed = backupAllTracks(prompt_, session_, (dir_ / "file" / "backup.prg").string());
    ASSERT_TRUE(failed.has_value());
    EXPECT_FALSE(failed->ok);
    ASSERT_EQ(prompt_.said.size(), 1u);
    EXPECT_EQ(prompt_.said[0].rfind("error: Cannot write ", 0), 0u) << prompt_.said[0];
}

// A database received from someone else may name any file as a point's photo: the exports
// read nothing but plain files directly inside the program's photos folder.
TEST_F(ExchangeFlows, ExportsReadNoPhotoFromOutsideThePhotosFolder) {
    TempDir elsewhere;
    writeFile(elsewhere / "secret.txt", "secret");
    std::filesystem::create_directories(dir_ / "photos");
    writeFile(dir_ / "photos" / "own.jpg", "own photo");
    std::filesystem::create_symlink(elsewhere / "secret.txt", dir_ / "photos" / "link.jpg");
    TrackHeader track = makeTrack(4, oleDate(2020, 6, 1, 9, 0, 0));
    track.points[0].pho = (elsewhere / "secret.txt").string();
    track.points[1].pho =
        (dir_ / "photos" / ".." / ".." / elsewhere.path().filename() / "secret.txt").string();
    track.points[2].pho = (dir_ / "photos" / "link.jpg").string();
    track.points[3].pho = (dir_ / "photos" / "own.jpg").string();

    EXPECT_TRUE(
        exportTrackTo(prompt_, session_, dir_ / "t.kmz", track, ExportFormat::Kmz).complete());
    std::vector<std::string> photos;
    for (const ZipEntry& entry : readZip(dir_ / "t.kmz")) {
        if (entry.name.find(".png") == std::string::npos && entry.name.rfind("files/", 0) == 0 &&
            entry.name != "files/") {
            photos.push_back(entry.name + "=" + entry.data);
        }
    }
    EXPECT_EQ(photos, (std::vector<std::string>{"files/secret.txt=", "files/secret.txt=",
                                                "files/link.jpg=", "files/own.jpg=own photo"}));

    std::filesystem::create_directories(dir_ / "out");
    const ArchiveSaveResult saved =
        saveTracksTo(prompt_, session_, dir_ / "out" / "b.prg", {track});
    EXPECT_EQ(saved.photosCopied, 1);
    EXPECT_EQ(saved.photosNotCopied, 3);
    EXPECT_EQ(fileNames(dir_ / "out" / "b"), std::vector<std::string>{"own.jpg"});
}

TEST_F(ExchangeFlows, TheSaveButtonWritesTheSelectedRowsOrAll) {
    const std::vector<TrackHeader> rows = {makeTrack(2, oleDate(2020, 1, 1, 0, 0, 0)),
                                           makeTrack(2, oleDate(2020, 1, 2, 0, 0, 0)),
                                           makeTrack(2, oleDate(2020, 1, 3, 0, 0, 0))};
    SaveTracksToPc(prompt_, session_, {}, {});
    prompt_.files = {(dir_ / "none.prg").string()};
    SaveTracksToPc(prompt_, session_, {}, {});
    EXPECT_EQ(prompt_.files.size(), 1u);  // an empty list asks nothing

    SaveTracksToPc(prompt_, session_, rows, {});
    EXPECT_EQ(items(readFile(dir_ / "none.prg")), 3);
    prompt_.files = {(dir_ / "two.prg").string()};
    SaveTracksToPc(prompt_, session_, rows, {true, false, true});
    const std::string two = readFile(dir_ / "two.prg");
    EXPECT_EQ(items(two), 2);
    EXPECT_EQ(two.find(std::to_string(rows[1].points[0].sdate).substr(0, 8)), std::string::npos);
    SaveTracksToPc(prompt_, session_, rows, {true});  // the dialog cancelled: nothing happens
    // Each save ends saying what it wrote where, as vandrel-cli archive save does.
    EXPECT_EQ(prompt_.said,
              (std::vector<std::string>{"Saved 3 tracks and 6 points to " +
                                            (dir_ / "none.prg").string() + ", 0 photos copied",
                                        "Saved 2 tracks and 4 points to " +
                                            (dir_ / "two.prg").string() + ", 0 photos copied"}));
    // The dialog offers the days of the tracks it will write.
    EXPECT_EQ(prompt_.suggestedNames, (std::vector<std::string>{"2020-01-01 to 2020-01-03.prg",
                                                                "2020-01-01 to 2020-01-03.prg",
                                                                "2020-01-01 00-00-00.prg"}));
}

TEST_F(ExchangeFlows, TheLoadButtonRunsUnderTheBusyIndicatorAndTellsProblems) {
    EXPECT_EQ(LoadTracksFromPc(prompt_, session_).kind, OutcomeKind::Cancelled);
    EXPECT_EQ(prompt_.busyBegun, 0);

    writeFile(dir_ / "a.prg",
              "<track><item/><item><point lat=\"1\" lng=\"2\" time=\"40000\" pho=\"../x.jpg\"/>"
              "</item></track>");
    ArchiveLoadOptions options;
    options.photosFolder = dir_ / "photos";
    const ArchiveLoadResult result = loadTracksFrom(prompt_, session_, dir_ / "a.prg", options);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(prompt_.busyBegun, 1);
    EXPECT_EQ(prompt_.busyEnded, 1);
    EXPECT_EQ(prompt_.said,
              (std::vector<std::string>{
                  "error: 1 track was skipped: no points to store",
                  "error: 1 photo could not be copied into " + (dir_ / "photos").string()}));

    prompt_.said.clear();
    writeFile(dir_ / "b.prg", "no archive");
    EXPECT_FALSE(loadTracksFrom(prompt_, session_, dir_ / "b.prg", options).ok);
    ASSERT_EQ(prompt_.said.size(), 1u);
    EXPECT_EQ(prompt_.said[0].rfind("error: Not a track archive: ", 0), 0u);
    EXPECT_EQ(prompt_.busyEnded, 2);
}

TEST_F(ExchangeFlows, ExportAsksForTheFileWithItsFilterAndTellsFailures) {
    EXPECT_EQ(exportFilter(ExportFormat::Gpx).description, "GPX Files (*.gpx)");
    EXPECT_EQ(exportFilter(ExportFormat::Gpx).defaultExtension, "gpx");
    EXPECT_EQ(exportFilter(ExportFormat::Kmz).description, "KMZ Files (*.kmz)");
    EXPECT_EQ(archiveFilter().description, "PRG Files (*.prg)");
    EXPECT_EQ(archiveFilter().pattern, "*.prg");

    const TrackHeader track = makeTrack(2, oleDate(2020, 1, 1, 10, 0, 0));
    EXPECT_FALSE(ExportTrack(prompt_, session_, track, ExportFormat::Gpx).complete());  // cancelled
    EXPECT_TRUE(prompt_.said.empty());
    prompt_.files = {(dir_ / "t.gpx").string(), (dir_ / "no" / "t.kmz").string()};
    EXPECT_TRUE(ExportTrack(prompt_, session_, track, ExportFormat::Gpx).complete());
    EXPECT_NE(readFile(dir_ / "t.gpx").find("<name>2020-01-01 10:00:00</name>"), std::string::npos);
    EXPECT_FALSE(ExportTrack(prompt_, session_, track, ExportFormat::Kmz).complete());
    // The dialog offers the track's start as a name every file system takes; the user hears
    // where the file went, and nothing of success when it failed.
    EXPECT_EQ(prompt_.suggestedNames,
              (std::vector<std::string>{"2020-01-01 10-00-00.gpx", "2020-01-01 10-00-00.gpx",
                                        "2020-01-01 10-00-00.kmz"}));
    ASSERT_EQ(prompt_.said.size(), 2u);
    EXPECT_EQ(prompt_.said[0], "Export Complete!|Saved to " + (dir_ / "t.gpx").string());
    EXPECT_EQ(prompt_.said[1].rfind("error: Cannot write ", 0), 0u);
}

TEST_F(ExchangeFlows, StoredTracksAreReadWithTheirPoints) {
    storeTrack(5);
    const TrackHeader second = storeTrack(6);
    const auto found = readStoredTrack(db_, second.objid);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->tzome, 6);
    EXPECT_EQ(found->points.size(), 3u);
    EXPECT_FALSE(readStoredTrack(db_, 999).has_value());
    EXPECT_EQ(readStoredHeaders(db_).size(), 2u);
}

}  // namespace
}  // namespace vandrel
