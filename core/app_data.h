#pragma once
// The process-wide state the pages share: the logger settings, the POI selection, whether the
// map pages are loaded, and the tracks of the day shown.

#include <vector>

#include "device/device_settings.h"
#include "store/track_records.h"

namespace vandrel {

struct AppData {
    static AppData& instance();

    DeviceSettings settings;
    int selectedPoi = -1;
    bool MapsLoaded = false;
    std::vector<TrackHeader> dayTracks;
};

}  // namespace vandrel
