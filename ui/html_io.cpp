#include "ui/html_io.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>

#include "ui/document.h"
#include "ui/element.h"

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

bool isRawText(const Element& element) {
    return element.tag() == "style" || element.tag() == "script";
}

}  // namespace

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

void appendEscaped(std::string_view text, bool attribute, std::string& out) {
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
                if (attribute) {
                    out += "&quot;";
                    break;
                }
                out += c;
                break;
            default:
                out += c;
        }
    }
}

void writeHtml(const Element& element, bool outer, bool withUids, std::string& out) {
    if (element.isText()) {
        const Element* parent = element.parent();
        if (parent != nullptr && isRawText(*parent)) {
            out += element.data();
        } else {
            appendEscaped(element.data(), false, out);
        }
        return;
    }
    if (outer) {
        out += '<';
        out += element.tag();
        for (const auto& [name, value] : element.attributes()) {
            out += ' ';
            out += name;
            out += "=\"";
            appendEscaped(value, true, out);
            out += '"';
        }
        if (withUids) {
            out += " data-vuid=\"" + std::to_string(element.uid()) + '"';
            if (element.state() != 0) {
                out += " data-vstate=\"" + std::to_string(element.state()) + '"';
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
