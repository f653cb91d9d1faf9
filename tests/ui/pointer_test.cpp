// The pointer beyond presses: hover with Enter and Leave as the moves report it, moves under a
// capture, and the moves, wheel turns and leaves a drawn control's owner receives.

#include <gtest/gtest.h>

#include "platform/headless/headless_renderer.h"
#include "ui/behavior.h"
#include "ui/static_control.h"
#include "ui/ui_test_support.h"

namespace vandrel::ui {
namespace {

using testing::byId;
using testing::mouse;
using testing::RecordingPage;

const char* typeName(MouseEventType t) {
    switch (t) {
        case MouseEventType::Enter:
            return "enter";
        case MouseEventType::Leave:
            return "leave";
        case MouseEventType::Move:
            return "move";
        default:
            return "other";
    }
}

// Records what reaches the elements it sits on, as "self:type:target".
class Tracer : public Behavior {
  public:
    Tracer() : Behavior("pointer-trace", HANDLE_MOUSE) { registerBehavior(*this); }
    ~Tracer() override { unregisterBehavior(*this); }
    bool onMouse(HtmlWindow&, Element& self, MouseEvent& e) override {
        log.push_back(self.attribute("id") + ":" + typeName(e.type) + ":" +
                      (e.target != nullptr ? e.target->attribute("id") : "-"));
        return false;
    }
    std::vector<std::string> log;
};

// The window's handler: sees every Enter and Leave, and may change the page on one.
class PageHandler : public EventHandler {
  public:
    bool onMouse(HtmlWindow& w, Element&, MouseEvent& e) override {
        if (e.type == MouseEventType::Enter || e.type == MouseEventType::Leave) {
            seen.push_back(std::string(typeName(e.type)) + ":" + e.target->attribute("id"));
        }
        if (onEnter && e.type == MouseEventType::Enter) {
            onEnter(w, *e.target);
        }
        return false;
    }
    std::vector<std::string> seen;
    std::function<void(HtmlWindow&, Element&)> onEnter;
};

void leaveWindow(HtmlWindow& page) {
    MouseEvent e;
    e.type = MouseEventType::Leave;
    page.dispatchMouse(e);
}

class Hover : public ::testing::Test {
  protected:
    void SetUp() override {
        page.setHandler(&handler);
        page.loadHtml(R"(<style>.t { behavior: pointer-trace }</style>
            <div id=a class=t><span id=b class=t>x</span></div><div id=c class=t></div>
            <div id=cmd style="behavior: command"></div>)");
        a = &byId(page, "a");
        b = &byId(page, "b");
        c = &byId(page, "c");
    }
    ManualEventLoop loop;
    Tracer tracer;
    PageHandler handler;
    RecordingPage page{loop};
    Element* a = nullptr;
    Element* b = nullptr;
    Element* c = nullptr;
};

TEST_F(Hover, EnterAndLeaveGoToEachElementTheMovesCrossOnlyOnce) {
    mouse(page, *b, MouseEventType::Move, Point{1, 1}, 0);
    // Outermost first, each to its own element: a does not see b's Enter.
    EXPECT_EQ(tracer.log,
              (std::vector<std::string>{"a:enter:a", "b:enter:b", "b:move:b", "a:move:b"}));
    EXPECT_TRUE(a->hasState(STATE_HOVER) && b->hasState(STATE_HOVER));
    EXPECT_TRUE(page.document().body()->hasState(STATE_HOVER));
    EXPECT_EQ(page.hover(), b);
    EXPECT_EQ(page.document().selectFirst("#a > :hover"), b);

    tracer.log.clear();
    mouse(page, *b, MouseEventType::Move, Point{2, 1}, 0);
    EXPECT_EQ(tracer.log, (std::vector<std::string>{"b:move:b", "a:move:b"}));

    tracer.log.clear();
    handler.seen.clear();
    mouse(page, *c, MouseEventType::Move, Point{1, 30}, 0);
    EXPECT_EQ(tracer.log,
              (std::vector<std::string>{"b:leave:b", "a:leave:a", "c:enter:c", "c:move:c"}));
    EXPECT_EQ(handler.seen, (std::vector<std::string>{"leave:b", "leave:a", "enter:c"}));
    EXPECT_FALSE(a->hasState(STATE_HOVER) || b->hasState(STATE_HOVER));

    // Off the window: everything hovered is left, the body included.
    tracer.log.clear();
    leaveWindow(page);
    EXPECT_EQ(tracer.log, (std::vector<std::string>{"c:leave:c"}));
    EXPECT_EQ(page.hover(), nullptr);
    EXPECT_FALSE(page.document().body()->hasState(STATE_HOVER));
    // A new document starts with nothing hovered.
    mouse(page, *c, MouseEventType::Move, Point{1, 30}, 0);
    page.loadHtml("<p id=p>new</p>");
    EXPECT_EQ(page.hover(), nullptr);
}

TEST_F(Hover, FollowsThePointerWhileAnotherElementHasTheCapture) {
    Element& cmd = byId(page, "cmd");
    mouse(page, cmd, MouseEventType::Down, Point{0, 0});
    ASSERT_EQ(page.capture(), &cmd);
    tracer.log.clear();
    mouse(page, *c, MouseEventType::Move, Point{1, 30});
    // c is hovered, but the move itself goes to the captured element.
    EXPECT_EQ(tracer.log, (std::vector<std::string>{"c:enter:c"}));
    EXPECT_TRUE(c->hasState(STATE_HOVER));
    EXPECT_FALSE(cmd.hasState(STATE_HOVER));
}

TEST_F(Hover, AHandlerThatReplacesThePointedElementLeavesNothingDangling) {
    handler.onEnter = [](HtmlWindow&, Element& entered) {
        if (entered.attribute("id") == "b") {
            entered.parent()->setHtml("<em id=e>gone</em>");
        }
    };
    mouse(page, *b, MouseEventType::Move, Point{1, 1}, 0);
    // The move went to what was left of the chain; b never reported a move.
    for (const std::string& entry : tracer.log) {
        EXPECT_EQ(entry.find("b:move"), std::string::npos) << entry;
    }
    Element* e = page.document().selectFirst("#e");
    ASSERT_NE(e, nullptr);
    mouse(page, *e, MouseEventType::Move, Point{1, 1}, 0);
    EXPECT_EQ(page.hover(), e);
    EXPECT_TRUE(a->hasState(STATE_HOVER));
}

TEST(DrawnControls, OwnersGetMovesWheelTurnsAndTheLeave) {
    ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    RecordingPage page(loop);
    page.setRenderLink(&renderer);
    page.loadHtml("<widget id=5000 type=sys-static NOTIFY></widget><p id=off>x</p>");
    Element& chart = byId(page, "5000");
    auto* stat = dynamic_cast<StaticControl*>(chart.window());
    ASSERT_NE(stat, nullptr);
    page.reportLocation(chart, Rect{10, 20, 210, 120});
    std::vector<Message> seen;
    stat->setMouseHandler([&](const Message& m) { seen.push_back(m); });

    mouse(page, chart, MouseEventType::Move, Point{15, 30}, 0);
    mouse(page, chart, MouseEventType::Move, Point{60, 70}, MAIN_MOUSE_BUTTON, SHIFT_KEY_PRESSED);
    MouseEvent wheel;
    wheel.type = MouseEventType::Wheel;
    wheel.pos = {100, 50};
    wheel.buttons = 0;
    wheel.target = &chart;
    wheel.wheelDelta = -2 * WHEEL_DELTA;
    page.dispatchMouse(wheel);
    mouse(page, byId(page, "off"), MouseEventType::Move, Point{5, 200}, 0);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].id, WM_MOUSEMOVE);
    EXPECT_EQ(seen[0].wParam, 0u);
    EXPECT_EQ(pointParamX(seen[0].lParam), 5);
    EXPECT_EQ(pointParamY(seen[0].lParam), 10);
    EXPECT_EQ(seen[1].wParam, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(pointParamX(seen[1].lParam), 50);
    EXPECT_EQ(seen[2].id, WM_MOUSEWHEEL);
    EXPECT_EQ(static_cast<std::int16_t>(seen[2].wParam >> 16), -240);
    EXPECT_EQ(pointParamX(seen[2].lParam), 90);
    EXPECT_EQ(pointParamY(seen[2].lParam), 30);
    EXPECT_EQ(seen[3].id, WM_MOUSELEAVE);
    // Leaving the window is a leave of the control under the pointer.
    seen.clear();
    mouse(page, chart, MouseEventType::Move, Point{15, 30}, 0);
    leaveWindow(page);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].id, WM_MOUSELEAVE);
    // A disabled control's owner hears nothing.
    seen.clear();
    stat->enable(false);
    mouse(page, chart, MouseEventType::Move, Point{15, 30}, 0);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace vandrel::ui
