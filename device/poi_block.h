#pragma once
// The logger's POI block: the first 314 bytes of block 513 (little-endian, packed). Bytes 314
// to 4095 belong to the logger and are written back as they were read.
//
//   header, 34 bytes, always the same:
//     0 u32 4130   4 u16 5   6 u32 4230   10 u16 9   12 u32 20   16 u32 20   20 u32 4096
//    24 u16 0xFFFF   26 u32 0   30 u16 0xF001   32 u16 1
//   (4130 and 4230 are where the two tables start counted from block 512, 5 and 9 their entry
//   sizes, 20 their entry counts)
//
//   number table, 20 entries of 5 bytes from 34:    u8 slot index, u32 slot number
//   position table, 20 entries of 9 bytes from 134: s32 latitude, s32 longitude (millionths of
//                                                   a degree, truncated toward zero),
//                                                   u8 icon number - 1

#include <cstddef>
#include <cstdint>

#include "core/poi_slot.h"

namespace vandrel::poi_block {

constexpr uint32_t kBlock = 513;
constexpr size_t kHeaderSize = 34;
constexpr size_t kNumbersAt = 34;
constexpr size_t kNumberEntrySize = 5;
constexpr size_t kPositionsAt = 134;
constexpr size_t kPositionEntrySize = 9;
constexpr size_t kUsedBytes = kPositionsAt + kPositionEntrySize * kPoiSlotCount;  // 314
// The part of block 513 the erase of the logs keeps.
constexpr size_t kKeptByErase = 546;

static_assert(kNumbersAt + kNumberEntrySize * kPoiSlotCount == kPositionsAt);
static_assert(kUsedBytes == 314);

// The logger accepts icon bytes 0 to 19 and positions within these bounds (inclusive).
constexpr uint8_t kMostIconByte = 19;
constexpr int32_t kMostLatitude = 90'000'000;
constexpr int32_t kMostLongitude = 180'000'000;

// Degrees as millionths, the float widened to double and truncated toward zero. Values beyond
// the 32-bit range are held at its ends and a value that is not a number gives 0, so that no
// slot can make the conversion undefined.
int32_t microDegrees(float degrees);

// Writes the header and both tables into the first 314 bytes; the rest of the block is kept.
void encode(const PoiSlots& slots, uint8_t* block);

// Applies each position entry that passes the logger's range test to its slot (latitude,
// longitude, icon; never the number) and keeps the slot of every other entry. Returns how many
// entries were applied.
int apply(const uint8_t* block, PoiSlots& slots);

}  // namespace vandrel::poi_block
