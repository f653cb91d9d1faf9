#pragma once
// The subcommands of vandrel-cli. Each command file registers its subcommands with CLI11; the
// subcommand's callback runs the command and leaves the process exit code in `exitCode`.

#include <memory>
#include <string>

#include "flows/session.h"

namespace CLI {
class App;
}

namespace vandrel::cli {

enum ExitCode {
    kExitOk = 0,
    kExitFailure = 1,
    kExitNoDevice = 2,
    kExitNoLogRecords = 3,
    kExitAnsweredNo = 4,
};

struct Context {
    std::string dataDir;  // the program folder; empty: the default rule
    std::string device;   // --device; empty: search the mounted volumes
    int exitCode = kExitFailure;
    // The command's session, made by prepare.
    std::unique_ptr<Session> session;
};

// Makes the session on the program folder, the settings and the logger search the options
// name. Returns false (with the reason on stderr) when the program folder cannot be made.
bool prepare(Context& context);

void addDownloadCommand(CLI::App& app, Context& context);
void addTracksCommand(CLI::App& app, Context& context);
void addStatsCommand(CLI::App& app, Context& context);
void addExportCommand(CLI::App& app, Context& context);
void addArchiveCommand(CLI::App& app, Context& context);
void addImportCommand(CLI::App& app, Context& context);
void addSettingsCommand(CLI::App& app, Context& context);
void addPoiCommand(CLI::App& app, Context& context);
void addDeviceCommands(CLI::App& app, Context& context);
void addPhotosCommand(CLI::App& app, Context& context);

}  // namespace vandrel::cli
