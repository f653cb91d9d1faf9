#pragma once
// The logger's settings block (block 512). The program writes only these fields and keeps
// every other byte as it read it (little-endian, packed):
//
//   offset  width  field
//     66      2    time-zone offset, minutes east of UTC (s16): -TimeZone
//     68      1    Temperature + 1   (1 Celsius, 2 Fahrenheit)
//     69      1    TimeFormat + 1    (1 12-hour, 2 24-hour)
//     70      1    Length + 1        (1 metric, 2 imperial)
//     71      1    Length + 1 again
//     72      1    (never written)
//     73      1    PowerOff as is
//     74      1    Backlight as is
//     75      4    Refbar, metres (32-bit float)
//     79      2    LogInterval, seconds (s16)
//     81      1    Tnttbar as is
//
// Bytes 193 and 194 are cleared by the erase of the logs.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/device_settings.h"

namespace vandrel::settings_block {

constexpr uint32_t kBlock = 512;

constexpr size_t kTimeZoneAt = 66;
constexpr size_t kTemperatureAt = 68;
constexpr size_t kTimeFormatAt = 69;
constexpr size_t kLengthAt = 70;
constexpr size_t kLength2At = 71;
constexpr size_t kPowerOffAt = 73;
constexpr size_t kBacklightAt = 74;
constexpr size_t kRefbarAt = 75;
constexpr size_t kLogIntervalAt = 79;
constexpr size_t kTnttbarAt = 81;

// The two bytes the erase clears in the copy it writes back.
constexpr size_t kEraseClearedAt = 193;
constexpr size_t kEraseClearedCount = 2;

// Puts the settings into a block read from the logger; every other byte stays as it is.
// The settings must pass fieldsProblem.
void patch(uint8_t* block, const DeviceSettings& settings);

// Why a value cannot be stored in its field without being cut (a time zone or interval beyond
// 16 bits, a choice beyond a byte, an altitude offset that is not a number), or empty.
std::string fieldsProblem(const DeviceSettings& settings);

}  // namespace vandrel::settings_block
