// A tile of an offline map file of 100,000 tiles (zooms 0 to 8 in full, 87,381 tiles, then zoom 9
// up to the count), from the page's request ("KEY/Z/X/Y" under mbtiles/) to the image's bytes and
// type: what the program's scheme does for each tile before WebKit takes the answer. The tiles are
// 2 KB each, the size of a plain map tile; requests walk zoom 8 so that each reads another.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "map/map_service.h"
#include "map/map_sources.h"
#include "mbtiles_maker.h"

namespace {

using namespace vandrel;

constexpr int kTiles = 100000;

struct BigFile {
    std::filesystem::path dir;
    std::unique_ptr<map::MapSources> sources;
    std::string key;

    BigFile() {
        std::string pattern = std::filesystem::temp_directory_path() / "vandrel-bench-XXXXXX";
        dir = mkdtemp(pattern.data()) != nullptr ? pattern : "";
        std::vector<vandrel::testing::MbtilesTile> tiles;
        const std::string image = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(2040, 'x');
        for (int z = 0; z <= 9 && static_cast<int>(tiles.size()) < kTiles; ++z) {
            for (int x = 0; x < (1 << z) && static_cast<int>(tiles.size()) < kTiles; ++x) {
                for (int y = 0; y < (1 << z) && static_cast<int>(tiles.size()) < kTiles; ++y) {
                    tiles.push_back({z, x, y, image});
                }
            }
        }
        const auto file = dir / "big.mbtiles";
        std::string error;
        if (!vandrel::testing::writeMbtiles(file, {{"name", "Big"}, {"format", "png"}}, tiles)) {
            std::fprintf(stderr, "The map file could not be written in %s\n", dir.c_str());
        }
        sources = std::make_unique<map::MapSources>(map::MapService{}, dir / "mapsources.xml");
        if (sources->addFile(file, false, error).empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
        }
        const std::string& tilesAddress = sources->find("Big")->tiles;
        key = tilesAddress.substr(tilesAddress.find("mbtiles/") + 8);
        key = key.substr(0, key.find('/'));
    }
    ~BigFile() {
        sources.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void TileFromAHundredThousand(benchmark::State& state) {
    static BigFile big;
    std::string bytes;
    std::string mime;
    int i = 0;
    for (auto _ : state) {
        const int x = (i / 256) % 256;
        const int y = (i * 7) % 256;
        ++i;
        const std::string request = big.key + "/8/" + std::to_string(x) + "/" + std::to_string(y);
        if (!big.sources->tile(request, bytes, mime)) {
            state.SkipWithError("a tile was missing");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(TileFromAHundredThousand)->Unit(benchmark::kMicrosecond);

}  // namespace
