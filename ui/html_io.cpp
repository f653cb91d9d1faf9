#include "ui/html_io.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>

#include "ui/document.h"
#include "ui/element.h"
#include "ui/html_escape.h"

namespace vandrel::ui {
namespace {

std::string tagName(const GumboElement& element) {
    if (element.tag != GUMBO_TAG_UNKNOWN) {
        return gumbo_normalized_tagname(element.tag);
    }
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    std::string name(piece.data, piece.length);
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

bool isVoid(std::string_view tag) {
    static constexpr std::string_view kVoid[] = {"area",  "base",   "br",    "col",  "embed",
                                                 "hr",    "img",    "input", "link", "meta",
                                                 "param", "source", "track", "wbr"};
    return std::find(std::begin(kVoid), std::end(kVoid), tag) != std::end(kVoid);
}

bool selfClosing(const GumboElement& element) {
    const GumboStringPiece& t = element.original_tag;
    return t.length >= 2 && t.data[t.length - 2] == '/' && t.data[t.length - 1] == '>';
}

void convertChildren(Document& document, const GumboVector& children, Element& into);

std::unique_ptr<Element> convertElement(Document& document, const GumboElement& source) {
    auto element = std::make_unique<Element>(document, Element::Kind::Element, tagName(source));
    for (unsigned i = 0; i < source.attributes.length; ++i) {
        auto* attr = static_cast<const GumboAttribute*>(source.attributes.data[i]);
        element->appendAttribute(attr->name, attr->value);
    }
    convertChildren(document, source.children, *element);
    return element;
}

void convertChildren(Document& document, const GumboVector& children, Element& into) {
    for (unsigned i = 0; i < children.length; ++i) {
        auto* node = static_cast<const GumboNode*>(children.data[i]);
        switch (node->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE: {
                Element& added = into.appendChild(convertElement(document, node->v.element));
                // The pages close unknown elements such as <widget .../> themselves; HTML5
                // would nest what follows inside them, so it is moved back out.
                if (node->v.element.tag == GUMBO_TAG_UNKNOWN && selfClosing(node->v.element)) {
                    for (auto& moved : added.takeNodes()) {
                        into.appendChild(std::move(moved));
                    }
                }
                break;
            }
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                into.appendChild(
                    std::make_unique<Element>(document, Element::Kind::Text, node->v.text.text));
                break;
            default:
                break;
        }
    }
}

constexpr std::pair<std::uint32_t, std::string_view> kStateNames[] = {
    {STATE_CURRENT, "current"},       {STATE_CHECKED, "checked"},     {STATE_DISABLED, "disabled"},
    {STATE_EXPANDED, "expanded"},     {STATE_COLLAPSED, "collapsed"}, {STATE_ANCHOR, "anchor"},
    {STATE_OWNS_POPUP, "owns-popup"}, {STATE_PRESSED, "pressed"},     {STATE_POPUP, "popup"},
};

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

// Translates the pseudo-classes of one selector prelude.
void translatePrelude(std::string_view prelude, std::string& out) {
    for (std::size_t i = 0; i < prelude.size(); ++i) {
        if (prelude[i] != ':' || (i > 0 && prelude[i - 1] == ':')) {
            out += prelude[i];
            continue;
        }
        std::size_t end = i + 1;
        while (end < prelude.size() && isNameChar(prelude[end])) {
            ++end;
        }
        std::string_view name = prelude.substr(i + 1, end - i - 1);
        bool known = false;
        for (const auto& [bit, state] : kStateNames) {
            known = known || name == state;
        }
        if (!known) {
            out += prelude[i];
            continue;
        }
        std::string test = "[data-vs~=\"" + std::string(name) + "\"]";
        if (name == "checked" || name == "disabled") {
            out += ":is(:" + std::string(name) + "," + test + ")";
        } else {
            out += test;
        }
        i = end - 1;
    }
}

bool isRawText(const Element& element) {
    return element.tag() == "style" || element.tag() == "script";
}

bool isFormControl(const Element& element) {
    const std::string& tag = element.tag();
    return tag == "input" || tag == "button" || tag == "select" || tag == "textarea";
}

// An element that the behaviours make pressable but that the browser would not give the focus
// (a div, a cell): the served page makes it a tab stop in document order, so that Tab reaches
// it and Enter or Space press it (see the behaviours' keys). An element with a tabindex of its
// own keeps it; form controls and links take the focus anyway.
bool servedAsTabStop(const Element& element) {
    if (isFormControl(element) || element.hasAttribute("tabindex") ||
        (element.tag() == "a" && element.hasAttribute("href"))) {
        return false;
    }
    for (std::string_view name : {"clickable", "button", "command", "tabcommand"}) {
        if (element.hasBehavior(name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string stateNames(std::uint32_t state) {
    std::string out;
    for (const auto& [bit, name] : kStateNames) {
        if ((state & bit) != 0) {
            out += out.empty() ? "" : " ";
            out += name;
        }
    }
    return out;
}

std::string translateStateSelectors(std::string_view css) {
    // Text before a '{' is a selector prelude; text before a '}' is declarations, left alone.
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < css.size(); ++i) {
        if (css[i] == '{') {
            translatePrelude(css.substr(start, i - start), out);
            out += '{';
            start = i + 1;
        } else if (css[i] == '}') {
            out.append(css.substr(start, i - start + 1));
            start = i + 1;
        }
    }
    out.append(css.substr(start));
    return out;
}

std::unique_ptr<Element> parseHtmlDocument(Document& document, std::string_view markup) {
    GumboOutput* output =
        gumbo_parse_with_options(&kGumboDefaultOptions, markup.data(), markup.size());
    auto root = convertElement(document, output->root->v.element);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return root;
}

std::vector<std::unique_ptr<Element>> parseHtmlFragment(Document& document,
                                                        std::string_view markup) {
    GumboOptions options = kGumboDefaultOptions;
    options.fragment_context = GUMBO_TAG_DIV;
    GumboOutput* output = gumbo_parse_with_options(&options, markup.data(), markup.size());
    auto holder = convertElement(document, output->root->v.element);
    gumbo_destroy_output(&options, output);
    return holder->takeNodes();
}

void writeHtml(const Element& element, bool outer, bool withUids, std::string& out) {
    if (element.isText()) {
        const Element* parent = element.parent();
        if (parent != nullptr && isRawText(*parent)) {
            out += withUids && parent->tag() == "style" ? translateStateSelectors(element.data())
                                                        : element.data();
        } else {
            appendEscaped(element.data(), HtmlEscape::Text, out);
        }
        return;
    }
    if (outer) {
        out += '<';
        out += element.tag();
        // A control's checked and disabled states are the model's, which may have changed
        // them since the markup was read: the served page starts from the model's.
        const bool stateAttributes = withUids && isFormControl(element);
        for (const auto& [name, value] : element.attributes()) {
            // The renderer's frames show their windows' documents, which the renderer
            // addresses itself; the page must not start loading the src on its own.
            if (withUids && element.tag() == "iframe" && equalsIgnoreCase(name, "src")) {
                continue;
            }
            if (stateAttributes &&
                (equalsIgnoreCase(name, "checked") || equalsIgnoreCase(name, "disabled"))) {
                continue;
            }
            out += ' ';
            out += name;
            out += "=\"";
            appendEscaped(value, HtmlEscape::Attribute, out);
            out += '"';
        }
        if (stateAttributes) {
            if (element.tag() == "input" && element.hasState(STATE_CHECKED)) {
                out += " checked";
            }
            if (element.hasState(STATE_DISABLED)) {
                out += " disabled";
            }
        }
        if (withUids) {
            if (servedAsTabStop(element)) {
                out += " tabindex=\"0\"";
            }
            out += " data-vuid=\"" + std::to_string(element.uid()) + '"';
            if (std::string names = stateNames(element.state()); !names.empty()) {
                out += " data-vs=\"" + names + '"';
            }
        }
        out += '>';
        if (isVoid(element.tag())) {
            return;
        }
    }
    for (const auto& child : element.nodes()) {
        writeHtml(*child, true, withUids, out);
    }
    if (outer) {
        out += "</" + element.tag() + '>';
    }
}

}  // namespace vandrel::ui
