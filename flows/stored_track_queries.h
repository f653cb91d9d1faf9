#pragma once
// What the track page reads from and changes in the stored tracks: the tracks behind the
// calendar, the tracks of a day, and deleting tracks and their photos. Database failures end
// as an Outcome the user has read, or for the reads as std::runtime_error.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/track_records.h"
#include "core/user_prompt.h"
#include "flows/outcome.h"
#include "flows/session.h"

namespace vandrel {

inline constexpr const char* kDeleteTracksQuestion = "Are you sure delete logs data?";

// Every stored track's header, without points, in start order.
std::vector<TrackHeader> storedTrackHeaders(Session& session);

// The tracks that have a moment in the day starting at `day` (an OLE date), with their points,
// in start order: a track that ran over the midnight before it is one of them.
std::vector<TrackHeader> tracksOfDay(Session& session, double day);

// Deletes the given tracks, each with its photo files and then its rows in one transaction,
// while holding the program folder (another command changing it, a download from vandrel-cli,
// must not see tracks vanish under it: then nothing is deleted, the user is told to try again
// once it has finished, and the outcome is Cancelled). `deleting` runs before each track goes, with
// its index. A database failure is told and ends the deletion; the tracks deleted before it stay
// deleted.
Outcome deleteStoredTracks(UserPrompt& prompt, Session& session,
                           const std::vector<TrackHeader>& tracks,
                           const std::function<void(std::size_t)>& deleting = {});

// Deletes the photo file a point's `pho` names (the path in UTF-8), when it is a plain file
// inside the folder's "photos"; anything else, and a photo that is gone already, is left alone
// without a word (a database made elsewhere may name any file).
void deletePhotoFile(const DataFolder& folder, const std::string& pho);

}  // namespace vandrel
