#include "ui/static_control.h"

#include "ui/document.h"
#include "ui/html_window.h"

namespace vandrel::ui {

StaticControl::StaticControl(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec)
    : Control(owner, element, std::move(widgetSpec)) {}

void StaticControl::setPainter(Painter painter) {
    painter_ = std::move(painter);
    invalidate();
}

Rect StaticControl::clientRect() const {
    Element* e = element();
    Rect r = e != nullptr ? e->location() : Rect{};
    return Rect{0, 0, r.width(), r.height()};
}

void StaticControl::invalidate() {
    Element* e = element();
    if (e == nullptr || !painter_) {
        return;
    }
    Rect client = clientRect();
    Canvas canvas(client.width(), client.height(), widgetIdPrefix(e->uid()) + '-');
    painter_(canvas);
    e->document().notify(Change{Change::Kind::WidgetContent, e->uid(), "static", canvas.svg()});
}

std::intptr_t StaticControl::handleMessage(const Message& message) {
    if ((message.id >= WM_MOUSEMOVE && message.id <= WM_RBUTTONUP) || message.id == WM_MOUSEWHEEL ||
        message.id == WM_MOUSELEAVE) {
        if (mouse_ && isEnabled()) {
            mouse_(message);
        }
        return 0;
    }
    if (message.id == WM_KEYDOWN) {
        return key_ && isEnabled() &&
                       key_(static_cast<int>(message.wParam), static_cast<unsigned>(message.lParam))
                   ? 1
                   : 0;
    }
    return Control::handleMessage(message);
}

}  // namespace vandrel::ui
