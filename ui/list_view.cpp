#include "ui/list_view.h"

#include <algorithm>

#include "ui/document.h"
#include "ui/events.h"
#include "ui/html_window.h"

namespace vandrel::ui {

ListView::ListView(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec)
    : Control(owner, element, std::move(widgetSpec)) {}

void ListView::insertColumn(int index, int width, std::string title) {
    index = std::clamp(index, 0, columnCount());
    columns_.insert(columns_.begin() + index, Column{width, std::move(title)});
    clampScroll();
    invalidate();
}

void ListView::setColumnWidth(int index, int width) {
    if (index >= 0 && index < columnCount()) {
        columns_[static_cast<std::size_t>(index)].width = width;
        clampScroll();
        invalidate();
    }
}

int ListView::columnWidth(int index) const {
    return index >= 0 && index < columnCount() ? columns_[static_cast<std::size_t>(index)].width
                                               : 0;
}

const std::string& ListView::columnTitle(int index) const {
    static const std::string none;
    return index >= 0 && index < columnCount() ? columns_[static_cast<std::size_t>(index)].title
                                               : none;
}

// Only a report list with columns to head has a header.
int ListView::headerHeight() const {
    std::uint32_t style = widgetSpec().style;
    bool report = (style & 0x3) == 1;
    return report && !columns_.empty() && (style & LVS_NOCOLUMNHEADER) == 0 ? kHeaderHeight : 0;
}

Rect ListView::columnRect(int index) const {
    if (index < 0 || index >= columnCount()) {
        return {};
    }
    int left = 0;
    for (int i = 0; i < index; ++i) {
        left += columnWidth(i);
    }
    if (!drawing_) {
        left -= scrollLeft_;
    }
    return Rect{left, 0, left + columnWidth(index), headerHeight()};
}

int ListView::contentWidth() const {
    int width = 0;
    for (const Column& c : columns_) {
        width += c.width;
    }
    return width;
}

// The height the rows are shown in, below the header.
int ListView::visibleHeight() const {
    Element* e = element();
    return std::max(0, (e != nullptr ? e->location().height() : 0) - headerHeight());
}

int ListView::insertRow(int index, std::intptr_t data) {
    if (isVirtual()) {
        return -1;
    }
    index = std::clamp(index, 0, static_cast<int>(rows_.size()));
    rows_.insert(rows_.begin() + index, data);
    // Selected rows at or after the new one move down with their rows.
    std::set<int> moved;
    for (int s : selected_) {
        moved.insert(s >= index ? s + 1 : s);
    }
    selected_ = std::move(moved);
    if (mark_ >= index) {
        ++mark_;
    }
    if (focus_ >= index) {
        ++focus_;
    }
    invalidate();
    frameChanged();
    return index;
}

void ListView::deleteAllRows() {
    rows_.clear();
    virtualCount_ = 0;
    selected_.clear();
    mark_ = -1;
    focus_ = -1;
    // The renderer goes back to the top as well; else the new rows' drawing, placed there,
    // would lie outside a view left where the old rows were scrolled to.
    scrollTop_ = 0;
    requestScroll_ = true;
    invalidate();
    frameChanged();
}

std::intptr_t ListView::rowData(int row) const {
    return !isVirtual() && row >= 0 && row < static_cast<int>(rows_.size())
               ? rows_[static_cast<std::size_t>(row)]
               : 0;
}

void ListView::setVirtualRowCount(int count) {
    if (!isVirtual()) {
        return;
    }
    virtualCount_ = std::max(0, count);
    std::erase_if(selected_, [&](int s) { return s >= virtualCount_; });
    if (mark_ >= virtualCount_) {
        mark_ = -1;
    }
    if (focus_ >= virtualCount_) {
        focus_ = -1;
    }
    clampScroll();
    invalidate();
    frameChanged();
}

int ListView::rowCount() const {
    return isVirtual() ? virtualCount_ : static_cast<int>(rows_.size());
}

void ListView::setRowHeight(int height) {
    rowHeight_ = std::max(1, height);
    invalidate();
}

void ListView::setRowPainter(RowPainter painter) {
    painter_ = std::move(painter);
    invalidate();
}

void ListView::click(int row, unsigned modifiers) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    bool single = (widgetSpec().style & LVS_SINGLESEL) != 0;
    if (!single && (modifiers & SHIFT_KEY_PRESSED) != 0 && mark_ >= 0) {
        selected_.clear();
        for (int r = std::min(mark_, row); r <= std::max(mark_, row); ++r) {
            selected_.insert(r);
        }
    } else if (!single && (modifiers & CONTROL_KEY_PRESSED) != 0) {
        if (!selected_.erase(row)) {
            selected_.insert(row);
        }
        mark_ = row;
    } else {
        selected_ = {row};
        mark_ = row;
    }
    focus_ = row;
    invalidate();
}

