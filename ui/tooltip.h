#pragma once
// A tooltip: a box of text, line breaks kept, shown near the mouse and hidden when the mouse
// leaves. It lives in an element of the page (styled by the page, positioned here), so any page
// that holds such an element can use it.

#include <string>
#include <string_view>

#include "ui/geometry.h"

namespace vandrel::ui {

class Element;
class HtmlWindow;

class Tooltip {
  public:
    Tooltip(HtmlWindow& window, std::string elementId);

    // Shows the text a little below and right of the mouse point (document coordinates), or
    // with its bottom there above it (for controls at the bottom of a page); an empty text
    // hides the tip. "\r\n" and "\n" break lines.
    void show(std::string_view text, Point mouse, bool above = false);
    void hide();
    std::string text() const { return text_; }

  private:
    Element* element() const;

    HtmlWindow& window_;
    std::string id_;
    std::string text_;
};

}  // namespace vandrel::ui
