#pragma once
// The geometry of the borderless main frame, as pure functions: the work area a maximised
// frame fills, and the hit-test that tells the platform which drag a press on the frame starts.

#include <optional>

#include "ui/geometry.h"

namespace vandrel::app {

// The smallest frame at which every page shows all of its controls: the track page's calendar,
// list and menu beside a map and a chart that can still be read, the POI page's bar, and the
// settings page's sections.
inline constexpr int kMinimumFrameWidth = 960;
inline constexpr int kMinimumFrameHeight = 672;

// Rectangles in screen coordinates, edges inclusive-exclusive as the desktop reports them.
using ScreenRect = ui::Rect;

// The desktop (0, 0, width, height) less the panel when the panel lies along one whole edge.
// Coordinates within 2 pixels count as equal, so a panel a pixel or two off the edge still
// counts; the four tests run in the order bottom, left, top, right and a later match wins.
// Without a panel (or one that matches no edge) the whole desktop is the work area.
ScreenRect WorkArea(int desktopWidth, int desktopHeight, const std::optional<ScreenRect>& panel);

// What a point of the frame is, with the values the window systems agree on.
enum class FrameHit {
    Client = 1,
    Caption = 2,
    SystemMenu = 3,
    Left = 10,
    Right = 11,
    Top = 12,
    TopLeft = 13,
    TopRight = 14,
    Bottom = 15,
    BottomLeft = 16,
    BottomRight = 17,
};

// The frame's elements as the page last laid them out (client coordinates); an element the
// page lacks is empty and takes no part.
struct FrameLayout {
    std::optional<ui::Rect> caption;
    std::optional<ui::Rect> icon;
    std::optional<ui::Rect> bodyContent;  // the body's content box: all but the 3-pixel ring
};

// A maximised frame is all client. Otherwise the caption moves, the icon is the system menu,
// the body's content box is client, and the ring around it resizes, with 10-pixel corner zones
// that reach along the side rings.
FrameHit frameHitTest(ui::Point point, bool maximised, const FrameLayout& layout);

}  // namespace vandrel::app
