#include "app/pages.h"

#include "core/program_path.h"
#include "flows/app_data.h"
#include "flows/download_device_logs.h"
#include "flows/refresh_listeners.h"
#include "store/sqlite_db.h"
#include "ui/behavior.h"
#include "ui/element.h"
#include "ui/list_view.h"
#include "ui/messages.h"
#include "ui/resources.h"

namespace vandrel::app {

namespace {

constexpr unsigned kPlaybackTimer = 1000;
constexpr int kTrackList = 6000;
constexpr const char* kPlaceholder = "Html/load.html";

std::string messageName(ui::MessageId id) {
    return "message " + std::to_string(id);
}

}  // namespace

PageWindow::PageWindow(ui::EventLoop& loop, ui::Window* parent, int controlId,
                       ShellServices& services, int resourceId)
    : ui::HtmlWindow(loop, parent, controlId), services_(services), resourceId_(resourceId) {
    addMessage(ui::MSG_MAP_LOADED, [this] { mapLoaded(); });
}

void PageWindow::init() {
    setHandler(this);
    ui::loadHtmlResource(*this, resourceId_);
    if (ui::BrowserHost* host = map()) {
        host->setExternalHandler([this, alive = aliveToken()](const std::string& method,
                                                              const std::vector<std::string>&) {
            if (!alive.expired() && method == "onmaploadcomplete") {
                post(ui::MSG_MAP_LOADED);
            }
            return std::string();
        });
        navigateMap(kPlaceholder);
    }
}

ui::BrowserHost* PageWindow::map() const {
    ui::Element* e = document().selectFirst("widget[id='2000']");
    return e != nullptr ? dynamic_cast<ui::BrowserHost*>(control(*e)) : nullptr;
}

void PageWindow::navigateMap(const std::string& name) {
    if (ui::BrowserHost* host = map()) {
        host->navigate(programPath(name).string());
    }
}

void PageWindow::addClick(std::string id, Handler handler) {
    clicks_.emplace_back(std::move(id), std::move(handler));
}

void PageWindow::addCommand(std::string id, Handler handler) {
    commands_.emplace_back(std::move(id), std::move(handler));
}

void PageWindow::addMessage(ui::MessageId id, Handler handler) {
    messages_.emplace_back(id, std::move(handler));
}

void PageWindow::reach(const std::string& what, const Handler& handler) {
    reached_.push_back(what);
    if (handler) {
        handler();
    }
}

bool PageWindow::onBehaviorEvent(ui::HtmlWindow&, ui::Element&, ui::BehaviorEvent& event) {
    if (event.type != ui::BUTTON_CLICK || event.target == nullptr) {
        return false;
    }
    const std::string id = event.target->attribute("id");
    if (id.empty()) {
        return false;
    }
    for (const auto& [known, handler] : clicks_) {
        if (known == id) {
            reach(id, handler);
        }
    }
    return false;
}

std::intptr_t PageWindow::handleElementCommand(const std::string& id) {
    for (const auto& [known, handler] : commands_) {
        if (known == id) {
            reach("command " + id, handler);
        }
    }
    return 0;
}

void PageWindow::mapLoaded() {
    if (ui::BrowserHost* host = map()) {
        host->enable(true);
    }
}

std::intptr_t PageWindow::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_ELEMENT_COMMAND && message.lParam != 0) {
        const auto* command = reinterpret_cast<const ui::ElementCommand*>(message.lParam);
        return handleElementCommand(command->id);
    }
    for (const auto& [id, handler] : messages_) {
        if (id == message.id) {
            reach(messageName(message.id), handler);
            return 0;
        }
    }
    return ui::HtmlWindow::handleMessage(message);
}

PoiPage::PoiPage(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services)
    : PageWindow(loop, parent, controlId, services, 202) {
    // The tab bar's POI commands and the address search; the commands come with the POI
    // transfers and the map bridge.
    for (const char* id : {"s2devpois", "lfromdevpois", "s2pcpois", "lfrompcpois", "search"}) {
        addClick(id);
    }
    addCommand("cmdicon");
    addCommand("seticon");
    addMessage(ui::MSG_MAP_FOUND);
}

