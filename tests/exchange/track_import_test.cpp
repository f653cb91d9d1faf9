// Importing the track files of other devices and programs: real recordings, TCX and KML, the
// round trip through the program's own GPX, time zones, the overwrite question, files that
// must store nothing, and formats read through gpsbabel.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>

#include "exchange/gpx_export.h"
#include "exchange/kmz_export.h"
#include "exchange/track_import.h"
#include "exchange/track_storing.h"
#include "exchange/track_stream.h"
#include "exchange_support.h"
#include "scripted_prompt.h"
#include "store/track_origins.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

using namespace testing;

class TrackImport : public ::testing::Test {
  protected:
    TrackImport() {
        db_.openStore(dir_ / "Vandrel.db");
        scratch_.openStore(dir_ / "Scratch.db");
        options_.settings.TimeZone = 0;
    }
    ImportResult import(const std::filesystem::path& file) {
        return importTrackFile(file, db_, prompt_, options_);
    }
    std::vector<TrackHeader> stored() { return db_.readTracksBetween(-1e9, 1e9); }
    std::filesystem::path write(const std::string& name, const std::string& text) {
        writeFile(dir_ / name, text);
        return dir_ / name;
    }

    TempDir dir_;
    TrackDatabase db_;
    TrackDatabase scratch_;  // for imports compared with the stored ones
    ScriptedPrompt prompt_;
    ImportOptions options_;
};

