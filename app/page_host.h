#pragma once
// The window of the main frame's iframe `main` (resource 201): the tab bar with its menus, the
// three page windows and the footer. It switches pages, hands every click of its document to
// the pages (POI, track, settings, in that order), and checks once a second whether the map
// service answers. At the first answer, or the first failure, the map pages replace the
// placeholders (offline they draw their built-in world outline); once the service answers,
// the map pages are told that their tiles can load.

#include <array>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/settings_page.h"
#include "app/shell_services.h"
#include "poi/poi_page.h"
#include "tracks/track_page.h"
#include "ui/html_window.h"

namespace vandrel::app {

inline constexpr unsigned CONNECTIVITY_TIMER = 1000;
inline constexpr ui::Milliseconds kConnectivityPeriod{1000};

class PageHost final : public ui::HtmlWindow, public ui::EventHandler {
  public:
    PageHost(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services);

    // Loads the tab bar and the settings file, reads the settings of a logger found (they
    // become the program's, see flows/read_device_settings.h), loads the three pages and starts
    // the connectivity timer.
    void init();

    // Shows page n (1 POIs, 2 track logs, 3 settings) by styles; the settings page reads the
    // logger's settings again as it opens.
    void switchPage(int n);
    int currentPage() const { return current_; }

    // Offline map files dropped onto the window: each is added as the Settings page adds one
    // (a file that is no map is refused, saying why), every map page offers them, and the map
    // of the page shown shows the last one added at once.
    void addDroppedMaps(const std::vector<std::filesystem::path>& files);

    poi::PoiPage* poiPage() const { return poi_; }
    tracks::CPageTrack* trackPage() const { return track_; }
    SettingsPage* settingsPage() const { return settings_; }

    bool onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                         ui::BehaviorEvent& event) override;
    std::intptr_t handleMessage(const ui::Message& message) override;
    std::unique_ptr<ui::Window> createControl(ui::Element& element) override;

  private:
    void connectivityTick();
    void mapServiceAnswered(bool reached);
    void setDisplay(const std::string& id, const char* display);
    std::array<ui::PageWindow*, 3> pages() const;

    ShellServices& services_;
    poi::PoiPage* poi_ = nullptr;
    tracks::CPageTrack* track_ = nullptr;
    SettingsPage* settings_ = nullptr;
    int current_ = 1;
    bool probing_ = false;
    bool mapPagesLoaded_ = false;
    bool tilesOnline_ = false;
};

}  // namespace vandrel::app
