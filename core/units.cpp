#include "core/units.h"

#include <locale.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "core/ole_date.h"

namespace vandrel {
namespace {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// The GUI toolkit switches the process to the user's locale, whose decimal separator may be a
// comma; the texts here (and the numbers handed to page scripts above all) always use a point.
class CLocaleScope {
  public:
    CLocaleScope() {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
        previous_ = uselocale(cLocale);
    }
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t previous_;
};

std::string format(const char* pattern, ...) {
    char buffer[4096];
    CLocaleScope cLocale;
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

struct ClockHour {
    const char* marker;  // "AM", "PM" or nullptr for the 24-hour clock
    int hour;
};

ClockHour clockHour(int hour, const DeviceSettings& s) {
    if (s.TimeFormat != 0) {
        return {nullptr, hour};
    }
    if (hour < 12) {
        return {"AM", hour};
    }
    return {"PM", hour == 12 ? 12 : hour - 12};
}

// Metres below 1000 print as metres, from 1000 on as kilometres.
std::string metricLength(double metres) {
    return metres < 1000 ? format("%.1f m", metres) : format("%.2f km", metres / 1000);
}

}  // namespace

DmsAngle DmsAngle::fromDegrees(double value) {
    DmsAngle a;
    a.value = value;
    a.degrees = static_cast<int>(value);
    const double fraction = std::fabs(value - a.degrees);
    a.decimalMinutes = fraction * 60;
    a.minutes = static_cast<int>(a.decimalMinutes);
    a.seconds = (a.decimalMinutes - a.minutes) * 60;
    return a;
}

std::string FormatDateTime(double oleDate, const DeviceSettings& s) {
    SystemTime t;
    if (!VariantTimeToSystemTime(oleDate, t)) {
        return kNoValue;  // a stored date no calendar holds: not a made-up one
    }
    const ClockHour h = clockHour(t.hour, s);
    if (h.marker == nullptr) {
        return format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", t.year, t.month, t.day, h.hour, t.minute,
                      t.second);
    }
    return format("%.4d-%.2d-%.2d %s %.2d:%.2d:%.2d", t.year, t.month, t.day, h.marker, h.hour,
                  t.minute, t.second);
}

std::string FormatShortDateTime(double oleDate, const DeviceSettings& s) {
    SystemTime t;
    if (!VariantTimeToSystemTime(oleDate, t)) {
        return kNoValue;  // a stored date no calendar holds: not a made-up one
    }
    const ClockHour h = clockHour(t.hour, s);
    if (h.marker == nullptr) {
        return format("%.2d-%.2d %.2d:%.2d", t.month, t.day, h.hour, t.minute);
    }
    return format("%.2d-%.2d %s %.2d:%.2d", t.month, t.day, h.marker, h.hour, t.minute);
}

std::string FormatAltitude(double metres, const DeviceSettings& s) {
    if (std::isnan(metres)) {
        return kNoValue;
    }
    if (s.Length == 0) {
        return metricLength(metres);
    }
    if (s.Length == 1) {
        return format("%.1f ft", metres / 0.3048);
    }
    return {};
}

std::string FormatDistance(double metres, const DeviceSettings& s) {
    if (s.Length == 0) {
        return metricLength(metres);
    }
    if (s.Length == 1) {
        // Distances have always used 3.28 feet a metre (not 3.2808); the chart shares it.
        const double feet = metres * 3.28;
        return feet < 5280 ? format("%.1f ft", feet) : format("%.2f mi", feet / 5280);
    }
    return {};
}

std::string FormatTemperature(float celsius, const DeviceSettings& s) {
    if (std::isnan(celsius)) {
        return kNoValue;
    }
    if (s.Temperature == 0) {
        return format("%.2f\u00B0C", celsius);
    }
    if (s.Temperature == 1) {
        const float fahrenheit = celsius * 1.8f + 32.0f;
        return format("%.2f\u00B0F", fahrenheit);
    }
    return {};
}

std::string FormatPressure(double hectopascals) {
    if (std::isnan(hectopascals)) {
        return kNoValue;
    }
    return format("%.0fhPa", hectopascals);
}

std::string FormatCoordinate(double degrees) {
    const DmsAngle a = DmsAngle::fromDegrees(degrees);
    return format("%d\u00B0 %d' %.2f\"", a.degrees, a.minutes, a.seconds);
}

std::string FormatUtcOffset(int hourValue, int minutes) {
    if (hourValue > 0) {
        return format("UTC%.2d:%.2d", -hourValue, minutes);
    }
    return format("UTC%+.2d:%.2d", -hourValue, minutes);
}

std::string FormatScriptNumber(double value, int decimals, const std::string& suffix) {
    char buffer[64];
    CLocaleScope cLocale;
    std::snprintf(buffer, sizeof buffer, "%.*f%s", decimals, value, suffix.c_str());
    buffer[63] = '\0';
    return buffer;
}

}  // namespace vandrel
