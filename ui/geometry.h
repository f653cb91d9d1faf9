#pragma once
// Points and rectangles in CSS pixels. A rectangle is half-open: right and bottom lie outside,
// as with the window rectangles the pages were written against.

namespace vandrel::ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Point origin() const { return {left, top}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace vandrel::ui
