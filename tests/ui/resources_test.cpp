#include <gtest/gtest.h>

#include <span>

#include "tests/ui/ui_test_support.h"
#include "ui/resources.h"

std::span<const vandrel::ui::Resource> uiTestResources();

namespace vandrel::ui {
namespace {

using Outcome = LoadData::Outcome;

class Resources : public ::testing::Test {
  protected:
    void SetUp() override { setResourceTable(uiTestResources()); }
    void TearDown() override {
        setResourceTable({});
        setHighContrastQuery({});
    }
};

TEST_F(Resources, LoadDataResolvesResNamesAndTypes) {
    LoadData html = resolveLoadData("res:201.html");
    EXPECT_EQ(html.outcome, Outcome::Delivered);
    EXPECT_EQ(html.bytes.substr(0, 6), "<html>");
    EXPECT_EQ(resolveLoadData("res:201").outcome, Outcome::Delivered);
    EXPECT_EQ(resolveLoadData("201.HTML").outcome, Outcome::Delivered);
    EXPECT_EQ(resolveLoadData("res:logo.png").bytes, "PNGDATA");
    // Absent: left to the engine. Empty: discarded.
    EXPECT_EQ(resolveLoadData("res:foo.png").outcome, Outcome::Engine);
    EXPECT_EQ(resolveLoadData("res:blank.html").outcome, Outcome::Discard);
    EXPECT_EQ(resolveLoadData("").outcome, Outcome::Discard);
    for (const char* outside : {"http://example.org/a.html", "https:x", "FILE:///etc/passwd",
                                "images/logo1.png", "other.so/201.html"}) {
        EXPECT_EQ(resolveLoadData(outside).outcome, Outcome::Engine) << outside;
    }
}

TEST_F(Resources, LoadHtmlResourceKeepsTheOldDocumentWhenMissingOrEmpty) {
    ManualEventLoop loop;
    testing::RecordingPage page(loop);
    ASSERT_TRUE(loadHtmlResource(page, 201));
    // The resource's style sheet attached its behaviour.
    EXPECT_TRUE(testing::byId(page, "a").hasBehavior("command"));
    EXPECT_FALSE(loadHtmlResource(page, 999));
    EXPECT_NE(page.document().selectFirst("#a"), nullptr);
}

TEST_F(Resources, TheMediaTypeFollowsHighContrastAtEachLoad) {
    ManualEventLoop loop;
    HtmlWindow page(loop);
    loadHtmlResource(page, 201);
    EXPECT_EQ(page.document().mediaType(), "screen");
    bool contrast = true;
    setHighContrastQuery([&] { return contrast; });
    loadHtmlResource(page, 201);
    EXPECT_EQ(page.document().mediaType(), "contrast-screen");
}

}  // namespace
}  // namespace vandrel::ui
