#include "tracks/playback.h"

#include <utility>

#include "ui/window.h"

namespace vandrel::tracks {

Playback::Playback(ui::Window& timers, std::function<bool(int index)> showPoint)
    : timers_(timers), showPoint_(std::move(showPoint)) {}

void Playback::reset(int pointCount) {
    timers_.killTimer(kTimer);
    mode_ = Mode::Stopped;
    count_ = pointCount < 0 ? 0 : pointCount;
    position_ = 0;
}

void Playback::back() {
    mode_ = Mode::Back;
    if (position_ == 0) {
        position_ = count_;
    }
    timers_.setTimer(kTimer, kFastPeriod);
}

void Playback::play() {
    mode_ = Mode::Play;
    timers_.setTimer(kTimer, kPlayPeriod);
}

void Playback::pause() {
    mode_ = Mode::Pause;
}

void Playback::forward() {
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
            ++position_;
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
