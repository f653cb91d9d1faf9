#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "core/ole_date.h"
#include "core/stat_units.h"
#include "core/units.h"
#include "flows/stored_statistics.h"
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

// The statistics columns of one track, after its listing line's own.
std::string statisticsColumns(Session& session, const TrackHeader& track) {
    const TrackStatistics s = storedTrackStatistics(session, track);
    const DeviceSettings& settings = session.settings;
    const bool known = s.climbSource != ClimbSource::None;
    // The average is the moving distance over the moving time, as a calculator gives it.
    return "  moving:" + FormatDuration(s.movingTime) +
           "  moving distance:" + FormatDistance(s.movingDistance, settings) +
           "  average speed:" + FormatSpeed(s.averageSpeed, settings) +
           "  max speed:" + FormatSpeed(s.maxSpeed, settings) +
           // Without any altitude there is no climb to give, which 0 m would claim.
           "  climb:" + (known ? FormatClimb(s.climb, settings) : kNoValue) +
           "  descent:" + (known ? FormatClimb(s.descent, settings) : kNoValue) +
           "  climb from:" + FormatClimbSource(s.climbSource);
}

int runTracks(Context& context, const std::string& day, bool withStatistics) {
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
    if (withStatistics) {
        fillStoredStatistics(*context.session);
    }
    // A day lists every track with a moment in it, as the calendar does: one that ran over the
    // midnight before it too.
    const std::vector<TrackHeader> tracks = day.empty() ? db.readTracksBetween(from, to, false)
                                                        : db.readTracksCovering(from, to, false);
    for (const TrackHeader& track : tracks) {
        std::printf("%d  %s  %s  dist:%s  average alt:%s  points:%d%s\n", track.objid,
                    FormatDateTime(track.stime, settings).c_str(),
                    FormatDateTime(track.etime, settings).c_str(),
                    FormatDistance(track.dist, settings).c_str(),
                    FormatAltitude(track.avgalt, settings).c_str(), db.countPoints(track.objid),
                    withStatistics ? statisticsColumns(*context.session, track).c_str() : "");
    }
    return kExitOk;
}

}  // namespace

void addTracksCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand("tracks", "List the stored tracks in start order");
    auto day = std::make_shared<std::string>();
    command->add_option("--day", *day, "Only the tracks starting on this day (YYYY-MM-DD)");
    auto withStatistics = std::make_shared<bool>(false);
    command->add_flag("--stats", *withStatistics,
                      "Add moving time and distance, average and maximum speed, climb and "
                      "descent and where the climb comes from");
    command->callback([&context, day, withStatistics] {
        context.exitCode = runTracks(context, *day, *withStatistics);
    });
}

}  // namespace vandrel::cli
