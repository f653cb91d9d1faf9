#pragma once
// The "Loading" animation of the busy window: four texts, one step every 500 ms on timer 1000
// of its window, so a full cycle takes two seconds. The platform draws the text it is given
// over the background artwork.

#include <functional>
#include <string>

#include "ui/window.h"

namespace vandrel::app {

inline constexpr unsigned BUSY_TIMER = 1000;
inline constexpr ui::Milliseconds kBusyStep{500};

// "Loading" followed by step (0..3) dots.
std::string busyText(int step);

class BusyAnimation : public ui::Window {
  public:
    using Draw = std::function<void(const std::string& text)>;
    BusyAnimation(ui::EventLoop& loop, Draw draw)
        : ui::Window(loop, nullptr), draw_(std::move(draw)) {}

    // Shows "Loading" and starts the steps.
    void start();
    void stop();
    bool running() const { return hasTimer(BUSY_TIMER); }
    const std::string& text() const { return text_; }

    std::intptr_t handleMessage(const ui::Message& message) override;

  private:
    void show();

    Draw draw_;
    int step_ = 0;
    std::string text_;
};

}  // namespace vandrel::app
