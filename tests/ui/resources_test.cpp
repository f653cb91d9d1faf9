#include <gtest/gtest.h>

#include <span>

#include "ui/resources.h"
#include "ui/ui_test_support.h"

std::span<const vandrel::ui::Resource> uiTestResources();

namespace vandrel::ui {
namespace {

using Outcome = LoadData::Outcome;

class Resources : public ::testing::Test {
  protected:
    void SetUp() override { setResourceTable(uiTestResources()); }
    void TearDown() override {
        setResourceTable(programResources());
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

Notification note(unsigned code) {
    Notification n;
    n.code = code;
    return n;
}

class Notified : public HtmlWindow {
  public:
    using HtmlWindow::HtmlWindow;
    std::intptr_t handleMessage(const Message& m) override {
        if (m.id == WM_NOTIFY) {
            forwarded.push_back(reinterpret_cast<const Notification*>(m.lParam)->code);
            return 7;
        }
        return 0;
    }
    std::intptr_t onWindowNotification(Notification&) override { return 42; }
    std::vector<unsigned> forwarded;
};

TEST_F(Resources, NotificationsAreAnsweredByCode) {
    ManualEventLoop loop;
    Notified parent(loop);
    parent.loadHtml("<iframe id=3></iframe><div id=d></div>");
    auto* child = dynamic_cast<HtmlWindow*>(testing::byId(parent, "3").window());
    ASSERT_NE(child, nullptr);
    Notification load = note(HLN_LOAD_DATA);
    load.text = "res:201.html";
    EXPECT_EQ(child->notify(load), 0);
    EXPECT_EQ(load.data.outcome, LoadData::Outcome::Delivered);
    load.text = "";
    EXPECT_EQ(child->notify(load), 1);
    Notification attach = note(HLN_ATTACH_BEHAVIOR);
    attach.text = "popup";
    child->notify(attach);
    EXPECT_EQ(attach.behavior, findBehavior("popup"));
    Notification own = note(HLN_WINDOW_SPECIFIC);
    EXPECT_EQ(parent.notify(own), 42);
    Notification other = note(0xC01);
    EXPECT_EQ(child->notify(other), 7);  // to the parent, unchanged
    EXPECT_EQ(parent.forwarded, (std::vector<unsigned>{0xC01}));
    EXPECT_EQ(parent.notify(other), 0);  // no parent
    Notification create = note(HLN_CREATE_CONTROL);
    create.element = &testing::byId(parent, "d");
    EXPECT_EQ(parent.notify(create), 0);
    EXPECT_EQ(create.control, nullptr);
}

}  // namespace
}  // namespace vandrel::ui
