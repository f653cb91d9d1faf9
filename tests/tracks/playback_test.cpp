// The playback state machine on the manual loop: which points it shows, at which pace, and
// where it stops.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tracks/playback.h"
#include "ui/window.h"

namespace vandrel::tracks {
namespace {

using ui::Milliseconds;
using Points = std::vector<int>;

// Stands for the page: owns timer 1000, hands its ticks on, records the points shown.
class Player : public ui::Window {
  public:
    explicit Player(ui::ManualEventLoop& loop) : ui::Window(loop, nullptr), loop_(loop) {}
    std::intptr_t handleMessage(const ui::Message& message) override {
        if (message.id == ui::WM_TIMER && message.wParam == Playback::kTimer) {
            playback.tick();
        }
        return 0;
    }
    Points after(int ms) {
        loop_.advance(Milliseconds(ms));
        return std::exchange(shown, {});
    }
    bool stoppedAtStart() const {
        return playback.mode() == Playback::Mode::Stopped && playback.position() == 0 &&
               !hasTimer(Playback::kTimer);
    }

    ui::ManualEventLoop& loop_;
    Points shown;
    bool pointsThere = true;
    Playback playback{*this, [this](int index) {
                          if (pointsThere) {
                              shown.push_back(index);
                          }
                          return pointsThere;
                      }};
};

TEST(Playback, PlayForwardAndBackShowEveryPointAtTheirPaceThenStopAtTheStart) {
    ui::ManualEventLoop loop;
    Player p(loop);
    p.playback.reset(3);
    p.playback.play();
    EXPECT_EQ(p.after(249), Points{});
    EXPECT_EQ(p.after(251), (Points{0, 1}));
    p.playback.back();  // turning round shows the point again
    EXPECT_EQ(p.after(200), (Points{1, 0}));
    EXPECT_EQ(p.after(100), Points{});  // the car stays where it is
    EXPECT_TRUE(p.stoppedAtStart());

    p.playback.back();  // from the start: from the end
    EXPECT_EQ(p.after(300), (Points{2, 1, 0}));
    p.playback.forward();
    EXPECT_EQ(p.after(400), (Points{0, 1, 2}));
    EXPECT_TRUE(p.stoppedAtStart());
}

TEST(Playback, PauseKeepsThePlaceStopShowsTheFirstPointAndShortTracksEndAtOnce) {
    ui::ManualEventLoop loop;
    Player p(loop);
    p.playback.reset(4);
    p.playback.forward();
    EXPECT_EQ(p.after(200), (Points{0, 1}));
    p.playback.pause();
    EXPECT_EQ(p.after(1000), Points{});
    p.playback.play();
    EXPECT_EQ(p.after(249), Points{});
    EXPECT_EQ(p.after(1), (Points{2}));

    p.playback.reset(1);
    p.playback.stop();  // never played
    p.playback.play();
    EXPECT_EQ(p.after(500), (Points{0, 0}));
    EXPECT_TRUE(p.stoppedAtStart());

    p.playback.reset(0);
    p.playback.play();
    EXPECT_EQ(p.after(250), Points{});
    EXPECT_TRUE(p.stoppedAtStart());
    p.playback.stop();
    p.playback.back();
    EXPECT_EQ(p.after(100), Points{});
    EXPECT_TRUE(p.stoppedAtStart());
}

// A second press of fast forward goes ten points a step, a third a hundred, and no further; the
// last point shows before the end stops it.
TEST(Playback, FastForwardPressedAgainGoesFasterAndEndsOnTheLastPoint) {
    ui::ManualEventLoop loop;
    Player p(loop);
    p.playback.reset(250);
    p.playback.forward();
    EXPECT_EQ(p.after(200), (Points{0, 1}));
    p.playback.forward();
    EXPECT_EQ(p.after(200), (Points{11, 21}));
    p.playback.forward();
    p.playback.forward();
    EXPECT_EQ(p.playback.forwardSpeed(), 3);
    EXPECT_EQ(Playback::pointsPerSecond(3), 1000);
    EXPECT_EQ(p.after(300), (Points{121, 221, 249}));
    EXPECT_EQ(p.after(100), Points{});
    EXPECT_TRUE(p.stoppedAtStart());
    p.playback.forward();  // from the stop: the first speed again
    EXPECT_EQ(p.playback.forwardSpeed(), 1);
}

TEST(Playback, APointThatWentAwayStopsThePlayback) {
    ui::ManualEventLoop loop;
    Player p(loop);
    p.playback.reset(5);
    p.playback.forward();
    p.pointsThere = false;
    p.after(100);
    EXPECT_TRUE(p.stoppedAtStart());
}

}  // namespace
}  // namespace vandrel::tracks