std::string timeText(double localOle) {
    SystemTime t;
    VariantTimeToSystemTime(localOle, t);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

TEST_F(TrackImport, RealRecordingsAreStoredTrackByTrackWithTheirValues) {
    // Three trk in 14 segments, and waypoints beside them.
    const ImportResult hills = import(testData("tracks/blue-hills.gpx"));
    ASSERT_TRUE(hills.ok) << hills.error;
    EXPECT_EQ(hills.stored, 3);
    EXPECT_EQ(hills.counts.segmentsJoined, 11);
    EXPECT_EQ(hills.pointsStored, 309 + 498 + 436);
    EXPECT_GT(hills.counts.waypoints, 0);
    // GPX 1.1 with fractions and a temperature on every point.
    const ImportResult atemp = import(testData("tracks/atemp.gpx"));
    ASSERT_TRUE(atemp.ok) << atemp.error;
    EXPECT_EQ(atemp.stored, 1);
    // One GPX 1.0 trk of fixes on 14 and 15 February and 8 May: three trips, not one track of
    // 83 days; without a split gap, one.
    options_.splitGapSeconds = 0;
    const ImportResult whole = importTrackText(readFile(testData("tracks/dg100.gpx")), "dg100.gpx",
                                               scratch_, prompt_, options_);
    EXPECT_EQ(whole.stored, 1);
    options_.splitGapSeconds = kDefaultSplitGapSeconds;
    const ImportResult dg100 = import(testData("tracks/dg100.gpx"));
    ASSERT_TRUE(dg100.ok) << dg100.error;
    EXPECT_EQ(dg100.stored, 3);
    EXPECT_EQ(dg100.pointsStored, whole.pointsStored);
    EXPECT_NE(importSummary(dg100).find("1 track split into 3"), std::string::npos)
        << importSummary(dg100);

    const std::vector<TrackHeader> tracks = stored();
    ASSERT_EQ(tracks.size(), 7u);
    // In start order: the third trk of blue-hills was recorded first.
    EXPECT_EQ(timeText(tracks[0].stime), "2001-05-26 15:15:07");
    EXPECT_EQ(timeText(tracks[3].stime).substr(0, 10), "2020-02-14");
    EXPECT_EQ(timeText(tracks[3].etime).substr(0, 10), "2020-02-15");
    EXPECT_EQ(timeText(tracks[5].stime).substr(0, 10), "2020-05-08");
    const TrackHeader& winter = tracks[6];
    EXPECT_EQ(timeText(winter.stime), "2023-02-05 06:41:48");
    EXPECT_FLOAT_EQ(winter.points[0].alt, 285.65f);
    EXPECT_FLOAT_EQ(winter.points[0].tmp, 1.4f);
    EXPECT_FLOAT_EQ(winter.points[0].lat, 53.1374059897f);
    EXPECT_EQ(originOf(db_, winter), "atemp.gpx");
    EXPECT_EQ(importSummary(hills).rfind("3 tracks stored, ", 0), 0u) << importSummary(hills);
}

TEST_F(TrackImport, TcxActivitiesAndKmlTracksAreStored) {
    // Four points ten minutes and about a kilometre apart, and one without a position (a
    // heart rate alone), which is passed over and counted.
    std::string tcx =
        "<?xml version=\"1.0\"?>\n<TrainingCenterDatabase xmlns=\"http://example.invalid/tcx\">"
        "<Activities><Activity Sport=\"Biking\"><Id>2024-05-01T07:00:00Z</Id>"
        "<Lap StartTime=\"2024-05-01T07:00:00Z\"><Track>";
    for (int i = 0; i < 4; ++i) {
        tcx += "<Trackpoint><Time>2024-05-01T07:" + std::to_string(10 + i * 10) +
               ":00Z</Time><Position><LatitudeDegrees>47.0" + std::to_string(i) +
               "</LatitudeDegrees><LongitudeDegrees>8.5</LongitudeDegrees></Position>"
               "<AltitudeMeters>410.5</AltitudeMeters></Trackpoint>";
    }
    tcx +=
        "<Trackpoint><Time>2024-05-01T07:55:00Z</Time></Trackpoint>"
        "</Track></Lap></Activity></Activities></TrainingCenterDatabase>\n";
    const ImportResult activity = import(write("ride.tcx", tcx));
    ASSERT_TRUE(activity.ok) << activity.error;
    EXPECT_EQ(activity.stored, 1);
    EXPECT_EQ(activity.pointsStored, 4);
    EXPECT_EQ(activity.counts.pointsWithoutPlace, 1);

    const std::string kml =
        "<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\" "
        "xmlns:gx=\"http://example.invalid/kml-ext\"><Document><Placemark><gx:Track>"
        "<when>2024-06-01T10:00:00+02:00</when><when>2024-06-01T10:00:05+02:00</when>"
        "<when>2024-06-01T10:00:10+02:00</when>"
        "<gx:coord>8.5 47.0 400</gx:coord><gx:coord>8.5 47.0001 401</gx:coord>"
        "<gx:coord>8.5 47.0002 402</gx:coord></gx:Track></Placemark></Document></kml>";
    const ImportResult line = import(write("walk.kml", kml));
    ASSERT_TRUE(line.ok) << line.error;
    EXPECT_EQ(line.stored, 1);
    const std::vector<TrackHeader> tracks = stored();
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(timeText(tracks[0].stime), "2024-05-01 07:10:00");
    EXPECT_FLOAT_EQ(tracks[0].points[0].alt, 410.5f);
    // The file's own offset: its local time and zone.
    EXPECT_EQ(timeText(tracks[1].stime), "2024-06-01 10:00:00");
    EXPECT_EQ(tracks[1].tzome, -120);
    EXPECT_FLOAT_EQ(tracks[1].points[2].alt, 402.0f);
}

TEST_F(TrackImport, TheProgramsOwnGpxGivesBackTheSameStoredValues) {
    TrackHeader track = makeTrack(50, oleDate(2011, 12, 20, 13, 5, 9), 22.5f, 114.25f, -480);
    track.points[3].alt = 12.34f;
    track.points[4].tmp = -7.25f;
    track.points[5].bar = 987.6f;
    std::vector<TrackHeader> one{track};
    {
        TrackDatabase first;
        first.openStore(dir_ / "first.db");
        TrackStoring storing(first, prompt_, options_.settings, "test");
        storing.store(one[0]);
        const TrackHeader saved = first.readTracksBetween(-1e9, 1e9).at(0);
        ASSERT_TRUE(exportGpx(dir_ / "out.gpx", saved).ok);
    }
    TrackDatabase second;
    second.openStore(dir_ / "second.db");
    // A setting in another zone: the file's own zone rules.
    options_.settings.TimeZone = 300;
    const ImportResult result = importTrackFile(dir_ / "out.gpx", second, prompt_, options_);
    ASSERT_TRUE(result.ok) << result.error;
    TrackDatabase first;
    first.openStore(dir_ / "first.db");
    const TrackHeader before = first.readTracksBetween(-1e9, 1e9).at(0);
    const TrackHeader after = second.readTracksBetween(-1e9, 1e9).at(0);
    EXPECT_EQ(after.tzome, -480);
    EXPECT_EQ(after.stime, before.stime);
    EXPECT_EQ(after.dist, before.dist);
    ASSERT_EQ(after.points.size(), before.points.size());
    for (size_t i = 0; i < before.points.size(); ++i) {
        const TrackPoint& a = before.points[i];
        const TrackPoint& b = after.points[i];
        EXPECT_EQ(std::tie(a.sdate, a.lat, a.lng, a.alt, a.bar, a.tmp, a.dist),
                  std::tie(b.sdate, b.lat, b.lng, b.alt, b.bar, b.tmp, b.dist))
            << "point " << i;
    }
}

TEST_F(TrackImport, UtcTimesBecomeLocalInTheSettingsZone) {
    const std::string gpx =
        "<gpx version=\"1.1\"><trk><trkseg>"
        "<trkpt lat=\"35.0\" lon=\"139.0\"><time>2024-03-10T23:30:00Z</time></trkpt>"
        "<trkpt lat=\"35.0001\" lon=\"139.0\"><time>2024-03-10T23:30:05Z</time></trkpt>"
        "<trkpt lat=\"35.0002\" lon=\"139.0\"></trkpt>"
        "</trkseg></trk></gpx>";
    const std::filesystem::path file = write("utc.gpx", gpx);
    options_.settings.TimeZone = -540;  // UTC+09:00
    ImportResult result = import(file);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.counts.pointsWithoutTime, 1);
    EXPECT_NE(importSummary(result).find("1 point without a time skipped"), std::string::npos);
    TrackDatabase west;
    west.openStore(dir_ / "west.db");
    options_.settings.TimeZone = 300;  // UTC-05:00
    result = importTrackFile(file, west, prompt_, options_);
    ASSERT_TRUE(result.ok) << result.error;
    const TrackHeader east = stored().at(0);
    EXPECT_EQ(timeText(east.stime), "2024-03-11 08:30:00");
    EXPECT_EQ(east.tzome, -540);
    const TrackHeader western = west.readTracksBetween(-1e9, 1e9).at(0);
    EXPECT_EQ(timeText(western.stime), "2024-03-10 18:30:00");
    EXPECT_EQ(western.tzome, 300);
    // The exported file names the same moment in UTC again.
    EXPECT_EQ(gpxUtcTime(western.stime, western.tzome), "2024-03-10T23:30:00Z");
}

