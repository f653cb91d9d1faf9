#include "device/poi_block.h"

#include <cmath>

#include "device/byte_order.h"

namespace vandrel::poi_block {
namespace {

using namespace byte_order;

void writeHeader(uint8_t* b) {
    putU32(b + 0, 4130);
    putU16(b + 4, 5);
    putU32(b + 6, 4230);
    putU16(b + 10, 9);
    putU32(b + 12, 20);
    putU32(b + 16, 20);
    putU32(b + 20, 4096);
    putU16(b + 24, 0xFFFF);
    putU32(b + 26, 0);
    putU16(b + 30, 0xF001);
    putU16(b + 32, 1);
}

}  // namespace

int32_t microDegrees(float degrees) {
    const double value = static_cast<double>(degrees) * 1000000.0;
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);  // truncates toward zero
}

void encode(const PoiSlots& slots, uint8_t* block) {
    writeHeader(block);
    for (int i = 0; i < kPoiSlotCount; ++i) {
        const PoiSlot& slot = slots[i];
        uint8_t* number = block + kNumbersAt + kNumberEntrySize * i;
        number[0] = static_cast<uint8_t>(i);
        putU32(number + 1, slot.number);
        uint8_t* position = block + kPositionsAt + kPositionEntrySize * i;
        putS32(position, microDegrees(slot.latitude));
        putS32(position + 4, microDegrees(slot.longitude));
        position[8] = static_cast<uint8_t>(slot.icon - 1);
    }
}

int apply(const uint8_t* block, PoiSlots& slots) {
    int applied = 0;
    for (int i = 0; i < kPoiSlotCount; ++i) {
        const uint8_t* position = block + kPositionsAt + kPositionEntrySize * i;
        const int32_t lat = getS32(position);
        const int32_t lng = getS32(position + 4);
        const uint8_t icon = position[8];
        // An erased block (all 0xFF) fails the icon test and leaves every slot as it was.
        if (icon > kMostIconByte || lng < -kMostLongitude || lng > kMostLongitude ||
            lat < -kMostLatitude || lat > kMostLatitude) {
            continue;
        }
        slots[i].latitude = static_cast<float>(lat / 1000000.0);
        slots[i].longitude = static_cast<float>(lng / 1000000.0);
        slots[i].icon = static_cast<uint8_t>(icon + 1);
        ++applied;
    }
    return applied;
}

}  // namespace vandrel::poi_block
