#include "device/settings_file.h"

#include "core/atomic_file.h"
#include "core/file_reading.h"
#include "core/number_text.h"
#include "device/settings_block.h"

#include <sys/stat.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <system_error>

namespace vandrel {
namespace {

// Prints the file as it has always looked: an empty element closes with " />".
class SettingsPrinter : public tinyxml2::XMLPrinter {
  protected:
    void Write(const char* data, size_t size) override {
        if (size == 2 && data[0] == '/' && data[1] == '>') {
            tinyxml2::XMLPrinter::Write(" />", 3);
        } else {
            tinyxml2::XMLPrinter::Write(data, size);
        }
    }
};

// Numbers are read and written without the locale: the GUI toolkit sets LC_NUMERIC from the
// user's locale, and a decimal comma would make the file unreadable elsewhere.
void readInt(const tinyxml2::XMLElement& params, const char* name, int32_t& field) {
    const char* value = params.Attribute(name);
    if (value == nullptr) {
        return;
    }
    if (const auto parsed = parseNumber<int32_t>(value)) {
        field = *parsed;
    }
}

// Only finite values a float can hold are taken; anything else would travel on into the
// logger's settings block.
void readFloat(const tinyxml2::XMLElement& params, const char* name, float& field) {
    const char* value = params.Attribute(name);
    if (value == nullptr) {
        return;
    }
    const auto parsed = parseNumber<double>(value);
    if (parsed && std::isfinite(*parsed) &&
        std::fabs(*parsed) <= std::numeric_limits<float>::max()) {
        field = static_cast<float>(*parsed);
    }
}

// tinyxml2 compares each attribute of an element with every one before it, so that a file of
// a megabyte with a hundred thousand of them takes half a minute. Every attribute has its '='
// and the file written has ten; a file with far more is refused before it is parsed.
constexpr size_t kMostAttributes = 64;

bool tooManyAttributes(std::string_view text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '=')) > kMostAttributes;
}

std::string twoDecimals(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, 2);
    if (result.ec != std::errc()) {
        return "0.00";
    }
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string settingsXmlText(const DeviceSettings& settings) {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration("xml version=\"1.0\" "));
    tinyxml2::XMLElement* root = doc.NewElement("root");
    doc.InsertEndChild(root);
    tinyxml2::XMLElement* params = doc.NewElement("params");
    root->InsertEndChild(params);
    params->SetAttribute("Length", settings.Length);
    params->SetAttribute("Temperature", settings.Temperature);
    params->SetAttribute("LogInterval", settings.LogInterval);
    params->SetAttribute("TimeZone", settings.TimeZone);
    params->SetAttribute("TimeFormat", settings.TimeFormat);
    params->SetAttribute("PowerOff", settings.PowerOff);
    params->SetAttribute("Backlight", settings.Backlight);
    params->SetAttribute("Tnttbar", settings.Tnttbar);
    params->SetAttribute("Refbar", twoDecimals(settings.Refbar).c_str());
    SettingsPrinter printer;
    doc.Print(&printer);
    return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
}

bool loadSettingsText(std::string_view text, DeviceSettings& settings,
                      std::vector<std::string>* warnings) {
    if (tooManyAttributes(text)) {
        return false;
    }
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return false;
    }
    // The root element's name is not checked: only its params child matters.
    const tinyxml2::XMLElement* root = doc.RootElement();
    const tinyxml2::XMLElement* params = root ? root->FirstChildElement("params") : nullptr;
    if (params == nullptr) {
        return false;
    }
    readInt(*params, "Length", settings.Length);
    readInt(*params, "Temperature", settings.Temperature);
    readInt(*params, "LogInterval", settings.LogInterval);
    readInt(*params, "TimeZone", settings.TimeZone);
    readInt(*params, "TimeFormat", settings.TimeFormat);
    readInt(*params, "PowerOff", settings.PowerOff);
    readInt(*params, "Backlight", settings.Backlight);
    readInt(*params, "Tnttbar", settings.Tnttbar);
    readFloat(*params, "Refbar", settings.Refbar);
    // A file edited by hand or written elsewhere may hold values the logger has no setting
    // for; they are never taken, so they can never be written into the logger.
    const DeviceSettings defaults;
    for (const settings_block::IntegerField& f : settings_block::kIntegerFields) {
        const int32_t value = settings.*f.field;
        if (value < f.least || value > f.most) {
            settings.*f.field = defaults.*f.field;
            if (warnings != nullptr) {
                warnings->push_back(
                    "settings.xml: " + std::string(f.key) + " " + std::to_string(value) +
                    " is not from " + std::to_string(f.least) + " to " + std::to_string(f.most) +
                    "; the default " + std::to_string(defaults.*f.field) + " is used");
            }
        }
    }
    return true;
}

