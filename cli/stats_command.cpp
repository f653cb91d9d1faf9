// vandrel-cli stats: totals of distance, moving time and climb per week, month or year.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/commands.h"
#include "core/ole_date.h"
#include "core/stat_units.h"
#include "core/track_times.h"
#include "core/units.h"
#include "flows/stored_statistics.h"

namespace vandrel::cli {
namespace {

struct StatsOptions {
    std::optional<std::string> year;   // "YYYY"; none when not asked for
    std::optional<std::string> month;  // "YYYY-MM"; none when not asked for
    std::string by;                    // "week", "month" or "year"; empty: by the span asked for
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
    if (o.month) {
        if (std::sscanf(o.month->c_str(), "%4d-%2d%c", &year, &month, &tail) != 2 || month < 1 ||
            month > 12 || o.month->size() != 7) {
            std::cerr << "Not a month: \"" << *o.month << "\" (expected YYYY-MM)" << std::endl;
            return false;
        }
        period = TotalsPeriod::Week;
    } else if (o.year) {
        if (std::sscanf(o.year->c_str(), "%4d%c", &year, &tail) != 1 || o.year->size() != 4) {
            std::cerr << "Not a year: \"" << *o.year << "\" (expected YYYY)" << std::endl;
            return false;
        }
        period = TotalsPeriod::Month;
    }
    if ((o.month || o.year) && !isTrackYear(year)) {
        std::cerr << "No track is dated in " << (o.month ? *o.month : *o.year) << ": tracks hold "
                  << trackYearsText() << "; ask for one of those" << std::endl;
        return false;
    }
    if (o.month) {
        from = firstOf(year, month);
        to = month == 12 ? firstOf(year + 1, 1) : firstOf(year, month + 1);
    } else if (o.year) {
        from = firstOf(year, 1);
        to = firstOf(year + 1, 1);
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
    // Taken as given, so that an empty one is refused, not read as none.
    auto* year = command->add_option_function<std::string>(
        "--year", [options](const std::string& text) { options->year = text; },
        "Only this year (YYYY)");
    command
        ->add_option_function<std::string>(
            "--month", [options](const std::string& text) { options->month = text; },
            "Only this month (YYYY-MM)")
        ->excludes(year);
    command->add_option("--by", options->by, "Totals per week, month or year")
        ->check(CLI::IsMember({"week", "month", "year"}));
    command->add_flag("--json", options->json, "Print JSON for scripts");
    command->callback([&context, options] { context.exitCode = runStats(context, *options); });
}

}  // namespace vandrel::cli
