#include <gtest/gtest.h>

#include "platform/headless/headless_renderer.h"
#include "ui/browser_host.h"
#include "ui/static_control.h"
#include "ui/ui_test_support.h"

namespace vandrel::ui {
namespace {

using testing::byId;
using testing::mouse;
using testing::RecordingPage;

TEST(ControlStyles, FollowTheWidgetTable) {
    auto lv = controlSpec("widget", {{"type", "sys-listview"},
                                     {"id", "6000"},
                                     {"REPORT", ""},
                                     {"NOCOLUMNHEADER", ""},
                                     {"OWNERDRAWFIXED", ""},
                                     {"ALIGNLEFT", ""}});
    EXPECT_EQ(lv.kind, ControlSpec::Kind::ListView);
    EXPECT_EQ(lv.style, 0x56014C01u);
    EXPECT_EQ(lv.id, 6000);
    EXPECT_EQ(lv.className, "SysListView32");

    auto ie = controlSpec("widget", {{"type", "sys-ie"}, {"id", "2000"}, {"DISABLED", ""}});
    EXPECT_EQ(ie.style, 0x5E010000u);
    EXPECT_EQ(controlSpec("widget", {{"type", "SYS-IE"}}).kind, ControlSpec::Kind::None);

    auto chart = controlSpec("widget", {{"type", "sys-static"}, {"bitmap", "x"}, {"notify", ""}});
    EXPECT_EQ(chart.style, kBaseControlStyle | 0xE | 0x100);
    // Lower-case keywords count the same; a generic one adds to the class bits.
    auto stat = controlSpec("widget", {{"type", "sys-static"}, {"tabstop", ""}, {"vscroll", ""}});
    EXPECT_EQ(stat.style, kBaseControlStyle | 0x200000u);
    // RIGHT is a class style of static controls and an extended style of every control.
    auto right = controlSpec("widget", {{"type", "sys-static"}, {"RIGHT", ""}, {"id", "x1"}});
    EXPECT_EQ(right.style, kBaseControlStyle | 0x2u);
    EXPECT_EQ(right.exStyle, 0x1000u);
    EXPECT_EQ(right.id, 0);

    auto frame = controlSpec("iframe", {{"id", "12"}, {"BORDER", ""}, {"REPORT", ""}});
    EXPECT_EQ(frame.kind, ControlSpec::Kind::Frame);
    EXPECT_EQ(frame.style, kBaseControlStyle | 0x800000u);
    EXPECT_EQ(controlSpec("div", {{"id", "1"}}).kind, ControlSpec::Kind::None);
}

TEST(Controls, PagesGetWindowsForWidgetsAndFramesOnly) {
    ManualEventLoop loop;
    RecordingPage page(loop);
    page.loadHtml(R"(<widget id=2000 type=sys-ie DISABLED></widget>
        <widget id=2001 type=SYS-IE></widget><widget id=5000 type=sys-static notify></widget>
        <iframe id=9 name=main></iframe><widget id=3 type=sys-datetime></widget>)");
    auto* ie = dynamic_cast<BrowserHost*>(byId(page, "2000").window());
    ASSERT_NE(ie, nullptr);
    EXPECT_FALSE(ie->isEnabled());
    EXPECT_EQ(byId(page, "2001").window(), nullptr);
    EXPECT_NE(dynamic_cast<StaticControl*>(byId(page, "5000").window()), nullptr);
    auto* frame = dynamic_cast<HtmlWindow*>(byId(page, "9").window());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->document().body()->text(), "\u00a0");
    EXPECT_EQ(frame->parent(), &page);
    EXPECT_NE(byId(page, "3").window(), nullptr);
    EXPECT_EQ(page.controls().size(), 4u);
    // Replacing the content closes the controls that were in it.
    page.document().body()->setHtml("<p>none</p>");
    EXPECT_TRUE(page.controls().empty());
}

TEST(Controls, StaticControlsPaintThroughTheCanvasAndForwardTheMouse) {
    ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    RecordingPage page(loop);
    page.setRenderLink(&renderer);
    page.loadHtml("<widget id=5000 type=sys-static NOTIFY></widget>");
    Element& el = byId(page, "5000");
    auto* stat = dynamic_cast<StaticControl*>(el.window());
    ASSERT_NE(stat, nullptr);
    page.reportLocation(el, Rect{10, 10, 270, 211});
    std::vector<Message> seen;
    stat->setMouseHandler([&](const Message& m) { seen.push_back(m); });
    stat->setPainter([](Canvas& c) {
        c.fillRect(Rect{0, 0, 10, 10}, rgb(255, 128, 64));
        c.text(Rect{0, 0, 30, 20}, "SUN <b>", rgb(255, 0, 0), kAlignCenter | kAlignMiddle);
        c.verticalGradient(Rect{0, 0, 5, 5}, rgb(0, 0, 0), rgb(255, 255, 255));
    });
    ASSERT_FALSE(renderer.changes.empty());
    const Change& drawn = renderer.changes.back();
    EXPECT_EQ(drawn.kind, Change::Kind::WidgetContent);
    EXPECT_NE(drawn.value.find("width=\"260\" height=\"201\""), std::string::npos);
    EXPECT_NE(drawn.value.find("#ff8040"), std::string::npos);
    EXPECT_NE(drawn.value.find("SUN &lt;b&gt;"), std::string::npos);
    mouse(page, el, MouseEventType::Down, Point{40, 50});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].id, WM_LBUTTONDOWN);
    EXPECT_EQ(pointParamX(seen[0].lParam), 30);
    EXPECT_EQ(pointParamY(seen[0].lParam), 40);
}

