// KMZ export: the KML document, the zip layout, and independent readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "core/program_path.h"
#include "exchange/kml_document.h"
#include "exchange/kmz_export.h"
#include "exchange_support.h"

namespace vandrel {
namespace {

using namespace testing;

class KmzExport : public ::testing::Test {
  protected:
    KmzExport() {
        writeFile(dir_ / "s.png", "start icon");
        writeFile(dir_ / "e.png", "end icon");
        options_.startIcon = dir_ / "s.png";
        options_.endIcon = dir_ / "e.png";
        options_.photosFolder = dir_ / "photos";
        SystemTime t;
        t.year = 2011;
        t.month = 12;
        t.day = 20;
        t.hour = 13;
        t.minute = 5;
        t.second = 10;
        options_.time = t;
    }
    std::string photo(const std::string& folder, const std::string& name,
                      const std::string& bytes) {
        std::filesystem::create_directories(dir_ / folder);
        writeFile(dir_ / folder / name, bytes);
        return (dir_ / folder / name).string();
    }

    TempDir dir_;
    KmzOptions options_;
};

TEST_F(KmzExport, OnePointGivesStartEndAndALineOfOnePair) {
    TrackHeader track;
    track.points.push_back(makePoint(22.5f, 114.25f, oleDate(2020, 1, 1, 0, 0, 0)));
    const std::string lookAt =
        "<LookAt><longitude>114.25000</longitude><latitude>22.50000</latitude>"
        "<altitude>0</altitude><heading>0</heading><tilt>0</tilt><range>2000</range>"
        "<altitudeMode>relativeToGround</altitudeMode></LookAt>";
    const std::string point = "<Point><coordinates>114.25000,22.50000</coordinates></Point>";
    EXPECT_EQ(buildKml(track, "s.png", "e.png").text,
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"
              "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
              "<name>2020-01-01 00:00:00</name>"
              "<Style id=\"entry_0\"><IconStyle><scale>0.8</scale><Icon><href>files/s.png</href>"
              "</Icon></IconStyle></Style>"
              "<Style id=\"entry_1\"><IconStyle><scale>0.8</scale><Icon><href>files/e.png</href>"
              "</Icon></IconStyle></Style>"
              "<Style id=\"vandrel_style\"><LineStyle><color>7fff0000</color><width>4</width>"
              "</LineStyle></Style>"
              "<Placemark><name>start</name><description />" +
                  lookAt + "<styleUrl>#entry_0</styleUrl>" + point +
                  "</Placemark>"
                  "<Placemark><name>end</name><description />" +
                  lookAt + "<styleUrl>#entry_1</styleUrl>" + point +
                  "</Placemark>"
                  "<Placemark><name>track</name><styleUrl>#vandrel_style</styleUrl><LineString>"
                  "<tessellate>1</tessellate><coordinates>114.25000,22.50000 </coordinates>"
                  "</LineString></Placemark></Document></kml>");
}

TEST_F(KmzExport, PhotosGetAPlacemarkWithTheirBalloonAndAnIconStyleEach) {
    TrackHeader track = makeTrack(4, oleDate(2020, 1, 1, 0, 0, 0), -33.5f, 121.5125f);
    track.points[1].pho = "/p/photos/20200101000005000.jpg";
    track.points[2].pho = "C:\\old\\photos\\b<\"x\">.jpg";
    const KmlDocument kml = buildKml(track, "/i/s.png", "/i/e.png");
    EXPECT_EQ(kml.text.find('\n'), std::string::npos);
    ASSERT_EQ(kml.files.size(), 4u);
    EXPECT_EQ(kml.files[0].name, "files/s.png");
    EXPECT_EQ(kml.files[1].name, "files/20200101000005000.jpg");
    EXPECT_EQ(kml.files[1].source, "/p/photos/20200101000005000.jpg");
    EXPECT_EQ(kml.files[2].name, "files/b<\"x\">.jpg");
    EXPECT_EQ(kml.files[3].name, "files/e.png");
    const std::string balloon = photoBalloon("files/a.jpg", -33.5, 121.5125);
    EXPECT_EQ(balloon,
              "<table style=\"font-size:12px;\"><tr><td><img src=\"files/a.jpg\" "
              "style=\"width:640px; height:480px;\"></img></td></tr><tr><td>"
              "Lat: -33\u00B0 30' 0.00\"    Lng: 121\u00B0 30' 45.00\""
              "</td></tr></table>");
    // The odd file name stays text inside the balloon; the CDATA section stays whole.
    EXPECT_NE(kml.text.find("<img src=\"files/b&lt;&quot;x&quot;&gt;.jpg\""), std::string::npos);
    const std::regex marks("<Placemark><name>(\\w+)</name>.*?<styleUrl>#(\\w+)</styleUrl>");
    std::string order;
    for (auto it = std::sregex_iterator(kml.text.begin(), kml.text.end(), marks);
         it != std::sregex_iterator(); ++it) {
        order += (*it)[1].str() + ":" + (*it)[2].str() + " ";
    }
    EXPECT_EQ(order, "start:entry_0 photo:entry_1 photo:entry_2 end:entry_3 track:vandrel_style ");
}

// A stored name longer than a zip entry's can be (a damaged row) is one missing photo, not a
// failed export; a name beyond ASCII is marked as UTF-8 (general purpose bit 11), as readers
// take it in a DOS code page otherwise.
TEST_F(KmzExport, PhotoNamesBeyondTheZipLimitAreMissingAndOthersMarkedUtf8) {
    TrackHeader track = makeTrack(3, oleDate(2020, 1, 1, 0, 0, 0), 47.0f, 8.0f);
    track.points[0].pho = photo("photos", "caf\u00E9.jpg", "a photo");
    track.points[1].pho = (dir_ / "photos" / std::string(65536, 'x')).string() + ".jpg";
    const KmzResult result = exportKmz(dir_ / "t.kmz", track, options_);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.filesMissing, 1);
    constexpr uLong kUtf8Name = 1 << 11;
    std::string cafe;
    for (const ZipEntry& entry : readZip(dir_ / "t.kmz")) {
        const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                       [](char c) { return (c & 0x80) == 0; });
        EXPECT_EQ((entry.info.flag & kUtf8Name) != 0, !ascii) << entry.name;
        cafe += entry.name == "files/caf\u00E9.jpg" ? entry.data : "";
    }
    EXPECT_EQ(cafe, "a photo");
}

