#pragma once
// The process-wide state the pages share: the logger settings, the 20 POIs and the selected
// one, whether the map pages are loaded, and the tracks of the day shown.

#include <vector>

#include "core/device_settings.h"
#include "core/poi_slot.h"
#include "core/track_records.h"

namespace vandrel {

struct AppData {
    static AppData& instance();

    DeviceSettings settings;
    PoiSlots pois = initialPoiSlots();
    int selectedPoi = -1;  // index into pois, -1 when none is selected
    bool MapsLoaded = false;
    std::vector<TrackHeader> dayTracks;
};

}  // namespace vandrel
