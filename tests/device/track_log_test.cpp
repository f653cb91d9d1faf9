// The index scan, the record decoder with its plausibility filter, the presence test and the
// copy of the log areas with the volume failing part-way.
#include "device/track_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "core/ground_distance.h"
#include "core/program_path.h"
#include "device/device_volume.h"
#include "device/log_layout.h"
#include "log_bytes.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/memory_block_device.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::Fix;
using testing::LogBytes;

constexpr int32_t kLogEnd = 998 * 1300 - 1;

std::vector<LogRun> scan(const LogBytes& bytes) {
    return parseLogIndex(bytes.index.data(), bytes.index.size());
}

TrackHeader decode(const LogBytes& bytes, const LogRun& run) {
    TrackHeader header;
    parseLogRun(bytes.log.data(), bytes.log.size(), run, header);
    return header;
}

TEST(LogIndex, ErasedFirstEntriesGiveOneEmptyRun) {
    LogBytes bytes;
    EXPECT_EQ(scan(bytes), (std::vector<LogRun>{{-1, 0, 1299}}));
    EXPECT_TRUE(decode(bytes, {-1, 0, 1299}).points.empty());
}

TEST(LogIndex, ChainBrokenByErasedEntryKeyOrGap) {
    LogBytes oneTrack;
    for (int i = 0; i < 3; ++i) {
        oneTrack.entry(i, 7, 40 + i);
    }
    EXPECT_EQ(scan(oneTrack), (std::vector<LogRun>{{7, 0, 3899}}));

    LogBytes gap;
    gap.entry(0, 7, 40);
    gap.entry(1, 7, 45);
    EXPECT_EQ(scan(gap), (std::vector<LogRun>{{7, 0, 1299}, {7, 1300, 2599}}));

    LogBytes newKey;
    newKey.entry(0, 7, 40);
    newKey.entry(1, 8, 41);
    EXPECT_EQ(scan(newKey), (std::vector<LogRun>{{7, 0, 1299}, {8, 1300, 2599}}));
}

TEST(LogIndex, StopsAtFirstErasedEntry) {
    LogBytes bytes;
    bytes.entry(0, 7, 40);
    bytes.entry(2, 9, 1);  // after the erased entry 1: never reached
    EXPECT_EQ(scan(bytes), (std::vector<LogRun>{{7, 0, 1299}}));
}

TEST(LogIndex, FullLogEmitsItsLastRun) {
    LogBytes bytes;
    for (int i = 0; i < 998; ++i) {
        bytes.entry(i, i < 500 ? 1 : 2, i);
    }
    EXPECT_EQ(scan(bytes), (std::vector<LogRun>{{1, 0, 500 * 1300 - 1}, {2, 500 * 1300, kLogEnd}}));

    // The last chunk alone starts a track.
    bytes.entry(997, 3, 997);
    EXPECT_EQ(scan(bytes).back(), (LogRun{3, 997 * 1300, kLogEnd}));
}

TEST(LogIndex, ShortOrMissingIndexGivesNoRuns) {
    LogBytes bytes;
    EXPECT_TRUE(parseLogIndex(bytes.index.data(), 998 * 12 - 1).empty());
    testing::TempDir dir;
    EXPECT_TRUE(readLogIndex(DataFolder(dir.path())).empty());
}

TEST(LogRun, ReadsOnlyTheRunsRecordsUpToTheFirstErased) {
    LogBytes full;
    full.walk(0, 51);  // the 51st record lies in the next chunk
    const TrackHeader header = decode(full, {5, 0, 1299});
    EXPECT_EQ(header.trail, 5);
    EXPECT_EQ(header.points.size(), 50u);

    LogBytes partial;
    partial.walk(0, 12);
    partial.walk(1, 50);  // the next chunk is full, but record 12 of chunk 0 is erased
    EXPECT_EQ(decode(partial, {5, 0, 2599}).points.size(), 12u);
}

