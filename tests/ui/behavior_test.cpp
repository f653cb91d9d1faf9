#include <gtest/gtest.h>

#include "ui/ui_test_support.h"

namespace vandrel::ui {
namespace {

using testing::byId;
using testing::click;
using testing::mouse;
using testing::RecordingPage;

constexpr const char* kTabs = R"(<html><head><style>
  div.tabbar div { behavior: command }
  .tab { behavior: tabcommand }
  .popup { behavior: popup }
  #dd { behavior: dropdown }
  #inline { behavior: clickable }
</style></head><body>
<div class=tabbar><div id=funcpage1>Map</div><div id=funcpage2>Detail</div><div>no id</div></div>
<div id=tab2 class=tab>Track</div>
<div id=dd>Pick<div id=ddpop class=popup><span id=ddopt>x</span></div></div>
<table id=iconseltable class=popup><tr><td id=cmdicon style="behavior: command">I</td></tr></table>
<div id=inline style="behavior: tabcommand">inline wins</div>
</body></html>)";

class Behaviours : public ::testing::Test {
  protected:
    void SetUp() override {
        page.loadHtml(kTabs);
        // Layout as a renderer would report it: each element a 100x20 box in its own row.
        int row = 0;
        page.document().root().visit([&](Element& e) {
            e.setLocation(Rect{0, row * 20, 100, row * 20 + 20});
            ++row;
            return true;
        });
    }
    Point inside(const std::string& id) {
        Rect r = byId(page, id).location();
        return {r.left + 5, r.top + 5};
    }
    ManualEventLoop loop;
    RecordingPage page{loop};
};

TEST_F(Behaviours, CommandSendsOnReleaseInsideOnlyAndNeverWithoutAnId) {
    Element& detail = byId(page, "funcpage2");
    mouse(page, detail, MouseEventType::Down, inside("funcpage2"));
    EXPECT_TRUE(page.commands.empty());  // nothing on the press
    EXPECT_TRUE(detail.hasState(STATE_CURRENT));
    // Dragged off: the release goes to the captured element but lies outside it.
    mouse(page, page.document().root(), MouseEventType::Up, inside("funcpage1"));
    EXPECT_TRUE(page.commands.empty());
    EXPECT_FALSE(detail.hasState(STATE_CURRENT));
    EXPECT_EQ(page.capture(), nullptr);

    click(page, detail);
    EXPECT_EQ(page.commands, (std::vector<std::string>{"funcpage2"}));
    click(page, *page.document().selectFirst("div.tabbar div:last-child"));
    EXPECT_EQ(page.commands.size(), 1u);
    // A release without a press before it sends nothing.
    mouse(page, detail, MouseEventType::Up, inside("funcpage2"));
    EXPECT_EQ(page.commands.size(), 1u);
}

TEST_F(Behaviours, TabCommandSendsOnPressAndTheDoubleClickAddsMdc) {
    Element& tab = byId(page, "tab2");
    mouse(page, tab, MouseEventType::Down, inside("tab2"));
    EXPECT_EQ(page.commands, (std::vector<std::string>{"tab2"}));
    mouse(page, tab, MouseEventType::Up, inside("tab2"));
    mouse(page, tab, MouseEventType::DoubleClick, inside("tab2"));
    mouse(page, tab, MouseEventType::Up, inside("tab2"));
    EXPECT_EQ(page.commands, (std::vector<std::string>{"tab2", "tab2MDC"}));
}

TEST_F(Behaviours, InlineStyleBeatsTheStyleSheet) {
    Element& e = byId(page, "inline");
    EXPECT_TRUE(e.hasBehavior("tabcommand"));
    EXPECT_FALSE(e.hasBehavior("clickable"));
}

TEST_F(Behaviours, ChoosingAnIconSendsItsCommandThenClosesThePopup) {
    Element& popup = byId(page, "iconseltable");
    page.showPopupAt(popup, Point{300, 200});
    EXPECT_TRUE(popup.hasState(STATE_POPUP));
    EXPECT_EQ(popup.location().origin(), (Point{300, 200}));
    EXPECT_TRUE(popup.parent()->hasState(STATE_OWNS_POPUP));
    Element& icon = byId(page, "cmdicon");
    icon.setLocation(Rect{300, 200, 320, 220});
    mouse(page, icon, MouseEventType::Down, Point{305, 205});
    EXPECT_TRUE(popup.hasState(STATE_POPUP));  // a press inside is consumed without hiding
    mouse(page, icon, MouseEventType::Up, Point{305, 205});
    EXPECT_EQ(page.commands, (std::vector<std::string>{"cmdicon"}));
    EXPECT_FALSE(popup.hasState(STATE_POPUP));
    EXPECT_TRUE(page.shownPopups().empty());
}

TEST_F(Behaviours, PopupsHideOnFocusLeavingAndOnAPressOutside) {
    Element& popup = byId(page, "iconseltable");
    Element& icon = byId(page, "cmdicon");
    page.showPopupAt(popup, Point{0, 0});
    page.setFocus(&icon);
    page.setFocus(&byId(page, "tab2"));
    EXPECT_FALSE(popup.hasState(STATE_POPUP));

    page.showPopupAt(popup, Point{0, 0});
    mouse(page, byId(page, "funcpage1"), MouseEventType::Down, inside("funcpage1"));
    EXPECT_FALSE(popup.hasState(STATE_POPUP));
}

TEST_F(Behaviours, DropdownShowsItsPopupBelowAndAPressInsideDoesNotReopenIt) {
    Element& dd = byId(page, "dd");
    Element& pop = byId(page, "ddpop");
    mouse(page, dd, MouseEventType::Down, inside("dd"));
    ASSERT_TRUE(pop.hasState(STATE_POPUP));
    EXPECT_EQ(pop.location().origin(), (Point{dd.location().left, dd.location().bottom}));
    EXPECT_TRUE(dd.hasState(STATE_OWNS_POPUP));
    mouse(page, byId(page, "ddopt"), MouseEventType::Down, inside("ddopt"));
    EXPECT_TRUE(pop.hasState(STATE_POPUP));
}

// A handler that records what it saw, to follow an event's travel.
class Spy : public EventHandler {
  public:
    bool onMouse(HtmlWindow&, Element&, MouseEvent& e) override {
        if (e.type == MouseEventType::Enter || e.type == MouseEventType::Leave) {
            return false;  // the hover changes, counted in the pointer tests
        }
        seenHandled = e.handled;
        ++calls;
        return false;
    }
    bool onBehaviorEvent(HtmlWindow&, Element&, BehaviorEvent& e) override {
        clicks.push_back(e.source->attribute("id"));
        return false;
    }
    bool seenHandled = false;
    int calls = 0;
    std::vector<std::string> clicks;
};

TEST_F(Behaviours, EventsReachTheWindowHandlerWithTheHandledFlag) {
    Spy spy;
    page.setHandler(&spy);
    mouse(page, byId(page, "tab2"), MouseEventType::Down, inside("tab2"));
    EXPECT_EQ(spy.calls, 1);
    EXPECT_TRUE(spy.seenHandled);
    mouse(page, page.document().root(), MouseEventType::Move, Point{1, 1});
    EXPECT_FALSE(spy.seenHandled);
    page.enable(false);
    mouse(page, byId(page, "tab2"), MouseEventType::Down, inside("tab2"));
    EXPECT_EQ(spy.calls, 2);
    EXPECT_EQ(page.commands.size(), 1u);
}

TEST(BuiltIns, ButtonsClickAndRadioAndCheckBoxGroupsToggle) {
    ManualEventLoop loop;
    RecordingPage page(loop);
    page.loadHtml(R"(<div><button id=b>Go</button>
      <input id=r1 type=radio name=g><input id=r2 type=radio name=g checked>
      <input id=c1 type=checkbox name=c><span id=plain style="behavior: clickable">p</span></div>)");
    Spy spy;
    page.setHandler(&spy);
    for (const char* id : {"b", "r1", "c1", "plain"}) {
        byId(page, id).setLocation(Rect{0, 0, 10, 10});
        click(page, byId(page, id));
    }
    EXPECT_EQ(spy.clicks, (std::vector<std::string>{"b", "r1", "r1", "c1", "c1", "plain"}));
    EXPECT_TRUE(byId(page, "r1").hasState(STATE_CHECKED));
    EXPECT_FALSE(byId(page, "r2").hasState(STATE_CHECKED));
    EXPECT_TRUE(byId(page, "c1").hasState(STATE_CHECKED));
    EXPECT_EQ(byId(page, "b").controlType(), ControlType::Button);
}

// A tab bar as the pages have one: a pressed tab hides, its selected twin "-s" shows.
constexpr const char* kKeyPage = R"(<style>.tab { behavior: tabcommand } .go { behavior: clickable }
</style><div id=tab2 class=tab>T</div><div id=tab2-s style="display:none" tabindex=0>T</div>
<div id=play class=go><span id=inner>p</span></div><div id=own class=go tabindex=-1>o</div>
<button id=b>Go</button><input id=c type=checkbox>
<input id=r1 type=radio name=g><input id=r2 type=radio name=g><input id=r3 type=radio name=g disabled>)";

