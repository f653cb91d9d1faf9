// GPX files as logged tracks: the value conversions, small files that show one rule each, and
// the real recorded tracks of tests/data.

#include <gtest/gtest.h>

#include "test_support.h"
#include "tools/sim/logger_image.h"

namespace vandrel::sim {
namespace {

int64_t utc(std::string_view text) {
    const auto t = parseIsoTime(text);
    EXPECT_TRUE(t && t->hasZone) << text;
    return t ? t->seconds : -1;
}

TEST(GpxValues, TimesWithZoneOffsetsAndFractions) {
    EXPECT_EQ(utc("2020-02-14T18:04:30Z"), 1581703470);
    EXPECT_EQ(utc("2010-02-01T12:31:38.545Z"), 1265027498);  // the fraction is dropped
    EXPECT_EQ(utc("2016-08-28T15:03:35+02:00"), 1472389415);
    EXPECT_EQ(utc("2016-08-28T09:33:35-0330"), 1472389415);
    EXPECT_EQ(utc("2016-08-28T18:03:35.999+05"), 1472389415);
    EXPECT_EQ(utc("  1970-01-01T00:00:00z\n"), 0);
    EXPECT_EQ(utc("2024-02-29T00:00:00Z"), 1709164800);

    const auto local = parseIsoTime("2026-06-01T08:00:00");
    ASSERT_TRUE(local);
    EXPECT_FALSE(local->hasZone);
    EXPECT_EQ(local->seconds, 1780300800);

    for (const char* bad :
         {"", "garbage", "2023-02-29T00:00:00Z", "2020-13-01T00:00:00Z", "2020-01-01T24:00:00Z",
          "2020-01-01T12:00Z", "2020-01-01T12:00:00+5", "2020-01-01T12:00:00.Z",
          "2020-01-01T12:00:00Zx", "20-01-01T12:00:00"}) {
        EXPECT_FALSE(parseIsoTime(bad)) << bad;
    }
    EXPECT_EQ(isoUtcText(1581703470), "2020-02-14T18:04:30Z");
    EXPECT_EQ(isoUtcText(-1), "1969-12-31T23:59:59Z");
}

TEST(GpxValues, DegreesAreTruncatedTowardZeroDigitByDigit) {
    EXPECT_EQ(parseMicroDegrees("47.1234569"), 47123456);
    EXPECT_EQ(parseMicroDegrees("-77.696372986"), -77696372);
    EXPECT_EQ(parseMicroDegrees("47.575711"), 47575711);  // no binary rounding below
    EXPECT_EQ(parseMicroDegrees("-0.0000009"), 0);
    EXPECT_EQ(parseMicroDegrees("180"), 180000000);
    EXPECT_EQ(parseMicroDegrees(" 8.5 "), 8500000);
    EXPECT_EQ(parseMicroDegrees(".5"), 500000);
    for (const char* bad : {"", "-", "abc", "4.7e1", "1.2.3", "99999999999"}) {
        EXPECT_FALSE(parseMicroDegrees(bad)) << bad;
    }
}

TEST(GpxValues, MetresBecomeFeetAndPressure) {
    EXPECT_EQ(feetFromMetres(304.8), 1000);
    EXPECT_EQ(feetFromMetres(296.0), 971);
    EXPECT_EQ(feetFromMetres(-0.2), -1);
    EXPECT_EQ(feetFromMetres(20000.0), 32767);  // clamped, not wrapped
    EXPECT_EQ(feetFromMetres(-20000.0), -32768);
    EXPECT_EQ(standardPressure(0), 1013);
    EXPECT_EQ(standardPressure(1000), 899);
    EXPECT_EQ(standardPressure(5500), 505);
    EXPECT_GT(standardPressure(-400), 1013);
}

TEST(GpxFile, OneTrackPerTrkAcrossSegmentsWhateverThePrefix) {
    testing::TempDir dir;
    // GPX 1.1 under a prefix, two segments, a point without lat, one without a time, an
    // unusable time, a trk with nothing usable and a second trk.
    testing::writeFile(dir / "t.gpx", R"(<?xml version="1.0"?>
<g:gpx xmlns:g="http://www.topografix.com/GPX/1/1" xmlns:x="http://www.garmin.com/xmlschemas/TrackPointExtension/v1" version="1.1">
 <g:wpt lat="1" lon="2"><g:time>2020-01-01T00:00:00Z</g:time></g:wpt>
 <g:trk><g:trkseg>
  <g:trkpt lat="47.1234569" lon="-8.0000019"><g:ele>304.8</g:ele><g:time>2020-01-01T10:00:00Z</g:time>
   <g:extensions><x:TrackPointExtension><x:atemp>-3.5</x:atemp></x:TrackPointExtension></g:extensions></g:trkpt>
  <g:trkpt lon="8"><g:time>2020-01-01T10:00:01Z</g:time></g:trkpt>
 </g:trkseg><g:trkseg>
  <g:trkpt lat="47.2" lon="8.1"><g:time>2020-01-01T12:00:05.5+02:00</g:time></g:trkpt>
  <g:trkpt lat="47.3" lon="8.2"></g:trkpt>
  <g:trkpt lat="47.3" lon="8.2"><g:time>1969-12-31T23:59:59Z</g:time></g:trkpt>
 </g:trkseg></g:trk>
 <g:trk><g:trkseg><g:trkpt lat="95" lon="8"><g:time>2020-01-01T10:00:00Z</g:time></g:trkpt></g:trkseg></g:trk>
 <g:trk><g:trkseg><g:trkpt lat="-1.5" lon="2.5"><g:time>2020-01-02T10:00:00Z</g:time></g:trkpt></g:trkseg></g:trk>
</g:gpx>)");
    std::string error;
    std::vector<std::string> warnings;
    const auto tracks = readGpxTracks(dir / "t.gpx", 120, error, warnings);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_EQ(tracks.size(), 2u);
    ASSERT_EQ(tracks[0].fixes.size(), 2u);
    const SimFix& a = tracks[0].fixes[0];
    EXPECT_EQ(a.latitude, 47123456);
    EXPECT_EQ(a.longitude, -8000001);
    EXPECT_EQ(a.time, 1577872800u);
    EXPECT_EQ(a.offset, 120);
    EXPECT_EQ(a.altitudeFeet, 1000);
    EXPECT_EQ(a.pressure, 977);
    EXPECT_FLOAT_EQ(a.temperature, -3.5f);
    const SimFix& b = tracks[0].fixes[1];
    EXPECT_EQ(b.time, 1577872800u + 5);
    EXPECT_EQ(b.altitudeFeet, 0);
    EXPECT_FLOAT_EQ(b.temperature, 20.0f);
    EXPECT_EQ(tracks[1].fixes[0].latitude, -1500000);

    std::string all;
    for (const auto& w : warnings) {
        all += w + "\n";
    }
    EXPECT_NE(all.find("trk 2 has no point"), std::string::npos) << all;
    EXPECT_NE(all.find("4 track points left out (2 without a usable lat/lon, 2 without a usable "
                       "time)"),
              std::string::npos)
        << all;
}

TEST(GpxFile, UnreadableFilesAreErrors) {
    testing::TempDir dir;
    std::string error;
    EXPECT_TRUE(readGpxTracks(dir / "missing.gpx", 0, error).empty());
    EXPECT_FALSE(error.empty());

    testing::writeFile(dir / "broken.gpx", "<gpx><trk>");
    error.clear();
    EXPECT_TRUE(readGpxTracks(dir / "broken.gpx", 0, error).empty());
    EXPECT_FALSE(error.empty());

    testing::writeFile(dir / "kml.gpx", "<kml><trk/></kml>");
    error.clear();
    EXPECT_TRUE(readGpxTracks(dir / "kml.gpx", 0, error).empty());
    EXPECT_NE(error.find("not a GPX file"), std::string::npos) << error;
}

class RecordedGpx : public ::testing::Test {
  protected:
    std::vector<SimTrack> read(const std::string& name) {
        const auto path = testing::testData("tracks/" + name);
        std::string error;
        std::vector<std::string> warnings;
        auto tracks = readGpxTracks(path, 0, error, warnings);
        EXPECT_TRUE(error.empty()) << error;
        EXPECT_TRUE(warnings.empty()) << name << ": " << warnings.front();
        return tracks;
    }
};

TEST_F(RecordedGpx, Gpx10LoggerFileKeepsEveryPointAndItsValues) {
    const auto tracks = read("dg100.gpx");
    ASSERT_EQ(tracks.size(), 1u);
    ASSERT_EQ(tracks[0].fixes.size(), 12027u);
    const SimFix& first = tracks[0].fixes[0];
    EXPECT_EQ(first.latitude, 45491561);
    EXPECT_EQ(first.longitude, -77696372);
    EXPECT_EQ(first.altitudeFeet, 971);
    EXPECT_EQ(first.time, 1581703470u);
}

TEST_F(RecordedGpx, SegmentsJoinWhileEachTrkStaysATrackInFileOrder) {
    // Three trk of 9, 2 and 3 segments.
    const auto tracks = read("blue-hills.gpx");
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].fixes.size(), 309u);
    EXPECT_EQ(tracks[1].fixes.size(), 498u);
    EXPECT_EQ(tracks[2].fixes.size(), 436u);
    // The tracks keep the file's order although the third was recorded before the first.
    EXPECT_LT(tracks[2].fixes[0].time, tracks[0].fixes[0].time);
}

TEST_F(RecordedGpx, Gpx11FileWithFractionsAndTemperatures) {
    const auto atemp = read("atemp.gpx");
    ASSERT_EQ(atemp.size(), 1u);
    ASSERT_EQ(atemp[0].fixes.size(), 2429u);
    const SimFix& first = atemp[0].fixes[0];
    EXPECT_EQ(first.latitude, 53137405);  // 53.1374059897, truncated
    EXPECT_EQ(first.longitude, 45322135);
    EXPECT_EQ(first.altitudeFeet, 937);  // 285.65 m
    EXPECT_FLOAT_EQ(first.temperature, 1.4f);
    EXPECT_FLOAT_EQ(atemp[0].fixes[3].temperature, -0.4f);
    EXPECT_EQ(first.time, 1675579308u);
}

}  // namespace
}  // namespace vandrel::sim