TEST(LogRun, ConvertsEveryField) {
    LogBytes bytes;
    bytes.record(0, 0, {-33500000, 151250000, 1577836800, 60, 1000, 101325, -4.25f});
    const TrackHeader header = decode(bytes, {1, 0, 1299});
    ASSERT_EQ(header.points.size(), 1u);
    const TrackPoint& p = header.points[0];
    EXPECT_DOUBLE_EQ(p.sdate, 25569 + 18262 + 60 / 1440.0);  // 2020-01-01 01:00
    EXPECT_FLOAT_EQ(p.lat, -33.5f);
    EXPECT_FLOAT_EQ(p.lng, 151.25f);
    EXPECT_FLOAT_EQ(p.alt, 304.8f);
    EXPECT_FLOAT_EQ(p.bar, 101325.0f);
    EXPECT_FLOAT_EQ(p.tmp, -4.25f);
    EXPECT_TRUE(p.pho.empty());
}

// Positions a latitude step north of the first fix, seconds later; whether the decoder kept it.
bool keptAfter(int32_t latitudeStep, int seconds) {
    LogBytes bytes;
    const Fix first;
    Fix second = first;
    second.latitude += latitudeStep;
    second.time = static_cast<uint32_t>(static_cast<int64_t>(first.time) + seconds);
    bytes.record(0, 0, first);
    bytes.record(0, 1, second);
    return decode(bytes, {1, 0, 1299}).points.size() == 2;
}

TEST(LogRun, DropsJumpsFasterThan100MetresPerSecond) {
    // 1 millionth of a degree of latitude is about 0.111 m.
    ASSERT_NEAR(GroundDistance(47.0, 8.0, 47.0015, 8.0), 166.8, 0.5);
    EXPECT_FALSE(keptAfter(1500, 1));  // 167 m in 1 s: limit 100 m
    EXPECT_TRUE(keptAfter(800, 1));    // 89 m in 1 s: within 100 m
    EXPECT_TRUE(keptAfter(8000, 10));  // 890 m in 10 s: limit 1000 m
    EXPECT_FALSE(keptAfter(9500, 10));
    EXPECT_FALSE(keptAfter(1000, -5));  // earlier than the last kept fix: limit 100 m
    EXPECT_TRUE(keptAfter(800, -5));
}

// Fixes nearer than 99 m skip the trigonometry; around the limit, north, east and diagonally
// and far from the equator, the decoder keeps exactly those GroundDistance puts under 100 m.
TEST(LogRun, KeepsExactlyTheFixesNearerThan100MetresInOneSecond) {
    LogBytes bytes;
    int kept = 0;
    for (const int32_t latitude : {0, 47000000, 80000000}) {
        for (const auto& [north, east] : {std::pair{1, 0}, {0, 1}, {1, 1}, {-1, 1}}) {
            for (int32_t step = 500; step <= 5000; step += 7) {
                Fix first;
                first.latitude = latitude;
                Fix second = first;
                second.latitude += north * step;
                second.longitude += east * step;
                second.time += 1;
                bytes.record(0, 0, first);
                bytes.record(0, 1, second);
                const TrackHeader header = decode(bytes, {1, 0, 1299});
                const TrackPoint a = header.points.front();
                const TrackPoint b = decode(bytes, {1, 26, 1299}).points.front();
                const bool near = GroundDistance(b.lat, b.lng, a.lat, a.lng) < 100;
                ASSERT_EQ(header.points.size() == 2, near)
                    << latitude << " " << north << " " << east << " " << step;
                kept += near;
            }
        }
    }
    EXPECT_GT(kept, 0);
}

TEST(LogRun, ComparesWithTheLastKeptFixOnly) {
    LogBytes bytes;
    Fix fix;
    bytes.record(0, 0, fix);  // the first is kept wherever it is
    Fix jump = fix;
    jump.latitude += 50000000;
    jump.time += 1;
    bytes.record(0, 1, jump);
    Fix back = fix;
    back.time += 2;
    back.latitude += 10;
    bytes.record(0, 2, back);  // near the first, far from the dropped jump
    Fix nearJump = jump;
    nearJump.time += 2;
    bytes.record(0, 3, nearJump);  // near the dropped jump only
    const TrackHeader header = decode(bytes, {1, 0, 1299});
    ASSERT_EQ(header.points.size(), 2u);
    EXPECT_FLOAT_EQ(header.points[1].lat, 47.00001f);
}

