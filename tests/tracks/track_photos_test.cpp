// Photos on the points of the shown track, driven as the map page drives them: a line click
// opens the nearest point's bubble, its link attaches a chosen file, the marker shows it and
// its link removes it; the files in the photos folder and the points' rows follow.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "core/program_path.h"
#include "exchange/exchange_support.h"
#include "platform/headless/headless_renderer.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "store/track_summary.h"
#include "test_support.h"
#include "tracks/track_page.h"
#include "tracks/track_photos.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/image_size.h"
#include "ui/list_view.h"

namespace vandrel::tracks {
namespace {

namespace fs = std::filesystem;
using namespace vandrel::testing;

// The test's images are text files holding "WIDTHxHEIGHT"; anything else cannot be read.
std::optional<ui::ImageSize> fakeImageSize(const fs::path& file) {
    ui::ImageSize size;
    if (std::sscanf(readFile(file).c_str(), "%dx%d", &size.width, &size.height) != 2) {
        return std::nullopt;
    }
    return size;
}

class TrackPhotosTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::setImageSizeReader(fakeImageSize);
        session.openStore();
        // Points 1 and 2 share a place: the logger stood still.
        TrackHeader track = makeTrack(4, oleDate(2011, 3, 10, 8, 0, 0));
        track.points[2].lat = track.points[1].lat;
        computeSummary(track);
        TrackDatabase& db = session.database();
        db.insertTrack(track);
        for (TrackPoint& p : track.points) {
            p.tkid = track.objid;
            db.insertPoint(p);
        }
        page.setRenderLink(&renderer);
        page.init();
        list = dynamic_cast<ui::ListView*>(
            page.control(*page.document().selectFirst("widget[id='6000']")));
        browser =
            renderer.browser(*page.control(*page.document().selectFirst("widget[id='2000']")));
        browser->finishLoad();
        browser->callExternal("onmaploadcomplete", {});
        loop.runPending();
        showDay();
    }
    // The day's list read again from the database, its first track shown.
    void showDay() {
        page.calendar().goToday({2011, 3, 10});
        page.LoadDayTracks();
        list->click(0, 0);
        page.ShowTrack();
        loop.runPending();
        ASSERT_EQ(page.shownTrack(), 0);
        browser->calls.clear();
    }
    void TearDown() override { ui::setImageSizeReader({}); }

    const TrackPoint& point(int i) {
        return page.dayTracks().at(0).points.at(static_cast<std::size_t>(i));
    }
    std::string storedPho(int i) {
        return session.database()
            .query(("select pho from TKPT where objid = " + std::to_string(point(i).objid)).c_str())
            .stringField(0);
    }
    // The map page's last call of that name, or nothing.
    std::vector<std::string> lastCall(const std::string& function) {
        for (auto it = browser->calls.rbegin(); it != browser->calls.rend(); ++it) {
            if (it->function == function) {
                return it->args;
            }
        }
        return {};
    }
    std::string bubble() {
        const std::vector<std::string> args = lastCall("showInfo");
        return args.size() == 3 ? args[2] : "";
    }
    void external(const std::string& method, std::vector<std::string> args = {}) {
        browser->calls.clear();
        browser->callExternal(method, args);
        loop.runPending();
    }
    void clickNear(int i) {
        external("onlineclick", {std::to_string(point(i).lat + 0.00001f),
                                 std::to_string(point(i).lng + 0.00001f)});
    }
    // The test's images hold their size as text.
    void attach(const std::string& name, const std::string& size) {
        writeFile(dir.path() / name, size);
        prompt.files = {(dir.path() / name).string()};
        external("onaddphoto");
    }

    fs::path photosFolder() const { return dir.path() / "photos"; }

    TempDir dir;
    Session session{DataFolder(dir.path())};
    map::MapService mapService;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    ScriptedPrompt prompt;
    ui::DirectCommandRunner runner{prompt};
    CPageTrack page{loop, nullptr, 0, &runner, session, mapService};
    ui::ListView* list = nullptr;
    headless::FakeBrowser* browser = nullptr;
};

TEST_F(TrackPhotosTest, ALineClickOpensTheBubbleOfTheFirstNearestPointWithEscapedValues) {
    clickNear(2);
    const std::string html = bubble();
    // Point 2 lies where point 1 does: the earlier one is taken.
    EXPECT_NE(html.find("Index: </font><font color='#6B6B6B'>2  </font>"), std::string::npos);
    // Coordinates are written with ' and ", which reach the page as entities.
    EXPECT_NE(html.find("Lat: </font><font color='#6B6B6B'>22\u00B0 30&#39; 0.36&quot;  </font>"),
              std::string::npos);
    EXPECT_NE(html.find("<a href=\"#\" class=\"addphoto\">add photo</a>"), std::string::npos);
    EXPECT_EQ(lastCall("showAnimationPoint"), (std::vector<std::string>{"22.50010", "114.25000"}));
}

