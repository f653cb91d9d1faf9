#include "app/map_sources_form.h"

#include <charconv>

#include "map/map_sources.h"

namespace vandrel::app {
namespace {

// The largest zoom as typed; anything that is no number keeps the services' usual 19.
int zoomOf(const TileServiceFields& fields) {
    int maxZoom = 19;
    std::from_chars(fields.maxZoom.data(), fields.maxZoom.data() + fields.maxZoom.size(), maxZoom);
    return maxZoom;
}

}  // namespace

std::string mapSourceNames(const map::MapService& service) {
    if (!service.sources) {
        return {};
    }
    std::string names = service.sources->chosen().name;
    for (const map::MapSource& source : service.sources->all()) {
        if (&source != &service.sources->chosen()) {
            names += ", " + source.name;
        }
    }
    return names;
}

bool addMapFile(UserPrompt& prompt, const map::MapService& service) {
    if (!service.sources) {
        return false;
    }
    const auto file = prompt.chooseOpenFile({"Offline Maps (*.mbtiles)", "*.mbtiles", "mbtiles"});
    return file && !addMapFileAt(prompt, service, *file).empty();
}

std::string addMapFileAt(UserPrompt& prompt, const map::MapService& service,
                         const std::filesystem::path& file) {
    if (!service.sources) {
        return {};
    }
    std::string error;
    std::string name = service.sources->addFile(file, true, error);
    if (name.empty()) {
        prompt.error(error);
    }
    return name;
}

bool addTileService(UserPrompt& prompt, const map::MapService& service,
                    const TileServiceFields& fields) {
    if (!service.sources) {
        return false;
    }
    std::string error;
    if (!service.sources->addService(fields.name, fields.tiles, fields.attribution, zoomOf(fields),
                                     error) ||
        !service.sources->keep(error)) {
        prompt.error(error);
        return false;
    }
    return true;
}

std::vector<std::string> userMapSourceNames(const map::MapService& service) {
    std::vector<std::string> names;
    if (service.sources) {
        for (const map::MapSource& source : service.sources->all()) {
            if (source.user) {
                names.push_back(source.name);
            }
        }
    }
    return names;
}

std::optional<TileServiceFields> tileServiceFields(const map::MapService& service,
                                                   const std::string& name) {
    const map::MapSource* source = service.sources ? service.sources->find(name) : nullptr;
    if (source == nullptr || !source->user || source->file) {
        return std::nullopt;
    }
    return TileServiceFields{source->name, source->tiles, source->attribution,
                             std::to_string(source->maxZoom)};
}

bool changeTileService(UserPrompt& prompt, const map::MapService& service, const std::string& name,
                       const TileServiceFields& fields) {
    std::string error;
    if (!service.sources ||
        !service.sources->editService(name, fields.name, fields.tiles, fields.attribution,
                                      zoomOf(fields), error)) {
        prompt.error(service.sources ? error : "There are no maps to change.");
        return false;
    }
    return true;
}

bool removeMapSource(UserPrompt& prompt, const map::MapService& service, const std::string& name) {
    std::string error;
    if (!service.sources || !service.sources->remove(name, error)) {
        prompt.error(service.sources ? error : "There are no maps to remove.");
        return false;
    }
    return true;
}

}  // namespace vandrel::app
