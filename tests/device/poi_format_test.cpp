// The POI block and .poi files byte by byte, checked against the simulator's own encoder and
// against the logger's range test.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "device/byte_order.h"
#include "device/poi_block.h"
#include "device/poi_file.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"

namespace vandrel {
namespace {

using namespace byte_order;

PoiSlots sydneySlots() {
    PoiSlots slots = initialPoiSlots();
    slots[0].latitude = -33.8688f;
    slots[0].longitude = 151.2093f;
    slots[0].icon = 5;
    slots[1].icon = 21;
    slots[2].latitude = 90.0f;
    slots[2].longitude = -180.0f;
    slots[2].icon = 27;
    return slots;
}

TEST(PoiSlots, StartSpreadRoundTheEquator) {
    const PoiSlots slots = initialPoiSlots();
    EXPECT_EQ(slots[0], (PoiSlot{1, 0.0f, -180.0f, 1}));
    EXPECT_EQ(slots[19], (PoiSlot{20, 0.0f, 162.0f, 20}));
}

TEST(PoiBlock, PositionsAreTruncatedFromTheWidenedFloat) {
    EXPECT_EQ(static_cast<double>(-33.8688f), -33.86880111694336);
    EXPECT_EQ(poi_block::microDegrees(-33.8688f), -33868801);
    EXPECT_EQ(poi_block::microDegrees(151.2093f), 151209304);
    EXPECT_EQ(poi_block::microDegrees(-0.0000009f), 0);
    // No slot can make the conversion undefined.
    EXPECT_EQ(poi_block::microDegrees(5000.0f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(poi_block::microDegrees(-5000.0f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(poi_block::microDegrees(std::nanf("")), 0);
}

TEST(PoiBlock, EncodedBytesMatchTheLoggerLayoutAndKeepTheRest) {
    std::array<uint8_t, 4096> block;
    block.fill(0xA5);
    const PoiSlots slots = sydneySlots();
    poi_block::encode(slots, block.data());

    const uint8_t header[34] = {0x22, 0x10, 0, 0, 5,  0, 0x86, 0x10, 0, 0,    9, 0,
                                20,   0,    0, 0, 20, 0, 0,    0,    0, 0x10, 0, 0,
                                0xFF, 0xFF, 0, 0, 0,  0, 0x01, 0xF0, 1, 0};
    EXPECT_TRUE(std::equal(header, header + 34, block.begin()));
    for (int i = 0; i < kPoiSlotCount; ++i) {
        EXPECT_EQ(block[34 + 5 * i], i);
        EXPECT_EQ(getU32(&block[35 + 5 * i]), static_cast<uint32_t>(i + 1));
    }
    EXPECT_EQ(getS32(&block[134]), -33868801);
    EXPECT_EQ(getS32(&block[138]), 151209304);
    EXPECT_EQ(block[142], 4);
    EXPECT_EQ(block[134 + 9 + 8], 20);  // icon 21
    EXPECT_EQ(getS32(&block[134 + 18]), 90000000);
    EXPECT_EQ(getS32(&block[134 + 22]), -180000000);
    for (size_t i = 314; i < 4096; ++i) {
        ASSERT_EQ(block[i], 0xA5) << "byte " << i;
    }

    // The simulator, written apart from the program, encodes the same 314 bytes.
    sim::LoggerImage image;
    std::vector<sim::SimPoi> pois;
    for (const PoiSlot& s : slots) {
        pois.push_back({s.number, poi_block::microDegrees(s.latitude),
                        poi_block::microDegrees(s.longitude), s.icon});
    }
    image.writePois(pois);
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 314, image.block(sim::kPoiBlock)));
}

TEST(PoiBlock, OnlyEntriesThatPassTheLoggersRangeTestAreApplied) {
    std::array<uint8_t, 4096> block;
    block.fill(0xFF);
    PoiSlots slots = initialPoiSlots();
    EXPECT_EQ(poi_block::apply(block.data(), slots), 0) << "an erased block changes nothing";
    EXPECT_EQ(slots, initialPoiSlots());

    PoiSlots uploaded = sydneySlots();
    for (PoiSlot& s : uploaded) {
        s.number = 99;
    }
    poi_block::encode(uploaded, block.data());
    // Bounds are inclusive; one millionth beyond is refused.
    putS32(&block[134 + 9 * 3], 90000001);
    putS32(&block[134 + 9 * 4 + 4], -180000001);
    putS32(&block[134 + 9 * 5], -90000000);
    putS32(&block[134 + 9 * 5 + 4], 180000000);
    slots = initialPoiSlots();
    EXPECT_EQ(poi_block::apply(block.data(), slots), 16);
    EXPECT_FLOAT_EQ(slots[0].latitude, -33.868801f);
    EXPECT_FLOAT_EQ(slots[0].longitude, 151.209304f);
    EXPECT_EQ(slots[0].icon, 5);
    // Icons 21 and 27 upload, but the logger's test takes icon bytes up to 19 only.
    EXPECT_EQ(slots[1], initialPoiSlots()[1]);
    EXPECT_EQ(slots[2], initialPoiSlots()[2]);
    EXPECT_EQ(slots[3], initialPoiSlots()[3]);
    EXPECT_EQ(slots[4], initialPoiSlots()[4]);
    EXPECT_FLOAT_EQ(slots[5].latitude, -90.0f);
    EXPECT_FLOAT_EQ(slots[5].longitude, 180.0f);
    for (int i = 0; i < kPoiSlotCount; ++i) {
        EXPECT_EQ(slots[i].number, i + 1) << "the number table is never read";
    }
}

TEST(PoiFile, RoundTripReplacesNumbersToo) {
    testing::TempDir dir;
    PoiSlots slots = sydneySlots();
    slots[1].icon = 9;
    slots[7].number = 3;
    ASSERT_TRUE(WritePoiFile(dir / "a.poi", slots).ok);
    const std::string bytes = testing::readFile(dir / "a.poi");
    ASSERT_EQ(bytes.size(), 200u);
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(getS32(b + 1), -33868801);
    EXPECT_EQ(getS32(b + 5), 151209304);
    EXPECT_EQ(b[9], 5);
    EXPECT_EQ(b[70], 3);

    PoiSlots read = initialPoiSlots();
    ASSERT_TRUE(ReadPoiFile(dir / "a.poi", read).ok);
    EXPECT_EQ(read[7].number, 3);
    EXPECT_EQ(read[0].latitude, -33.868801f);
    EXPECT_EQ(encodePoiFile(read), encodePoiFile(slots));
}

TEST(PoiFile, SizeIsCountedInWholeRecords) {
    testing::TempDir dir;
    const auto good = encodePoiFile(sydneySlots());
    const std::string base(good.begin(), good.end());
    struct Case {
        std::string bytes;
        bool ok;
    };
    const Case cases[] = {{base, true},
                          {base + "12345", true},
                          {base + std::string(10, '\0'), false},
                          {base.substr(0, 199), false},
                          {"", false},
                          {base + std::string(100000, '\0'), false}};
    for (const Case& c : cases) {
        testing::writeFile(dir / "f.poi", c.bytes);
        PoiSlots slots = initialPoiSlots();
        const PoiFileResult r = ReadPoiFile(dir / "f.poi", slots);
        EXPECT_EQ(r.ok, c.ok) << c.bytes.size();
        EXPECT_EQ(slots == initialPoiSlots(), !c.ok) << c.bytes.size();
        if (!c.ok) {
            EXPECT_NE(r.message.find("f.poi"), std::string::npos) << r.message;
        }
    }
    PoiSlots slots = initialPoiSlots();
    EXPECT_FALSE(ReadPoiFile(dir / "missing.poi", slots).ok);
    EXPECT_FALSE(ReadPoiFile(dir.path(), slots).ok) << "a folder is not a POI file";
    EXPECT_FALSE(WritePoiFile(dir / "no" / "such" / "folder.poi", slots).ok);
}

TEST(PoiFile, AnEntryOutOfRangeRefusesTheWholeFile) {
    const auto good = encodePoiFile(sydneySlots());
    struct Case {
        size_t at;
        int32_t value;  // a position, or an icon when at is 9 within the record
        const char* named;
    };
    const Case cases[] = {{10 * 4 + 1, 90000001, "latitude"},
                          {10 * 4 + 1, -90000001, "latitude"},
                          {10 * 19 + 5, 180000001, "longitude"},
                          {10 * 19 + 5, std::numeric_limits<int32_t>::min(), "longitude"},
                          {10 * 6 + 9, 0, "icon"},
                          {10 * 6 + 9, 28, "icon"}};
    for (const Case& c : cases) {
        auto bytes = good;
        if (c.at % 10 == 9) {
            bytes[c.at] = static_cast<uint8_t>(c.value);
        } else {
            putS32(&bytes[c.at], c.value);
        }
        PoiSlots slots = initialPoiSlots();
        const PoiFileResult r = decodePoiFile(bytes.data(), bytes.size(), slots);
        EXPECT_FALSE(r.ok) << c.named << " " << c.value;
        EXPECT_NE(r.message.find(c.named), std::string::npos) << r.message;
        EXPECT_EQ(slots, initialPoiSlots());
    }
    // The edges themselves are places.
    auto bytes = good;
    putS32(&bytes[1], -90000000);
    putS32(&bytes[5], 180000000);
    bytes[9] = 27;
    PoiSlots slots = initialPoiSlots();
    EXPECT_TRUE(decodePoiFile(bytes.data(), bytes.size(), slots).ok);
}

}  // namespace
}  // namespace vandrel
