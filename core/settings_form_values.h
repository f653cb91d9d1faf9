#pragma once
// The settings form shows two values differently from how DeviceSettings keeps them: the time
// zone as an hour select and a minute field, the altitude offset in the unit of the distance
// setting. These are the conversions both ways, used to fill the form and to read it back.

#include <cstdint>
#include <string>
#include <string_view>

namespace vandrel {

// The form's time-zone fields. `hours` is the value of the hour select, which is minus the
// hour shown ("UTC+05" has the value -5); `minutes` is 0 to 59, always positive.
struct TimeZoneFields {
    int hours = 0;
    int minutes = 0;
    bool operator==(const TimeZoneFields&) const = default;
};

// TimeZone (minutes to add to local time for UTC) as the form's fields: hours truncated toward
// zero, minutes the absolute remainder. -330 (UTC+05:30) gives -5 and 30.
TimeZoneFields splitTimeZone(int32_t timeZone);
// The inverse as the form reads it: hours * 60 + minutes above 0 hours, hours * 60 - minutes
// otherwise. (0 hours cannot express a zone west of UTC by minutes alone; no zone needs it.)
int32_t joinTimeZone(const TimeZoneFields& fields);

// The altitude offset as the form shows it: in feet when length is 1, else metres, with one
// decimal ("100.0").
std::string altitudeOffsetText(float refbar, int32_t length);
// The form's text back to metres. The leading number of the text is taken (blanks before it
// skipped); text that does not start with a number gives 0.
float refbarFromAltitudeOffset(std::string_view text, int32_t length);

}  // namespace vandrel
