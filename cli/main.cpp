// vandrel-cli: the logger commands without a window.
#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "core/licence_notice.h"
#include "store/sqlite_db.h"

namespace {

// A standard stream the tool was started without is held open on /dev/null, so that no file
// the command opens (the lock file, an export) gets its number and receives what is printed.
// Standard output is held read-only: printing to it fails as it would on the closed stream,
// and the command says so.
void holdClosedStandardStreams() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int held = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
}

// What the command printed has to have reached standard output: a listing cut short by a full
// disk or a closed pipe is a failure, told on standard error, never a success.
int withOutputWritten(int exitCode) {
    std::cout.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && std::ferror(stdout) == 0 && std::cout.good()) {
        return exitCode;
    }
    std::cerr << "vandrel-cli: cannot write the standard output: "
              << (!flushed && error != 0 ? std::strerror(error) : "write error") << std::endl;
    return exitCode == vandrel::cli::kExitOk ? vandrel::cli::kExitFailure : exitCode;
}

int run(int argc, char** argv) {
    using namespace vandrel::cli;
    CLI::App app{"Vandrel: download and manage the tracks of a GPS data logger"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vandrel-cli " VANDREL_VERSION "\n" VANDREL_LICENCE_NOTICE);
    Context context;
    app.add_option("--data-dir", context.dataDir,
                   "Program folder (Vandrel.db, settings.xml, temp.hdr, temp.log)");
    app.add_option("--device", context.device,
                   "Logger to use: a block device, a mount point holding Id.txt, or an image");

    addDownloadCommand(app, context);
    addTracksCommand(app, context);
    addStatsCommand(app, context);
    addExportCommand(app, context);
    addArchiveCommand(app, context);
    addImportCommand(app, context);
    addSettingsCommand(app, context);
    addPoiCommand(app, context);
    addDeviceCommands(app, context);
    addPhotosCommand(app, context);

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

}  // namespace

int main(int argc, char** argv) {
    holdClosedStandardStreams();
    return withOutputWritten(run(argc, argv));
}
