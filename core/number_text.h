#pragma once
// Numbers read from files without the locale: the GUI toolkit switches the process to the
// user's locale, whose decimal comma would otherwise make a file written elsewhere unreadable.

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace vandrel {

// The whole text as a number; blanks around it and one leading '+' are allowed, anything else
// ("3s", "", "1,5") gives no number.
template <typename T>
std::optional<T> parseNumber(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() > 1 && text.front() == '+') {
        text.remove_prefix(1);
    }
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace vandrel