TEST_F(TrackImport, EachOverwriteAnswerDoesWhatItSays) {
    const std::filesystem::path file = testData("tracks/blue-hills.gpx");
    ASSERT_TRUE(import(file).ok);
    prompt_.overwriteAnswers = {OverwriteAnswer::Ok, OverwriteAnswer::Overwrite,
                                OverwriteAnswer::Ok};
    ImportResult again = import(file);
    EXPECT_EQ(again.kept, 2);
    EXPECT_EQ(again.replaced, 1);
    EXPECT_EQ(again.stored, 0);
    EXPECT_NE(importSummary(again).find("2 skipped as already stored"), std::string::npos);
    prompt_.said.clear();
    prompt_.overwriteAnswers = {OverwriteAnswer::AlwaysOverwrite};
    again = import(file);
    EXPECT_EQ(again.replaced, 3);
    EXPECT_EQ(prompt_.said.size(), 1u);
    EXPECT_EQ(stored().size(), 3u);
}

TEST_F(TrackImport, HostileFilesAreRefusedWithAReasonAndStoreNothing) {
    const std::string good = readFile(testData("tracks/blue-hills.gpx"));
    std::string whitespace = "<gpx>";
    whitespace.append(100u << 20, ' ');
    const std::vector<std::pair<std::string, std::string>> files = {
        {"text.gpx", "this is no track at all\n"},
        {"dtd.gpx",
         "<?xml version=\"1.0\"?><!DOCTYPE gpx SYSTEM \"http://x.invalid/g.dtd\">"
         "<gpx><trk><trkseg/></trk></gpx>"},
        {"laughs.gpx",
         "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
         "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>"
         "<gpx>&lol2;</gpx>"},
        {"space.gpx", whitespace},
        {"other.gpx", "<?xml version=\"1.0\"?><track timezone=\"0\"><item/></track>"},
    };
    for (const auto& [name, text] : files) {
        const ImportResult result = import(write(name, text));
        EXPECT_FALSE(result.ok) << name;
        EXPECT_NE(result.error.find(name), std::string::npos) << result.error;
    }
    ASSERT_EQ(::mkfifo((dir_ / "fifo.gpx").c_str(), 0600), 0);
    const ImportResult fifo = import(dir_ / "fifo.gpx");
    EXPECT_FALSE(fifo.ok);
    EXPECT_NE(fifo.error.find("fifo.gpx"), std::string::npos);
    EXPECT_TRUE(stored().empty());

    EXPECT_EQ(import(write("whole.gpx", good)).stored, 3);
}

