// The list view's header drawing and its keyboard: the focused row moves with the keys and
// the selection follows as it does for the mouse; the owner hears of each key.

#include <algorithm>

#include "ui/events.h"
#include "ui/list_view.h"

namespace vandrel::ui {

void ListView::paintHeader(Canvas& canvas) const {
    int height = headerHeight();
    if (height == 0) {
        return;
    }
    Color edge = rgb(200, 200, 200);
    canvas.fillRect(Rect{0, 0, canvas.width(), height}, rgb(240, 240, 240));
    for (int i = 0; i < columnCount(); ++i) {
        Rect r = columnRect(i);
        canvas.line(Point{r.right - 1, 3}, Point{r.right - 1, height - 3}, edge);
        if (!columnTitle(i).empty()) {
            canvas.text(Rect{r.left + 6, 0, r.right - 4, height}, columnTitle(i), rgb(0, 0, 0),
                        kAlignLeft | kAlignMiddle);
        }
    }
    canvas.line(Point{0, height - 1}, Point{canvas.width(), height - 1}, edge);
}

// The row a navigation key leads to from the focused row, or -1 for any other key. Page keys
// go to the last (first) fully visible row, and a page on from there.
int ListView::keyTarget(int keyCode) const {
    int focus = focus_;
    int page = std::max(1, visibleHeight() / rowHeight_ - 1);
    int firstFull = (scrollTop_ + rowHeight_ - 1) / rowHeight_;
    int lastFull = std::max(firstFull, (scrollTop_ + visibleHeight()) / rowHeight_ - 1);
    switch (keyCode) {
        case VK_DOWN:
            return focus < 0 ? 0 : focus + 1;
        case VK_UP:
            return focus < 0 ? 0 : focus - 1;
        case VK_HOME:
            return 0;
        case VK_END:
            return rowCount() - 1;
        case VK_NEXT:
            return focus < lastFull ? lastFull : focus + page;
        case VK_PRIOR:
            return focus < 0 ? 0 : focus > firstFull ? firstFull : focus - page;
        default:
            return -1;
    }
}

bool ListView::keyDown(int keyCode, unsigned modifiers) {
    // The owner may take the rows away on a key (Delete); the list then has none to move over.
    notifyParent(LVN_KEYDOWN, focus_, -1, {}, keyCode);
    if (keyCode == VK_RETURN) {
        notifyParent(NM_RETURN, focus_);
        return false;
    }
    int count = rowCount();
    if (count == 0) {
        return false;
    }
    bool single = (widgetSpec().style & LVS_SINGLESEL) != 0;
    bool ctrl = !single && (modifiers & CONTROL_KEY_PRESSED) != 0;
    bool shift = !single && (modifiers & SHIFT_KEY_PRESSED) != 0;
    if (keyCode == VK_SPACE) {
        if (!ctrl || focus_ < 0) {
            return false;
        }
        if (!selected_.erase(focus_)) {
            selected_.insert(focus_);
        }
        mark_ = focus_;
        invalidate();
        return true;
    }
    int row = keyTarget(keyCode);
    if (row == -1 && keyCode != VK_UP && keyCode != VK_PRIOR) {
        return false;
    }
    row = std::clamp(row, 0, count - 1);
    if (shift) {
        if (mark_ < 0) {
            mark_ = row;
        }
        selected_.clear();
        for (int r = std::min(mark_, row); r <= std::max(mark_, row); ++r) {
            selected_.insert(r);
        }
    } else if (!ctrl) {
        selected_ = {row};
        mark_ = row;
    }
    focus_ = row;
    ensureVisible(row);
    return true;
}

}  // namespace vandrel::ui
