#include "app/frame_geometry.h"

#include <cstdlib>

namespace vandrel::app {

namespace {

bool near(int a, int b) {
    return std::abs(a - b) < 3;
}

}  // namespace

ScreenRect WorkArea(int desktopWidth, int desktopHeight, const std::optional<ScreenRect>& panel) {
    const int w = desktopWidth;
    const int h = desktopHeight;
    ScreenRect area{0, 0, w, h};
    if (!panel) {
        return area;
    }
    const ScreenRect& t = *panel;
    if (near(t.left, 0) && near(t.right, w) && near(t.bottom, h)) {
        area = {0, 0, w, t.top};
    }
    if (near(t.left, 0) && near(t.top, 0) && near(t.bottom, h)) {
        area = {t.right, 0, w, h};
    }
    if (near(t.left, 0) && near(t.top, 0) && near(t.right, w)) {
        area = {0, t.bottom, w, h};
    }
    if (near(t.top, 0) && near(t.right, w) && near(t.bottom, h)) {
        area = {0, 0, t.left, h};
    }
    return area;
}

FrameHit frameHitTest(ui::Point p, bool maximised, const FrameLayout& layout) {
    if (maximised) {
        return FrameHit::Client;
    }
    if (layout.caption && layout.caption->contains(p)) {
        return FrameHit::Caption;
    }
    if (layout.icon && layout.icon->contains(p)) {
        return FrameHit::SystemMenu;
    }
    if (!layout.bodyContent) {
        return FrameHit::Client;
    }
    const ui::Rect& body = *layout.bodyContent;
    if (body.contains(p)) {
        return FrameHit::Client;
    }
    // The corner zones come first, so that they reach 10 pixels along the side rings.
    if (p.y < body.top + 10) {
        if (p.x < body.left + 10) {
            return FrameHit::TopLeft;
        }
        if (p.x > body.right - 10) {
            return FrameHit::TopRight;
        }
    } else if (p.y > body.bottom - 10) {
        if (p.x < body.left + 10) {
            return FrameHit::BottomLeft;
        }
        if (p.x > body.right - 10) {
            return FrameHit::BottomRight;
        }
    }
    if (p.y < body.top) {
        return FrameHit::Top;
    }
    if (p.y > body.bottom) {
        return FrameHit::Bottom;
    }
    if (p.x < body.left) {
        return FrameHit::Left;
    }
    if (p.x > body.right) {
        return FrameHit::Right;
    }
    return FrameHit::Client;
}

}  // namespace vandrel::app
