#pragma once
// The part of CSS the model needs: rules from the page's <style> blocks and a small built-in
// sheet, cascaded by specificity and order, for a few properties (`behavior`, `display`,
// `visibility`). Layout and painting are the renderer's; it reads the same style blocks.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ui/selector.h"

namespace vandrel::ui {

class Element;

// The declarations of an inline style attribute, in order; later ones win.
std::vector<std::pair<std::string, std::string>> parseDeclarations(std::string_view text);
std::string writeDeclarations(const std::vector<std::pair<std::string, std::string>>& decls);

// Whether a media query list ("screen", "only contrast-screen, print", "not screen and (...)")
// holds for the media type. Only the types are weighed: the model knows no viewport, so a
// query's features count as true. An empty list holds.
bool mediaQueryMatches(std::string_view queries, std::string_view mediaType);

class StyleSheet {
  public:
    StyleSheet();
    // The media type `@media` blocks are weighed against; set before the blocks are added.
    void setMediaType(std::string type) { mediaType_ = std::move(type); }
    // Adds the rules of a style block; returns false when nothing in it could be read.
    bool add(std::string_view css);
    void clear();
    // The cascaded value of the property for the element, before its inline style; empty
    // when no rule sets it.
    std::string value(const Element& element, std::string_view property) const;

  private:
    struct Rule {
        Selector selector;  // a single complex selector
        Specificity specificity;
        std::size_t order;
        std::string property;
        std::string value;
        bool important;
    };
    void addBlock(std::string_view css);

    std::vector<Rule> rules_;
    std::size_t order_ = 0;
    std::string mediaType_ = "screen";
};

}  // namespace vandrel::ui
