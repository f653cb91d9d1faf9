// The POI page's own work on the headless backend: drawing the 20 POIs again (the markers
// cleared, then one marker call per slot with its position and icon), until the map page has
// been asked for every marker.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "core/program_path.h"
#include "map/map_widget.h"
#include "platform/headless/headless_renderer.h"
#include "poi/poi_page.h"
#include "ui/browser_host.h"
#include "ui/event_loop.h"

namespace vandrel {
namespace {

class Folder {
  public:
    Folder() {
        std::string pattern = std::filesystem::temp_directory_path() / "vandrel-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

void BM_RedrawAllPois(benchmark::State& state) {
    Folder dir;
    Session session{DataFolder(dir.path())};
    map::MapService mapService;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    poi::PoiPage page{loop, nullptr, 0, nullptr, session, mapService};
    page.setRenderLink(&renderer);
    page.init();
    headless::FakeBrowser* browser = renderer.browser(*map::mapWidget(page));
    browser->finishLoad();
    std::size_t markers = 0;
    for (auto _ : state) {
        browser->calls.clear();
        page.redrawAllPois();
        markers = browser->calls.size() - 1;  // after clrWPMarker
        benchmark::DoNotOptimize(browser->calls.data());
    }
    state.counters["markers"] = static_cast<double>(markers);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kPoiSlotCount);
}
BENCHMARK(BM_RedrawAllPois)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vandrel
