#include "poi/poi_page.h"

#include "core/program_path.h"
#include "flows/app_data.h"
#include "map/map_bridge.h"
#include "map/map_service.h"
#include "map/map_widget.h"
#include "ui/browser_host.h"
#include "ui/messages.h"

namespace vandrel::poi {

PoiPage::PoiPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                 ui::CommandRunner* commands)
    : ui::PageWindow(loop, parent, controlId, commands, 202),
      dispatch_(map::MapExternalDispatch::Page::Poi, map::PoiMapEvents::instance()) {
    addMessage(ui::MSG_MAP_LOADED, [this](const ui::Message&) { mapLoaded(); });
}

void PoiPage::init() {
    ui::PageWindow::init();
    map::PoiMapEvents::instance().setWindow(this);
    if (ui::BrowserHost* host = map()) {
        dispatch_.attach(*host);
        map::navigateMap(*this, map::kPlaceholderPage);
    }
}

ui::BrowserHost* PoiPage::map() const {
    return map::mapWidget(*this);
}

void PoiPage::mapLoaded() {
    AppData::instance().MapsLoaded = true;
    if (ui::BrowserHost* host = map()) {
        host->enable(true);
        const map::MapService& service = map::mapService();
        map::MapBridge::useTiles(host, service.tiles, service.attribution);
        map::MapBridge::setCenter(host, 0, 0, 2);
        redrawAllPois();
    }
}

void PoiPage::redrawAllPois() {
    ui::BrowserHost* host = map();
    map::MapBridge::clrWPMarker(host);
    const PoiSlots& pois = AppData::instance().pois;
    for (const PoiSlot& poi : pois) {
        const std::string icon =
            programPath("pois/" + std::to_string(static_cast<int>(poi.icon)) + ".png").string();
        map::MapBridge::addWPMarker(host, poi.number - 1, poi.latitude, poi.longitude, icon);
    }
}

}  // namespace vandrel::poi
