// The behaviour registry and the engine's own behaviours: clickable elements and the form
// controls, pressed with the mouse or, when they have the focus, with the keyboard.

#include <algorithm>

#include "ui/behavior.h"
#include "ui/html_window.h"

namespace vandrel::ui {

Behavior& commandBehavior();
Behavior& tabCommandBehavior();
Behavior& popupBehavior();
Behavior& dropdownBehavior();
Behavior& gridBehavior();
Behavior& sortableGridBehavior();

namespace {

// Press and release on the same element, released inside it: the click of buttons, check
// boxes, radio buttons, links and `clickable`. Presses already handled by an inner element
// are left to it.
bool trackClick(HtmlWindow& window, Element& self, MouseEvent& event,
                const std::function<void()>& clicked) {
    if ((event.buttons & MAIN_MOUSE_BUTTON) == 0) {
        return false;
    }
    if (event.type == MouseEventType::Down || event.type == MouseEventType::DoubleClick) {
        if (event.handled) {
            return false;
        }
        window.setCapture(&self);
        self.setState(STATE_PRESSED | STATE_ACTIVE);
        return true;
    }
    if (event.type == MouseEventType::Up && self.hasState(STATE_PRESSED)) {
        window.releaseCapture();
        self.setState(0, STATE_PRESSED | STATE_ACTIVE);
        if (insideBorderBox(event, self)) {
            clicked();
        }
        return true;
    }
    return false;
}

class Clickable : public Behavior {
  public:
    Clickable(std::string name, ControlType type, unsigned clickEvent = BUTTON_CLICK)
        : Behavior(std::move(name), HANDLE_MOUSE | HANDLE_KEY | HANDLE_FOCUS, type),
          clickEvent_(clickEvent) {}
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        return trackClick(window, self, event, [&] { clicked(window, self); });
    }
    bool onKey(HtmlWindow& window, Element& self, KeyEvent& event) override {
        if (!isPressKey(event, self,
                        clickEvent_ == HYPERLINK_CLICK ? PRESS_ENTER : PRESS_ENTER | PRESS_SPACE)) {
            return false;
        }
        clicked(window, self);
        return true;
    }

  private:
    void clicked(HtmlWindow& window, Element& self) const {
        window.sendBehaviorEvent(BehaviorEvent{clickEvent_, &self, &self, 0, false});
    }

    unsigned clickEvent_;
};

// The check boxes or radio buttons of one name under the same parent, in document order.
std::vector<Element*> group(Element& member) {
    std::string type = member.attribute("type");
    std::vector<Element*> out;
    Element* scope = member.parent() != nullptr ? member.parent() : &member;
    for (Element* e : scope->select("input")) {
        if (e->attribute("type") == type && e->attribute("name") == member.attribute("name")) {
            out.push_back(e);
        }
    }
    return out;
}

// The enabled and shown member of the radio button's group one step (1 or -1) from it, round
// the ends, or null when it has none.
Element* neighbour(Element& radio, int step) {
    std::vector<Element*> members = group(radio);
    const auto count = static_cast<std::ptrdiff_t>(members.size());
    std::ptrdiff_t index = std::find(members.begin(), members.end(), &radio) - members.begin();
    for (std::ptrdiff_t tried = 1; tried < count && index < count; ++tried) {
        index = (index + step + count) % count;
        Element* next = members[static_cast<std::size_t>(index)];
        if (!next->hasState(STATE_DISABLED) && next->isVisible()) {
            return next;
        }
    }
    return nullptr;
}

void stateClicked(HtmlWindow& window, Element& self) {
    window.sendBehaviorEvent(BehaviorEvent{BUTTON_STATE_CHANGED, &self, &self, 0, false});
    window.sendBehaviorEvent(BehaviorEvent{BUTTON_CLICK, &self, &self, 0, false});
}

class CheckBox : public Behavior {
  public:
    CheckBox()
        : Behavior("check", HANDLE_MOUSE | HANDLE_KEY | HANDLE_FOCUS, ControlType::Checkbox) {}
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        return trackClick(window, self, event, [&] { toggle(window, self); });
    }
    bool onKey(HtmlWindow& window, Element& self, KeyEvent& event) override {
        if (!isPressKey(event, self, PRESS_SPACE)) {
            return false;
        }
        toggle(window, self);
        return true;
    }

  private:
    static void toggle(HtmlWindow& window, Element& self) {
        if (self.hasState(STATE_CHECKED)) {
            self.setState(0, STATE_CHECKED);
        } else {
            self.setState(STATE_CHECKED);
        }
        stateClicked(window, self);
    }
};

