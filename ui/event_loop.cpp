#include "ui/event_loop.h"

#include <utility>

namespace vandrel::ui {

void ManualEventLoop::post(std::function<void()> task) {
    tasks_.push_back(std::move(task));
}

TimerHandle ManualEventLoop::startTimer(Milliseconds period, std::function<void()> tick) {
    // A zero period would fire forever within one advance; the platform loop treats it as the
    // shortest period too.
    if (period < Milliseconds(1)) {
        period = Milliseconds(1);
    }
    TimerHandle handle = nextTimer_++;
    timers_[handle] = Timer{period, now_ + period, std::move(tick)};
    return handle;
}

void ManualEventLoop::stopTimer(TimerHandle timer) {
    timers_.erase(timer);
}

std::size_t ManualEventLoop::runPending() {
    std::size_t ran = 0;
    while (!tasks_.empty()) {
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        task();
        ++ran;
    }
    return ran;
}

void ManualEventLoop::advance(Milliseconds span) {
    const Milliseconds end = now_ + span;
    runPending();
    for (;;) {
        // Handles grow with start order, so the first of equal due times is the oldest timer.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end &&
                (next == timers_.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        now_ = next->second.due;
        next->second.due += next->second.period;
        // The tick may stop or restart its own timer, so it runs from a copy.
        auto tick = next->second.tick;
        tick();
        runPending();
    }
    now_ = end;
}

}  // namespace vandrel::ui
