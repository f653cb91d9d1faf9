#pragma once
// The metadata of photo files, through libexiv2: when a photo was taken, and its position
// written into a copy. Only this module sees the library's headers.

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/photo_matching.h"

namespace vandrel {

// Reads DateTimeOriginal (with OffsetTimeOriginal when the camera wrote it) from the file's
// headers, without reading its image data. A file without the tag is NoCaptureTime: its
// modification time is never taken for it.
PhotoCapture readCaptureTime(const std::filesystem::path& file);

// The small JPEG preview a camera embeds in the photo's EXIF data, or empty when it has none;
// a list of photos shows it instead of decoding each whole picture.
std::string readEmbeddedPreview(const std::filesystem::path& file);

// Where and when a photo was taken, as GPS tags give it.
struct GpsPosition {
    double latitude = 0;     // decimal degrees, north positive
    double longitude = 0;    // decimal degrees, east positive
    double altitude = 0;     // metres
    int64_t utcSeconds = 0;  // since 1970-01-01 00:00 UTC
};

// Writes the GPS tags of `position` into the file, which must be a copy the program owns: the
// library rewrites the file in place. Empty when written, else why not.
std::string writeGpsPosition(const std::filesystem::path& file, const GpsPosition& position);

}  // namespace vandrel
