#include "ui/style_sheet.h"

#include <cctype>
#include <tuple>

#include "ui/element.h"

namespace vandrel::ui {
namespace {

// The engine's own defaults: the form controls get their behaviours, hidden inputs and
// popups are not shown until asked for.
constexpr std::string_view kBuiltInSheet = R"(
input { behavior: edit }
input[type=text] { behavior: edit }
input[type=password] { behavior: password }
input[type=number] { behavior: number }
input[type=checkbox] { behavior: check }
input[type=radio] { behavior: radio }
input[type=button], input[type=submit], input[type=reset], button { behavior: button }
input[type=hidden] { behavior: hidden; display: none }
textarea { behavior: textarea }
select { behavior: dropdown-select }
select[size], select[multiple] { behavior: select }
a[href] { behavior: hyperlink }
popup, .popup { display: none }
head, script, style, title, meta, link { display: none }
)";

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())) != 0) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())) != 0) {
        s.remove_suffix(1);
    }
    return s;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string stripComments(std::string_view css) {
    std::string out;
    out.reserve(css.size());
    for (std::size_t i = 0; i < css.size(); ++i) {
        if (css[i] == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            std::size_t end = css.find("*/", i + 2);
            if (end == std::string_view::npos) {
                break;
            }
            i = end + 1;
            out += ' ';
        } else {
            out += css[i];
        }
    }
    return out;
}

// Finds the brace that closes the one at `open`, counting nesting.
std::size_t closingBrace(std::string_view css, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < css.size(); ++i) {
        if (css[i] == '{') {
            ++depth;
        } else if (css[i] == '}' && --depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> parseDeclarations(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view decl = text.substr(start, end - start);
        std::size_t colon = decl.find(':');
        if (colon != std::string_view::npos) {
            std::string name = lower(trim(decl.substr(0, colon)));
            std::string value(trim(decl.substr(colon + 1)));
            if (!name.empty()) {
                out.emplace_back(std::move(name), std::move(value));
            }
        }
        start = end + 1;
    }
    return out;
}

std::string writeDeclarations(const std::vector<std::pair<std::string, std::string>>& decls) {
    std::string out;
    for (const auto& [name, value] : decls) {
        if (!out.empty()) {
            out += ' ';
        }
        out += name + ':' + value + ';';
    }
    return out;
}

bool mediaQueryMatches(std::string_view queries, std::string_view mediaType) {
    if (trim(queries).empty()) {
        return true;
    }
    while (!queries.empty()) {
        std::size_t comma = queries.find(',');
        std::string_view query = trim(queries.substr(0, comma));
        queries = comma == std::string_view::npos ? std::string_view() : queries.substr(comma + 1);
        auto word = [&query]() {
            std::size_t end = 0;
            while (end < query.size() && (std::isalnum(static_cast<unsigned char>(query[end])) ||
                                          query[end] == '-' || query[end] == '_')) {
                ++end;
            }
            std::string_view w = query.substr(0, end);
            query = trim(query.substr(end));
            return w;
        };
        std::string_view type = word();
        bool negated = equalsIgnoreCase(type, "not");
        if (negated || equalsIgnoreCase(type, "only")) {
            type = word();
        }
        bool matches =
            type.empty() || equalsIgnoreCase(type, "all") || equalsIgnoreCase(type, mediaType);
        if (matches != negated) {
            return true;
        }
    }
    return false;
}

StyleSheet::StyleSheet() {
    addBlock(kBuiltInSheet);
}

void StyleSheet::clear() {
    rules_.clear();
    order_ = 0;
    addBlock(kBuiltInSheet);
}

bool StyleSheet::add(std::string_view css) {
    std::size_t before = rules_.size();
    addBlock(stripComments(css));
    return rules_.size() > before;
}

void StyleSheet::addBlock(std::string_view css) {
    std::size_t pos = 0;
    while (pos < css.size()) {
        std::size_t open = css.find('{', pos);
        if (open == std::string_view::npos) {
            return;
        }
        std::size_t close = closingBrace(css, open);
        if (close == std::string_view::npos) {
            return;
        }
        std::string_view prelude = trim(css.substr(pos, open - pos));
        std::string_view body = css.substr(open + 1, close - open - 1);
        pos = close + 1;
        if (!prelude.empty() && prelude.front() == '@') {
            // Media blocks hold ordinary rules; other at-rules hold nothing the model reads.
            if (prelude.substr(0, 6) == "@media" &&
                mediaQueryMatches(prelude.substr(6), mediaType_)) {
                addBlock(body);
            }
            continue;
        }
        auto selector = Selector::parse(prelude);
        if (!selector) {
            continue;
        }
        for (auto& [name, rawValue] : parseDeclarations(body)) {
            if (name != "behavior" && name != "display" && name != "visibility") {
                continue;
            }
            std::string value = rawValue;
            bool important = false;
            if (auto bang = value.find("!important"); bang != std::string::npos) {
                important = true;
                value = std::string(trim(std::string_view(value).substr(0, bang)));
            }
            for (const auto& complex : selector->alternatives()) {
                // Built-in rules come first, so any page rule of the same weight wins.
                rules_.push_back(Rule{Selector::single(complex), Selector::specificity(complex),
                                      order_++, name, value, important});
            }
        }
    }
}

std::string StyleSheet::value(const Element& element, std::string_view property) const {
    const Rule* best = nullptr;
    for (const auto& rule : rules_) {
        if (rule.property != property) {
            continue;
        }
        if (best != nullptr) {
            auto key = [](const Rule& r) {
                return std::tuple(r.important, r.specificity, r.order);
            };
            if (key(rule) < key(*best)) {
                continue;
            }
        }
        if (rule.selector.matches(element)) {
            best = &rule;
        }
    }
    return best != nullptr ? best->value : std::string();
}

}  // namespace vandrel::ui
