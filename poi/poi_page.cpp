#include "poi/poi_page.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "core/program_path.h"
#include "core/units.h"
#include "flows/poi_commands.h"
#include "map/map_bridge.h"
#include "map/map_service.h"
#include "map/map_source_choice.h"
#include "map/map_widget.h"
#include "ui/behavior.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/form_values.h"
#include "ui/messages.h"

namespace vandrel::poi {
namespace {

constexpr int kFoundZoom = 16;
// The icon menu opens to the right of the marker and above the pointer.
constexpr int kIconMenuDx = 24;
constexpr int kIconMenuDy = -52;

bool isSlot(int index) {
    return index >= 0 && index < kPoiSlotCount;
}

// The folder of the marker pictures. Finding it looks at the disk, so a redraw asks once.
std::filesystem::path markerFolder() {
    return programPath("pois/");
}

// The marker picture of an icon number, as the map page loads it.
std::string markerIcon(const std::filesystem::path& folder, int icon) {
    return (folder / (std::to_string(icon) + ".png")).string();
}

// A cell's `value` as a plain decimal number: leading blanks and a sign, then the digits up to
// the first other character; anything else reads as 0.
int cellValue(const ui::Element& cell) {
    const std::string text = cell.attribute("value");
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && (*first == ' ' || *first == '\t')) {
        ++first;
    }
    if (first != last && *first == '+') {
        ++first;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    (void)end;
    return ec == std::errc() ? value : 0;
}

// Positions the map page reports are those of the world copy under the pointer; a slot keeps
// the one in -180..180 that the logger and .poi files accept.
float wrappedLongitude(float lng) {
    double wrapped = std::fmod(static_cast<double>(lng) + 180.0, 360.0);
    if (wrapped < 0) {
        wrapped += 360.0;
    }
    return static_cast<float>(wrapped - 180.0);
}

float clampedLatitude(float lat) {
    return std::clamp(lat, -90.0f, 90.0f);
}

}  // namespace

PoiPage::PoiPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                 ui::CommandRunner* commands, Session& session, const map::MapService& mapService)
    : ui::PageWindow(loop, parent, controlId, commands, 202),
      session_(session),
      mapService_(mapService),
      dispatch_(map::MapExternalDispatch::Page::Poi, mapEvents_) {
    addClick("search", [this] { searchAddress(); });
    addClick("s2devpois", [this] { uploadPois(); });
    addClick("lfromdevpois", [this] { downloadPois(); });
    addClick("s2pcpois", [this] { savePoiFile(); });
    addClick("lfrompcpois", [this] { loadPoiFile(); });
    addMessage(ui::MSG_MAP_LOADED, [this](const ui::Message&) { mapLoaded(); });
    addMessage(ui::MSG_MAP_FOUND, [this](const ui::Message& message) {
        if (message.lParam != 0) {
            addressFound(*reinterpret_cast<const map::MapPosition*>(message.lParam));
        }
    });
}

void PoiPage::init() {
    ui::PageWindow::init();
    map::PoiMapEvents& events = mapEvents_;
    events.setWindow(this);
    events.sourceChosen = [this](const std::string& name) {
        map::keepMapSource(mapService_, name);
    };
    // The handler outlives the page; a callback after the page has gone reaches nothing.
    events.markerClicked = [this, alive = aliveToken()](int index) {
        if (!alive.expired()) {
            markerClicked(index);
        }
    };
    events.markerRightClicked = [this, alive = aliveToken()](int index, int x, int y) {
        if (!alive.expired()) {
            markerRightClicked(index, x, y);
        }
    };
    events.markerMoved = [this, alive = aliveToken()](int index, float lat, float lng) {
        if (!alive.expired()) {
            markerMoved(index, lat, lng);
        }
    };
    events.mapRightClicked = [this, alive = aliveToken()](float lat, float lng, int x, int y) {
        if (!alive.expired()) {
            mapRightClicked(lat, lng, x, y);
        }
    };
    if (ui::BrowserHost* host = map()) {
        map::navigateMap(*this, map::kPlaceholderPage);
        dispatch_.attach(*host);
    }
    // Maps added in Settings or dropped on a map are offered at once, and the scale bar follows
    // the units of settings saved; the map shown stays.
    auto refreshSources = [this, alive = aliveToken()] {
        if (!alive.expired()) {
            map::showMapSources(map::MapBridge(map()), mapService_, session_.settings);
        }
    };
    session_.mapSourcesChanged.add(refreshSources);
    session_.tracksChanged.add([refreshSources](const TracksChange&) { refreshSources(); });
}

