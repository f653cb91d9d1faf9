#include "store/store_decoded_tracks.h"

#include <algorithm>

#include "store/track_summary.h"

namespace vandrel {
namespace {

// Stores one track unless it is too short or already stored.
void storeTrack(TrackDatabase& db, TrackHeader& header, int32_t timeZone, StoreResult& result) {
    if (header.points.size() < 2) {
        return;
    }
    header.tzome = timeZone;
    computeSummary(header);
    result.newestStart = std::max(result.newestStart, header.stime);
    // The duplicate test also sees the tracks inserted earlier in this same download.
    if (db.findTrackByStart(header.stime) != 0) {
        ++result.tracksSkipped;
        return;
    }
    db.insertTrack(header);
    for (TrackPoint& point : header.points) {
        point.tkid = header.objid;
    }
    db.insertPoints(header.points);
    ++result.tracksStored;
    result.pointsStored += static_cast<int64_t>(header.points.size());
}

}  // namespace

// The whole download is one transaction. Should anything fail on the way, the transaction is
// rolled back before the failure travels on, so the database never keeps half a download and
// the connection is not left inside an open transaction.
StoreResult storeDecodedTracks(TrackDatabase& db, std::vector<TrackHeader>& tracks,
                               int32_t timeZone) {
    StoreResult result;
    db.beginImmediateTransaction();
    try {
        // Only a new database opened for a download lacks them (see openStore).
        db.createMissingTables();
        for (TrackHeader& header : tracks) {
            storeTrack(db, header, timeZone, result);
        }
        db.commitTransaction();
    } catch (...) {
        db.rollbackTransaction();
        throw;
    }
    return result;
}

}  // namespace vandrel
