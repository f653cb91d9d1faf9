#include "ui/html_escape.h"

namespace vandrel::ui {

void appendEscaped(std::string_view text, HtmlEscape where, std::string& out) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += where == HtmlEscape::Text ? "\"" : "&quot;";
                break;
            case '\'':
                out += where == HtmlEscape::Anywhere ? "&#39;" : "'";
                break;
            default:
                out += c;
        }
    }
}

std::string escapeHtml(std::string_view text, HtmlEscape where) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(text, where, out);
    return out;
}

}  // namespace vandrel::ui
