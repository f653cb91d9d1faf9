// The media type: high contrast from the desktop's setting picks the page's contrast-screen
// rules in the model as it does in the rendered page.

#include <gtest/gtest.h>

#include "ui/resources.h"
#include "ui/style_sheet.h"
#include "ui/ui_test_support.h"

namespace vandrel::ui {
namespace {

TEST(MediaQueries, WeighTheTypesOnly) {
    EXPECT_TRUE(mediaQueryMatches("", "screen"));
    EXPECT_TRUE(mediaQueryMatches(" screen ", "screen"));
    EXPECT_TRUE(mediaQueryMatches("all", "contrast-screen"));
    EXPECT_TRUE(mediaQueryMatches("print, Contrast-Screen", "contrast-screen"));
    EXPECT_TRUE(
        mediaQueryMatches("only contrast-screen and (max-width: 600px)", "contrast-screen"));
    EXPECT_TRUE(mediaQueryMatches("(min-width: 10px)", "screen"));
    EXPECT_TRUE(mediaQueryMatches("not screen", "contrast-screen"));
    EXPECT_FALSE(mediaQueryMatches("contrast-screen", "screen"));
    EXPECT_FALSE(mediaQueryMatches("screen", "contrast-screen"));
    EXPECT_FALSE(mediaQueryMatches("print, contrast-screen", "screen"));
    EXPECT_FALSE(mediaQueryMatches("not screen and (color)", "screen"));
}

TEST(MediaType, PicksTheRulesOfThePageForTheDesktopSetting) {
    ManualEventLoop loop;
    HtmlWindow page(loop);
    const char* markup = R"(<style>
        @media contrast-screen { #a { behavior: command } #b { display: none } }
        @media screen { #c { display: none } }</style>
        <style media="contrast-screen">#d { visibility: hidden }</style>
        <div id=a></div><div id=b></div><div id=c></div><div id=d></div>)";
    for (bool contrast : {false, true, false}) {
        setHighContrastQuery([contrast] { return contrast; });
        page.loadHtml(markup);
        const Document& doc = page.document();
        EXPECT_EQ(doc.mediaType(), contrast ? "contrast-screen" : "screen");
        EXPECT_EQ(testing::byId(page, "a").hasBehavior("command"), contrast);
        EXPECT_EQ(doc.computedStyle(testing::byId(page, "b"), "display"), contrast ? "none" : "");
        EXPECT_EQ(doc.computedStyle(testing::byId(page, "c"), "display"), contrast ? "" : "none");
        EXPECT_EQ(doc.computedStyle(testing::byId(page, "d"), "visibility"),
                  contrast ? "hidden" : "");
    }
    setHighContrastQuery({});
}

}  // namespace
}  // namespace vandrel::ui
