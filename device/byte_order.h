#pragma once
// Little-endian fields of the logger's blocks and of .poi files, put and taken byte by byte
// so that the layout does not depend on the host.

#include <bit>
#include <cstdint>

namespace vandrel::byte_order {

inline void putU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
inline void putS16(uint8_t* p, int16_t v) {
    putU16(p, static_cast<uint16_t>(v));
}
inline void putS32(uint8_t* p, int32_t v) {
    putU32(p, static_cast<uint32_t>(v));
}
inline void putF32(uint8_t* p, float v) {
    putU32(p, std::bit_cast<uint32_t>(v));
}

inline uint16_t getU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t getU32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline int16_t getS16(const uint8_t* p) {
    return static_cast<int16_t>(getU16(p));
}
inline int32_t getS32(const uint8_t* p) {
    return static_cast<int32_t>(getU32(p));
}
inline float getF32(const uint8_t* p) {
    return std::bit_cast<float>(getU32(p));
}

}  // namespace vandrel::byte_order
