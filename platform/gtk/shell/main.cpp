// vandrel: the desktop program. Options as the command-line tool has them: --device names the
// logger (a block device, a mount point or a volume image), --data-dir the folder of the
// database and settings.
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <csignal>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "core/licence_notice.h"
#include "core/program_path.h"
#include "flows/session.h"
#include "platform/gtk/shell/gtk_shell.h"
#include "platform/gtk/shell/single_instance.h"

namespace {

// Asked to end from outside (a session ending, Ctrl+C in a terminal), the window closes as the
// close button closes it, so that the settings are saved and the database closed. That runs on
// the main loop, which a command in progress or a stuck file may hold: the program then ends as
// the signal ends any program, kCloseSeconds later or at the second signal.
constexpr unsigned kCloseSeconds = 5;
// What a signal handler may reach: the pipe that wakes the main loop, and the signal to end by.
int endPipe[2] = {-1, -1};
volatile std::sig_atomic_t endSignal = 0;

void endNow(int) {
    std::signal(endSignal, SIG_DFL);
    std::raise(endSignal);
}

void askToEnd(int signal) {
    if (endSignal != 0) {
        endNow(signal);
        return;
    }
    endSignal = signal;
    std::signal(SIGALRM, endNow);
    alarm(kCloseSeconds);
    const char byte = 1;
    (void)!write(endPipe[1], &byte, 1);
}

void closeOnEndSignals(vandrel::gtk::GtkShell& shell) {
    if (!g_unix_open_pipe(endPipe, FD_CLOEXEC, nullptr)) {
        return;
    }
    g_unix_fd_add(
        endPipe[0], G_IO_IN,
        +[](gint, GIOCondition, gpointer data) -> gboolean {
            static_cast<vandrel::gtk::GtkShell*>(data)->close();
            return G_SOURCE_REMOVE;
        },
        &shell);
    struct sigaction action {};
    action.sa_handler = askToEnd;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataDir;
    std::string device;
    std::string mapSource;
    CLI::App options{"Vandrel: the desktop companion of the GPS data logger", "vandrel"};
    options.set_version_flag("--version", "vandrel " VANDREL_VERSION "\n" VANDREL_LICENCE_NOTICE);
    options.add_option("--data-dir", dataDir, "Folder of Vandrel.db and settings.xml");
    options.add_option("--device", device,
                       "Logger to use: a block device, a mount point holding Id.txt, or an image");
    options.add_option("--map", mapSource,
                       "Map to start with: a map's name, or an offline map file (FILE.mbtiles)");
    CLI11_PARSE(options, argc, argv);

    // The window's class (WM_CLASS "org.vandrel.vandrel", "Vandrel"; the Wayland app id
    // "org.vandrel.vandrel") is what the desktop matches against org.vandrel.vandrel.desktop to
    // group the window under its launcher and show its icon: fixed here rather than taken from
    // argv[0], which a link may rename.
    g_set_prgname("org.vandrel.vandrel");
    gdk_set_program_class("Vandrel");
    if (!gtk_init_check(&argc, &argv)) {
        std::cerr << "vandrel: cannot open the display" << std::endl;
        return 1;
    }
    std::string error;
    std::filesystem::path folder;
    if (dataDir.empty()) {
        folder = vandrel::programFolder(error);
    } else if (vandrel::makeProgramFolder(dataDir, error)) {
        folder = std::filesystem::absolute(dataDir);
    }
    if (folder.empty()) {
        std::cerr << "vandrel: " << error << std::endl;
        return 1;
    }
    vandrel::gtk::GtkShell* running = nullptr;
    vandrel::gtk::SingleInstance instance(folder, [&running] {
        if (running != nullptr) {
            running->present();
        }
    });
    if (!instance.isFirst()) {
        return 0;
    }
    vandrel::Session session{vandrel::DataFolder(folder)};
    if (!device.empty()) {
        session.useDevice(device);
    }
    vandrel::gtk::GtkShell shell(session);
    // A map that cannot be shown is no reason not to start.
    if (!mapSource.empty() && !shell.chooseMap(mapSource, error)) {
        std::cerr << "vandrel: " << error << (error.ends_with('.') ? "" : ".")
                  << " The standard map is shown." << std::endl;
    }
    running = &shell;
    closeOnEndSignals(shell);
    shell.start();
    shell.run();
    // The window closed: what follows is the program's own ending, not a stuck main loop.
    alarm(0);
    running = nullptr;
    return 0;
}
