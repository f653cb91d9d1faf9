#include "store/store_downloaded_tracks.h"

#include "device/track_log.h"

namespace vandrel {
namespace {

// Decodes one run and stores it unless it is too short or already stored.
void storeRun(TrackDatabase& db, const LogRun& run, int32_t timeZone, StoreResult& result) {
    TrackHeader header;
    DecodeLogRun(run, header);
    if (header.points.size() < 2) {
        return;
    }
    header.tzome = timeZone;
    computeSummary(header);
    // The duplicate test also sees the tracks inserted earlier in this same download.
    if (db.findTrackByStart(header.stime) != 0) {
        ++result.tracksSkipped;
        return;
    }
    db.insertTrack(header);
    for (TrackPoint& point : header.points) {
        point.tkid = header.objid;
        db.insertPoint(point);
    }
    ++result.tracksStored;
    result.pointsStored += static_cast<int64_t>(header.points.size());
}

}  // namespace

// The whole download is one transaction. Should anything fail on the way, the transaction is
// rolled back before the failure travels on, so the database never keeps half a download and
// the connection is not left inside an open transaction.
StoreResult storeDownloadedTracks(TrackDatabase& db, int32_t timeZone) {
    const std::vector<LogRun> runs = ScanLogIndex();
    StoreResult result;
    db.beginTransaction();
    try {
        for (const LogRun& run : runs) {
            storeRun(db, run, timeZone, result);
        }
        db.commitTransaction();
    } catch (...) {
        db.rollbackTransaction();
        throw;
    }
    return result;
}

}  // namespace vandrel
