#include "exchange/kml_document.h"

#include <algorithm>
#include <cstdio>

#include "core/units.h"
#include "exchange/track_name.h"
#include "exchange/xml_output.h"

namespace vandrel {
namespace {

// A text put into the balloon's HTML stays text: markup characters become references, and so
// do the quotes when it stands in an attribute. (The balloon is a CDATA section, which no
// "]]>" can end early once '>' is a reference.)
std::string htmlEscaped(const std::string& text, bool inAttribute) {
    std::string out;
    for (char c : text) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (inAttribute && c == '"') {
            out += "&quot;";
        } else if (inAttribute && c == '\'') {
            out += "&#39;";
        } else {
            out += c;
        }
    }
    return out;
}

void textElement(tinyxml2::XMLPrinter& printer, const char* name, const std::string& text) {
    printer.OpenElement(name);
    printer.PushText(text.c_str());
    printer.CloseElement();
}

void iconStyle(tinyxml2::XMLPrinter& printer, const std::string& id, const std::string& link) {
    printer.OpenElement("Style");
    printer.PushAttribute("id", id.c_str());
    printer.OpenElement("IconStyle");
    // A KML number takes a decimal point whatever the locale says.
    textElement(printer, "scale", fixedText(0.8, 1));
    printer.OpenElement("Icon");
    textElement(printer, "href", link);
    printer.CloseElement();  // Icon
    printer.CloseElement();  // IconStyle
    printer.CloseElement();  // Style
}

void lineStyle(tinyxml2::XMLPrinter& printer, const char* id, const char* colour, int width) {
    printer.OpenElement("Style");
    printer.PushAttribute("id", id);
    printer.OpenElement("LineStyle");
    textElement(printer, "color", colour);
    textElement(printer, "width", std::to_string(width));
    printer.CloseElement();  // LineStyle
    printer.CloseElement();  // Style
}

struct PointMark {
    std::string name;
    std::string description;
    std::string styleId;
    double lat = 0;
    double lng = 0;
};

void pointPlacemark(tinyxml2::XMLPrinter& printer, const PointMark& mark) {
    printer.OpenElement("Placemark");
    textElement(printer, "name", mark.name);
    printer.OpenElement("description");
    if (!mark.description.empty()) {
        printer.PushText(mark.description.c_str(), true);
    }
    printer.CloseElement();
    printer.OpenElement("LookAt");
    textElement(printer, "longitude", fixedText(mark.lng, 5));
    textElement(printer, "latitude", fixedText(mark.lat, 5));
    textElement(printer, "altitude", "0");
    textElement(printer, "heading", "0");
    textElement(printer, "tilt", "0");
    textElement(printer, "range", "2000");
    textElement(printer, "altitudeMode", "relativeToGround");
    printer.CloseElement();  // LookAt
    textElement(printer, "styleUrl", "#" + mark.styleId);
    printer.OpenElement("Point");
    textElement(printer, "coordinates", fixedText(mark.lng, 5) + "," + fixedText(mark.lat, 5));
    printer.CloseElement();  // Point
    printer.CloseElement();  // Placemark
}

void linePlacemark(tinyxml2::XMLPrinter& printer, const TrackHeader& track) {
    printer.OpenElement("Placemark");
    textElement(printer, "name", "track");
    textElement(printer, "styleUrl", "#vandrel_style");
    printer.OpenElement("LineString");
    textElement(printer, "tessellate", "1");
    std::string coordinates;
    coordinates.reserve(track.points.size() * 22);
    for (const TrackPoint& point : track.points) {
        if (!hasFinitePosition(point)) {
            continue;
        }
        coordinates += fixedText(point.lng, 5);
        coordinates += ',';
        coordinates += fixedText(point.lat, 5);
        coordinates += ' ';
    }
    textElement(printer, "coordinates", coordinates);
    printer.CloseElement();  // LineString
    printer.CloseElement();  // Placemark
}

// The longest name a file of Linux's file systems can have, in bytes.
constexpr size_t kLongestFileName = 255;

// The text cut to at most `bytes`, between two characters.
std::string cutUtf8(std::string text, size_t bytes) {
    if (text.size() > bytes) {
        while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
            --bytes;
        }
        text.resize(bytes);
    }
    return text;
}

}  // namespace

