#include "app/busy_indicator.h"

#include "ui/messages.h"

namespace vandrel::app {

std::string busyText(int step) {
    return "Loading" + std::string(static_cast<std::size_t>(step % 4), '.');
}

void BusyAnimation::start() {
    step_ = 0;
    show();
    setTimer(BUSY_TIMER, kBusyStep);
}

void BusyAnimation::stop() {
    killTimer(BUSY_TIMER);
}

std::intptr_t BusyAnimation::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_TIMER && message.wParam == BUSY_TIMER) {
        step_ = (step_ + 1) % 4;
        show();
        return 0;
    }
    return ui::Window::handleMessage(message);
}

void BusyAnimation::show() {
    text_ = busyText(step_);
    if (draw_) {
        draw_(text_);
    }
}

}  // namespace vandrel::app
