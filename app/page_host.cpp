#include "app/page_host.h"

#include <iostream>

#include "app/map_sources_form.h"
#include "flows/read_device_settings.h"
#include "map/map_bridge.h"
#include "map/map_sources.h"
#include "map/map_widget.h"
#include "ui/behavior.h"
#include "ui/controls.h"
#include "ui/element.h"
#include "ui/messages.h"
#include "ui/resources.h"

namespace vandrel::app {

PageHost::PageHost(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services)
    : ui::HtmlWindow(loop, parent, controlId), services_(services) {}

std::unique_ptr<ui::Window> PageHost::createControl(ui::Element& element) {
    // The page iframes are the page objects' own windows; anything else is standard.
    if (element.tag() == "iframe") {
        const std::string name = element.attribute("name");
        std::unique_ptr<ui::PageWindow> page;
        if (name == "page1") {
            page = std::make_unique<poi::PoiPage>(loop(), this, 0, services_.commands,
                                                  *services_.session, services_.mapService);
            poi_ = static_cast<poi::PoiPage*>(page.get());
        } else if (name == "page2") {
            page = std::make_unique<tracks::CPageTrack>(loop(), this, 0, services_.commands,
                                                        *services_.session, services_.mapService);
            track_ = static_cast<tracks::CPageTrack*>(page.get());
            track_->setPhotosDialog(services_.photosDialog);
        } else if (name == "page3") {
            page = std::make_unique<SettingsPage>(loop(), this, 0, services_.commands,
                                                  *services_.session);
            settings_ = static_cast<SettingsPage*>(page.get());
            settings_->setMapService(&services_.mapService);
        }
        if (page) {
            ui::startFrame(*page, element);
            return page;
        }
    }
    return ui::HtmlWindow::createControl(element);
}

void PageHost::init() {
    setHandler(this);
    ui::loadHtmlResource(*this, 201);
    // An unreadable settings file leaves the default settings; the user is told why.
    if (const Outcome loaded = loadProgramSettings(*services_.session);
        !loaded.complete() && services_.commands != nullptr) {
        services_.commands->prompt().error(loaded.error + ". The default settings are used.");
    }
    // A logger found at the start gives its own settings to the program before any page shows
    // or uses them. Directly: no command can run yet, and one block is read.
    std::string fileProblem;
    const SettingsRead read = ReadDeviceSettings(*services_.session, &fileProblem);
    for (ui::PageWindow* page : pages()) {
        if (page != nullptr) {
            page->init();
        }
    }
    if (settings_ != nullptr) {
        settings_->showSettingsSource(read, fileProblem);
    }
    setTimer(CONNECTIVITY_TIMER, kConnectivityPeriod);
}

std::array<ui::PageWindow*, 3> PageHost::pages() const {
    return {poi_, track_, settings_};
}

void PageHost::setDisplay(const std::string& id, const char* display) {
    if (ui::Element* e = document().selectFirst("#" + id)) {
        e->setStyle("display", display);
    }
}

void PageHost::switchPage(int n) {
    const std::string c = std::to_string(current_);
    setDisplay("tab" + c + "-s", "none");
    setDisplay("tab" + c, "block");
    setDisplay("menu" + c, "none");
    setDisplay("framepage" + c, "none");
    current_ = n;
    const std::string s = std::to_string(n);
    setDisplay("tab" + s + "-s", "block");
    setDisplay("tab" + s, "none");
    setDisplay("menu" + s, "block");
    setDisplay("framepage" + s, "block");
    // The settings page shows the logger's settings as they are now.
    if (n == 3 && settings_ != nullptr) {
        settings_->readLoggerSettings();
    }
}

bool PageHost::onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                               ui::BehaviorEvent& event) {
    // The menus of the tab bar belong to the pages: each sees every event, in page order.
    for (ui::PageWindow* page : pages()) {
        if (page != nullptr) {
            page->onBehaviorEvent(window, self, event);
        }
    }
    return false;
}

std::intptr_t PageHost::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_ELEMENT_COMMAND && message.lParam != 0) {
        const auto* command = reinterpret_cast<const ui::ElementCommand*>(message.lParam);
        for (int n = 1; n <= 3; ++n) {
            if (command->id == "tab" + std::to_string(n)) {
                switchPage(n);
            }
        }
        return 0;
    }
    if (message.id == ui::WM_TIMER && message.wParam == CONNECTIVITY_TIMER) {
        connectivityTick();
        return 0;
    }
    return ui::HtmlWindow::handleMessage(message);
}

void PageHost::addDroppedMaps(const std::vector<std::filesystem::path>& files) {
    if (services_.commands == nullptr || !services_.mapService.sources) {
        return;
    }
    std::string added;
    for (const std::filesystem::path& file : files) {
        if (std::string name =
                addMapFileAt(services_.commands->prompt(), services_.mapService, file);
            !name.empty()) {
            added = std::move(name);
        }
    }
    if (added.empty()) {
        return;
    }
    ui::PageWindow* shown = current_ == 1   ? static_cast<ui::PageWindow*>(poi_)
                            : current_ == 2 ? static_cast<ui::PageWindow*>(track_)
                                            : nullptr;
    // Dropped on a map, the file becomes the chosen map, kept for the next start, as a choice
    // on the map would; dropped on the Settings page it is only added, as there.
    std::string error;
    if (shown != nullptr && !services_.mapService.sources->choose(added, true, error)) {
        std::cerr << "vandrel: " << error << std::endl;
    }
    // The other map keeps the map it shows; a map page not loaded yet starts with the choice.
    services_.session->mapSourcesChanged.notify();
    if (shown != nullptr) {
        map::MapBridge(map::mapWidget(*shown)).showMapSource(added);
    }
}

void PageHost::connectivityTick() {
    // One question at a time: the probe answers later, so a slow answer never piles up ticks
    // nor holds the window.
    if (tilesOnline_ || probing_ || services_.probe == nullptr) {
        return;
    }
    probing_ = true;
    services_.probe->probe(services_.probeAddress, [this, alive = aliveToken()](bool reached) {
        if (alive.expired()) {
            return;
        }
        probing_ = false;
        mapServiceAnswered(reached);
    });
}

void PageHost::mapServiceAnswered(bool reached) {
    if (!mapPagesLoaded_) {
        mapPagesLoaded_ = true;
        if (poi_ != nullptr) {
            map::navigateMap(*poi_, map::kPoiMapPage);
        }
        if (track_ != nullptr) {
            map::navigateMap(*track_, map::kTrackMapPage);
        }
    }
    if (!reached || tilesOnline_) {
        return;
    }
    tilesOnline_ = true;
    killTimer(CONNECTIVITY_TIMER);
    // Pages loaded while the service could not be reached draw their tiles now; a page still
    // loading asks for them itself.
    for (ui::PageWindow* page :
         {static_cast<ui::PageWindow*>(poi_), static_cast<ui::PageWindow*>(track_)}) {
        if (page != nullptr) {
            map::MapBridge(map::mapWidget(*page)).tilesOnline();
        }
    }
}

}  // namespace vandrel::app
