#include "tracks/track_list_row.h"

#include "core/units.h"

namespace vandrel::tracks {
namespace {

constexpr unsigned kLine = ui::kAlignMiddle;
// The first line holds the times on the left; a longer origin is cut to leave room for them.
constexpr std::size_t kOriginCharacters = 14;

std::string shortOrigin(const std::string& origin) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < origin.size(); ++i) {
        // A UTF-8 character starts at every byte but the continuation bytes 10xxxxxx.
        if ((static_cast<unsigned char>(origin[i]) & 0xC0) != 0x80 &&
            ++characters > kOriginCharacters) {
            return origin.substr(0, i) + "\u2026";
        }
    }
    return origin;
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
    canvas.text({2, r.top, r.right, r.top + 20},
                FormatShortDateTime(track.stime, settings) + "~" +
                    FormatShortDateTime(track.etime, settings),
                black, kLine | ui::kAlignLeft);
    canvas.text({2, r.bottom - 20, r.right, r.bottom},
                "dist:" + FormatDistance(track.dist, settings), black, kLine | ui::kAlignLeft);
    canvas.text({r.left, r.bottom - 20, r.right - 2, r.bottom},
                "average alt:" + FormatAltitude(track.avgalt, settings), black,
                kLine | ui::kAlignRight);
    // Right of the times, left of the shown track's marker.
    canvas.text({r.left, r.top, r.right - 20, r.top + 20}, shortOrigin(origin),
                ui::rgb(128, 128, 128), kLine | ui::kAlignRight);
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
