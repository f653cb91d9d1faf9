#pragma once
// A `sys-static` control drawn by its owner (the month calendar, the profile chart): the owner
// installs a painter, a mouse handler and, for a control that takes the keyboard's focus, a key
// handler; the control repaints on request and when its element is laid out at a new size.

#include <functional>

#include "ui/canvas.h"
#include "ui/controls.h"

namespace vandrel::ui {

class StaticControl : public Control {
  public:
    using Painter = std::function<void(Canvas&)>;
    // The mouse message (WM_LBUTTONDOWN and the others, WM_MOUSEMOVE, WM_MOUSEWHEEL,
    // WM_MOUSELEAVE) with the point relative to the control.
    using MouseHandler = std::function<void(const Message&)>;
    // A key going down while the control has the focus (WM_KEYDOWN: the virtual key code and
    // the modifier bits); true when the owner acted on it.
    using KeyHandler = std::function<bool(int keyCode, unsigned modifiers)>;

    StaticControl(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec);

    void setPainter(Painter painter);
    void setMouseHandler(MouseHandler handler) { mouse_ = std::move(handler); }
    void setKeyHandler(KeyHandler handler) { key_ = std::move(handler); }
    // Paints now and hands the drawing to the renderer.
    void invalidate();
    Rect clientRect() const;

    std::intptr_t handleMessage(const Message& message) override;
    void resized() override { invalidate(); }

  private:
    Painter painter_;
    MouseHandler mouse_;
    KeyHandler key_;
};

}  // namespace vandrel::ui
