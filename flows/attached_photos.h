#pragma once
// Which of the photos a person chose the track holds already. Running the same photos onto a
// track twice (the same folder again, a card read twice) must not attach every photo again.

#include <filesystem>
#include <vector>

#include "core/track_records.h"
#include "flows/photos_by_time.h"

namespace vandrel {

// Sets capture.attachedAt of each photo that a point of `track` holds already: its stored copy
// has the same bytes, or for a JPEG the same compressed picture and capture time (a copy may
// carry the point's position, written into its metadata).
void markAttachedPhotos(const std::filesystem::path& photosFolder, const TrackHeader& track,
                        std::vector<PhotoFile>& photos);

}  // namespace vandrel