// Space checks the focused radio button; the arrows check the previous or next enabled one of
// its group, round the ends, and take the focus there, as the desktop's radio groups do.
class RadioButton : public Behavior {
  public:
    RadioButton()
        : Behavior("radio", HANDLE_MOUSE | HANDLE_KEY | HANDLE_FOCUS, ControlType::Radio) {}
    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        return trackClick(window, self, event, [&] { check(window, self); });
    }
    bool onKey(HtmlWindow& window, Element& self, KeyEvent& event) override {
        if (isPressKey(event, self, PRESS_SPACE)) {
            check(window, self);
            return true;
        }
        const int step = event.keyCode == VK_LEFT || event.keyCode == VK_UP      ? -1
                         : event.keyCode == VK_RIGHT || event.keyCode == VK_DOWN ? 1
                                                                                 : 0;
        if (step == 0 || event.type != KeyEventType::Down || event.target != &self ||
            event.handled) {
            return false;
        }
        Element* next = neighbour(self, step);
        if (next == nullptr) {
            return false;
        }
        window.setFocus(next);
        check(window, *next);
        return true;
    }

  private:
    static void check(HtmlWindow& window, Element& self) {
        checkRadio(self);
        stateClicked(window, self);
    }
};

class PlainControl : public Behavior {
  public:
    PlainControl(std::string name, ControlType type)
        : Behavior(std::move(name), HANDLE_FOCUS, type) {}
};

std::vector<Behavior*>& registry() {
    static std::vector<Behavior*> list = [] {
        static Clickable clickable("clickable", ControlType::None);
        static Clickable button("button", ControlType::Button);
        static Clickable hyperlink("hyperlink", ControlType::Hyperlink, HYPERLINK_CLICK);
        static CheckBox check;
        static RadioButton radio;
        static PlainControl edit("edit", ControlType::Edit);
        static PlainControl password("password", ControlType::Password);
        static PlainControl number("number", ControlType::Numeric);
        static PlainControl textarea("textarea", ControlType::Textarea);
        static PlainControl select("select", ControlType::SelectSingle);
        static PlainControl ddSelect("dropdown-select", ControlType::DropdownSelect);
        static PlainControl hidden("hidden", ControlType::Unknown);
        static PlainControl htmlarea("htmlarea", ControlType::HtmlArea);
        // Registration order: each new one goes to the head, as the program's behaviours
        // did when their objects were constructed at start.
        std::vector<Behavior*> all = {&clickable,
                                      &button,
                                      &hyperlink,
                                      &check,
                                      &radio,
                                      &edit,
                                      &password,
                                      &number,
                                      &textarea,
                                      &select,
                                      &ddSelect,
                                      &hidden,
                                      &htmlarea,
                                      &commandBehavior(),
                                      &tabCommandBehavior(),
                                      &gridBehavior(),
                                      &sortableGridBehavior(),
                                      &dropdownBehavior(),
                                      &popupBehavior()};
        std::reverse(all.begin(), all.end());
        return all;
    }();
    return list;
}

}  // namespace

void checkRadio(Element& radio) {
    for (Element* e : group(radio)) {
        if (e != &radio) {
            e->setState(0, STATE_CHECKED);
        }
    }
    radio.setState(STATE_CHECKED);
}

std::vector<Element*> controlGroup(Element& member) {
    return group(member);
}

Behavior* findBehavior(std::string_view name) {
    for (Behavior* b : registry()) {
        if (b->name() == name) {
            return b;
        }
    }
    return nullptr;
}

void registerBehavior(Behavior& behavior) {
    auto& list = registry();
    list.insert(list.begin(), &behavior);
}

void unregisterBehavior(Behavior& behavior) {
    auto& list = registry();
    list.erase(std::remove(list.begin(), list.end(), &behavior), list.end());
}

bool isPressKey(const KeyEvent& event, const Element& self, unsigned keys) {
    const bool key = ((keys & PRESS_ENTER) != 0 && event.keyCode == VK_RETURN) ||
                     ((keys & PRESS_SPACE) != 0 && event.keyCode == VK_SPACE);
    return key && event.type == KeyEventType::Down && event.target == &self && !event.handled &&
           (event.modifiers & (CONTROL_KEY_PRESSED | ALT_KEY_PRESSED)) == 0;
}

void sendElementCommand(HtmlWindow& window, Element& element, std::string id) {
    // The receiving side kept the id in a buffer of 2048 wide characters with its terminator.
    if (id.size() > 2047) {
        id.resize(2047);
    }
    ElementCommand command{&window, window.controlId(), 1, std::move(id), &element};
    window.send(WM_ELEMENT_COMMAND, 1, reinterpret_cast<std::intptr_t>(&command));
}

}  // namespace vandrel::ui
