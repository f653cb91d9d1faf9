#include "flows/photos_by_time.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <system_error>

#include "core/ole_date.h"
#include "exchange/photo_copies_journal.h"
#include "exchange/photo_files.h"
#include "exchange/photo_metadata.h"
#include "exchange/stored_tracks.h"
#include "flows/folder_lock.h"
#include "flows/point_photos.h"

namespace vandrel {
namespace fs = std::filesystem;
namespace {

// The regular files of the folder and its subfolders. Linked folders are not entered and
// linked files are skipped (a link may lead anywhere). A folder that cannot be opened is
// listed itself, so that its reading fails and is told by name, not passed over.
void gatherFolderFiles(const fs::path& folder, std::vector<fs::path>& found) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        found.push_back(folder);
        return;
    }
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_symlink(typeError)) {
            continue;
        }
        if (it->is_directory(typeError)) {
            gatherFolderFiles(it->path(), found);
        } else if (it->is_regular_file(typeError)) {
            found.push_back(it->path());
        }
    }
}

void gatherFolder(const fs::path& folder, std::vector<fs::path>& files) {
    std::vector<fs::path> found;
    gatherFolderFiles(folder, found);
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
}

// The point's place and time as GPS tags give them (UTC = local + tzome).
GpsPosition pointPosition(const TrackPoint& point, int32_t tzome) {
    GpsPosition position;
    position.latitude = point.lat;
    position.longitude = point.lng;
    position.altitude = point.alt;
    position.utcSeconds =
        std::llround((point.sdate - oleDateFromUnixSeconds(0)) * 86400.0) + tzome * 60LL;
    return position;
}

// Where a photo is written with its position before it is attached: a folder of its own in the
// photos folder, so that one left by a stopped run is in the program folder, where the next
// attach clears it (clearPositionLeftovers), and the copies stay on one disk.
constexpr const char* kPositionFolderPrefix = ".with-position-";

// Removes the folders of copies with their position that a stopped run left. Runs while the
// program folder is held, so that no other run is writing one.
void clearPositionLeftovers(const fs::path& photosFolder) {
    std::error_code ec;
    for (fs::directory_iterator it(photosFolder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (it->path().filename().string().rfind(kPositionFolderPrefix, 0) == 0) {
            std::error_code removeError;
            fs::remove_all(it->path(), removeError);
        }
    }
}

// A copy of the photo carrying the point's position, so that the attach flow copies the
// finished file under its name; the folder is removed by the caller.
std::optional<fs::path> copyWithPosition(const fs::path& source, const GpsPosition& position,
                                         const fs::path& photosFolder, fs::path& folder,
                                         std::string& problem) {
    if (problem = preparePhotosFolder(photosFolder); !problem.empty()) {
        return std::nullopt;
    }
    std::string pattern = (photosFolder / kPositionFolderPrefix).string() + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        problem = "The position could not be written into a copy of " + source.string() +
                  ": no folder could be made in " + photosFolder.string() + " (" +
                  std::strerror(errno) + "); make that folder writable.";
        return std::nullopt;
    }
    folder = pattern;
    const fs::path copy = folder / source.filename();
    std::error_code error;
    if (copyNewFile(source, copy, SourceLinks::Follow, &error) != CopyOutcome::Copied) {
        problem = "Copying " + source.string() + " failed: " + error.message();
        return std::nullopt;
    }
    problem = writeGpsPosition(copy, position);
    if (!problem.empty()) {
        return std::nullopt;
    }
    return copy;
}

// The file's modification time as the local time of this computer, as a camera's clock shows it.
void useFileDate(const fs::path& file, PhotoCapture& capture) {
    struct stat status {};
    struct tm local {};
    if (::stat(file.c_str(), &status) != 0 || ::localtime_r(&status.st_mtime, &local) == nullptr) {
        return;
    }
    if (SystemTimeToVariantTime(systemTimeOf(local), capture.time)) {
        capture.status = CaptureStatus::Found;
        capture.fromFileDate = true;
    }
}

}  // namespace

std::vector<fs::path> gatherPhotoFiles(const std::vector<fs::path>& chosen) {
    std::vector<fs::path> files;
    for (const fs::path& path : chosen) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            gatherFolder(path, files);
        } else {
            files.push_back(path);
        }
    }
    return files;
}

std::vector<PhotoFile> readPhotoFiles(const std::vector<fs::path>& files, bool fileDates) {
    std::vector<PhotoFile> photos;
    photos.reserve(files.size());
    for (const fs::path& file : files) {
        photos.push_back({file, readCaptureTime(file)});
        PhotoCapture& capture = photos.back().capture;
        if (fileDates && capture.status == CaptureStatus::NoCaptureTime) {
            useFileDate(file, capture);
        }
    }
    return photos;
}

std::string embeddedPhotoPreview(const fs::path& file) {
    return readEmbeddedPreview(file);
}

std::optional<TrackHeader> storedTrackWithPoints(Session& session, int trackId) {
    return readStoredTrack(session.database(), trackId);
}

PhotosAttached attachPhotosByTime(UserPrompt& prompt, Session& session, TrackHeader& track,
                                  const std::vector<PhotoFile>& photos,
                                  const std::vector<Placement>& placements, bool writePosition,
                                  PhotoStamps& stamps) {
    PhotosAttached result;
    // A download or an archive load from another program must not replace the track's points
    // while photos are being put on them.
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
    if (!folderLock) {
        result.error = lockError + ". No photo was attached.";
        prompt.error(result.error);
        return result;
    }
    result.kind = OutcomeKind::Complete;
    BusyScope busy(prompt);
    clearPositionLeftovers(session.folder().photos());
    removeCopiesOfKilledRun(session.folder().photos(), session.database());
    for (std::size_t i = 0; i < photos.size() && i < placements.size(); ++i) {
        if (placements[i].kind == PlacementKind::AlreadyAttached) {
            ++result.alreadyAttached;
            continue;
        }
        if (placements[i].kind != PlacementKind::Placed) {
            ++result.notPlaced;
            continue;
        }
        TrackPoint& point = track.points.at(placements[i].point);
        fs::path source = photos[i].path;
        fs::path temporary;
        if (writePosition) {
            std::string problem;
            const std::optional<fs::path> copy =
                copyWithPosition(source, pointPosition(point, track.tzome),
                                 session.folder().photos(), temporary, problem);
            if (copy) {
                source = *copy;
            } else {
                result.positionsNotWritten.push_back(problem);
            }
        }
        const Outcome attached = attachPointPhoto(prompt, session, point, source, stamps);
        if (!temporary.empty()) {
            std::error_code ec;
            fs::remove_all(temporary, ec);
        }
        if (!attached.complete()) {
            result.kind = attached.kind;
            result.error = attached.error;
            break;
        }
        ++result.attached;
    }
    return result;
}

std::string photosAttachedText(const PhotosAttached& outcome) {
    std::string text = std::to_string(outcome.attached) + " photos attached, " +
                       std::to_string(outcome.notPlaced) + " not placed";
    if (outcome.alreadyAttached > 0) {
        text += ", " + std::to_string(outcome.alreadyAttached) + " already attached";
    }
    text += ".";
    for (const std::string& problem : outcome.positionsNotWritten) {
        text += "\n" + problem;
    }
    return text;
}

}  // namespace vandrel
