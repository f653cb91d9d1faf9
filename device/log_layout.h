#pragma once
// Where the logger keeps its track log (little-endian, packed):
//
//   block 514 byte 546 .. block 517   log index: 998 entries of 12 bytes (LogIndexEntry)
//   block 517 byte 528                log-present word (u32, 0 = no log records)
//   block 626 byte 4082 .. block 943  log data: 998 chunks of 1300 bytes, 50 records of 26
//
// The download copies the index area to "temp.hdr" (15838 bytes) and the data area to
// "temp.log" (1298446 bytes) starting at those bytes, so entry i lies at 12 * i of the one and
// chunk i at 1300 * i of the other.

#include <cstddef>
#include <cstdint>

namespace vandrel::log_layout {

constexpr uint32_t kIndexFirstBlock = 514;
constexpr uint32_t kIndexFirstByte = 546;  // within the first block
constexpr uint32_t kIndexFullBlocks = 3;   // blocks 515 to 517
constexpr uint32_t kDataFirstBlock = 626;
constexpr uint32_t kDataFirstByte = 4082;
constexpr uint32_t kDataFullBlocks = 317;  // blocks 627 to 943

constexpr uint32_t kPresentBlock = 517;
constexpr uint32_t kPresentOffset = 528;

constexpr int kEntryCount = 998;
constexpr size_t kEntrySize = 12;
constexpr size_t kRecordSize = 26;
constexpr int kRecordsPerChunk = 50;
constexpr size_t kChunkSize = kRecordSize * kRecordsPerChunk;  // 1300

constexpr size_t kHeaderFileSize = (4096 - kIndexFirstByte) + kIndexFullBlocks * 4096;  // 15838
constexpr size_t kLogFileSize = (4096 - kDataFirstByte) + kDataFullBlocks * 4096;       // 1298446

// Volume byte positions of the two areas.
constexpr uint64_t kIndexVolumeOffset = uint64_t{kIndexFirstBlock} * 4096 + kIndexFirstByte;
constexpr uint64_t kDataVolumeOffset = uint64_t{kDataFirstBlock} * 4096 + kDataFirstByte;

static_assert(kHeaderFileSize == 15838);
static_assert(kLogFileSize == 1298446);
static_assert(kEntryCount * kEntrySize <= kHeaderFileSize);
static_assert(kEntryCount * kChunkSize <= kLogFileSize);

}  // namespace vandrel::log_layout
