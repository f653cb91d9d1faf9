// The list view's column header and its keyboard, driven through the page window as the
// renderer drives it.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/headless/headless_renderer.h"
#include "ui/list_view.h"
#include "ui/ui_test_support.h"

namespace vandrel::ui {
namespace {

using testing::byId;
using testing::mouse;
using testing::RecordingPage;

class ListKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        page.setRenderLink(&renderer);
        page.loadHtml(R"(<widget id=6001 type=sys-listview OWNERDATA REPORT></widget>
            <widget id=6000 type=sys-listview REPORT SINGLESEL NOCOLUMNHEADER></widget>
            <widget id=6002 type=sys-listview REPORT NOSORTHEADER></widget>)");
        el = &byId(page, "6001");
        list = dynamic_cast<ListView*>(el->window());
        page.reportLocation(*el, Rect{0, 0, 300, 200});
        list->insertColumn(0, 62, "index");
        list->insertColumn(1, 150, "time");
        list->setRowHeight(20);
        list->setRowPainter([this](Canvas& c, int row, const Rect& r, bool) {
            tops.push_back(r.top);
            c.text(r, "Row " + std::to_string(row), rgb(0, 0, 0));
        });
        list->setVirtualRowCount(100);
    }
    bool key(int code, unsigned modifiers = 0, Element* target = nullptr) {
        KeyEvent e;
        e.keyCode = code;
        e.modifiers = modifiers;
        e.target = target != nullptr ? target : el;
        return page.dispatchKey(e);
    }
    ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    RecordingPage page{loop};
    Element* el = nullptr;
    ListView* list = nullptr;
    std::vector<int> tops;
};

TEST_F(ListKeys, AReportListHeadsItsColumnsAndReportsHeaderClicks) {
    EXPECT_EQ(list->headerHeight(), ListView::kHeaderHeight);
    EXPECT_EQ(list->columnRect(1), (Rect{62, 0, 212, ListView::kHeaderHeight}));
    EXPECT_EQ(list->columnTitle(1), "time");
    tops.clear();
    list->invalidate();
    ASSERT_FALSE(tops.empty());
    EXPECT_EQ(tops.front(), 0);
    const Change& drawn = renderer.changes.back();
    EXPECT_EQ(drawn.top, ListView::kHeaderHeight);  // rows start below the header
    EXPECT_NE(drawn.header.find(">index<"), std::string::npos);
    EXPECT_EQ(drawn.value.find(">index<"), std::string::npos);
    EXPECT_EQ(drawn.number, 100 * 20 + ListView::kHeaderHeight);
    EXPECT_EQ(list->rowAt(ListView::kHeaderHeight - 1), -1);
    EXPECT_EQ(list->rowAt(ListView::kHeaderHeight), 0);
    // A press on the header is a column click, not a row selection.
    mouse(page, *el, MouseEventType::Down, Point{100, 10});
    mouse(page, *el, MouseEventType::Up, Point{100, 10});
    EXPECT_EQ(page.notifications, (std::vector<std::pair<int, int>>{{LVN_COLUMNCLICK, -1}}));
    EXPECT_EQ(page.columns, (std::vector<int>{1}));
    EXPECT_TRUE(list->selectedRows().empty());
    mouse(page, *el, MouseEventType::Down, Point{100, 30});
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0}));

    // No header without columns, with NOCOLUMNHEADER, and no clicks with NOSORTHEADER.
    auto* plain = dynamic_cast<ListView*>(byId(page, "6000").window());
    plain->insertColumn(0, 260);
    EXPECT_EQ(plain->headerHeight(), 0);
    auto* fixed = dynamic_cast<ListView*>(byId(page, "6002").window());
    EXPECT_EQ(fixed->headerHeight(), 0);
    fixed->insertColumn(0, 100, "name");
    EXPECT_EQ(fixed->headerHeight(), ListView::kHeaderHeight);
    page.reportLocation(byId(page, "6002"), Rect{0, 300, 100, 400});
    page.notifications.clear();
    mouse(page, byId(page, "6002"), MouseEventType::Down, Point{10, 310});
    EXPECT_TRUE(page.notifications.empty());
}

TEST_F(ListKeys, ColumnsWiderThanTheListScrollSidewaysUnderTheHeader) {
    list->insertColumn(2, 300, "wide");
    EXPECT_EQ(list->contentWidth(), 512);
    EXPECT_EQ(renderer.changes.back().x, 512);  // the renderer's scroller is that wide
    list->scrollTo(0, 100);
    EXPECT_EQ(list->scrollLeft(), 100);
    EXPECT_EQ(list->columnRect(1), (Rect{-38, 0, 112, ListView::kHeaderHeight}));
    // The rows are drawn unscrolled, over all columns: the renderer scrolls them sideways.
    int drawnLeft = 0;
    list->setRowPainter(
        [&](Canvas&, int, const Rect&, bool) { drawnLeft = list->columnRect(1).left; });
    EXPECT_EQ(drawnLeft, 62);
    // A header press hits the column under the pointer after the scroll.
    mouse(page, *el, MouseEventType::Down, Point{150, 10});
    ASSERT_EQ(page.notifications.size(), 1u);
    EXPECT_EQ(page.notifications[0].first, LVN_COLUMNCLICK);
    EXPECT_EQ(page.columns[0], 2);
    list->scrollTo(40, 10000);  // no further than the last column's right edge
    EXPECT_EQ(list->scrollLeft(), 512 - 300);
    EXPECT_EQ(list->scrollTop(), 40);
    list->scrollTo(0);  // the sideways position stays
    EXPECT_EQ(list->scrollLeft(), 212);
    list->setColumnWidth(2, 10);
    EXPECT_EQ(list->scrollLeft(), 0);
}

