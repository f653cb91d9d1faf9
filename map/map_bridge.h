#pragma once
// The script calls that drive a map page. Each takes the map widget of the calling page first;
// every argument travels as text (numbers with 5 decimals, integers in plain decimal) and as
// data, never as script source. A call before the map page is loaded, or of a function the
// loaded page lacks, does nothing and reports nothing.

#include <functional>
#include <string>
#include <vector>

#include "core/track_records.h"

namespace vandrel::ui {
class BrowserHost;
}

namespace vandrel::map {

struct MapBridge {
    static void addWPMarker(ui::BrowserHost* map, int index, double lat, double lng,
                            const std::string& iconPath);
    static void clrWPMarker(ui::BrowserHost* map);
    static void findAddress(ui::BrowserHost* map, const std::string& address);
    static void setFindMarker(ui::BrowserHost* map, double lat, double lng,
                              const std::string& imagePath);
    static void setCenter(ui::BrowserHost* map, double lat, double lng, int zoom);
    static void clrTKLine(ui::BrowserHost* map);
    // `drawn` runs once the page has taken the line in (or could not: it runs either way).
    static void putTKLine(ui::BrowserHost* map, const std::vector<TrackPoint>& points,
                          std::function<void()> drawn = {});
    static void addPhoto(ui::BrowserHost* map, int index, double lat, double lng,
                         const std::string& photoPath);
    static void delPhoto(ui::BrowserHost* map, int index);
    static void clrPhoto(ui::BrowserHost* map);
    static void setCar(ui::BrowserHost* map, double lat, double lng, const std::string& imagePath,
                       int width, int height);
    static void clrCar(ui::BrowserHost* map);
    static void showInfo(ui::BrowserHost* map, double lat, double lng, const std::string& html);
    static void closeInfo(ui::BrowserHost* map);
    static void showAnimationPoint(ui::BrowserHost* map, double lat, double lng);
    // The tile layer of the map service, and its return after it could not be reached.
    static void useTiles(ui::BrowserHost* map, const std::string& tiles,
                         const std::string& attribution);
    static void tilesOnline(ui::BrowserHost* map);
    // The address search service of the POI map page.
    static void useGeocoder(ui::BrowserHost* map, const std::string& address);
};

// The document putTKLine passes: <?xml version="1.0"?><track><point id="0" lat=".." lng=".."
// [pho=".."]/>...</track>, compact, the positions as "%.5f" of their 32-bit values.
std::string trackDocument(const std::vector<TrackPoint>& points);

// A bubble's HTML text with every value the program pastes into it escaped.
std::string escapeHtml(const std::string& text);

}  // namespace vandrel::map
