#include "device/settings_block.h"

#include <cmath>
#include <limits>

#include "device/byte_order.h"

namespace vandrel::settings_block {
namespace {

bool fitsS16(int64_t value) {
    return value >= std::numeric_limits<int16_t>::min() &&
           value <= std::numeric_limits<int16_t>::max();
}

bool fitsU8(int64_t value) {
    return value >= 0 && value <= 255;
}

}  // namespace

void patch(uint8_t* block, const DeviceSettings& s) {
    // The settings keep minutes to add to local time for UTC; the logger keeps the offset east.
    byte_order::putS16(block + kTimeZoneAt, static_cast<int16_t>(-s.TimeZone));
    block[kTemperatureAt] = static_cast<uint8_t>(s.Temperature + 1);
    block[kTimeFormatAt] = static_cast<uint8_t>(s.TimeFormat + 1);
    block[kLengthAt] = static_cast<uint8_t>(s.Length + 1);
    block[kLength2At] = static_cast<uint8_t>(s.Length + 1);
    block[kPowerOffAt] = static_cast<uint8_t>(s.PowerOff);
    block[kBacklightAt] = static_cast<uint8_t>(s.Backlight);
    byte_order::putF32(block + kRefbarAt, s.Refbar);
    byte_order::putS16(block + kLogIntervalAt, static_cast<int16_t>(s.LogInterval));
    block[kTnttbarAt] = static_cast<uint8_t>(s.Tnttbar);
}

bool read(const uint8_t* block, DeviceSettings& settings, std::string& problem) {
    // The length is kept twice; a block whose copies differ is not one the program wrote.
    if (block[kLengthAt] != block[kLength2At]) {
        problem = "the length unit is " + std::to_string(block[kLengthAt]) + " at byte " +
                  std::to_string(kLengthAt) + " but " + std::to_string(block[kLength2At]) +
                  " at byte " + std::to_string(kLength2At);
        return false;
    }
    DeviceSettings s;
    s.TimeZone = -int32_t{byte_order::getS16(block + kTimeZoneAt)};
    s.Temperature = int32_t{block[kTemperatureAt]} - 1;
    s.TimeFormat = int32_t{block[kTimeFormatAt]} - 1;
    s.Length = int32_t{block[kLengthAt]} - 1;
    s.PowerOff = block[kPowerOffAt];
    s.Backlight = block[kBacklightAt];
    s.Refbar = byte_order::getF32(block + kRefbarAt);
    s.LogInterval = byte_order::getS16(block + kLogIntervalAt);
    s.Tnttbar = block[kTnttbarAt];
    // What the program may write is what it may take back.
    problem = fieldsProblem(s);
    if (!problem.empty()) {
        return false;
    }
    settings = s;
    return true;
}

std::string fieldsProblem(const DeviceSettings& s) {
    auto bad = [](const char* name, int64_t value, const char* field) {
        return std::string(name) + " " + std::to_string(value) + " does not fit " + field;
    };
    if (!fitsS16(-int64_t{s.TimeZone})) {
        return bad("TimeZone", s.TimeZone, "the logger's 16-bit time-zone field");
    }
    if (!fitsS16(s.LogInterval)) {
        return bad("LogInterval", s.LogInterval, "the logger's 16-bit interval field");
    }
    const struct {
        const char* name;
        int64_t stored;
        int32_t value;
    } bytes[] = {
        {"Temperature", int64_t{s.Temperature} + 1, s.Temperature},
        {"TimeFormat", int64_t{s.TimeFormat} + 1, s.TimeFormat},
        {"Length", int64_t{s.Length} + 1, s.Length},
        {"PowerOff", s.PowerOff, s.PowerOff},
        {"Backlight", s.Backlight, s.Backlight},
        {"Tnttbar", s.Tnttbar, s.Tnttbar},
    };
    for (const auto& b : bytes) {
        if (!fitsU8(b.stored)) {
            return bad(b.name, b.value, "its one-byte field of the logger");
        }
    }
    if (!std::isfinite(s.Refbar)) {
        return "Refbar is not a number";
    }
    // A value that fits its byte but is none of the logger's choices would leave the logger
    // with a setting it cannot show.
    for (const IntegerField& f : kIntegerFields) {
        const int32_t value = s.*f.field;
        if (value < f.least || value > f.most) {
            return std::string(f.key) + " " + std::to_string(value) + " is not from " +
                   std::to_string(f.least) + " to " + std::to_string(f.most);
        }
    }
    return {};
}

}  // namespace vandrel::settings_block
