// The map bridge: the script calls with their argument texts, the callback table with its
// dispatch ids and refusals, and the readings of the callbacks' arguments.
#include <gtest/gtest.h>

#include "map/map_bridge.h"
#include "map/map_external_dispatch.h"
#include "platform/headless/headless_renderer.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/event_loop.h"
#include "ui/html_escape.h"
#include "ui/html_window.h"
#include "ui/messages.h"

namespace vandrel::map {
namespace {

// A window that records the messages posted to it.
class Recorder final : public ui::HtmlWindow {
  public:
    using ui::HtmlWindow::HtmlWindow;
    std::intptr_t handleMessage(const ui::Message& message) override {
        if (message.id >= 2000) {
            messages.push_back(message);
        }
        return ui::HtmlWindow::handleMessage(message);
    }
    std::vector<ui::Message> messages;
};

class Bridge : public ::testing::Test {
  protected:
    void SetUp() override {
        page.setRenderLink(&renderer);
        page.loadHtml("<html><body><widget id='2000' type='sys-ie'></widget></body></html>");
        host = dynamic_cast<ui::BrowserHost*>(
            page.control(*page.document().selectFirst("widget[id='2000']")));
        ASSERT_NE(host, nullptr);
        browser = renderer.browser(*host);
        ASSERT_NE(browser, nullptr);
    }

    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    Recorder page{loop, nullptr};
    ui::BrowserHost* host = nullptr;
    headless::FakeBrowser* browser = nullptr;
};

TEST_F(Bridge, CallsBeforeTheMapPageLoadedDoNothingAndLaterOnesCarryTheirTexts) {
    MapBridge(host).setCenter(0, 0, 2);
    MapBridge(host).putTKLine({TrackPoint{}});
    EXPECT_TRUE(browser->calls.empty());

    browser->finishLoad();
    const MapBridge bridge(host);
    bridge.setCenter(0, 0, 2);
    bridge.addWPMarker(3, 47.123456, -8.5, "/p/pois/4.png");
    bridge.setCar(-33.8688, 151.2093, "/p/images/car.png", 640, 480);
    bridge.showAnimationPoint(1.000005, 2);
    ASSERT_EQ(browser->calls.size(), 4u);
    EXPECT_EQ(browser->calls[0].function, "setCenter");
    EXPECT_EQ(browser->calls[0].args, (std::vector<std::string>{"0.00000", "0.00000", "2"}));
    EXPECT_EQ(browser->calls[1].args,
              (std::vector<std::string>{"3", "47.12346", "-8.50000", "/p/pois/4.png"}));
    EXPECT_EQ(
        browser->calls[2].args,
        (std::vector<std::string>{"-33.86880", "151.20930", "/p/images/car.png", "640", "480"}));
    EXPECT_EQ(browser->calls[3].function, "showAnimationPoint");
}

TEST(TrackDocument, IsCompactWithFiveDecimalsOfTheStoredFloatsAndEscapedPhotoNames) {
    TrackPoint a;
    a.lat = 47.5f;
    a.lng = -122.25f;
    TrackPoint b;
    b.lat = 0.1f;  // 0.100000001490116 as a 32-bit float
    b.lng = 10;
    b.pho = "/photos/a\"b<c>&'.jpg";
    EXPECT_EQ(trackDocument({a, b}),
              "<?xml version=\"1.0\"?><track><point id=\"0\" lat=\"47.50000\" lng=\"-122.25000\"/>"
              "<point id=\"1\" lat=\"0.10000\" lng=\"10.00000\" "
              "pho=\"/photos/a&quot;b&lt;c&gt;&amp;&apos;.jpg\"/></track>");
    EXPECT_EQ(ui::escapeHtml("<b onclick=\"x\">&'"), "&lt;b onclick=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(MapExternalDispatch, GivesIdsInTableOrderAndRefusesAsTheBrowserExpects) {
    TrackMapEvents events;
    const MapExternalDispatch track(MapExternalDispatch::Page::Track, events);
    PoiMapEvents poiEvents;
    const MapExternalDispatch poi(MapExternalDispatch::Page::Poi, poiEvents);
    EXPECT_EQ(track.idOfName("onmaploadcomplete"), 100000);
    EXPECT_EQ(track.idOfName("onremovephoto"), 100004);
    EXPECT_EQ(track.idOfName("onmoveendevent"), 100005);
    EXPECT_EQ(poi.idOfName("onrclickevent"), 100005);
    EXPECT_EQ(poi.idOfName("onmoveendevent"), 100006);
    EXPECT_FALSE(track.idOfName("onfind"));
    EXPECT_FALSE(poi.idOfName("OnFind"));
    EXPECT_EQ(track.call("onwpmarkerclick", {"1"}), DispatchResult::UnknownName);
    EXPECT_EQ(track.invoke(99999, {}), DispatchResult::NotImplemented);
    EXPECT_EQ(track.invoke(100099, {}), DispatchResult::Ok);
    EXPECT_EQ(track.call("onmoveendevent", {"x"}), DispatchResult::Ok);
    EXPECT_EQ(poi.call("onmoveendevent", {}), DispatchResult::Ok);
}

TEST_F(Bridge, CallbacksPostThePageMessagesWithTheirArgumentsReadAsThePagesPassThem) {
    TrackMapEvents events;
    events.setWindow(&page);
    MapExternalDispatch dispatch(MapExternalDispatch::Page::Track, events);
    dispatch.attach(*host);
    browser->callExternal("onremovephoto", {"70000"});
    browser->callExternal("onphotolick", {"12"});
    browser->callExternal("onphotolick", {"x"});
    browser->callExternal("onlineclick", {"47.123456789", "-8.25"});
    browser->callExternal("onmaploadcomplete", {});
    loop.runPending();
    ASSERT_EQ(page.messages.size(), 5u);
    EXPECT_EQ(page.messages[0].id, ui::MSG_REMOVE_PHOTO);
    EXPECT_EQ(static_cast<int>(page.messages[0].wParam), 4464);
    EXPECT_EQ(page.messages[1].wParam, 12u);
    EXPECT_EQ(page.messages[2].wParam, 0u);
    EXPECT_EQ(page.messages[3].id, ui::MSG_TRACK_LINE_CLICK);
    const auto* at = reinterpret_cast<const MapPosition*>(page.messages[3].lParam);
    EXPECT_EQ(at->lat, 47.123456789f);
    EXPECT_EQ(at->lng, -8.25f);
    EXPECT_EQ(page.messages[4].id, ui::MSG_MAP_LOADED);
    events.setWindow(nullptr);
}

TEST(MapArguments, ShortsKeepTheLowSixteenBitsAndIndexesReadLeadingDigits) {
    EXPECT_EQ(shortArg({"-5"}, 0), -5);
    EXPECT_EQ(shortArg({"32768"}, 0), -32768);
    EXPECT_EQ(shortArg({"12.9"}, 0), 12);
    EXPECT_EQ(shortArg({"nonsense"}, 0), 0);
    EXPECT_EQ(shortArg({}, 3), 0);
    EXPECT_EQ(markerIndexArg({" 7abc"}, 0), 7);
    EXPECT_EQ(markerIndexArg({"-3"}, 0), -3);
    EXPECT_EQ(markerIndexArg({"99999999999"}, 0), INT32_MAX);
}

}  // namespace
}  // namespace vandrel::map
