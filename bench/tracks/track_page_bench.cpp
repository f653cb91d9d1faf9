// The track page's own work on the headless backend: loading a day of 3 tracks of 5,000 points
// from a database of 5,000,000 points, painting the calendar and a day list of 20 rows, and
// scrolling the point list of a track of 49,900 points.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "core/program_path.h"
#include "map/map_widget.h"
#include "platform/headless/headless_renderer.h"
#include "store/sqlite_db.h"
#include "tracks/track_page.h"
#include "ui/element.h"
#include "ui/event_loop.h"
#include "ui/list_view.h"

namespace vandrel {
namespace {

constexpr double kFirstDay = 45413.0;  // 2024-05-01
constexpr int kTracks = 1000;          // one a day...
constexpr int kPointsEach = 5000;      // ...of 5,000 points: 5,000,000 points in all

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

// Tracks filled by SQL itself: 5,000,000 single inserts would take longer than the runs.
void fillDatabase(TrackDatabase& db, int tracks, int points, int tracksOnFirstDay) {
    db.beginTransaction();
    for (int t = 0; t < tracks; ++t) {
        const double start =
            t < tracksOnFirstDay ? kFirstDay + 0.01 + 0.04 * t : kFirstDay + t + 0.4;
        db.execute(("insert into TK (trail,dist,stime,etime,avgalt,avgbar,avgtmp,tzome) values "
                    "(1,1000," +
                    std::to_string(start) + "," + std::to_string(start + 0.05) + ",100,1000,20,0);")
                       .c_str());
        const int tkid = db.lastRowId();
        db.execute(("with recursive n(i) as (select 0 union all select i + 1 from n where i < " +
                    std::to_string(points - 1) +
                    ") insert into TKPT (tkid,sdate,lat,lng,alt,bar,tmp,dist,pho) select " +
                    std::to_string(tkid) + "," + std::to_string(start) +
                    " + i / 86400.0, 47 + i * 1e-5, 8 + i * 1e-5, 400, 1000, 20, i * 1.1, '' "
                    "from n;")
                       .c_str());
    }
    db.commitTransaction();
}

// Fills the database of the folder, as another program would have.
void fillFolder(const std::filesystem::path& folder, int tracks, int points, int tracksOnFirstDay) {
    Session filler{DataFolder(folder)};
    filler.openStore();
    fillDatabase(filler.database(), tracks, points, tracksOnFirstDay);
}

struct Page {
    explicit Page(const std::filesystem::path& folder) : session(DataFolder(folder)) {
        session.openStore();
        page.setRenderLink(&renderer);
        page.init();
        ui::Element* calendar = page.document().selectFirst("widget[id='5000']");
        page.reportLocation(*calendar, {2, 26, 262, 227});
        ui::Element* list = page.document().selectFirst("widget[id='6000']");
        page.reportLocation(*list, {2, 247, 262, 1047});  // 20 rows of 40 pixels
        page.calendar().showMonth(2024, 5);
        page.calendar().click(page.calendar().cells()[3].rect.origin());  // 1 May
    }
    // The map page says it has loaded.
    void loadMap() {
        headless::FakeBrowser* browser = renderer.browser(*map::mapWidget(page));
        browser->finishLoad();
        browser->callExternal("onmaploadcomplete", {});
        loop.runPending();
    }
    Session session;
    map::MapService mapService;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    tracks::CPageTrack page{loop, nullptr, 0, nullptr, session, mapService};
};

void BM_LoadDayTracks(benchmark::State& state) {
    Folder dir;
    fillFolder(dir.path(), kTracks, kPointsEach, 3);
    Page p(dir.path());
    for (auto _ : state) {
        p.page.LoadDayTracks();
        benchmark::DoNotOptimize(p.page.dayTracks().data());
    }
    state.counters["tracks"] = static_cast<double>(p.page.dayTracks().size());
    state.counters["points"] = static_cast<double>(p.page.dayTracks().size() * kPointsEach);
}
BENCHMARK(BM_LoadDayTracks)->Unit(benchmark::kMillisecond);

void BM_PaintCalendarAndDayList(benchmark::State& state) {
    Folder dir;
    fillFolder(dir.path(), 20, 10, 20);
    Page p(dir.path());
    p.page.LoadDayTracks();
    auto* list = dynamic_cast<ui::ListView*>(
        p.page.control(*p.page.document().selectFirst("widget[id='6000']")));
    auto* calendar = p.page.control(*p.page.document().selectFirst("widget[id='5000']"));
    for (auto _ : state) {
        calendar->send(ui::WM_LBUTTONDOWN, 0, ui::makePointParam(40, 60));
        list->invalidate();
    }
    state.counters["rows"] = static_cast<double>(list->lastPaintedRows());
}
BENCHMARK(BM_PaintCalendarAndDayList)->Unit(benchmark::kMicrosecond);

// Each step scrolls the Detail list 37 rows on (round to the top at the end) and draws the
// rows then in view, and only those: a track of 49,900 points costs what one of 1,000 does.
void BM_ScrollPointList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Folder dir;
    fillFolder(dir.path(), 1, count, 1);
    Page p(dir.path());
    p.page.LoadDayTracks();
    ui::Element* element = p.page.document().selectFirst("widget[id='6001']");
    p.page.reportLocation(*element, {265, 28, 1065, 652});  // the header and 30 rows
    auto* days = dynamic_cast<ui::ListView*>(
        p.page.control(*p.page.document().selectFirst("widget[id='6000']")));
    auto* points = dynamic_cast<ui::ListView*>(p.page.control(*element));
    p.loadMap();
    days->click(0, 0);
    p.page.ShowTrack();
    int top = 0;
    for (auto _ : state) {
        top = (top + 37 * 20) % (count * 20);
        points->scrollTo(top);
        p.renderer.changes.clear();
    }
    state.counters["list rows"] = static_cast<double>(points->rowCount());
    state.counters["rows"] = static_cast<double>(points->lastPaintedRows());
}
BENCHMARK(BM_ScrollPointList)->Arg(1'000)->Arg(49'900)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vandrel