TEST_F(KmzExport, TheArchiveHoldsTheDocumentThenTheFilesInOrder) {
    TrackHeader track = makeTrack(5, oleDate(2020, 1, 1, 0, 0, 0));
    // A photo is found by its name in the photos folder, wherever the stored path put it.
    track.points[1].pho = photo("photos", "x.jpg", "one photo");
    track.points[3].pho = "C:\\old\\photos\\x.jpg";
    track.points[4].pho = (dir_ / "gone.jpg").string();
    const auto path = dir_ / "t.kmz";
    const KmzResult result = exportKmz(path, track, options_);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.filesMissing, 1);

    const std::vector<ZipEntry> entries = readZip(path);
    std::vector<std::string> names;
    for (const ZipEntry& e : entries) {
        names.push_back(e.name);
        EXPECT_EQ(e.info.compression_method, 8u) << e.name;
        EXPECT_EQ(e.info.tmu_date.tm_year, 2011u);
        EXPECT_EQ(e.info.tmu_date.tm_mon, 11u);
        EXPECT_EQ(e.info.tmu_date.tm_mday, 20u);
        EXPECT_EQ(e.info.tmu_date.tm_hour, 13u);
        EXPECT_EQ(e.info.tmu_date.tm_min, 5u);
        EXPECT_EQ(e.info.tmu_date.tm_sec, 10u);
        EXPECT_EQ(e.info.external_fa, 0x20u);
        EXPECT_EQ(e.info.size_file_extra, 0u);
        EXPECT_EQ(e.info.size_file_comment, 0u);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"doc.kml", "files/", "files/s.png", "files/x.jpg",
                                               "files/x.jpg", "files/gone.jpg", "files/e.png"}));
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0].data, buildKml(track, options_.startIcon, options_.endIcon).text);
    EXPECT_EQ(entries[1].data, "");
    EXPECT_EQ(entries[2].data, "start icon");
    EXPECT_EQ(entries[3].data, "one photo");
    EXPECT_EQ(entries[4].data, "one photo");
    EXPECT_EQ(entries[5].data, "");  // the missing photo keeps its entry and its link
    EXPECT_EQ(entries[6].data, "end icon");
}