CPageTrack::CPageTrack(ui::EventLoop& loop, ui::Window* parent, int controlId,
                       ShellServices& services)
    : PageWindow(loop, parent, controlId, services, 203) {
    addClick("lfromdevtrack", [this] { downloadDeviceLogs(); });
    for (const char* id :
         {"lfrompctrack", "s2pctrack", "deltrack", "lastmon", "nextmon", "today", "tkkmz", "tkgpx",
          "tkdel", "onback", "onplay", "onpause", "onforward", "onstop"}) {
        addClick(id);
    }
    addCommand("funcpage1", [this] { selectView(1); });
    addCommand("funcpage2", [this] { selectView(2); });
    addCommand("tab1", [this] { selectChart(1); });
    addCommand("tab2", [this] { selectChart(2); });
    addCommand("tab3", [this] { selectChart(3); });
    // The map bridge, the photos, the calendar and the chart post these; their handlers come
    // with those parts.
    for (ui::MessageId id : {ui::MSG_TRACK_LINE_CLICK, ui::MSG_ADD_PHOTO, ui::MSG_PHOTO_CLICK,
                             ui::MSG_REMOVE_PHOTO, ui::MSG_DATE_CHANGED, ui::MSG_CHART_CLICK}) {
        addMessage(id);
    }
}

std::intptr_t CPageTrack::handleMessage(const ui::Message& message) {
    if (message.id == ui::WM_TIMER && message.wParam == kPlaybackTimer) {
        reach("playback step", {});
        return 0;
    }
    if (message.id == ui::WM_NOTIFY && message.lParam != 0) {
        const auto* notify = reinterpret_cast<const ui::ListNotify*>(message.lParam);
        if (notify->idFrom == kTrackList && notify->code == ui::NM_DBLCLK) {
            reach("show track", {});
            return 0;
        }
        if (notify->idFrom == kTrackList && notify->code == ui::NM_RCLICK) {
            reach("track menu", {});
            return 0;
        }
    }
    return PageWindow::handleMessage(message);
}

void CPageTrack::init() {
    PageWindow::init();
    RefreshListeners::instance().add([this, alive = aliveToken()] {
        if (!alive.expired()) {
            RefreshTrackPage();
        }
    });
}

void CPageTrack::selectView(int n) {
    auto byId = [this](const std::string& id) { return document().selectFirst("#" + id); };
    if (ui::Element* bar = byId("funcpage")) {
        if (ui::Element* selected = bar->selectFirst("div.selected")) {
            selected->removeAttribute("class");
        }
    }
    if (ui::Element* tab = byId("funcpage" + std::to_string(n))) {
        tab->setAttribute("class", "selected");
    }
    for (const char* word : {"list", "menu"}) {
        if (ui::Element* e = byId(word + std::to_string(view_))) {
            e->setStyle("display", "none");
        }
    }
    view_ = n;
    for (const char* word : {"list", "menu"}) {
        if (ui::Element* e = byId(word + std::to_string(view_))) {
            e->setStyle("display", "block");
        }
    }
}

void CPageTrack::selectChart(int n) {
    auto show = [this](const std::string& id, const char* display) {
        if (ui::Element* e = document().selectFirst("#" + id)) {
            e->setStyle("display", display);
        }
    };
    const std::string old = "tab" + std::to_string(chart_);
    show(old + "-s", "none");
    show(old, "block");
    chart_ = n;
    const std::string now = "tab" + std::to_string(chart_);
    show(now + "-s", "block");
    show(now, "none");
    // The chart of the shown track is drawn again for the new quantity by the profile chart,
    // which no track is shown in yet.
}

void CPageTrack::downloadDeviceLogs() {
    if (services_.commands == nullptr) {
        return;
    }
    CommandRunner& runner = *services_.commands;
    DownloadHooks hooks;
    hooks.refreshTrackPage = [this, &runner] { runner.onUi([this] { RefreshTrackPage(); }); };
    runner.run([&hooks](UserPrompt& prompt) {
        DownloadDeviceLogs(prompt, TrackDatabase::instance(), AppData::instance().settings.TimeZone,
                           hooks);
    });
}

void CPageTrack::RefreshTrackPage() {
    ++refreshes_;
    post(ui::MSG_DATE_CHANGED);
}

SettingsPage::SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                           ShellServices& services)
    : PageWindow(loop, parent, controlId, services, 204) {
    for (const char* id : {"onsetssave", "tzhour", "tzmin", "bkfsel", "bksave", "onbinfile",
                           "onupdate", "mtype", "etype"}) {
        addClick(id);
    }
}

}  // namespace vandrel::app
