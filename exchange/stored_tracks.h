#pragma once
// Reading stored tracks for the exchange files.

#include <optional>
#include <vector>

#include "core/track_records.h"
#include "store/sqlite_db.h"

namespace vandrel {

// Every stored track's header, in the order the database gives them.
std::vector<TrackHeader> readStoredHeaders(TrackDatabase& db);
// One stored track with its points; empty when no track has that objid.
std::optional<TrackHeader> readStoredTrack(TrackDatabase& db, int objid);

}  // namespace vandrel
