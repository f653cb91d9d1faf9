#pragma once
// The window of the main frame's iframe `main` (resource 201): the tab bar with its menus, the
// three page windows and the footer. It switches pages, hands every click of its document to
// the pages (POI, track, settings, in that order), and checks once a second whether the map
// service answers, to replace the map placeholders by the map pages.

#include <memory>

#include "app/pages.h"
#include "app/shell_services.h"
#include "ui/html_window.h"

namespace vandrel::app {

inline constexpr unsigned CONNECTIVITY_TIMER = 1000;
inline constexpr ui::Milliseconds kConnectivityPeriod{1000};

class PageHost final : public ui::HtmlWindow, public ui::EventHandler {
  public:
    PageHost(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services);

    // Loads the tab bar, the settings file and the three pages; starts the connectivity timer.
    void init();

    // Shows page n (1 POIs, 2 track logs, 3 settings); only styles change.
    void switchPage(int n);
    int currentPage() const { return current_; }

    PoiPage* poiPage() const { return poi_; }
    CPageTrack* trackPage() const { return track_; }
    SettingsPage* settingsPage() const { return settings_; }

    bool onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                         ui::BehaviorEvent& event) override;
    std::intptr_t handleMessage(const ui::Message& message) override;
    std::unique_ptr<ui::Window> createControl(ui::Element& element) override;

  private:
    void connectivityTick();
    void mapServiceAnswered();
    void setDisplay(const std::string& id, const char* display);

    ShellServices& services_;
    PoiPage* poi_ = nullptr;
    CPageTrack* track_ = nullptr;
    SettingsPage* settings_ = nullptr;
    int current_ = 1;
    bool probing_ = false;
};

}  // namespace vandrel::app
