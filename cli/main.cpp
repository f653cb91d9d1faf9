// vandrel-cli: the logger commands without a window.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "store/sqlite_db.h"

int main(int argc, char** argv) {
    using namespace vandrel::cli;
    CLI::App app{"Vandrel: download and manage the tracks of a GPS data logger"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vandrel-cli " VANDREL_VERSION);
    Context context;
    app.add_option("--data-dir", context.dataDir,
                   "Program folder (Vandrel.db, settings.xml, temp.hdr, temp.log)");
    app.add_option("--device", context.device,
                   "Logger to use: a block device, a mount point holding Id.txt, or an image");

    addDownloadCommand(app, context);
    addTracksCommand(app, context);
    addExportCommand(app, context);
    addArchiveCommand(app, context);
    addSettingsCommand(app, context);
    addPoiCommand(app, context);
    addDeviceCommands(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help ends well; every usage error is a plain failure.
        return app.exit(e) == 0 ? kExitOk : kExitFailure;
    } catch (const vandrel::CppSQLite3Exception& e) {
        std::cerr << "Database error: "
                  << (context.session ? context.session->database().describe(e)
                                      : std::string(e.errorMessage()))
                  << std::endl;
        return kExitFailure;
    } catch (const std::exception& e) {
        // Whatever a flow did not handle ends the command, told, never the process by abort.
        std::cerr << "The command failed: " << e.what() << std::endl;
        return kExitFailure;
    }
    return context.exitCode;
}
