#pragma once
// The times a track may hold, in its local time and in UTC alike: from 1980-01-01 00:00:00 up
// to 2999-12-31 23:59:59. No receiver gives a fix before 1980, when satellite time began; a
// clock that reads earlier has had no fix yet. The end lies far beyond any receiver's
// rollover, and leaves every time of the range a four-digit year after any zone's offset,
// which the files the program writes need. Every way a track comes in (the logger, a file, an
// archive) refuses a point outside the range, so that every way out can give it back.

#include <cstdint>
#include <string>

#include "core/track_records.h"

namespace vandrel {

inline constexpr int kFirstTrackYear = 1980;
inline constexpr int kLastTrackYear = 2999;
// The furthest a zone's clock lies from UTC (Kiribati's +14:00).
inline constexpr int kMostUtcOffsetMinutes = 14 * 60;

// Whether a year lies in the range.
bool isTrackYear(int year);

// Whether a time in seconds since 1970-01-01 00:00:00 UTC lies in the range.
bool isTrackUtcTime(double utcSeconds);

// Whether a local OLE date lies in the range, and its UTC time (local + tzome minutes) too.
bool isTrackTime(double localOleDate, int32_t tzome);

// "the years 1980 to 2999", for messages.
std::string trackYearsText();

// The number (counted from 1) of the track's first point dated outside the range (a track
// stored before the range was kept), or 0 when every point lies in it.
size_t firstPointOutsideTimes(const TrackHeader& track);

// Why a file cannot hold such a track, and what to do: "point 3 of the track is dated ...".
std::string pointOutsideTimesReason(size_t point);

}  // namespace vandrel
