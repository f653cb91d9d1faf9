#pragma once
// Page 3: the logger settings, backup and firmware update (resource 204). The form shows the
// program's copy of the settings; Save writes it to "settings.xml" and the logger.

#include "core/device_settings.h"
#include "ui/page_window.h"

namespace vandrel::app {

class SettingsPage final : public ui::PageWindow {
  public:
    SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                 ui::CommandRunner* commands);
    void init() override;
    bool onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                         ui::BehaviorEvent& event) override;

    // Puts the program's settings into the form.
    void FillSettingsForm();
    // The settings as the form holds them; fields the form does not show keep their values.
    DeviceSettings readSettingsForm() const;

    void saveSettings();
    void chooseBackupFile();
    void backupTracks();
    void chooseFirmwareFile();
    void updateFirmware();

  private:
    void updateTimeZoneCell();
    void setUnitLabel(const char* unit);
    std::string fieldText(const char* name) const;
    void setFieldText(const char* name, const std::string& text);
};

}  // namespace vandrel::app
