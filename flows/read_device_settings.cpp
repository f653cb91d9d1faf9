#include "flows/read_device_settings.h"

#include <array>

#include "device/block_device.h"
#include "device/device_blocks.h"
#include "device/device_volume.h"
#include "device/settings_block.h"
#include "device/settings_file.h"

namespace vandrel {

SettingsRead readLoggerSettings(Session& session, const DeviceSettings& copy, bool find) {
    DeviceVolume& volume = session.volume();
    SettingsRead read;
    read.settings = copy;
    if (find && !volume.FindDrive()) {
        read.reason = volume.lastError().empty() ? "no logger was found" : volume.lastError();
        return read;
    }
    std::array<uint8_t, kBlockSize> block{};
    std::string error;
    if (!readDeviceBlock(volume, settings_block::kBlock, block.data(), error)) {
        read.reason = error;
        return read;
    }
    DeviceSettings logger;
    std::string problem;
    if (!settings_block::read(block.data(), logger, problem)) {
        read.reason = "its settings block holds no valid settings: " + problem;
        return read;
    }
    read.source = SettingsSource::Logger;
    read.settings = logger;
    read.logger = volume.volumePath();
    read.changed = logger != copy;
    return read;
}

std::string keepLoggerSettings(const DataFolder& folder, const SettingsRead& read) {
    if (read.source != SettingsSource::Logger || !read.changed) {
        return {};
    }
    // The whole file is replaced at once (atomically), so no lock is needed: nothing of the old
    // file is kept.
    const auto file = folder.file("settings.xml");
    std::string keptAside;
    if (!saveSettingsFile(file, read.settings, &keptAside)) {
        return "Cannot write " + file.string() +
               "; the logger's settings are used, but the next start begins with the old ones";
    }
    return keptAside;
}

SettingsRead ReadDeviceSettings(Session& session, std::string* fileProblem) {
    DeviceSettings& copy = session.settings;
    SettingsRead read = readLoggerSettings(session, copy);
    const std::string problem = keepLoggerSettings(session.folder(), read);
    if (fileProblem != nullptr) {
        *fileProblem = problem;
    }
    if (read.source == SettingsSource::Logger) {
        copy = read.settings;
    }
    return read;
}

Outcome loadProgramSettings(Session& session, std::vector<std::string>* warnings) {
    Outcome outcome;
    loadSettingsFile(session.folder().file("settings.xml"), session.settings, outcome.error,
                     warnings);
    outcome.kind = outcome.error.empty() ? OutcomeKind::Complete : OutcomeKind::Failed;
    return outcome;
}

bool saveProgramSettings(const Session& session) {
    return saveSettingsFile(session.folder().file("settings.xml"), session.settings);
}

std::string settingsSourceText(const SettingsRead& read) {
    if (read.source == SettingsSource::Logger) {
        return "The logger's settings, read from " + read.logger + ".";
    }
    return "The program's saved settings: the logger's settings were not read (" + read.reason +
           ").";
}

}  // namespace vandrel