// Garbage records decode to latitudes of thousands of degrees; they are no fix, not even as
// the first of a run, and the next fix on earth starts the track.
TEST(LogRun, PositionsOffTheEarthAreDropped) {
    LogBytes bytes;
    const int32_t far[][2] = {{2147000000, 8000000},
                              {-90000001, 8000000},
                              {47000000, 180000001},
                              {47000000, -2000000000}};
    int n = 0;
    for (const auto& [lat, lng] : far) {
        Fix garbage;
        garbage.latitude = lat;
        garbage.longitude = lng;
        garbage.time += n;
        bytes.record(0, n++, garbage);
    }
    Fix pole;
    pole.latitude = 89999000;
    pole.longitude = -180000000;
    pole.time += n;
    bytes.record(0, n++, pole);
    Fix near = pole;
    near.latitude -= 100;
    near.time += 1;
    bytes.record(0, n++, near);
    const TrackHeader header = decode(bytes, {1, 0, 1299});
    ASSERT_EQ(header.points.size(), 2u);
    EXPECT_FLOAT_EQ(header.points[0].lat, 89.999f);
    EXPECT_FLOAT_EQ(header.points[0].lng, -180.0f);
}

// A clock without a fix yet reads 1970: such a record is no fix, in UTC or in its local time.
TEST(LogRun, TimesNoTrackMayHoldAreDropped) {
    LogBytes bytes;
    const std::pair<uint32_t, int16_t> times[] = {
        {0, 0},            // 1970
        {315532800, -60},  // 1980-01-01 00:00 UTC, 1979 in its zone
        {315532800, 0},    // kept
        {315532801, 0}};   // kept
    int n = 0;
    for (const auto& [time, offset] : times) {
        Fix fix;
        fix.time = time;
        fix.offset = offset;
        bytes.record(0, n++, fix);
    }
    EXPECT_EQ(decode(bytes, {1, 0, 1299}).points.size(), 2u);
}

TEST(LogRun, StopsAtTheEndOfAShortLog) {
    LogBytes bytes;
    bytes.walk(0, 50);
    bytes.log.resize(1300 + 30);  // chunk 1 holds one whole record and a piece of the next
    Fix next;
    next.latitude += 5000;
    next.time += 50;
    bytes.record(1, 0, next);
    EXPECT_EQ(decode(bytes, {1, 0, 2599}).points.size(), 51u);
    EXPECT_TRUE(decode(bytes, {1, 5000, 6299}).points.empty());
    EXPECT_TRUE(decode(bytes, {1, -26, 1299}).points.empty());
}

// The log areas of a volume in memory, copied into a temporary program folder.
class LogCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        volume_->bytes.assign(1024 * 4096, 0);
        for (size_t i = 0; i < volume_->bytes.size(); ++i) {
            volume_->bytes[i] = static_cast<uint8_t>(i * 7 + i / 4096);
        }
        DeviceVolume& volume = logger_;
        testing::writeFile(dir_ / "logger.img", "");
        volume.setDevicePath((dir_ / "logger.img").string());
        volume.setDeviceFactory(
            [this](const std::string&) { return sim::makeMemoryBlockDevice(volume_); });
        ASSERT_TRUE(volume.FindDrive());
    }

    std::string volumeBytes(uint64_t offset, size_t size) const {
        return std::string(volume_->bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                           volume_->bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
    }
    // Nothing in the folder may pass for a finished copy.
    void expectNoCopyLeft() const {
        for (const char* name : {"temp.hdr", "temp.log", "temp.hdr.part", "temp.log.part"}) {
            EXPECT_FALSE(fs::exists(dir_ / name)) << name;
        }
    }

    testing::TempDir dir_;
    DataFolder folder_{dir_.path()};
    DeviceVolume logger_;
    std::shared_ptr<sim::MemoryVolume> volume_ = std::make_shared<sim::MemoryVolume>();
};

