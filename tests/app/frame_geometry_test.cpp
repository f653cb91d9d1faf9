// The work area a maximised frame fills, and the hit-test of the borderless frame.
#include "app/frame_geometry.h"

#include <gtest/gtest.h>

namespace vandrel::app {
namespace {

constexpr int W = 1920;
constexpr int H = 1080;

TEST(WorkArea, LeavesOutAPanelAlongAnyEdge) {
    EXPECT_EQ(WorkArea(W, H, ScreenRect{0, 1040, W, H}), (ScreenRect{0, 0, W, 1040}));
    EXPECT_EQ(WorkArea(W, H, ScreenRect{0, 0, 60, H}), (ScreenRect{60, 0, W, H}));
    EXPECT_EQ(WorkArea(W, H, ScreenRect{0, 0, W, 32}), (ScreenRect{0, 32, W, H}));
    EXPECT_EQ(WorkArea(W, H, ScreenRect{1860, 0, W, H}), (ScreenRect{0, 0, 1860, H}));
}

TEST(WorkArea, IsTheWholeDesktopWithoutAPanelAlongAnEdge) {
    EXPECT_EQ(WorkArea(W, H, std::nullopt), (ScreenRect{0, 0, W, H}));
    // A floating panel touches no edge from end to end.
    EXPECT_EQ(WorkArea(W, H, ScreenRect{400, 1000, 1500, 1060}), (ScreenRect{0, 0, W, H}));
}

TEST(WorkArea, CountsEdgesWithinTwoPixelsAsTouching) {
    EXPECT_EQ(WorkArea(W, H, ScreenRect{2, 1040, W - 2, H + 2}), (ScreenRect{0, 0, W, 1040}));
    EXPECT_EQ(WorkArea(W, H, ScreenRect{3, 1040, W, H}), (ScreenRect{0, 0, W, H}));
    EXPECT_EQ(WorkArea(W, H, ScreenRect{0, 1040, W, H - 3}), (ScreenRect{0, 0, W, H}));
}

TEST(WorkArea, APanelCoveringTheDesktopMatchesTheLastTest) {
    // Every test matches; the right-edge test comes last and wins.
    EXPECT_EQ(WorkArea(W, H, ScreenRect{0, 0, W, H}), (ScreenRect{0, 0, 0, H}));
}

class HitTest : public ::testing::Test {
  protected:
    // A 920 x 720 frame: body padding 3 px, caption bar at the top.
    FrameLayout layout{ui::Rect{30, 3, 800, 25}, ui::Rect{3, 3, 25, 25}, ui::Rect{3, 3, 917, 717}};
};

TEST_F(HitTest, MaximisedFrameIsAllClient) {
    EXPECT_EQ(frameHitTest({10, 10}, true, layout), FrameHit::Client);
    EXPECT_EQ(frameHitTest({0, 0}, true, layout), FrameHit::Client);
}

TEST_F(HitTest, CaptionMovesIconIsTheSystemMenuRestIsClient) {
    EXPECT_EQ(frameHitTest({100, 10}, false, layout), FrameHit::Caption);
    EXPECT_EQ(frameHitTest({10, 10}, false, layout), FrameHit::SystemMenu);
    EXPECT_EQ(frameHitTest({400, 400}, false, layout), FrameHit::Client);
}

TEST_F(HitTest, CornerZonesReachTenPixelsAlongTheSideRings) {
    EXPECT_EQ(frameHitTest({1, 8}, false, layout), FrameHit::TopLeft);
    EXPECT_EQ(frameHitTest({1, 18}, false, layout), FrameHit::Left);
    EXPECT_EQ(frameHitTest({918, 1}, false, layout), FrameHit::TopRight);
    EXPECT_EQ(frameHitTest({1, 715}, false, layout), FrameHit::BottomLeft);
    EXPECT_EQ(frameHitTest({918, 718}, false, layout), FrameHit::BottomRight);
    EXPECT_EQ(frameHitTest({918, 400}, false, layout), FrameHit::Right);
    EXPECT_EQ(frameHitTest({400, 1}, false, layout), FrameHit::Top);
    EXPECT_EQ(frameHitTest({400, 718}, false, layout), FrameHit::Bottom);
}

TEST_F(HitTest, MissingElementsTakeNoPart) {
    FrameLayout bare;
    bare.bodyContent = layout.bodyContent;
    EXPECT_EQ(frameHitTest({100, 10}, false, bare), FrameHit::Client);
    EXPECT_EQ(frameHitTest({10, 10}, false, FrameLayout{}), FrameHit::Client);
}

}  // namespace
}  // namespace vandrel::app
