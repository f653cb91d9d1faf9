#pragma once
// The four POI commands of the POI page's tab bar: the 20 slots of the POI page to the logger
// (UploadPois), from the logger (DownloadPois), to a .poi file (SavePoiFile) and from one
// (LoadPoiFile). Written once against UserPrompt; the page fills the hooks. The busy
// indicator runs while the logger is read or written and ends before any message.

#include <functional>

#include "core/poi_slot.h"
#include "core/user_prompt.h"
#include "flows/device_command.h"
#include "flows/session.h"

namespace vandrel {

// The POI page's 20 slots as the commands read and replace them.
struct PoiState {
    PoiSlots pois = initialPoiSlots();
    int selectedPoi = -1;     // index into pois, -1 when none is selected
    bool MapsLoaded = false;  // the POI page's map has loaded
};

// What the POI page does after the slots were replaced. Both may be empty.
struct PoiHooks {
    // Clears the map's POI markers and draws the 20 slots again.
    std::function<void()> redrawAllPois;
    // Fills the POI bar from one slot.
    std::function<void(int slot)> showPoiDetails;
    // Keeps the downloaded slots (in a .poi file) before the completion is told; a message
    // back is the failure, told instead, and no slot changes.
    std::function<std::string(const PoiSlots& slots)> keepDownloaded;
};

inline constexpr const char* kUploadQuestion1 = "Are you sure you want download";
inline constexpr const char* kUploadQuestion2 = "POIs to your device?";
inline constexpr const char* kUploadCompleteText = "Upload Complete!";
inline constexpr const char* kDownloadQuestion1 = "Are you sure you want to load";
inline constexpr const char* kDownloadQuestion2 = "data from device?";
inline constexpr const char* kPoiDownloadCompleteText = "Download Complete!";
inline constexpr const char* kLoadPoiQuestion = "Are you sure load POI from PC?";

// The file dialogs' filter of .poi files.
FileFilter poiFileFilter();

// Asks, connects, reads block 513, writes the header and both tables of the slots over its
// first 314 bytes and writes it back: "Upload Complete!". A block that could not be read is
// not written; a failed transfer is reported instead of the completion text.
Outcome UploadPois(UserPrompt& prompt, Session& session, const PoiState& app);

// Asks, connects, reads block 513, says "Download Complete!", then applies every position
// entry that passes the logger's range test (slot numbers are kept), selects slot 0 and
// redraws. A failed read changes no slot.
Outcome DownloadPois(UserPrompt& prompt, Session& session, PoiState& app,
                     const PoiHooks& hooks = {});

// Asks for a file and writes the slots into it; a file that cannot be written is reported.
// A file that is one of the program's own is refused.
Outcome SavePoiFile(UserPrompt& prompt, const Session& session, const PoiState& app);

// Once the map is loaded: asks, asks for a file and reads it into the slots (numbers too),
// selects slot 0 and redraws. A file of the wrong size or with entries out of range is
// refused as a whole with a message; the slots stay as they were.
Outcome LoadPoiFile(UserPrompt& prompt, PoiState& app, const PoiHooks& hooks = {});

}  // namespace vandrel
