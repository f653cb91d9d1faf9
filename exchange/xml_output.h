#pragma once
// What the exchange files have in common when they are printed: the printer that writes them
// as they have always looked, and numbers written without the locale.

#include <tinyxml2.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/track_records.h"

namespace vandrel {

// tinyxml2's printer, writing the element layout of the files the program has always made:
// an empty element closes with " />" and the declaration with " ?>" (give its text with the
// trailing blank). Layout::Lines puts one element on a line, indented four blanks a level,
// lines ending in carriage return and line feed; Layout::Compact has no line break and no
// indentation anywhere. Text and attribute values are written as they are (only the printer's
// own line breaks and indentation change), except what XML 1.0 cannot hold: see xmlText.
//
// With a file the text goes there in blocks of 64 KiB (the printer's own writes are a few bytes
// each); without one it collects in memory, read with CStr().
class ExchangePrinter : public tinyxml2::XMLPrinter {
  public:
    enum class Layout { Lines, Compact };
    ExchangePrinter(FILE* file, Layout layout);
    ~ExchangePrinter() override;
    ExchangePrinter(const ExchangePrinter&) = delete;
    ExchangePrinter& operator=(const ExchangePrinter&) = delete;

    // Hands what is pending to the file; the file's error state tells whether it arrived.
    void flush();

  protected:
    void Write(const char* data, size_t size) override;
    void Putc(char ch) override;
    void PrintSpace(int depth) override;

  private:
    void emit(const char* data, size_t size);

    FILE* file_;
    Layout layout_;
    std::string pending_;
};

// Whether text can stand in an XML 1.0 document as it is: valid UTF-8 holding no character
// XML 1.0 refuses (a control character other than tab, line feed and carriage return; U+FFFE,
// U+FFFF). A reader refuses a whole document for one such byte.
bool isXmlText(std::string_view text);
// text with each invalid UTF-8 sequence and each character XML 1.0 refuses replaced by U+FFFD.
std::string xmlText(std::string_view text);

// "%.<decimals>f" of value, always with a decimal point whatever the locale says.
std::string fixedText(double value, int decimals);

// A point whose latitude or longitude is not a finite number (a damaged database row) has no
// place on a map; written out it would be "inf" or "nan", which no reader takes. The exports
// leave such points out.
inline bool hasFinitePosition(const TrackPoint& point) {
    return std::isfinite(point.lat) && std::isfinite(point.lng);
}
// The whole part of value truncated toward zero, held to the range of a 32-bit integer
// (0 for a value that is not a number).
int truncatedInt(double value);

}  // namespace vandrel
