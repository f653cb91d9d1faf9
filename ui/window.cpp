#include "ui/window.h"

namespace vandrel::ui {

Window::Window(EventLoop& loop, Window* parent, int controlId)
    : loop_(loop), parent_(parent), controlId_(controlId), alive_(std::make_shared<bool>(true)) {}

Window::~Window() {
    *alive_ = false;
    for (auto& [id, handle] : timers_) {
        loop_.stopTimer(handle);
    }
}

std::intptr_t Window::handleMessage(const Message&) {
    return 0;
}

std::intptr_t Window::send(MessageId id, std::uintptr_t wParam, std::intptr_t lParam) {
    return handleMessage(Message{id, wParam, lParam});
}

void Window::post(MessageId id, std::uintptr_t wParam, std::intptr_t lParam) {
    std::weak_ptr<bool> alive = alive_;
    loop_.post([this, alive, id, wParam, lParam] {
        auto token = alive.lock();
        if (token && *token) {
            handleMessage(Message{id, wParam, lParam});
        }
    });
}

void Window::setTimer(unsigned id, Milliseconds period) {
    killTimer(id);
    std::weak_ptr<bool> alive = alive_;
    timers_[id] = loop_.startTimer(period, [this, alive, id] {
        auto token = alive.lock();
        if (token && *token) {
            handleMessage(Message{WM_TIMER, id, 0});
        }
    });
}

void Window::killTimer(unsigned id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) {
        loop_.stopTimer(it->second);
        timers_.erase(it);
    }
}

void Window::enable(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    send(WM_ENABLE, enabled ? 1 : 0, 0);
}

}  // namespace vandrel::ui
