#include "core/settings_form_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vandrel {
namespace {

constexpr double kMetresPerFoot = 0.3048;

}  // namespace

TimeZoneFields splitTimeZone(int32_t timeZone) {
    TimeZoneFields fields;
    fields.hours = timeZone / 60;
    fields.minutes = std::abs(timeZone % 60);
    return fields;
}

int32_t joinTimeZone(const TimeZoneFields& fields) {
    return fields.hours > 0 ? fields.hours * 60 + fields.minutes
                            : fields.hours * 60 - fields.minutes;
}

std::string altitudeOffsetText(float refbar, int32_t length) {
    double value = refbar;
    if (length == 1) {
        value /= kMetresPerFoot;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", 1, value);
    return text;
}

float refbarFromAltitudeOffset(std::string_view text, int32_t length) {
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
        ++start;
    }
    double value = 0;
    const char* first = text.data() + start;
    const std::from_chars_result parsed =
        std::from_chars(first, text.data() + text.size(), value, std::chars_format::fixed);
    if (parsed.ec != std::errc() || !std::isfinite(value)) {
        value = 0;
    }
    if (length == 1) {
        value *= kMetresPerFoot;
    }
    // Beyond the range of a float the offset is not an altitude; it reads as no offset.
    if (!(std::fabs(value) <= 3.0e38)) {
        return 0.0f;
    }
    return static_cast<float>(value);
}

}  // namespace vandrel
