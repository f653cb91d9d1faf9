#include "map/map_source_choice.h"

#include <iostream>

#include "map/map_sources.h"

namespace vandrel::map {

void showMapSources(const MapBridge& bridge, const MapService& service,
                    const DeviceSettings& settings) {
    if (service.sources) {
        bridge.useMapSources(service.sources->document(settings.Length != 0));
    } else {
        bridge.useTiles(service.tiles, service.attribution);
    }
}

void keepMapSource(const MapService& service, const std::string& name) {
    std::string error;
    if (service.sources && !service.sources->choose(name, true, error)) {
        std::cerr << "vandrel: " << error << std::endl;
    }
}

}  // namespace vandrel::map
