#pragma once
// The program's copy of the logger's settings and its file "settings.xml":
//
//   <?xml version="1.0" ?>
//   <root>
//       <params Length="0" Temperature="1" LogInterval="3" TimeZone="-480" TimeFormat="1"
//               PowerOff="0" Backlight="0" Tnttbar="1" Refbar="0.00" />
//   </root>
//
// (the params element stands on one line in the file).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vandrel {

// Minutes to add to local standard time to get UTC (UTC+08:00 gives -480), daylight saving
// left out.
int32_t systemTimeZoneBias();

struct DeviceSettings {
    int32_t TimeZone = systemTimeZoneBias();  // minutes to add to local time to get UTC
    int32_t Length = 0;                       // 0 metres and kilometres, 1 feet and miles
    int32_t Temperature = 1;                  // 0 Celsius, 1 Fahrenheit
    int32_t TimeFormat = 1;                   // 0 12-hour, 1 24-hour
    int32_t LogInterval = 3;                  // seconds between fixes
    int32_t PowerOff = 0;                     // 0 never, 1 5 min, 2 10 min, 3 30 min, 4 60 min
    int32_t Backlight = 0;                    // 0 never, 1 5 min, 2 10 min, 3 15 min, 4 30 min
    float Refbar = 0.0f;                      // altitude offset in metres
    int32_t Tnttbar = 1;                      // 0 5 min, 1 10 min, 2 30 min, 3 60 min

    bool operator==(const DeviceSettings&) const = default;
};

// Overwrites the fields the file holds; a missing or malformed file, or a missing or
// non-numeric attribute, leaves the field as it was. Returns false when the file could not be
// read as XML with a params element.
bool loadSettingsFile(const std::filesystem::path& path, DeviceSettings& settings);
// Writes the whole file; false when it cannot be written. The old file stays whole until the
// new one is complete.
bool saveSettingsFile(const std::filesystem::path& path, const DeviceSettings& settings);

// The same on text in memory: the file's exact text, and its reading.
std::string settingsXmlText(const DeviceSettings& settings);
bool loadSettingsText(std::string_view text, DeviceSettings& settings);

}  // namespace vandrel
