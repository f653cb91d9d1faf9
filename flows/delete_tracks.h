#pragma once
// Deleting stored tracks from the track list, with the photos attached to their points.

#include <string>
#include <vector>

#include "core/track_records.h"
#include "store/sqlite_db.h"

namespace vandrel {

inline constexpr const char* kDeleteTracksQuestion = "Are you sure delete logs data?";

// Deletes the photo file a point's `pho` names (the path in UTF-8), when it is a plain file
// inside the program's "photos" folder; anything else, and a photo that is gone already, is
// left alone without a word.
void deletePhotoFile(const std::string& pho);

// Deletes the track's photo files, then the track and its points in one transaction. Only
// files inside the program's "photos" folder are deleted, whatever a point's `pho` holds (a
// database made elsewhere may name any file); a photo that is gone already is no failure.
// A database failure is rethrown with nothing deleted from the database.
void deleteStoredTrack(TrackDatabase& db, const TrackHeader& track);

}  // namespace vandrel
