#pragma once
// A drawing surface for the controls their owners paint (calendar, chart, list rows), with the
// operations those owners use. It records the drawing as SVG, which the renderer shows inside
// the control's element; coordinates are CSS pixels from the control's top-left corner.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/geometry.h"

namespace vandrel::ui {

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

inline constexpr Color rgb(int r, int g, int b) {
    return Color{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                 static_cast<std::uint8_t>(b)};
}

// Text alignment flags inside the rectangle.
inline constexpr unsigned kAlignLeft = 0x0;
inline constexpr unsigned kAlignCenter = 0x1;
inline constexpr unsigned kAlignRight = 0x2;
inline constexpr unsigned kAlignTop = 0x0;
inline constexpr unsigned kAlignMiddle = 0x4;
inline constexpr unsigned kAlignBottom = 0x8;

struct Font {
    int size = 12;
    bool bold = false;
};

// The start of the ids in the drawings of one widget: "w" and its uid.
std::string widgetIdPrefix(std::uint64_t uid);

class Canvas {
  public:
    // The ids of the drawing's clips and gradients begin with idPrefix. They are the page's
    // own: a reference goes to the first element of the whole page with that id, so every
    // drawing shown at once needs a prefix of its own.
    Canvas(int width, int height, std::string idPrefix = {});

    int width() const { return width_; }
    int height() const { return height_; }
    void setFont(Font font) { font_ = font; }

    void fillRect(const Rect& rect, Color color);
    // A frame of the given width inside the rectangle.
    void frameRect(const Rect& rect, Color color, int width = 1);
    void line(Point from, Point to, Color color, int width = 1);
    void roundRect(const Rect& rect, int radius, Color fill, Color border);
    void verticalGradient(const Rect& rect, Color top, Color bottom);
    // UTF-8 text, clipped to the rectangle, aligned by the flags.
    void text(const Rect& rect, std::string_view text, Color color, unsigned align = 0);
    // Text read from bottom to top, centred in the rectangle (an axis title).
    void verticalText(const Rect& rect, std::string_view text, Color color);
    // One stroke through the points, joined; as cheap to show as one line.
    void polyline(const std::vector<Point>& points, Color color, int width = 1);
    // An image by address (a file beside the program, such as images/car.png).
    void bitmap(const Rect& rect, std::string_view address);

    // The drawing as one <svg> element; rootAttributes (name="value" pairs, escaped) go on it.
    std::string svg(std::string_view rootAttributes = {}) const;
    std::size_t operations() const { return operations_; }

  private:
    int width_;
    int height_;
    Font font_;
    std::string body_;
    std::string defs_;
    std::size_t operations_ = 0;
    std::string idPrefix_;
    int nextId_ = 0;
};

}  // namespace vandrel::ui
