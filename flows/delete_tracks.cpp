#include "flows/delete_tracks.h"

#include <filesystem>
#include <system_error>

#include "core/program_path.h"

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

}  // namespace

void deletePhotoFile(const std::string& pho) {
    const fs::path photo = fs::u8path(pho);
    if (photo.empty() || !photo.is_absolute() || !liesInside(photo, programPath("photos"))) {
        return;
    }
    std::error_code ec;
    // Only a plain file: a folder or device of that name stays.
    if (fs::is_regular_file(fs::symlink_status(photo, ec))) {
        fs::remove(photo, ec);
    }
}

void deleteStoredTrack(TrackDatabase& db, const TrackHeader& track) {
    for (const TrackPoint& point : track.points) {
        if (!point.pho.empty()) {
            deletePhotoFile(point.pho);
        }
    }
    db.beginTransaction();
    try {
        db.deleteTrack(track.objid);
        db.commitTransaction();
    } catch (...) {
        db.rollbackTransaction();
        throw;
    }
}

}  // namespace vandrel
