#pragma once
// The logger's settings as the Settings page words them ("Time Zone: UTC+02:00"), for a person
// reading them outside the window; the raw codes (TimeZone=-120) are for scripts.

#include <string>
#include <vector>

#include "core/device_settings.h"

namespace vandrel {

struct SettingWords {
    std::string label;  // the page's label, without its colon
    std::string value;  // the choice or value the page shows
};

// Each setting in the page's order.
std::vector<SettingWords> settingsInWords(const DeviceSettings& settings);

}  // namespace vandrel
