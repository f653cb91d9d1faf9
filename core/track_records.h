#pragma once
// The in-memory records of a track (a row of TK) and of one logged fix (a row of TKPT).
// Stored values are metric; times are OLE automation dates in the logger's local time.

#include <cstdint>
#include <string>
#include <vector>

namespace vandrel {

struct TrackPoint {
    int32_t objid = 0;  // row id, 0 until inserted
    int32_t tkid = 0;   // objid of the owning track, 0 until the track is inserted
    double sdate = 0;   // time of the fix, local time
    float lat = 0;      // decimal degrees, north positive
    float lng = 0;      // decimal degrees, east positive
    // The readings: NaN where the fix has none (imported fixes often lack some), never 0.
    float alt = 0;    // metres
    float bar = 0;    // air pressure as the logger reports it
    float tmp = 0;    // temperature as the logger reports it
    float dist = 0;   // metres from the track's first point along the track
    std::string pho;  // full path of the attached photo (UTF-8), empty when none
};

struct TrackHeader {
    std::vector<TrackPoint> points;  // in time order; empty when only the row was read
    int32_t objid = 0;
    int32_t trail = 0;  // the logger's key of the log the track came from
    float dist = 0;     // total length in metres
    double stime = 0;   // start time, whole seconds
    double etime = 0;   // end time, whole seconds
    float avgalt = 0;   // means of the points that have the reading; NaN when none has
    float avgbar = 0;
    float avgtmp = 0;
    int32_t tzome = 0;  // minutes to add to local time to get UTC, when the track was stored
};

// What storing a download's tracks did.
struct StoreResult {
    int tracksStored = 0;
    int tracksSkipped = 0;  // already stored: a stored track starts within one second
    int64_t pointsStored = 0;
    // The start of the newest track the log held, stored now or before (0 for none), so that
    // the calendar can open on it.
    double newestStart = 0;
};

}  // namespace vandrel
