// Tables of selectable rows: grid and sortable-grid. The attribute `fixedrows` gives the
// number of header rows (never selected), `multiple` allows several checked rows.
//
// Selection with `multiple`: a plain press makes the row current, the anchor and the only
// checked row; Ctrl+press toggles the row and moves the anchor to it; Shift+press (or Shift
// with a key) checks exactly the rows from the anchor to the new current row.

#include <algorithm>
#include <cstdlib>

#include "ui/behavior.h"
#include "ui/html_window.h"

namespace vandrel::ui {
namespace {

Element* owningTable(Element& e) {
    for (Element* p = e.parent(); p != nullptr; p = p->parent()) {
        if (p->tag() == "table") {
            return p;
        }
    }
    return nullptr;
}

std::vector<Element*> rowsOf(Element& table) {
    std::vector<Element*> rows;
    for (Element* tr : table.select("tr")) {
        if (owningTable(*tr) == &table) {
            rows.push_back(tr);
        }
    }
    return rows;
}

std::size_t fixedRows(const Element& table) {
    return static_cast<std::size_t>(std::max(0, std::atoi(table.attribute("fixedrows").c_str())));
}

Element* rowAt(Element& table, Element* target) {
    for (Element* e = target; e != nullptr && e != &table; e = e->parent()) {
        if (e->tag() == "tr" && owningTable(*e) == &table) {
            return e;
        }
    }
    return nullptr;
}

class Grid : public Behavior {
  public:
    explicit Grid(std::string name = "grid")
        : Behavior(std::move(name), HANDLE_MOUSE | HANDLE_KEY | HANDLE_FOCUS) {}

    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        if (event.type != MouseEventType::Down && event.type != MouseEventType::DoubleClick) {
            return false;
        }
        auto rows = rowsOf(self);
        Element* row = rowAt(self, event.target);
        auto it = std::find(rows.begin(), rows.end(), row);
        if (row == nullptr || it - rows.begin() < static_cast<std::ptrdiff_t>(fixedRows(self))) {
            return false;
        }
        select(window, self, *row, event.modifiers);
        return true;
    }

    bool onKey(HtmlWindow& window, Element& self, KeyEvent& event) override {
        if (event.type != KeyEventType::Down) {
            return false;
        }
        std::vector<Element*> data;
        auto rows = rowsOf(self);
        for (std::size_t i = fixedRows(self); i < rows.size(); ++i) {
            if (rows[i]->isVisible()) {
                data.push_back(rows[i]);
            }
        }
        if (data.empty()) {
            return false;
        }
        auto cur = std::find_if(data.begin(), data.end(),
                                [](Element* r) { return r->hasState(STATE_CURRENT); });
        std::ptrdiff_t index = cur != data.end() ? cur - data.begin() : -1;
        std::ptrdiff_t last = static_cast<std::ptrdiff_t>(data.size()) - 1;
        int rowHeight = std::max(1, data.front()->location().height());
        std::ptrdiff_t page = std::max(1, self.location().height() / rowHeight);
        switch (event.keyCode) {
            case VK_UP:
                index = std::max<std::ptrdiff_t>(0, index - 1);
                break;
            case VK_DOWN:
                index = std::min(last, index + 1);
                break;
            case VK_HOME:
                index = 0;
                break;
            case VK_END:
                index = last;
                break;
            case VK_PRIOR:
                index = std::max<std::ptrdiff_t>(0, index - page);
                break;
            case VK_NEXT:
                index = std::min(last, index + page);
                break;
            default:
                return false;
        }
        Element& row = *data[static_cast<std::size_t>(index)];
        select(window, self, row, event.modifiers & SHIFT_KEY_PRESSED);
        row.scrollIntoView();
        return true;
    }

