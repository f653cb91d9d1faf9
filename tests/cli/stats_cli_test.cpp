// vandrel-cli stats and tracks --stats on tracks downloaded from a simulated logger: totals per
// period where each track started, the statistics columns, both unit systems.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "store/sqlite_db.h"
#include "test_support.h"

namespace vandrel {
namespace {

using testing::ProcessResult;
using testing::TempDir;

class StatsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        // Four walks a day apart from 30 May: two in May, two in June (1 June 2026 is the
        // Monday of ISO week 23).
        ASSERT_EQ(run("vandrel-sim",
                      "create " + image() + " --tracks 4 --points 300 --start 2026-05-30T22:00:00")
                      .exitCode,
                  0);
        ASSERT_EQ(cli("--device " + image() + " download").exitCode, 0);
    }
    ProcessResult run(const std::string& program, const std::string& arguments) {
        return testing::runProgram(program, arguments, dir_.path());
    }
    ProcessResult cli(const std::string& arguments) {
        return run("vandrel-cli", "--data-dir " + (dir_ / "program").string() + " " + arguments);
    }
    std::string image() const { return (dir_ / "logger.img").string(); }

    TempDir dir_;
};

TEST_F(StatsCli, TotalsGoToThePeriodWhereEachTrackStarted) {
    const ProcessResult year = cli("stats --year 2026 --json");
    ASSERT_EQ(year.exitCode, 0) << year.err;
    EXPECT_TRUE(std::regex_search(
        year.out, std::regex(R"(^\{"by":"month","periods":\[\{"period":"2026-05","tracks":2,)"
                             R"("distance_m":[0-9.]+,"moving_time_s":[0-9]+,"climb_m":[0-9.]+\},)"
                             R"(\{"period":"2026-06","tracks":2,.*\]\}\n$)")))
        << year.out;

    const ProcessResult june = cli("stats --month 2026-06");
    ASSERT_EQ(june.exitCode, 0) << june.err;
    EXPECT_TRUE(std::regex_search(june.out, std::regex(R"(\n2026-W23 +2 +[0-9.]+ (m|km) )")))
        << june.out;
    EXPECT_EQ(cli("stats --month 2026-13").exitCode, 1);
    EXPECT_EQ(cli("stats --by fortnight").exitCode, 1);
}

// Only the years a track may hold are asked for, and an empty one is no year. A statistics
// table replaced by a view is made anew, so the figures stay true.
TEST_F(StatsCli, AsksOnlyForTrackYearsAndRebuildsADamagedTable) {
    const std::pair<const char*, const char*> refusals[] = {
        {"--year ''", "Not a year: \"\""},
        {"--year 0100", "No track is dated in 0100: tracks hold the years 1980 to 2999"},
        {"--year 3000", "the years 1980 to 2999"},
        {"--month 1979-12", "the years 1980 to 2999"}};
    for (const auto& [wrong, told] : refusals) {
        const ProcessResult refused = cli(std::string("stats ") + wrong);
        EXPECT_EQ(refused.exitCode, 1) << wrong;
        EXPECT_NE(refused.err.find(told), std::string::npos) << wrong << ": " << refused.err;
    }
    EXPECT_EQ(cli("stats --year 2999 --json").out, "{\"by\":\"month\",\"periods\":[]}\n");

    {
        TrackDatabase db;
        db.openStore(dir_ / "program" / "Vandrel.db");
        db.execute(
            "drop table TKSTAT; create view TKSTAT as select objid as tkid, 2 as ver, "
            "0.0 as dist, 0.0 as moving, 0.0 as climb from TK;");
    }
    const ProcessResult rebuilt = cli("stats --json");
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
    EXPECT_TRUE(std::regex_search(rebuilt.out,
                                  std::regex(R"("period":"2026","tracks":4,"distance_m":[1-9])")))
        << rebuilt.out;
}

TEST_F(StatsCli, TrackListingShowsStatisticsInTheChosenUnits) {
    const ProcessResult metric = cli("tracks --stats");
    ASSERT_EQ(metric.exitCode, 0) << metric.err;
    EXPECT_TRUE(std::regex_search(
        metric.out,
        std::regex(R"(points:300  moving:0:[0-9]{2}:[0-9]{2}  moving distance:[0-9.]+ k?m  )"
                   R"(average speed:[0-9.]+ km/h  max speed:[0-9.]+ km/h  climb:[0-9]+ m  )"
                   R"(descent:[0-9]+ m  climb from:barometer)")))
        << metric.out;

    // A track without any altitude has no climb to give: a dash, not 0 m.
    testing::writeFile(dir_ / "flat.gpx",
                       "<gpx><trk><trkseg><trkpt lat=\"47\" lon=\"8\"><time>2020-01-01T10:00:00Z"
                       "</time></trkpt><trkpt lat=\"47.001\" lon=\"8\"><time>2020-01-01T10:01:00Z"
                       "</time></trkpt></trkseg></trk></gpx>");
    ASSERT_EQ(cli("import " + (dir_ / "flat.gpx").string()).exitCode, 0);
    EXPECT_NE(cli("tracks --stats --day 2020-01-01")
                  .out.find("climb:\u2013  descent:\u2013  climb from:no altitude"),
              std::string::npos);

    ASSERT_EQ(cli("settings set Length=1").exitCode, 0);
    const ProcessResult imperial = cli("tracks --stats");
    EXPECT_TRUE(
        std::regex_search(imperial.out, std::regex(R"(max speed:[0-9.]+ mph  climb:[0-9]+ ft)")))
        << imperial.out;
}

}  // namespace
}  // namespace vandrel
