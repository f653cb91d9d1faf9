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
//
// The program reads the fields back from the logger (read below) and keeps them as its copy
// only when every field holds one of the values the program itself would write there: an
// erased block (all 0xFF), a block of zeros or a block of another layout fails that test.

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

// The integer settings by their keys in "settings.xml", in the file's order, with the values
// each may take: the choices the settings page offers, the interval its field holds (16 bits
// in the logger) and a time zone less than a day away.
struct IntegerField {
    const char* key;
    int32_t DeviceSettings::*field;
    int32_t least;
    int32_t most;
};

inline constexpr IntegerField kIntegerFields[] = {
    {"Length", &DeviceSettings::Length, 0, 1},
    {"Temperature", &DeviceSettings::Temperature, 0, 1},
    {"LogInterval", &DeviceSettings::LogInterval, 0, 32767},
    {"TimeZone", &DeviceSettings::TimeZone, -1439, 1439},
    {"TimeFormat", &DeviceSettings::TimeFormat, 0, 1},
    {"PowerOff", &DeviceSettings::PowerOff, 0, 4},
    {"Backlight", &DeviceSettings::Backlight, 0, 4},
    {"Tnttbar", &DeviceSettings::Tnttbar, 0, 3},
};

// Puts the settings into a block read from the logger; every other byte stays as it is.
// The settings must pass fieldsProblem.
void patch(uint8_t* block, const DeviceSettings& settings);

// Reads the fields of a block read from the logger into `settings` (every field of
// DeviceSettings is in the block). False, with `problem` naming the first field that is not
// valid, when a field holds a value the program would never write: a choice byte outside its
// choices (0xFF of erased flash, 0 for the choices counted from 1), a time zone or interval
// outside kIntegerFields, the two length bytes differing, an altitude offset that is not a
// number. `settings` is then left as it was.
bool read(const uint8_t* block, DeviceSettings& settings, std::string& problem);

// Why a value cannot be stored in its field without being cut (a time zone or interval beyond
// 16 bits, a choice beyond a byte, an altitude offset that is not a number) or lies outside
// the values its field may take (kIntegerFields), or empty.
std::string fieldsProblem(const DeviceSettings& settings);

}  // namespace vandrel::settings_block
