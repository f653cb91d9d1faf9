#include "flows/stored_track_queries.h"

#include <filesystem>
#include <system_error>

#include "core/program_folder_lock.h"
#include "flows/device_command.h"
#include "store/sqlite_db.h"

namespace vandrel {
namespace fs = std::filesystem;
namespace {

// True when the path names an entry directly or deeper inside the folder, after resolving
// "..", symbolic links of existing parts and the like.
bool liesInside(const fs::path& path, const fs::path& folder) {
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(folder, ec);
    if (ec) {
        return false;
    }
    const fs::path target = fs::weakly_canonical(path, ec);
    if (ec) {
        return false;
    }
    auto b = base.begin();
    auto t = target.begin();
    for (; b != base.end(); ++b, ++t) {
        if (t == target.end() || *b != *t) {
            return false;
        }
    }
    return t != target.end();
}

// The track's photo files, then the track and its points in one transaction. A database
// failure is rethrown with nothing deleted from the database.
void deleteStoredTrack(Session& session, const TrackHeader& track) {
    for (const TrackPoint& point : track.points) {
        if (!point.pho.empty()) {
            deletePhotoFile(session.folder(), point.pho);
        }
    }
    TrackDatabase& db = session.database();
    db.beginTransaction();
    try {
        db.deleteTrack(track.objid);
        db.commitTransaction();
    } catch (...) {
        db.rollbackTransaction();
        throw;
    }
}

}  // namespace

std::vector<TrackHeader> storedTrackHeaders(Session& session) {
    std::vector<TrackHeader> headers;
    SqlQuery rows = session.database().selectAllTracks();
    while (!rows.eof()) {
        TrackDatabase::readTrackRow(rows, headers.emplace_back());
    }
    rows.finalize();
    return headers;
}

std::vector<TrackHeader> tracksOfDay(Session& session, double day) {
    return session.database().readTracksCovering(day, day + 1);
}

Outcome deleteStoredTracks(UserPrompt& prompt, Session& session,
                           const std::vector<TrackHeader>& tracks,
                           const std::function<void(std::size_t)>& deleting) {
    ProgramFolderLock folderLock(session.folder().root());
    if (!folderLock.tryLock()) {
        Outcome busy = commandFailed(prompt, folderLock.error().empty()
                                                 ? "Another Vandrel command is using " +
                                                       session.folder().root().string() +
                                                       "; delete the tracks once it has finished."
                                                 : folderLock.error());
        busy.kind = OutcomeKind::Cancelled;  // nothing was deleted
        return busy;
    }
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (deleting) {
            deleting(i);
        }
        try {
            deleteStoredTrack(session, tracks[i]);
        } catch (const CppSQLite3Exception& e) {
            return commandFailed(prompt,
                                 std::string("Deleting the track failed: ") + e.errorMessage());
        }
    }
    return commandDone(OutcomeKind::Complete);
}

void deletePhotoFile(const DataFolder& folder, const std::string& pho) {
    const fs::path photo = fs::u8path(pho);
    if (photo.empty() || !photo.is_absolute() || !liesInside(photo, folder.photos())) {
        return;
    }
    std::error_code ec;
    // Only a plain file: a folder or device of that name stays.
    if (fs::is_regular_file(fs::symlink_status(photo, ec))) {
        fs::remove(photo, ec);
    }
}

}  // namespace vandrel
