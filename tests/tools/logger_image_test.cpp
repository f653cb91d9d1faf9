// The volume image the simulator writes, checked byte by byte at the volume positions of the
// logger's memory map (written out here as numbers, not taken from the layout header).

#include "tools/sim/logger_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "test_support.h"

namespace vandrel::sim {
namespace {

constexpr size_t kIndexStart = 0x202222;  // block 514 byte 546
constexpr size_t kDataStart = 0x272FF2;   // block 626 byte 4082
constexpr size_t kPresentAt = 0x205210;   // block 517 byte 528
constexpr size_t kSettingsStart = 0x200000;

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}
int32_t s32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(u32(b, at));
}
int16_t s16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int16_t>(b[at] | (b[at + 1] << 8));
}

size_t recordAt(int chunk, int record) {
    return kDataStart + 1300 * chunk + 26 * record;
}
int32_t keyOf(const LoggerImage& image, int chunk) {
    return s32(image.bytes(), kIndexStart + 12 * chunk);
}
int32_t sequenceOf(const LoggerImage& image, int chunk) {
    return s32(image.bytes(), kIndexStart + 12 * chunk + 8);
}

bool allFF(const std::vector<uint8_t>& b, size_t from, size_t count) {
    return std::all_of(b.begin() + from, b.begin() + from + count,
                       [](uint8_t v) { return v == 0xFF; });
}

SimTrack track(int fixes, uint32_t firstTime = 1000) {
    SimTrack t;
    for (int i = 0; i < fixes; ++i) {
        SimFix f;
        f.latitude = 47000000 + i;
        f.longitude = -8000000 - i;
        f.time = firstTime + static_cast<uint32_t>(i);
        t.fixes.push_back(f);
    }
    return t;
}

