#include <gtest/gtest.h>

#include <memory>

#include "ui/event_loop.h"
#include "ui/window.h"

namespace vandrel::ui {
namespace {

using namespace std::chrono_literals;

class Recorder : public Window {
  public:
    explicit Recorder(EventLoop& loop) : Window(loop, nullptr) {}
    std::intptr_t handleMessage(const Message& m) override {
        log.push_back({m.id, m.wParam, loop().now().count()});
        return static_cast<std::intptr_t>(m.wParam) * 2;
    }
    struct Entry {
        MessageId id;
        std::uintptr_t w;
        long long at;
    };
    std::vector<Entry> log;
};

TEST(ManualLoop, TimersFireInDueOrderAndPostedMessagesRunBetweenTicks) {
    ManualEventLoop loop;
    Recorder w(loop);
    w.setTimer(1000, 250ms);
    w.setTimer(7, 100ms);
    w.post(2031, 5);
    loop.advance(500ms);
    std::vector<std::pair<std::uintptr_t, long long>> seen;
    for (auto& e : w.log) {
        seen.push_back({e.id == WM_TIMER ? e.w : 9999, e.at});
    }
    std::vector<std::pair<std::uintptr_t, long long>> expected = {
        {9999, 0}, {7, 100}, {7, 200}, {1000, 250}, {7, 300}, {7, 400}, {1000, 500}, {7, 500}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(loop.now(), 500ms);
}

TEST(ManualLoop, SettingATimerAgainChangesItsPeriodAndKillStopsIt) {
    ManualEventLoop loop;
    Recorder w(loop);
    w.setTimer(1000, 250ms);
    loop.advance(100ms);
    w.setTimer(1000, 100ms);  // the next tick is one new period from now
    loop.advance(250ms);
    ASSERT_EQ(w.log.size(), 2u);
    EXPECT_EQ(w.log[0].at, 200);
    EXPECT_EQ(w.log[1].at, 300);
    w.killTimer(1000);
    loop.advance(1000ms);
    EXPECT_EQ(w.log.size(), 2u);
    EXPECT_FALSE(w.hasTimer(1000));
    EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST(ManualLoop, NothingReachesADestroyedWindow) {
    ManualEventLoop loop;
    auto w = std::make_unique<Recorder>(loop);
    w->post(2031);
    w->setTimer(1, 10ms);
    w.reset();
    loop.advance(100ms);  // would touch freed memory under the sanitizer if delivered
    EXPECT_EQ(loop.pendingTasks(), 0u);
    EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST(ManualLoop, SendIsSynchronousAndDisablingIsAnnounced) {
    ManualEventLoop loop;
    Recorder w(loop);
    EXPECT_EQ(w.send(1124, 21), 42);
    w.enable(false);
    w.enable(false);
    EXPECT_FALSE(w.isEnabled());
    ASSERT_EQ(w.log.size(), 2u);
    EXPECT_EQ(w.log[1].id, WM_ENABLE);
    EXPECT_EQ(w.log[1].w, 0u);
}

TEST(ManualLoop, ATickThatStopsItsOwnTimerEndsIt) {
    ManualEventLoop loop;
    int ticks = 0;
    TimerHandle h = 0;
    h = loop.startTimer(10ms, [&] {
        if (++ticks == 3) {
            loop.stopTimer(h);
        }
    });
    loop.advance(1000ms);
    EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace vandrel::ui
