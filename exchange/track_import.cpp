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
#include "exchange/xml_root.h"

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

// The first bytes of the file, which tell a zip archive or an XML document from the rest, and
// an XML document's root element after a declaration and a comment or two.
std::string head(std::FILE* file) {
    std::array<char, 4096> bytes{};
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

// What the user is told of a document that could not be read to its end, of which nothing
// was kept.
std::string unreadMessage(const ImportResult& result, const std::filesystem::path& file,
                          const std::string& reason, bool readFailed) {
    const int before = result.stored + result.replaced + result.kept;
    if (before == 0) {
        return readFailed ? cannotRead(file, reason)
                          : "Not a track file: " + file.string() + " (" + reason + ")";
    }
    return "Cannot read all of " + file.string() + " (" + reason +
           "): none of its tracks was imported, not even the whole ones before the fault";
}

// Undoes what a file's import stored, and says so in its counts.
void storedNothing(ImportResult& result, TrackDatabase& db) {
    db.rollbackTransaction();
    result.stored = result.replaced = result.kept = 0;
    result.pointsStored = 0;
}

// Whether the file is read natively: a GPX, TCX or KML root says so whatever the file's
// name; another root that gpsbabel reads sends it there; else any XML document, or a file
// named as one of the three, is read natively (and refused if it is none).
bool readNatively(const std::string& root, std::string_view start, const std::string& extension,
                  const std::string& gpsbabelFormat) {
    if (root == "gpx" || root == "TrainingCenterDatabase" || root == "kml") {
        return true;
    }
    if (!root.empty() && !gpsbabelFormat.empty()) {
        return false;
    }
    return looksLikeXml(start) || extension == ".gpx" || extension == ".tcx" || extension == ".kml";
}

// Reads the document once, storing each track as soon as it has ended, all in one write
// transaction that is kept only when the document was read to its end: a document that is cut
// short, is not XML or declares a document type stores nothing, wherever the fault is. Each
// track is a part of it of its own (the duplicate rule and the question, as in an archive's
// load).
ImportResult importDocument(ArchiveSource& source, const std::filesystem::path& file,
                            TrackDatabase& db, UserPrompt& prompt, const ImportOptions& options) {
    ImportResult result;
    try {
        db.beginImmediateTransaction();
    } catch (const CppSQLite3Exception& e) {
        result.ok = false;
        result.error = "Database error: " + db.describe(e) + ". Nothing was imported.";
        return result;
    }
    const ThreadMessages thread;
    TrackStoring storing(db, prompt, options.settings, file.filename().string(),
                         TrackStoring::Transactions::InsideCallers);
    const TrackFileRead read = readTrackFile(
        source, thread, options.settings.TimeZone, result.counts, [&](TrackHeader& track) {
            return countStoredTrack(storing.store(track), storing, track, result);
        });
    if (!result.ok) {
        storedNothing(result, db);  // a database failure, which result.error tells
    } else if (!read.ok) {
        result.ok = false;
        const bool readFailed = source.error() != 0;
        result.error = unreadMessage(
            result, file, readFailed ? std::strerror(source.error()) : read.error, readFailed);
        storedNothing(result, db);
    } else {
        try {
            db.commitTransaction();
        } catch (const CppSQLite3Exception& e) {
            result.ok = false;
            result.error = "Database error while storing the tracks of " + file.string() + ": " +
                           db.describe(e) + ". Nothing of it was imported.";
            storedNothing(result, db);
        }
    }
    result.read = result.ok;
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
    counts.linesWithoutTimes += other.counts.linesWithoutTimes;
    counts.linesTimedBySpan += other.counts.linesTimedBySpan;
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
    const std::string root = xmlRootName(start);
    std::string format = gpsbabelFormatOf(file);
    if (format.empty()) {
        format = gpsbabelFormatOfRoot(root);
    }
    SpooledDocument spooled;
    if (start.rfind("PK\x03\x04", 0) == 0) {
        spooled = kmlOfKmz(file);
    } else if (options.gpsbabelFormat.empty() && readNatively(root, start, extension, format)) {
        ArchiveSource source(opened.get());
        return importDocument(source, file, db, prompt, options);
    } else {
        if (!options.gpsbabelFormat.empty()) {
            format = options.gpsbabelFormat;
        }
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
    addCount(parts, result.counts.linesWithoutTimes, "line without times skipped",
             "lines without times skipped");
    addCount(parts, result.counts.linesTimedBySpan, "line timed from its time span",
             "lines timed from their time spans");
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

}  // namespace vandrel
