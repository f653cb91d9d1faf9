#include "map/map_bridge.h"

#include <tinyxml2.h>

#include <charconv>

#include "core/units.h"
#include "ui/browser_host.h"

namespace vandrel::map {
namespace {

void callScript(ui::BrowserHost* map, const char* function, std::vector<std::string> args = {}) {
    if (map != nullptr) {
        map->callFunction(function, args);
    }
}

std::string number(double value) {
    return FormatScriptNumber(value, 5);
}

// "%.5f" of the 32-bit value widened, without the locale (a long track has 100,000 of them).
std::string fiveDecimals(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                      std::chars_format::fixed, 5);
    return std::string(text, result.ptr);
}

}  // namespace

void MapBridge::addWPMarker(ui::BrowserHost* map, int index, double lat, double lng,
                            const std::string& iconPath) {
    callScript(map, "addWPMarker", {std::to_string(index), number(lat), number(lng), iconPath});
}

void MapBridge::clrWPMarker(ui::BrowserHost* map) {
    callScript(map, "clrWPMarker");
}

void MapBridge::findAddress(ui::BrowserHost* map, const std::string& address) {
    callScript(map, "findAddress", {address});
}

void MapBridge::setFindMarker(ui::BrowserHost* map, double lat, double lng,
                              const std::string& imagePath) {
    callScript(map, "setFindMarker", {number(lat), number(lng), imagePath});
}

void MapBridge::setCenter(ui::BrowserHost* map, double lat, double lng, int zoom) {
    callScript(map, "setCenter", {number(lat), number(lng), std::to_string(zoom)});
}

void MapBridge::clrTKLine(ui::BrowserHost* map) {
    callScript(map, "clrTKLine");
}

void MapBridge::putTKLine(ui::BrowserHost* map, const std::vector<TrackPoint>& points,
                          std::function<void()> drawn) {
    const bool called =
        map != nullptr && map->isLoaded() &&
        map->callFunction("putTKLine", {trackDocument(points)}, [drawn](bool, const std::string&) {
            if (drawn) {
                drawn();
            }
        });
    if (!called && drawn) {
        drawn();
    }
}

void MapBridge::addPhoto(ui::BrowserHost* map, int index, double lat, double lng,
                         const std::string& photoPath) {
    callScript(map, "addPhoto", {std::to_string(index), number(lat), number(lng), photoPath});
}

void MapBridge::delPhoto(ui::BrowserHost* map, int index) {
    callScript(map, "delPhoto", {std::to_string(index)});
}

void MapBridge::clrPhoto(ui::BrowserHost* map) {
    callScript(map, "clrPhoto");
}

void MapBridge::setCar(ui::BrowserHost* map, double lat, double lng, const std::string& imagePath,
                       int width, int height) {
    callScript(
        map, "setCar",
        {number(lat), number(lng), imagePath, std::to_string(width), std::to_string(height)});
}

void MapBridge::clrCar(ui::BrowserHost* map) {
    callScript(map, "clrCar");
}

void MapBridge::showInfo(ui::BrowserHost* map, double lat, double lng, const std::string& html) {
    callScript(map, "showInfo", {number(lat), number(lng), html});
}

void MapBridge::closeInfo(ui::BrowserHost* map) {
    callScript(map, "closeInfo");
}

void MapBridge::showAnimationPoint(ui::BrowserHost* map, double lat, double lng) {
    callScript(map, "showAnimationPoint", {number(lat), number(lng)});
}

void MapBridge::useTiles(ui::BrowserHost* map, const std::string& tiles,
                         const std::string& attribution) {
    callScript(map, "useTiles", {tiles, attribution});
}

void MapBridge::tilesOnline(ui::BrowserHost* map) {
    callScript(map, "tilesOnline");
}

void MapBridge::useGeocoder(ui::BrowserHost* map, const std::string& address) {
    callScript(map, "useGeocoder", {address});
}

std::string trackDocument(const std::vector<TrackPoint>& points) {
    tinyxml2::XMLPrinter printer(nullptr, true);
    printer.PushDeclaration("xml version=\"1.0\"");
    printer.OpenElement("track", true);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TrackPoint& p = points[i];
        printer.OpenElement("point", true);
        printer.PushAttribute("id", static_cast<int64_t>(i));
        printer.PushAttribute("lat", fiveDecimals(p.lat).c_str());
        printer.PushAttribute("lng", fiveDecimals(p.lng).c_str());
        if (!p.pho.empty()) {
            printer.PushAttribute("pho", p.pho.c_str());
        }
        printer.CloseElement(true);
    }
    printer.CloseElement(true);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace vandrel::map
