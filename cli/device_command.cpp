// vandrel-cli firmware|erase: the maintenance commands of the logger.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "cli/device_outcome.h"
#include "cli/terminal_prompt.h"
#include "flows/erase_logs.h"
#include "flows/update_firmware.h"

namespace vandrel::cli {
namespace {

int runFirmware(Context& context, const std::string& image, bool yes) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    const bool interactive = ::isatty(STDIN_FILENO) != 0;
    TerminalPrompt prompt(std::cin, std::cerr, interactive, yes);
    return exitCodeForConfirmed(UpdateFirmware(prompt, *context.session, image).kind, interactive,
                                yes);
}

int runErase(Context& context, bool yes) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    const bool interactive = ::isatty(STDIN_FILENO) != 0;
    TerminalPrompt prompt(std::cin, std::cerr, interactive, yes);
    return exitCodeForConfirmed(EraseDeviceLogs(prompt, *context.session).kind, interactive, yes);
}

}  // namespace

void addDeviceCommands(CLI::App& app, Context& context) {
    auto image = std::make_shared<std::string>();
    auto firmwareYes = std::make_shared<bool>(false);
    CLI::App* firmware =
        app.add_subcommand("firmware", "Write a firmware image into the logger (block 16 on)");
    firmware->add_option("IMAGE", *image, "the firmware image (.bin)")->required();
    firmware->add_flag("-y,--yes", *firmwareYes, "answer Yes to the question");
    firmware->callback([&context, image, firmwareYes] {
        context.exitCode = runFirmware(context, *image, *firmwareYes);
    });

    auto yes = std::make_shared<bool>(false);
    CLI::App* erase = app.add_subcommand(
        "erase", "Erase the logger's logs, keeping its settings and POIs (uses erase.bin)");
    erase->add_flag("-y,--yes", *yes, "answer Yes to the question");
    erase->callback([&context, yes] { context.exitCode = runErase(context, *yes); });
}

}  // namespace vandrel::cli