void ListView::setSelected(int row, bool selected) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (selected) {
        if ((widgetSpec().style & LVS_SINGLESEL) != 0) {
            selected_.clear();
        }
        selected_.insert(row);
    } else {
        selected_.erase(row);
    }
    invalidate();
}

void ListView::clearSelection() {
    selected_.clear();
    invalidate();
}

void ListView::clampScroll() {
    int visible = visibleHeight();
    int maxTop = std::max(0, rowCount() * rowHeight_ - visible);
    scrollTop_ = std::clamp(scrollTop_, 0, maxTop);
    Element* e = element();
    int width = e != nullptr ? e->location().width() : 0;
    scrollLeft_ = std::clamp(scrollLeft_, 0, std::max(0, contentWidth() - width));
}

void ListView::scrollTo(int top) {
    scrollTo(top, scrollLeft_);
}

void ListView::scrollTo(int top, int left) {
    scrollTop_ = top;
    scrollLeft_ = left;
    clampScroll();
    // The renderer has already moved the drawing there; it needs a new one only once the
    // visible rows come close to the edge of what is drawn.
    if (!drawingCoversView()) {
        redraw();
    }
}

int ListView::rowsPerScreen() const {
    return std::max(1, (visibleHeight() + rowHeight_ - 1) / rowHeight_);
}

// Whether the last drawing still reaches half a screenful beyond the visible rows on either
// side, or to the first (last) row where that is nearer.
bool ListView::drawingCoversView() const {
    auto [first, last] = visibleRows();
    int margin = rowsPerScreen() / 2;
    bool above = first - std::min(margin, first) >= drawnFirst_;
    bool below = std::min(last + margin, rowCount()) <= drawnLast_;
    return above && below;
}

void ListView::ensureVisible(int row) {
    int visible = visibleHeight();
    int top = row * rowHeight_;
    if (top < scrollTop_) {
        scrollTop_ = top;
    } else if (top + rowHeight_ > scrollTop_ + visible) {
        scrollTop_ = top + rowHeight_ - visible;
    }
    clampScroll();
    requestScroll_ = true;
    invalidate();
}

int ListView::rowAt(int y) const {
    y -= headerHeight();
    if (y < 0) {
        return -1;
    }
    int row = (y + scrollTop_) / rowHeight_;
    return row < rowCount() ? row : -1;
}

std::pair<int, int> ListView::visibleRows() const {
    int height = visibleHeight();
    int first = scrollTop_ / rowHeight_;
    int last = (scrollTop_ + height + rowHeight_ - 1) / rowHeight_;
    return {std::min(first, rowCount()), std::min(last, rowCount())};
}

void ListView::invalidate() {
    sentPieces_.clear();
    redraw();
}

void ListView::redraw() {
    Element* e = element();
    if (e == nullptr) {
        return;
    }
    // The rows are drawn over all columns, unscrolled: the renderer scrolls the drawing
    // sideways itself, and up and down over the screenful drawn beyond each edge of the view.
    int width = std::max(e->location().width(), contentWidth());
    // The rows go in pieces of a few each, stacked: as it scrolls, the engine paints the
    // pieces in view only, where it would walk one drawing of all of them in every frame. The
    // pieces begin at whole multiples of their size, so that a piece drawn again as the list
    // scrolls on is the same as before, and the renderer keeps it as it is.
    constexpr int kRowsPerPiece = 8;
    auto [first, last] = visibleRows();
    int screen = rowsPerScreen();
    drawnFirst_ = std::max(0, first - screen) / kRowsPerPiece * kRowsPerPiece;
    // The last piece is whole too: a piece cut short at the edge would differ from the whole one
    // drawn once the list has scrolled on, and both would be laid out anew.
    drawnLast_ =
        std::min(rowCount(), (last + screen + kRowsPerPiece - 1) / kRowsPerPiece * kRowsPerPiece);
    // A piece's ids follow from its first row, so that it is the same each time it is drawn.
    // Scrolling changes nothing in a piece, so the pieces still drawn are kept and only those
    // new at the edges are painted: a scroll step's redraw would otherwise paint three
    // screenfuls of rows to add one, on the thread that shows the scroll. Everything else that
    // changes a piece (rows, selection, columns, the list's size) goes through invalidate().
    std::erase_if(sentPieces_, [&](int from) { return from < drawnFirst_ || from >= drawnLast_; });
    const std::string ids = widgetIdPrefix(e->uid());
    std::string drawing;
    drawing_ = true;
    lastPainted_ = 0;
    for (int from = drawnFirst_; from < drawnLast_; from += kRowsPerPiece) {
        // Each piece is keyed by its first row. A kept one was sent with the drawing before
        // and is the same, so it goes by its key alone: sending and reading the whole
        // drawing again took the thread that shows the scroll longer than a frame.
        const std::string key = "data-key=\"" + std::to_string(from) + '"';
        if (!sentPieces_.insert(from).second) {
            drawing += "<svg " + key + "/>";
            continue;
        }
        int to = std::min(drawnLast_, from + kRowsPerPiece);
        Canvas piece(width, (to - from) * rowHeight_, ids + 'r' + std::to_string(from) + '-');
        for (int row = from; row < to && painter_; ++row) {
            int top = (row - from) * rowHeight_;
            painter_(piece, row, Rect{0, top, width, top + rowHeight_}, isSelected(row));
            ++lastPainted_;
        }
        drawing += piece.svg(key);
    }
    Canvas header(width, headerHeight(), ids + "h-");
    paintHeader(header);
    drawing_ = false;
    // The renderer keeps a scroller as tall as all rows (number) and as wide as the columns
    // (x), with the header on top and the rows' drawing at its place below; y asks it to
    // scroll there, -1 leaves the user's position.
    Change change{Change::Kind::WidgetContent, e->uid(), "list", std::move(drawing)};
    if (headerHeight() > 0) {
        change.header = header.svg();
    }
    change.top = headerHeight() + static_cast<std::int64_t>(drawnFirst_) * rowHeight_;
    change.number = static_cast<std::int64_t>(rowCount()) * rowHeight_ + headerHeight();
    change.y = requestScroll_ ? scrollTop_ : -1;
    change.x = contentWidth();
    requestScroll_ = false;
    e->document().notify(change);
}