class ListViews : public ::testing::Test {
  protected:
    void SetUp() override {
        page.loadHtml(
            R"(<widget id=6001 type=sys-listview OWNERDATA REPORT OWNERDRAWFIXED ALIGNLEFT>
            </widget><widget id=6000 type=sys-listview REPORT SINGLESEL></widget>)");
        el = &byId(page, "6001");
        list = dynamic_cast<ListView*>(el->window());
        page.reportLocation(*el, Rect{0, 0, 260, 200});
        list->setRowHeight(20);
        list->setRowPainter([this](Canvas& c, int row, const Rect& r, bool) {
            painted.push_back(row);
            c.text(r, std::to_string(row), rgb(0, 0, 0));
        });
    }
    void press(int y, unsigned modifiers = 0, MouseEventType type = MouseEventType::Down,
               unsigned buttons = MAIN_MOUSE_BUTTON) {
        mouse(page, *el, type, Point{5, y}, buttons, modifiers);
        mouse(page, *el, MouseEventType::Up, Point{5, y}, buttons, modifiers);
    }
    ManualEventLoop loop;
    RecordingPage page{loop};
    Element* el = nullptr;
    ListView* list = nullptr;
    std::vector<int> painted;
};

TEST_F(ListViews, AVirtualListPaintsOnlyTheVisibleRowsAndAScreenfulEitherSide) {
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVirtual());
    list->setVirtualRowCount(50000);
    painted.clear();
    list->scrollTo(20 * 30000 + 7);
    EXPECT_EQ(list->visibleRows(), (std::pair<int, int>{30000, 30011}));
    // Whole pieces of eight rows.
    EXPECT_EQ(list->drawnRows(), (std::pair<int, int>{29984, 30024}));
    EXPECT_EQ(painted.front(), 29984);
    EXPECT_EQ(painted.size(), 40u);
    // The renderer scrolls over what is drawn; near its edge the rows are drawn anew.
    painted.clear();
    list->scrollTo(20 * 30004);
    EXPECT_TRUE(painted.empty());
    list->scrollTo(20 * 30012);
    EXPECT_EQ(list->drawnRows(), (std::pair<int, int>{30000, 30032}));
    // Only the piece new at the edge is painted: the others are as they were.
    EXPECT_EQ(painted, (std::vector<int>{30024, 30025, 30026, 30027, 30028, 30029, 30030, 30031}));
    // Any other change paints them all anew.
    painted.clear();
    list->setSelected(30001, true);
    EXPECT_EQ(painted.size(), 32u);
    list->scrollTo(20 * 29994);
    EXPECT_EQ(list->drawnRows(), (std::pair<int, int>{29984, 30016}));
    list->scrollTo(1 << 30);  // clamped to the last screenful
    EXPECT_EQ(list->visibleRows().second, 50000);
    EXPECT_EQ(list->insertRow(0, 1), -1);
}