TEST_F(LogCopy, CopiesTheExactByteRanges) {
    const CopyResult result = CopyLogAreas(logger_, folder_);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(testing::readFile(dir_ / "temp.hdr"),
              volumeBytes(log_layout::kIndexVolumeOffset, 15838));
    EXPECT_EQ(testing::readFile(dir_ / "temp.log"),
              volumeBytes(log_layout::kDataVolumeOffset, 1298446));
    EXPECT_FALSE(fs::exists(dir_ / "temp.hdr.part"));
    EXPECT_EQ(volume_->transfers, 4 + 318);
    EXPECT_EQ(volume_->opens, 2);
    EXPECT_EQ(volume_->closes, 2);
}

TEST_F(LogCopy, AnyFailedTransferLeavesNoCopy) {
    // The first and last block of each area, and blocks in between.
    for (int failing : {1, 3, 4, 5, 6, 200, 322}) {
        SCOPED_TRACE(failing);
        testing::writeFile(dir_ / "temp.hdr", "from an earlier download");
        testing::writeFile(dir_ / "temp.log", "from an earlier download");
        volume_->transfers = 0;
        volume_->failAtTransfer = failing;
        const CopyResult result = CopyLogAreas(logger_, folder_);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.message.find("reading block"), std::string::npos) << result.message;
        EXPECT_EQ(volume_->opens, volume_->closes);
        expectNoCopyLeft();
    }
}

TEST_F(LogCopy, RefusedOpenAndUnwritableFolderAreReported) {
    volume_->refuseOpen = true;
    CopyResult result = CopyLogAreas(logger_, folder_);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("cannot open the logger"), std::string::npos) << result.message;
    expectNoCopyLeft();

    volume_->refuseOpen = false;
    result = CopyLogAreas(logger_, DataFolder(dir_ / "missing"));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("cannot create"), std::string::npos) << result.message;
    EXPECT_EQ(volume_->opens, volume_->closes);
}

TEST_F(LogCopy, PresenceWordDecides) {
    sim::LoggerImage image(sim::kMinBlocks);
    volume_->bytes = image.bytes();
    EXPECT_FALSE(HasLogRecords(logger_));
    image.setLogPresent(1);
    volume_->bytes = image.bytes();
    EXPECT_TRUE(HasLogRecords(logger_));
    volume_->failAtTransfer = volume_->transfers + 1;  // a failed read answers no
    EXPECT_FALSE(HasLogRecords(logger_));
    volume_->refuseOpen = true;
    EXPECT_FALSE(HasLogRecords(logger_));
}

// A simulated logger, copied, scanned and decoded: every generated fix comes back.
TEST_F(LogCopy, SimulatedFullLogRoundTrip) {
    sim::LoggerImage image(sim::kMinBlocks);
    const std::vector<int> counts = sim::pointsToFillLog(4);
    std::vector<sim::SimTrack> tracks;
    for (int count : counts) {
        tracks.push_back(sim::generateTracks(1, count, 1700000000, 2, 120).front());
    }
    image.writeLog(tracks, 11);
    volume_->bytes = image.bytes();
    ASSERT_TRUE(CopyLogAreas(logger_, folder_).ok);
    const std::vector<LogRun> runs = readLogIndex(folder_);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs.back().last, kLogEnd);
    for (size_t t = 0; t < runs.size(); ++t) {
        TrackHeader header;
        readLogRun(folder_, runs[t], header);
        EXPECT_EQ(header.trail, static_cast<int32_t>(11 + t));
        ASSERT_EQ(header.points.size(), tracks[t].fixes.size());
        const sim::SimFix& last = tracks[t].fixes.back();
        EXPECT_FLOAT_EQ(header.points.back().lat, static_cast<float>(last.latitude / 1e6));
    }
}

}  // namespace
}  // namespace vandrel
