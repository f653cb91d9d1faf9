#pragma once
// What both map pages do with the map sources: give the loaded page the sources with the
// chosen one and the scale bar's units, and keep the user's choice.

#include <string>

#include "core/device_settings.h"
#include "map/map_bridge.h"
#include "map/map_service.h"

namespace vandrel::map {

// The sources with the units of `settings` for the scale bar (or, before the program has read
// any sources, the service's tiles under a metric scale bar).
void showMapSources(const MapBridge& bridge, const MapService& service,
                    const DeviceSettings& settings);
// The source the user chose on a page becomes the chosen one, kept for the next start; a
// choice that cannot be kept still holds for this run.
void keepMapSource(const MapService& service, const std::string& name);

}  // namespace vandrel::map
