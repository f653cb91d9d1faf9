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
};

// The terminal's prompt with the overwrite question answered by the command line.
class AnsweredPrompt : public TerminalPrompt {
  public:
    explicit AnsweredPrompt(OverwriteAnswer answer)
        : TerminalPrompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0, false),
          answer_(answer) {}
    OverwriteAnswer askOverwrite(const std::string&, const std::string&) override {
        return answer_;
    }

  private:
    OverwriteAnswer answer_;
};

int runImport(Context& context, const ImportArguments& arguments) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    std::unique_ptr<TerminalPrompt> prompt;
    if (arguments.overwrite == "keep") {
        prompt = std::make_unique<AnsweredPrompt>(OverwriteAnswer::Ok);
    } else if (arguments.overwrite == "always") {
        prompt = std::make_unique<AnsweredPrompt>(OverwriteAnswer::AlwaysOverwrite);
    } else {
        // Without a terminal the question gets the answer that keeps the stored track.
        prompt = std::make_unique<TerminalPrompt>(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0,
                                                  false);
    }
    const std::vector<std::filesystem::path> files(arguments.files.begin(), arguments.files.end());
    const ImportResult result = importFiles(*prompt, session, files, arguments.format, false);
    std::cout << importSummary(result) << std::endl;
    return result.ok ? kExitOk : kExitFailure;
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
    command->callback([&context, arguments] { context.exitCode = runImport(context, *arguments); });
}

}  // namespace vandrel::cli
