#pragma once
// A `sys-listview` control in report mode, drawn by its owner row by row. Rows, item data,
// selection, the selection mark and the column widths live here; with OWNERDATA only the row
// count is kept and the owner draws any row by index. Only the visible rows and a screenful
// either side are painted, so a list of 50,000 rows costs what three screenfuls do: the
// renderer scrolls that drawing by itself, under a header drawn apart, and the list draws anew
// only as the visible rows near the drawing's edge.
//
// Mouse: a press selects (Ctrl toggles, Shift extends from the selection mark; a SINGLESEL
// list selects one row only; a right press selects an unselected row); a double click sends
// NM_DBLCLK, and a right click NM_RCLICK once its button is released, to the parent window as
// WM_NOTIFY with a ListNotify record.
//
// A report list with columns shows their header above the rows, unless NOCOLUMNHEADER; a
// press on a header item sends LVN_COLUMNCLICK with its column (not with NOSORTHEADER).
//
// Keys (WM_KEYDOWN while the list has the focus) move the focused row: up, down, Home, End,
// Page Up and Page Down. Alone they select that row; with Shift they select the range from the
// selection mark; with Ctrl they move the focus only, and Ctrl+Space toggles the focused row.
// The parent hears of every key first, as LVN_KEYDOWN with the key (Delete deletes a track
// list's selected rows), and of Enter as NM_RETURN, the keyboard's double click.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/controls.h"

namespace vandrel::ui {

// The pointer moved onto another row (item), or off the rows or out of the list (-1).
inline constexpr int NM_HOVER = -13;

struct ListNotify {
    Window* from = nullptr;
    int idFrom = 0;
    int code = 0;
    int item = -1;     // the row under the pointer, or -1
    int subItem = -1;  // LVN_COLUMNCLICK: the column
    Point point;       // mouse notifications: the pointer in control coordinates
    int keyCode = 0;   // LVN_KEYDOWN: the virtual key code
};

inline constexpr int LVN_COLUMNCLICK = -108;
inline constexpr int LVN_KEYDOWN = -155;

inline constexpr std::uint32_t LVS_SINGLESEL = 0x4;
inline constexpr std::uint32_t LVS_OWNERDATA = 0x1000;
inline constexpr std::uint32_t LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr std::uint32_t LVS_NOSORTHEADER = 0x8000;

class ListView : public Control {
  public:
    // Draws one row into its rectangle, in the coordinates of the drawing, which spans all
    // columns from the left of the first one (see columnRect).
    using RowPainter = std::function<void(Canvas&, int row, const Rect& rect, bool selected)>;

    ListView(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec);

    bool isVirtual() const { return (widgetSpec().style & LVS_OWNERDATA) != 0; }

    void insertColumn(int index, int width, std::string title = {});
    void setColumnWidth(int index, int width);
    int columnWidth(int index) const;
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const std::string& columnTitle(int index) const;
    // The header item of the column, in control coordinates after the sideways scroll (cells
    // lie below it); while the list draws, in the drawing's, which does not scroll sideways.
    // The header is headerHeight() tall, 0 when none is shown.
    Rect columnRect(int index) const;
    int headerHeight() const;
    static constexpr int kHeaderHeight = 24;

    // Rows of a list that keeps them; returns the index, or -1 for a virtual list.
    int insertRow(int index, std::intptr_t data);
    void deleteAllRows();
    std::intptr_t rowData(int row) const;
    void setVirtualRowCount(int count);
    int rowCount() const;

    void setRowHeight(int height);
    int rowHeight() const { return rowHeight_; }
    void setRowPainter(RowPainter painter);

    // Selection.
    void click(int row, unsigned modifiers);
    void setSelected(int row, bool selected);
    bool isSelected(int row) const { return selected_.count(row) != 0; }
    std::vector<int> selectedRows() const { return {selected_.begin(), selected_.end()}; }
    int selectionMark() const { return mark_; }
    // The row the keys move from: the last one clicked or reached by a key, or -1.
    int focusedRow() const { return focus_; }
    void clearSelection();

    // Scrolling, in pixels from the top of the first row and from the left of the first
    // column; columns wider together than the list scroll sideways under the header.
    void scrollTo(int top);
    void scrollTo(int top, int left);
    int scrollTop() const { return scrollTop_; }
    int scrollLeft() const { return scrollLeft_; }
    int contentWidth() const;
    void ensureVisible(int row);
    int rowAt(int y) const;                   // y in control coordinates; -1 below the last row
    std::pair<int, int> visibleRows() const;  // [first, last)
    // The rows of the last drawing, [first, last): the visible ones and a screenful either side.
    std::pair<int, int> drawnRows() const { return {drawnFirst_, drawnLast_}; }
    int lastPaintedRows() const { return lastPainted_; }

    // Whether the rows are taller than the list, so that it shows a vertical scroll bar.
    bool showsVerticalScrollBar() const;
    // Runs whenever the list recalculates its frame: a new size or a new row count.
    void setFrameChangedHandler(std::function<void()> handler) {
        frameChanged_ = std::move(handler);
    }

    void invalidate();
    std::intptr_t handleMessage(const Message& message) override;
    void resized() override;

  private:
    void notifyParent(int code, int row, int column = -1, Point point = {}, int keyCode = 0);
    void frameChanged();
    void clampScroll();
    int visibleHeight() const;
    int rowsPerScreen() const;
    bool drawingCoversView() const;
    void redraw();  // draws the rows again, painting only the pieces the renderer lacks
    void paintHeader(Canvas& canvas) const;
    bool keyDown(int keyCode, unsigned modifiers);
    int keyTarget(int keyCode) const;

    struct Column {
        int width = 0;
        std::string title;
    };
    std::vector<Column> columns_;
    std::vector<std::intptr_t> rows_;
    int virtualCount_ = 0;
    int rowHeight_ = 20;
    int scrollTop_ = 0;
    int scrollLeft_ = 0;
    std::set<int> selected_;
    int mark_ = -1;
    int focus_ = -1;
    bool rightPressed_ = false;
    int hoverRow_ = -1;  // the row under the pointer, as last told with NM_HOVER
    RowPainter painter_;
    std::function<void()> frameChanged_;
    int lastPainted_ = 0;
    int drawnFirst_ = 0;
    int drawnLast_ = 0;
    std::set<int> sentPieces_;  // the first rows of the pieces the renderer has as they are
    bool drawing_ = false;
    bool requestScroll_ = false;
};

}  // namespace vandrel::ui
