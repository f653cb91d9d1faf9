#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "cli/device_outcome.h"
#include "cli/terminal_prompt.h"
#include "core/settings_form_values.h"
#include "core/units.h"
#include "flows/download_device_logs.h"

namespace vandrel::cli {

namespace {

int runDownload(Context& context) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore(true);
    TerminalPrompt prompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0, false);
    const DownloadReport report = DownloadDeviceLogs(prompt, session);
    if (!report.complete()) {
        return exitCodeFor(report.kind);
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
