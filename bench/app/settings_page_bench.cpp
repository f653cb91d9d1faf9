// The settings page on the headless backend: filling the form from the settings, and reading it
// back for a save.
#include <benchmark/benchmark.h>

#include "app/settings_page.h"
#include "flows/app_data.h"
#include "platform/headless/headless_renderer.h"
#include "ui/event_loop.h"

namespace vandrel {
namespace {

void BM_FillAndReadSettingsForm(benchmark::State& state) {
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    app::SettingsPage page(loop, nullptr, 0, nullptr);
    page.setRenderLink(&renderer);
    page.init();
    AppData::instance().settings.TimeZone = -330;
    AppData::instance().settings.Length = 1;
    for (auto _ : state) {
        page.FillSettingsForm();
        benchmark::DoNotOptimize(page.readSettingsForm());
    }
}
BENCHMARK(BM_FillAndReadSettingsForm)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vandrel