// A clip is found by its id in the whole page, so two drawings shown at once that share an id
// clip each other's text with the wrong rectangle.
TEST_F(ListKeys, NoTwoDrawingsOnAPageShareAnId) {
    auto* other = dynamic_cast<ListView*>(byId(page, "6002").window());
    page.reportLocation(byId(page, "6002"), Rect{0, 300, 300, 500});
    other->insertColumn(0, 100, "name");
    other->setRowPainter([](Canvas& c, int row, const Rect& r, bool) {
        c.text(r, std::to_string(row), rgb(0, 0, 0));
    });
    other->setVirtualRowCount(50);
    list->invalidate();
    std::map<std::uint64_t, std::string> shown;  // each widget's last drawing
    for (const Change& c : renderer.changes) {
        if (c.kind == Change::Kind::WidgetContent) {
            shown[c.uid] = c.header + c.value;
        }
    }
    ASSERT_EQ(shown.size(), 2u);
    std::set<std::string> ids;
    for (const auto& [uid, drawing] : shown) {
        for (auto at = drawing.find(" id=\""); at != std::string::npos;
             at = drawing.find(" id=\"", at + 1)) {
            const auto from = at + 5;
            EXPECT_TRUE(ids.insert(drawing.substr(from, drawing.find('"', from) - from)).second)
                << drawing.substr(from, 20);
        }
    }
    EXPECT_GT(ids.size(), 20u);
}

TEST_F(ListKeys, KeysMoveTheFocusedRowAndSelectAsTheMouseDoes) {
    // 176 pixels under the header: eight whole rows.
    EXPECT_TRUE(key(VK_DOWN));
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0}));
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{2}));
    key(VK_DOWN, SHIFT_KEY_PRESSED);
    key(VK_DOWN, SHIFT_KEY_PRESSED);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(list->selectionMark(), 2);
    key(VK_UP, SHIFT_KEY_PRESSED);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{2, 3}));
    // Ctrl moves the focus alone; Ctrl+Space toggles the focused row.
    key(VK_DOWN, CONTROL_KEY_PRESSED);
    key(VK_DOWN, CONTROL_KEY_PRESSED);
    EXPECT_EQ(list->focusedRow(), 5);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{2, 3}));
    key(VK_SPACE, CONTROL_KEY_PRESSED);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(list->selectionMark(), 5);
    EXPECT_FALSE(key(VK_SPACE));

    key(VK_END);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{99}));
    EXPECT_EQ(list->scrollTop(), 100 * 20 - 176);
    EXPECT_EQ(renderer.changes.back().y, 100 * 20 - 176);  // the page scrolls there
    key(VK_DOWN);
    EXPECT_EQ(list->focusedRow(), 99);
    key(VK_HOME);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0}));
    EXPECT_EQ(list->scrollTop(), 0);
    key(VK_UP);
    EXPECT_EQ(list->focusedRow(), 0);
    // Page Down: the last whole row, then a page on; Page Up back to the first whole row.
    key(VK_NEXT);
    EXPECT_EQ(list->focusedRow(), 7);
    key(VK_NEXT);
    EXPECT_EQ(list->focusedRow(), 14);
    EXPECT_EQ(list->scrollTop(), 15 * 20 - 176);
    key(VK_PRIOR);
    EXPECT_EQ(list->focusedRow(), 7);
    key(VK_PRIOR);
    EXPECT_EQ(list->focusedRow(), 0);
    // Shift+click extends from the mark the keys left.
    mouse(page, *el, MouseEventType::Down, Point{5, 24 + 3 * 20 + 5}, MAIN_MOUSE_BUTTON,
          SHIFT_KEY_PRESSED);
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(list->focusedRow(), 3);
    // Other keys are not the list's; a disabled list takes none.
    EXPECT_FALSE(key(VK_RETURN));
    list->enable(false);
    EXPECT_FALSE(key(VK_DOWN));
    EXPECT_EQ(list->focusedRow(), 3);
}

TEST_F(ListKeys, ASingleSelectionListIgnoresShiftAndCtrl) {
    Element& rowsEl = byId(page, "6000");
    auto* rows = dynamic_cast<ListView*>(rowsEl.window());
    page.reportLocation(rowsEl, Rect{0, 300, 260, 500});
    rows->insertRow(0, 1);
    rows->insertRow(1, 2);
    rows->insertRow(2, 3);
    key(VK_DOWN, 0, &rowsEl);
    key(VK_DOWN, SHIFT_KEY_PRESSED, &rowsEl);
    EXPECT_EQ(rows->selectedRows(), (std::vector<int>{1}));
    key(VK_DOWN, CONTROL_KEY_PRESSED, &rowsEl);
    EXPECT_EQ(rows->selectedRows(), (std::vector<int>{2}));
    rows->deleteAllRows();
    EXPECT_EQ(rows->focusedRow(), -1);
    EXPECT_FALSE(key(VK_DOWN, 0, &rowsEl));
}

}  // namespace
}  // namespace vandrel::ui
