#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "cli/terminal_prompt.h"
#include "core/units.h"
#include "device/settings_form_values.h"
#include "flows/app_data.h"
#include "flows/download_device_logs.h"

namespace vandrel::cli {

namespace {

int runDownload(const Context& context) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    TrackDatabase& db = TrackDatabase::instance();
    db.openStore(TrackDatabase::MissingTables::MadeByTheDownload);
    TerminalPrompt prompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0, false);
    // The logger's settings, when read, are the program's copy from now on (settings.xml).
    DownloadHooks hooks;
    hooks.settingsRead = [](const DeviceSettings& read) { AppData::instance().settings = read; };
    const DownloadReport report =
        DownloadDeviceLogs(prompt, db, AppData::instance().settings, hooks);
    switch (report.kind) {
        case OutcomeKind::NoDevice:
            return kExitNoDevice;
        case OutcomeKind::NoLogRecords:
            return kExitNoLogRecords;
        case OutcomeKind::Failed:
            return kExitFailure;
        case OutcomeKind::Complete:
            break;
    }
    std::cerr << report.stored.tracksStored << " tracks stored, " << report.stored.tracksSkipped
              << " tracks skipped as already stored, " << report.stored.pointsStored
              << " points stored" << std::endl;
    if (report.settings.source == SettingsSource::Logger) {
        const TimeZoneFields zone = splitTimeZone(report.settings.settings.TimeZone);
        std::cerr << "Time zone of the tracks: " << FormatUtcOffset(zone.hours, zone.minutes)
                  << ", the logger's setting" << std::endl;
    }
    return kExitOk;
}

}  // namespace

void addDownloadCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("download", "Download the logger's tracks");
    command->callback([&context] { context.exitCode = runDownload(context); });
}

}  // namespace vandrel::cli
