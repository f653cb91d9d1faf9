// .poi files and the logger's POI block as any bytes may hold them: a file is taken only when
// every slot it gives is a place on earth with a known icon, and a block entry is applied only
// when it passes the logger's range test. What is taken is written back to within the
// precision of a float.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "device/byte_order.h"
#include "device/poi_block.h"
#include "device/poi_file.h"

using namespace vandrel;

namespace {

bool onEarth(const PoiSlot& slot) {
    return std::fabs(slot.latitude) <= 90.0f && std::fabs(slot.longitude) <= 180.0f;
}

void checkFile(const uint8_t* data, size_t size) {
    PoiSlots slots = initialPoiSlots();
    if (!decodePoiFile(data, size, slots).ok) {
        if (slots != initialPoiSlots()) {
            __builtin_trap();  // a refused file changed the slots
        }
        return;
    }
    const auto again = encodePoiFile(slots);
    for (int i = 0; i < kPoiSlotCount; ++i) {
        const uint8_t* in = data + kPoiRecordSize * i;
        const uint8_t* out = again.data() + kPoiRecordSize * i;
        if (!onEarth(slots[i]) || slots[i].icon < 1 || slots[i].icon > kPoiIconCount ||
            in[0] != out[0] || in[9] != out[9]) {
            __builtin_trap();
        }
        for (size_t at : {size_t{1}, size_t{5}}) {
            const int64_t a = byte_order::getS32(in + at);
            const int64_t b = byte_order::getS32(out + at);
            if (std::llabs(a - b) > 16) {  // a float holds 180 degrees to about 15 millionths
                __builtin_trap();
            }
        }
    }
}

void checkBlock(const uint8_t* data, size_t size) {
    std::vector<uint8_t> block(4096, 0xFF);
    std::memcpy(block.data(), data, size < block.size() ? size : block.size());
    PoiSlots slots = initialPoiSlots();
    const int applied = poi_block::apply(block.data(), slots);
    if (applied < 0 || applied > kPoiSlotCount) {
        __builtin_trap();
    }
    for (int i = 0; i < kPoiSlotCount; ++i) {
        if (slots[i].number != i + 1 || !onEarth(slots[i]) || slots[i].icon < 1 ||
            slots[i].icon > 20) {
            __builtin_trap();
        }
    }
    // An upload of what was downloaded keeps the bytes after the tables.
    std::vector<uint8_t> written = block;
    poi_block::encode(slots, written.data());
    if (!std::equal(block.begin() + poi_block::kUsedBytes, block.end(),
                    written.begin() + poi_block::kUsedBytes)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkFile(data, size);
    checkBlock(data, size);
    return 0;
}
