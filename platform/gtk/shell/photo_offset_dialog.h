#pragma once
// "Offset from This Photo": the user shows the track point one photo was taken at, and the
// camera offset that puts it there is the answer.

#include <gtk/gtk.h>

#include <cstddef>
#include <optional>
#include <string>

#include "tracks/photo_places.h"

namespace vandrel::gtk {

// A photo as the question shows it; the thumbnail may be null while it is being decoded.
struct OffsetPhoto {
    std::size_t index = 0;
    std::string name;
    std::string taken;
    GdkPixbuf* thumbnail = nullptr;
};

// Runs the modal question over `parent` with the slider on `start`; the camera offset in
// seconds, or nothing when cancelled.
std::optional<int> askOffsetFromPhoto(GtkWindow* parent, const OffsetPhoto& photo,
                                      const tracks::PhotoPlaces& places, std::size_t start);

}  // namespace vandrel::gtk
