#pragma once
// Every number shown about a track passes through these formatters. They read the unit and
// clock settings at the moment of the call, so a changed setting shows on the next redraw.
// Stored values are metric; conversion happens only here. Texts are UTF-8. A unit setting
// outside the known values gives an empty text.

#include <string>

#include "core/device_settings.h"

namespace vandrel {

// A coordinate split for display; the sign is carried by the degrees only.
struct DmsAngle {
    double value = 0;
    int degrees = 0;
    int minutes = 0;
    double seconds = 0;
    double decimalMinutes = 0;

    static DmsAngle fromDegrees(double value);
};

// What the readings' formatters show for a reading that is missing (NaN): a dash, not 0.
inline constexpr const char* kNoValue = "\u2013";

std::string FormatDateTime(double oleDate, const DeviceSettings& s);
std::string FormatShortDateTime(double oleDate, const DeviceSettings& s);
std::string FormatAltitude(double metres, const DeviceSettings& s);
std::string FormatDistance(double metres, const DeviceSettings& s);
std::string FormatTemperature(float celsius, const DeviceSettings& s);
std::string FormatPressure(double hectopascals);
std::string FormatCoordinate(double degrees);
// The time-zone label of the settings page from its hour select value (minus the shown hour)
// and minutes.
std::string FormatUtcOffset(int hourValue, int minutes);
// Numbers handed to page scripts: "%.*f%s", at most 63 characters.
std::string FormatScriptNumber(double value, int decimals, const std::string& suffix = {});

}  // namespace vandrel
