#include "exchange/xml_root.h"

namespace vandrel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Passes over what ends with `closing`; false when the bytes end first.
bool skipPast(std::string_view& text, std::string_view closing) {
    const size_t at = text.find(closing);
    if (at == std::string_view::npos) {
        return false;
    }
    text.remove_prefix(at + closing.size());
    return true;
}

}  // namespace

std::string xmlRootName(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") {
        head.remove_prefix(3);
    }
    for (;;) {
        while (!head.empty() && isBlank(head.front())) {
            head.remove_prefix(1);
        }
        if (head.empty() || head.front() != '<') {
            return {};
        }
        if (head.substr(0, 2) == "<?") {
            if (!skipPast(head, "?>")) {
                return {};
            }
        } else if (head.substr(0, 4) == "<!--") {
            if (!skipPast(head, "-->")) {
                return {};
            }
        } else if (head.substr(0, 2) == "<!") {
            // A document type's internal subset may hold ">" in its declarations; one with
            // a subset is passed over to its "]>".
            if (!skipPast(head, head.find('[') < head.find('>') ? "]>" : ">")) {
                return {};
            }
        } else {
            break;
        }
    }
    head.remove_prefix(1);
    size_t end = 0;
    while (end < head.size() && !isBlank(head[end]) && head[end] != '/' && head[end] != '>') {
        ++end;
    }
    if (end == head.size()) {
        return {};
    }
    std::string_view name = head.substr(0, end);
    const size_t colon = name.find(':');
    if (colon != std::string_view::npos) {
        name.remove_prefix(colon + 1);
    }
    return std::string(name);
}

}  // namespace vandrel
