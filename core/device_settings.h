#pragma once
// The program's copy of the logger's settings, as the pages, the formatters and the device
// commands share it. Reading and writing "settings.xml" lives with the device code.

#include <cstdint>

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

}  // namespace vandrel
