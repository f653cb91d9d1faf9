#include "map/map_sources.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

#include "core/atomic_file.h"
#include "core/file_reading.h"
#include "map/map_service.h"

namespace vandrel::map {
namespace {

// Far more sources than anyone keeps; a larger file is no list of the user's.
constexpr std::size_t kLargestStore = 4 << 20;

bool isTemplate(const std::string& tiles) {
    return tiles.find("{z}") != std::string::npos && tiles.find("{x}") != std::string::npos &&
           tiles.find("{y}") != std::string::npos;
}

// Each number in its shortest exact form, without the locale.
std::string boundsText(const TileBounds& b) {
    std::string text;
    for (double value : {b.west, b.south, b.east, b.north}) {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        if (!text.empty()) {
            text += ',';
        }
        text.append(digits, end);
    }
    return text;
}

}  // namespace

MapSources::MapSources(const MapService& service, std::filesystem::path store)
    : store_(std::move(store)) {
    MapSource standard;
    standard.name = kStandardSource;
    standard.tiles = service.tiles;
    standard.attribution = service.attribution;
    // OpenTopoMap draws up to zoom 17; its policy asks for its name and the data's beside them.
    MapSource topo;
    topo.name = kTopoSource;
    topo.tiles = service.topoTiles;
    topo.attribution = kTopoAttribution;
    topo.maxZoom = 17;
    sources_ = {standard, topo};
    load();
}

const MapSource& MapSources::chosen() const {
    return sources_[chosen_];
}

const MapSource* MapSources::find(const std::string& name) const {
    for (const MapSource& source : sources_) {
        if (source.name == name) {
            return &source;
        }
    }
    return nullptr;
}

void MapSources::load() {
    // Read as any file the program keeps: a FIFO or a device in its place must not hold up the
    // start, which goes on with the built-in sources.
    const FileRead read = readRegularFile(store_, kLargestStore);
    if (!read.ok || read.longer) {
        if (!read.missing) {
            problems_.push_back(
                (read.ok ? cannotRead(store_, "it is larger than any list of maps") : read.error) +
                "; the standard map is shown.");
        }
        return;
    }
    tinyxml2::XMLDocument doc;
    if (doc.Parse(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()) !=
        tinyxml2::XML_SUCCESS) {
        return;
    }
    const tinyxml2::XMLElement* root = doc.FirstChildElement("mapsources");
    if (root == nullptr) {
        return;
    }
    std::string error;
    for (const tinyxml2::XMLElement* e = root->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        if (std::string_view(e->Name()) == "service" && name != nullptr) {
            const char* attribution = e->Attribute("attribution");
            if (!addService(name, e->Attribute("tiles") != nullptr ? e->Attribute("tiles") : "",
                            attribution != nullptr ? attribution : "",
                            e->IntAttribute("maxzoom", 19), error)) {
                problems_.push_back(error);
            }
        } else if (std::string_view(e->Name()) == "file" && e->Attribute("path") != nullptr) {
            const std::size_t before = sources_.size();
            if (addFileSource(e->Attribute("path"), true, error).empty()) {
                problems_.push_back(error);
            } else if (name != nullptr && find(name) == nullptr) {
                sources_[before].name = name;
            }
        }
    }
    if (const char* chosen = root->Attribute("chosen")) {
        keptChoice_ = chosen;
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            if (sources_[i].name == keptChoice_) {
                chosen_ = i;
            }
        }
        if (chosen_ == 0 && !keptChoice_.empty() && keptChoice_ != kStandardSource) {
            problems_.push_back("The map " + keptChoice_ +
                                " chosen last cannot be shown; the standard map is shown.");
        }
    }
}

bool MapSources::save(std::string& error) const {
    tinyxml2::XMLPrinter printer;
    printer.PushDeclaration("xml version=\"1.0\" encoding=\"UTF-8\"");
    printer.OpenElement("mapsources");
    printer.PushAttribute("chosen", keptChoice_.c_str());
    for (const MapSource& source : sources_) {
        if (!source.kept) {
            continue;
        }
        printer.OpenElement(source.file ? "file" : "service");
        printer.PushAttribute("name", source.name.c_str());
        if (source.file) {
            printer.PushAttribute("path", source.file->path().c_str());
        } else {
            printer.PushAttribute("tiles", source.tiles.c_str());
            printer.PushAttribute("attribution", source.attribution.c_str());
            printer.PushAttribute("maxzoom", source.maxZoom);
        }
        printer.CloseElement();
    }
    printer.CloseElement();
    const std::string text(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
    AtomicFile file(store_);
    if (!file.create(true, error)) {
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), file.stream()) != text.size()) {
        error = cannotWrite(store_, "the disk is full");
        return false;
    }
    return file.commit(error);
}

bool MapSources::choose(const std::string& name, bool keep, std::string& error) {
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i].name != name) {
            continue;
        }
        chosen_ = i;
        // A source of this run only is never the kept choice: the next start would not have it.
        if (!keep || !(sources_[i].kept || !sources_[i].user)) {
            return true;
        }
        keptChoice_ = name;
        return save(error);
    }
    error = "There is no map named " + name + ".";
    return false;
}

std::string MapSources::uniqueName(std::string name) const {
    const std::string base = name;
    for (int n = 2; find(name) != nullptr; ++n) {
        name = base + " (" + std::to_string(n) + ")";
    }
    return name;
}

std::string MapSources::serviceProblem(const std::string& name, const std::string& tiles,
                                       const MapSource* self) const {
    const MapSource* named = find(name);
    if (name.empty() || (named != nullptr && named != self)) {
        return name.empty() ? "A map needs a name." : "There is a map named " + name + " already.";
    }
    if (!isTemplate(tiles)) {
        return "The address of the map " + name + " needs {z}, {x} and {y}: " + tiles;
    }
    return {};
}

