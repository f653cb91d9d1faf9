// vandrel-cli stats: totals of distance, moving time and climb per week, month or year.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "core/ole_date.h"
#include "core/stat_units.h"
#include "core/units.h"
#include "flows/stored_statistics.h"

namespace vandrel::cli {
namespace {

struct StatsOptions {
    std::string year;   // "YYYY"
    std::string month;  // "YYYY-MM"
    std::string by;     // "week", "month" or "year"; empty: by the span asked for
    bool json = false;
};

double firstOf(int year, int month) {
    SystemTime t;
    t.year = year, t.month = month, t.day = 1;
    double date = 0;
    SystemTimeToVariantTime(t, date);
    return date;
}

// The span [from, to) the options name and the period that suits it, or false with the reason
// told.
bool spanOf(const StatsOptions& o, double& from, double& to, TotalsPeriod& period) {
    int year = 0;
    int month = 0;
    char tail = 0;
    from = -1e9;
    to = 1e9;
    period = TotalsPeriod::Year;
    if (!o.month.empty()) {
        if (std::sscanf(o.month.c_str(), "%4d-%2d%c", &year, &month, &tail) != 2 || month < 1 ||
            month > 12 || year < 100 || year > 9999) {
            std::cerr << "Not a month: " << o.month << " (expected YYYY-MM)" << std::endl;
            return false;
        }
        from = firstOf(year, month);
        to = month == 12 ? firstOf(year + 1, 1) : firstOf(year, month + 1);
        period = TotalsPeriod::Week;
    } else if (!o.year.empty()) {
        if (std::sscanf(o.year.c_str(), "%4d%c", &year, &tail) != 1 || year < 100 || year > 9998) {
            std::cerr << "Not a year: " << o.year << " (expected YYYY)" << std::endl;
            return false;
        }
        from = firstOf(year, 1);
        to = firstOf(year + 1, 1);
        period = TotalsPeriod::Month;
    }
    if (o.by == "week") {
        period = TotalsPeriod::Week;
    } else if (o.by == "month") {
        period = TotalsPeriod::Month;
    } else if (o.by == "year") {
        period = TotalsPeriod::Year;
    }
    return true;
}

void printJson(const std::vector<PeriodTotals>& periods, TotalsPeriod period) {
    const char* by = period == TotalsPeriod::Week    ? "week"
                     : period == TotalsPeriod::Month ? "month"
                                                     : "year";
    std::printf("{\"by\":\"%s\",\"periods\":[", by);
    for (size_t i = 0; i < periods.size(); ++i) {
        const PeriodTotals& p = periods[i];
        std::printf(
            "%s{\"period\":\"%s\",\"tracks\":%d,\"distance_m\":%s,\"moving_time_s\":%s,"
            "\"climb_m\":%s}",
            i == 0 ? "" : ",", p.label.c_str(), p.tracks, FormatScriptNumber(p.distance, 1).c_str(),
            FormatScriptNumber(p.movingTime, 0).c_str(), FormatScriptNumber(p.climb, 1).c_str());
    }
    std::printf("]}\n");
}

void printTable(const std::vector<PeriodTotals>& periods, const DeviceSettings& settings) {
    std::printf("%-10s %7s %14s %12s %10s\n", "period", "tracks", "distance", "moving", "climb");
    for (const PeriodTotals& p : periods) {
        std::printf("%-10s %7d %14s %12s %10s\n", p.label.c_str(), p.tracks,
                    FormatDistance(p.distance, settings).c_str(),
                    FormatDuration(p.movingTime).c_str(), FormatClimb(p.climb, settings).c_str());
    }
}

int runStats(Context& context, const StatsOptions& options) {
    double from = 0;
    double to = 0;
    TotalsPeriod period = TotalsPeriod::Year;
    if (!spanOf(options, from, to, period) || !prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    fillStoredStatistics(session, [](int done, int total) {
        if (done == 1) {
            std::cerr << "Computing the statistics of " << total << " stored tracks..."
                      << std::endl;
        }
    });
    const std::vector<PeriodTotals> periods = storedTotals(session, from, to, period);
    if (options.json) {
        printJson(periods, period);
    } else {
        printTable(periods, session.settings);
    }
    return kExitOk;
}

}  // namespace

void addStatsCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("stats", "Totals of distance, moving time and climb per period");
    auto options = std::make_shared<StatsOptions>();
    auto* year = command->add_option("--year", options->year, "Only this year (YYYY)");
    command->add_option("--month", options->month, "Only this month (YYYY-MM)")->excludes(year);
    command->add_option("--by", options->by, "Totals per week, month or year")
        ->check(CLI::IsMember({"week", "month", "year"}));
    command->add_flag("--json", options->json, "Print JSON for scripts");
    command->callback([&context, options] { context.exitCode = runStats(context, *options); });
}

}  // namespace vandrel::cli