TEST(LoggerImageFresh, HoldsChallengeSettingsErasedPoisAndAnEmptyLog) {
    LoggerImage image(kMinBlocks, 42);
    const auto& b = image.bytes();
    ASSERT_EQ(b.size(), 1024u * 4096);
    EXPECT_FALSE(std::all_of(b.begin() + 10 * 4096, b.begin() + 11 * 4096,
                             [](uint8_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(b.begin() + 11 * 4096, b.begin() + 12 * 4096,
                            [](uint8_t v) { return v == 0; }));
    EXPECT_EQ(b[kSettingsStart + 68], 1);
    EXPECT_EQ(b[kSettingsStart + 70], b[kSettingsStart + 71]);
    EXPECT_EQ(s16(b, kSettingsStart + 79), 5);
    EXPECT_TRUE(allFF(b, 513 * 4096, 4096));
    EXPECT_TRUE(allFF(b, kIndexStart, 998 * 12));
    EXPECT_TRUE(allFF(b, kDataStart, 998 * 1300));
    EXPECT_EQ(u32(b, kPresentAt), 0u);
    EXPECT_EQ(image.logPresent(), 0u);

    // The seed decides the challenge, so two seeds differ and one seed repeats.
    EXPECT_NE(LoggerImage(kMinBlocks, 43).bytes(), b);
    EXPECT_EQ(LoggerImage(kMinBlocks, 42).bytes(), b);
}

TEST(LoggerImageFresh, SettingsLandAtTheirOffsets) {
    LoggerImage image;
    SimSettings s;
    s.timeZoneEast = -330;
    s.temperature = 2;
    s.timeFormat = 1;
    s.length = 2;
    s.length2 = 2;
    s.powerOff = 4;
    s.backlight = 0;
    s.refbar = 30.48f;
    s.logInterval = 3600;
    s.tnttbar = 3;
    image.writeSettings(s);
    const auto& b = image.bytes();
    EXPECT_EQ(s16(b, kSettingsStart + 66), -330);
    EXPECT_EQ(b[kSettingsStart + 68], 2);
    EXPECT_EQ(b[kSettingsStart + 69], 1);
    EXPECT_EQ(b[kSettingsStart + 70], 2);
    EXPECT_EQ(b[kSettingsStart + 71], 2);
    EXPECT_EQ(b[kSettingsStart + 73], 4);
    EXPECT_EQ(b[kSettingsStart + 74], 0);
    float refbar = 0;
    std::memcpy(&refbar, b.data() + kSettingsStart + 75, 4);
    EXPECT_FLOAT_EQ(refbar, 30.48f);
    EXPECT_EQ(s16(b, kSettingsStart + 79), 3600);
    EXPECT_EQ(b[kSettingsStart + 81], 3);
    EXPECT_EQ(image.readSettings().timeZoneEast, -330);
}

TEST(LoggerImageLog, RecordBytesLieAtTheirOffsets) {
    LoggerImage image;
    SimTrack t = track(53);
    SimFix& known = t.fixes[52];  // chunk 1, record 2
    known.latitude = -33868820;
    known.longitude = 151209290;
    known.time = 0xF0000001u;
    known.offset = -480;
    known.altitudeFeet = -12;
    known.pressure = 1002;
    known.temperature = -4.5f;
    EXPECT_TRUE(image.writeLog({t}).empty());

    const auto& b = image.bytes();
    const size_t r = recordAt(1, 2);
    EXPECT_EQ(s32(b, r), -33868820);
    EXPECT_EQ(s32(b, r + 4), 151209290);
    EXPECT_EQ(u32(b, r + 8), 0xF0000001u);
    EXPECT_EQ(s16(b, r + 12), -480);
    EXPECT_EQ(s16(b, r + 14), -12);
    EXPECT_EQ(s32(b, r + 16), 1002);
    float temperature = 0;
    std::memcpy(&temperature, b.data() + r + 20, 4);
    EXPECT_EQ(temperature, -4.5f);
    EXPECT_NE(b[r + 24], 0xFF);
    EXPECT_NE(b[r + 25], 0xFF);
    // The rest of the last chunk stays erased, and so does everything after it.
    EXPECT_TRUE(allFF(b, recordAt(1, 3), 47 * 26));
    EXPECT_TRUE(allFF(b, kIndexStart + 12 * 2, 996 * 12));
    EXPECT_EQ(u32(b, kPresentAt), 1u);
}

TEST(LoggerImageLog, TracksTakeNewChunksWithKeysAndRunningSequenceNumbers) {
    LoggerImage image;
    // 120 fixes take 3 chunks, the last one partly; 50 take exactly one; 1 takes one.
    EXPECT_TRUE(image.writeLog({track(120), track(50, 5000), track(1, 9000)}, 1, 100).empty());
    const int32_t keys[] = {1, 1, 1, 2, 3};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(keyOf(image, c), keys[c]) << "chunk " << c;
        EXPECT_EQ(sequenceOf(image, c), 100 + c) << "chunk " << c;
    }
    EXPECT_EQ(keyOf(image, 5), -1);
    EXPECT_EQ(sequenceOf(image, 5), -1);
    const auto& b = image.bytes();
    EXPECT_EQ(u32(b, recordAt(2, 19) + 8), 1000u + 119);
    EXPECT_TRUE(allFF(b, recordAt(2, 20), 30 * 26));
    EXPECT_EQ(u32(b, recordAt(3, 0) + 8), 5000u);
    EXPECT_EQ(u32(b, recordAt(3, 49) + 8), 5049u);
    EXPECT_EQ(u32(b, recordAt(4, 0) + 8), 9000u);
    EXPECT_TRUE(allFF(b, recordAt(4, 1), 49 * 26));
}

TEST(LoggerImageLog, EmptyTracksAreLeftOutAndAnEmptyLogIsNotPresent) {
    LoggerImage image;
    const auto warnings = image.writeLog({SimTrack{}, track(3)});
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_EQ(keyOf(image, 0), 1);
    EXPECT_EQ(keyOf(image, 1), -1);

    LoggerImage none;
    none.writeLog({});
    EXPECT_EQ(none.logPresent(), 0u);
}

TEST(LoggerImageLog, ASecondLogReplacesTheFirstEntirely) {
    LoggerImage image;
    image.writeLog({track(200), track(200)});
    image.writeLog({track(10)});
    EXPECT_EQ(keyOf(image, 1), -1);
    EXPECT_TRUE(allFF(image.bytes(), recordAt(0, 10), 40 * 26 + 997 * 1300));
}

TEST(LoggerImageLog, WhatDoesNotFitIsCutWithAWarning) {
    LoggerImage image;
    // 990 chunks, then a track of 10 chunks of which 8 fit, then two that do not fit at all.
    const auto warnings = image.writeLog({track(990 * 50), track(500, 7000), track(5), track(6)});
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("track 2 cut after 400 of 500"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("2 later track(s) with 11 fixes"), std::string::npos) << warnings[1];
    EXPECT_EQ(keyOf(image, 989), 1);
    EXPECT_EQ(keyOf(image, 990), 2);
    EXPECT_EQ(keyOf(image, 997), 2);
    EXPECT_EQ(sequenceOf(image, 997), 997);
    EXPECT_EQ(u32(image.bytes(), recordAt(997, 49) + 8), 7000u + 399);
    // Nothing is written past the data area: the byte after the last chunk is untouched.
    EXPECT_EQ(image.bytes()[kDataStart + 998 * 1300], 0xFF);
    EXPECT_EQ(image.logPresent(), 1u);
}

TEST(LoggerImageLog, PointsToFillLogFillsEveryChunkExactly) {
    for (int count : {1, 2, 3, 5, 7, 100, 997, 998}) {
        const std::vector<int> points = pointsToFillLog(count);
        ASSERT_EQ(points.size(), static_cast<size_t>(count));
        int chunks = 0;
        for (int p : points) {
            ASSERT_GT(p, 0);
            chunks += (p + 49) / 50;
        }
        EXPECT_EQ(chunks, 998) << count << " tracks";

        std::vector<SimTrack> tracks;
        for (int p : points) {
            tracks.push_back(track(p));
        }
        LoggerImage image;
        EXPECT_TRUE(image.writeLog(tracks).empty()) << count << " tracks";
        EXPECT_EQ(keyOf(image, 997), count);
    }
    EXPECT_TRUE(pointsToFillLog(0).empty());
    EXPECT_TRUE(pointsToFillLog(999).empty());
}

TEST(LoggerImageLog, RawAccessIgnoresPositionsOutsideTheLog) {
    LoggerImage image;
    const std::vector<uint8_t> before = image.bytes();
    image.setIndexEntry(998, 1, 1);
    image.setIndexEntry(-1, 1, 1);
    image.setRecord(0, 50, SimFix{});
    image.setRecord(998, 0, SimFix{});
    image.eraseRecord(0, -1);
    EXPECT_EQ(image.bytes(), before);
}

TEST(LoggerImageHandshake, ResponseFollowsTheChallengeAndCopiesTheRest) {
    EXPECT_EQ(handshakeResponse(0), 0x4C87C8A0u);
    EXPECT_EQ(handshakeResponse(0x12345678), 0x5EBB9AE8u);
    EXPECT_EQ(handshakeResponse(0xD2B495E6), 0x1F3C5E86u);  // the sum wraps around

    LoggerImage image(kMinBlocks, 9);
    EXPECT_EQ(checkHandshake(image), HandshakeState::None);
    answerHandshake(image);
    EXPECT_EQ(checkHandshake(image), HandshakeState::Ok);
    EXPECT_EQ(u32(image.bytes(), 11 * 4096), handshakeResponse(u32(image.bytes(), 10 * 4096)));
    EXPECT_EQ(std::memcmp(image.block(11) + 4, image.block(10) + 4, 4092), 0);

    image.block(11)[4095] ^= 1;  // right word, but the copied rest differs
    EXPECT_EQ(checkHandshake(image), HandshakeState::Wrong);
    answerHandshake(image);
    image.block(11)[0] ^= 1;
    EXPECT_EQ(checkHandshake(image), HandshakeState::Wrong);
}

TEST(LoggerImageFile, SaveAndLoadRoundTrip) {
    testing::TempDir dir;
    LoggerImage image(kMinBlocks, 5);
    image.writeLog({track(77)});
    std::string error;
    ASSERT_TRUE(image.save(dir / "volume.img", error)) << error;
    EXPECT_EQ(std::filesystem::file_size(dir / "volume.img"), 1024u * 4096);
    const auto loaded = LoggerImage::load(dir / "volume.img", error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->bytes(), image.bytes());
}

TEST(LoggerImageFile, LoadRefusesWhatIsNoVolume) {
    testing::TempDir dir;
    std::string error;
    EXPECT_FALSE(LoggerImage::load(dir / "missing.img", error));
    EXPECT_FALSE(error.empty());

    testing::writeFile(dir / "short.img", std::string(1023 * 4096, '\0'));
    error.clear();
    EXPECT_FALSE(LoggerImage::load(dir / "short.img", error));
    EXPECT_FALSE(error.empty());

    testing::writeFile(dir / "odd.img", std::string(1024 * 4096 + 1, '\0'));
    EXPECT_FALSE(LoggerImage::load(dir / "odd.img", error));

    error.clear();
    EXPECT_FALSE(LoggerImage().save(dir / "no-such-folder" / "volume.img", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vandrel::sim
