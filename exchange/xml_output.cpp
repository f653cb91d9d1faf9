#include "exchange/xml_output.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vandrel {

namespace {
constexpr size_t kBlock = 1 << 16;
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

void ExchangePrinter::Write(const char* data, size_t size) {
    if (size == 2 && data[0] == '/' && data[1] == '>') {
        emit(" />", 3);
    } else {
        emit(data, size);
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
