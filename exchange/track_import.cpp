#include "exchange/track_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "exchange/archive_xml.h"
#include "exchange/track_file_reader.h"
#include "exchange/track_file_sources.h"
#include "exchange/track_storing.h"

namespace vandrel {

const char* const kImportFilterDescription = "All supported";
const char* const kImportFilterPattern = "*.prg;*.gpx;*.tcx;*.kml;*.kmz";

namespace {

std::string lowerExtension(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The first bytes of the file, which tell a zip archive or an XML document from the rest.
std::string head(std::FILE* file) {
    std::array<char, 64> bytes{};
    const size_t count = std::fread(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return std::string(bytes.data(), count);
}

bool looksLikeXml(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") {
        head.remove_prefix(3);
    }
    const size_t first = head.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && head[first] == '<';
}

// Reads the document twice: a first pass that stores nothing refuses a document that is cut
// short, is not XML or declares a document type before any track is stored.
ImportResult importDocument(ArchiveSource& source, const std::filesystem::path& file,
                            TrackDatabase& db, UserPrompt& prompt, const ImportOptions& options) {
    ImportResult result;
    const ThreadMessages thread;
    std::string reason;
    if (!archiveWellFormed(source, thread, reason)) {
        result.ok = false;
        result.error = source.error() != 0
                           ? cannotRead(file, std::strerror(source.error()))
                           : "Not a track file: " + file.string() + " (" + reason + ")";
        return result;
    }
    TrackStoring storing(db, prompt, options.settings, file.filename().string());
    const TrackFileRead read = readTrackFile(
        source, thread, options.settings.TimeZone, result.counts, [&](TrackHeader& track) {
            return countStoredTrack(storing.store(track), storing, track, result);
        });
    if (!read.ok) {
        // Only the first track can meet a document that is not one of the three; later, the
        // file changed since the first pass.
        result.ok = false;
        result.error = "Not a track file: " + file.string() + " (" + read.error + ")";
        return result;
    }
    result.read = result.ok || result.stored + result.replaced > 0;
    return result;
}

}  // namespace

void ImportResult::add(const ImportResult& other) {
    stored += other.stored;
    replaced += other.replaced;
    kept += other.kept;
    pointsStored += other.pointsStored;
    counts.tracksTooShort += other.counts.tracksTooShort;
    counts.segmentsJoined += other.counts.segmentsJoined;
    counts.waypoints += other.counts.waypoints;
    counts.routes += other.counts.routes;
    counts.pointsWithoutTime += other.counts.pointsWithoutTime;
    counts.pointsWithoutPlace += other.counts.pointsWithoutPlace;
    counts.pointsImplausible += other.counts.pointsImplausible;
}

ImportResult importTrackFile(const std::filesystem::path& file, TrackDatabase& db,
                             UserPrompt& prompt, const ImportOptions& options) {
    // Opened without blocking and refused unless a regular file: a FIFO or a device would
    // stall the import for ever.
    std::string error;
    FileHandle opened = openRegularFile(file, error);
    if (opened == nullptr) {
        ImportResult result;
        result.ok = false;
        result.error = error;
        return result;
    }
    const std::string extension = lowerExtension(file);
    const std::string start = head(opened.get());
    SpooledDocument spooled;
    if (start.rfind("PK\x03\x04", 0) == 0) {
        spooled = kmlOfKmz(file);
    } else if (options.gpsbabelFormat.empty() && (looksLikeXml(start) || extension == ".gpx" ||
                                                  extension == ".tcx" || extension == ".kml")) {
        ArchiveSource source(opened.get());
        return importDocument(source, file, db, prompt, options);
    } else {
        const std::string format =
            !options.gpsbabelFormat.empty() ? options.gpsbabelFormat : gpsbabelFormatOf(file);
        if (format.empty()) {
            spooled.error = "Cannot import " + file.string() +
                            ": not a GPX, TCX, KML or KMZ file, and its format is not known "
                            "by its name (name gpsbabel's format for it)";
        } else {
            spooled = gpxFromGpsbabel(options.gpsbabel, format, file);
        }
    }
    if (spooled.file == nullptr) {
        ImportResult result;
        result.ok = false;
        result.error = spooled.error;
        return result;
    }
    ArchiveSource source(spooled.file.get());
    return importDocument(source, file, db, prompt, options);
}

ImportResult importTrackText(std::string_view text, const std::filesystem::path& file,
                             TrackDatabase& db, UserPrompt& prompt, const ImportOptions& options) {
    ArchiveSource source(text);
    return importDocument(source, file, db, prompt, options);
}

namespace {

void addCount(std::vector<std::string>& parts, int64_t count, const char* one, const char* many) {
    if (count > 0) {
        parts.push_back(std::to_string(count) + " " + (count == 1 ? one : many));
    }
}

}  // namespace

std::string importSummary(const ImportResult& result) {
    std::vector<std::string> parts;
    parts.push_back(std::to_string(result.stored) +
                    (result.stored == 1 ? " track stored" : " tracks stored"));
    addCount(parts, result.replaced, "track replaced", "tracks replaced");
    addCount(parts, result.kept, "skipped as already stored", "skipped as already stored");
    addCount(parts, result.counts.tracksTooShort, "track skipped with fewer than two points",
             "tracks skipped with fewer than two points");
    addCount(parts, result.counts.pointsWithoutTime, "point without a time skipped",
             "points without a time skipped");
    addCount(parts, result.counts.pointsWithoutPlace, "point without a position skipped",
             "points without a position skipped");
    addCount(parts, result.counts.pointsImplausible, "impossible point skipped",
             "impossible points skipped");
    addCount(parts, result.counts.segmentsJoined, "segment joined to the one before it",
             "segments joined to the ones before them");
    addCount(parts, result.counts.waypoints, "waypoint skipped", "waypoints skipped");
    addCount(parts, result.counts.routes, "route skipped", "routes skipped");
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

}  // namespace vandrel
