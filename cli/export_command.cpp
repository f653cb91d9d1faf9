// vandrel-cli export gpx|kmz TRACK-ID FILE: one stored track as a GPX or KMZ file.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/terminal_prompt.h"
#include "flows/exchange_flows.h"

namespace vandrel::cli {
namespace {

struct ExportArguments {
    int trackId = 0;
    std::string file;
};

int runExport(Context& context, ExportFormat format, const ExportArguments& arguments) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    const std::optional<TrackHeader> track = readStoredTrack(session.database(), arguments.trackId);
    if (!track) {
        std::cerr << "No stored track has the id " << arguments.trackId
                  << " (vandrel-cli tracks lists them)" << std::endl;
        return kExitFailure;
    }
    TerminalPrompt prompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0, false);
    return exportTrackTo(prompt, session, arguments.file, *track, format).complete() ? kExitOk
                                                                                     : kExitFailure;
}

void addFormat(CLI::App& parent, Context& context, const char* name, const char* description,
               ExportFormat format) {
    CLI::App* command = parent.add_subcommand(name, description);
    auto arguments = std::make_shared<ExportArguments>();
    command->add_option("TRACK-ID", arguments->trackId, "the track's id as `tracks` lists it")
        ->required();
    command->add_option("FILE", arguments->file, "the file to write")->required();
    command->callback([&context, format, arguments] {
        context.exitCode = runExport(context, format, *arguments);
    });
}

}  // namespace

void addExportCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("export", "Write a stored track as GPX or KMZ");
    command->require_subcommand(1);
    addFormat(*command, context, "gpx", "GPX 1.1 with every point, times in UTC",
              ExportFormat::Gpx);
    addFormat(*command, context, "kmz", "KMZ with the track line, start, end and photos",
              ExportFormat::Kmz);
}

}  // namespace vandrel::cli
