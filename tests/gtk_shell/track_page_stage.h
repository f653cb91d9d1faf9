#pragma once
// What the track page's Xvfb suites share: the page, its lists, chart and map, the places of
// days, rows and map points on screen, and waits for what the map page holds.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gtk_shell/shell_stage.h"
#include "map/map_widget.h"
#include "store/sqlite_db.h"
#include "tracks/track_page.h"
#include "ui/browser_host.h"
#include "ui/list_view.h"
#include "ui/static_control.h"

namespace vandrel::gtk {

inline tracks::CPageTrack& trackPage() {
    return *host().trackPage();
}

inline ui::ListView& trackList() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::ListView*>(
        page.control(*page.document().selectFirst("widget[id='6000']")));
}

inline std::string run() {
    return stage->tiles != nullptr ? "tiles" : "offline";
}

inline int storedPoints(int objid) {
    return session().database().scalar(
        ("select count(*) from TKPT where tkid=" + std::to_string(objid) + ";").c_str());
}

// The rectangle of a day of the shown month in the calendar control, or an empty one.
inline ui::Rect dayCell(int day) {
    const tracks::MonthCalendar& calendar = trackPage().calendar();
    for (const tracks::CalendarCell& cell : calendar.cells()) {
        if (cell.date == tracks::CalendarDate{calendar.year(), calendar.month(), day}) {
            return cell.rect;
        }
    }
    return {};
}

// A point of the calendar control in the main window.
inline std::pair<int, int> inCalendar(int x, int y) {
    return pointIn(trackPage(), *trackPage().document().selectFirst("widget[id='5000']"), x, y);
}

inline std::pair<int, int> rowCentre(int row) {
    ui::ListView& list = trackList();
    const ui::Element& e = *list.element();
    return pointIn(
        trackPage(), e, e.location().width() / 2,
        list.headerHeight() + row * list.rowHeight() + list.rowHeight() / 2 - list.scrollTop());
}

inline void doubleClickAt(std::pair<int, int> at) {
    GtkWidget* view = viewOf(stage->shell->window());
    clickAt(at);
    button(view, at, GDK_2BUTTON_PRESS);
    pump(30);
    button(view, at, GDK_BUTTON_RELEASE);
    pump(30);
}

inline bool menuShown() {
    for (ui::Element* popup : trackPage().shownPopups()) {
        if (popup->attribute("id") == "tkmenu") {
            return true;
        }
    }
    return false;
}

// Right-clicks the row and waits for the list's menu to show on screen.
inline ::testing::AssertionResult openMenuOn(int row) {
    clickAt(rowCentre(row), 3);
    ::testing::AssertionResult shown = pumpUntil([] {
        return menuShown() && !trackPage().document().selectFirst("#tkdel")->location().isEmpty();
    });
    if (!shown) {
        return shown;
    }
    // A white menu with its three texts on it.
    return screenUntil("track-menu-" + run(), [](GdkPixbuf* shot) {
        auto [x, y] = centreOf(trackPage(), "tkgpx");
        auto [dx, dy] = centreOf(trackPage(), "tkdel");
        return near(pixel(shot, x + 170, y), {255, 255, 255}) &&
               colours(shot, x - 170, y - 8, dx + 170, dy + 8) > 3;
    });
}

// Waits until the map page says its track line holds that many points, asking again after
// each answer.
inline ::testing::AssertionResult mapLineHolds(int points) {
    struct Asking {
        bool waiting = false;
        std::string said = "nothing";
    };
    auto asking = std::make_shared<Asking>();
    ::testing::AssertionResult held = pumpUntil([&] {
        ui::BrowserHost* map = map::mapWidget(trackPage());
        if (!asking->waiting && map != nullptr) {
            asking->waiting =
                map->callFunction("trackPointCount", {}, [asking](bool found, std::string result) {
                    asking->said = found ? result : "no function";
                    asking->waiting = false;
                });
        }
        return asking->said == std::to_string(points);
    });
    if (!held) {
        held << "; the map page said " << asking->said << ", not " << points;
    }
    return held;
}

inline ui::StaticControl& chartControl() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::StaticControl*>(
        page.control(*page.document().selectFirst("widget[id='5001']")));
}

inline ui::ListView& pointList() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::ListView*>(
        page.control(*page.document().selectFirst("widget[id='6001']")));
}

inline const ui::Element& mapElement() {
    return *trackPage().document().selectFirst("widget[id='2000']");
}

inline const std::vector<TrackPoint>& shownPoints() {
    return trackPage().dayTracks()[static_cast<std::size_t>(trackPage().shownTrack())].points;
}

// A point of the chart control in the main window.
inline std::pair<int, int> inChart(int x, int y) {
    return pointIn(trackPage(), *chartControl().element(), x, y);
}

struct LatLng {
    double lat = 0;
    double lng = 0;
};
inline std::optional<LatLng> latLng(const std::string& text) {
    LatLng at;
    if (std::sscanf(text.c_str(), "%lf,%lf", &at.lat, &at.lng) != 2) {
        return std::nullopt;
    }
    return at;
}
// Degrees within which two positions count as one: the map pans by whole pixels.
inline constexpr double kSamePlace = 2e-4;
inline bool samePlace(const std::string& text, double lat, double lng) {
    const std::optional<LatLng> at = latLng(text);
    return at && std::abs(at->lat - lat) < kSamePlace && std::abs(at->lng - lng) < kSamePlace;
}

// A place in the map page ("x,y" of its pixels) as a point of the main window.
inline std::optional<std::pair<int, int>> mapPlace(const std::string& text) {
    int x = 0;
    int y = 0;
    if (std::sscanf(text.c_str(), "%d,%d", &x, &y) != 2) {
        return std::nullopt;
    }
    return pointIn(trackPage(), mapElement(), x, y);
}

// Clicks the place the map page names once it names one inside the map.
inline ::testing::AssertionResult clickMapPlace(
    const std::string& function, const std::vector<std::string>& args,
    std::source_location where = std::source_location::current()) {
    const ui::Rect box = mapElement().location();
    std::string said;
    ::testing::AssertionResult placed = mapAnswers(
        trackPage(), function, args,
        [&](const std::string& text) {
            int x = 0;
            int y = 0;
            return std::sscanf(text.c_str(), "%d,%d", &x, &y) == 2 && x > 0 && y > 0 &&
                   x < box.width() && y < box.height();
        },
        &said, where);
    if (placed) {
        clickAt(*mapPlace(said));
    }
    return placed;
}

// The element's box in the main window, within the screen.
inline ui::Rect screenBox(GdkPixbuf* shot, const ui::Element& element) {
    auto [x0, y0] = pointIn(trackPage(), element, 0, 0);
    auto [x1, y1] =
        pointIn(trackPage(), element, element.location().width(), element.location().height());
    return {std::max(x0, 0), std::max(y0, 0), std::min(x1, gdk_pixbuf_get_width(shot)),
            std::min(y1, gdk_pixbuf_get_height(shot))};
}

inline int pixelsNear(GdkPixbuf* shot, const ui::Element& element, Rgb colour) {
    const ui::Rect box = screenBox(shot, element);
    int found = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            found += near(pixel(shot, x, y), colour) ? 1 : 0;
        }
    }
    return found;
}

}  // namespace vandrel::gtk