TEST_F(KmzExport, FailuresAreReportedAndLeaveNothingBehind) {
    const TrackHeader track = makeTrack(3, oleDate(2020, 1, 1, 0, 0, 0));
    const auto inMissingFolder = dir_ / "missing" / "t.kmz";
    KmzResult result = exportKmz(inMissingFolder, track, options_);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.rfind("Cannot write " + inMissingFolder.string(), 0), 0u);

    writeFile(dir_ / "old.kmz", "old");
    result = exportKmz(dir_ / "old.kmz", TrackHeader{}, options_);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(readFile(dir_ / "old.kmz"), "old");
    EXPECT_EQ(fileNames(dir_.path()), (std::vector<std::string>{"e.png", "old.kmz", "s.png"}));
}

TEST_F(KmzExport, TheBuiltIconsArePackedFromBesideTheProgram) {
    ASSERT_TRUE(std::filesystem::exists(programPath("images/s.png")))
        << "the icons are built beside the test program: " << programPath("images/s.png");
    const auto path = dir_ / "t.kmz";
    const KmzResult result = exportKmz(path, makeTrack(2, oleDate(2020, 1, 1, 0, 0, 0)));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.filesMissing, 0);
    const std::vector<ZipEntry> entries = readZip(path);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2].data.substr(1, 3), "PNG");
    EXPECT_EQ(entries[3].data, readFile(programPath("images/e.png")));
}

class KmzReaders : public KmzExport {
  protected:
    std::filesystem::path exportSample() {
        TrackHeader track = makeTrack(40, oleDate(2020, 1, 1, 0, 0, 0), 46.5f, 7.25f);
        track.points[10].pho = photo("photos", "one.jpg", "photo");
        const auto path = dir_ / "t.kmz";
        EXPECT_TRUE(exportKmz(path, track, options_).ok);
        return path;
    }
};

TEST_F(KmzReaders, UnzipListsTheEntriesInOrder) {
    SKIP_WITHOUT_TOOL("unzip");
    const ToolRun run = runTool("unzip -l " + quotedPath(exportSample()));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::regex names(" (doc\\.kml|files/\\S*)\n");
    std::string order;
    for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), names);
         it != std::sregex_iterator(); ++it) {
        order += (*it)[1].str() + " ";
    }
    EXPECT_EQ(order, "doc.kml files/ files/s.png files/one.jpg files/e.png ");
    EXPECT_EQ(runTool("unzip -tq " + quotedPath(dir_ / "t.kmz")).exitCode, 0);
}

TEST_F(KmzReaders, TheKmlSchemaAcceptsTheDocument) {
    SKIP_WITHOUT_TOOL("unzip");
    SKIP_WITHOUT_TOOL("xmllint");
    const ToolRun run =
        runTool("unzip -p " + quotedPath(exportSample()) + " doc.kml | xmllint --noout --schema " +
                quotedPath(testData("schema/ogckml22.xsd")) + " -");
    EXPECT_EQ(run.exitCode, 0) << run.out;
}

TEST_F(KmzReaders, OgrinfoReadsTheLineWithEveryPoint) {
    SKIP_WITHOUT_TOOL("ogrinfo");
    const ToolRun run = runTool("ogrinfo -ro -al " + quotedPath(exportSample()));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const size_t line = run.out.find("LINESTRING (7.25 46.5");
    ASSERT_NE(line, std::string::npos) << run.out;
    const std::string wkt = run.out.substr(line, run.out.find(')', line) - line);
    EXPECT_EQ(std::count(wkt.begin(), wkt.end(), ',') + 1, 40) << wkt;
    for (const char* name : {"Name (String) = start", "Name (String) = photo",
                             "Name (String) = end", "Name (String) = track"}) {
        EXPECT_NE(run.out.find(name), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace vandrel
