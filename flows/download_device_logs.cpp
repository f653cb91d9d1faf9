#include "flows/download_device_logs.h"

#include "core/settings_form_values.h"
#include "core/units.h"
#include "device/track_log.h"
#include "flows/device_command.h"
#include "flows/folder_lock.h"
#include "store/sqlite_db.h"
#include "store/store_decoded_tracks.h"

namespace vandrel {
namespace {

DownloadReport failed(UserPrompt& prompt, std::string message) {
    prompt.error(message);
    DownloadReport report;
    report.kind = OutcomeKind::Failed;
    report.error = std::move(message);
    return report;
}

}  // namespace

LogCopyError::LogCopyError(const std::string& reason) : std::runtime_error(reason) {}

StoreResult storeDownloadedTracks(Session& session, int32_t timeZone) {
    std::vector<TrackHeader> tracks;
    std::string error;
    if (!readLogCopy(session.folder(), tracks, error)) {
        throw LogCopyError(error);
    }
    return storeDecodedTracks(session.database(), tracks, timeZone);
}

DownloadReport DownloadDeviceLogs(UserPrompt& prompt, Session& session) {
    DownloadReport report;
    Outcome connect;
    if (!connectOrTell(prompt, session.volume(), kDeviceUnconnectText, connect)) {
        report.kind = OutcomeKind::NoDevice;
        report.error = connect.error;
        return report;
    }
    if (!HasLogRecords(session.volume())) {
        prompt.notice(kNoLogRecordsText);
        report.kind = OutcomeKind::NoLogRecords;
        return report;
    }
    DeviceSettings settings;
    session.onOwnerThread([&] { settings = session.settings; });

    // The copies and the database are the folder's: another download into it would delete
    // this one's copies while they are read.
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
    if (!folderLock) {
        return failed(prompt, "Download failed: " + lockError);
    }
    // The logger's own time zone stamps its tracks (Connect found it: no second search).
    report.settings = readLoggerSettings(session, settings, false);
    if (report.settings.source == SettingsSource::Logger) {
        const std::string fileProblem = keepLoggerSettings(session.folder(), report.settings);
        if (!fileProblem.empty()) {
            prompt.error(fileProblem);
        }
        // The pages redraw in them at the refresh below.
        if (report.settings.changed) {
            session.onOwnerThread([&] { session.settings = report.settings.settings; });
        }
    } else {
        const TimeZoneFields zone = splitTimeZone(settings.TimeZone);
        prompt.error("The logger's settings were not read (" + report.settings.reason +
                     "). The tracks are stored with the time zone of the program's settings, " +
                     FormatUtcOffset(zone.hours, zone.minutes) + ".");
    }
    const int32_t timeZone = report.settings.settings.TimeZone;
    BusyScope busy(prompt);
    session.onOwnerThread([&session] { session.playbackStop.notify(); });
    // A copy cut short (the logger unplugged mid-way) must not be decoded as tracks.
    const CopyResult copy = CopyLogAreas(session.volume(), session.folder());
    if (!copy.ok) {
        busy.stop();
        return failed(prompt, "Download failed: " + copy.message);
    }
    try {
        report.stored = storeDownloadedTracks(session, timeZone);
    } catch (const CppSQLite3Exception& e) {
        busy.stop();
        return failed(prompt,
                      "Download failed, nothing was stored: " + session.database().describe(e));
    } catch (const LogCopyError& e) {
        busy.stop();
        return failed(prompt, std::string("Download failed, nothing was stored: ") + e.what());
    }
    session.onOwnerThread([&] { session.tracksChanged.notify({report.stored.newestStart}); });
    busy.stop();
    prompt.success(kDownloadCompleteText);
    report.kind = OutcomeKind::Complete;
    return report;
}

}  // namespace vandrel
