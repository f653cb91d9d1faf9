#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "cli/terminal_prompt.h"
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
    const DownloadReport report =
        DownloadDeviceLogs(prompt, db, AppData::instance().settings.TimeZone);
    switch (report.outcome) {
        case DownloadOutcome::NoDevice:
            return kExitNoDevice;
        case DownloadOutcome::NoLogRecords:
            return kExitNoLogRecords;
        case DownloadOutcome::Failed:
            return kExitFailure;
        case DownloadOutcome::Complete:
            break;
    }
    std::cerr << report.stored.tracksStored << " tracks stored, " << report.stored.tracksSkipped
              << " tracks skipped as already stored, " << report.stored.pointsStored
              << " points stored" << std::endl;
    return kExitOk;
}

}  // namespace

void addDownloadCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("download", "Download the logger's tracks");
    command->callback([&context] { context.exitCode = runDownload(context); });
}

}  // namespace vandrel::cli
