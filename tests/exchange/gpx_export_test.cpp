// GPX export: the exact document, UTC times, safe file writing, and independent readers.
#include <gtest/gtest.h>

#include <sstream>

#include <limits>

#include "exchange/gpx_export.h"
#include "exchange/kml_document.h"
#include "exchange/kmz_export.h"
#include "exchange_support.h"

namespace vandrel {
namespace {

using namespace testing;

// The document up to the segment, for a track named `name` (the track's start).
std::string head(const std::string& name) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
           "<gpx xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" version=\"1.1\" "
           "creator=\"Morvane v1.0\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
           "xmlns:vandrel=\"urn:vandrel:gpx:1\">\r\n"
           "    <metadata />\r\n"
           "    <trk>\r\n" +
           (name.empty() ? "        <name />\r\n" : "        <name>" + name + "</name>\r\n") +
           "        <cmt />\r\n"
           "        <extensions>\r\n"
           "            <vandrel:tzome>0</vandrel:tzome>\r\n"
           "        </extensions>\r\n";
}

TEST(GpxExport, WritesTheDocumentLineByLineWithItsNumberForms) {
    TrackHeader track;
    track.points.push_back(makePoint(22.5f, 114.25f, oleDate(2011, 12, 20, 13, 5, 9), 123.9f));
    track.points.push_back(makePoint(-33.5f, -70.125f, oleDate(2011, 12, 20, 13, 5, 14), -5.5f));
    EXPECT_EQ(gpxText(track), head("2011-12-20 13:05:09") +
                                  "        <trkseg>\r\n"
                                  "            <trkpt lat=\"22.500000\" lon=\"114.250000\">\r\n"
                                  "                <ele>123</ele>\r\n"
                                  "                <time>2011-12-20T13:05:09Z</time>\r\n"
                                  "                <extensions>\r\n"
                                  "                    <vandrel:alt>123.9</vandrel:alt>\r\n"
                                  "                    <vandrel:bar>0</vandrel:bar>\r\n"
                                  "                    <vandrel:tmp>0</vandrel:tmp>\r\n"
                                  "                </extensions>\r\n"
                                  "            </trkpt>\r\n"
                                  "            <trkpt lat=\"-33.500000\" lon=\"-70.125000\">\r\n"
                                  "                <ele>-5</ele>\r\n"
                                  "                <time>2011-12-20T13:05:14Z</time>\r\n"
                                  "                <extensions>\r\n"
                                  "                    <vandrel:alt>-5.5</vandrel:alt>\r\n"
                                  "                    <vandrel:bar>0</vandrel:bar>\r\n"
                                  "                    <vandrel:tmp>0</vandrel:tmp>\r\n"
                                  "                </extensions>\r\n"
                                  "            </trkpt>\r\n"
                                  "        </trkseg>\r\n"
                                  "    </trk>\r\n"
                                  "</gpx>\r\n");
    // A stored track is named by its start time, in the logger's local time.
    track.stime = oleDate(2011, 12, 20, 13, 0, 0);
    EXPECT_EQ(gpxText(track).rfind(head("2011-12-20 13:00:00"), 0), 0u);
}

// A damaged database row may hold an infinite or missing coordinate; written out it would
// make the file invalid ("inf", "nan"). GPX and KMZ leave such points out.
TEST(GpxExport, PointsWithoutAFinitePositionAreLeftOutOfBothExports) {
    TrackHeader track;
    const float inf = std::numeric_limits<float>::infinity();
    for (const auto& [lat, lng] : {std::pair{inf, 8.0f},
                                   {47.0f, 8.0f},
                                   {47.0f, std::numeric_limits<float>::quiet_NaN()},
                                   {47.001f, 8.0f},
                                   {-47.0f, -inf}}) {
        TrackPoint point;
        point.lat = lat;
        point.lng = lng;
        point.sdate = 40897.5;
        track.points.push_back(point);
    }
    const std::string gpx = gpxText(track);
    EXPECT_EQ(gpx.find("inf"), std::string::npos) << gpx;
    EXPECT_EQ(gpx.find("nan"), std::string::npos) << gpx;
    EXPECT_NE(gpx.find("<trkpt lat=\"47.000000\" lon=\"8.000000\">"), std::string::npos) << gpx;
    EXPECT_NE(gpx.find("<trkpt lat=\"47.000999\""), std::string::npos) << gpx;
    size_t points = 0;
    for (size_t at = gpx.find("<trkpt"); at != std::string::npos; at = gpx.find("<trkpt", at + 1)) {
        ++points;
    }
    EXPECT_EQ(points, 2u);

    const std::string kml = buildKml(track, "s.png", "e.png").text;
    EXPECT_EQ(kml.find("inf"), std::string::npos) << kml;
    EXPECT_EQ(kml.find("nan"), std::string::npos) << kml;
    EXPECT_NE(kml.find("<coordinates>8.00000,47.00000 8.00000,47.00100 </coordinates>"),
              std::string::npos)
        << kml;

    TempDir dir;
    TrackHeader unplaced;
    unplaced.points = {track.points[0], track.points[2]};
    const KmzResult none = exportKmz(dir / "none.kmz", unplaced);
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.kmz"));
}

TEST(GpxExport, ATrackWithoutPointsHasAnEmptySegment) {
    EXPECT_EQ(gpxText(TrackHeader{}), head("") +
                                          "        <trkseg />\r\n"
                                          "    </trk>\r\n"
                                          "</gpx>\r\n");
}

// Stored times are the logger's local time; GPX times are UTC: local plus tzome minutes.
TEST(GpxExport, TimesAreShiftedToUtcByTheTracksTimeZone) {
    const double local = oleDate(2011, 12, 20, 5, 5, 9);
    EXPECT_EQ(gpxUtcTime(local, -480), "2011-12-19T21:05:09Z");  // logged at UTC+08:00
    EXPECT_EQ(gpxUtcTime(local, 300), "2011-12-20T10:05:09Z");   // logged at UTC-05:00
    EXPECT_EQ(gpxUtcTime(local, 0), "2011-12-20T05:05:09Z");
    EXPECT_EQ(gpxUtcTime(oleDate(2012, 2, 29, 23, 59, 59) + 0.4 / 86400, 0),
              "2012-02-29T23:59:59Z");
    EXPECT_EQ(gpxUtcTime(-1e9, 0), "");

    TrackHeader track = makeTrack(1, local);
    track.tzome = -480;
    EXPECT_NE(gpxText(track).find("<time>2011-12-19T21:05:09Z</time>"), std::string::npos);
}

TEST(GpxExport, ReplacesAnOldFileWholeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const auto path = dir / "track.gpx";
    writeFile(path, "old content");
    const TrackHeader track = makeTrack(3, oleDate(2020, 1, 1, 0, 0, 0));
    const ExchangeResult result = exportGpx(path, track);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readFile(path), gpxText(track));
    EXPECT_EQ(fileNames(dir.path()), std::vector<std::string>{"track.gpx"});
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_read,
              std::filesystem::perms::owner_read);
}