class TabBarPage : public RecordingPage {
  public:
    using RecordingPage::RecordingPage;
    std::intptr_t handleMessage(const Message& m) override {
        if (m.id == WM_ELEMENT_COMMAND) {
            byId(*this, "tab2").setStyle("display", "none");
            byId(*this, "tab2-s").setStyle("display", "block");
        }
        return RecordingPage::handleMessage(m);
    }
};

TEST(Keys, EnterOrSpaceOnTheFocusedElementPressesItAsAClickDoes) {
    ManualEventLoop loop;
    TabBarPage page(loop);
    page.loadHtml(kKeyPage);
    Spy spy;
    page.setHandler(&spy);
    const auto press = [&](const char* id, int key, unsigned modifiers = 0) {
        page.setFocus(&byId(page, id));
        page.dispatchKey(KeyEvent{KeyEventType::Down, key, modifiers, page.focus(), false});
    };
    press("tab2", VK_SPACE);
    EXPECT_EQ(page.commands, (std::vector<std::string>{"tab2"}));
    EXPECT_EQ(page.focus(), &byId(page, "tab2-s"));  // the keyboard stays on the tab bar
    // Not with Ctrl, nor for an element inside the pressable one; a check box takes Space only.
    press("play", VK_RETURN, CONTROL_KEY_PRESSED);
    press("inner", VK_RETURN);
    press("c", VK_RETURN);
    press("play", VK_SPACE);
    press("b", VK_RETURN);
    press("c", VK_SPACE);
    // The arrows check the next enabled radio button round the group and take the focus.
    press("r2", VK_DOWN);
    EXPECT_EQ(page.focus(), &byId(page, "r1"));
    EXPECT_TRUE(byId(page, "r1").hasState(STATE_CHECKED));
    EXPECT_EQ(spy.clicks, (std::vector<std::string>{"play", "b", "c", "c", "r1", "r1"}));
}

