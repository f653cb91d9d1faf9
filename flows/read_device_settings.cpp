#include "flows/read_device_settings.h"

#include <array>

#include "core/program_path.h"
#include "device/block_device.h"
#include "device/device_blocks.h"
#include "device/device_volume.h"
#include "device/settings_block.h"
#include "device/settings_file.h"

namespace vandrel {

SettingsRead readLoggerSettings(const DeviceSettings& copy, bool find) {
    SettingsRead read;
    read.settings = copy;
    DeviceVolume& volume = DeviceVolume::instance();
    if (find && !volume.FindDrive()) {
        read.reason = volume.lastError().empty() ? "no logger was found" : volume.lastError();
        return read;
    }
    std::array<uint8_t, kBlockSize> block{};
    std::string error;
    if (!readDeviceBlock(settings_block::kBlock, block.data(), error)) {
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

std::string keepLoggerSettings(const SettingsRead& read) {
    if (read.source != SettingsSource::Logger || !read.changed) {
        return {};
    }
    // The whole file is replaced at once (atomically), so no lock is needed: nothing of the old
    // file is kept.
    const auto file = programPath("settings.xml");
    if (!saveSettingsFile(file, read.settings)) {
        return "Cannot write " + file.string() +
               "; the logger's settings are used, but the next start begins with the old ones";
    }
    return {};
}

SettingsRead ReadDeviceSettings(DeviceSettings& copy, std::string* fileProblem) {
    SettingsRead read = readLoggerSettings(copy);
    const std::string problem = keepLoggerSettings(read);
    if (fileProblem != nullptr) {
        *fileProblem = problem;
    }
    if (read.source == SettingsSource::Logger) {
        copy = read.settings;
    }
    return read;
}

std::string settingsSourceText(const SettingsRead& read) {
    if (read.source == SettingsSource::Logger) {
        return "The logger's settings, read from " + read.logger + ".";
    }
    return "The program's saved settings: the logger's settings were not read (" + read.reason +
           ").";
}

}  // namespace vandrel
