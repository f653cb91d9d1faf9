#include "flows/exchange_flows.h"

#include "exchange/gpx_export.h"
#include "exchange/track_name.h"
#include "flows/device_command.h"
#include "flows/folder_lock.h"
#include "flows/import_flows.h"
#include "store/sqlite_db.h"

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

// The refusal of a write over one of the program's own files, told; empty when there is none.
bool refused(UserPrompt& prompt, const Session& session, const std::filesystem::path& path,
             std::string* error = nullptr) {
    std::string why = session.folder().refusedWrite(path);
    if (why.empty()) {
        return false;
    }
    prompt.error(why);
    if (error != nullptr) {
        *error = std::move(why);
    }
    return true;
}

ArchiveSaveResult failedSave(std::string error) {
    ArchiveSaveResult result;
    result.ok = false;
    result.error = std::move(error);
    return result;
}

Outcome failedWith(std::string error) {
    Outcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

Outcome outcomeOf(const ExchangeResult& result) {
    Outcome outcome;
    outcome.kind = result.ok ? OutcomeKind::Complete : OutcomeKind::Failed;
    outcome.error = result.ok ? std::string() : result.error;
    return outcome;
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

Outcome exportTrackTo(UserPrompt& prompt, const Session& session, const std::filesystem::path& path,
                      const TrackHeader& track, ExportFormat format, const KmzOptions& kmz) {
    std::string refusal;
    if (refused(prompt, session, path, &refusal)) {
        return failedWith(std::move(refusal));
    }
    if (format == ExportFormat::Gpx) {
        const ExchangeResult result = exportGpx(path, track);
        if (!result.ok) {
            prompt.error(result.error);
        }
        return outcomeOf(result);
    }
    // Photos come from this program's folder only, whatever the caller's options say.
    KmzOptions options = kmz;
    options.photosFolder = session.folder().photos();
    const KmzResult result = exportKmz(path, track, options);
    if (!result.ok) {
        prompt.error(result.error);
        return outcomeOf(result);
    }
    if (result.filesMissing > 0) {
        prompt.error(std::to_string(result.filesMissing) +
                     " icon or photo files could not be read; they are empty in " + path.string());
    }
    return commandDone(OutcomeKind::Complete);
}

Outcome ExportTrack(UserPrompt& prompt, const Session& session, const TrackHeader& track,
                    ExportFormat format) {
    FileFilter filter = exportFilter(format);
    filter.suggestedName = trackFileName(track, filter.defaultExtension);
    const std::optional<std::string> path = prompt.chooseSaveFile(filter);
    if (!path) {
        return commandDone(OutcomeKind::Cancelled);
    }
    if (Outcome written = exportTrackTo(prompt, session, *path, track, format);
        !written.complete()) {
        return written;
    }
    prompt.success(kExportCompleteText, "Saved to " + *path);
    return commandDone(OutcomeKind::Complete);
}

ArchiveSaveResult saveTracksTo(UserPrompt& prompt, const Session& session,
                               const std::filesystem::path& path,
                               const std::vector<TrackHeader>& tracks) {
    std::string error;
    if (refused(prompt, session, path, &error)) {
        return failedSave(error);
    }
    const ArchiveSaveResult result = saveArchive(path, tracks, session.folder().photos());
    tellSaveResult(prompt, path, result);
    return result;
}

Outcome SaveTracksToPc(UserPrompt& prompt, const Session& session,
                       const std::vector<TrackHeader>& rows, const std::vector<bool>& selected,
                       const std::function<void()>& chosen) {
    if (rows.empty()) {
        return commandDone(OutcomeKind::Cancelled);
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
    FileFilter filter = archiveFilter();
    filter.suggestedName = archiveFileName(tracks, filter.defaultExtension);
    const std::optional<std::string> path = prompt.chooseSaveFile(filter);
    if (!path) {
        return commandDone(OutcomeKind::Cancelled);
    }
    if (chosen) {
        chosen();
    }
    const ArchiveSaveResult saved = saveTracksTo(prompt, session, *path, tracks);
    if (saved.ok) {
        prompt.success(archiveSaveSummary(saved, *path));
    }
    return outcomeOf(saved);
}

std::string archiveSaveSummary(const ArchiveSaveResult& result, const std::filesystem::path& path) {
    return "Saved " + std::to_string(result.tracks) + (result.tracks == 1 ? " track" : " tracks") +
           " and " + std::to_string(result.points) + " points to " + path.string() + ", " +
           std::to_string(result.photosCopied) + " photos copied";
}

ArchiveSaveResult backupStoredTracks(UserPrompt& prompt, Session& session,
                                     const std::filesystem::path& path,
                                     const std::vector<TrackHeader>& headers) {
    std::string error;
    if (refused(prompt, session, path, &error)) {
        return failedSave(error);
    }
    TrackDatabase& db = session.database();
    ArchiveSaveResult result;
    try {
        result = saveStoredTracks(path, db, headers, session.folder().photos());
    } catch (const CppSQLite3Exception& e) {
        result.ok = false;
        result.error = "Database error: " + db.describe(e) + ". The archive was not written.";
    }
    tellSaveResult(prompt, path, result);
    return result;
}

std::optional<ArchiveSaveResult> backupAllTracks(UserPrompt& prompt, Session& session,
                                                 const std::string& backupFile) {
    if (backupFile.empty()) {
        prompt.notice(kSelectBackupFileText);
        return std::nullopt;
    }
    std::vector<TrackHeader> headers;
    try {
        headers = readStoredHeaders(session.database());
    } catch (const CppSQLite3Exception& e) {
        const std::string why = session.database().describe(e);
        prompt.error("Database error: " + why);
        return failedSave(why);
    }
    ArchiveSaveResult result = backupStoredTracks(prompt, session, backupFile, headers);
    if (result.ok) {
        prompt.success(kBackupCompleteText);
    }
    return result;
}

Outcome BackupTracks(UserPrompt& prompt, Session& session, const std::string& backupFile) {
    const std::optional<ArchiveSaveResult> result = backupAllTracks(prompt, session, backupFile);
    return result ? outcomeOf(*result) : commandDone(OutcomeKind::Cancelled);
}

ArchiveLoadResult loadTracksFrom(UserPrompt& prompt, Session& session,
                                 const std::filesystem::path& path) {
    ArchiveLoadOptions options = ArchiveLoadOptions::programDefaults(session.folder());
    session.onOwnerThread([&] { options.settings = session.settings; });
    return loadTracksFrom(prompt, session, path, options);
}

ArchiveLoadResult loadTracksFrom(UserPrompt& prompt, Session& session,
                                 const std::filesystem::path& path,
                                 const ArchiveLoadOptions& options) {
    TrackDatabase& db = session.database();
    ArchiveLoadResult result;
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
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
    if (!result.photosFolderRefused.empty()) {
        prompt.error(result.photosFolderRefused);
    }
    tellPhotosNotCopied(prompt, result.photosNotCopied, options.photosFolder);
    return result;
}

// Archives and other track files alike end with the import's summary of what was stored and
// skipped, the line vandrel-cli import prints.
Outcome LoadTracksFromPc(UserPrompt& prompt, Session& session) {
    const std::vector<std::string> chosen = prompt.chooseOpenFiles(trackFilesFilter());
    return ImportDroppedFiles(prompt, session, {chosen.begin(), chosen.end()});
}

}  // namespace vandrel
