#pragma once
// The script calls that drive a map page, made through the map widget of the calling page;
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

class MapBridge {
  public:
    // Null for a page whose map is gone or not yet made: every call then does nothing.
    explicit MapBridge(ui::BrowserHost* map) : map_(map) {}

    void addWPMarker(int index, double lat, double lng, const std::string& iconPath) const;
    void clrWPMarker() const;
    void findAddress(const std::string& address) const;
    void setFindMarker(double lat, double lng, const std::string& imagePath) const;
    void setCenter(double lat, double lng, int zoom) const;
    void clrTKLine() const;
    // `drawn` runs once the page has taken the line in (or could not: it runs either way).
    void putTKLine(const std::vector<TrackPoint>& points, std::function<void()> drawn = {}) const;
    void addPhoto(int index, double lat, double lng, const std::string& photoPath) const;
    void delPhoto(int index) const;
    void clrPhoto() const;
    void setCar(double lat, double lng, const std::string& imagePath, int width, int height) const;
    void clrCar() const;
    void showInfo(double lat, double lng, const std::string& html) const;
    void closeInfo() const;
    void showAnimationPoint(double lat, double lng) const;
    // The tile layer of the map service, and its return after it could not be reached.
    void useTiles(const std::string& tiles, const std::string& attribution) const;
    void tilesOnline() const;
    // The sources the page offers, chosen one first (MapSources::document()), in place of
    // useTiles; the shown track, markers, centre and zoom stay as they are. A page showing a
    // source keeps it while it is still given, else shows the standard map; a page showing none
    // yet shows the chosen one.
    void useMapSources(const std::string& document) const;
    // Shows the source of that name among those given, as a choice on the map does.
    void showMapSource(const std::string& name) const;
    // The address search service of the POI map page.
    void useGeocoder(const std::string& address) const;

  private:
    void call(const char* function, std::vector<std::string> args = {}) const;

    ui::BrowserHost* map_;
};

// The document putTKLine passes: <?xml version="1.0"?><track><point id="0" lat=".." lng=".."
// [pho=".."]/>...</track>, compact, the positions as "%.5f" of their 32-bit values.
std::string trackDocument(const std::vector<TrackPoint>& points);

}  // namespace vandrel::map
