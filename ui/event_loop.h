#pragma once
// The loop that runs posted work and timers. The program uses the GLib main loop
// (platform/gtk); tests use ManualEventLoop, whose clock moves only when the test advances it,
// so "advance 250 ms, see one playback step" is exact.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

namespace vandrel::ui {

using Milliseconds = std::chrono::milliseconds;
using TimerHandle = std::uint64_t;

class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // Time since the loop was made.
    virtual Milliseconds now() const = 0;
    // Runs the task later on this thread, after every task posted before it.
    virtual void post(std::function<void()> task) = 0;
    // A repeating timer; the first tick comes one period from now. Never returns 0.
    virtual TimerHandle startTimer(Milliseconds period, std::function<void()> tick) = 0;
    // Stopping an unknown or already stopped timer does nothing.
    virtual void stopTimer(TimerHandle timer) = 0;
};

class ManualEventLoop final : public EventLoop {
  public:
    Milliseconds now() const override { return now_; }
    void post(std::function<void()> task) override;
    TimerHandle startTimer(Milliseconds period, std::function<void()> tick) override;
    void stopTimer(TimerHandle timer) override;

    // Runs posted tasks (including those they post) until none is left; returns how many ran.
    std::size_t runPending();
    // Moves the clock forward, firing every timer that falls due in order of due time (timers
    // due at the same moment in the order they were started), and running the posted tasks
    // after each tick.
    void advance(Milliseconds span);

    std::size_t pendingTasks() const { return tasks_.size(); }
    std::size_t activeTimers() const { return timers_.size(); }

  private:
    struct Timer {
        Milliseconds period;
        Milliseconds due;
        std::function<void()> tick;
    };

    Milliseconds now_{0};
    std::deque<std::function<void()>> tasks_;
    std::map<TimerHandle, Timer> timers_;
    TimerHandle nextTimer_ = 1;
};

}  // namespace vandrel::ui
