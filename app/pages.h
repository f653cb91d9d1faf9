#pragma once
// The three page objects. Each is the window of its iframe (page1..page3 of the tab bar page),
// loads its page and routes the clicks and messages of its ids to its handlers. The handlers
// that other parts of the program fill in are empty here; the routing already reaches them,
// which `reached()` records in order.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/shell_services.h"
#include "ui/browser_host.h"
#include "ui/events.h"
#include "ui/html_window.h"

namespace vandrel::app {

class PageWindow : public ui::HtmlWindow, public ui::EventHandler {
  public:
    PageWindow(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services,
               int resourceId);

    // Loads the page's resource and takes its events.
    virtual void init();

    // Compares the target's id, exactly, with the page's ids in table order and runs each
    // match; the event stays unhandled so that later pages still see it.
    bool onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                         ui::BehaviorEvent& event) override;

    // The ids and messages whose handlers ran, in order.
    const std::vector<std::string>& reached() const { return reached_; }

    // The map widget (2000), when the page has one.
    ui::BrowserHost* map() const;
    // Loads a page beside the program ("Html/load.html") into the map widget.
    void navigateMap(const std::string& name);

  protected:
    using Handler = std::function<void()>;
    void addClick(std::string id, Handler handler = {});
    void addCommand(std::string id, Handler handler = {});
    void addMessage(ui::MessageId id, Handler handler = {});
    // Records the handler as reached and runs it.
    void reach(const std::string& what, const Handler& handler);
    // WM_ELEMENT_COMMAND: the id text of the element that sent it.
    std::intptr_t handleElementCommand(const std::string& id);

    std::intptr_t handleMessage(const ui::Message& message) override;
    // The map page loaded; by default the map widget becomes usable.
    virtual void mapLoaded();

    ShellServices& services_;

  private:
    int resourceId_;
    std::vector<std::pair<std::string, Handler>> clicks_;
    std::vector<std::pair<std::string, Handler>> commands_;
    std::vector<std::pair<ui::MessageId, Handler>> messages_;
    std::vector<std::string> reached_;
};

// Page 1: the POIs (resource 202).
class PoiPage final : public PageWindow {
  public:
    PoiPage(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services);
};

// Page 2: the track logs (resource 203).
class CPageTrack final : public PageWindow {
  public:
    CPageTrack(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services);
    void init() override;

    // Map or detail list, 1 or 2; altitude, air pressure or temperature chart, 1 to 3.
    void selectView(int n);
    void selectChart(int n);
    int currentView() const { return view_; }
    int currentChart() const { return chart_; }

    // Downloads the logger's track logs into the database with the boxes and busy window.
    void downloadDeviceLogs();
    // Reloads what the page shows from the database (calendar and day list).
    void RefreshTrackPage();
    int refreshes() const { return refreshes_; }

  protected:
    std::intptr_t handleMessage(const ui::Message& message) override;

  private:
    int view_ = 1;
    int chart_ = 1;
    int refreshes_ = 0;
};

// Page 3: the logger settings, backup and firmware update (resource 204).
class SettingsPage final : public PageWindow {
  public:
    SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId, ShellServices& services);
};

}  // namespace vandrel::app