bool ListView::showsVerticalScrollBar() const {
    return rowCount() * rowHeight_ > visibleHeight();
}

void ListView::resized() {
    invalidate();
    frameChanged();
}

void ListView::frameChanged() {
    if (frameChanged_) {
        frameChanged_();
    }
}

void ListView::notifyParent(int code, int row, int column, Point point, int keyCode) {
    ListNotify notify{this, controlId(), code, row, column, point, keyCode};
    owner().send(WM_NOTIFY, static_cast<std::uintptr_t>(controlId()),
                 reinterpret_cast<std::intptr_t>(&notify));
}

std::intptr_t ListView::handleMessage(const Message& message) {
    bool input =
        (message.id >= WM_MOUSEMOVE && message.id <= WM_RBUTTONUP) || message.id == WM_KEYDOWN;
    if (!isEnabled() && input) {
        return 0;
    }
    if (message.id == WM_KEYDOWN) {
        return keyDown(static_cast<int>(message.wParam), static_cast<unsigned>(message.lParam)) ? 1
                                                                                                : 0;
    }
    int x = pointParamX(message.lParam);
    int y = pointParamY(message.lParam);
    unsigned modifiers = ((message.wParam & MK_CONTROL) != 0 ? CONTROL_KEY_PRESSED : 0) |
                         ((message.wParam & MK_SHIFT) != 0 ? SHIFT_KEY_PRESSED : 0);
    bool onHeader = y >= 0 && y < headerHeight();
    if (onHeader && (message.id == WM_LBUTTONDOWN || message.id == WM_LBUTTONDBLCLK)) {
        for (int i = 0; i < columnCount(); ++i) {
            Rect r = columnRect(i);
            if (x >= r.left && x < r.right && (widgetSpec().style & LVS_NOSORTHEADER) == 0) {
                notifyParent(LVN_COLUMNCLICK, -1, i);
            }
        }
        return 0;
    }
    switch (message.id) {
        case WM_LBUTTONDOWN:
            rightPressed_ = false;
            click(rowAt(y), modifiers);
            return 0;
        case WM_LBUTTONDBLCLK:
            click(rowAt(y), modifiers);
            notifyParent(NM_DBLCLK, rowAt(y), -1, {x, y});
            return 0;
        case WM_RBUTTONDOWN: {
            int row = rowAt(y);
            if (row >= 0 && !isSelected(row)) {
                click(row, 0);
            }
            rightPressed_ = true;
            return 0;
        }
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE: {
            const int row = message.id == WM_MOUSEMOVE ? rowAt(y) : -1;
            if (row != hoverRow_) {
                hoverRow_ = row;
                notifyParent(NM_HOVER, row, -1, {x, y});
            }
            return 0;
        }
        case WM_RBUTTONUP:
            // The click ends with the release: a menu the owner shows at the pointer would
            // otherwise be under the pointer when the button comes up, and take the release
            // as a click inside it that closes it.
            if (rightPressed_) {
                rightPressed_ = false;
                notifyParent(NM_RCLICK, rowAt(y), -1, {x, y});
            }
            return 0;
        default:
            return Control::handleMessage(message);
    }
}

}  // namespace vandrel::ui
