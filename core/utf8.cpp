#include "core/utf8.h"

#include <cstdio>

namespace vandrel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[i]; advances i past it. Overlong forms, surrogates and values
// above U+10FFFF are invalid and consume one byte.
char32_t decodeOne(std::string_view text, size_t& i, bool& valid) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    valid = true;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        valid = false;
        return kReplacement;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            ++i;
            valid = false;
            return kReplacement;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        valid = false;
        return kReplacement;
    }
    i += length;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = kReplacement;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool isValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        bool valid = true;
        decodeOne(text, i, valid);
        if (!valid) {
            return false;
        }
    }
    return true;
}

std::wstring utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        bool valid = true;
        out += static_cast<wchar_t>(decodeOne(text, i, valid));
    }
    return out;
}

std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        appendUtf8(out, static_cast<char32_t>(c));
    }
    return out;
}

std::string sanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        bool valid = true;
        appendUtf8(out, decodeOne(text, i, valid));
    }
    return out;
}

std::string printableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        bool valid = true;
        const char32_t cp = decodeOne(text, i, valid);
        if (cp == '\n' || cp == '\t') {
            out += cp == '\n' ? "\\n" : "\\t";
        } else if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(cp));
            out += escape;
        } else {
            appendUtf8(out, cp);
        }
    }
    return out;
}

}  // namespace vandrel
