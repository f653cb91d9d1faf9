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

std::vector<TrackPoint> readStoredPoints(TrackDatabase& db, int objid) {
    std::vector<TrackPoint> points;
    SqlQuery rows = db.selectPoints(objid);
    if (rows.eof()) {
        return points;
    }
    const int objidColumn = rows.fieldIndex("objid");
    const int tkid = rows.fieldIndex("tkid");
    const int sdate = rows.fieldIndex("sdate");
    const int lat = rows.fieldIndex("lat");
    const int lng = rows.fieldIndex("lng");
    const int alt = rows.fieldIndex("alt");
    const int bar = rows.fieldIndex("bar");
    const int tmp = rows.fieldIndex("tmp");
    const int dist = rows.fieldIndex("dist");
    const int pho = rows.fieldIndex("pho");
    for (; !rows.eof(); rows.nextRow()) {
        TrackPoint& p = points.emplace_back();
        p.objid = rows.intField(objidColumn, 0);
        p.tkid = rows.intField(tkid, 0);
        p.sdate = rows.floatField(sdate, 0.0);
        p.lat = static_cast<float>(rows.floatField(lat, 0.0));
        p.lng = static_cast<float>(rows.floatField(lng, 0.0));
        p.alt = static_cast<float>(rows.floatField(alt, 0.0));
        p.bar = static_cast<float>(rows.floatField(bar, 0.0));
        p.tmp = static_cast<float>(rows.floatField(tmp, 0.0));
        p.dist = static_cast<float>(rows.floatField(dist, 0.0));
        p.pho = rows.stringField(pho, "");
    }
    rows.finalize();
    return points;
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
        found->points = readStoredPoints(db, objid);
    }
    return found;
}

}  // namespace vandrel
