#include "exchange/gpx_export.h"

#include <charconv>
#include <cmath>

#include "core/atomic_file.h"
#include "core/ole_date.h"
#include "core/track_times.h"
#include "exchange/track_name.h"
#include "exchange/xml_output.h"

namespace vandrel {

const char* const kGpxFilterDescription = "GPX Files (*.gpx)";
const char* const kVandrelGpxNamespace = "urn:vandrel:gpx:1";

namespace {

void printEmpty(tinyxml2::XMLPrinter& printer, const char* name) {
    printer.OpenElement(name);
    printer.CloseElement();
}

// The shortest text that reads back as the same float.
void printExact(tinyxml2::XMLPrinter& printer, const char* name, float value) {
    if (!std::isfinite(value)) {
        return;
    }
    char text[32];
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
    printer.OpenElement(name);
    printer.PushText(text);
    printer.CloseElement();
}

void printPoint(tinyxml2::XMLPrinter& printer, const TrackPoint& point, int tzome) {
    printer.OpenElement("trkpt");
    printer.PushAttribute("lat", fixedText(point.lat, 6).c_str());
    printer.PushAttribute("lon", fixedText(point.lng, 6).c_str());
    if (std::isfinite(point.alt)) {  // a fix without an altitude has no ele, not 0 m
        char ele[16];
        *std::to_chars(ele, ele + sizeof ele - 1, truncatedInt(point.alt)).ptr = '\0';
        printer.OpenElement("ele");
        printer.PushText(ele);
        printer.CloseElement();
    }
    const std::string time = gpxUtcTime(point.sdate, tzome);
    if (!time.empty()) {
        printer.OpenElement("time");
        printer.PushText(time.c_str());
        printer.CloseElement();
    }
    // ele is whole metres, as readers have always been given it; the stored values follow in
    // full, so that an import gives them back unchanged.
    printer.OpenElement("extensions");
    printExact(printer, "vandrel:alt", point.alt);
    printExact(printer, "vandrel:bar", point.bar);
    printExact(printer, "vandrel:tmp", point.tmp);
    printer.CloseElement();
    printer.CloseElement();
}

}  // namespace

std::string gpxUtcTime(double localOleDate, int tzomeMinutes) {
    SystemTime st;
    if (!VariantTimeToSystemTime(localOleDate + tzomeMinutes / 1440.0, st)) {
        return {};
    }
    // "%.4d-%.2d-%.2dT%.2d:%.2d:%.2dZ", written by hand: it is the most frequent text of the
    // file, and the fields are known to be in range.
    char text[] = "0000-00-00T00:00:00Z";
    const auto digits = [&text](int at, int value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            text[at + i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    digits(0, st.year, 4);
    digits(5, st.month, 2);
    digits(8, st.day, 2);
    digits(11, st.hour, 2);
    digits(14, st.minute, 2);
    digits(17, st.second, 2);
    return text;
}

void printGpx(tinyxml2::XMLPrinter& printer, const TrackHeader& track) {
    printer.PushDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" ");
    printer.OpenElement("gpx");
    printer.PushAttribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
    printer.PushAttribute("xmlns:xsd", "http://www.w3.org/2001/XMLSchema");
    printer.PushAttribute("version", "1.1");
    printer.PushAttribute("creator", "Morvane v1.0");
    printer.PushAttribute("xmlns", "http://www.topografix.com/GPX/1/1");
    printer.PushAttribute("xmlns:vandrel", kVandrelGpxNamespace);
    printEmpty(printer, "metadata");
    printer.OpenElement("trk");
    // Readers list the track by its name; an empty one shows as nothing or "Untitled".
    const std::string name = trackName(track);
    if (name.empty()) {
        printEmpty(printer, "name");
    } else {
        printer.OpenElement("name");
        printer.PushText(name.c_str());
        printer.CloseElement();
    }
    printEmpty(printer, "cmt");
    // The time zone the track's local times were stored in: an import stores them again in it.
    printer.OpenElement("extensions");
    printer.OpenElement("vandrel:tzome");
    printer.PushText(track.tzome);
    printer.CloseElement();
    printer.CloseElement();
    printer.OpenElement("trkseg");
    for (const TrackPoint& point : track.points) {
        if (hasFinitePosition(point)) {
            printPoint(printer, point, track.tzome);
        }
    }
    printer.CloseElement();  // trkseg
    printer.CloseElement();  // trk
    printer.CloseElement();  // gpx
}

std::string gpxText(const TrackHeader& track) {
    ExchangePrinter printer(nullptr, ExchangePrinter::Layout::Lines);
    printGpx(printer, track);
    return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
}

ExchangeResult exportGpx(const std::filesystem::path& path, const TrackHeader& track) {
    // Written without its time, such a point would be no track point to any reader.
    if (const size_t outside = firstPointOutsideTimes(track)) {
        return ExchangeResult::failure(cannotWrite(path, pointOutsideTimesReason(outside)));
    }
    AtomicFile file(path);
    std::string error;
    if (!file.create(true, error)) {
        return ExchangeResult::failure(error);
    }
    {
        ExchangePrinter printer(file.stream(), ExchangePrinter::Layout::Lines);
        printGpx(printer, track);
    }
    if (!file.commit(error)) {
        return ExchangeResult::failure(error);
    }
    return {};
}

}  // namespace vandrel
