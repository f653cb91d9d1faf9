#include "flows/download_device_logs.h"

#include "device/track_log.h"
#include "flows/device_command.h"

namespace vandrel {
namespace {

DownloadReport failed(UserPrompt& prompt, std::string message) {
    prompt.error(message);
    DownloadReport report;
    report.outcome = DownloadOutcome::Failed;
    report.error = std::move(message);
    return report;
}

}  // namespace

StoreResult storeDownloadedTracks(TrackDatabase& db, int32_t timeZone) {
    std::vector<TrackHeader> tracks;
    for (const LogRun& run : readLogIndex()) {
        readLogRun(run, tracks.emplace_back());
    }
    return storeDecodedTracks(db, tracks, timeZone);
}

DownloadReport DownloadDeviceLogs(UserPrompt& prompt, TrackDatabase& db, int32_t timeZone,
                                  const DownloadHooks& hooks) {
    DownloadReport report;
    CommandReport connect;
    if (!connectOrTell(prompt, kDeviceUnconnectText, connect)) {
        report.outcome = DownloadOutcome::NoDevice;
        report.error = connect.error;
        return report;
    }
    if (!HasLogRecords()) {
        prompt.notice(kNoLogRecordsText);
        report.outcome = DownloadOutcome::NoLogRecords;
        return report;
    }

    BusyScope busy(prompt);
    if (hooks.stopPlayback) {
        hooks.stopPlayback();
    }
    // A copy cut short (the logger unplugged mid-way) must not be decoded as tracks.
    const CopyResult copy = CopyLogAreas();
    if (!copy.ok) {
        busy.stop();
        return failed(prompt, "Download failed: " + copy.message);
    }
    try {
        report.stored = storeDownloadedTracks(db, timeZone);
    } catch (const CppSQLite3Exception& e) {
        busy.stop();
        return failed(prompt,
                      std::string("Download failed, nothing was stored: ") + e.errorMessage());
    }
    if (hooks.refreshTrackPage) {
        hooks.refreshTrackPage();
    }
    busy.stop();
    prompt.notice(kDownloadCompleteText);
    report.outcome = DownloadOutcome::Complete;
    return report;
}

}  // namespace vandrel
