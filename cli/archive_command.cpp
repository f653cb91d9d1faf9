// vandrel-cli archive save|load: stored tracks to and from a PC track archive (.prg) with its
// photo folder.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <set>

#include "cli/commands.h"
#include "cli/terminal_prompt.h"
#include "flows/exchange_flows.h"

namespace vandrel::cli {
namespace {

struct SaveArguments {
    std::string file;
    std::vector<int> trackIds;
};

struct LoadArguments {
    std::string file;
    std::string overwrite = "ask";
};

bool interactive() {
    return ::isatty(STDIN_FILENO) != 0;
}

void printSaved(const ArchiveSaveResult& result, const std::string& file) {
    std::cout << archiveSaveSummary(result, file) << std::endl;
}

// The given tracks in start order; false (told on stderr) when an id is not stored.
bool pickTracks(TrackDatabase& db, const std::vector<int>& ids, std::vector<TrackHeader>& out) {
    std::vector<TrackHeader> all = readStoredHeaders(db);
    const std::set<int> wanted(ids.begin(), ids.end());
    for (int id : wanted) {
        const auto found = std::find_if(all.begin(), all.end(),
                                        [id](const TrackHeader& h) { return h.objid == id; });
        if (found == all.end()) {
            std::cerr << "No stored track has the id " << id << " (vandrel-cli tracks lists them)"
                      << std::endl;
            return false;
        }
        out.push_back(*found);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const TrackHeader& a, const TrackHeader& b) { return a.stime < b.stime; });
    return true;
}

int runSave(Context& context, const SaveArguments& arguments) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    TrackDatabase& db = session.database();
    TerminalPrompt prompt(std::cin, std::cerr, interactive(), false);
    if (arguments.trackIds.empty()) {
        const std::optional<ArchiveSaveResult> result =
            backupAllTracks(prompt, session, arguments.file);
        if (result && result->ok) {
            printSaved(*result, arguments.file);
        }
        return result && result->ok ? kExitOk : kExitFailure;
    }
    std::vector<TrackHeader> tracks;
    if (!pickTracks(db, arguments.trackIds, tracks)) {
        return kExitFailure;
    }
    const ArchiveSaveResult result = backupStoredTracks(prompt, session, arguments.file, tracks);
    if (result.ok) {
        printSaved(result, arguments.file);
    }
    return result.ok ? kExitOk : kExitFailure;
}

int runLoad(Context& context, const LoadArguments& arguments) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    const std::unique_ptr<TerminalPrompt> prompt = overwritePrompt(arguments.overwrite);
    const ArchiveLoadResult result = loadTracksFrom(*prompt, session, arguments.file);
    if (result.isArchive) {
        std::cerr << result.stored << " tracks stored, " << result.replaced << " replaced, "
                  << result.kept << " kept, " << result.skipped << " skipped without points; "
                  << result.pointsStored << " points stored, " << result.pointsDropped
                  << " points dropped, " << result.photosCopied << " photos copied, "
                  << result.photosNotCopied << " not copied" << std::endl;
    }
    return result.ok ? kExitOk : kExitFailure;
}

}  // namespace

void addArchiveCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("archive", "Save stored tracks to, or load them from, a .prg archive");
    command->require_subcommand(1);

    CLI::App* save = command->add_subcommand(
        "save", "Write the given tracks in start order, or every stored track, to FILE");
    auto saveArguments = std::make_shared<SaveArguments>();
    save->add_option("FILE", saveArguments->file, "the archive to write (photos go beside it)")
        ->required();
    save->add_option("TRACK-ID", saveArguments->trackIds, "ids as `tracks` lists them");
    save->callback(
        [&context, saveArguments] { context.exitCode = runSave(context, *saveArguments); });

    CLI::App* load = command->add_subcommand("load", "Store the tracks of the archive FILE");
    auto loadArguments = std::make_shared<LoadArguments>();
    load->add_option("FILE", loadArguments->file, "the archive to read")->required();
    load->add_option("--overwrite", loadArguments->overwrite,
                     "a track that is already stored: ask (keep without a terminal), keep, or "
                     "always overwrite")
        ->check(CLI::IsMember({"ask", "keep", "always"}))
        ->capture_default_str();
    load->callback(
        [&context, loadArguments] { context.exitCode = runLoad(context, *loadArguments); });
}

}  // namespace vandrel::cli
