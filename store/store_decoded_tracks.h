#pragma once
// Stores the tracks decoded from a download, summarised, in one transaction.

#include <cstdint>
#include <vector>

#include "core/track_records.h"
#include "store/sqlite_db.h"

namespace vandrel {

struct StoreResult {
    int tracksStored = 0;
    int tracksSkipped = 0;  // already stored: a stored track starts within one second
    int64_t pointsStored = 0;
    // The start of the newest track the log held, stored now or before (0 for none), so that
    // the calendar can open on it.
    double newestStart = 0;
};

// Stores every track of two points or more that is not stored yet, in the order given, all in
// one transaction, with tzome set to timeZone and the summary computed. A database failure
// rolls the whole download back and is rethrown: a download stores all of its tracks or none.
StoreResult storeDecodedTracks(TrackDatabase& db, std::vector<TrackHeader>& tracks,
                               int32_t timeZone);

}  // namespace vandrel
