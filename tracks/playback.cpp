#include "tracks/playback.h"

#include <algorithm>
#include <utility>

#include "ui/window.h"

namespace vandrel::tracks {

Playback::Playback(ui::Window& timers, std::function<bool(int index)> showPoint)
    : timers_(timers), showPoint_(std::move(showPoint)) {}

namespace {

int strideOf(int speed) {
    return speed >= 3 ? 100 : speed == 2 ? 10 : 1;
}

}  // namespace

int Playback::pointsPerSecond(int speed) {
    return strideOf(speed) * 1000 / static_cast<int>(kFastPeriod.count());
}

void Playback::reset(int pointCount) {
    timers_.killTimer(kTimer);
    mode_ = Mode::Stopped;
    speed_ = stride_ = 1;
    count_ = pointCount < 0 ? 0 : pointCount;
    position_ = 0;
}

void Playback::back() {
    mode_ = Mode::Back;
    stride_ = 1;
    if (position_ == 0) {
        position_ = count_;
    }
    timers_.setTimer(kTimer, kFastPeriod);
}

void Playback::play() {
    mode_ = Mode::Play;
    stride_ = 1;
    timers_.setTimer(kTimer, kPlayPeriod);
}

void Playback::pause() {
    mode_ = Mode::Pause;
}

void Playback::forward() {
    // Each press while it runs goes faster, up to the fastest.
    speed_ = mode_ == Mode::Forward ? std::min(speed_ + 1, kForwardSpeeds) : 1;
    stride_ = strideOf(speed_);
    mode_ = Mode::Forward;
    timers_.setTimer(kTimer, kFastPeriod);
}

void Playback::stop() {
    reset(count_);
    if (count_ > 0) {
        showPoint_(0);
    }
}

// Forwards the position counts the points shown so far, so the point shown is the one before
// it; backwards it is the point itself.
void Playback::tick() {
    int index = -1;
    switch (mode_) {
        case Mode::Pause:
            return;
        case Mode::Back:
            --position_;
            index = position_;
            break;
        case Mode::Play:
        case Mode::Forward:
            // A long stride ends on the last point before it runs off the end.
            position_ = position_ >= count_ ? count_ + 1 : std::min(position_ + stride_, count_);
            index = position_ <= count_ ? position_ - 1 : -1;
            break;
        case Mode::Stopped:
            break;
    }
    if (index >= 0 && showPoint_(index)) {
        return;
    }
    // Past either end, stopped, or the point went away: rewind; the car stays where it is.
    reset(count_);
}

}  // namespace vandrel::tracks
