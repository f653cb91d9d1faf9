#pragma once
// A window: the unit that receives messages and owns timers, as every page object of the
// program expects. Windows form a tree (a page inside the page host inside the main frame);
// a child window has a control id its parent knows it by.
//
// Messages posted to a window, and its timers, never reach it after it is destroyed: each
// window holds a token that the queued work checks first.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "ui/event_loop.h"
#include "ui/messages.h"

namespace vandrel::ui {

class Window {
  public:
    Window(EventLoop& loop, Window* parent, int controlId = 0);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The window's own handling of a message; the result goes back to send().
    virtual std::intptr_t handleMessage(const Message& message);

    // Delivers the message now and returns the handler's result.
    std::intptr_t send(MessageId id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Delivers the message later, from the loop, unless the window is gone by then.
    void post(MessageId id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // Starts the timer `id`, or changes its period when it runs already: the next tick then
    // comes one new period from now. Each tick is WM_TIMER with wParam = id.
    void setTimer(unsigned id, Milliseconds period);
    void killTimer(unsigned id);
    bool hasTimer(unsigned id) const { return timers_.count(id) != 0; }

    // A disabled window takes no user input; it still gets messages and timer ticks.
    void enable(bool enabled);
    bool isEnabled() const { return enabled_; }

    Window* parent() const { return parent_; }
    int controlId() const { return controlId_; }
    EventLoop& loop() const { return loop_; }

    // Expires when the window is destroyed; queued work holds it to know.
    std::weak_ptr<bool> aliveToken() const { return alive_; }

  private:
    EventLoop& loop_;
    Window* parent_;
    int controlId_;
    bool enabled_ = true;
    std::shared_ptr<bool> alive_;
    std::map<unsigned, TimerHandle> timers_;
};

}  // namespace vandrel::ui
