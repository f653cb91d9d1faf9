#pragma once
// Attaching a photo to a stored track point and removing it: the file copied into the
// folder's "photos" under a time-stamp name, the point's `pho` stored, and the old file deleted
// once nothing names it.

#include <filesystem>
#include <functional>

#include "core/photo_stamps.h"
#include "core/track_records.h"
#include "core/user_prompt.h"
#include "flows/outcome.h"
#include "flows/session.h"

namespace vandrel {

inline constexpr const char* kPhotoNotAttachedText = "The photo was not attached.";

// Copies `source` into the photos folder under the next free name of `stamps`, then stores
// it as the point's photo, replacing (and deleting) the one it had. `copied` runs once the copy
// is in place, before the point is stored. A copy that fails is told with the notice "The photo
// was not attached."; a database failure is told, the copy removed and the point left as it
// was. The caller holds the program folder (holdProgramFolder).
Outcome attachPointPhoto(UserPrompt& prompt, Session& session, TrackPoint& point,
                         const std::filesystem::path& source, PhotoStamps& stamps,
                         const std::function<void()>& copied = {});

// attachPointPhoto for one photo of a person's choosing: holding the program folder, after
// removing the copies a killed attach or load left.
Outcome attachPhotoToPoint(UserPrompt& prompt, Session& session, TrackPoint& point,
                           const std::filesystem::path& source, PhotoStamps& stamps,
                           const std::function<void()>& copied = {});

// Clears the point's photo in the database, then deletes its file. A database failure leaves the
// point as it was; the caller tells it (the outcome's error) once the map shows the photo again.
Outcome removePointPhoto(Session& session, TrackPoint& point);

}  // namespace vandrel
