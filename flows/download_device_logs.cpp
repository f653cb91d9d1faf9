#include "flows/download_device_logs.h"

#include "core/units.h"
#include "device/settings_form_values.h"
#include "device/track_log.h"
#include "flows/device_command.h"
#include "flows/folder_lock.h"

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

LogCopyError::LogCopyError(const std::string& reason) : std::runtime_error(reason) {}

StoreResult storeDownloadedTracks(TrackDatabase& db, int32_t timeZone) {
    std::vector<TrackHeader> tracks;
    std::string error;
    if (!readLogCopy(tracks, error)) {
        throw LogCopyError(error);
    }
    return storeDecodedTracks(db, tracks, timeZone);
}

DownloadReport DownloadDeviceLogs(UserPrompt& prompt, TrackDatabase& db,
                                  const DeviceSettings& settings, const DownloadHooks& hooks) {
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

    // The copies and the database are the folder's: another download into it would delete
    // this one's copies while they are read.
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, lockError);
    if (!folderLock) {
        return failed(prompt, "Download failed: " + lockError);
    }
    // The logger's own time zone stamps its tracks (Connect found it: no second search).
    report.settings = readLoggerSettings(settings, false);
    if (report.settings.source == SettingsSource::Logger) {
        const std::string fileProblem = keepLoggerSettings(report.settings);
        if (!fileProblem.empty()) {
            prompt.error(fileProblem);
        }
        if (report.settings.changed && hooks.settingsRead) {
            hooks.settingsRead(report.settings.settings);
        }
    } else {
        const TimeZoneFields zone = splitTimeZone(settings.TimeZone);
        prompt.error("The logger's settings were not read (" + report.settings.reason +
                     "). The tracks are stored with the time zone of the program's settings, " +
                     FormatUtcOffset(zone.hours, zone.minutes) + ".");
    }
    const int32_t timeZone = report.settings.settings.TimeZone;
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
        return failed(prompt, "Download failed, nothing was stored: " + db.describe(e));
    } catch (const LogCopyError& e) {
        busy.stop();
        return failed(prompt, std::string("Download failed, nothing was stored: ") + e.what());
    }
    if (hooks.refreshTrackPage) {
        hooks.refreshTrackPage(report.stored);
    }
    busy.stop();
    prompt.notice(kDownloadCompleteText);
    report.outcome = DownloadOutcome::Complete;
    return report;
}

}  // namespace vandrel