ui::BrowserHost* PoiPage::map() const {
    return map::mapWidget(*this);
}

std::intptr_t PoiPage::handleMessage(const ui::Message& message) {
    // The popup cells carry their choice in `value`, which the routing by id does not pass on.
    if (message.id == ui::WM_ELEMENT_COMMAND && message.lParam != 0) {
        const auto* command = reinterpret_cast<const ui::ElementCommand*>(message.lParam);
        if (command->element != nullptr && command->id == "cmdicon") {
            iconChosen(*command->element);
            return 0;
        }
        if (command->element != nullptr && command->id == "seticon") {
            slotPlaced(*command->element);
            return 0;
        }
    }
    return ui::PageWindow::handleMessage(message);
}

// Details and markers ------------------------------------------------------------------------

void PoiPage::showPoiDetails(int slot) {
    if (!isSlot(slot)) {
        return;
    }
    const PoiSlot& poi = state_.pois[static_cast<std::size_t>(slot)];
    if (ui::Element* name = byId("poiname")) {
        char text[16];
        std::snprintf(text, sizeof text, "#%.4d", static_cast<int>(poi.number));
        name->setText(text);
    }
    if (ui::Element* lat = byId("poilat")) {
        lat->setText(FormatScriptNumber(poi.latitude, 5));
    }
    if (ui::Element* lng = byId("poilng")) {
        lng->setText(FormatScriptNumber(poi.longitude, 5));
    }
    // Named as the page's own pictures are, beside the program in either layout; the view
    // loads nothing from an absolute path.
    if (ui::Element* icon = byId("iconurl")) {
        icon->setAttribute("src", "pois/" + std::to_string(static_cast<int>(poi.icon)) + ".png");
    }
}

void PoiPage::drawPoi(int slot, const std::filesystem::path& icons) {
    const PoiSlot& poi = state_.pois[static_cast<std::size_t>(slot)];
    map::MapBridge(map()).addWPMarker(slot, poi.latitude, poi.longitude,
                                      markerIcon(icons, poi.icon));
}

void PoiPage::redrawAllPois() {
    map::MapBridge(map()).clrWPMarker();
    const std::filesystem::path icons = markerFolder();
    for (int slot = 0; slot < kPoiSlotCount; ++slot) {
        drawPoi(slot, icons);
    }
}

void PoiPage::mapLoaded() {
    state_.MapsLoaded = true;
    ui::BrowserHost* host = map();
    if (host == nullptr) {
        return;
    }
    host->enable(true);
    const map::MapService& service = mapService_;
    const map::MapBridge bridge(host);
    map::showMapSources(bridge, service, session_.settings);
    bridge.useGeocoder(service.geocoder);
    bridge.setCenter(0, 0, 2);
    redrawAllPois();
    state_.selectedPoi = 0;
    showPoiDetails(0);
}

// Map callbacks ----------------------------------------------------------------------------

void PoiPage::markerClicked(int slot) {
    if (!isSlot(slot)) {
        return;
    }
    hidePopups();
    state_.selectedPoi = slot;
    showPoiDetails(slot);
}

void PoiPage::markerRightClicked(int slot, int x, int y) {
    if (!isSlot(slot)) {
        return;
    }
    state_.selectedPoi = slot;
    // The bar names the POI whose icon is being chosen.
    showPoiDetails(slot);
    openPopup("iconseltable", x + kIconMenuDx, y + kIconMenuDy);
}

void PoiPage::markerMoved(int slot, float lat, float lng) {
    if (!isSlot(slot)) {
        return;
    }
    state_.selectedPoi = slot;
    PoiSlot& poi = state_.pois[static_cast<std::size_t>(slot)];
    poi.latitude = clampedLatitude(lat);
    poi.longitude = wrappedLongitude(lng);
    showPoiDetails(slot);
}

void PoiPage::mapRightClicked(float lat, float lng, int x, int y) {
    placeAt_ = map::MapPosition{clampedLatitude(lat), wrappedLongitude(lng)};
    openPopup("iconsettable", x, y);
}

void PoiPage::openPopup(const char* id, int x, int y) {
    hidePopups();
    ui::Element* popup = byId(id);
    if (popup == nullptr) {
        return;
    }
    // The map reports points in its own area; the popup is placed in the page.
    ui::Point at{x, y};
    if (ui::BrowserHost* host = map(); host != nullptr && host->element() != nullptr) {
        const ui::Point origin = host->element()->location().origin();
        at = {origin.x + x, origin.y + y};
    }
    // The view keeps the whole menu inside the page near an edge of the map.
    showPopupAt(*popup, at);
}

