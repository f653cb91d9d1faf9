#pragma once
// "Add Photos by Time...": the photos the user chooses, read with the busy indicator, shown in
// a preview of where each goes, then attached in one step with a summary.

#include <cstddef>
#include <vector>

#include "core/photo_stamps.h"
#include "core/track_records.h"
#include "flows/session.h"
#include "tracks/photos_by_time_dialog.h"
#include "ui/command_runner.h"

namespace vandrel::tracks {

// Attaches the chosen photos to the points of `track`, a copy of the day's track the caller
// keeps: the dialogues let the day's list change meanwhile. Returns the indices of the points
// that got a photo.
std::vector<std::size_t> addPhotosByTime(Session& session, ui::CommandRunner& commands,
                                         PhotosByTimeDialog& dialog, TrackHeader& track,
                                         PhotoStamps& stamps);

// The photos of those points of `attached` given to the same points of its track in `day`,
// when the day still lists it, or of `track` when it is that track.
void keepAttachedPhotos(const TrackHeader& attached, const std::vector<std::size_t>& points,
                        std::vector<TrackHeader>& day);
void keepAttachedPhotos(const TrackHeader& attached, const std::vector<std::size_t>& points,
                        TrackHeader& track);

}  // namespace vandrel::tracks
