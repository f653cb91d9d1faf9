#include "flows/save_device_settings.h"

#include <array>

#include "device/block_device.h"
#include "device/device_blocks.h"
#include "device/settings_block.h"
#include "device/settings_file.h"
#include "flows/folder_lock.h"

namespace vandrel {

Outcome SaveDeviceSettings(UserPrompt& prompt, Session& session, const DeviceSettings& settings) {
    const std::string problem = settings_block::fieldsProblem(settings);
    if (!problem.empty()) {
        return commandFailed(prompt, "The settings were not saved: " + problem + ".");
    }
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
    if (!folderLock) {
        return commandFailed(prompt, lockError + "; the settings were not saved.");
    }
    const auto file = session.folder().file("settings.xml");
    std::string keptAside;
    if (!saveSettingsFile(file, settings, &keptAside)) {
        return commandFailed(prompt, "Cannot write " + file.string() +
                                         "; the settings were not saved or written to the logger.");
    }
    if (!keptAside.empty()) {
        prompt.notice(keptAside + ".");
    }
    // The track page shows its values in the saved units and clock.
    session.onOwnerThread([&session] { session.tracksChanged.notify({}); });

    Outcome report;
    if (!connectOrTell(prompt, session.volume(), kUnconnectText, report)) {
        return report;
    }
    BusyScope busy(prompt);
    std::array<uint8_t, kBlockSize> block{};
    std::string error;
    // The block keeps fields the program does not know; it is written back only as it was read.
    if (!readDeviceBlock(session.volume(), settings_block::kBlock, block.data(), error)) {
        busy.stop();
        return commandFailed(prompt, error + ". The logger's settings were not changed.");
    }
    settings_block::patch(block.data(), settings);
    if (!writeDeviceBlock(session.volume(), settings_block::kBlock, block.data(), error)) {
        busy.stop();
        return commandFailed(prompt, error +
                                         ". The logger's settings may not have been changed; save "
                                         "them again.");
    }
    busy.stop();
    prompt.success(kSaveCompleteText);
    return commandDone(OutcomeKind::Complete);
}

}  // namespace vandrel
