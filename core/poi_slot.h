#pragma once
// The 20 points of interest the program holds, edited on the POI page and moved to and from
// the logger and .poi files.

#include <array>
#include <cstdint>

namespace vandrel {

constexpr int kPoiSlotCount = 20;
// Icons are the pictures pois/1.png to pois/27.png.
constexpr int kPoiIconCount = 27;

struct PoiSlot {
    uint8_t number = 1;   // 1 to 20, the slot index + 1 unless a .poi file said otherwise
    float latitude = 0;   // degrees
    float longitude = 0;  // degrees
    uint8_t icon = 1;     // 1-based picture number

    bool operator==(const PoiSlot&) const = default;
};

using PoiSlots = std::array<PoiSlot, kPoiSlotCount>;

// The slots before anything is loaded: slot i (0-based) has number i + 1, latitude 0,
// longitude -180 + 18 * i (spread round the equator so that every marker can be seen) and
// icon i + 1.
constexpr PoiSlots initialPoiSlots() {
    PoiSlots slots{};
    for (int i = 0; i < kPoiSlotCount; ++i) {
        slots[i].number = static_cast<uint8_t>(i + 1);
        slots[i].latitude = 0.0f;
        slots[i].longitude = static_cast<float>(-180 + 18 * i);
        slots[i].icon = static_cast<uint8_t>(i + 1);
    }
    return slots;
}

}  // namespace vandrel
