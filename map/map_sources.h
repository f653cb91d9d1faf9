#pragma once
// The tile sources the map pages offer, and the one chosen: OpenStreetMap's standard map, a
// topographic map, the tile services the user added and the offline map files (MBTiles) the
// user opened. The user's sources and the choice are kept in the program folder's
// mapsources.xml, apart from settings.xml, whose layout is the logger's:
//
//   <mapsources chosen="NAME">
//     <service name="NAME" tiles="https://host/{z}/{x}/{y}.png" attribution="TEXT" maxzoom="N"/>
//     <file name="NAME" path="/path/map.mbtiles"/>
//   </mapsources>
//
// The map pages fetch a file's tiles from the program as ../mbtiles/KEY/{z}/{x}/{y}: tile()
// answers those requests from the open file.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/mbtiles_file.h"

namespace vandrel::map {

struct MapService;

inline constexpr const char* kStandardSource = "OpenStreetMap";
inline constexpr const char* kTopoSource = "OpenTopoMap";
inline constexpr const char* kTileRequestFolder = "mbtiles";

struct MapSource {
    std::string name;
    // The address template the page fetches tiles from.
    std::string tiles;
    std::string attribution;
    int minZoom = 0;
    int maxZoom = 19;
    std::optional<TileBounds> bounds;
    // An offline map file: its tiles come from the program, never from a network.
    std::shared_ptr<MbtilesFile> file;
    // Added by the user, and kept in mapsources.xml unless added for this run only.
    bool user = false;
    bool kept = false;
    // A file's key in the page's tile requests; it stays when other sources go.
    int fileKey = -1;
};

class MapSources {
  public:
    // The built-in sources of `service`, then the user's from `store` (when it exists). Files
    // that no longer open are left out and named in problems().
    MapSources(const MapService& service, std::filesystem::path store);

    const std::vector<MapSource>& all() const { return sources_; }
    const MapSource& chosen() const;
    const MapSource* find(const std::string& name) const;
    const std::vector<std::string>& problems() const { return problems_; }

    // Chooses the source of that name and keeps the choice (unless `keep` is false, for a
    // choice made on the command line). False when there is no such source or it cannot be
    // kept, with the reason in `error`.
    bool choose(const std::string& name, bool keep, std::string& error);
    // A tile service of the user's: the template needs {z}, {x} and {y}. keep() saves it.
    bool addService(const std::string& name, const std::string& tiles,
                    const std::string& attribution, int maxZoom, std::string& error);
    // An offline map file, named by its metadata (else its file name); `keep` false adds it for
    // this run only. The source's name, or empty with the reason in `error`.
    std::string addFile(const std::filesystem::path& path, bool keep, std::string& error);

    // Removes a source of the user's and keeps the rest; the standard map becomes the chosen
    // one when it was. The built-in sources stay.
    bool remove(const std::string& name, std::string& error);
    // Gives a tile service of the user's a new name, address, attribution and largest zoom,
    // checked as addService checks them, and keeps it; it stays chosen when it was.
    bool editService(const std::string& name, const std::string& newName, const std::string& tiles,
                     const std::string& attribution, int maxZoom, std::string& error);

    // Writes the kept sources and choice to mapsources.xml.
    bool keep(std::string& error) const { return save(error); }
    // The answer to the page's request "KEY/Z/X/Y" under mbtiles/: false when there is none.
    bool tile(const std::string& request, std::string& bytes, std::string& mime) const;
    // What the map pages are given: <sources chosen=".." units="metric|imperial"><source
    // name=".." tiles=".." attribution=".." minzoom=".." maxzoom=".." [bounds="w,s,e,n"]
    // [offline="1"]/>...</sources>, the units those of the scale bar.
    std::string document(bool imperial = false) const;

  private:
    bool save(std::string& error) const;
    // addFile without saving (as the file is read).
    std::string addFileSource(const std::filesystem::path& path, bool keep, std::string& error);
    void load();
    std::string uniqueName(std::string name) const;
    // Why a service's fields cannot be taken, or empty; `self` is the source they replace.
    std::string serviceProblem(const std::string& name, const std::string& tiles,
                               const MapSource* self) const;

    std::filesystem::path store_;
    std::vector<MapSource> sources_;
    std::size_t chosen_ = 0;
    std::string keptChoice_;
    std::vector<std::string> problems_;
    int nextFileKey_ = 0;
};

}  // namespace vandrel::map
