#pragma once
// Texts of the statistics' values, in the units the settings choose (see units.h for the
// lengths and temperatures). Speeds follow the distance unit: km/h or mph.

#include <string>

#include "core/device_settings.h"
#include "core/track_statistics.h"

namespace vandrel {

std::string FormatSpeed(double metresPerSecond, const DeviceSettings& s);
// Climb and descent in whole metres or feet, never kilometres or miles.
std::string FormatClimb(double metres, const DeviceSettings& s);
// Where a track's climb comes from: "barometer", "GPS altitude" or "no altitude".
std::string FormatClimbSource(ClimbSource source);
// "1:05:09" (hours, minutes, seconds), whatever the units.
std::string FormatDuration(double seconds);

// The same values as plain numbers in the shown unit, for charts and scripts.
double SpeedInUnit(double metresPerSecond, const DeviceSettings& s);
double ClimbInUnit(double metres, const DeviceSettings& s);
double DistanceInUnit(double metres, const DeviceSettings& s);  // km or mi

}  // namespace vandrel
