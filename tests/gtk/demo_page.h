#pragma once
// The demonstration page of the view layer: every behaviour, a form with each control type, a
// popup, a canvas drawn by its owner, a virtual list of 50,000 rows, a child window in an
// iframe and a browser host showing a local page that talks back through window.external.
// It is no page of the program; the renderer tests and vandrel-demo run it.

#include <filesystem>
#include <string>
#include <vector>

#include "ui/browser_host.h"
#include "ui/html_window.h"
#include "ui/list_view.h"
#include "ui/static_control.h"

namespace vandrel::demo {

class DemoPage : public ui::HtmlWindow, private ui::EventHandler {
  public:
    static constexpr int kRows = 50000;
    static constexpr int kRowHeight = 20;

    explicit DemoPage(ui::EventLoop& loop);
    // Loads the page and sets its controls up; the hosted page is `hosted` (a file path).
    void start(const std::filesystem::path& hosted);

    std::intptr_t handleMessage(const ui::Message& message) override;
    // The child window is the page's own, as page objects subclass their iframes.
    std::unique_ptr<ui::Window> createControl(ui::Element& element) override;

    ui::ListView* list() const;
    ui::StaticControl* canvas() const;
    ui::BrowserHost* host() const;
    HtmlWindow* child() const;
    std::vector<std::string> commands;
    std::vector<std::string> childCommands;
    std::vector<std::pair<int, int>> notifications;
    std::vector<std::pair<std::string, std::vector<std::string>>> externalCalls;
    std::vector<std::string> clicks;
    // Moves, wheel turns and leaves the canvas's owner received.
    std::vector<ui::Message> canvasPointer;

  private:
    bool onBehaviorEvent(HtmlWindow& window, ui::Element& self, ui::BehaviorEvent& e) override;
};

}  // namespace vandrel::demo
