#pragma once
// Builds the complete text of a statement from one of the fixed templates. "%d" takes an
// integer, "%f" a floating value written as C's "%f" does (six decimals), "%s" a text, which is
// pasted with its single quotes doubled so that it always stays one SQL literal. A floating
// value that is not finite has no SQL literal and is written as NULL (read back as the
// default). The text has no length limit.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vandrel::sql {

class Arg {
  public:
    Arg(int32_t value) : kind_(Kind::Integer), integer_(value) {}
    Arg(double value) : kind_(Kind::Real), real_(value) {}
    Arg(float value) : kind_(Kind::Real), real_(value) {}
    Arg(const std::string& value) : kind_(Kind::Text), text_(&value) {}

    void appendTo(std::string& out) const;
    // A floating value without an SQL literal (not finite), written as NULL.
    bool isNull() const;

  private:
    enum class Kind { Integer, Real, Text };
    Kind kind_;
    int32_t integer_ = 0;
    double real_ = 0;
    const std::string* text_ = nullptr;
};

// Replaces the placeholders of format, in order, with args; "%%" is one "%". Placeholders
// beyond the last argument are left out.
std::string format(std::string_view format, std::initializer_list<Arg> args);

// The text with every single quote doubled, as SQLite's "%q" writes it.
std::string quoted(const std::string& text);

}  // namespace vandrel::sql
