// vandrel-cli poi upload|download|show: the 20 POIs between .poi files and the logger.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "cli/device_outcome.h"
#include "cli/terminal_prompt.h"
#include "device/poi_file.h"
#include "flows/poi_commands.h"

namespace vandrel::cli {
namespace {

struct PoiOptions {
    std::string file;
    bool yes = false;
};

bool interactive() {
    return ::isatty(STDIN_FILENO) != 0;
}

// The file's records into the program's slots; the reason on stderr when it is refused.
bool loadSlots(const std::string& file, PoiState& app) {
    const PoiFileResult read = ReadPoiFile(file, app.pois);
    if (!read.ok) {
        std::cerr << read.message << std::endl;
    }
    return read.ok;
}

int runUpload(Context& context, const PoiOptions& o) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    PoiState app;
    if (!loadSlots(o.file, app)) {
        return kExitFailure;
    }
    TerminalPrompt prompt(std::cin, std::cerr, interactive(), o.yes);
    return exitCodeForConfirmed(UploadPois(prompt, *context.session, app).kind, interactive(),
                                o.yes);
}

// The slots start as the program's initial ones; entries of the logger that fail its range
// test leave them so in the file.
int runDownload(Context& context, const PoiOptions& o) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    PoiState app;
    TerminalPrompt prompt(std::cin, std::cerr, interactive(), o.yes);
    // The file is written before "Download Complete!" is told.
    PoiHooks hooks;
    hooks.keepDownloaded = [&o, &session](const PoiSlots& slots) {
        if (std::string refused = session.folder().refusedWrite(o.file); !refused.empty()) {
            return refused;
        }
        const PoiFileResult written = WritePoiFile(o.file, slots);
        return written.ok ? std::string() : written.message;
    };
    const Outcome report = DownloadPois(prompt, session, app, hooks);
    return exitCodeForConfirmed(report.kind, interactive(), o.yes);
}

int runShow(const PoiOptions& o) {
    PoiState app;
    if (!loadSlots(o.file, app)) {
        return kExitFailure;
    }
    for (int i = 0; i < kPoiSlotCount; ++i) {
        const PoiSlot& slot = app.pois[i];
        std::printf("WP%02d number %d latitude %.6f longitude %.6f icon %d\n", i + 1, slot.number,
                    static_cast<double>(slot.latitude), static_cast<double>(slot.longitude),
                    slot.icon);
    }
    return kExitOk;
}

}  // namespace

void addPoiCommand(CLI::App& app, Context& context) {
    CLI::App* poi = app.add_subcommand("poi", "The 20 POIs between .poi files and the logger");
    poi->require_subcommand(1);
    auto upload = std::make_shared<PoiOptions>();
    CLI::App* up = poi->add_subcommand("upload", "Load a .poi file and write it into the logger");
    up->add_option("FILE", upload->file, "the .poi file")->required();
    up->add_flag("-y,--yes", upload->yes, "answer Yes to the question");
    up->callback([&context, upload] { context.exitCode = runUpload(context, *upload); });

    auto download = std::make_shared<PoiOptions>();
    CLI::App* down =
        poi->add_subcommand("download", "Read the logger's POIs and write them to a .poi file");
    down->add_option("FILE", download->file, "the .poi file to write")->required();
    down->add_flag("-y,--yes", download->yes, "answer Yes to the question");
    down->callback([&context, download] { context.exitCode = runDownload(context, *download); });

    auto show = std::make_shared<PoiOptions>();
    CLI::App* print = poi->add_subcommand("show", "Print the 20 POIs of a .poi file");
    print->add_option("FILE", show->file, "the .poi file")->required();
    print->callback([&context, show] { context.exitCode = runShow(*show); });
}

}  // namespace vandrel::cli