TEST(GpxExport, AFileThatCannotBeWrittenIsReported) {
    TempDir dir;
    writeFile(dir / "file", "x");
    const TrackHeader track = makeTrack(3, oleDate(2020, 1, 1, 0, 0, 0));
    for (const auto& path : {dir / "missing" / "t.gpx", dir / "file" / "t.gpx"}) {
        const ExchangeResult result = exportGpx(path, track);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error.rfind("Cannot write " + path.string() + ": ", 0), 0u)
            << result.error;
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // A folder under the chosen name stays a folder, with nothing left beside it.
    std::filesystem::create_directory(dir / "taken.gpx");
    EXPECT_FALSE(exportGpx(dir / "taken.gpx", track).ok);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.gpx"));
    EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"file", "taken.gpx"}));
}

TEST(GpxExportReaders, TheGpxSchemaAcceptsTheFile) {
    SKIP_WITHOUT_TOOL("xmllint");
    TempDir dir;
    for (int n : {0, 1, 50}) {
        const std::string number = std::to_string(n);
        const auto path = dir / ("t" + number + ".gpx");
        TrackHeader track = makeTrack(n, oleDate(2016, 6, 1, 8, 0, 0), -45.0f, -170.0f, -600);
        ASSERT_TRUE(exportGpx(path, track).ok);
        const ToolRun run =
            runTool("xmllint --noout --schema " + quotedPath(testData("schema/gpx11.xsd")) + " " +
                    quotedPath(path));
        EXPECT_EQ(run.exitCode, 0) << run.out;
    }
}

// gpsbabel reads back every point with its position, elevation and UTC time.
TEST(GpxExportReaders, GpsbabelReadsTheSamePoints) {
    SKIP_WITHOUT_TOOL("gpsbabel");
    TempDir dir;
    TrackHeader track = makeTrack(25, oleDate(2016, 6, 1, 7, 59, 50), 47.25f, 8.5f, -120);
    track.points[3].alt = -12.7f;
    const auto path = dir / "t.gpx";
    ASSERT_TRUE(exportGpx(path, track).ok);
    const ToolRun run =
        runTool("gpsbabel -t -i gpx -f " + quotedPath(path) + " -o unicsv,utc=0 -F -");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("No,Latitude,Longitude,Altitude,Date,Time", 0), 0u) << line;
    size_t i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, track.points.size());
        const TrackPoint& p = track.points[i];
        int no = 0;
        double lat = 0;
        double lng = 0;
        double alt = 0;
        char date[16] = {};
        char time[16] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%lf,%lf,%15[^,],%15s", &no, &lat, &lng, &alt,
                              date, time),
                  6)
            << line;
        EXPECT_NEAR(lat, p.lat, 1e-6);
        EXPECT_NEAR(lng, p.lng, 1e-6);
        EXPECT_EQ(alt, static_cast<int>(p.alt));
        // Local 07:59:50 at tzome -120 is 05:59:50 UTC.
        SystemTime st;
        VariantTimeToSystemTime(p.sdate - 2.0 / 24, st);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d/%02d/%02d,%02d:%02d:%02d", st.year, st.month,
                      st.day, st.hour, st.minute, st.second);
        EXPECT_EQ(std::string(date) + "," + time, expected);
        ++i;
    }
    EXPECT_EQ(i, track.points.size());
}

}  // namespace
}  // namespace vandrel