// The browser gives the focus to form controls and links only: the served page makes the
// pressable elements tab stops, unless the markup says otherwise.
TEST(Keys, PressableElementsAreServedAsTabStops) {
    ManualEventLoop loop;
    RecordingPage page(loop);
    page.loadHtml(kKeyPage);
    const std::string served = page.document().serialize(true);
    const auto tagOf = [&](const char* id) {
        const size_t at = served.rfind('<', served.find(std::string("id=\"") + id + '"'));
        return served.substr(at, served.find('>', at) - at);
    };
    EXPECT_NE(tagOf("tab2").find(" tabindex=\"0\""), std::string::npos) << tagOf("tab2");
    EXPECT_NE(tagOf("play").find(" tabindex=\"0\""), std::string::npos) << tagOf("play");
    EXPECT_NE(tagOf("own").find(" tabindex=\"-1\" "), std::string::npos) << tagOf("own");
    for (const char* id : {"inner", "b", "c"}) {
        EXPECT_EQ(tagOf(id).find("tabindex"), std::string::npos) << tagOf(id);
    }
}

TEST(Registry, NamesAreExactAndNewerRegistrationsWin) {
    EXPECT_NE(findBehavior("command"), nullptr);
    EXPECT_EQ(findBehavior("Command"), nullptr);
    for (const char* name :
         {"tabcommand", "popup", "dropdown", "grid", "sortable-grid", "clickable"}) {
        EXPECT_NE(findBehavior(name), nullptr) << name;
    }
    Behavior mine("command", HANDLE_MOUSE);
    registerBehavior(mine);
    EXPECT_EQ(findBehavior("command"), &mine);
    unregisterBehavior(mine);
    EXPECT_NE(findBehavior("command"), &mine);
}

TEST(Grid, RowsSelectWithKeysAndModifiersAndHeadersSort) {
    ManualEventLoop loop;
    RecordingPage page(loop);
    page.loadHtml(R"(<table id=t fixedrows=1 multiple style="behavior: sortable-grid">
      <tr><th id=h0>Name</th><th id=h1>Size</th></tr>
      <tr id=a><td>pear</td><td>10</td></tr><tr id=b><td>apple</td><td>9</td></tr>
      <tr id=c style="display:none"><td>fig</td><td>100</td></tr>
      <tr id=d><td>kiwi</td><td>2</td></tr></table>)");
    byId(page, "t").setLocation(Rect{0, 0, 100, 40});
    for (const char* id : {"a", "b", "c", "d", "h0", "h1"}) {
        byId(page, id).setLocation(Rect{0, 0, 100, 20});
    }
    Element& table = byId(page, "t");
    mouse(page, *byId(page, "a").child(0), MouseEventType::Down, Point{1, 1});
    EXPECT_TRUE(byId(page, "a").hasState(STATE_CURRENT | STATE_ANCHOR | STATE_CHECKED));
    KeyEvent down{KeyEventType::Down, VK_DOWN, SHIFT_KEY_PRESSED, &table, false};
    page.dispatchKey(down);
    page.dispatchKey(down);  // skips the hidden row
    EXPECT_TRUE(byId(page, "d").hasState(STATE_CURRENT));
    EXPECT_TRUE(byId(page, "b").hasState(STATE_CHECKED));
    EXPECT_TRUE(byId(page, "a").hasState(STATE_CHECKED));
    EXPECT_FALSE(byId(page, "c").hasState(STATE_CURRENT));
    KeyEvent home{KeyEventType::Down, VK_HOME, 0, &table, false};
    page.dispatchKey(home);
    EXPECT_TRUE(byId(page, "a").hasState(STATE_CURRENT));
    // Header rows are never selected; a header click sorts by its column, numbers as numbers.
    mouse(page, byId(page, "h1"), MouseEventType::Down, Point{1, 1});
    EXPECT_TRUE(byId(page, "h1").hasState(STATE_CHECKED));
    std::vector<std::string> order;
    for (Element* tr : table.select("tr[id]")) {
        order.push_back(tr->attribute("id"));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"d", "b", "a", "c"}));
}

}  // namespace
}  // namespace vandrel::ui
