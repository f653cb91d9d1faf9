#pragma once
// The Maps part of the Settings page: the maps the map pages offer, an offline map file
// (MBTiles) added through a file choice, and a tile service added by name, address template,
// attribution and largest zoom. What is added is kept in mapsources.xml and offered by the
// map pages from then on.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/user_prompt.h"
#include "map/map_service.h"

namespace vandrel::app {

struct TileServiceFields {
    std::string name;
    std::string tiles;
    std::string attribution;
    std::string maxZoom;
};

// The names of the maps, comma separated, the chosen one first.
std::string mapSourceNames(const map::MapService& service);
// Asks for an MBTiles file and adds it; a file that is no map is refused with the reason.
// True when a map was added.
bool addMapFile(UserPrompt& prompt, const map::MapService& service);
// Adds the MBTiles file and keeps it in mapsources.xml; a file that is no map is refused with
// the reason. The name of the map added, or empty.
std::string addMapFileAt(UserPrompt& prompt, const map::MapService& service,
                         const std::filesystem::path& file);
// Adds the tile service; a missing name or a template without {z}, {x} and {y} is refused
// with the reason. True when it was added.
bool addTileService(UserPrompt& prompt, const map::MapService& service,
                    const TileServiceFields& fields);

// The maps the user added, in their order: those Settings edits and removes.
std::vector<std::string> userMapSourceNames(const map::MapService& service);
// The fields of the user's tile service of that name; none for an offline map file or a map
// that is not the user's.
std::optional<TileServiceFields> tileServiceFields(const map::MapService& service,
                                                   const std::string& name);
// Gives the user's tile service `name` the fields, refused with the reason as adding refuses
// them. True when it was changed.
bool changeTileService(UserPrompt& prompt, const map::MapService& service, const std::string& name,
                       const TileServiceFields& fields);
// Removes a map the user added; the map pages that show it fall back to the standard map.
bool removeMapSource(UserPrompt& prompt, const map::MapService& service, const std::string& name);

}  // namespace vandrel::app