// A device that dies while writing leaves the person's only copy cut short, or cut and filled
// with zeros to its length: the whole tracks before the cut are kept, and the cut track up to
// its last whole point, its origin marked. A file damaged in its middle keeps what came before.
TEST_F(TrackImport, AFileThatBreaksOffKeepsEverythingBeforeTheFault) {
    const std::string good = readFile(testData("tracks/blue-hills.gpx"));
    const size_t third = good.find("<trk>", good.find("<trk>", good.find("<trk>") + 1) + 1);
    const size_t cutAt = good.find("<ele>", good.find("<trkpt", third + 2000));
    const std::string cutText = good.substr(0, cutAt + 3);
    const ImportResult cut = import(write("cut.gpx", cutText));
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_EQ(cut.stored, 3);
    const int lines = static_cast<int>(std::count(cutText.begin(), cutText.end(), '\n')) + 1;
    const std::vector<TrackHeader> tracks = stored();
    const auto last = std::max_element(tracks.begin(), tracks.end(), [&](auto& a, auto& b) {
        return originOf(db_, a) < originOf(db_, b);
    });
    EXPECT_EQ(originOf(db_, *last), "cut.gpx (cut short)");
    const std::string summary = importSummary(cut);
    EXPECT_NE(summary.find("\ncut.gpx: the file ends early at line " + std::to_string(lines) +
                           "; its last track was kept up to " +
                           timeText(last->points.back().sdate).substr(11)),
              std::string::npos)
        << summary;
    // Its whole points: every trkpt of the third track that was closed before the cut.
    size_t whole = 0;
    for (size_t at = cutText.find("</trkpt>", third); at != std::string::npos;
         at = cutText.find("</trkpt>", at + 1)) {
        ++whole;
    }
    EXPECT_EQ(last->points.size(), whole);

    // Zeros to the end are the end; zeros with text after them refuse the file whole.
    std::string zeros = cutText;
    zeros.append(100000, '\0');
    options_.settings.TimeZone = 60;  // stored again an hour off: new tracks, no question
    EXPECT_EQ(import(write("zeros.gpx", zeros)).stored, 3);
    EXPECT_FALSE(import(write("hole.gpx", zeros + "</gpx>")).ok);

    // Damaged in its second track: the first is kept, and the second up to the fault.
    std::string damaged = good;
    const size_t second = damaged.find("<trk>", damaged.find("<trk>") + 1);
    damaged.insert(damaged.find("</trkpt>", second + 3000), "<<");
    options_.settings.TimeZone = 120;
    const ImportResult broken = import(write("damaged.gpx", damaged));
    ASSERT_TRUE(broken.ok) << broken.error;
    EXPECT_EQ(broken.stored, 2);
    EXPECT_NE(importSummary(broken).find("damaged.gpx: the file is damaged at line "),
              std::string::npos)
        << importSummary(broken);
}

