#include "exchange/xml_output.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/utf8.h"

namespace vandrel {

namespace {
constexpr size_t kBlock = 1 << 16;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool refusedControl(unsigned char byte) {
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
}

// U+FFFE and U+FFFF in UTF-8.
bool nonCharacterAt(std::string_view text, size_t i) {
    return i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF &&
           static_cast<unsigned char>(text[i + 1]) == 0xBF &&
           (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE;
}

// Most of what is written (numbers, markup) is plain ASCII and needs no closer look.
bool plainAscii(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || refusedControl(byte)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isXmlText(std::string_view text) {
    if (plainAscii(text)) {
        return true;
    }
    if (!isValidUtf8(text)) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (refusedControl(static_cast<unsigned char>(text[i])) || nonCharacterAt(text, i)) {
            return false;
        }
    }
    return true;
}

std::string xmlText(std::string_view text) {
    const std::string valid = sanitizeUtf8(text);
    std::string out;
    out.reserve(valid.size());
    for (size_t i = 0; i < valid.size(); ++i) {
        if (refusedControl(static_cast<unsigned char>(valid[i]))) {
            out += kReplacement;
        } else if (nonCharacterAt(valid, i)) {
            out += kReplacement;
            i += 2;
        } else {
            out += valid[i];
        }
    }
    return out;
}

ExchangePrinter::ExchangePrinter(FILE* file, Layout layout)
    : tinyxml2::XMLPrinter(nullptr, layout == Layout::Compact), file_(file), layout_(layout) {
    if (file_ != nullptr) {
        pending_.reserve(kBlock + 256);
    }
}

ExchangePrinter::~ExchangePrinter() {
    flush();
}

void ExchangePrinter::flush() {
    if (file_ != nullptr && !pending_.empty()) {
        std::fwrite(pending_.data(), 1, pending_.size(), file_);
        pending_.clear();
    }
}

void ExchangePrinter::emit(const char* data, size_t size) {
    if (file_ == nullptr) {
        tinyxml2::XMLPrinter::Write(data, size);
        return;
    }
    pending_.append(data, size);
    if (pending_.size() >= kBlock) {
        flush();
    }
}

// The printer hands over a text or an attribute value in pieces cut only at the characters it
// escapes, which are ASCII, so no UTF-8 sequence is cut and each piece is checked on its own.
void ExchangePrinter::Write(const char* data, size_t size) {
    if (size == 2 && data[0] == '/' && data[1] == '>') {
        emit(" />", 3);
    } else if (isXmlText(std::string_view(data, size))) {
        emit(data, size);
    } else {
        const std::string kept = xmlText(std::string_view(data, size));
        emit(kept.data(), kept.size());
    }
}

// The printer's own line breaks are the only characters that reach Putc as '\n'; a line
// break inside a text or an attribute value goes through Write and stays as it is. (The
// printer's streaming calls lay out lines whatever its compact flag says, so the compact
// layout is made here.)
void ExchangePrinter::Putc(char ch) {
    if (ch != '\n') {
        emit(&ch, 1);
    } else if (layout_ == Layout::Lines) {
        emit("\r\n", 2);
    }
}

void ExchangePrinter::PrintSpace(int depth) {
    if (layout_ == Layout::Lines) {
        for (int i = 0; i < depth; ++i) {
            emit("    ", 4);
        }
    }
}

std::string fixedText(double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return "0";
    }
    return std::string(buffer, result.ptr);
}

int truncatedInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double whole = std::trunc(value);
    if (whole >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (whole <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(whole);
}

}  // namespace vandrel
