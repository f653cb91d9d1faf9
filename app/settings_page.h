#pragma once
// Page 3: the logger settings, backup and firmware update (resource 204).

#include "ui/page_window.h"

namespace vandrel::app {

class SettingsPage final : public ui::PageWindow {
  public:
    SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                 ui::CommandRunner* commands);
};

}  // namespace vandrel::app