bool MapSources::addService(const std::string& name, const std::string& tiles,
                            const std::string& attribution, int maxZoom, std::string& error) {
    if (std::string problem = serviceProblem(name, tiles, nullptr); !problem.empty()) {
        error = std::move(problem);
        return false;
    }
    MapSource source;
    source.name = name;
    source.tiles = tiles;
    source.attribution = attribution;
    source.maxZoom = std::clamp(maxZoom, 0, 22);
    source.user = true;
    source.kept = true;
    sources_.push_back(std::move(source));
    return true;
}

bool MapSources::remove(const std::string& name, std::string& error) {
    const auto at = std::find_if(sources_.begin(), sources_.end(),
                                 [&](const MapSource& source) { return source.name == name; });
    if (at == sources_.end() || !at->user) {
        error = at == sources_.end() ? "There is no map named " + name + "."
                                     : "The map " + name + " comes with the program.";
        return false;
    }
    const std::string chosenName = chosen().name;
    sources_.erase(at);
    chosen_ = 0;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i].name == chosenName) {
            chosen_ = i;
        }
    }
    if (keptChoice_ == name) {
        keptChoice_ = kStandardSource;
    }
    return save(error);
}

bool MapSources::editService(const std::string& name, const std::string& newName,
                             const std::string& tiles, const std::string& attribution, int maxZoom,
                             std::string& error) {
    auto at = std::find_if(sources_.begin(), sources_.end(),
                           [&](const MapSource& source) { return source.name == name; });
    if (at == sources_.end() || !at->user || at->file) {
        error = "There is no tile service of yours named " + name + ".";
        return false;
    }
    if (std::string problem = serviceProblem(newName, tiles, &*at); !problem.empty()) {
        error = std::move(problem);
        return false;
    }
    at->name = newName;
    at->tiles = tiles;
    at->attribution = attribution;
    at->maxZoom = std::clamp(maxZoom, 0, 22);
    if (keptChoice_ == name) {
        keptChoice_ = newName;
    }
    return save(error);
}

std::string MapSources::addFile(const std::filesystem::path& path, bool keep, std::string& error) {
    const std::size_t before = sources_.size();
    std::string name = addFileSource(path, keep, error);
    if (sources_.size() > before && keep && !save(error)) {
        sources_.pop_back();
        return {};
    }
    return name;
}

std::string MapSources::addFileSource(const std::filesystem::path& path, bool keep,
                                      std::string& error) {
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    for (const MapSource& source : sources_) {
        if (source.file && source.file->path() == absolute) {
            return source.name;
        }
    }
    std::shared_ptr<MbtilesFile> file = MbtilesFile::open(absolute, error);
    if (!file) {
        return {};
    }
    const MbtilesInfo& info = file->info();
    MapSource source;
    source.name = uniqueName(info.name.empty() ? absolute.stem().string() : info.name);
    source.fileKey = nextFileKey_++;
    source.tiles = std::string("../") + kTileRequestFolder + "/" + std::to_string(source.fileKey) +
                   "/{z}/{x}/{y}";
    source.attribution = info.attribution;
    source.minZoom = info.minZoom;
    source.maxZoom = info.maxZoom;
    source.bounds = info.bounds;
    source.file = std::move(file);
    source.user = true;
    source.kept = keep;
    sources_.push_back(std::move(source));
    return sources_.back().name;
}

bool MapSources::tile(const std::string& request, std::string& bytes, std::string& mime) const {
    int numbers[4] = {-1, -1, -1, -1};
    const char* at = request.data();
    const char* end = request.data() + request.size();
    for (int i = 0; i < 4; ++i) {
        auto [next, ec] = std::from_chars(at, end, numbers[i]);
        if (ec != std::errc() || (i < 3 ? next == end || *next != '/' : next != end)) {
            return false;
        }
        at = next + 1;
    }
    const auto source = std::find_if(sources_.begin(), sources_.end(), [&](const MapSource& s) {
        return s.file && s.fileKey == numbers[0];
    });
    if (numbers[0] < 0 || source == sources_.end()) {
        return false;
    }
    const bool refused = !source->file->refusal().empty();
    std::optional<std::string> image = source->file->tile(numbers[1], numbers[2], numbers[3]);
    if (!refused && !source->file->refusal().empty()) {
        std::cerr << "vandrel: " << source->file->refusal()
                  << "; its tiles are no longer shown. Choose another map." << std::endl;
    }
    if (!image) {
        return false;
    }
    mime = std::string(tileImageType(*image));
    bytes = std::move(*image);
    return true;
}

std::string MapSources::document(bool imperial) const {
    tinyxml2::XMLPrinter printer(nullptr, true);
    printer.OpenElement("sources", true);
    printer.PushAttribute("chosen", chosen().name.c_str());
    printer.PushAttribute("units", imperial ? "imperial" : "metric");
    for (const MapSource& source : sources_) {
        printer.OpenElement("source", true);
        printer.PushAttribute("name", source.name.c_str());
        printer.PushAttribute("tiles", source.tiles.c_str());
        printer.PushAttribute("attribution", source.attribution.c_str());
        printer.PushAttribute("minzoom", source.minZoom);
        printer.PushAttribute("maxzoom", source.maxZoom);
        if (source.bounds) {
            printer.PushAttribute("bounds", boundsText(*source.bounds).c_str());
        }
        if (source.file) {
            printer.PushAttribute("offline", "1");
        }
        printer.CloseElement(true);
    }
    printer.CloseElement(true);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
}

}  // namespace vandrel::map
