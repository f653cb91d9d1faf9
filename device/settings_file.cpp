#include "device/settings_file.h"

#include "core/file_reading.h"
#include "core/number_text.h"
#include "device/settings_block.h"

#include <tinyxml2.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
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

// The new text goes to a file beside the old one and replaces it in one rename, so a full
// disk or a crash leaves the previous settings rather than half a file.
bool saveSettingsFile(const std::filesystem::path& path, const DeviceSettings& settings) {
    const std::string text = settingsXmlText(settings);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    ok = std::fflush(out) == 0 && ok;
    ok = ::fsync(fileno(out)) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temporary, path, ec);
        ok = !ec;
    }
    if (!ok) {
        std::filesystem::remove(temporary, ec);
    }
    return ok;
}

}  // namespace vandrel
