#pragma once
// The map widget (2000) of a page: the browser host that shows the placeholder, then the map
// page beside the program.

#include <string>

namespace vandrel::ui {
class BrowserHost;
class HtmlWindow;
}  // namespace vandrel::ui

namespace vandrel::map {

inline constexpr const char* kPlaceholderPage = "Html/load.html";
inline constexpr const char* kPoiMapPage = "Html/pmaps.html";
inline constexpr const char* kTrackMapPage = "Html/tmaps.html";

// The page's map widget, or null when it has none.
ui::BrowserHost* mapWidget(const ui::HtmlWindow& page);
// Loads a page beside the program ("Html/load.html") into the page's map widget.
void navigateMap(const ui::HtmlWindow& page, const std::string& name);

}  // namespace vandrel::map
