#pragma once
// Page 1: the POIs (resource 202): the 20 points of interest as draggable markers on the map
// (2000), a bar with the selected POI's number, position and icon, an address search, and
// the two popups that give a marker an icon (iconseltable) and put a slot where the map was
// right-clicked (iconsettable). The POI commands of the tab bar move the slots to and from the
// logger and .poi files.
//
// A marker's index is its slot's index, so that every slot has its own marker and a click or
// a drag reaches the slot it shows, whatever numbers a .poi file gave the slots.

#include <filesystem>
#include <optional>

#include "flows/poi_commands.h"
#include "flows/session.h"
#include "map/map_events.h"
#include "map/map_external_dispatch.h"
#include "map/map_service.h"
#include "ui/page_window.h"

namespace vandrel::ui {
class BrowserHost;
}

namespace vandrel::poi {

class PoiPage final : public ui::PageWindow {
  public:
    PoiPage(ui::EventLoop& loop, ui::Window* parent, int controlId, ui::CommandRunner* commands,
            Session& session, const map::MapService& mapService);
    void init() override;

    // The slots as the page shows them (a change shows at the next redraw).
    PoiState& state() { return state_; }

    // Fills the POI bar from one slot: "#0007", the position with 5 decimals, the icon.
    void showPoiDetails(int slot);
    // Clears the map's POI markers and draws the 20 slots in slot order.
    void redrawAllPois();

    // The tab bar's POI commands: to the logger, from it, to a .poi file, from one.
    void uploadPois();
    void downloadPois();
    void savePoiFile();
    void loadPoiFile();

    // Asks the map page for the address typed in `addfind`.
    void searchAddress();

    // Enter in the search field searches, as the Search button does.
    bool onKey(ui::HtmlWindow& window, ui::Element& self, ui::KeyEvent& event) override;

  protected:
    std::intptr_t handleMessage(const ui::Message& message) override;

  private:
    ui::BrowserHost* map() const;
    void mapLoaded();
    void addressFound(map::MapPosition at);
    void markerClicked(int slot);
    void markerRightClicked(int slot, int x, int y);
    void markerMoved(int slot, float lat, float lng);
    void mapRightClicked(float lat, float lng, int x, int y);
    void iconChosen(const ui::Element& cell);
    void slotPlaced(const ui::Element& cell);
    void drawPoi(int slot, const std::filesystem::path& icons);
    void openPopup(const char* id, int x, int y);
    void hidePopups();
    // Runs a POI command on a copy of the slots; the page takes the copy's slots and
    // selection on the UI thread when the command has replaced them.
    template <typename Command>
    void runPoiCommand(Command command);

    Session& session_;
    const map::MapService& mapService_;
    // The 20 slots the page shows and edits, the selected one, and whether its map has loaded.
    PoiState state_;
    map::PoiMapEvents mapEvents_;
    map::MapExternalDispatch dispatch_;
    // Where the map was right-clicked, for the slot chosen in iconsettable.
    std::optional<map::MapPosition> placeAt_;
};

}  // namespace vandrel::poi
