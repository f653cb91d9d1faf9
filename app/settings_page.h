#pragma once
// Page 3: the logger settings, backup and firmware update (resource 204). The form shows the
// program's copy of the settings, which holds the logger's own settings whenever they were read
// (see flows/read_device_settings.h); a line above the form says which of the two it shows.
// Save writes the form to "settings.xml" and the logger.

#include <string>

#include "core/device_settings.h"
#include "flows/read_device_settings.h"
#include "map/map_service.h"
#include "ui/page_window.h"

namespace vandrel::app {

class SettingsPage final : public ui::PageWindow {
  public:
    SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                 ui::CommandRunner* commands, Session& session);
    void init() override;
    bool onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                         ui::BehaviorEvent& event) override;

    // Puts the program's settings into the form.
    void FillSettingsForm();
    // The page is opened: the logger's settings are read again (a logger plugged in since, or
    // changed on its own keys). When they differ from those the form was filled with, they
    // become the program's copy and fill the form; otherwise the form, with any edits, stays.
    // The source line follows the read. Nothing happens while another command runs.
    void readLoggerSettings();
    // Says in the source line where the settings shown came from (and a settings.xml that could
    // not be written).
    void showSettingsSource(const SettingsRead& read, const std::string& fileProblem = {});
    // The settings as the form holds them; fields the form does not show keep their values.
    DeviceSettings readSettingsForm() const;

    void saveSettings();
    void chooseBackupFile();
    void backupTracks();
    void chooseFirmwareFile();
    void updateFirmware();
    // The map sources the Maps part lists and adds to; none, and that part does nothing.
    void setMapService(const map::MapService* service);

  private:
    void updateTimeZoneCell();
    void setUnitLabel(const char* unit);
    std::string fieldText(const char* name) const;
    void setFieldText(const char* name, const std::string& text);

    void addMap(bool file);
    // The user's map chosen in the Maps part: its fields into the form, the form's fields into
    // it, or the map removed.
    void editMap();
    void saveMap();
    void removeMap();
    std::string chosenUserMap() const;
    void showUserMaps();

    Session& session_;
    const map::MapService* mapService_ = nullptr;
    // The settings the form was last filled with or saved from.
    DeviceSettings shown_;
};

}  // namespace vandrel::app
