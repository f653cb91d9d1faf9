#pragma once
// Turns the copied log ("temp.hdr", "temp.log") into summarised tracks in the database.

#include <cstdint>

#include "store/sqlite_db.h"
#include "store/track_records.h"

namespace vandrel {

struct StoreResult {
    int tracksStored = 0;
    int tracksSkipped = 0;  // already stored: a stored track starts within one second
    int64_t pointsStored = 0;
};

// Fills stime, etime, dist, avgalt, avgbar, avgtmp of the header and dist of every point.
// Requires at least one point.
void computeSummary(TrackHeader& header);

// Scans the index, decodes each run and stores every track of two points or more that is not
// stored yet, all in one transaction, with tzome set to timeZone. A database failure rolls the
// whole download back and is rethrown: a download stores all of its tracks or none.
StoreResult storeDownloadedTracks(TrackDatabase& db, int32_t timeZone);

}  // namespace vandrel