bool loadSettingsFile(const std::filesystem::path& path, DeviceSettings& settings,
                      std::vector<std::string>* warnings) {
    std::string problem;
    return loadSettingsFile(path, settings, problem, warnings);
}

bool loadSettingsFile(const std::filesystem::path& path, DeviceSettings& settings,
                      std::string& problem, std::vector<std::string>* warnings) {
    const FileRead read = readRegularFile(path, kSettingsFileMostBytes);
    if (!read.ok) {
        // No file yet is the first start, not a problem.
        if (!read.missing) {
            problem = read.error;
        }
        return false;
    }
    if (read.longer) {
        problem = cannotRead(path, "it is larger than " + std::to_string(kSettingsFileMostBytes) +
                                       " bytes; a settings file is a few hundred");
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(read.bytes.data()),
                                read.bytes.size());
    if (tooManyAttributes(text)) {
        problem = cannotRead(path, "it holds more than " + std::to_string(kMostAttributes) +
                                       " attributes; a settings file has nine");
        return false;
    }
    return loadSettingsText(text, settings, warnings);
}

namespace {

// A name beside `path` for keeping an unreadable settings file, stamped with the local time:
// "settings.xml.unreadable-YYYYMMDD-HHMMSS", with "-2", "-3"... when that is taken.
std::filesystem::path asideName(const std::filesystem::path& path) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (::localtime_r(&now, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    }
    std::filesystem::path base = path;
    base += std::string(".unreadable-") + stamp;
    std::filesystem::path aside = base;
    struct stat st {};
    for (int n = 2; ::lstat(aside.c_str(), &st) == 0; ++n) {
        aside = base;
        aside += '-';
        aside += std::to_string(n);
    }
    return aside;
}

// Whether something is at `path` that holds no settings this program can read: a folder, a
// FIFO, a file over the size limit, one it may not read, or not a settings file at all.
bool unreadableSettingsAt(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return false;
    }
    DeviceSettings scratch;
    std::string problem;
    return !loadSettingsFile(path, scratch, problem);
}

}  // namespace

// The new text goes to a file without a name (AtomicFile) that replaces the old one in one
// rename, so a full disk, a crash or a kill leaves the previous settings and no stray file.
// An old file the program cannot read may still hold the user's settings (a hand edit, a file
// copied from elsewhere): it is renamed aside rather than replaced.
bool saveSettingsFile(const std::filesystem::path& path, const DeviceSettings& settings,
                      std::string* keptAside) {
    const std::string text = settingsXmlText(settings);
    AtomicFile file(path);
    std::string error;
    if (!file.create(true, error)) {
        return false;
    }
    // Written out before anything is moved: a write that fails leaves the old file in place.
    if (std::fwrite(text.data(), 1, text.size(), file.stream()) != text.size() ||
        std::fflush(file.stream()) != 0) {
        return false;
    }
    std::filesystem::path aside;
    if (unreadableSettingsAt(path)) {
        aside = asideName(path);
        if (std::rename(path.c_str(), aside.c_str()) != 0) {
            return false;
        }
    }
    if (!file.commit(error)) {
        if (!aside.empty()) {
            std::rename(aside.c_str(), path.c_str());
        }
        return false;
    }
    if (!aside.empty() && keptAside != nullptr) {
        *keptAside = path.string() + " could not be read; it was kept as " + aside.string() +
                     " and a new one was written";
    }
    return true;
}

}  // namespace vandrel