// A clock set back while recording splits the track there, so that each stretch keeps its own
// span; a fix a few seconds early is put in its place.
TEST_F(TrackImport, TimeThatRunsBackNeverHidesPoints) {
    const auto gpx = [](const std::vector<std::string>& times) {
        std::string text = "<gpx><trk><trkseg>";
        for (size_t i = 0; i < times.size(); ++i) {
            text += "<trkpt lat=\"47.00" + std::to_string(i) + "\" lon=\"8\"><time>2024-05-01T" +
                    times[i] + "Z</time></trkpt>";
        }
        return text + "</trkseg></trk></gpx>";
    };
    const ImportResult set =
        import(write("set.gpx", gpx({"10:00:00", "09:00:00", "08:00:00", "11:00:00"})));
    EXPECT_EQ(set.stored, 1);
    EXPECT_EQ(set.counts.tracksTooShort, 2);
    EXPECT_NE(importSummary(set).find("1 track split into 3 where time runs back"),
              std::string::npos)
        << importSummary(set);
    const ImportResult early =
        import(write("early.gpx", gpx({"12:00:00", "12:00:10", "12:00:05", "12:00:20"})));
    EXPECT_EQ(early.stored, 1);
    const std::vector<TrackHeader> tracks = stored();
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(timeText(tracks[0].stime), "2024-05-01 08:00:00");
    EXPECT_EQ(timeText(tracks[0].etime), "2024-05-01 11:00:00");
    ASSERT_EQ(tracks[1].points.size(), 4u);
    EXPECT_EQ(timeText(tracks[1].points[1].sdate), "2024-05-01 12:00:05");
    EXPECT_EQ(timeText(tracks[1].etime), "2024-05-01 12:00:20");
}

// A recording longer than the pieces the reader hands on (TrackStream::kPiecePoints) is stored
// in pieces, never held whole: the stored track is the one a whole store would give, the
// overwrite question still comes once, and a cut keeps every whole point.
TEST_F(TrackImport, ALongRecordingIsStoredInPiecesAsItWouldBeWhole) {
    constexpr int kPoints = 3 * static_cast<int>(TrackStream::kPiecePoints);
    std::string gpx = "<gpx><trk><trkseg>\n";
    for (int i = 0; i < kPoints; ++i) {
        const int s = i % 60;
        const int m = i / 60 % 60;
        const int h = i / 3600;
        char point[160];
        std::snprintf(
            point, sizeof point,
            "<trkpt lat=\"%.6f\" lon=\"8\"><ele>%d</ele><time>2024-03-%02dT%02d:%02d:%02dZ"
            "</time></trkpt>\n",
            47 + i * 1e-5, 400 + i % 7, 1 + h / 24, h % 24, m, s);
        gpx += point;
    }
    const std::string whole = gpx + "</trkseg></trk></gpx>\n";
    ASSERT_EQ(import(write("long.gpx", whole)).pointsStored, kPoints);
    const TrackHeader stored = this->stored().at(0);
    TrackHeader again = stored;
    computeSummary(again);
    EXPECT_EQ(again.dist, stored.dist);
    EXPECT_EQ(again.avgalt, stored.avgalt);
    EXPECT_EQ(timeText(again.etime), timeText(stored.etime));
    EXPECT_EQ(stored.points.back().dist, stored.dist);

    prompt_.overwriteAnswers = {OverwriteAnswer::Ok};
    const ImportResult kept = import(write("long.gpx", whole));
    EXPECT_EQ(kept.kept, 1);
    EXPECT_EQ(prompt_.said.size(), 1u);
    EXPECT_EQ(db_.countPoints(stored.objid), kPoints);

    options_.settings.TimeZone = 60;  // an hour off: a new track
    const std::string cutText = gpx.substr(0, gpx.size() * 3 / 4);
    const ImportResult cut = import(write("cutlong.gpx", cutText));
    EXPECT_EQ(cut.stored, 1);
    EXPECT_EQ(cut.pointsStored, std::count(cutText.begin(), cutText.end(), '\n') - 1);
    EXPECT_EQ(originOf(db_, this->stored().at(0)), "cutlong.gpx (cut short)");  // an hour earlier
}

