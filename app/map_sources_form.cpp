#include "app/map_sources_form.h"

#include <charconv>

#include "map/map_sources.h"

namespace vandrel::app {

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
    int maxZoom = 19;
    std::from_chars(fields.maxZoom.data(), fields.maxZoom.data() + fields.maxZoom.size(), maxZoom);
    std::string error;
    if (!service.sources->addService(fields.name, fields.tiles, fields.attribution, maxZoom,
                                     error) ||
        !service.sources->keep(error)) {
        prompt.error(error);
        return false;
    }
    return true;
}

}  // namespace vandrel::app
