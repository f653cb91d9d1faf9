#include "exchange/track_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/ole_date.h"
#include "core/track_times.h"
#include "exchange/archive_xml.h"
#include "exchange/track_file_reader.h"
#include "exchange/track_file_sources.h"
#include "exchange/track_storing.h"
#include "exchange/xml_root.h"

namespace vandrel {

const char* const kImportFilterDescription = "All supported";
const char* const kImportFilterPattern =
    "*.prg;*.gpx;*.tcx;*.kml;*.kmz;*.igc;*.nmea;*.nma;*.csv;*.plt;*.loc";

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

// What the user is told of a document that could not be read, of which nothing was kept.
std::string unreadMessage(const std::filesystem::path& file, const std::string& reason,
                          bool readFailed) {
    return readFailed ? cannotRead(file, reason)
                      : "Not a track file: " + file.string() + " (" + reason + ")";
}

std::string clockText(double localOle) {
    SystemTime t;
    if (!VariantTimeToSystemTime(localOle, t)) {
        return "?";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

// "walk.gpx: the file ends early at line 812; its last track was kept up to 14:02:31".
std::string breakNote(const std::filesystem::path& file, const TrackFileBreak& broke) {
    const std::string at = broke.line > 0 ? " at line " + std::to_string(broke.line) : "";
    std::string note = file.filename().string() + ": ";
    note += broke.atEnd ? "the file ends early" + at
                        : "the file is damaged" + at + " (" + broke.reason + ")";
    if (broke.keptUntil) {
        return note + "; its last track was kept up to " + clockText(*broke.keptUntil);
    }
    return note + "; the track it breaks off in had too few whole points to keep";
}

// Why a file that was read stored nothing, in a person's words; empty when the counts say it
// (its tracks were too short). A line without times is what a file of a drawn or exported
// path holds: it is named alone, the places beside it (its ends, say) being in the counts.
std::string nothingStoredNote(const std::filesystem::path& file, const TrackFileCounts& counts) {
    const std::string name = file.filename().string();
    const std::string nothing = ": nothing to put in the calendar";
    if (counts.linesWithoutTimes > 0) {
        return name + " holds " +
               (counts.linesWithoutTimes == 1 ? "a line without times" : "lines without times") +
               nothing;
    }
    std::vector<std::string> held;
    const std::pair<int, const char*> kinds[] = {{counts.waypoints + counts.places, "places"},
                                                 {counts.routes, "routes"},
                                                 {counts.polygons, "polygons"},
                                                 {counts.overlays, "overlays"}};
    for (const auto& [count, kind] : kinds) {
        if (count > 0) {
            held.push_back(kind);
        }
    }
    if (held.empty()) {
        return counts.tracksTooShort > 0 ? std::string() : name + " holds no track" + nothing;
    }
    std::string list;
    for (size_t i = 0; i < held.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == held.size() ? " and " : ", ") + held[i];
    }
    return name + " holds only " + list + nothing;
}

// Stores the tracks the reader hands on, whole or in pieces (track_stream.h), counting them into
// the import's result. The track a file broke off in is stored with its origin marked.
class ImportSink : public TrackSink {
  public:
    ImportSink(TrackStoring& storing, ImportResult& result, std::string origin)
        : storing_(storing), result_(result), origin_(std::move(origin)) {}

    bool whole(TrackHeader& track, bool cut) override {
        markCut(cut);
        return countStoredTrack(storing_.store(track), storing_, track, result_);
    }
    bool begin(TrackHeader& first) override {
        const TrackStoring::Step step = storing_.beginPieces(first);
        keeping_ = step == TrackStoring::Step::Kept;
        return countStoredTrack(step, storing_, first, result_);
    }
    bool more(std::vector<TrackPoint>& points) override {
        if (keeping_) {  // the stored track of that start was kept: the rest goes unread
            return true;
        }
        if (!storing_.morePieces(points)) {
            return failed();
        }
        result_.pointsStored += static_cast<int64_t>(points.size());
        return true;
    }
    bool end(bool cut) override {
        if (keeping_) {
            return true;
        }
        markCut(cut);
        return storing_.endPieces() || failed();
    }

  private:
    void markCut(bool cut) {
        if (cut) {
            storing_.setOrigin(origin_ + " (cut short)");
        }
    }
    bool failed() {
        result_.ok = false;
        result_.error = storing_.error();
        return false;
    }

    TrackStoring& storing_;
    ImportResult& result_;
    std::string origin_;
    bool keeping_ = false;
};

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
// transaction that is kept when the document was read, or broke off after its start: one that
// is not XML, declares a document type or cannot be read stores nothing. Each track is a part
// of the transaction of its own (the duplicate rule and the question, as in an archive's load).
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
    const std::string origin = file.filename().string();
    TrackStoring storing(db, prompt, options.settings, origin,
                         TrackStoring::Transactions::InsideCallers);
    TrackFileOptions reading;
    reading.defaultTzome = options.settings.TimeZone;
    reading.splitGapSeconds = options.splitGapSeconds;
    ImportSink sink(storing, result, origin);
    const TrackFileRead read = readTrackFile(source, thread, reading, result.counts, sink);
    if (!result.ok) {
        storedNothing(result, db);  // a database failure, which result.error tells
    } else if (!read.ok) {
        result.ok = false;
        const bool readFailed = source.error() != 0;
        result.error = unreadMessage(file, readFailed ? std::strerror(source.error()) : read.error,
                                     readFailed);
        storedNothing(result, db);
    } else {
        if (read.broke) {
            result.whole = false;
            result.notes.push_back(breakNote(file, *read.broke));
        } else if (result.stored + result.replaced + result.kept == 0) {
            if (std::string note = nothingStoredNote(file, result.counts); !note.empty()) {
                result.notes.push_back(std::move(note));
            }
        }
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
    newestStart = std::max(newestStart, other.newestStart);
    counts.add(other.counts);
    notes.insert(notes.end(), other.notes.begin(), other.notes.end());
    whole = whole && other.whole;
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
    const std::string outside = " dated outside " + trackYearsText() + " skipped";
    addCount(parts, result.counts.pointsOutsideTimes, ("point" + outside).c_str(),
             ("points" + outside).c_str());
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
    addCount(parts, result.counts.places, "place skipped", "places skipped");
    addCount(parts, result.counts.polygons, "polygon skipped", "polygons skipped");
    addCount(parts, result.counts.overlays, "overlay skipped", "overlays skipped");
    addCount(parts, result.counts.pointsReordered,
             "point earlier than the one before it put in its place",
             "points earlier than the ones before them put in their places");
    if (const TrackFileCounts& c = result.counts; c.tracksSplit > 0) {
        const std::string gaps = c.splitsAtGaps > 0 ? " where hours passed between two fixes" : "";
        const std::string back = c.splitsWhereTimeRunsBack > 0 ? " where time runs back" : "";
        parts.push_back(std::to_string(c.tracksSplit) +
                        (c.tracksSplit == 1 ? " track" : " tracks") + " split into " +
                        std::to_string(c.tracksFromSplits) + gaps +
                        (gaps.empty() || back.empty() ? "" : " and") + back);
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    for (const std::string& note : result.notes) {
        text += "\n" + note;
    }
    return text;
}

}  // namespace vandrel
