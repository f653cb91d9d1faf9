#include "flows/poi_commands.h"

#include <array>

#include "device/block_device.h"
#include "device/device_blocks.h"
#include "device/poi_block.h"
#include "device/poi_file.h"
#include "flows/folder_lock.h"

namespace vandrel {
namespace {

// After the slots were replaced the page shows them all and selects the first.
void showReplacedSlots(PoiState& app, const PoiHooks& hooks) {
    if (hooks.redrawAllPois) {
        hooks.redrawAllPois();
    }
    app.selectedPoi = 0;
    if (hooks.showPoiDetails) {
        hooks.showPoiDetails(0);
    }
}

}  // namespace

FileFilter poiFileFilter() {
    return {"POI Files (*.poi)", "*.poi", "poi"};
}

Outcome UploadPois(UserPrompt& prompt, Session& session, const PoiState& app) {
    if (!prompt.askYesNo(kUploadQuestion1, kUploadQuestion2)) {
        return commandDone(OutcomeKind::AnsweredNo);
    }
    Outcome report;
    if (!connectOrTell(prompt, session.volume(), kPoiUnconnectText, report)) {
        return report;
    }
    // The logger keeps data of its own after the 314 bytes: the block goes back only as read.
    BusyScope busy(prompt);
    std::array<uint8_t, kBlockSize> block{};
    std::string error;
    if (!readDeviceBlock(session.volume(), poi_block::kBlock, block.data(), error)) {
        busy.stop();
        return commandFailed(prompt, error + ". The POIs were not uploaded.");
    }
    poi_block::encode(app.pois, block.data());
    if (!writeDeviceBlock(session.volume(), poi_block::kBlock, block.data(), error)) {
        busy.stop();
        return commandFailed(prompt,
                             error + ". The logger's POIs may be incomplete; upload them again.");
    }
    busy.stop();
    prompt.success(kUploadCompleteText);
    return commandDone(OutcomeKind::Complete);
}

Outcome DownloadPois(UserPrompt& prompt, Session& session, PoiState& app, const PoiHooks& hooks) {
    if (!prompt.askYesNo(kDownloadQuestion1, kDownloadQuestion2)) {
        return commandDone(OutcomeKind::AnsweredNo);
    }
    Outcome report;
    if (!connectOrTell(prompt, session.volume(), kPoiUnconnectText, report)) {
        return report;
    }
    std::array<uint8_t, kBlockSize> block{};
    std::string error;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), error);
    if (!folderLock) {
        return commandFailed(prompt, error + ". No POI was changed.");
    }
    BusyScope busy(prompt);
    const bool read = readDeviceBlock(session.volume(), poi_block::kBlock, block.data(), error);
    busy.stop();
    if (!read) {
        return commandFailed(prompt, error + ". No POI was changed.");
    }
    if (hooks.keepDownloaded) {
        PoiSlots downloaded = app.pois;
        poi_block::apply(block.data(), downloaded);
        const std::string failure = hooks.keepDownloaded(downloaded);
        if (!failure.empty()) {
            return commandFailed(prompt, failure + ". No POI was changed.");
        }
    }
    // The notice comes first: the slots change once the user has closed it.
    prompt.success(kPoiDownloadCompleteText);
    poi_block::apply(block.data(), app.pois);
    showReplacedSlots(app, hooks);
    return commandDone(OutcomeKind::Complete);
}

Outcome SavePoiFile(UserPrompt& prompt, const Session& session, const PoiState& app) {
    const std::optional<std::string> path = prompt.chooseSaveFile(poiFileFilter());
    if (!path) {
        return commandDone(OutcomeKind::Cancelled);
    }
    if (std::string refused = session.folder().refusedWrite(*path); !refused.empty()) {
        return commandFailed(prompt, std::move(refused));
    }
    const PoiFileResult written = WritePoiFile(*path, app.pois);
    if (!written.ok) {
        return commandFailed(prompt, written.message);
    }
    return commandDone(OutcomeKind::Complete);
}

Outcome LoadPoiFile(UserPrompt& prompt, PoiState& app, const PoiHooks& hooks) {
    // Without the map the slots could not be shown; the command waits for it.
    if (!app.MapsLoaded) {
        return commandDone(OutcomeKind::Cancelled);
    }
    if (!prompt.askYesNo(kLoadPoiQuestion, "")) {
        return commandDone(OutcomeKind::AnsweredNo);
    }
    const std::optional<std::string> path = prompt.chooseOpenFile(poiFileFilter());
    if (!path) {
        return commandDone(OutcomeKind::Cancelled);
    }
    const PoiFileResult read = ReadPoiFile(*path, app.pois);
    if (!read.ok) {
        return commandFailed(prompt, read.message);
    }
    showReplacedSlots(app, hooks);
    return commandDone(OutcomeKind::Complete);
}

}  // namespace vandrel
