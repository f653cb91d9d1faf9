#pragma once
// The PC track archive: tracks leave and re-enter the database through an XML file ".prg"
// with a folder beside it, named like the file without its extension, holding the photos.
//
//   <?xml version="1.0" ?>
//   <track timezone="480">                          tzome of the last track written
//       <item trail="3">                            one per track, in the order given
//           <point lat="22.500000" lng="114.250000" time="40897.545243" alt="12.50"
//                  bar="1013.25" tmp="21.00" pho="20111220130509123.jpg" />
//       </item>
//   </track>
//
// (a point stands on one line.) Lines end in CR LF, four blanks of indentation per level.
// lat and lng have six decimals; time is the local OLE date rounded to the second, six
// decimals; alt, bar and tmp two decimals; pho the photo's file name in the photo folder, or
// empty. The summary fields are not written: a load computes them again.

#include <tinyxml2.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"
#include "core/device_settings.h"
#include "core/program_path.h"
#include "core/track_records.h"
#include "core/user_prompt.h"
#include "exchange/exchange_result.h"
#include "exchange/photo_files.h"
#include "store/sqlite_db.h"

namespace vandrel {

extern const char* const kArchiveFilterDescription;  // "PRG Files (*.prg)"
extern const char* const kOverwriteLine1;            // "In the database has an the same"
extern const char* const kOverwriteLine2;            // "record, do you want to overwrite?"

// The photo folder of an archive: its path without the extension. An archive named without
// an extension would share its own name with the folder, so its folder is "<name>_photos".
std::filesystem::path archivePhotoFolder(const std::filesystem::path& archive);

struct ArchiveSaveResult : ExchangeResult {
    int tracks = 0;
    int64_t points = 0;
    int photosCopied = 0;     // copied into the photo folder now
    int photosNotCopied = 0;  // unread, not to be read or failed (pho names it), or a name XML
                              // refuses (pho "")
};

// Writes an archive track by track, so that a whole database never has to be in memory. The
// points' photos are read from photosFolder, the program's photos folder, and nowhere else (see
// openStoredPhoto).
class ArchiveWriter {
  public:
    ArchiveWriter(std::filesystem::path archive, std::filesystem::path photosFolder);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Makes the photo folder and starts the file. rootTimezone is the tzome of the last track
    // that will be written; none when no track will be.
    bool begin(std::optional<int32_t> rootTimezone);
    void write(const TrackHeader& track);
    // Ends the document and puts the file in place; the result holds the counts and, on
    // failure, the reason.
    ArchiveSaveResult finish();

  private:
    void writePoint(const TrackPoint& point);
    std::string copyPhoto(const std::string& photoPath);

    std::filesystem::path archive_;
    std::filesystem::path photoFolder_;
    std::filesystem::path photosFolder_;
    AtomicFile file_;
    std::unique_ptr<tinyxml2::XMLPrinter> printer_;
    ArchiveSaveResult result_;
};

ArchiveSaveResult saveArchive(const std::filesystem::path& archive,
                              const std::vector<TrackHeader>& tracks,
                              const std::filesystem::path& photosFolder);

// Writes the given stored tracks (headers as read from the database), reading each one's
// points only while it is written. Database failures arrive as CppSQLite3Exception.
ArchiveSaveResult saveStoredTracks(const std::filesystem::path& archive, TrackDatabase& db,
                                   const std::vector<TrackHeader>& headers,
                                   const std::filesystem::path& photosFolder);

struct ArchiveLoadOptions {
    std::filesystem::path photosFolder;  // where loaded photos go: the program's "photos"
    LocalClock clock = localTimeWithMilliseconds;
    // The clock the messages show times in.
    DeviceSettings settings;

    // Photos into the folder's "photos".
    static ArchiveLoadOptions programDefaults(const DataFolder& folder);
};

struct ArchiveLoadResult : ExchangeResult {
    bool isArchive = false;     // false: not a well-formed archive, or unreadable; nothing loaded
    int stored = 0;             // tracks that were not stored before
    int replaced = 0;           // stored tracks replaced at the overwrite question
    int kept = 0;               // stored tracks kept at the overwrite question
    int skipped = 0;            // items without a point: nothing to store
    int64_t pointsStored = 0;   // points of the stored and the replacing tracks
    double newestStart = 0;     // the latest start of a track stored or replaced; 0: none
    int64_t pointsDropped = 0;  // implausible points, and points without a usable time or place
    int photosCopied = 0;
    int photosNotCopied = 0;  // named but not copied (missing, not a plain name, failed)
    // Why no photo was copied when the photos folder is not a real folder (preparePhotosFolder).
    std::string photosFolderRefused;
};

// Stores the archive's tracks, asking through prompt before a stored track starting within
// one second is replaced. Each track is stored whole or not at all: a database failure rolls
// that track back, removes the photos copied for it and ends the load (result not ok); the
// tracks stored before it stay. The file is read as a stream, holding one track at a time;
// one that is not well-formed XML, or declares a document type, stores nothing.
ArchiveLoadResult loadArchive(const std::filesystem::path& archive, TrackDatabase& db,
                              UserPrompt& prompt, const ArchiveLoadOptions& options);
// The same for an archive's text already in memory; archive names the file, whose photo
// folder the photos are copied from.
ArchiveLoadResult loadArchiveText(std::string_view text, const std::filesystem::path& archive,
                                  TrackDatabase& db, UserPrompt& prompt,
                                  const ArchiveLoadOptions& options);

}  // namespace vandrel