TEST_F(ListViews, SelectionFollowsCtrlAndShiftAndNotifiesTheParent) {
    list->setVirtualRowCount(100);
    press(25);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{1}));
    press(85, SHIFT_KEY_PRESSED);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{1, 2, 3, 4}));
    press(45, CONTROL_KEY_PRESSED);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(list->selectionMark(), 2);
    press(65, 0, MouseEventType::DoubleClick);
    // A right click tells once its button is up: the menu the page shows at the pointer must
    // not be there for the release to land on.
    mouse(page, *el, MouseEventType::Down, Point{5, 105}, PROP_MOUSE_BUTTON, 0);
    EXPECT_EQ(page.notifications, (std::vector<std::pair<int, int>>{{NM_DBLCLK, 3}}));
    mouse(page, *el, MouseEventType::Up, Point{5, 105}, PROP_MOUSE_BUTTON, 0);
    EXPECT_EQ(page.notifications,
              (std::vector<std::pair<int, int>>{{NM_DBLCLK, 3}, {NM_RCLICK, 5}}));
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{5}));
}

TEST_F(ListViews, ARowListKeepsItemDataAndSingleSelection) {
    auto* rows = dynamic_cast<ListView*>(byId(page, "6000").window());
    ASSERT_NE(rows, nullptr);
    rows->insertRow(0, 100);
    rows->insertRow(1, 200);
    rows->setSelected(1, true);
    rows->insertRow(0, 50);  // the selection moves with its row
    EXPECT_EQ(rows->selectedRows(), (std::vector<int>{2}));
    EXPECT_EQ(rows->rowData(2), 200);
    rows->click(0, CONTROL_KEY_PRESSED);
    EXPECT_EQ(rows->selectedRows(), (std::vector<int>{0}));
    rows->insertColumn(0, 260);
    rows->setColumnWidth(0, 243);
    EXPECT_EQ(rows->columnWidth(0), 243);
}

TEST(BrowserHosts, NavigateCallAndAnswerWindowExternal) {
    ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    RecordingPage page(loop);
    page.setRenderLink(&renderer);
    page.loadHtml("<widget id=2000 type=sys-ie></widget>");
    auto* host = dynamic_cast<BrowserHost*>(byId(page, "2000").window());
    ASSERT_NE(host, nullptr);
    headless::FakeBrowser* fake = renderer.browser(*host);
    ASSERT_NE(fake, nullptr);
    EXPECT_FALSE(host->acceptsDroppedFiles());
    EXPECT_FALSE(host->callFunction("setCenter", {"0", "0", "2"}));  // no page yet
    host->navigate("Html/load.html");
    fake->functions["setCenter"] = "ok";
    fake->finishLoad();
    bool found = false;
    EXPECT_TRUE(
        host->callFunction("setCenter", {"0", "0", "2"}, [&](bool f, std::string) { found = f; }));
    EXPECT_TRUE(found);
    host->callFunction("missing", {}, [&](bool f, std::string) { found = f; });
    EXPECT_FALSE(found);
    std::string method;
    host->setExternalHandler([&](const std::string& m, const std::vector<std::string>& args) {
        method = m + ":" + args.at(0);
        return std::string("1");
    });
    EXPECT_EQ(fake->callExternal("MapLoaded", {"x"}), "1");
    EXPECT_EQ(method, "MapLoaded:x");
    EXPECT_EQ(fake->navigations, (std::vector<std::string>{"Html/load.html"}));
}

}  // namespace
}  // namespace vandrel::ui
