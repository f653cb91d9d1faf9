// What the inspector says about an image: tests and users grep these lines, so each one is
// checked as a whole line.

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "test_support.h"
#include "tools/sim/logger_image.h"

namespace vandrel::sim {
namespace {

bool hasLine(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

SimTrack track(int fixes, uint32_t firstTime) {
    SimTrack t;
    for (int i = 0; i < fixes; ++i) {
        SimFix f;
        f.time = firstTime + 10 * static_cast<uint32_t>(i);
        t.fixes.push_back(f);
    }
    return t;
}

TEST(InspectImage, HandshakeNoneOkAndWrong) {
    LoggerImage image(kMinBlocks, 1);
    EXPECT_TRUE(hasLine(inspectImage(image), "handshake: none"));
    answerHandshake(image);
    EXPECT_TRUE(hasLine(inspectImage(image), "handshake: ok"));
    image.block(kResponseBlock)[100] ^= 0x40;
    EXPECT_TRUE(hasLine(inspectImage(image), "handshake: wrong"));
}

TEST(InspectImage, SettingsAndErasedPois) {
    LoggerImage image;
    SimSettings s;
    s.timeZoneEast = 330;
    s.logInterval = 10;
    s.refbar = 30.48f;
    s.powerOff = 0;
    image.writeSettings(s);
    const std::string text = inspectImage(image);
    EXPECT_TRUE(hasLine(text, "settings TimeZone offset east: 330 min")) << text;
    EXPECT_TRUE(hasLine(text, "settings Temperature: 1 (C)")) << text;
    EXPECT_TRUE(hasLine(text, "settings Length2: 1 (metric)")) << text;
    EXPECT_TRUE(hasLine(text, "settings PowerOff: 0 (never)")) << text;
    EXPECT_TRUE(hasLine(text, "settings Refbar: 30.48 m")) << text;
    EXPECT_TRUE(hasLine(text, "settings LogInterval: 10 s")) << text;
    EXPECT_TRUE(hasLine(text, "poi block: erased")) << text;
    EXPECT_EQ(text.find("poi 0:"), std::string::npos);
}

TEST(InspectImage, PoiEntriesFromBothTables) {
    LoggerImage image;
    uint8_t* b = image.block(kPoiBlock);
    std::fill_n(b, 4096, uint8_t{0});
    // Slot 3: number 4 in the number table; latitude -33.8688, longitude 151.2093, icon byte 6.
    b[34 + 5 * 3] = 3;
    b[34 + 5 * 3 + 1] = 4;
    const int32_t lat = -33868800, lng = 151209300;
    std::memcpy(b + 134 + 9 * 3, &lat, 4);  // the test machine is little-endian, as is the logger
    std::memcpy(b + 134 + 9 * 3 + 4, &lng, 4);
    b[134 + 9 * 3 + 8] = 6;
    std::fill_n(b + 134 + 9 * 19, 9, uint8_t{0xFF});
    const std::string text = inspectImage(image);
    EXPECT_TRUE(hasLine(text, "poi block: written")) << text;
    EXPECT_TRUE(
        hasLine(text, "poi 3: index 3 number 4 latitude -33.868800 longitude 151.209300 icon 7"))
        << text;
    EXPECT_TRUE(hasLine(text, "poi 19: erased")) << text;
}

TEST(InspectImage, RunsOfTheIndex) {
    LoggerImage image;
    image.writeLog({track(120, 1581703470), track(3, 1600000000)});
    std::string text = inspectImage(image);
    EXPECT_TRUE(hasLine(text, "log present: 1")) << text;
    EXPECT_TRUE(hasLine(text, "log chunks: 4 used, 994 erased")) << text;
    EXPECT_TRUE(hasLine(text, "log runs: 2")) << text;
    EXPECT_TRUE(hasLine(text,
                        "run 1: key 1 chunks 0-2 count 3 sequence 0-2 records 120 first "
                        "2020-02-14T18:04:30Z last 2020-02-14T18:24:20Z"))
        << text;
    EXPECT_TRUE(hasLine(text,
                        "run 2: key 2 chunks 3-3 count 1 sequence 3-3 records 3 first "
                        "2020-09-13T12:26:40Z last 2020-09-13T12:27:00Z"))
        << text;

    // A gap in the sequence numbers splits a key's chunks into two runs; a run whose first
    // record is erased has no times; the records stop at the first erased one.
    image.setIndexEntry(1, 1, 40);
    image.eraseRecord(0, 10);
    image.eraseRecord(3, 0);
    text = inspectImage(image);
    EXPECT_TRUE(hasLine(text, "log runs: 4")) << text;
    EXPECT_TRUE(hasLine(text,
                        "run 1: key 1 chunks 0-0 count 1 sequence 0-0 records 10 first "
                        "2020-02-14T18:04:30Z last 2020-02-14T18:06:00Z"))
        << text;
    EXPECT_TRUE(hasLine(text,
                        "run 2: key 1 chunks 1-1 count 1 sequence 40-40 records 50 first "
                        "2020-02-14T18:12:50Z last 2020-02-14T18:21:00Z"))
        << text;
    EXPECT_TRUE(hasLine(text, "run 4: key 2 chunks 3-3 count 1 sequence 3-3 records 0")) << text;
}

TEST(InspectImage, NoLog) {
    const std::string text = inspectImage(LoggerImage());
    EXPECT_TRUE(hasLine(text, "log present: 0")) << text;
    EXPECT_TRUE(hasLine(text, "log chunks: 0 used, 998 erased")) << text;
    EXPECT_TRUE(hasLine(text, "log runs: 0")) << text;
}

}  // namespace
}  // namespace vandrel::sim
