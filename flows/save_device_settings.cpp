#include "flows/save_device_settings.h"

#include <array>

#include "core/program_path.h"
#include "device/block_device.h"
#include "device/device_blocks.h"
#include "device/settings_block.h"
#include "device/settings_file.h"
#include "flows/folder_lock.h"
#include "flows/refresh_listeners.h"

namespace vandrel {

CommandReport SaveDeviceSettings(UserPrompt& prompt, const DeviceSettings& settings,
                                 const std::function<void()>& settingsSaved) {
    const std::string problem = settings_block::fieldsProblem(settings);
    if (!problem.empty()) {
        return commandFailed(prompt, "The settings were not saved: " + problem + ".");
    }
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, lockError);
    if (!folderLock) {
        return commandFailed(prompt, lockError + "; the settings were not saved.");
    }
    const auto file = programPath("settings.xml");
    if (!saveSettingsFile(file, settings)) {
        return commandFailed(prompt, "Cannot write " + file.string() +
                                         "; the settings were not saved or written to the logger.");
    }
    if (settingsSaved) {
        settingsSaved();
    } else {
        RefreshListeners::instance().notify();
    }

    CommandReport report;
    if (!connectOrTell(prompt, kUnconnectText, report)) {
        return report;
    }
    BusyScope busy(prompt);
    std::array<uint8_t, kBlockSize> block{};
    std::string error;
    // The block keeps fields the program does not know; it is written back only as it was read.
    if (!readDeviceBlock(settings_block::kBlock, block.data(), error)) {
        busy.stop();
        return commandFailed(prompt, error + ". The logger's settings were not changed.");
    }
    settings_block::patch(block.data(), settings);
    if (!writeDeviceBlock(settings_block::kBlock, block.data(), error)) {
        busy.stop();
        return commandFailed(prompt, error +
                                         ". The logger's settings may not have been changed; save "
                                         "them again.");
    }
    busy.stop();
    prompt.notice(kSaveCompleteText);
    return commandDone(CommandOutcome::Complete);
}

}  // namespace vandrel
