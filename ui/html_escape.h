#pragma once
// Escaping of text the program pastes into HTML markup: the page writer's, the canvas's and the
// map bubbles' text all go through it.

#include <string>
#include <string_view>

namespace vandrel::ui {

// Where the text lands, which decides the characters escaped.
enum class HtmlEscape {
    Text,       // an element's content: & < >
    Attribute,  // also a value in double quotes: & < > "
    Anywhere,   // also a value in single quotes, for markup a page pastes on: & < > " '
};

void appendEscaped(std::string_view text, HtmlEscape where, std::string& out);
std::string escapeHtml(std::string_view text, HtmlEscape where = HtmlEscape::Anywhere);

}  // namespace vandrel::ui
