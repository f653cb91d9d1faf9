#include "store/sql_text.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

namespace vandrel::sql {

std::string quoted(const std::string& text) {
    char* escaped = sqlite3_mprintf("%q", text.c_str());
    if (escaped == nullptr) {
        throw std::bad_alloc();
    }
    std::string result(escaped);
    sqlite3_free(escaped);
    return result;
}

bool Arg::isNull() const {
    return kind_ == Kind::Real && !std::isfinite(real_);
}

namespace {

__extension__ using Uint128 = unsigned __int128;

// The six-decimal text of a finite value, as C's "%f" writes it: the exact binary value
// rounded to a whole number of millionths, a tie to the even one. Done here on the value's
// bits with one 128-bit product, since std::to_chars with a precision was the better part of
// the time a download spent writing its numbers. Values beyond 2^63 millionths (9.2e12) take
// the general path.
bool appendFixed6(double value, std::string& out) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    // value = mantissa * 2^-shift
    const uint64_t mantissa = biased == 0 ? fraction : fraction | (uint64_t{1} << 52);
    const int shift = biased == 0 ? 1074 : 1075 - biased;
    if (shift <= 0) {
        return false;
    }
    uint64_t millionths = 0;
    // mantissa * 10^6 < 2^73: from a shift of 75 on the value is below half a millionth.
    if (shift < 75) {
        const Uint128 scaled = static_cast<Uint128>(mantissa) * 1000000u;
        const Uint128 whole = scaled >> shift;
        if (whole >> 63 != 0) {
            return false;
        }
        const Uint128 rest = scaled - (whole << shift);
        const Uint128 half = Uint128{1} << (shift - 1);
        millionths = static_cast<uint64_t>(whole);
        if (rest > half || (rest == half && (millionths & 1) != 0)) {
            ++millionths;
        }
    }
    char buffer[32];
    char* end = buffer;
    if ((bits >> 63) != 0) {
        *end++ = '-';
    }
    end = std::to_chars(end, buffer + sizeof buffer, millionths / 1000000).ptr;
    *end++ = '.';
    uint32_t decimals = static_cast<uint32_t>(millionths % 1000000);
    for (int i = 6; i-- > 0;) {
        end[i] = static_cast<char>('0' + decimals % 10);
        decimals /= 10;
    }
    out.append(buffer, end + 6);
    return true;
}

}  // namespace

// Numbers never take the decimal comma of a locale the GUI toolkit may have switched to.
void Arg::appendTo(std::string& out) const {
    // The largest double written with six decimals has 309 digits before the point.
    char buffer[512];
    switch (kind_) {
        case Kind::Integer:
            out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, integer_).ptr);
            break;
        case Kind::Real:
            if (isNull()) {
                out += "NULL";
            } else if (!appendFixed6(real_, out)) {
                const auto end = std::to_chars(buffer, buffer + sizeof buffer, real_,
                                               std::chars_format::fixed, 6);
                out.append(buffer, end.ptr);
            }
            break;
        case Kind::Text:
            out += quoted(*text_);
            break;
    }
}

std::string format(std::string_view format, std::initializer_list<Arg> args) {
    std::string out;
    out.reserve(format.size() + 16 * args.size());
    const Arg* next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        ++i;
        if (format[i] == '%') {
            out += '%';
        } else if (next != args.end()) {
            (next++)->appendTo(out);
        }
    }
    return out;
}

}  // namespace vandrel::sql
