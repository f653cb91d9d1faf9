#include "platform/gtk/glib_event_loop.h"

#include <utility>

namespace vandrel::gtk {

struct GlibEventLoop::Timer {
    GlibEventLoop* loop;
    ui::TimerHandle handle;
    guint source;
    std::function<void()> tick;
};

GlibEventLoop::GlibEventLoop()
    : start_(g_get_monotonic_time()), alive_(std::make_shared<bool>(true)) {}

GlibEventLoop::~GlibEventLoop() {
    *alive_ = false;
    for (auto& [handle, timer] : timers_) {
        g_source_remove(timer->source);
    }
}

ui::Milliseconds GlibEventLoop::now() const {
    return ui::Milliseconds((g_get_monotonic_time() - start_) / 1000);
}

void GlibEventLoop::post(std::function<void()> task) {
    struct Posted {
        std::function<void()> task;
        std::weak_ptr<bool> alive;
    };
    auto* posted = new Posted{std::move(task), alive_};
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* p = static_cast<Posted*>(data);
            auto alive = p->alive.lock();
            if (alive && *alive) {
                p->task();
            }
            return G_SOURCE_REMOVE;
        },
        posted, [](gpointer data) { delete static_cast<Posted*>(data); });
}

gboolean GlibEventLoop::fire(gpointer data) {
    auto* timer = static_cast<Timer*>(data);
    // The tick may stop this very timer, so it runs from a copy.
    auto tick = timer->tick;
    tick();
    return G_SOURCE_CONTINUE;
}

ui::TimerHandle GlibEventLoop::startTimer(ui::Milliseconds period, std::function<void()> tick) {
    auto timer = std::make_unique<Timer>(Timer{this, next_++, 0, std::move(tick)});
    guint interval = period.count() < 1 ? 1u : static_cast<guint>(period.count());
    timer->source = g_timeout_add(interval, &GlibEventLoop::fire, timer.get());
    ui::TimerHandle handle = timer->handle;
    timers_[handle] = std::move(timer);
    return handle;
}

void GlibEventLoop::stopTimer(ui::TimerHandle handle) {
    auto it = timers_.find(handle);
    if (it == timers_.end()) {
        return;
    }
    g_source_remove(it->second->source);
    // A timer stopped from inside its own tick is freed after the tick returns.
    auto timer = std::move(it->second);
    timers_.erase(it);
    post([t = std::shared_ptr<Timer>(std::move(timer))] {});
}

}  // namespace vandrel::gtk
