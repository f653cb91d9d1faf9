#pragma once
// Adding a folder of photos to a track by the time each was taken: the files gathered, their
// capture times read, their places matched (core/photo_matching.h) and the placed ones attached
// through the one attach mechanism, optionally with their position written into the copies.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/photo_matching.h"
#include "core/photo_stamps.h"
#include "core/track_records.h"
#include "core/user_prompt.h"
#include "flows/outcome.h"
#include "flows/session.h"

namespace vandrel {

struct PhotoFile {
    std::filesystem::path path;
    PhotoCapture capture;
};

// The files the user chose, with the files of each chosen folder and its subfolders in name
// order. Symbolic links inside a folder are not followed (a link may lead anywhere); a file or
// folder named directly is taken as named.
std::vector<std::filesystem::path> gatherPhotoFiles(
    const std::vector<std::filesystem::path>& chosen);

// The capture time of each file, in the same order. With `fileDates`, an image without one
// takes its modification time (in the computer's local time) instead, marked as such.
std::vector<PhotoFile> readPhotoFiles(const std::vector<std::filesystem::path>& files,
                                      bool fileDates = false);

// The small JPEG preview the camera embedded in the photo, or empty (see readEmbeddedPreview).
std::string embeddedPhotoPreview(const std::filesystem::path& file);

// A stored track with its points, or nothing when no track has the id.
std::optional<TrackHeader> storedTrackWithPoints(Session& session, int trackId);

struct PhotosAttached : Outcome {
    int attached = 0;
    int notPlaced = 0;
    int alreadyAttached = 0;  // the track held them already
    // Copies whose position could not be written; they are attached without it.
    std::vector<std::string> positionsNotWritten;
};

// Attaches each placed photo to its point of `track` (whose points it updates), in the order of
// the photos, with the busy indicator; with `writePosition`, the copy in the photos folder gets
// the point's GPS tags (the user's file is never written). The first photo that cannot be
// attached ends the work, told by the attach flow; the ones before it stay attached. The
// program folder is held meanwhile (see holdProgramFolder).
PhotosAttached attachPhotosByTime(UserPrompt& prompt, Session& session, TrackHeader& track,
                                  const std::vector<PhotoFile>& photos,
                                  const std::vector<Placement>& placements, bool writePosition,
                                  PhotoStamps& stamps);

// "12 photos attached, 3 not placed." (", 2 already attached" before the stop when the track
// held some already) with the copies whose position was not written.
std::string photosAttachedText(const PhotosAttached& outcome);

}  // namespace vandrel
