#pragma once
// Element events. Each travels from its target up to the root through every behaviour of each
// element, then to the window's handler. A handler that acts returns true; the event's handled
// flag is then set and every later handler still sees the event with the flag (a popup hides on
// a release its child already handled).

#include <cstdint>

#include "ui/geometry.h"

namespace vandrel::ui {

class Element;
class HtmlWindow;

// Event groups a behaviour subscribes to.
inline constexpr unsigned HANDLE_MOUSE = 0x1;
inline constexpr unsigned HANDLE_KEY = 0x2;
inline constexpr unsigned HANDLE_FOCUS = 0x4;
inline constexpr unsigned HANDLE_BEHAVIOR_EVENT = 0x100;

inline constexpr unsigned MAIN_MOUSE_BUTTON = 0x1;
inline constexpr unsigned PROP_MOUSE_BUTTON = 0x2;
inline constexpr unsigned MIDDLE_MOUSE_BUTTON = 0x4;

inline constexpr unsigned CONTROL_KEY_PRESSED = 0x1;
inline constexpr unsigned SHIFT_KEY_PRESSED = 0x2;
inline constexpr unsigned ALT_KEY_PRESSED = 0x4;

// Virtual key codes of the keys the behaviours use.
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_DELETE = 0x2E;

enum class MouseEventType { Enter, Leave, Move, Up, Down, DoubleClick, Wheel };

// Enter and Leave are the window's own: it sends them to each element the pointer comes onto or
// goes off (the element's behaviours and the window's handler see them; its ancestors do not),
// as the moves report where the pointer is. A Leave whose target is null from the renderer
// means the pointer left the window. A Wheel carries the turn in `wheelDelta`.
struct MouseEvent {
    MouseEventType type = MouseEventType::Move;
    Point pos;                             // document coordinates
    unsigned buttons = MAIN_MOUSE_BUTTON;  // for a move or a wheel: the buttons held, or 0
    unsigned modifiers = 0;
    Element* target = nullptr;
    int wheelDelta = 0;  // WHEEL_DELTA (120) per notch, positive away from the user
    bool handled = false;
};

inline constexpr int WHEEL_DELTA = 120;

// The point relative to the element's border box, and whether it lies inside it.
Point pointIn(const MouseEvent& event, const Element& element);
bool insideBorderBox(const MouseEvent& event, const Element& element);

enum class KeyEventType { Down, Up, Char };

struct KeyEvent {
    KeyEventType type = KeyEventType::Down;
    int keyCode = 0;
    unsigned modifiers = 0;
    Element* target = nullptr;
    bool handled = false;
};

struct FocusEvent {
    bool gotFocus = true;
    Element* target = nullptr;
    Element* other = nullptr;  // the element gaining focus when the target loses it
    bool handled = false;
};

// Behaviour event codes.
inline constexpr unsigned BUTTON_CLICK = 0;
inline constexpr unsigned BUTTON_PRESS = 1;
inline constexpr unsigned BUTTON_STATE_CHANGED = 2;
inline constexpr unsigned EDIT_VALUE_CHANGING = 3;
inline constexpr unsigned EDIT_VALUE_CHANGED = 4;
inline constexpr unsigned SELECT_SELECTION_CHANGED = 5;
inline constexpr unsigned SELECT_STATE_CHANGED = 6;
inline constexpr unsigned POPUP_REQUEST = 7;
inline constexpr unsigned POPUP_READY = 8;
inline constexpr unsigned POPUP_DISMISSED = 9;
inline constexpr unsigned HYPERLINK_CLICK = 0x80;
inline constexpr unsigned TABLE_HEADER_CLICK = 0x81;
inline constexpr unsigned TABLE_ROW_CLICK = 0x82;
inline constexpr unsigned TABLE_ROW_DBL_CLICK = 0x83;

struct BehaviorEvent {
    unsigned type = BUTTON_CLICK;
    Element* target = nullptr;  // where the event travels from
    Element* source = nullptr;  // the element that caused it
    std::intptr_t reason = 0;
    bool handled = false;
};

// What behaviours and windows implement. `self` is the element the handler sits on (the root
// for a window's handler).
class EventHandler {
  public:
    virtual ~EventHandler() = default;
    virtual bool onMouse(HtmlWindow&, Element&, MouseEvent&) { return false; }
    virtual bool onKey(HtmlWindow&, Element&, KeyEvent&) { return false; }
    virtual bool onFocus(HtmlWindow&, Element&, FocusEvent&) { return false; }
    virtual bool onBehaviorEvent(HtmlWindow&, Element&, BehaviorEvent&) { return false; }
};

}  // namespace vandrel::ui
