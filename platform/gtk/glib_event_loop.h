#pragma once
// The program's event loop: posted work and window timers run on the GLib main loop, so they
// interleave with GTK's input and WebKit's callbacks on the one UI thread.

#include <glib.h>

#include <map>
#include <memory>

#include "ui/event_loop.h"

namespace vandrel::gtk {

class GlibEventLoop final : public ui::EventLoop {
  public:
    GlibEventLoop();
    ~GlibEventLoop() override;

    ui::Milliseconds now() const override;
    void post(std::function<void()> task) override;
    ui::TimerHandle startTimer(ui::Milliseconds period, std::function<void()> tick) override;
    void stopTimer(ui::TimerHandle timer) override;

  private:
    struct Timer;
    static gboolean fire(gpointer data);

    gint64 start_;
    std::map<ui::TimerHandle, std::unique_ptr<Timer>> timers_;
    ui::TimerHandle next_ = 1;
    std::shared_ptr<bool> alive_;
};

}  // namespace vandrel::gtk
