#include "device/download_device_logs.h"

#include "device/device_volume.h"
#include "device/track_log.h"

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

DownloadReport DownloadDeviceLogs(UserPrompt& prompt, TrackDatabase& db, int32_t timeZone,
                                  const DownloadHooks& hooks) {
    DeviceVolume& volume = DeviceVolume::instance();
    DownloadReport report;
    if (!volume.Connect()) {
        prompt.notice(kDeviceUnconnectText);
        // A logger that was found but could not be opened (permissions) is worth a reason.
        if (!volume.lastError().empty()) {
            prompt.error(volume.lastError());
        }
        report.outcome = DownloadOutcome::NoDevice;
        report.error = volume.lastError();
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
