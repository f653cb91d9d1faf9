// The page model: parsing and selector lookups in a page of 5,000 elements, and the cost of
// model changes without a renderer.
#include <benchmark/benchmark.h>

#include <string>

#include "ui/document.h"

namespace {

using vandrel::ui::Document;

// 1,000 rows of a table with four cells each: 5,000 elements with the table rows.
std::string bigPage() {
    std::string html = "<html><head><style>td.c3 { behavior: clickable }</style></head><body>";
    html += "<table id=t>";
    for (int r = 0; r < 1000; ++r) {
        html += "<tr id=r" + std::to_string(r) + (r % 7 == 0 ? " class=odd" : "") + ">";
        for (int c = 0; c < 4; ++c) {
            html += "<td class=c" + std::to_string(c) + " name=n" + std::to_string(r * 4 + c) +
                    ">" + std::to_string(r * c) + "</td>";
        }
        html += "</tr>";
    }
    return html + "</table></body></html>";
}

void BM_ParsePage(benchmark::State& state) {
    std::string html = bigPage();
    for (auto _ : state) {
        Document d;
        d.load(html);
        benchmark::DoNotOptimize(d.root().childCount());
    }
}
BENCHMARK(BM_ParsePage)->Unit(benchmark::kMillisecond);

void BM_Select(benchmark::State& state, const char* selector) {
    Document d;
    d.load(bigPage());
    std::size_t found = 0;
    for (auto _ : state) {
        found = d.select(selector).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_Select, id, "#r999")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Select, class, "td.c3")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Select, attribute, "[name='n2500']")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Select, descendant, "table tr.odd td")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Select, list, "#r1, tr.odd > td.c0, td:first-child")
    ->Unit(benchmark::kMicrosecond);

void BM_SelectFirstById(benchmark::State& state) {
    Document d;
    d.load(bigPage());
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.selectFirst("#r999"));
    }
}
BENCHMARK(BM_SelectFirstById)->Unit(benchmark::kMicrosecond);

void BM_ThousandChanges(benchmark::State& state) {
    Document d;
    d.load(bigPage());
    auto cells = d.select("td.c1");
    for (auto _ : state) {
        int i = 0;
        for (auto* cell : cells) {
            cell->setText(std::to_string(++i));
        }
    }
}
BENCHMARK(BM_ThousandChanges)->Unit(benchmark::kMicrosecond);

}  // namespace