// KML lines: the program's own KMZ writes a whole track as one line of coordinates, far
// longer than any other text in a track file, and without times.
TEST_F(TrackImport, KmlLinesAreTimedByTheirTimeSpanOrSkippedWithoutOne) {
    const auto line = [](int points, double step) {
        std::string coordinates = "<LineString><coordinates>\n";
        for (int i = 0; i < points; ++i) {
            coordinates += "8.5," + std::to_string(47.0 + i * step) + ",400 ";
        }
        return coordinates + "\n</coordinates></LineString>";
    };
    const auto span = [](const std::string& begin, const std::string& end) {
        return "<TimeSpan><begin>" + begin + "</begin><end>" + end + "</end></TimeSpan>";
    };
    // Steps of about 100 m and 200 m: the middle point is a third of the way in time.
    const std::string uneven =
        "<LineString><coordinates>8.5,47.0 8.5,47.0009 8.5,47.0027</coordinates></LineString>";
    const std::string kml =
        "<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
        "<Placemark><name>walk</name>" +
        span("2024-06-01T10:00:00+02:00", "2024-06-01T10:00:30+02:00") + uneven +
        "</Placemark><Placemark><name>untimed</name>" + line(5000, 0.0001) +
        "</Placemark><Placemark>" + span("2024-06-02T08:00:00Z", "2024-06-02T09:00:00Z") +
        line(5000, 0.00001) + "</Placemark></Document></kml>";
    const ImportResult result = import(write("lines.kml", kml));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.pointsStored, 3 + 5000);
    EXPECT_EQ(result.counts.linesWithoutTimes, 1);
    const std::string summary = importSummary(result);
    EXPECT_NE(summary.find("1 line without times skipped"), std::string::npos) << summary;
    EXPECT_NE(summary.find("2 lines timed from their time spans"), std::string::npos) << summary;

    const std::vector<TrackHeader> tracks = stored();
    ASSERT_EQ(tracks.size(), 2u);
    const TrackHeader& walk = tracks[0];
    EXPECT_EQ(walk.tzome, -120);
    ASSERT_EQ(walk.points.size(), 3u);
    EXPECT_EQ(timeText(walk.points[0].sdate), "2024-06-01 10:00:00");
    EXPECT_EQ(timeText(walk.points[1].sdate), "2024-06-01 10:00:10");
    EXPECT_EQ(timeText(walk.points[2].sdate), "2024-06-01 10:00:30");
    EXPECT_FLOAT_EQ(walk.points[1].lat, 47.0009f);
    const TrackHeader& ride = tracks[1];
    EXPECT_EQ(timeText(ride.points.front().sdate), "2024-06-02 08:00:00");
    EXPECT_EQ(timeText(ride.points.back().sdate), "2024-06-02 09:00:00");
    EXPECT_FLOAT_EQ(ride.points.back().alt, 400.0f);

    // The program's own KMZ: its document is found among the icons, its line is skipped.
    const TrackHeader recorded = makeTrack(3000, oleDate(2024, 7, 1, 9, 0, 0), 47.0f, 8.5f, 0);
    writeFile(dir_ / "s.png", "start icon");
    writeFile(dir_ / "e.png", "end icon");
    KmzOptions icons;
    icons.startIcon = dir_ / "s.png";
    icons.endIcon = dir_ / "e.png";
    ASSERT_TRUE(exportKmz(dir_ / "own.kmz", recorded, icons).ok);
    const ImportResult own = import(dir_ / "own.kmz");
    ASSERT_TRUE(own.ok) << own.error;
    EXPECT_EQ(own.counts.linesWithoutTimes, 1);
    EXPECT_NE(importSummary(own).find(
                  "own.kmz holds a line without times: nothing to put in the calendar"),
              std::string::npos)
        << importSummary(own);
    EXPECT_EQ(stored().size(), 2u);
}

