// Reading the PC track archive into the database (track_archive.h).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/file_reading.h"
#include "core/number_text.h"
#include "core/program_path.h"
#include "core/track_times.h"
#include "exchange/archive_xml.h"
#include "exchange/photo_copies_journal.h"
#include "exchange/track_archive.h"
#include "exchange/track_storing.h"

namespace vandrel {

const char* const kOverwriteLine1 = "In the database has an the same";
const char* const kOverwriteLine2 = "record, do you want to overwrite?";

namespace {

// Numbers are read without the locale, as they were written. An absent (null) or unreadable
// value is 0, as a program reading the file has always taken it.
template <typename T>
T number(const char* value) {
    if (value == nullptr) {
        return 0;
    }
    return parseNumber<T>(value).value_or(0);
}

// NaN when the value has no 32-bit float.
float narrowed(double value) {
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(value);
}

// A value the point must have: none when it is absent, unreadable ("abc", "1e309") or not
// finite.
std::optional<double> required(const char* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const std::optional<double> parsed = parseNumber<double>(value);
    if (!parsed || !std::isfinite(*parsed)) {
        return std::nullopt;
    }
    return parsed;
}

// A measurement the archive may leave out (0 then, as a program reading the file has always
// taken it); false when it is there but unreadable or beyond a 32-bit float.
bool measurement(const char* value, float& out) {
    out = 0.0f;
    if (value == nullptr) {
        return true;
    }
    const std::optional<double> parsed = required(value);
    if (!parsed) {
        return false;
    }
    out = narrowed(*parsed);
    return !std::isnan(out);
}

enum PointField { kLat, kLng, kTime, kAlt, kBar, kTmp, kPho, kPointFields };
constexpr std::array<const char*, kPointFields> kPointFieldNames = {"lat", "lng", "time", "alt",
                                                                    "bar", "tmp", "pho"};

// The attributes of one point that the loader reads, as text. The strings are kept from point
// to point, so that reading a point allocates nothing once they have grown.
struct PointAttributes {
    std::array<std::string, kPointFields> text;
    std::array<bool, kPointFields> present{};

    // Null when the point does not have the attribute.
    const char* operator[](PointField field) const {
        return present[field] ? text[field].c_str() : nullptr;
    }
};

// Copies the attributes a point may have; the reader stays at the point.
void readPointAttributes(const ArchiveReader& reader, PointAttributes& attributes) {
    attributes.present.fill(false);
    reader.eachAttribute([&](const char* name, const char* value) {
        for (size_t field = 0; field < kPointFields; ++field) {
            // The first letter rules out most names before a comparison is called.
            if (name[0] == kPointFieldNames[field][0] &&
                std::strcmp(name, kPointFieldNames[field]) == 0) {
                attributes.text[field] = value;
                attributes.present[field] = true;
                return;
            }
        }
    });
}

// Reads one point; false when it has no usable position or time (one no track may hold), or a
// number it holds is unreadable or impossible: such a point would be stored somewhere it never was
// (0,0 on 1899-12-30 for an empty one). pho keeps the archive's name for now: the photo is copied
// only once the track is known to be stored.
bool readPoint(const PointAttributes& attributes, int32_t tzome, TrackPoint& point) {
    const std::optional<double> lat = required(attributes[kLat]);
    const std::optional<double> lng = required(attributes[kLng]);
    const std::optional<double> time = required(attributes[kTime]);
    if (!lat || !lng || !time || std::fabs(*lat) > 90.0 || std::fabs(*lng) > 180.0 ||
        !isTrackTime(*time, tzome)) {
        return false;
    }
    point.lat = static_cast<float>(*lat);
    point.lng = static_cast<float>(*lng);
    point.sdate = *time;
    if (!measurement(attributes[kAlt], point.alt) || !measurement(attributes[kBar], point.bar) ||
        !measurement(attributes[kTmp], point.tmp)) {
        return false;
    }
    const char* photo = attributes[kPho];
    point.pho = photo != nullptr ? photo : "";
    return true;
}

class ArchiveLoader {
  public:
    ArchiveLoader(const std::filesystem::path& archive, TrackDatabase& db, UserPrompt& prompt,
                  const ArchiveLoadOptions& options)
        : storing_(db, prompt, options.settings, "archive " + archive.filename().string()),
          photoFolder_(archivePhotoFolder(archive)),
          photosFolder_(options.photosFolder),
          stamps_(options.clock),
          journal_(options.photosFolder) {}