std::string photoBalloon(const std::string& link, double lat, double lng) {
    const std::string coordinates =
        "Lat: " + FormatCoordinate(lat) + "    " + "Lng: " + FormatCoordinate(lng);
    return "<table style=\"font-size:12px;\"><tr><td><img src=\"" + htmlEscaped(link, true) +
           "\" style=\"width:640px; height:480px;\"></img></td></tr><tr><td>" +
           htmlEscaped(coordinates, false) + "</td></tr></table>";
}

KmlDocument buildKml(const TrackHeader& track, const std::filesystem::path& startIcon,
                     const std::filesystem::path& endIcon) {
    KmlDocument kml;
    std::vector<std::pair<std::string, std::string>> styles;  // id, link
    std::vector<PointMark> marks;
    const auto addMark = [&](const std::filesystem::path& file, const std::string& link,
                             PointMark mark, bool storedPhoto = false) {
        mark.styleId = "entry_" + std::to_string(styles.size());
        kml.files.push_back({file, link, storedPhoto});
        styles.emplace_back(mark.styleId, link);
        marks.push_back(std::move(mark));
    };

    // The caller sees to it that at least one point has a position (see exportKmz).
    const auto placed = std::find_if(track.points.begin(), track.points.end(), hasFinitePosition);
    const auto lastPlaced =
        std::find_if(track.points.rbegin(), track.points.rend(), hasFinitePosition);
    const TrackPoint& first = placed != track.points.end() ? *placed : track.points.front();
    const TrackPoint& last = lastPlaced != track.points.rend() ? *lastPlaced : track.points.back();
    addMark(startIcon, "files/s.png", {"start", "", "", first.lat, first.lng});
    for (const TrackPoint& point : track.points) {
        const std::string name = photoFileName(point.pho);
        if (name.empty() || !hasFinitePosition(point)) {
            continue;
        }
        // A name the document cannot hold as it is would make it unreadable, and one longer
        // than any file's name (a damaged row) would not fit the zip's entry: the photo counts
        // as missing then, an empty entry under the name with its characters replaced, cut.
        const bool keptAsIs = isXmlText(name) && name.size() <= kLongestFileName;
        const std::string link =
            "files/" + (keptAsIs ? name : cutUtf8(xmlText(name), kLongestFileName));
        addMark(keptAsIs ? std::filesystem::path(point.pho) : std::filesystem::path(), link,
                {"photo", photoBalloon(link, point.lat, point.lng), "", point.lat, point.lng},
                true);
    }
    addMark(endIcon, "files/e.png", {"end", "", "", last.lat, last.lng});

    ExchangePrinter compact(nullptr, ExchangePrinter::Layout::Compact);
    compact.PushDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" ");
    compact.OpenElement("kml");
    compact.PushAttribute("xmlns", "http://www.opengis.net/kml/2.2");
    compact.OpenElement("Document");
    // The name comes first among a Document's children in the KML schema.
    const std::string name = trackName(track);
    if (!name.empty()) {
        textElement(compact, "name", name);
    }
    for (const auto& [id, link] : styles) {
        iconStyle(compact, id, link);
    }
    lineStyle(compact, "vandrel_style", "7fff0000", 4);
    for (const PointMark& mark : marks) {
        pointPlacemark(compact, mark);
    }
    linePlacemark(compact, track);
    compact.CloseElement();  // Document
    compact.CloseElement();  // kml
    kml.text.assign(compact.CStr(), static_cast<size_t>(compact.CStrSize() - 1));
    return kml;
}

}  // namespace vandrel
