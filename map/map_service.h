#pragma once
// The services the map pages use. One setting names the tile service: the tile address
// template (VANDREL_MAP_SERVICE, "https://tile.openstreetmap.org/{z}/{x}/{y}.png" by default);
// the connectivity probe asks the same service's home page. Another names the address search
// (VANDREL_GEOCODER, a search address that answers as OpenStreetMap's does). The topographic
// map's tiles may come from elsewhere too (VANDREL_TOPO_SERVICE, in the same forms).

#include <memory>
#include <string>

namespace vandrel::map {

inline constexpr const char* kDefaultTiles = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
inline constexpr const char* kDefaultAttribution = "\u00A9 OpenStreetMap contributors";
inline constexpr const char* kTopoTiles = "https://{s}.tile.opentopomap.org/{z}/{x}/{y}.png";
inline constexpr const char* kTopoAttribution =
    "Map data: \u00A9 OpenStreetMap contributors, SRTM | Map style: \u00A9 OpenTopoMap (CC-BY-SA)";
inline constexpr const char* kDefaultGeocoder = "https://nominatim.openstreetmap.org/search";

class MapSources;

struct MapService {
    std::string tiles = kDefaultTiles;
    std::string attribution = kDefaultAttribution;
    // The search address the POI page's address search asks (?format=json&limit=1&q=...).
    std::string geocoder = kDefaultGeocoder;
    std::string topoTiles = kTopoTiles;
    // The sources the pages offer and the one chosen, once the program has read them; shared
    // by both map pages, so a choice on one is the other's next.
    std::shared_ptr<MapSources> sources;

    // From a setting: a template with {z}, {x} and {y}, or the address of a service that
    // serves its tiles as /{z}/{x}/{y}.png. Empty keeps the default.
    static MapService fromSetting(const std::string& setting);
    // From VANDREL_MAP_SERVICE and VANDREL_GEOCODER; unset or empty ones keep the defaults.
    static MapService fromEnvironment();
    // The home page of the tile service: scheme, host and port of the template, then "/".
    std::string probeAddress() const;
};

}  // namespace vandrel::map
