#include "core/units.h"

#include <gtest/gtest.h>

#include <clocale>

#include "core/ole_date.h"
#include "test_support.h"

namespace vandrel {
namespace {

DeviceSettings units(int length, int temperature = 0, int timeFormat = 1) {
    DeviceSettings s;
    s.Length = length;
    s.Temperature = temperature;
    s.TimeFormat = timeFormat;
    return s;
}

double at(int h, int m, int sec) {
    SystemTime st;
    st.year = 2024, st.month = 3, st.day = 9, st.hour = h, st.minute = m, st.second = sec;
    double v = 0;
    SystemTimeToVariantTime(st, v);
    return v;
}

TEST(Units, DistanceSwitchesUnitsAtTheirThresholds) {
    EXPECT_EQ(FormatDistance(999.9, units(0)), "999.9 m");
    EXPECT_EQ(FormatDistance(1000, units(0)), "1.00 km");
    EXPECT_EQ(FormatDistance(1609, units(1)), "5277.5 ft");
    EXPECT_EQ(FormatDistance(1610, units(1)), "1.00 mi");
    EXPECT_EQ(FormatDistance(10, units(2)), "");
}

TEST(Units, AltitudeUsesTheExactFootAndNeverMiles) {
    EXPECT_EQ(FormatAltitude(1500, units(0)), "1.50 km");
    EXPECT_EQ(FormatAltitude(100, units(1)), "328.1 ft");
    EXPECT_EQ(FormatAltitude(5000, units(1)), "16404.2 ft");
}

TEST(Units, TemperatureInBothScales) {
    EXPECT_EQ(FormatTemperature(20.0f, units(0, 1)), "68.00\u00B0F");
    EXPECT_EQ(FormatTemperature(-40.0f, units(0, 1)), "-40.00\u00B0F");
    EXPECT_EQ(FormatTemperature(21.5f, units(0, 0)), "21.50\u00B0C");
    EXPECT_EQ(FormatTemperature(21.5f, units(0, 5)), "");
}

TEST(Units, TwelveHourClock) {
    const DeviceSettings twelve = units(0, 0, 0);
    EXPECT_EQ(FormatDateTime(at(0, 5, 9), twelve), "2024-03-09 AM 00:05:09");
    EXPECT_EQ(FormatDateTime(at(12, 30, 0), twelve), "2024-03-09 PM 12:30:00");
    EXPECT_EQ(FormatDateTime(at(13, 0, 0), twelve), "2024-03-09 PM 01:00:00");
    EXPECT_EQ(FormatDateTime(at(13, 0, 0), units(0)), "2024-03-09 13:00:00");
    EXPECT_EQ(FormatShortDateTime(at(13, 7, 0), twelve), "03-09 PM 01:07");
    EXPECT_EQ(FormatShortDateTime(at(13, 7, 0), units(0)), "03-09 13:07");
}

TEST(Units, CoordinatesLabelsAndScriptNumbers) {
    EXPECT_EQ(FormatCoordinate(-33.5), "-33\u00B0 30' 0.00\"");
    EXPECT_EQ(FormatCoordinate(121.5125), "121\u00B0 30' 45.00\"");
    EXPECT_EQ(FormatUtcOffset(0, 0), "UTC+00:00");
    EXPECT_EQ(FormatUtcOffset(-9, 30), "UTC+09:30");
    EXPECT_EQ(FormatUtcOffset(5, 0), "UTC-05:00");
    EXPECT_EQ(FormatPressure(1013.4), "1013hPa");
    EXPECT_EQ(FormatScriptNumber(121.123456, 5), "121.12346");
    EXPECT_EQ(FormatScriptNumber(1e80, 2).size(), 63u);
}

// The desktop's locale may write a decimal comma; none of these texts may.
TEST(Units, NumbersKeepTheirDecimalPointInAnyLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            switched = true;
            break;
        }
    }
    VANDREL_SKIP_UNLESS(switched, "A locale with a decimal comma (scripts/test.sh makes one)");
    const std::string distance = FormatDistance(1500, units(0));
    const std::string script = FormatScriptNumber(47.5, 5);
    std::setlocale(LC_ALL, before.c_str());
    EXPECT_EQ(distance, "1.50 km");
    EXPECT_EQ(script, "47.50000");
}

}  // namespace
}  // namespace vandrel