TEST_F(TrackPhotosTest, AttachUpdateAndRemoveKeepFilesRowsAndMarkersTogether) {
    // The photos folder does not exist yet: attaching makes it.
    clickNear(3);
    attach("first.JPG", "400x300");
    const fs::path first = storedPho(3);
    EXPECT_EQ(first.parent_path(), photosFolder());
    EXPECT_EQ(first.extension(), ".JPG");
    EXPECT_EQ(readFile(first), "400x300");
    EXPECT_EQ(lastCall("addPhoto"),
              (std::vector<std::string>{"3", "22.50030", "114.25000", first.string()}));
    clickNear(3);
    EXPECT_NE(bubble().find(">update photo</a>"), std::string::npos);

    // A new photo replaces the old one, whose file goes.
    attach("second.jpg", "300x400");
    const fs::path second = storedPho(3);
    EXPECT_EQ(readFile(second), "300x400");
    EXPECT_FALSE(fs::exists(first));

    external("onremovephoto", {"3"});
    EXPECT_EQ(lastCall("delPhoto"), std::vector<std::string>{"3"});
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(storedPho(3), "");
    clickNear(3);
    EXPECT_NE(bubble().find(">add photo</a>"), std::string::npos);
}

TEST_F(TrackPhotosTest, AFailedCopyStoresNothingSaysWhyAndKeepsTheOldPhoto) {
    // A plain file where the photos folder should be.
    writeFile(photosFolder(), "");
    clickNear(1);
    attach("a.jpg", "10x10");
    ASSERT_EQ(prompt.said.size(), 1u);
    EXPECT_EQ(prompt.said[0].rfind("The photo was not attached.|The folder ", 0), 0u);
    EXPECT_EQ(storedPho(1), "");
    EXPECT_TRUE(point(1).pho.empty());

    fs::remove(photosFolder());
    attach("a.jpg", "10x10");
    const std::string old = storedPho(1);
    ASSERT_FALSE(old.empty());
    // The chosen file is gone before it could be copied.
    prompt.files = {(dir.path() / "missing.jpg").string()};
    external("onaddphoto");
    EXPECT_EQ(prompt.said.back(), "The photo was not attached.|" +
                                      (dir.path() / "missing.jpg").string() +
                                      " is not a file that can be copied.");
    EXPECT_EQ(storedPho(1), old);
    EXPECT_EQ(point(1).pho, old);
    EXPECT_TRUE(fs::exists(old));
    EXPECT_TRUE(browser->calls.empty());
}

TEST_F(TrackPhotosTest, ANameTakenInTheSameMillisecondMovesOnToTheNext) {
    const SystemTime now{2011, 3, 2, 15, 12, 34, 56, 789};
    TrackHeader track = page.dayTracks().at(0);
    TrackPhotos photos(session, {[] { return nullptr; }, [&track] { return &track; }, &runner,
                                 [now] { return now; }});
    fs::create_directories(photosFolder());
    const fs::path taken = photosFolder() / "20110315123456789.jpg";
    writeFile(taken, "someone else's");
    photos.ShowPointInfo(track.points[0].lat, track.points[0].lng);
    writeFile(dir.path() / "a.jpg", "1x1");
    prompt.files = {(dir.path() / "a.jpg").string()};
    photos.AttachPhoto();
    EXPECT_EQ(track.points[0].pho, (photosFolder() / "20110315123456790.jpg").string());
    EXPECT_EQ(readFile(taken), "someone else's");
    // Attached again within the same millisecond.
    photos.ShowPointInfo(track.points[3].lat, track.points[3].lng);
    prompt.files = {(dir.path() / "a.jpg").string()};
    photos.AttachPhoto();
    EXPECT_EQ(track.points[3].pho, (photosFolder() / "20110315123456791.jpg").string());
    EXPECT_TRUE(prompt.said.empty());
}

TEST_F(TrackPhotosTest, APhotoShowsAt320PixelsOnItsLongerSideOrSaysItCannotBeRead) {
    fs::create_directories(photosFolder());
    std::vector<TrackPoint> points = page.dayTracks().at(0).points;
    const std::string hostile = "a\"><b>.jpg";
    const std::pair<std::string, std::string> cases[] = {{"portrait.jpg", "300x400"},
                                                         {"square.jpg", "300x300"},
                                                         {"broken.jpg", "?"},
                                                         {hostile, "400x300"}};
    for (std::size_t i = 0; i < 4; ++i) {
        points[i].pho = (photosFolder() / cases[i].first).string();
        writeFile(points[i].pho, cases[i].second);
        session.database().updatePoint(points[i]);
    }
    showDay();
    auto shown = [&](int i) {
        external("onphotolick", {std::to_string(i)});
        return bubble();
    };
    EXPECT_NE(shown(0).find("<img src=\"../photos/portrait.jpg\" style=\"height:320px;\" />"),
              std::string::npos);
    EXPECT_NE(shown(1).find("<img src=\"../photos/square.jpg\" style=\"width:320px;\" />"),
              std::string::npos);
    const std::string broken = shown(2);
    EXPECT_EQ(broken.find("<img"), std::string::npos);
    EXPECT_NE(broken.find("The photo cannot be read."), std::string::npos);
    EXPECT_NE(broken.find("<a href=\"#\" class=\"removephoto\" data-index=\"2\">remove</a>"),
              std::string::npos);
    EXPECT_NE(shown(3).find("<img src=\"../photos/a%22%3E%3Cb%3E.jpg\" style=\"width:320px;\""),
              std::string::npos);
    // A photo outside the photos folder is not the page's to read.
    points[0].pho = (dir.path() / "portrait.jpg").string();
    writeFile(points[0].pho, "300x400");
    session.database().updatePoint(points[0]);
    showDay();
    EXPECT_NE(shown(0).find("The photo cannot be read."), std::string::npos);
}

}  // namespace
}  // namespace vandrel::tracks
