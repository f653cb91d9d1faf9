#include "app/message_boxes.h"

#include "ui/element.h"
#include "ui/resources.h"

namespace vandrel::app {

namespace {

ui::Element* byId(ui::HtmlWindow& view, std::string_view id) {
    std::string selector = "#";
    selector += id;
    return view.document().selectFirst(selector);
}

}  // namespace

bool MessageBox::attach(ui::HtmlWindow& view, std::function<void(int)> end) {
    end_ = std::move(end);
    if (!ui::loadHtmlResource(view, resourceId())) {
        return false;
    }
    view.setHandler(this);
    fill(view);
    return true;
}

void MessageBox::fill(ui::HtmlWindow& view) {
    // Elements the page lacks are skipped; an empty second line leaves its element empty.
    if (ui::Element* text = byId(view, "MsgText")) {
        text->setText(line1_);
        if (!textClass_.empty()) {
            text->setAttribute("class", textClass_);
        }
    }
    if (!line2_.empty()) {
        if (ui::Element* text = byId(view, "MsgText2")) {
            text->setText(line2_);
        }
    }
    if (ui::Element* focus = byId(view, focusId())) {
        view.setFocus(focus);
    }
}

void MessageBox::finish(int result) {
    if (end_) {
        // The end may destroy the view and this box's owner; take the callback first.
        auto end = std::move(end_);
        end_ = nullptr;
        end(result);
    }
}

bool MessageBox::onBehaviorEvent(ui::HtmlWindow&, ui::Element&, ui::BehaviorEvent& event) {
    if (event.type != ui::BUTTON_CLICK || event.target == nullptr) {
        return false;
    }
    int result = resultFor(event.target->attribute("id"));
    if (result < 0) {
        return false;
    }
    finish(result);
    return true;
}

bool MessageBox::onKey(ui::HtmlWindow& view, ui::Element&, ui::KeyEvent& event) {
    if (event.type != ui::KeyEventType::Down || event.handled) {
        return false;
    }
    if (event.keyCode == ui::VK_ESCAPE) {
        finish(resultFor(cancelId()));
        return true;
    }
    if (event.keyCode == ui::VK_RETURN) {
        // Enter presses the focused button, or the default one when focus is elsewhere.
        ui::Element* focus = view.focus();
        int result = focus != nullptr ? resultFor(focus->attribute("id")) : -1;
        finish(result >= 0 ? result : resultFor(defaultId()));
        return true;
    }
    return false;
}

int YesNoBox::resultFor(std::string_view id) const {
    if (id == "MsgYes") {
        return 1;
    }
    return id == "MsgNo" ? 0 : -1;
}

int NoticeBox::resultFor(std::string_view id) const {
    return id == "MsgEixt" ? 0 : -1;
}

int OverwriteBox::resultFor(std::string_view id) const {
    if (id == "MsgInsertS") {
        return 1;
    }
    if (id == "MsgInsertA") {
        return 2;
    }
    return id == "MsgExit" ? 0 : -1;
}

}  // namespace vandrel::app
