#include "core/settings_words.h"

#include <array>

#include "core/settings_form_values.h"
#include "core/units.h"

namespace vandrel {
namespace {

// The choices of a select, by the value stored; "?" for one the page does not offer.
template <size_t N>
std::string choice(const std::array<const char*, N>& texts, int32_t value) {
    return value >= 0 && static_cast<size_t>(value) < N ? texts[static_cast<size_t>(value)] : "?";
}

}  // namespace

std::vector<SettingWords> settingsInWords(const DeviceSettings& s) {
    // Power off and backlight store 0 for never and the minutes from 1 on.
    static constexpr std::array<const char*, 5> kPowerOff = {"never", "5 min", "10 min", "30 min",
                                                             "60 min"};
    static constexpr std::array<const char*, 5> kBacklight = {"never", "5 min", "10 min", "15 min",
                                                              "30 min"};
    static constexpr std::array<const char*, 4> kBarometric = {"5 min", "10 min", "30 min",
                                                               "60 min"};
    const TimeZoneFields zone = splitTimeZone(s.TimeZone);
    return {
        {"Distance Units", choice(std::array{"Meters,Kilometers", "Feet,Miles"}, s.Length)},
        {"Temperature", choice(std::array{"\u00B0C", "\u00B0F"}, s.Temperature)},
        {"TimeFormat", choice(std::array{"12", "24"}, s.TimeFormat)},
        {"Datalog Interval Time", std::to_string(s.LogInterval) + " sec"},
        {"Time Zone", FormatUtcOffset(zone.hours, zone.minutes)},
        {"Power Off Time", choice(kPowerOff, s.PowerOff)},
        {"Backlight Off Time", choice(kBacklight, s.Backlight)},
        {"Altitude Offset",
         altitudeOffsetText(s.Refbar, s.Length) + (s.Length == 1 ? " ft" : " m")},
        {"Interval Time For Barometric", choice(kBarometric, s.Tnttbar)},
    };
}

}  // namespace vandrel
