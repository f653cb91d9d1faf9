#include "ui/selector.h"

#include <cctype>

#include "ui/element.h"

namespace vandrel::ui {
namespace {

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<std::vector<Selector::Complex>> list() {
        std::vector<Selector::Complex> out;
        for (;;) {
            skipSpace();
            auto complex = parseComplex();
            if (!complex) {
                return std::nullopt;
            }
            out.push_back(std::move(*complex));
            skipSpace();
            if (atEnd()) {
                return out;
            }
            if (text_[pos_] != ',') {
                return std::nullopt;
            }
            ++pos_;
        }
    }

  private:
    bool atEnd() const { return pos_ >= text_.size(); }
    void skipSpace() {
        while (!atEnd() && std::isspace(static_cast<unsigned char>(text_[pos_])) != 0) {
            ++pos_;
        }
    }
    std::string name() {
        std::size_t start = pos_;
        while (!atEnd() && isNameChar(text_[pos_])) {
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    // complex := compound ( combinator compound )*
    std::optional<Selector::Complex> parseComplex() {
        Selector::Complex complex;
        for (;;) {
            auto compound = parseCompound();
            if (!compound) {
                return std::nullopt;
            }
            complex.parts.push_back(std::move(*compound));
            std::size_t before = pos_;
            skipSpace();
            if (atEnd() || text_[pos_] == ',') {
                return complex;
            }
            char combinator = ' ';
            if (text_[pos_] == '>' || text_[pos_] == '+' || text_[pos_] == '~') {
                combinator = text_[pos_++];
                skipSpace();
            } else if (pos_ == before) {
                return std::nullopt;
            }
            complex.combinators.push_back(combinator);
        }
    }

    std::optional<Selector::Compound> parseCompound() {
        Selector::Compound compound;
        bool any = false;
        if (!atEnd() && text_[pos_] == '*') {
            ++pos_;
            any = true;
        } else if (!atEnd() && isNameChar(text_[pos_])) {
            compound.tag = lower(name());
            any = true;
        }
        while (!atEnd()) {
            char c = text_[pos_];
            if (c == '#' || c == '.') {
                ++pos_;
                std::string n = name();
                if (n.empty()) {
                    return std::nullopt;
                }
                (c == '#' ? compound.ids : compound.classes).push_back(std::move(n));
            } else if (c == ':') {
                ++pos_;
                std::string n = lower(name());
                if (n.empty()) {
                    return std::nullopt;
                }
                compound.pseudos.push_back(std::move(n));
            } else if (c == '[') {
                ++pos_;
                auto test = attrTest();
                if (!test) {
                    return std::nullopt;
                }
                compound.attrs.push_back(std::move(*test));
            } else {
                break;
            }
            any = true;
        }
        if (!any) {
            return std::nullopt;
        }
        return compound;
    }

    // "[" attr ( op value )? "]", value quoted with ' or " or a bare name.
    std::optional<Selector::AttrTest> attrTest() {
        using Op = Selector::AttrTest::Op;
        Selector::AttrTest test;
        skipSpace();
        test.name = lower(name());
        skipSpace();
        if (test.name.empty() || atEnd()) {
            return std::nullopt;
        }
        if (text_[pos_] == ']') {
            ++pos_;
            return test;
        }
        static constexpr std::pair<char, Op> prefixed[] = {
            {'~', Op::Includes}, {'|', Op::DashMatch}, {'^', Op::Prefix},
            {'$', Op::Suffix},   {'*', Op::Substring},
        };
        test.op = Op::Equals;
        for (auto [ch, op] : prefixed) {
            if (text_[pos_] == ch) {
                test.op = op;
                ++pos_;
                break;
            }
        }
        if (atEnd() || text_[pos_] != '=') {
            return std::nullopt;
        }
        ++pos_;
        skipSpace();
        if (atEnd()) {
            return std::nullopt;
        }
        if (text_[pos_] == '\'' || text_[pos_] == '"') {
            char quote = text_[pos_++];
            std::size_t end = text_.find(quote, pos_);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            test.value = std::string(text_.substr(pos_, end - pos_));
            pos_ = end + 1;
        } else {
            test.value = name();
        }
        skipSpace();
        if (atEnd() || text_[pos_] != ']') {
            return std::nullopt;
        }
        ++pos_;
        return test;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool hasWord(std::string_view list, std::string_view word) {
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i])) != 0) {
            ++i;
        }
        std::size_t start = i;
        while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i])) == 0) {
            ++i;
        }
        if (i > start && list.substr(start, i - start) == word) {
            return true;
        }
    }
    return false;
}

bool attrMatches(const Selector::AttrTest& test, const Element& element) {
    using Op = Selector::AttrTest::Op;
    if (!element.hasAttribute(test.name)) {
        return false;
    }
    const std::string v = element.attribute(test.name);
    const std::string& w = test.value;
    switch (test.op) {
        case Op::Exists:
            return true;
        case Op::Equals:
            return v == w;
        case Op::Includes:
            return hasWord(v, w);
        case Op::DashMatch:
            return v == w ||
                   (v.size() > w.size() && v.compare(0, w.size(), w) == 0 && v[w.size()] == '-');
        case Op::Prefix:
            return !w.empty() && v.compare(0, w.size(), w) == 0;
        case Op::Suffix:
            return !w.empty() && v.size() >= w.size() &&
                   v.compare(v.size() - w.size(), w.size(), w) == 0;
        case Op::Substring:
            return !w.empty() && v.find(w) != std::string::npos;
    }
    return false;
}

