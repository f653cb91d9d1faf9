#include "core/stat_units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/units.h"

namespace vandrel {
namespace {

// The distance formatter's foot (3.28 a metre) and mile, so that speeds agree with the shown
// distance over the shown time.
constexpr double kFeetPerMetre = 3.28;
constexpr double kFeetPerMile = 5280.0;

}  // namespace

double SpeedInUnit(double metresPerSecond, const DeviceSettings& s) {
    const double metresPerHour = metresPerSecond * 3600.0;
    return s.Length == 1 ? metresPerHour * kFeetPerMetre / kFeetPerMile : metresPerHour / 1000.0;
}

double ClimbInUnit(double metres, const DeviceSettings& s) {
    return s.Length == 1 ? metres / 0.3048 : metres;
}

double DistanceInUnit(double metres, const DeviceSettings& s) {
    return s.Length == 1 ? metres * kFeetPerMetre / kFeetPerMile : metres / 1000.0;
}

std::string FormatSpeed(double metresPerSecond, const DeviceSettings& s) {
    if (s.Length != 0 && s.Length != 1) {
        return {};
    }
    return FormatScriptNumber(SpeedInUnit(metresPerSecond, s), 1, s.Length == 1 ? " mph" : " km/h");
}

std::string FormatClimb(double metres, const DeviceSettings& s) {
    if (s.Length != 0 && s.Length != 1) {
        return {};
    }
    return FormatScriptNumber(ClimbInUnit(metres, s), 0, s.Length == 1 ? " ft" : " m");
}

std::string FormatClimbSource(ClimbSource source) {
    switch (source) {
        case ClimbSource::Pressure:
            return "barometer";
        case ClimbSource::Altitude:
            return "GPS altitude";
        case ClimbSource::None:
            break;
    }
    return "no altitude";
}

std::string FormatDuration(double seconds) {
    const auto total = static_cast<long long>(std::llround(std::max(seconds, 0.0)));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                  total % 60);
    return text;
}

}  // namespace vandrel
