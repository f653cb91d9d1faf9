#include "store/sql_text.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
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

// Numbers are written with std::to_chars: the same digits as C's "%d" and "%f" (both round
// the exact binary value to six decimals), but never with the decimal comma of a locale the
// GUI toolkit may have switched to, and several times faster.
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
            } else {
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
