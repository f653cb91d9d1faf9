#include "map/map_bridge.h"

#include <tinyxml2.h>

#include <charconv>

#include "core/units.h"
#include "ui/browser_host.h"

namespace vandrel::map {
namespace {

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

void MapBridge::call(const char* function, std::vector<std::string> args) const {
    if (map_ != nullptr) {
        map_->callFunction(function, args);
    }
}

void MapBridge::addWPMarker(int index, double lat, double lng, const std::string& iconPath) const {
    call("addWPMarker", {std::to_string(index), number(lat), number(lng), iconPath});
}

void MapBridge::clrWPMarker() const {
    call("clrWPMarker");
}

void MapBridge::findAddress(const std::string& address) const {
    call("findAddress", {address});
}

void MapBridge::setFindMarker(double lat, double lng, const std::string& imagePath) const {
    call("setFindMarker", {number(lat), number(lng), imagePath});
}

void MapBridge::setCenter(double lat, double lng, int zoom) const {
    call("setCenter", {number(lat), number(lng), std::to_string(zoom)});
}

void MapBridge::clrTKLine() const {
    call("clrTKLine");
}

void MapBridge::putTKLine(const std::vector<TrackPoint>& points,
                          std::function<void()> drawn) const {
    const bool called =
        map_ != nullptr && map_->isLoaded() &&
        map_->callFunction("putTKLine", {trackDocument(points)}, [drawn](bool, const std::string&) {
            if (drawn) {
                drawn();
            }
        });
    if (!called && drawn) {
        drawn();
    }
}

void MapBridge::addPhoto(int index, double lat, double lng, const std::string& photoPath) const {
    call("addPhoto", {std::to_string(index), number(lat), number(lng), photoPath});
}

void MapBridge::delPhoto(int index) const {
    call("delPhoto", {std::to_string(index)});
}

void MapBridge::clrPhoto() const {
    call("clrPhoto");
}

void MapBridge::setCar(double lat, double lng, const std::string& imagePath, int width,
                       int height) const {
    call("setCar",
         {number(lat), number(lng), imagePath, std::to_string(width), std::to_string(height)});
}

void MapBridge::clrCar() const {
    call("clrCar");
}

void MapBridge::showInfo(double lat, double lng, const std::string& html) const {
    call("showInfo", {number(lat), number(lng), html});
}

void MapBridge::closeInfo() const {
    call("closeInfo");
}

void MapBridge::showAnimationPoint(double lat, double lng) const {
    call("showAnimationPoint", {number(lat), number(lng)});
}

void MapBridge::useTiles(const std::string& tiles, const std::string& attribution) const {
    call("useTiles", {tiles, attribution});
}

void MapBridge::tilesOnline() const {
    call("tilesOnline");
}

void MapBridge::useMapSources(const std::string& document) const {
    call("useMapSources", {document});
}

void MapBridge::showMapSource(const std::string& name) const {
    call("showMapSource", {name});
}

void MapBridge::useGeocoder(const std::string& address) const {
    call("useGeocoder", {address});
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

}  // namespace vandrel::map
