#pragma once
// The variant value of controls and form tables: undefined, boolean, integer, floating or
// string, with the conversions the pages rely on. A string read as a number is 0 (the pages
// never store numbers as text and expect them back as numbers); a number read as a string is
// its decimal text.

#include <cstdint>
#include <string>
#include <variant>

namespace vandrel::ui {

class Value {
  public:
    enum class Kind { Undefined, Bool, Int, Float, String };

    Value() = default;
    Value(bool b) : data_(b) {}
    Value(int i) : data_(static_cast<std::int64_t>(i)) {}
    Value(std::int64_t i) : data_(i) {}
    Value(double d) : data_(d) {}
    Value(std::string s) : data_(std::move(s)) {}
    Value(const char* s) : data_(std::string(s)) {}

    Kind kind() const { return static_cast<Kind>(data_.index()); }
    bool isUndefined() const { return kind() == Kind::Undefined; }

    bool toBool() const;
    std::int64_t toInt() const;
    double toFloat() const;
    std::string toString() const;

    friend bool operator==(const Value&, const Value&) = default;

  private:
    std::variant<std::monostate, bool, std::int64_t, double, std::string> data_;
};

}  // namespace vandrel::ui
