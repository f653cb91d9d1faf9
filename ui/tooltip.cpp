#include "ui/tooltip.h"

#include "ui/document.h"
#include "ui/element.h"
#include "ui/html_window.h"

namespace vandrel::ui {

Tooltip::Tooltip(HtmlWindow& window, std::string elementId)
    : window_(window), id_(std::move(elementId)) {}

Element* Tooltip::element() const {
    return window_.document().selectFirst("#" + id_);
}

void Tooltip::show(std::string_view text, Point mouse, bool above) {
    if (text.empty()) {
        hide();
        return;
    }
    Element* tip = element();
    if (tip == nullptr) {
        return;
    }
    if (text != text_) {
        text_ = text;
        std::string shown;
        for (char c : text) {
            if (c != '\r') {
                shown += c;
            }
        }
        tip->setText(shown);
    }
    // Below and right of the pointer, as the desktop places its tips, so the tip never sits
    // under the pointer and takes its moves.
    tip->setStyle("left", std::to_string(mouse.x + 12) + "px");
    if (above) {
        tip->setStyle("top", "auto");
        tip->setStyle("bottom", "calc(100% - " + std::to_string(mouse.y - 4) + "px)");
    } else {
        tip->setStyle("bottom", "auto");
        tip->setStyle("top", std::to_string(mouse.y + 18) + "px");
    }
    tip->setStyle("display", "block");
}

void Tooltip::hide() {
    text_.clear();
    if (Element* tip = element()) {
        tip->setStyle("display", "none");
    }
}

}  // namespace vandrel::ui