void PoiPage::hidePopups() {
    for (const char* id : {"iconseltable", "iconsettable"}) {
        if (ui::Element* popup = byId(id)) {
            hidePopup(*popup);
        }
    }
}

// Popup choices ----------------------------------------------------------------------------

void PoiPage::iconChosen(const ui::Element& cell) {
    const int icon = cellValue(cell);
    const int slot = state_.selectedPoi;
    // An icon outside the pictures would show none and reach the logger as byte 255.
    if (!isSlot(slot) || icon < 1 || icon > kPoiIconCount) {
        return;
    }
    state_.pois[static_cast<std::size_t>(slot)].icon = static_cast<uint8_t>(icon);
    showPoiDetails(slot);
    drawPoi(slot, markerFolder());
}

void PoiPage::slotPlaced(const ui::Element& cell) {
    const int slot = cellValue(cell);
    if (!isSlot(slot) || !placeAt_) {
        return;
    }
    PoiSlot& poi = state_.pois[static_cast<std::size_t>(slot)];
    poi.number = static_cast<uint8_t>(slot + 1);
    poi.latitude = placeAt_->lat;
    poi.longitude = placeAt_->lng;
    showPoiDetails(slot);
    drawPoi(slot, markerFolder());
}

// Address search ---------------------------------------------------------------------------

void PoiPage::searchAddress() {
    ui::Element* form = byId("searchmaps");
    if (form == nullptr) {
        return;
    }
    ui::FormValues values;
    ui::collectFormValues(*form, values);
    const ui::Value* typed = values.find("addfind");
    const std::string text = typed != nullptr ? typed->toString() : std::string();
    if (!text.empty()) {
        map::MapBridge(map()).findAddress(text);
    }
}

bool PoiPage::onKey(ui::HtmlWindow& window, ui::Element& self, ui::KeyEvent& event) {
    if (event.type == ui::KeyEventType::Down && event.keyCode == ui::VK_RETURN && !event.handled &&
        event.target != nullptr && event.target->attribute("id") == "addfind") {
        searchAddress();
        event.handled = true;
        return true;
    }
    return ui::PageWindow::onKey(window, self, event);
}

void PoiPage::addressFound(map::MapPosition at) {
    at.lat = clampedLatitude(at.lat);
    at.lng = wrappedLongitude(at.lng);
    const map::MapBridge bridge(map());
    bridge.setCenter(at.lat, at.lng, kFoundZoom);
    const int slot = state_.selectedPoi;
    if (!isSlot(slot)) {
        bridge.setFindMarker(at.lat, at.lng, programPath("images/find.png").string());
        return;
    }
    PoiSlot& poi = state_.pois[static_cast<std::size_t>(slot)];
    poi.latitude = at.lat;
    poi.longitude = at.lng;
    drawPoi(slot, markerFolder());
    // The bar shows the selected POI, which has just moved.
    showPoiDetails(slot);
}

// Commands of the tab bar ------------------------------------------------------------------

template <typename Command>
void PoiPage::runPoiCommand(Command command) {
    if (commands_ == nullptr) {
        return;
    }
    ui::CommandRunner& runner = *commands_;
    // The flow runs on a worker; it reads and replaces a copy, never the slots the page shows.
    PoiState work = state_;
    PoiHooks hooks;
    hooks.redrawAllPois = [this, &runner, &work] {
        runner.onUi([this, &work] {
            state_.pois = work.pois;
            redrawAllPois();
        });
    };
    hooks.showPoiDetails = [this, &runner, &work](int slot) {
        runner.onUi([this, &work, slot] {
            state_.selectedPoi = work.selectedPoi;
            showPoiDetails(slot);
        });
    };
    runner.run([&](UserPrompt& prompt) { command(prompt, work, hooks); });
}

void PoiPage::uploadPois() {
    runPoiCommand([this](UserPrompt& prompt, PoiState& work, const PoiHooks&) {
        UploadPois(prompt, session_, work);
    });
}

void PoiPage::downloadPois() {
    runPoiCommand([this](UserPrompt& prompt, PoiState& work, const PoiHooks& hooks) {
        DownloadPois(prompt, session_, work, hooks);
    });
}

void PoiPage::savePoiFile() {
    runPoiCommand([this](UserPrompt& prompt, PoiState& work, const PoiHooks&) {
        SavePoiFile(prompt, session_, work);
    });
}

void PoiPage::loadPoiFile() {
    runPoiCommand([](UserPrompt& prompt, PoiState& work, const PoiHooks& hooks) {
        LoadPoiFile(prompt, work, hooks);
    });
}

}  // namespace vandrel::poi
