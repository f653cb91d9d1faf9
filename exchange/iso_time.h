#pragma once
// The times of GPX, TCX and KML files: XML Schema dateTime, "2011-12-20T05:05:09Z",
// "2011-12-20T05:05:09.250Z" or "2011-12-20T14:05:09+09:00". A time without a zone is taken as
// UTC, as GPX defines its times.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vandrel {

struct IsoTime {
    double utcSeconds = 0;  // seconds since 1970-01-01 00:00:00 UTC, with the fraction
    // Minutes east of UTC the file wrote the time in; none for "Z" or no zone at all.
    std::optional<int32_t> offsetMinutes;
};

// None for a text that is not such a time, lies outside the years 100 to 9999, or has a zone
// further from UTC than any zone is.
std::optional<IsoTime> parseIsoTime(std::string_view text);

// The local OLE date of a UTC time in a zone where tzome minutes are added to the local time
// to get UTC (the database's tzome).
double localOleDate(double utcSeconds, int32_t tzome);

}  // namespace vandrel
