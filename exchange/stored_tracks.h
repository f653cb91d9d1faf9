#pragma once
// Reading stored tracks for the exchange files.

#include <optional>
#include <vector>

#include "store/sqlite_db.h"
#include "store/track_records.h"

namespace vandrel {

// Every stored track's header, in the order the database gives them.
std::vector<TrackHeader> readStoredHeaders(TrackDatabase& db);
// The points of a stored track in their order, as readPointRow reads them; the columns are
// looked up once per track rather than once per value, which makes reading a full log's
// points several times faster.
std::vector<TrackPoint> readStoredPoints(TrackDatabase& db, int objid);
// One stored track with its points; empty when no track has that objid.
std::optional<TrackHeader> readStoredTrack(TrackDatabase& db, int objid);

}  // namespace vandrel
