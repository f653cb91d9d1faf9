#include "flows/update_firmware.h"

#include "device/block_device.h"
#include "device/device_volume.h"
#include "device/firmware.h"

namespace vandrel {

std::string firmwareQuestion2(const std::string& imagePath, size_t size) {
    return imagePath + " (" + std::to_string(size) + " bytes)?";
}

Outcome UpdateFirmware(UserPrompt& prompt, Session& session, const std::string& imagePath) {
    if (imagePath.empty()) {
        prompt.notice(kSelectUpdateFileText);
        return commandDone(OutcomeKind::Cancelled);
    }
    // The file is checked and the user asked before the logger is touched at all: a refused
    // image or a No leaves it as it was, handshake block included.
    FirmwareImage image;
    std::string error;
    if (!loadFirmwareImage(imagePath, image, error)) {
        prompt.notice(kUpdateFileErrorText);
        return commandFailed(prompt, error + " Nothing was written to the logger.");
    }
    if (!prompt.askYesNo(kFirmwareQuestion1, firmwareQuestion2(imagePath, image.size))) {
        return commandDone(OutcomeKind::AnsweredNo);
    }
    Outcome report;
    if (!connectOrTell(prompt, session.volume(), kUnconnectText, report)) {
        return report;
    }
    DeviceVolume& volume = session.volume();
    VolumeHandle handle = volume.OpenAt(kFirmwareFirstBlock * kBlockSize);
    if (!handle.valid()) {
        return commandFailed(prompt, "Cannot open the logger: " + volume.lastError() +
                                         ". Nothing was written to the logger.");
    }
    BusyScope busy(prompt);
    for (uint32_t n = 0; n < image.blockCount; ++n) {
        if (!handle.writeBlock(image.blocks.data() + size_t{n} * kBlockSize)) {
            error = "Writing block " + std::to_string(kFirmwareFirstBlock + n) +
                    " of the logger failed after " + std::to_string(n) + " of " +
                    std::to_string(image.blockCount) + " blocks: " + handle.error() +
                    ". The logger's firmware is incomplete; run the update again before "
                    "unplugging the logger.";
            volume.Release(handle);
            busy.stop();
            return commandFailed(prompt, error);
        }
    }
    if (!volume.Release(handle)) {
        busy.stop();
        return commandFailed(prompt,
                             "Flushing the firmware to the logger failed: " + volume.lastError() +
                                 ". The logger's firmware may be incomplete; run the "
                                 "update again before unplugging the logger.");
    }
    busy.stop();
    prompt.success(kUpdateCompleteText);
    return commandDone(OutcomeKind::Complete);
}

}  // namespace vandrel
