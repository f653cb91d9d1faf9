#include "ui/canvas.h"

#include <cstdio>
#include <utility>

#include "ui/html_escape.h"

namespace vandrel::ui {
namespace {

std::string colour(Color c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.r, c.g, c.b);
    return buffer;
}

std::string rectAttrs(const Rect& r) {
    return "x=\"" + std::to_string(r.left) + "\" y=\"" + std::to_string(r.top) + "\" width=\"" +
           std::to_string(r.width() < 0 ? 0 : r.width()) + "\" height=\"" +
           std::to_string(r.height() < 0 ? 0 : r.height()) + '"';
}

}  // namespace

std::string widgetIdPrefix(std::uint64_t uid) {
    std::string prefix = "w";
    prefix += std::to_string(uid);
    return prefix;
}

Canvas::Canvas(int width, int height, std::string idPrefix)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      idPrefix_(std::move(idPrefix)) {}

void Canvas::fillRect(const Rect& rect, Color color) {
    body_ += "<rect " + rectAttrs(rect) + " fill=\"" + colour(color) + "\"/>";
    ++operations_;
}

void Canvas::frameRect(const Rect& rect, Color color, int width) {
    // The stroke is centred on its path, so the path runs half a pen inside the rectangle.
    double half = width / 2.0;
    if (rect.width() < width * 2 || rect.height() < width * 2) {
        return;
    }
    char buffer[160];
    std::snprintf(
        buffer, sizeof buffer, "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" ",
        rect.left + half, rect.top + half, rect.width() - 2 * half, rect.height() - 2 * half);
    body_ += buffer;
    body_ += "stroke=\"" + colour(color) + "\" stroke-width=\"" + std::to_string(width) + "\"/>";
    ++operations_;
}

void Canvas::line(Point from, Point to, Color color, int width) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" ",
                  from.x + 0.5, from.y + 0.5, to.x + 0.5, to.y + 0.5);
    body_ += buffer;
    body_ += "stroke=\"" + colour(color) + "\" stroke-width=\"" + std::to_string(width) + "\"/>";
    ++operations_;
}

void Canvas::roundRect(const Rect& rect, int radius, Color fill, Color border) {
    body_ += "<rect " + rectAttrs(rect) + " rx=\"" + std::to_string(radius) + "\" fill=\"" +
             colour(fill) + "\" stroke=\"" + colour(border) + "\"/>";
    ++operations_;
}

void Canvas::verticalGradient(const Rect& rect, Color top, Color bottom) {
    std::string id = idPrefix_ + "g";
    id += std::to_string(nextId_++);
    defs_ += "<linearGradient id=\"" + id + "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">" +
             "<stop offset=\"0\" stop-color=\"" + colour(top) + "\"/><stop offset=\"1\" " +
             "stop-color=\"" + colour(bottom) + "\"/></linearGradient>";
    body_ += "<rect " + rectAttrs(rect) + " fill=\"url(#" + id + ")\"/>";
    ++operations_;
}

void Canvas::text(const Rect& rect, std::string_view text, Color color, unsigned align) {
    std::string id = idPrefix_ + "c";
    id += std::to_string(nextId_++);
    defs_ += "<clipPath id=\"" + id + "\"><rect " + rectAttrs(rect) + "/></clipPath>";
    int x = rect.left;
    const char* anchor = "start";
    if ((align & kAlignRight) != 0) {
        x = rect.right;
        anchor = "end";
    } else if ((align & kAlignCenter) != 0) {
        x = (rect.left + rect.right) / 2;
        anchor = "middle";
    }
    int y = rect.top + font_.size;
    if ((align & kAlignMiddle) != 0) {
        y = (rect.top + rect.bottom) / 2 + font_.size * 35 / 100;
    } else if ((align & kAlignBottom) != 0) {
        y = rect.bottom - font_.size / 4;
    }
    body_ += "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
             "\" text-anchor=\"" + anchor + "\" font-size=\"" + std::to_string(font_.size) + "\"" +
             (font_.bold ? " font-weight=\"bold\"" : "") + " fill=\"" + colour(color) +
             "\" clip-path=\"url(#" + id + ")\">";
    appendEscaped(text, HtmlEscape::Text, body_);
    body_ += "</text>";
    ++operations_;
}

void Canvas::verticalText(const Rect& rect, std::string_view text, Color color) {
    const int cx = (rect.left + rect.right) / 2;
    const int cy = (rect.top + rect.bottom) / 2;
    body_ += "<text x=\"" + std::to_string(cx) + "\" y=\"" +
             std::to_string(cy + font_.size * 35 / 100) + "\" text-anchor=\"middle\" font-size=\"" +
             std::to_string(font_.size) + "\" fill=\"" + colour(color) +
             "\" transform=\"rotate(-90 " + std::to_string(cx) + " " + std::to_string(cy) + ")\">";
    appendEscaped(text, HtmlEscape::Text, body_);
    body_ += "</text>";
    ++operations_;
}

void Canvas::polyline(const std::vector<Point>& points, Color color, int width) {
    if (points.empty()) {
        return;
    }
    body_ += "<polyline fill=\"none\" stroke-linejoin=\"round\" stroke=\"" + colour(color) +
             "\" stroke-width=\"" + std::to_string(width) + "\" points=\"";
    for (const Point& p : points) {
        body_ += std::to_string(p.x);
        body_ += ',';
        body_ += std::to_string(p.y);
        body_ += ' ';
    }
    body_.back() = '"';
    body_ += "/>";
    ++operations_;
}

void Canvas::bitmap(const Rect& rect, std::string_view address) {
    body_ += "<image " + rectAttrs(rect) + " href=\"";
    appendEscaped(address, HtmlEscape::Attribute, body_);
    body_ += "\"/>";
    ++operations_;
}

std::string Canvas::svg(std::string_view rootAttributes) const {
    std::string out = "<svg ";
    if (!rootAttributes.empty()) {
        out.append(rootAttributes).append(" ");
    }
    out += "xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width_) +
           "\" height=\"" + std::to_string(height_) + "\" font-family=\"sans-serif\">";
    if (!defs_.empty()) {
        out += "<defs>" + defs_ + "</defs>";
    }
    out += body_;
    out += "</svg>";
    return out;
}

}  // namespace vandrel::ui
