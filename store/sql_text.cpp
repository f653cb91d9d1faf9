#include "store/sql_text.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
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

void Arg::appendTo(std::string& out) const {
    char buffer[512];
    switch (kind_) {
        case Kind::Integer:
            std::snprintf(buffer, sizeof buffer, "%d", integer_);
            out += buffer;
            break;
        case Kind::Real:
            if (!std::isfinite(real_)) {
                out += "NULL";
            } else {
                // The largest double written with "%f" has 309 digits before the point.
                std::snprintf(buffer, sizeof buffer, "%f", real_);
                out += buffer;
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
