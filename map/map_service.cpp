#include "map/map_service.h"

#include <cstdlib>

namespace vandrel::map {

namespace {

// A template as it is; a service's address with the usual /{z}/{x}/{y}.png after it.
std::string tileTemplate(const std::string& setting) {
    if (setting.find("{z}") != std::string::npos) {
        return setting;
    }
    return setting + (setting.back() == '/' ? "{z}/{x}/{y}.png" : "/{z}/{x}/{y}.png");
}

}  // namespace

MapService MapService::fromSetting(const std::string& setting) {
    MapService service;
    if (setting.empty()) {
        return service;
    }
    service.tiles = tileTemplate(setting);
    // Another service's tiles are not OpenStreetMap's unless it says so.
    if (service.tiles != kDefaultTiles) {
        service.attribution = "Map tiles: " + service.probeAddress();
    }
    return service;
}

std::string MapService::probeAddress() const {
    const std::size_t scheme = tiles.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t end = tiles.find('/', start);
    return (end == std::string::npos ? tiles : tiles.substr(0, end)) + "/";
}

MapService MapService::fromEnvironment() {
    MapService service;
    // One setting names the tile service for the map pages and the probe alike.
    if (const char* tiles = std::getenv("VANDREL_MAP_SERVICE"); tiles != nullptr && *tiles) {
        service = fromSetting(tiles);
    }
    if (const char* topo = std::getenv("VANDREL_TOPO_SERVICE"); topo != nullptr && *topo) {
        service.topoTiles = tileTemplate(topo);
    }
    // The address search may be another service (a local stand-in, one's own instance).
    if (const char* geocoder = std::getenv("VANDREL_GEOCODER"); geocoder != nullptr && *geocoder) {
        service.geocoder = geocoder;
    }
    return service;
}

}  // namespace vandrel::map
