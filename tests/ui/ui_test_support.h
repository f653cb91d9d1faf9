#pragma once
// A page window that records the commands and notifications it receives, and helpers that
// press and release the mouse on elements whose locations a test has set.

#include <string>
#include <vector>

#include "ui/behavior.h"
#include "ui/html_window.h"
#include "ui/list_view.h"

namespace vandrel::testing {

class RecordingPage : public ui::HtmlWindow {
  public:
    explicit RecordingPage(ui::EventLoop& loop) : HtmlWindow(loop) {}
    std::intptr_t handleMessage(const ui::Message& m) override {
        if (m.id == ui::WM_ELEMENT_COMMAND) {
            auto* command = reinterpret_cast<const ui::ElementCommand*>(m.lParam);
            commands.push_back(command->id);
        } else if (m.id == ui::WM_NOTIFY) {
            auto* n = reinterpret_cast<const ui::ListNotify*>(m.lParam);
            notifications.push_back({n->code, n->item});
            columns.push_back(n->subItem);
        } else {
            messages.push_back(m.id);
        }
        return 0;
    }
    std::vector<std::string> commands;
    std::vector<std::pair<int, int>> notifications;
    std::vector<int> columns;  // the column of each notification, or -1
    std::vector<ui::MessageId> messages;
};

inline ui::Element& byId(ui::HtmlWindow& w, const std::string& id) {
    ui::Element* e = w.document().selectFirst("#" + id);
    if (e == nullptr) {
        throw std::runtime_error("no element " + id);
    }
    return *e;
}

inline void mouse(ui::HtmlWindow& w, ui::Element& target, ui::MouseEventType type, ui::Point at,
                  unsigned buttons = ui::MAIN_MOUSE_BUTTON, unsigned modifiers = 0) {
    ui::MouseEvent e;
    e.type = type;
    e.pos = at;
    e.target = &target;
    e.buttons = buttons;
    e.modifiers = modifiers;
    w.dispatchMouse(e);
}

// Press and release in the middle of the element.
inline void click(ui::HtmlWindow& w, ui::Element& target, unsigned modifiers = 0) {
    ui::Rect r = target.location();
    ui::Point mid{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    mouse(w, target, ui::MouseEventType::Down, mid, ui::MAIN_MOUSE_BUTTON, modifiers);
    mouse(w, target, ui::MouseEventType::Up, mid, ui::MAIN_MOUSE_BUTTON, modifiers);
}

}  // namespace vandrel::testing
