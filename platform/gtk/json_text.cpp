#include "platform/gtk/json_text.h"

#include <cstdio>
#include <string>

#include "core/utf8.h"

namespace vandrel::gtk {

void appendJsonString(std::string_view input, std::string& out) {
    // GLib and the page take UTF-8 only: a file name in another encoding would lose the whole
    // batch it travels in, so bytes that are not UTF-8 become replacement characters here.
    std::string repaired;
    std::string_view text = input;
    if (!isValidUtf8(input)) {
        repaired = sanitizeUtf8(input);
        text = repaired;
    }
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            case '<':
            case '>':
            case '&': {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
                continue;
            }
            default:
                break;
        }
        // U+2028 and U+2029 are E2 80 A8 and E2 80 A9 in UTF-8.
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
            continue;
        }
        if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
            continue;
        }
        out += static_cast<char>(c);
    }
    out += '"';
}

namespace {

const char* kindName(ui::Change::Kind kind) {
    using K = ui::Change::Kind;
    switch (kind) {
        case K::Attribute:
            return "attr";
        case K::RemoveAttribute:
            return "rmattr";
        case K::State:
            return "state";
        case K::Content:
            return "content";
        case K::ControlValue:
            return "value";
        case K::Popup:
            return "popup";
        case K::ScrollIntoView:
            return "scroll";
        case K::Focus:
            return "focus";
        case K::WidgetContent:
            return "widget";
    }
    return "none";
}

}  // namespace

void appendChangeJson(const ui::Change& change, std::string& out) {
    out += "{\"k\":\"";
    out += kindName(change.kind);
    out += "\",\"uid\":" + std::to_string(change.uid) + ",\"name\":";
    appendJsonString(change.name, out);
    out += ",\"value\":";
    appendJsonString(change.value, out);
    out += ",\"number\":" + std::to_string(change.number) + ",\"x\":" + std::to_string(change.x) +
           ",\"y\":" + std::to_string(change.y);
    if (change.kind == ui::Change::Kind::WidgetContent) {
        out += ",\"header\":";
        appendJsonString(change.header, out);
        out += ",\"top\":" + std::to_string(change.top);
    }
    out += '}';
}

void appendOpJson(std::string_view kind, std::uint64_t uid, std::string_view value,
                  std::string& out) {
    out += "{\"k\":";
    appendJsonString(kind, out);
    out += ",\"uid\":" + std::to_string(uid) + ",\"value\":";
    appendJsonString(value, out);
    out += '}';
}

}  // namespace vandrel::gtk
