// vandrel-cli settings show|set|write: the logger's settings as the program's copy in
// "settings.xml", changes of that copy, and its writing into the logger.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "cli/device_outcome.h"
#include "cli/terminal_prompt.h"
#include "core/program_path.h"
#include "core/settings_words.h"
#include "device/settings_block.h"
#include "device/settings_file.h"
#include "flows/folder_lock.h"
#include "flows/read_device_settings.h"
#include "flows/save_device_settings.h"

namespace vandrel::cli {
namespace {

using settings_block::IntegerField;
using settings_block::kIntegerFields;

template <typename T>
bool parseWhole(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

// Applies one KEY=VALUE; false with the reason.
bool assign(const std::string& assignment, DeviceSettings& settings, std::string& error) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        error = "Not KEY=VALUE: " + assignment;
        return false;
    }
    const std::string key = assignment.substr(0, equals);
    const std::string text = assignment.substr(equals + 1);
    if (key == "Refbar") {
        float value = 0;
        if (!parseWhole(text, value) || !std::isfinite(value)) {
            error = "Refbar: not an altitude offset in metres: " + text;
            return false;
        }
        settings.Refbar = value;
        return true;
    }
    for (const IntegerField& f : kIntegerFields) {
        if (key != f.key) {
            continue;
        }
        int32_t value = 0;
        if (!parseWhole(text, value) || value < f.least || value > f.most) {
            error = key + ": not a whole number from " + std::to_string(f.least) + " to " +
                    std::to_string(f.most) + ": " + text;
            return false;
        }
        settings.*f.field = value;
        return true;
    }
    error = "Unknown setting " + key +
            " (Length, Temperature, TimeFormat, LogInterval, TimeZone, PowerOff, Backlight, "
            "Refbar, Tnttbar)";
    return false;
}

// The logger's settings when it is found and holds valid ones (they become the program's copy,
// as in the desktop program); else the program's copy. Which one is said on stderr, so that
// stdout holds the settings alone: in the Settings page's words, or with `raw` as the KEY=VALUE
// lines that `settings set` takes.
int runShow(Context& context, bool raw) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    std::string fileProblem;
    const SettingsRead read = ReadDeviceSettings(*context.session, &fileProblem);
    std::cerr << settingsSourceText(read) << std::endl;
    if (!fileProblem.empty()) {
        std::cerr << fileProblem << std::endl;
    }
    const DeviceSettings& s = context.session->settings;
    if (!raw) {
        for (const SettingWords& setting : settingsInWords(s)) {
            std::printf("%s: %s\n", setting.label.c_str(), setting.value.c_str());
        }
        return kExitOk;
    }
    for (const IntegerField& f : kIntegerFields) {
        std::printf("%s=%d\n", f.key, s.*f.field);
    }
    std::printf("Refbar=%.2f\n", static_cast<double>(s.Refbar));
    return kExitOk;
}

int runSet(Context& context, const std::vector<std::string>& assignments) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    // The file is read again under the lock, so that a change made by another command while
    // this one waited is kept.
    TerminalPrompt prompt(std::cin, std::cerr, false, false);
    std::string lockError;
    Session& session = *context.session;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
    if (!folderLock) {
        std::cerr << lockError << "\nsettings.xml was not changed." << std::endl;
        return kExitFailure;
    }
    // Values out of range fall back to their defaults here too; prepare has told them.
    loadSettingsFile(session.folder().file("settings.xml"), session.settings);
    // All or nothing: one bad assignment leaves the file as it was.
    DeviceSettings settings = session.settings;
    for (const std::string& assignment : assignments) {
        std::string error;
        if (!assign(assignment, settings, error)) {
            std::cerr << error << "\nsettings.xml was not changed." << std::endl;
            return kExitFailure;
        }
    }
    const auto file = session.folder().file("settings.xml");
    std::string keptAside;
    if (!saveSettingsFile(file, settings, &keptAside)) {
        std::cerr << "Cannot write " << file.string() << std::endl;
        return kExitFailure;
    }
    if (!keptAside.empty()) {
        std::cerr << keptAside << "." << std::endl;
    }
    session.settings = settings;
    return kExitOk;
}

int runWrite(Context& context) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    TerminalPrompt prompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0, false);
    return exitCodeFor(
        SaveDeviceSettings(prompt, *context.session, context.session->settings).kind);
}

}  // namespace

void addSettingsCommand(CLI::App& app, Context& context) {
    CLI::App* settings = app.add_subcommand("settings", "The logger settings of settings.xml");
    settings->require_subcommand(1);
    CLI::App* show = settings->add_subcommand(
        "show",
        "Print the logger's settings (kept in settings.xml) as the Settings page shows them, or "
        "those of settings.xml when the logger is not read");
    auto raw = std::make_shared<bool>(false);
    show->add_flag("--raw", *raw, "print the stored codes as KEY=VALUE, as `settings set` takes");
    show->callback([&context, raw] { context.exitCode = runShow(context, *raw); });
    auto assignments = std::make_shared<std::vector<std::string>>();
    CLI::App* set = settings->add_subcommand("set", "Change settings of settings.xml");
    set->add_option("ASSIGNMENT", *assignments,
                    "KEY=VALUE, KEY one of Length, Temperature, TimeFormat, LogInterval, "
                    "TimeZone, PowerOff, Backlight, Refbar (metres), Tnttbar")
        ->required();
    set->callback([&context, assignments] { context.exitCode = runSet(context, *assignments); });
    settings->add_subcommand("write", "Write the settings into the logger's settings block")
        ->callback([&context] { context.exitCode = runWrite(context); });
}

}  // namespace vandrel::cli
