// Conversions of outside values (GPX texts, metres) into what the logger stores.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "core/ole_date.h"
#include "tools/sim/logger_image.h"

namespace vandrel::sim {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads exactly `width` digits at `pos` and moves past them.
bool readDigits(std::string_view text, size_t& pos, size_t width, int& value) {
    if (pos + width > text.size()) {
        return false;
    }
    value = 0;
    for (size_t i = 0; i < width; ++i) {
        const char c = text[pos + i];
        if (!isDigit(c)) {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    pos += width;
    return true;
}

bool expect(std::string_view text, size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// The zone designator after the time: "Z", "+HH:MM", "+HHMM" or "+HH"; nothing is no zone.
bool readZone(std::string_view text, size_t& pos, IsoTime& out) {
    if (pos == text.size()) {
        return true;
    }
    if (text[pos] == 'Z' || text[pos] == 'z') {
        out.hasZone = true;
        return ++pos == text.size();
    }
    if (text[pos] != '+' && text[pos] != '-') {
        return false;
    }
    const int sign = text[pos++] == '-' ? -1 : 1;
    int hours = 0;
    int minutes = 0;
    if (!readDigits(text, pos, 2, hours)) {
        return false;
    }
    if (pos < text.size()) {
        expect(text, pos, ':');
        if (!readDigits(text, pos, 2, minutes)) {
            return false;
        }
    }
    if (pos != text.size() || hours > 23 || minutes > 59) {
        return false;
    }
    out.hasZone = true;
    out.seconds -= sign * (hours * 3600 + minutes * 60);
    return true;
}

}  // namespace

std::optional<IsoTime> parseIsoTime(std::string_view text) {
    text = trimmed(text);
    size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool fields =
        readDigits(text, pos, 4, year) && expect(text, pos, '-') &&
        readDigits(text, pos, 2, month) && expect(text, pos, '-') &&
        readDigits(text, pos, 2, day) &&
        (expect(text, pos, 'T') || expect(text, pos, 't') || expect(text, pos, ' ')) &&
        readDigits(text, pos, 2, hour) && expect(text, pos, ':') &&
        readDigits(text, pos, 2, minute) && expect(text, pos, ':') &&
        readDigits(text, pos, 2, second);
    // A leap second (60) is let through; it counts as the first second of the next minute.
    if (!fields || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    const int64_t days = daysFromCivil(year, month, day);
    int y = 0, m = 0, d = 0;
    civilFromDays(days, y, m, d);
    if (y != year || m != month || d != day) {
        return std::nullopt;  // a day the month does not have
    }
    // The logger counts whole seconds; a fraction is dropped.
    if (expect(text, pos, '.') || expect(text, pos, ',')) {
        const size_t start = pos;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
        }
        if (pos == start) {
            return std::nullopt;
        }
    }
    IsoTime out;
    out.seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    if (!readZone(text, pos, out)) {
        return std::nullopt;
    }
    return out;
}

std::string isoUtcText(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int y = 0, m = 0, d = 0;
    civilFromDays(days, y, m, d);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", y, m, d,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

std::optional<int32_t> parseMicroDegrees(std::string_view text) {
    text = trimmed(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos++] == '-';
    }
    int64_t value = 0;
    size_t digits = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos, ++digits) {
        value = value * 10 + (text[pos] - '0');
        if (value > 1000) {
            return std::nullopt;  // no position on earth; also keeps the sum small
        }
    }
    int fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        for (++pos; pos < text.size() && isDigit(text[pos]); ++pos, ++digits) {
            if (fractionDigits < 6) {
                value = value * 10 + (text[pos] - '0');
                ++fractionDigits;
            }
        }
    }
    if (digits == 0 || pos != text.size()) {
        return std::nullopt;  // exponents and other forms are no decimal degrees
    }
    for (; fractionDigits < 6; ++fractionDigits) {
        value *= 10;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int16_t feetFromMetres(double metres) {
    if (std::isnan(metres)) {
        return 0;
    }
    const double feet = std::round(metres / 0.3048);
    if (feet >= std::numeric_limits<int16_t>::max()) {
        return std::numeric_limits<int16_t>::max();
    }
    if (feet <= std::numeric_limits<int16_t>::min()) {
        return std::numeric_limits<int16_t>::min();
    }
    return static_cast<int16_t>(feet);
}

int32_t standardPressure(double metres) {
    // The barometric formula of the standard atmosphere, valid in the troposphere; heights
    // beyond it are held at its edges so that the result stays a plausible reading.
    const double h = std::isnan(metres) ? 0.0 : std::clamp(metres, -500.0, 11000.0);
    return static_cast<int32_t>(std::lround(1013.25 * std::pow(1.0 - 2.25577e-5 * h, 5.25588)));
}

}  // namespace vandrel::sim
