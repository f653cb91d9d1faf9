#pragma once
// Markup in and out of the model. Parsing uses Gumbo (the HTML5 algorithm, so any input gives
// a tree); writing produces markup that parses back to the same tree.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::ui {

class Document;
class Element;

// The <html> element of the parsed page.
std::unique_ptr<Element> parseHtmlDocument(Document& document, std::string_view markup);
// The nodes of a fragment parsed as the content of a <div>.
std::vector<std::unique_ptr<Element>> parseHtmlFragment(Document& document,
                                                        std::string_view markup);

// Appends the markup of the element (outer) or of its children (inner). With uids, every
// element carries a data-vuid attribute and its states as data-vs, and style sheets have their
// state pseudo-classes translated.
void writeHtml(const Element& element, bool outer, bool withUids, std::string& out);

// The state bits a renderer shows as names in data-vs (current, checked, anchor, ...).
std::string stateNames(std::uint32_t state);
// Rewrites the state pseudo-classes a browser does not know (:current, :anchor, ...) in the
// selectors of a style sheet into tests of data-vs; :checked and :disabled also keep their
// own meaning for form controls.
std::string translateStateSelectors(std::string_view css);

}  // namespace vandrel::ui
