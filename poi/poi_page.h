#pragma once
// Page 1: the POIs (resource 202): the 20 points of interest as markers on the map.

#include "map/map_external_dispatch.h"
#include "ui/page_window.h"

namespace vandrel::ui {
class BrowserHost;
}

namespace vandrel::poi {

class PoiPage final : public ui::PageWindow {
  public:
    PoiPage(ui::EventLoop& loop, ui::Window* parent, int controlId, ui::CommandRunner* commands);
    void init() override;

    // Draws every POI's marker again.
    void redrawAllPois();

  private:
    ui::BrowserHost* map() const;
    void mapLoaded();

    map::MapExternalDispatch dispatch_;
};

}  // namespace vandrel::poi