// What other programs write: blank lines or a byte-order mark before the declaration, an
// altitude that is empty or no number, a track as a folder of timed points beside its untimed
// line, and KML that holds no track at all.
TEST_F(TrackImport, OtherProgramsFilesImportAsTheyMeanIt) {
    std::string gpx = "\xEF\xBB\xBF\r\n\n<?xml version=\"1.0\"?>\n<gpx><trk><trkseg>";
    const char* const elevations[] = {"<ele></ele>", "<ele/>", "<ele>nan</ele>", "<ele>1,5</ele>",
                                      "<ele>12.5</ele>"};
    for (int i = 0; i < 5; ++i) {
        gpx += "<trkpt lat=\"47.0" + std::to_string(i) + "\" lon=\"8.5\">" + elevations[i] +
               "<time>2024-05-01T07:0" + std::to_string(i) + ":00Z</time></trkpt>";
    }
    const ImportResult polar = import(write("polar.gpx", gpx + "</trkseg></trk></gpx>"));
    ASSERT_TRUE(polar.ok) << polar.error;
    EXPECT_EQ(polar.pointsStored, 5);
    EXPECT_EQ(polar.counts.pointsImplausible, 0);
    const TrackHeader track = stored().at(0);
    EXPECT_TRUE(std::isnan(track.points[0].alt));
    EXPECT_TRUE(std::isnan(track.points[3].alt));
    EXPECT_FLOAT_EQ(track.points[4].alt, 12.5f);

    // A folder of timed points with the track's untimed path beside it, and waypoints.
    const auto placemark = [](const std::string& when, const std::string& where) {
        return "<Placemark><TimeStamp><when>" + when + "</when></TimeStamp><Point><coordinates>" +
               where + "</coordinates></Point></Placemark>";
    };
    const std::string kml =
        "\n\n<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
        "<Folder><name>Waypoints</name>" +
        placemark("2024-06-01T09:00:00Z", "8.4,47.1") +
        "</Folder><Folder><name>Tracks</name><Folder><name>RUN</name><Folder><name>Points</name>" +
        placemark("2024-06-01T10:00:00Z", "8.5,47.0,400") +
        placemark("2024-06-01T10:00:10Z", "8.5,47.0005,401") +
        placemark("2024-06-01T10:00:20Z", "8.5,47.001,402") +
        "</Folder><Placemark><name>Path</name><LineString><coordinates>8.5,47.0 8.5,47.001"
        "</coordinates></LineString></Placemark></Folder></Folder></Document></kml>";
    const ImportResult run = import(write("run.kml", kml));
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ(run.stored, 1);
    EXPECT_EQ(run.pointsStored, 3);
    EXPECT_EQ(importSummary(run), "1 track stored, 1 waypoint skipped");

    // Places, a polygon and an overlay: nothing stored, and why.
    const ImportResult shapes =
        import(write("places.kml",
                     "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><Placemark><Point>"
                     "<coordinates>8.5,47.0</coordinates></Point></Placemark><Placemark><Polygon/>"
                     "</Placemark><GroundOverlay/></Document></kml>"));
    ASSERT_TRUE(shapes.ok) << shapes.error;
    EXPECT_EQ(importSummary(shapes),
              "0 tracks stored, 1 place skipped, 1 polygon skipped, 1 overlay skipped\n"
              "places.kml holds only places, polygons and overlays: nothing to put in the "
              "calendar");

    // What gpsbabel writes of a recording comes back point for point.
    if (!hasTool("gpsbabel")) {
        GTEST_SKIP() << "gpsbabel is not installed";
    }
    const std::filesystem::path converted = dir_ / "converted.kml";
    ASSERT_EQ(runTool("gpsbabel -i gpx -f '" + testData("tracks/atemp.gpx").string() +
                      "' -o kml -F '" + converted.string() + "'")
                  .exitCode,
              0);
    const ImportResult again = import(converted);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.stored, 1);
    EXPECT_EQ(again.counts.linesWithoutTimes, 0);
    const ImportResult original = importTrackText(readFile(testData("tracks/atemp.gpx")),
                                                  "atemp.gpx", scratch_, prompt_, options_);
    EXPECT_EQ(again.pointsStored, original.pointsStored);
}

