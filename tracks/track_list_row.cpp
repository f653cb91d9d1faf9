#include "tracks/track_list_row.h"

#include <string_view>

#include "core/units.h"

namespace vandrel::tracks {
namespace {

constexpr unsigned kLine = ui::kAlignMiddle;
constexpr int kGap = 6;

// The first line holds the times on the left and the origin right of them. The canvas cannot
// measure text, so widths are estimated, in tenths of a pixel, from the characters at the
// list's 12 pixels: a little above the common sans-serif faces' widths for the times, so that
// the origin starts past the end time (its clip keeps it there), and about theirs for the
// origin, which is cut to the room left.
int estimatedWidth(std::string_view text) {
    int tenths = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u & 0xC0) == 0x80) {
            continue;  // a continuation byte of a UTF-8 character
        }
        if (c >= '0' && c <= '9') {
            tenths += 77;
        } else if (c == ' ' || c == '.' || c == ':' || c == '-' || c == '/') {
            tenths += 45;
        } else if (c == '~') {
            tenths += 101;
        } else if (c >= 'a' && c <= 'z') {
            tenths += 70;
        } else {
            tenths += 85;
        }
    }
    return (tenths + 9) / 10;
}

// The origin whole when it fits the width, else as much of it as fits with an ellipsis.
std::string shortOrigin(const std::string& origin, int width) {
    if (estimatedWidth(origin) <= width) {
        return origin;
    }
    const int room = width - estimatedWidth("\u2026");
    std::size_t end = 0;
    for (std::size_t i = 1; i < origin.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(origin[i]) & 0xC0) != 0x80;
        if (starts && estimatedWidth(std::string_view(origin).substr(0, i)) <= room) {
            end = i;
        }
    }
    return end == 0 ? std::string() : origin.substr(0, end) + "\u2026";
}

}  // namespace

void paintRowBackground(ui::Canvas& canvas, const ui::Rect& r, bool selected) {
    canvas.fillRect(r, ui::rgb(255, 255, 255));
    if (selected) {
        const ui::Rect outer{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        const ui::Rect inner{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
        const ui::Rect fill{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
        canvas.roundRect(outer, 5, ui::rgb(255, 255, 255), ui::rgb(170, 200, 245));
        canvas.roundRect(inner, 2, ui::rgb(255, 255, 255), ui::rgb(230, 250, 250));
        canvas.verticalGradient(fill, ui::rgb(235, 245, 245), ui::rgb(225, 235, 245));
    }
}

void paintTrackRow(ui::Canvas& canvas, const TrackHeader& track, const std::string& origin,
                   const ui::Rect& r, bool selected, bool marked, const DeviceSettings& settings) {
    paintRowBackground(canvas, r, selected);
    const ui::Color black = ui::rgb(0, 0, 0);
    const std::string times = FormatShortDateTime(track.stime, settings) + "~" +
                              FormatShortDateTime(track.etime, settings);
    canvas.text({2, r.top, r.right, r.top + 20}, times, black, kLine | ui::kAlignLeft);
    canvas.text({2, r.bottom - 20, r.right, r.bottom},
                "dist:" + FormatDistance(track.dist, settings), black, kLine | ui::kAlignLeft);
    canvas.text({r.left, r.bottom - 20, r.right - 2, r.bottom},
                "average alt:" + FormatAltitude(track.avgalt, settings), black,
                kLine | ui::kAlignRight);
    // Right of the times, left of the shown track's marker.
    const int originLeft = 2 + estimatedWidth(times) + kGap;
    const ui::Rect originBox{originLeft, r.top, r.right - 20, r.top + 20};
    canvas.text(originBox, shortOrigin(origin, originBox.width()), ui::rgb(128, 128, 128),
                kLine | ui::kAlignRight);
    canvas.line({r.left, r.bottom - 1}, {r.right, r.bottom - 1}, ui::rgb(200, 200, 200));
    if (marked) {
        canvas.bitmap({r.right - 18, r.top + 4, r.right - 2, r.top + 20}, kShownTrackMarker);
    }
}

int trackColumnWidth(int width, bool verticalScrollBar) {
    if (verticalScrollBar && width == kTrackColumnWide) {
        return kTrackColumnNarrow;
    }
    if (!verticalScrollBar && width == kTrackColumnNarrow) {
        return kTrackColumnWide;
    }
    return width;
}

std::string trackCountText(int count) {
    return "Total " + std::to_string(count) + " Track" + (count > 1 ? "s" : "");
}

}  // namespace vandrel::tracks
