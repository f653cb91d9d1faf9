#include "app/settings_page.h"

namespace vandrel::app {

SettingsPage::SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                           ui::CommandRunner* commands)
    : ui::PageWindow(loop, parent, controlId, commands, 204) {}

}  // namespace vandrel::app