    // Adds one point of the item being read to its track, or drops and counts it.
    void addPoint(const PointAttributes& attributes, TrackHeader& track);
    // Stores the track of an item read whole. Returns false when the load must stop (a
    // database failure).
    bool storeItem(TrackHeader& track);
    ArchiveLoadResult result;

  private:
    void copyPhotos(TrackHeader& track);
    void removeCopiedPhotos();

    TrackStoring storing_;
    std::filesystem::path photoFolder_;
    std::filesystem::path photosFolder_;
    PhotoStamps stamps_;
    std::vector<std::filesystem::path> copiedForTrack_;
    PhotoCopiesJournal journal_;
};

void ArchiveLoader::addPoint(const PointAttributes& attributes, TrackHeader& track) {
    TrackPoint point;
    if (!readPoint(attributes, track.tzome, point) ||
        (!track.points.empty() && !plausibleStep(track.points.back(), point))) {
        ++result.pointsDropped;
        return;
    }
    track.points.push_back(std::move(point));
}

// Each photo gets a new name in the photos folder; a point whose photo could not be copied
// keeps no photo rather than a reference to a file that is not there.
void ArchiveLoader::copyPhotos(TrackHeader& track) {
    copiedForTrack_.clear();
    bool folderReady = false;
    for (TrackPoint& point : track.points) {
        if (point.pho.empty()) {
            continue;
        }
        const std::string name = std::move(point.pho);
        point.pho.clear();
        if (!isPlainFileName(name)) {
            ++result.photosNotCopied;
            continue;
        }
        if (!folderReady) {
            result.photosFolderRefused = preparePhotosFolder(photosFolder_);
            folderReady = true;
        }
        if (!result.photosFolderRefused.empty()) {
            ++result.photosNotCopied;
            continue;
        }
        const std::string extension = plainExtension(name);
        CopyOutcome outcome = CopyOutcome::TargetExists;
        std::filesystem::path target;
        // A name already taken (by a file from elsewhere) moves on to the next millisecond.
        for (int attempt = 0; attempt < 100 && outcome == CopyOutcome::TargetExists; ++attempt) {
            target = photosFolder_ / (stamps_.next() + extension);
            journal_.note(target.filename().string());
            outcome = copyNewFile(photoFolder_ / name, target, SourceLinks::Refuse);
        }
        if (outcome != CopyOutcome::Copied) {
            ++result.photosNotCopied;
            continue;
        }
        ++result.photosCopied;
        copiedForTrack_.push_back(target);
        point.pho = target.string();
    }
}

void ArchiveLoader::removeCopiedPhotos() {
    for (const std::filesystem::path& photo : copiedForTrack_) {
        std::error_code ec;
        std::filesystem::remove(photo, ec);
    }
    result.photosCopied -= static_cast<int>(copiedForTrack_.size());
    copiedForTrack_.clear();
}

bool ArchiveLoader::storeItem(TrackHeader& track) {
    if (track.points.empty()) {
        ++result.skipped;
        return true;
    }
    const TrackStoring::Step step = storing_.store(
        track, [&] { copyPhotos(track); }, [&] { removeCopiedPhotos(); });
    return countStoredTrack(step, storing_, track, result);
}

}  // namespace

ArchiveLoadOptions ArchiveLoadOptions::programDefaults(const DataFolder& folder) {
    ArchiveLoadOptions options;
    options.photosFolder = folder.photos();
    return options;
}

namespace {

// The archive nests three levels: the root (any name) with the time zone, one element per
// track (an item) and one per point. Anything else is passed over: text, comments, and
// elements deeper down. Only one track is in memory at a time.
ArchiveLoadResult loadFrom(ArchiveSource& source, const std::filesystem::path& archive,
                           TrackDatabase& db, UserPrompt& prompt,
                           const ArchiveLoadOptions& options) {
    // A document that is cut short or is not XML must store nothing, as when it was parsed
    // whole before the first track was stored: a first pass reads it through and stores
    // nothing. As it builds no node, both passes together take less time than building the
    // whole document did, in a few megabytes instead of seven times the file's size.
    const ThreadMessages thread;
    std::string reason;
    if (!archiveWellFormed(source, thread, reason)) {
        ArchiveLoadResult result;
        result.ok = false;
        result.error = source.error() != 0
                           ? cannotRead(archive, std::strerror(source.error()))
                           : "Not a track archive: " + archive.string() + " (" + reason + ")";
        return result;
    }
    removeCopiesOfKilledRun(options.photosFolder, db);
    ArchiveLoader loader(archive, db, prompt, options);
    loader.result.isArchive = true;
    ArchiveReader reader(source);
    PointAttributes point;
    TrackHeader track;
    int32_t timezone = 0;
    int status = 0;
    while ((status = reader.next()) == 1) {
        const int type = reader.nodeType();
        const int depth = reader.depth();
        bool itemRead = type == XML_READER_TYPE_END_ELEMENT && depth == 1;
        if (type == XML_READER_TYPE_ELEMENT && depth == 0) {
            timezone =
                number<int32_t>(reinterpret_cast<const char*>(reader.attribute("timezone").get()));
        } else if (type == XML_READER_TYPE_ELEMENT && depth == 1) {
            track = TrackHeader();
            track.trail =
                number<int32_t>(reinterpret_cast<const char*>(reader.attribute("trail").get()));
            track.tzome = timezone;
            itemRead = reader.isEmptyElement();
        } else if (type == XML_READER_TYPE_ELEMENT && depth == 2) {
            readPointAttributes(reader, point);
            loader.addPoint(point, track);
        }
        if (itemRead && !loader.storeItem(track)) {
            return loader.result;
        }
    }
    if (status < 0) {
        // What the first pass read through, this one could not: the file changed in between,
        // or the reader ran out of memory. The tracks stored before stay, as after a database
        // failure.
        loader.result.ok = false;
        loader.result.error =
            (source.error() != 0
                 ? cannotRead(archive, std::strerror(source.error()))
                 : "The track archive could not be read to its end: " + archive.string() + " (" +
                       (source.refused().empty() ? reader.reason(thread) : source.refused()) +
                       ")") +
            ". The load stopped.";
    }
    return loader.result;
}

}  // namespace

ArchiveLoadResult loadArchive(const std::filesystem::path& archive, TrackDatabase& db,
                              UserPrompt& prompt, const ArchiveLoadOptions& options) {
    // Opened without blocking and refused unless a regular file: a FIFO or a device would
    // stall the load for ever.
    std::string error;
    const FileHandle file = openRegularFile(archive, error);
    if (file == nullptr) {
        ArchiveLoadResult result;
        result.ok = false;
        result.error = error;
        return result;
    }
    ArchiveSource source(file.get());
    return loadFrom(source, archive, db, prompt, options);
}

ArchiveLoadResult loadArchiveText(std::string_view text, const std::filesystem::path& archive,
                                  TrackDatabase& db, UserPrompt& prompt,
                                  const ArchiveLoadOptions& options) {
    ArchiveSource source(text);
    return loadFrom(source, archive, db, prompt, options);
}

}  // namespace vandrel
