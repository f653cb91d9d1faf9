#pragma once
// Behaviours: named event handling attached to elements by the CSS property `behavior`. The
// registry is a list searched by exact, case-sensitive name; the program's own behaviours
// (command, tabcommand, popup, dropdown, grid, sortable-grid) and the built-in ones of the
// form controls are registered from the start.

#include <string>
#include <string_view>
#include <vector>

#include "ui/element.h"
#include "ui/events.h"

namespace vandrel::ui {
class HtmlWindow;
}

namespace vandrel::ui {

class Behavior : public EventHandler {
  public:
    Behavior(std::string name, unsigned mask, ControlType type = ControlType::None)
        : name_(std::move(name)), mask_(mask), type_(type) {}

    const std::string& name() const { return name_; }
    unsigned mask() const { return mask_; }
    ControlType controlType() const { return type_; }

  private:
    std::string name_;
    unsigned mask_;
    ControlType type_;
};

// The behaviour registered under exactly this name, or null.
Behavior* findBehavior(std::string_view name);
// Adds a behaviour at the head of the registry (it wins over an older one of the same name).
// The registry does not own it; it must live as long as any element uses it.
void registerBehavior(Behavior& behavior);
// Removes that behaviour object from the registry.
void unregisterBehavior(Behavior& behavior);

// The record whose address WM_ELEMENT_COMMAND carries in lParam; it lives only for the
// synchronous send. The id is at most 2047 characters.
struct ElementCommand {
    Window* window = nullptr;
    int controlId = 0;
    int flag = 1;
    std::string id;
    Element* element = nullptr;
};

// Checks the radio button and clears the others of its group.
void checkRadio(Element& radio);
// The check boxes or radio buttons with the member's type and name under its parent, in
// document order.
std::vector<Element*> controlGroup(Element& member);

// Sends WM_ELEMENT_COMMAND for the element with the given id text to the element's window.
void sendElementCommand(HtmlWindow& window, Element& element, std::string id);

// The keys that press the focused element as a click presses it: Enter and Space for buttons,
// tabs and the pages' clickable elements, Space alone for check boxes and radio buttons, Enter
// alone for links.
inline constexpr unsigned PRESS_ENTER = 0x1;
inline constexpr unsigned PRESS_SPACE = 0x2;
// Whether the event is one of those keys going down on the element itself (the focused one,
// not an element inside it), without Ctrl or Alt, and not handled yet.
bool isPressKey(const KeyEvent& event, const Element& self,
                unsigned keys = PRESS_ENTER | PRESS_SPACE);

}  // namespace vandrel::ui
