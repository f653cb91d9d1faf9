#pragma once
// The program's one top-level window: a borderless frame whose page (resource 215) draws the
// caption bar and holds the iframe `main`, which PageHost takes over. The frame opens the
// track database when it is created and saves the settings and closes the database when it is
// destroyed; it maximises to the work area and restores to the last rectangle it had.

#include <memory>

#include "app/frame_geometry.h"
#include "app/page_host.h"
#include "app/shell_services.h"
#include "ui/html_window.h"

namespace vandrel::app {

// Asks the frame's host to close the window (the frame then gets destroy()).
inline constexpr ui::MessageId WM_CLOSE = 0x0010;

inline constexpr int kFrameWidth = 920;
inline constexpr int kFrameHeight = 720;

class MainFrame final : public ui::HtmlWindow, public ui::EventHandler {
  public:
    MainFrame(ui::EventLoop& loop, ShellServices& services);

    // Opens the database, loads the frame page and starts PageHost with the pages.
    void create();
    // Saves "settings.xml" and closes the database; the window's loop may end afterwards.
    void destroy();

    // The window now has this rectangle; kept as the restore rectangle unless maximised.
    void windowMoved(const ScreenRect& rect);
    FrameHit hitTest(ui::Point clientPoint) const;

    bool maximised() const { return maximised_; }
    PageHost* pageHost() const { return host_; }

    bool onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                         ui::BehaviorEvent& event) override;
    std::intptr_t handleMessage(const ui::Message& message) override;
    std::unique_ptr<ui::Window> createControl(ui::Element& element) override;

  private:
    void maxRestore(const ui::Element* clicked);
    ui::Element* element(const char* id) const;

    ShellServices& services_;
    PageHost* host_ = nullptr;
    bool maximised_ = false;
    ScreenRect restore_;
};

}  // namespace vandrel::app
