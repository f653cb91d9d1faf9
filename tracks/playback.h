#pragma once
// Replaying the shown track on the map: a car moves from point to point, stepped by the page's
// timer 1000. Play steps every 250 ms, fast forward and back every 100 ms; pause keeps the timer
// running and lets its ticks pass. Fast forward pressed again while it runs goes ten times as
// far a step, and pressed a third time a hundred times: a track of 50,000 points takes under a
// minute. Running off either end stops and rewinds to the first point while the car stays where
// it was last put.
//
// The model knows only the number of points and the position; the page shows a point (on the
// map) when the model asks, routes its WM_TIMER 1000 to tick() and resets the model whenever
// another track is shown or the display is cleared.

#include <functional>

#include "ui/event_loop.h"

namespace vandrel::ui {
class Window;
}

namespace vandrel::tracks {

class Playback {
  public:
    enum class Mode { Back = 1, Play = 2, Pause = 3, Forward = 4, Stopped = 5 };

    static constexpr unsigned kTimer = 1000;
    static constexpr ui::Milliseconds kPlayPeriod{250};
    static constexpr ui::Milliseconds kFastPeriod{100};
    static constexpr int kForwardSpeeds = 3;

    // `timers` owns timer 1000. `showPoint` puts the car on a point, 0 <= index < pointCount,
    // and answers false when that point is no longer there: the playback then stops.
    Playback(ui::Window& timers, std::function<bool(int index)> showPoint);

    // Another track (of `pointCount` points) or none: stopped at the first point.
    void reset(int pointCount);

    void back();
    void play();
    void pause();
    void forward();
    // Stops, rewinds and puts the car on the first point when there is one.
    void stop();
    // One tick of timer 1000.
    void tick();

    Mode mode() const { return mode_; }
    // 1 to kForwardSpeeds while fast forward runs, else 0.
    int forwardSpeed() const { return mode_ == Mode::Forward ? speed_ : 0; }
    // The points a second fast forward shows at that speed: 10, 100 or 1,000.
    static int pointsPerSecond(int speed);
    // 0 ... pointCount: how far playing forwards has come, the next point backwards.
    int position() const { return position_; }
    int pointCount() const { return count_; }

  private:
    ui::Window& timers_;
    std::function<bool(int)> showPoint_;
    Mode mode_ = Mode::Stopped;
    int count_ = 0;
    int position_ = 0;
    int speed_ = 1;
    int stride_ = 1;  // the points a tick goes forwards
};

}  // namespace vandrel::tracks
