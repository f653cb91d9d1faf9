#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "core/ole_date.h"
#include "core/units.h"
#include "store/sqlite_db.h"

namespace vandrel::cli {
namespace {

// "YYYY-MM-DD" as the OLE date of that day's 00:00.
bool parseDay(const std::string& text, double& day) {
    SystemTime st;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &st.year, &st.month, &st.day, &tail) != 3) {
        return false;
    }
    return SystemTimeToVariantTime(st, day);
}

int runTracks(Context& context, const std::string& day) {
    if (!prepare(context)) {
        return kExitFailure;
    }
    double from = -1e9;
    double to = 1e9;
    if (!day.empty()) {
        if (!parseDay(day, from)) {
            std::cerr << "Not a day: " << day << " (expected YYYY-MM-DD)" << std::endl;
            return kExitFailure;
        }
        to = from + 1;
    }
    context.session->openStore();
    TrackDatabase& db = context.session->database();
    const DeviceSettings& settings = context.session->settings;
    for (const TrackHeader& track : db.readTracksBetween(from, to, false)) {
        std::printf("%d  %s  %s  dist:%s  average alt:%s  points:%d\n", track.objid,
                    FormatDateTime(track.stime, settings).c_str(),
                    FormatDateTime(track.etime, settings).c_str(),
                    FormatDistance(track.dist, settings).c_str(),
                    FormatAltitude(track.avgalt, settings).c_str(), db.countPoints(track.objid));
    }
    return kExitOk;
}

}  // namespace

void addTracksCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("tracks", "List the stored tracks in start order");
    auto day = std::make_shared<std::string>();
    command->add_option("--day", *day, "Only the tracks starting on this day (YYYY-MM-DD)");
    command->callback([&context, day] { context.exitCode = runTracks(context, *day); });
}

}  // namespace vandrel::cli
