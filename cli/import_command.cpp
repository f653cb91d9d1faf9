// vandrel-cli import: tracks from the files of other devices and programs (GPX, TCX, KML, KMZ,
// and what gpsbabel reads) stored as tracks of the calendar.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/terminal_prompt.h"
#include "flows/import_flows.h"

namespace vandrel::cli {
namespace {

struct ImportArguments {
    std::vector<std::string> files;
    std::string overwrite = "ask";
    std::string format;
    double splitGapHours = kDefaultSplitGapSeconds / 3600;
};

int runImport(Context& context, const ImportArguments& arguments) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    const std::unique_ptr<TerminalPrompt> prompt = overwritePrompt(arguments.overwrite);
    const std::vector<std::filesystem::path> files(arguments.files.begin(), arguments.files.end());
    const ImportResult result = importFiles(*prompt, session, files, arguments.format, false,
                                            arguments.splitGapHours * 3600);
    std::cout << importSummary(result) << std::endl;
    // A file that broke off kept what it could, and the summary says what: the import still
    // was not whole.
    return result.ok && result.whole ? kExitOk : kExitFailure;
}

}  // namespace

void addImportCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "import", "Store the tracks of GPX, TCX, KML or KMZ files (other formats via gpsbabel)");
    auto arguments = std::make_shared<ImportArguments>();
    command->add_option("FILE", arguments->files, "the files to import")->required();
    command
        ->add_option("--overwrite", arguments->overwrite,
                     "a track that is already stored: ask (keep without a terminal), keep, or "
                     "always overwrite")
        ->check(CLI::IsMember({"ask", "keep", "always"}))
        ->capture_default_str();
    command->add_option("--format", arguments->format,
                        "gpsbabel's name of the files' format, for a format read through it");
    command
        ->add_option("--split-gap", arguments->splitGapHours,
                     "a track whose fixes lie more than HOURS apart becomes a track for each "
                     "stretch between (0: never split)")
        ->option_text("HOURS")
        ->check(CLI::Range(0.0, 24.0 * 366))
        ->capture_default_str();
    command->callback([&context, arguments] { context.exitCode = runImport(context, *arguments); });
}

}  // namespace vandrel::cli
