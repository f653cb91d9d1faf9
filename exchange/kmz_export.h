#pragma once
// One track as a KMZ file: a zip archive holding, in this order,
//
//   doc.kml        the KML document (kml_document.h), deflated
//   files/         an empty folder entry
//   files/s.png    the start icon, deflated
//   files/<name>   each photo of the track's points, in point order, deflated
//   files/e.png    the end icon, deflated
//
// Every entry carries one modification time (the local time taken once when the export
// starts) and the attributes of a newly made file; no extra fields, no comments.

#include <filesystem>
#include <optional>
#include <string>

#include "core/ole_date.h"
#include "core/track_records.h"
#include "exchange/exchange_result.h"

namespace vandrel {

extern const char* const kKmzFilterDescription;  // "KMZ Files (*.kmz)"

struct KmzOptions {
    // The icons beside the program: images/s.png and images/e.png.
    std::filesystem::path startIcon;
    std::filesystem::path endIcon;
    // The program's photos folder: the only place a point's photo is read from (see
    // openStoredPhoto). Empty: every photo is missing.
    std::filesystem::path photosFolder;
    // The entries' time; empty: the local time now.
    std::optional<SystemTime> time;

    static KmzOptions programDefaults();
};

struct KmzResult : ExchangeResult {
    // Icons and photos that could not be read (or may not be: a photo named outside the photos
    // folder), and photos whose name the document cannot hold as it is; each is packed as an empty
    // entry so that the document's links still find an entry.
    int filesMissing = 0;
};

// Requires a track with at least one point. A failure leaves whatever was at path before
// untouched.
KmzResult exportKmz(const std::filesystem::path& path, const TrackHeader& track,
                    const KmzOptions& options = KmzOptions::programDefaults());

}  // namespace vandrel
