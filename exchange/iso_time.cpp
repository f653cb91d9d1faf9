#include "exchange/iso_time.h"

#include <cctype>
#include <cmath>

#include "core/ole_date.h"
#include "core/track_times.h"

namespace vandrel {
namespace {

// Reads exactly `count` digits at `at`, moving past them.
bool digits(std::string_view text, size_t& at, int count, int& out) {
    out = 0;
    for (int i = 0; i < count; ++i, ++at) {
        if (at >= text.size() || std::isdigit(static_cast<unsigned char>(text[at])) == 0) {
            return false;
        }
        out = out * 10 + (text[at] - '0');
    }
    return true;
}

bool expect(std::string_view text, size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace

// dateTime: YYYY-MM-DD "T" hh:mm:ss ("." digits)? ("Z" | ("+" | "-") hh:mm)?, with blanks
// around it allowed, as text between tags often has them.
std::optional<IsoTime> parseIsoTime(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    SystemTime fields;
    size_t at = 0;
    if (!digits(text, at, 4, fields.year) || !expect(text, at, '-') ||
        !digits(text, at, 2, fields.month) || !expect(text, at, '-') ||
        !digits(text, at, 2, fields.day) || !expect(text, at, 'T') ||
        !digits(text, at, 2, fields.hour) || !expect(text, at, ':') ||
        !digits(text, at, 2, fields.minute) || !expect(text, at, ':') ||
        !digits(text, at, 2, fields.second)) {
        return std::nullopt;
    }
    double fraction = 0;
    if (expect(text, at, '.')) {
        double scale = 0.1;
        const size_t first = at;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
            fraction += (text[at] - '0') * scale;
            scale /= 10;
        }
        if (at == first) {
            return std::nullopt;
        }
    }
    IsoTime time;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at++] == '-' ? -1 : 1;
        int hours = 0;
        int minutes = 0;
        if (!digits(text, at, 2, hours) || !expect(text, at, ':') ||
            !digits(text, at, 2, minutes) || minutes > 59 ||
            hours * 60 + minutes > kMostUtcOffsetMinutes) {
            return std::nullopt;
        }
        time.offsetMinutes = sign * (hours * 60 + minutes);
    } else {
        expect(text, at, 'Z');
    }
    double check = 0;
    if (at != text.size() || !SystemTimeToVariantTime(fields, check)) {
        return std::nullopt;
    }
    const int64_t days = daysFromCivil(fields.year, fields.month, fields.day);
    const int64_t seconds = days * 86400 + fields.hour * 3600 + fields.minute * 60 + fields.second -
                            int64_t{time.offsetMinutes.value_or(0)} * 60;
    time.utcSeconds = static_cast<double>(seconds) + fraction;
    return time;
}

double localOleDate(double utcSeconds, int32_t tzome) {
    const double whole = std::floor(utcSeconds);
    return oleDateFromUnixSeconds(static_cast<int64_t>(whole) - int64_t{tzome} * 60) +
           (utcSeconds - whole) / 86400.0;
}

}  // namespace vandrel
