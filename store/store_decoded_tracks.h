#pragma once
// Stores the tracks decoded from a download, summarised, in one transaction.

#include <cstdint>
#include <vector>

#include "core/track_records.h"
#include "store/sqlite_db.h"

namespace vandrel {

// Stores every track of two points or more that is not stored yet, in the order given, all in
// one transaction, with tzome set to timeZone and the summary computed. A database failure
// rolls the whole download back and is rethrown: a download stores all of its tracks or none.
StoreResult storeDecodedTracks(TrackDatabase& db, std::vector<TrackHeader>& tracks,
                               int32_t timeZone);

}  // namespace vandrel