bool pseudoMatches(std::string_view pseudo, const Element& element) {
    static constexpr std::pair<std::string_view, std::uint32_t> states[] = {
        {"link", STATE_LINK},
        {"hover", STATE_HOVER},
        {"active", STATE_ACTIVE},
        {"focus", STATE_FOCUS},
        {"visited", STATE_VISITED},
        {"current", STATE_CURRENT},
        {"checked", STATE_CHECKED},
        {"disabled", STATE_DISABLED},
        {"read-only", STATE_READONLY},
        {"expanded", STATE_EXPANDED},
        {"collapsed", STATE_COLLAPSED},
        {"anchor", STATE_ANCHOR},
        {"owns-popup", STATE_OWNS_POPUP},
        {"pressed", STATE_PRESSED},
        {"popup", STATE_POPUP},
    };
    for (auto [name, bit] : states) {
        if (pseudo == name) {
            return element.hasState(bit);
        }
    }
    if (pseudo == "enabled") {
        return !element.hasState(STATE_DISABLED);
    }
    Element* parent = element.parent();
    if (pseudo == "root") {
        return parent == nullptr;
    }
    if (pseudo == "empty") {
        return element.nodes().empty();
    }
    if (parent == nullptr) {
        return false;
    }
    int index = element.index();
    int last = static_cast<int>(parent->childCount()) - 1;
    if (pseudo == "first-child") {
        return index == 0;
    }
    if (pseudo == "last-child") {
        return index == last;
    }
    if (pseudo == "only-child") {
        return last == 0;
    }
    return false;
}

bool compoundMatches(const Selector::Compound& c, const Element& element) {
    if (element.isText()) {
        return false;
    }
    if (!c.tag.empty() && c.tag != element.tag()) {
        return false;
    }
    for (const auto& id : c.ids) {
        if (element.attribute("id") != id) {
            return false;
        }
    }
    if (!c.classes.empty()) {
        const std::string classes = element.attribute("class");
        for (const auto& cls : c.classes) {
            if (!hasWord(classes, cls)) {
                return false;
            }
        }
    }
    for (const auto& test : c.attrs) {
        if (!attrMatches(test, element)) {
            return false;
        }
    }
    for (const auto& pseudo : c.pseudos) {
        if (!pseudoMatches(pseudo, element)) {
            return false;
        }
    }
    return true;
}

const Element* previousSibling(const Element& element) {
    int index = element.index();
    return index > 0 ? element.parent()->child(static_cast<std::size_t>(index - 1)) : nullptr;
}

// Matches parts[0..=i] ending at `element`, right to left; descendant and general sibling
// combinators try every candidate, so "a b c" is exact, not greedy.
bool matchFrom(const Selector::Complex& cx, std::size_t i, const Element& element) {
    if (!compoundMatches(cx.parts[i], element)) {
        return false;
    }
    if (i == 0) {
        return true;
    }
    switch (cx.combinators[i - 1]) {
        case '>':
            return element.parent() != nullptr && matchFrom(cx, i - 1, *element.parent());
        case '+': {
            const Element* prev = previousSibling(element);
            return prev != nullptr && matchFrom(cx, i - 1, *prev);
        }
        case '~':
            for (const Element* s = previousSibling(element); s; s = previousSibling(*s)) {
                if (matchFrom(cx, i - 1, *s)) {
                    return true;
                }
            }
            return false;
        default:
            for (const Element* a = element.parent(); a; a = a->parent()) {
                if (matchFrom(cx, i - 1, *a)) {
                    return true;
                }
            }
            return false;
    }
}

}  // namespace

std::optional<Selector> Selector::parse(std::string_view text) {
    auto list = Parser(text).list();
    if (!list) {
        return std::nullopt;
    }
    Selector selector;
    selector.list_ = std::move(*list);
    return selector;
}

Selector Selector::single(Complex complex) {
    Selector selector;
    selector.list_.push_back(std::move(complex));
    return selector;
}

bool Selector::matchesComplex(const Complex& complex, const Element& element) {
    return matchFrom(complex, complex.parts.size() - 1, element);
}

bool Selector::matches(const Element& element) const {
    for (const auto& complex : list_) {
        if (matchesComplex(complex, element)) {
            return true;
        }
    }
    return false;
}

Specificity Selector::specificity(const Complex& complex) {
    Specificity s{0, 0, 0};
    for (const auto& part : complex.parts) {
        s[0] += static_cast<int>(part.ids.size());
        s[1] += static_cast<int>(part.classes.size() + part.attrs.size() + part.pseudos.size());
        s[2] += part.tag.empty() ? 0 : 1;
    }
    return s;
}

}  // namespace vandrel::ui
