#include "exchange/stored_tracks.h"

namespace vandrel {

std::vector<TrackHeader> readStoredHeaders(TrackDatabase& db) {
    std::vector<TrackHeader> headers;
    SqlQuery rows = db.selectAllTracks();
    while (!rows.eof()) {
        TrackDatabase::readTrackRow(rows, headers.emplace_back());
    }
    rows.finalize();
    return headers;
}

std::optional<TrackHeader> readStoredTrack(TrackDatabase& db, int objid) {
    std::optional<TrackHeader> found;
    for (TrackHeader& header : readStoredHeaders(db)) {
        if (header.objid == objid) {
            found = std::move(header);
            break;
        }
    }
    if (found) {
        found->points = db.readTrackPoints(objid);
    }
    return found;
}

}  // namespace vandrel
