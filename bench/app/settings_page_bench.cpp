// The settings page on the headless backend: filling the form from the settings, and reading it
// back for a save.
#include <benchmark/benchmark.h>

#include "app/settings_page.h"
#include "platform/headless/headless_renderer.h"
#include "ui/event_loop.h"

namespace vandrel {
namespace {

void BM_FillAndReadSettingsForm(benchmark::State& state) {
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    // Nothing is read or written: the page has no command runner.
    Session session{DataFolder(std::filesystem::temp_directory_path())};
    app::SettingsPage page(loop, nullptr, 0, nullptr, session);
    page.setRenderLink(&renderer);
    page.init();
    session.settings.TimeZone = -330;
    session.settings.Length = 1;
    for (auto _ : state) {
        page.FillSettingsForm();
        benchmark::DoNotOptimize(page.readSettingsForm());
    }
}
BENCHMARK(BM_FillAndReadSettingsForm)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vandrel
