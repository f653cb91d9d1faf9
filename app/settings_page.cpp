#include "app/settings_page.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "app/map_sources_form.h"
#include "core/settings_form_values.h"
#include "core/units.h"
#include "flows/read_device_settings.h"
#include "flows/save_device_settings.h"
#include "flows/track_files.h"
#include "flows/update_firmware.h"
#include "ui/element.h"
#include "ui/form_values.h"
#include "ui/html_escape.h"

namespace vandrel::app {
namespace {

// Selects hold their option's value as text; numbers come back as numbers.
int64_t intOf(const ui::Value& value) {
    if (value.kind() != ui::Value::Kind::String) {
        return value.toInt();
    }
    const std::string text = value.toString();
    int64_t n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

FileFilter firmwareFilter() {
    return {"Bin Files (*.bin)", "*.bin", "bin"};
}

}  // namespace

SettingsPage::SettingsPage(ui::EventLoop& loop, ui::Window* parent, int controlId,
                           ui::CommandRunner* commands, Session& session)
    : ui::PageWindow(loop, parent, controlId, commands, 204), session_(session) {
    addClick("onsetssave", [this] { saveSettings(); });
    addClick("mtype", [this] { setUnitLabel("m"); });
    addClick("etype", [this] { setUnitLabel("ft"); });
    addClick("bkfsel", [this] { chooseBackupFile(); });
    addClick("bksave", [this] { backupTracks(); });
    addClick("onbinfile", [this] { chooseFirmwareFile(); });
    addClick("onupdate", [this] { updateFirmware(); });
    addClick("addmapfile", [this] { addMap(true); });
    addClick("addmapservice", [this] { addMap(false); });
    addClick("editmap", [this] { editMap(); });
    addClick("savemapservice", [this] { saveMap(); });
    addClick("removemap", [this] { removeMap(); });
}

void SettingsPage::setMapService(const map::MapService* service) {
    mapService_ = service;
    if (ui::Element* list = document().selectFirst("#maplist"); list != nullptr && service) {
        list->setText(mapSourceNames(*service));
        showUserMaps();
    }
}

// The choice keeps the map it names while that map is still there.
void SettingsPage::showUserMaps() {
    ui::Element* choice = byId("mapsel");
    if (choice == nullptr || mapService_ == nullptr) {
        return;
    }
    const std::vector<std::string> names = userMapSourceNames(*mapService_);
    const std::string before = chosenUserMap();
    std::string markup;
    for (const std::string& name : names) {
        const std::string escaped = ui::escapeHtml(name);
        markup += "<option value=\"" + escaped + "\">" + escaped + "</option>";
    }
    choice->setHtml(markup);
    const bool keeps = std::find(names.begin(), names.end(), before) != names.end();
    setFieldText("mapsel", keeps ? before : names.empty() ? std::string() : names.front());
}

std::string SettingsPage::chosenUserMap() const {
    return fieldText("mapsel");
}

void SettingsPage::editMap() {
    if (commands_ == nullptr || mapService_ == nullptr) {
        return;
    }
    const std::string name = chosenUserMap();
    const std::optional<TileServiceFields> fields = tileServiceFields(*mapService_, name);
    if (!fields) {
        commands_->prompt().error(
            name.empty() ? std::string("Choose one of your maps first.")
                         : "The offline map " + name +
                               " has no address to edit: remove it and add its file again.");
        return;
    }
    setFieldText("mapname", fields->name);
    setFieldText("maptiles", fields->tiles);
    setFieldText("mapattribution", fields->attribution);
    setFieldText("mapmaxzoom", fields->maxZoom);
}

void SettingsPage::saveMap() {
    if (commands_ == nullptr || mapService_ == nullptr) {
        return;
    }
    if (chosenUserMap().empty()) {
        commands_->prompt().error("Choose one of your maps first.");
        return;
    }
    const TileServiceFields fields{fieldText("mapname"), fieldText("maptiles"),
                                   fieldText("mapattribution"), fieldText("mapmaxzoom")};
    if (changeTileService(commands_->prompt(), *mapService_, chosenUserMap(), fields)) {
        setFieldText("mapsel", fields.name);
        session_.mapSourcesChanged.notify();
    }
}

void SettingsPage::removeMap() {
    if (commands_ == nullptr || mapService_ == nullptr) {
        return;
    }
    if (chosenUserMap().empty()) {
        commands_->prompt().error("Choose one of your maps first.");
        return;
    }
    if (removeMapSource(commands_->prompt(), *mapService_, chosenUserMap())) {
        session_.mapSourcesChanged.notify();
    }
}

void SettingsPage::addMap(bool file) {
    if (commands_ == nullptr || mapService_ == nullptr) {
        return;
    }
    UserPrompt& prompt = commands_->prompt();
    const bool added = file
                           ? addMapFile(prompt, *mapService_)
                           : addTileService(prompt, *mapService_,
                                            {fieldText("mapname"), fieldText("maptiles"),
                                             fieldText("mapattribution"), fieldText("mapmaxzoom")});
    if (added) {
        // The map pages offer the new map at once, and this page lists it.
        session_.mapSourcesChanged.notify();
    }
}

void SettingsPage::init() {
    ui::PageWindow::init();
    FillSettingsForm();
    setMapService(mapService_);
    // A map file dropped onto the window is listed too.
    session_.mapSourcesChanged.add([this, alive = aliveToken()] {
        if (!alive.expired()) {
            setMapService(mapService_);
        }
    });
}

bool SettingsPage::onBehaviorEvent(ui::HtmlWindow& window, ui::Element& self,
                                   ui::BehaviorEvent& event) {
    if ((event.type == ui::SELECT_SELECTION_CHANGED || event.type == ui::EDIT_VALUE_CHANGED) &&
        event.target != nullptr) {
        const std::string id = event.target->attribute("id");
        if (id == "tzhour" || id == "tzmin") {
            updateTimeZoneCell();
        }
    }
    return ui::PageWindow::onBehaviorEvent(window, self, event);
}

void SettingsPage::FillSettingsForm() {
    const DeviceSettings& s = session_.settings;
    shown_ = s;
    setUnitLabel(s.Length != 0 ? "ft" : "m");
    const TimeZoneFields zone = splitTimeZone(s.TimeZone);
    ui::FormValues values;
    values.set("lhtype", ui::Value(s.Length));
    values.set("tptype", ui::Value(s.Temperature));
    values.set("logint", ui::Value(s.LogInterval));
    values.set("tftype", ui::Value(s.TimeFormat));
    values.set("poweroff", ui::Value(std::to_string(s.PowerOff)));
    values.set("bklightoff", ui::Value(std::to_string(s.Backlight)));
    values.set("inttbar", ui::Value(std::to_string(s.Tnttbar)));
    values.set("altoffset", ui::Value(altitudeOffsetText(s.Refbar, s.Length)));
    values.set("tzhour", ui::Value(std::to_string(zone.hours)));
    values.set("tzmin", ui::Value(zone.minutes));
    ui::applyFormValues(document().root(), values);
    updateTimeZoneCell();
    // The form stays hidden until it holds the program's settings, so that no frame shows
    // values the program does not hold.
    if (ui::Element* form = byId("settings")) {
        form->setStyle("visibility", "visible");
    }
}

void SettingsPage::readLoggerSettings() {
    if (commands_ == nullptr) {
        return;
    }
    // On the command runner's worker, like every other access to the logger, so that a read
    // never meets a command's transfers and a slow logger does not hold the window.
    const DeviceSettings copy = session_.settings;
    std::optional<SettingsRead> read;
    std::string fileProblem;
    commands_->run([&](UserPrompt&) {
        read = vandrel::readLoggerSettings(session_, copy);
        fileProblem = keepLoggerSettings(session_.folder(), *read);
    });
    if (!read) {
        return;
    }
    if (read->source == SettingsSource::Logger) {
        if (read->changed) {
            session_.settings = read->settings;
            session_.tracksChanged.notify({});
        }
        if (read->settings != shown_) {
            FillSettingsForm();
        }
    }
    showSettingsSource(*read, fileProblem);
}

void SettingsPage::showSettingsSource(const SettingsRead& read, const std::string& fileProblem) {
    ui::Element* line = byId("setsource");
    if (line == nullptr) {
        return;
    }
    std::string text = settingsSourceText(read);
    if (!fileProblem.empty()) {
        text += " " + fileProblem + ".";
    }
    line->setText(text);
    line->setAttribute("class", read.source == SettingsSource::Logger ? "logger" : "notread");
}

DeviceSettings SettingsPage::readSettingsForm() const {
    ui::FormValues values;
    ui::collectFormValues(document().root(), values);
    auto read = [&](const char* name) {
        const ui::Value* v = values.find(name);
        return v != nullptr ? static_cast<int32_t>(intOf(*v)) : 0;
    };
    DeviceSettings s = session_.settings;
    s.Length = read("lhtype");
    s.Temperature = read("tptype");
    s.LogInterval = read("logint");
    s.TimeFormat = read("tftype");
    s.PowerOff = read("poweroff");
    s.Backlight = read("bklightoff");
    s.Tnttbar = read("inttbar");
    s.Refbar = refbarFromAltitudeOffset(fieldText("altoffset"), s.Length);
    s.TimeZone = joinTimeZone({read("tzhour"), read("tzmin")});
    return s;
}

std::string SettingsPage::fieldText(const char* name) const {
    ui::FormValues values;
    ui::collectFormValues(document().root(), values);
    const ui::Value* v = values.find(name);
    return v != nullptr ? v->toString() : std::string();
}

void SettingsPage::setFieldText(const char* name, const std::string& text) {
    ui::FormValues values;
    values.set(name, ui::Value(text));
    ui::applyFormValues(document().root(), values);
}

void SettingsPage::updateTimeZoneCell() {
    ui::FormValues values;
    ui::collectFormValues(document().root(), values);
    const ui::Value* hours = values.find("tzhour");
    const ui::Value* minutes = values.find("tzmin");
    if (ui::Element* cell = byId("timezone")) {
        cell->setText(FormatUtcOffset(hours != nullptr ? static_cast<int>(intOf(*hours)) : 0,
                                      minutes != nullptr ? static_cast<int>(intOf(*minutes)) : 0));
    }
}

void SettingsPage::setUnitLabel(const char* unit) {
    if (ui::Element* label = byId("altoffset")) {
        label->setText(unit);
    }
}

void SettingsPage::saveSettings() {
    if (commands_ == nullptr) {
        return;
    }
    session_.settings = readSettingsForm();
    const DeviceSettings settings = session_.settings;
    shown_ = settings;
    // The pages redraw in the new units (the session's tracksChanged, on the UI thread).
    commands_->run(
        [this, &settings](UserPrompt& prompt) { SaveDeviceSettings(prompt, session_, settings); });
}

void SettingsPage::chooseBackupFile() {
    if (commands_ == nullptr) {
        return;
    }
    if (const auto file = commands_->prompt().chooseSaveFile(archiveFilter())) {
        setFieldText("bkfile", *file);
    }
}

void SettingsPage::backupTracks() {
    if (commands_ == nullptr) {
        return;
    }
    const std::string file = fieldText("bkfile");
    commands_->run([this, &file](UserPrompt& prompt) { BackupTracks(prompt, session_, file); });
}

void SettingsPage::chooseFirmwareFile() {
    if (commands_ == nullptr) {
        return;
    }
    if (const auto file = commands_->prompt().chooseOpenFile(firmwareFilter())) {
        setFieldText("binfile", *file);
    }
}

void SettingsPage::updateFirmware() {
    if (commands_ == nullptr) {
        return;
    }
    const std::string file = fieldText("binfile");
    commands_->run([this, &file](UserPrompt& prompt) { UpdateFirmware(prompt, session_, file); });
}

}  // namespace vandrel::app
