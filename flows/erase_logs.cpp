#include "flows/erase_logs.h"

#include <array>
#include <string>
#include <vector>

#include "device/block_device.h"
#include "device/erase_image.h"
#include "flows/folder_lock.h"

namespace vandrel {
namespace fs = std::filesystem;

Outcome EraseDeviceLogs(UserPrompt& prompt, Session& session, const fs::path& shipped) {
    DeviceVolume& volume = session.volume();
    if (!prompt.askYesNo(kEraseQuestion1, kEraseQuestion2)) {
        return commandDone(OutcomeKind::AnsweredNo);
    }
    Outcome report;
    if (!connectOrTell(prompt, volume, kUnconnectText, report)) {
        return report;
    }
    // Everything that can fail before the first block is written is done first, so that a
    // refused erase leaves the logger as it was.
    fs::path path;
    std::vector<uint8_t> image;
    std::string error;
    // The erase image in the program folder is rewritten below.
    const auto folderLock = holdProgramFolder(prompt, session.folder(), error);
    if (!folderLock) {
        return commandFailed(prompt, error + kNothingErased);
    }
    if (!ensureEraseImage(shipped.empty() ? shippedEraseImage() : shipped, session.folder(), path,
                          error) ||
        !readEraseImage(path, image, error)) {
        return commandFailed(prompt, error + kNothingErased);
    }
    std::array<uint8_t, kBlockSize> settingsBlock{};
    std::array<uint8_t, kBlockSize> poiBlock{};
    if (!readKeptBlocks(volume, settingsBlock.data(), poiBlock.data(), error)) {
        return commandFailed(prompt, error + kNothingErased);
    }
    keepSettingsAndPois(image, settingsBlock.data(), poiBlock.data());
    if (!writeKeptBytes(path, image, error)) {
        return commandFailed(prompt, error + kNothingErased);
    }
    BusyScope busy(prompt);
    if (!writeErasedBlocks(volume, image, error)) {
        busy.stop();
        return commandFailed(prompt, error);
    }
    busy.stop();
    prompt.success(kEraseCompleteText);
    return commandDone(OutcomeKind::Complete);
}

}  // namespace vandrel
