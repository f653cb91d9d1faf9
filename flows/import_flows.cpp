#include <cctype>

#include "flows/import_flows.h"

#include "flows/device_command.h"
#include "flows/exchange_flows.h"
#include "flows/folder_lock.h"

namespace vandrel {

FileFilter trackFilesFilter() {
    FileFilter filter{kImportFilterDescription, kImportFilterPattern, "prg"};
    filter.moreFilters = {
        {kArchiveFilterDescription, "*.prg"},
        {"GPX Files (*.gpx)", "*.gpx"},
        {"TCX Files (*.tcx)", "*.tcx"},
        {"KML Files (*.kml;*.kmz)", "*.kml;*.kmz"},
        {"IGC Flights (*.igc)", "*.igc"},
        {"NMEA Logs (*.nmea;*.nma)", "*.nmea;*.nma"},
        {"Other Formats through gpsbabel (*.csv;*.plt;*.loc)", "*.csv;*.plt;*.loc"}};
    return filter;
}

namespace {

bool isArchive(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".prg";
}

// The archive load's counts in the import's terms; its own messages are told by the load.
ImportResult fromArchive(const ArchiveLoadResult& loaded) {
    ImportResult result;
    result.ok = loaded.ok;
    result.read = loaded.isArchive;
    result.stored = loaded.stored;
    result.replaced = loaded.replaced;
    result.kept = loaded.kept;
    result.pointsStored = loaded.pointsStored;
    result.newestStart = loaded.newestStart;
    result.counts.tracksTooShort = loaded.skipped;
    result.counts.pointsImplausible = loaded.pointsDropped;
    return result;
}

}  // namespace

ImportResult importFiles(UserPrompt& prompt, Session& session,
                         const std::vector<std::filesystem::path>& files,
                         const std::string& gpsbabelFormat, bool summaryNotice,
                         double splitGapSeconds) {
    ImportResult total;
    ImportOptions options;
    session.onOwnerThread([&] { options.settings = session.settings; });
    options.gpsbabelFormat = gpsbabelFormat;
    options.splitGapSeconds = splitGapSeconds;
    for (const std::filesystem::path& file : files) {
        if (isArchive(file)) {
            const ImportResult loaded = fromArchive(loadTracksFrom(prompt, session, file));
            total.add(loaded);
            total.ok = total.ok && loaded.ok;
            continue;
        }
        std::string lockError;
        const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
        if (!folderLock) {
            prompt.error(lockError + ". Nothing was imported.");
            total.ok = false;
            return total;
        }
        ImportResult result;
        {
            BusyScope busy(prompt);
            result = importTrackFile(file, session.database(), prompt, options);
        }
        total.add(result);
        if (!result.ok) {
            total.ok = false;
            prompt.error(result.error);
        }
    }
    if (summaryNotice) {
        const std::string summary = importSummary(total);
        // A file that broke off kept what it could: its note is no success to show in green.
        if (total.ok && total.whole) {
            prompt.success(summary);
        } else {
            prompt.notice(summary);
        }
    }
    return total;
}

Outcome ImportDroppedFiles(UserPrompt& prompt, Session& session,
                           const std::vector<std::filesystem::path>& files) {
    if (files.empty()) {
        return commandDone(OutcomeKind::Cancelled);
    }
    session.onOwnerThread([&session] { session.playbackStop.notify(); });
    const ImportResult result = importFiles(prompt, session, files, {}, true);
    // The calendar opens on the newest track stored, as after a download.
    session.onOwnerThread(
        [&session, &result] { session.tracksChanged.notify({result.newestStart}); });
    Outcome outcome;
    outcome.kind = result.ok ? OutcomeKind::Complete : OutcomeKind::Failed;
    outcome.error = result.ok ? std::string() : result.error;
    return outcome;
}

}  // namespace vandrel
