// The program's own behaviours for tabs, icon cells and popups: command, tabcommand, popup and
// dropdown.

#include "ui/behavior.h"
#include "ui/html_window.h"

namespace vandrel::ui {
namespace {

// Shown by the page's style sheets and by the inline styles of it and its ancestors.
bool shown(const Element& element) {
    return element.isVisible() && element.document().computedStyle(element, "display") != "none";
}

// Acts on release: press, keep the mouse, and send the command only when the release comes
// back inside the element that was pressed. Enter or Space on the focused element sends it too.
class Command : public Behavior {
  public:
    Command() : Behavior("command", HANDLE_MOUSE | HANDLE_KEY) {}
    bool onKey(HtmlWindow& window, Element& self, KeyEvent& event) override {
        std::string id = self.attribute("id");
        if (!isPressKey(event, self) || id.empty()) {
            return false;
        }
        sendElementCommand(window, self, id);
        return true;
    }
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        if (event.type == MouseEventType::Down) {
            window.setCapture(&self);
            self.setState(STATE_CURRENT);
            return true;
        }
        if (event.type != MouseEventType::Up) {
            return false;
        }
        if (window.capture() == &self) {
            window.releaseCapture();
        }
        bool wasCurrent = self.hasState(STATE_CURRENT);
        if (wasCurrent) {
            self.setState(0, STATE_CURRENT);
        }
        std::string id = self.attribute("id");
        if (wasCurrent && insideBorderBox(event, self) && !id.empty()) {
            sendElementCommand(window, self, id);
        }
        return true;
    }
};

// Acts on press, so a tab switches at once; a double click sends the id with "MDC" after it.
// Enter or Space on the focused tab sends the id too. The pages' tab bars then show the
// selected tab, the element with the id and "-s" after it, in place of the pressed one: the
// focus goes there, so that the keyboard's place in the page stays where the user left it.
class TabCommand : public Behavior {
  public:
    TabCommand() : Behavior("tabcommand", HANDLE_MOUSE | HANDLE_KEY) {}
    bool onKey(HtmlWindow& window, Element& self, KeyEvent& event) override {
        std::string id = self.attribute("id");
        if (!isPressKey(event, self) || id.empty()) {
            return false;
        }
        const std::uint64_t uid = self.uid();
        sendElementCommand(window, self, id);
        Document& document = window.document();
        Element* pressed = document.findByUid(uid);
        Element* selected = document.selectFirst("#" + id + "-s");
        if (pressed != nullptr && !shown(*pressed) && selected != nullptr && shown(*selected)) {
            window.setFocus(selected);
        }
        return true;
    }
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        if (event.type != MouseEventType::Down && event.type != MouseEventType::DoubleClick) {
            return false;
        }
        std::string id = self.attribute("id");
        if (insideBorderBox(event, self) && !id.empty()) {
            if (event.type == MouseEventType::DoubleClick) {
                id += "MDC";
            }
            sendElementCommand(window, self, id);
        }
        return true;
    }
};

// A popup container: a release inside it closes it after its children had their say; so do a
// click of a button or link inside it, and the focus leaving it.
class Popup : public Behavior {
  public:
    Popup() : Behavior("popup", HANDLE_MOUSE | HANDLE_FOCUS | HANDLE_BEHAVIOR_EVENT) {}
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        if (event.type == MouseEventType::Down || event.type == MouseEventType::DoubleClick) {
            return true;
        }
        if (event.type == MouseEventType::Up) {
            window.hidePopup(self);
            return true;
        }
        return false;
    }
    bool onBehaviorEvent(HtmlWindow& window, Element& self, BehaviorEvent& event) override {
        if (event.type == BUTTON_CLICK || event.type == HYPERLINK_CLICK) {
            window.hidePopup(self);
        }
        return false;
    }
    bool onFocus(HtmlWindow& window, Element& self, FocusEvent& event) override {
        if (!event.gotFocus && event.target != nullptr && event.target->isInside(self) &&
            (event.other == nullptr || !event.other->isInside(self))) {
            window.hidePopup(self);
        }
        return false;
    }
};

// A control owning a popup child (".popup" or <popup>) that a press shows below it.
class Dropdown : public Behavior {
  public:
    Dropdown() : Behavior("dropdown", HANDLE_MOUSE | HANDLE_BEHAVIOR_EVENT) {}
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        if (event.type != MouseEventType::Down) {
            return false;
        }
        Element* popup = nullptr;
        for (std::size_t i = 0; i < self.childCount() && popup == nullptr; ++i) {
            Element* c = self.child(i);
            if (c->matches(".popup,popup")) {
                popup = c;
            }
        }
        if (popup == nullptr || (event.target != nullptr && event.target->isInside(*popup))) {
            return false;
        }
        if (!self.hasState(STATE_OWNS_POPUP)) {
            window.showPopup(*popup, self, POPUP_BELOW);
        }
        return true;
    }
};

}  // namespace

Behavior& commandBehavior() {
    static Command b;
    return b;
}
Behavior& tabCommandBehavior() {
    static TabCommand b;
    return b;
}
Behavior& popupBehavior() {
    static Popup b;
    return b;
}
Behavior& dropdownBehavior() {
    static Dropdown b;
    return b;
}

}  // namespace vandrel::ui