// A track holds times from 1980 to 2999, local and UTC alike: points outside are skipped and
// counted, and every point kept comes back in the GPX with its time. A zone beyond +-14:00 is
// no time at all.
TEST_F(TrackImport, TimesOutsideTheTrackYearsAreSkippedAndTheRestComeBack) {
    const auto point = [](const char* time) {
        return std::string("<trkpt lat=\"47\" lon=\"8\"><time>") + time + "</time></trkpt>";
    };
    const ImportResult result = import(
        write("edges.gpx", "<gpx><trk><trkseg>" + point("1980-01-01T00:00:00Z") +
                               point("1980-01-01T00:00:05Z") + "</trkseg></trk><trk><trkseg>" +
                               point("0100-01-01T10:00:00Z") + point("9999-12-31T10:00:05-14:00") +
                               point("2999-12-31T23:59:50+14:59") + point("2999-12-31T23:59:50Z") +
                               point("2999-12-31T23:59:59Z") + "</trkseg></trk></gpx>"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.stored, 2);
    EXPECT_NE(importSummary(result).find("1 point without a time skipped, 2 points dated "
                                         "outside the years 1980 to 2999 skipped"),
              std::string::npos)
        << importSummary(result);
    std::string times;
    for (TrackHeader& track : stored()) {
        track.points = db_.readTrackPoints(track.objid);
        const std::string gpx = gpxText(track);
        for (size_t at = gpx.find("<time>"); at != std::string::npos;
             at = gpx.find("<time>", at + 1)) {
            times += gpx.substr(at + 6, 20) + " ";
        }
    }
    EXPECT_EQ(times,
              "1980-01-01T00:00:00Z 1980-01-01T00:00:05Z 2999-12-31T23:59:50Z "
              "2999-12-31T23:59:59Z ");

    // A point stored before the range was kept is refused by the export, which says so.
    TrackHeader old = makeTrack(2, oleDate(1979, 12, 31, 23, 59, 58));
    const ExchangeResult exported = exportGpx(dir_ / "old.gpx", old);
    EXPECT_FALSE(exported.ok);
    EXPECT_NE(exported.error.find("point 1 of the track is dated outside the years 1980 to 2999"),
              std::string::npos)
        << exported.error;
}

TEST_F(TrackImport, OtherFormatsGoThroughGpsbabelOrNameThePackage) {
    const std::filesystem::path igc = dir_ / "flight.igc";
    options_.gpsbabel = "/nonexistent/gpsbabel";
    write("flight.igc", "AXXX\r\n");
    const ImportResult missing = import(igc);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("install the package gpsbabel"), std::string::npos)
        << missing.error;
    // One that cannot be run is named, with what to do; its own words reach the user without
    // the control characters that would steer a terminal.
    std::filesystem::create_directories(dir_ / "folder" / "gpsbabel");
    write("plain", "#!/bin/sh\nexit 0\n");
    write("noisy", "#!/bin/sh\nprintf '\\033[2J\\033]0;title\\007bad record\\n' >&2\nexit 1\n");
    std::filesystem::permissions(dir_ / "noisy", std::filesystem::perms::owner_all);
    for (const std::string& program :
         {(dir_ / "folder" / "gpsbabel").string(), (dir_ / "plain").string()}) {
        options_.gpsbabel = program;
        EXPECT_NE(import(igc).error.find("gpsbabel cannot be run from " + program +
                                         " (Permission denied); it must be an executable"),
                  std::string::npos)
            << import(igc).error;
    }
    options_.gpsbabel = (dir_ / "noisy").string();
    EXPECT_NE(import(igc).error.find(": \\x1b[2J\\x1b]0;title\\x07bad record"), std::string::npos)
        << import(igc).error;
    options_.gpsbabel = "/nonexistent/gpsbabel";
    // A name that says nothing: the root element tells gpsbabel's format.
    const ImportResult caches = import(
        write("caches.xml",
              "<?xml version=\"1.0\"?>\n<!-- saved -->\n<loc version=\"1.0\"><waypoint/></loc>"));
    EXPECT_NE(caches.error.find("install the package gpsbabel"), std::string::npos) << caches.error;
    if (!hasTool("gpsbabel")) {
        GTEST_SKIP() << "gpsbabel is not installed";
    }
    options_.gpsbabel = "gpsbabel";
    ASSERT_EQ(runTool("gpsbabel -i gpx -f '" + testData("tracks/atemp.gpx").string() +
                      "' -o igc -F '" + igc.string() + "'")
                  .exitCode,
              0);
    const ImportResult result = import(igc);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(timeText(stored().at(0).stime), "2023-02-05 06:41:48");
}

}  // namespace
}  // namespace vandrel
