#include "flows/exchange_flows.h"

#include "exchange/gpx_export.h"
#include "exchange/track_name.h"
#include "flows/folder_lock.h"

namespace vandrel {

const char* const kSelectBackupFileText = "Please select a backup file!";
const char* const kBackupCompleteText = "Backup Complete!";
const char* const kExportCompleteText = "Export Complete!";

namespace {

void tellPhotosNotCopied(UserPrompt& prompt, int count, const std::filesystem::path& folder) {
    if (count > 0) {
        prompt.error(std::to_string(count) + (count == 1 ? " photo" : " photos") +
                     " could not be copied into " + folder.string());
    }
}

void tellSaveResult(UserPrompt& prompt, const std::filesystem::path& path,
                    const ArchiveSaveResult& result) {
    if (!result.ok) {
        prompt.error(result.error);
        return;
    }
    tellPhotosNotCopied(prompt, result.photosNotCopied, archivePhotoFolder(path));
}

}  // namespace

FileFilter exportFilter(ExportFormat format) {
    if (format == ExportFormat::Gpx) {
        return {kGpxFilterDescription, "*.gpx", "gpx"};
    }
    return {kKmzFilterDescription, "*.kmz", "kmz"};
}

FileFilter archiveFilter() {
    return {kArchiveFilterDescription, "*.prg", "prg"};
}

bool exportTrackTo(UserPrompt& prompt, const std::filesystem::path& path, const TrackHeader& track,
                   ExportFormat format, const KmzOptions& kmz) {
    if (format == ExportFormat::Gpx) {
        const ExchangeResult result = exportGpx(path, track);
        if (!result.ok) {
            prompt.error(result.error);
        }
        return result.ok;
    }
    const KmzResult result = exportKmz(path, track, kmz);
    if (!result.ok) {
        prompt.error(result.error);
        return false;
    }
    if (result.filesMissing > 0) {
        prompt.error(std::to_string(result.filesMissing) +
                     " icon or photo files could not be read; they are empty in " + path.string());
    }
    return true;
}

bool ExportTrack(UserPrompt& prompt, const TrackHeader& track, ExportFormat format) {
    FileFilter filter = exportFilter(format);
    filter.suggestedName = trackFileName(track, filter.defaultExtension);
    const std::optional<std::string> path = prompt.chooseSaveFile(filter);
    if (!path || !exportTrackTo(prompt, *path, track, format)) {
        return false;
    }
    prompt.notice(kExportCompleteText, "Saved to " + *path);
    return true;
}

ArchiveSaveResult saveTracksTo(UserPrompt& prompt, const std::filesystem::path& path,
                               const std::vector<TrackHeader>& tracks) {
    const ArchiveSaveResult result = saveArchive(path, tracks);
    tellSaveResult(prompt, path, result);
    return result;
}

void SaveTracksToPc(UserPrompt& prompt, const std::vector<TrackHeader>& rows,
                    const std::vector<bool>& selected, const std::function<void()>& chosen) {
    if (rows.empty()) {
        return;
    }
    const std::optional<std::string> path = prompt.chooseSaveFile(archiveFilter());
    if (!path) {
        return;
    }
    if (chosen) {
        chosen();
    }
    bool anySelected = false;
    for (size_t i = 0; i < rows.size() && i < selected.size(); ++i) {
        anySelected = anySelected || selected[i];
    }
    std::vector<TrackHeader> tracks;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!anySelected || (i < selected.size() && selected[i])) {
            tracks.push_back(rows[i]);
        }
    }
    saveTracksTo(prompt, *path, tracks);
}

ArchiveSaveResult backupStoredTracks(UserPrompt& prompt, TrackDatabase& db,
                                     const std::filesystem::path& path,
                                     const std::vector<TrackHeader>& headers) {
    ArchiveSaveResult result;
    try {
        result = saveStoredTracks(path, db, headers);
    } catch (const CppSQLite3Exception& e) {
        result.ok = false;
        result.error = "Database error: " + db.describe(e) + ". The archive was not written.";
    }
    tellSaveResult(prompt, path, result);
    return result;
}

std::optional<ArchiveSaveResult> BackupTracks(UserPrompt& prompt, TrackDatabase& db,
                                              const std::string& backupFile) {
    if (backupFile.empty()) {
        prompt.notice(kSelectBackupFileText);
        return std::nullopt;
    }
    std::vector<TrackHeader> headers;
    try {
        headers = readStoredHeaders(db);
    } catch (const CppSQLite3Exception& e) {
        prompt.error("Database error: " + db.describe(e));
        ArchiveSaveResult failed;
        failed.ok = false;
        failed.error = db.describe(e);
        return failed;
    }
    ArchiveSaveResult result = backupStoredTracks(prompt, db, backupFile, headers);
    if (result.ok) {
        prompt.notice(kBackupCompleteText);
    }
    return result;
}

ArchiveLoadResult loadTracksFrom(UserPrompt& prompt, TrackDatabase& db,
                                 const std::filesystem::path& path,
                                 const ArchiveLoadOptions& options) {
    ArchiveLoadResult result;
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, lockError);
    if (!folderLock) {
        result.ok = false;
        result.error = lockError + ". Nothing was loaded.";
    } else {
        BusyScope busy(prompt);
        result = loadArchive(path, db, prompt, options);
    }
    if (!result.ok) {
        prompt.error(result.error);
    }
    if (result.skipped > 0) {
        prompt.error(std::to_string(result.skipped) +
                     (result.skipped == 1 ? " track was" : " tracks were") +
                     " skipped: no points to store");
    }
    tellPhotosNotCopied(prompt, result.photosNotCopied, options.photosFolder);
    return result;
}

std::optional<ArchiveLoadResult> LoadTracksFromPc(UserPrompt& prompt, TrackDatabase& db,
                                                  const std::function<void()>& chosen) {
    const std::optional<std::string> path = prompt.chooseOpenFile(archiveFilter());
    if (!path) {
        return std::nullopt;
    }
    if (chosen) {
        chosen();
    }
    return loadTracksFrom(prompt, db, *path);
}

}  // namespace vandrel