  protected:
    void select(HtmlWindow& window, Element& table, Element& row, unsigned modifiers) {
        auto rows = rowsOf(table);
        std::size_t first = fixedRows(table);
        Element* anchor = nullptr;
        for (Element* r : rows) {
            if (r->hasState(STATE_ANCHOR)) {
                anchor = r;
            }
            r->setState(0, STATE_CURRENT);
        }
        row.setState(STATE_CURRENT);
        bool multiple = table.hasAttribute("multiple");
        if (multiple && (modifiers & SHIFT_KEY_PRESSED) != 0 && anchor != nullptr) {
            auto a = std::find(rows.begin(), rows.end(), anchor) - rows.begin();
            auto b = std::find(rows.begin(), rows.end(), &row) - rows.begin();
            auto [lo, hi] = std::minmax(a, b);
            for (std::size_t i = first; i < rows.size(); ++i) {
                auto pos = static_cast<std::ptrdiff_t>(i);
                rows[i]->setState(pos >= lo && pos <= hi ? STATE_CHECKED : 0,
                                  pos >= lo && pos <= hi ? 0 : STATE_CHECKED);
            }
        } else {
            for (Element* r : rows) {
                r->setState(0, STATE_ANCHOR);
            }
            row.setState(STATE_ANCHOR);
            if (multiple && (modifiers & CONTROL_KEY_PRESSED) != 0) {
                row.setState(row.hasState(STATE_CHECKED) ? 0 : STATE_CHECKED,
                             row.hasState(STATE_CHECKED) ? STATE_CHECKED : 0);
            } else if (multiple) {
                for (Element* r : rows) {
                    r->setState(0, STATE_CHECKED);
                }
                row.setState(STATE_CHECKED);
            }
        }
        window.sendBehaviorEvent(BehaviorEvent{TABLE_ROW_CLICK, &table, &row, 0, false});
    }
};

// Text of a cell as the sort key: numbers compare as numbers, anything else as text.
bool cellLess(const std::string& a, const std::string& b) {
    char* endA = nullptr;
    char* endB = nullptr;
    double x = std::strtod(a.c_str(), &endA);
    double y = std::strtod(b.c_str(), &endB);
    bool numA = !a.empty() && *endA == '\0';
    bool numB = !b.empty() && *endB == '\0';
    if (numA && numB) {
        return x < y;
    }
    return a < b;
}

class SortableGrid : public Grid {
  public:
    SortableGrid() : Grid("sortable-grid") {}

    bool onMouse(HtmlWindow& window, Element& self, MouseEvent& event) override {
        if (event.type != MouseEventType::Down) {
            return Grid::onMouse(window, self, event);
        }
        Element* cell = nullptr;
        for (Element* e = event.target; e != nullptr && e != &self; e = e->parent()) {
            if (e->tag() == "th") {
                cell = e;
                break;
            }
        }
        if (cell == nullptr) {
            return Grid::onMouse(window, self, event);
        }
        for (Element* th : self.select("th")) {
            th->setState(0, STATE_CHECKED);
        }
        cell->setState(STATE_CHECKED);
        sortBy(self, static_cast<std::size_t>(std::max(0, cell->index())));
        window.sendBehaviorEvent(BehaviorEvent{TABLE_HEADER_CLICK, &self, cell, 0, false});
        return true;
    }

  private:
    static void sortBy(Element& table, std::size_t column) {
        auto rows = rowsOf(table);
        std::size_t first = fixedRows(table);
        if (first >= rows.size()) {
            return;
        }
        Element* container = rows[first]->parent();
        // Header rows that share the container with the data stay on top.
        std::size_t from = 0;
        for (std::size_t i = 0; i < first; ++i) {
            from += rows[i]->parent() == container ? 1 : 0;
        }
        auto key = [column](const Element& row) {
            Element* cell = row.child(column);
            return cell != nullptr ? cell->text() : std::string();
        };
        container->sortChildren(
            from, container->childCount(),
            [&](const Element& a, const Element& b) { return cellLess(key(a), key(b)); });
        for (Element* r : rowsOf(table)) {
            if (r->hasState(STATE_CURRENT)) {
                r->scrollIntoView();
            }
        }
    }
};

}  // namespace

Behavior& gridBehavior() {
    static Grid b;
    return b;
}
Behavior& sortableGridBehavior() {
    static SortableGrid b;
    return b;
}

}  // namespace vandrel::ui
