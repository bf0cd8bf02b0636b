#include "docking/vzDockingVS2005.h"

#include <gtest/gtest.h>

#include <vector>

namespace docking::guides {
namespace {

TvzGuideSizes Pictures(int side) {
    TvzGuideSizes sizes;
    sizes.fill({side, side});
    return sizes;
}

TEST(GuideBoundsTest, TheCompassOverlapsItsCentreAndOuterGuidesSitInsideTheEdges) {
    const TvzGuideSizes sizes = Pictures(41);
    const ui::TRect target{100, 100, 501, 301};
    const ui::TRect area{140, 120, 461, 281}; // centre (300, 200)
    const ui::TRect centre = GuideBounds(drtInside, sizes, target, area);
    EXPECT_EQ(centre, ui::Bounds(280, 180, 41, 41));
    EXPECT_EQ(GuideBounds(drtInsideBefore, sizes, target, area), centre);
    EXPECT_EQ(GuideBounds(drtLeft, sizes, target, area).Right - centre.Left, 7);
    EXPECT_EQ(GuideBounds(drtTop, sizes, target, area).Bottom - centre.Top, 7);
    EXPECT_EQ(centre.Right - GuideBounds(drtRight, sizes, target, area).Left, 6);
    EXPECT_EQ(centre.Bottom - GuideBounds(drtBottom, sizes, target, area).Top, 6);
    EXPECT_EQ(GuideBounds(drtDetachedLeft, sizes, target, area), ui::Bounds(100, 180, 41, 41));
    EXPECT_EQ(GuideBounds(drtDetachedTop, sizes, target, area), ui::Bounds(280, 100, 41, 41));
    EXPECT_EQ(GuideBounds(drtDetachedRight, sizes, target, area), ui::Bounds(460, 180, 41, 41));
    EXPECT_EQ(GuideBounds(drtDetachedBottom, sizes, target, area), ui::Bounds(280, 260, 41, 41));
}

TEST(GuideBoundsTest, InsideShowsTheBottomTabsPictureOnlyWhenTabsAreThere) {
    EXPECT_EQ(GuidePicture(drtInside, true), drtInsideBefore);
    EXPECT_EQ(GuidePicture(drtInside, false), drtInside);
    EXPECT_EQ(GuidePicture(drtLeft, true), drtLeft);
}

TEST(PageWithTabTest, ThePageLeavesTheTabStripToOneTabOfAtMostFiftyPixels) {
    const struct {
        ui::TRect dock;
        bool atBottom;
        ui::TRect page, tab;
    } cases[] = {
        {{100, 100, 400, 300}, true, {100, 100, 400, 280}, {105, 280, 155, 300}},
        {{100, 100, 400, 300}, false, {100, 120, 400, 300}, {105, 100, 155, 120}},
        {{100, 100, 130, 300}, true, {100, 100, 130, 280}, {105, 280, 130, 300}}, // narrower than a tab
        {{100, 100, 103, 300}, true, {100, 100, 103, 280}, {}},                   // no room after the indent
    };
    for (const auto& c : cases) {
        const ui::TRegion expected = ui::TRegion(c.page) | ui::TRegion(c.tab);
        EXPECT_TRUE(PageWithTab(c.dock, 20, 5, c.atBottom) == expected)
            << c.dock.Right << (c.atBottom ? " bottom" : " top");
    }
}

std::vector<int> AlphasOf(TvzFade& fade) {
    std::vector<int> alphas;
    while (fade.Running())
        alphas.push_back(fade.Tick());
    return alphas;
}

TEST(FadeTest, AlphaStepsEveryTickToItsTarget) {
    TvzFade fade;
    ASSERT_TRUE(fade.Start(0, 255, 200));
    EXPECT_EQ(AlphasOf(fade), (std::vector<int>{32, 64, 96, 127, 159, 191, 223, 255}));
    ASSERT_TRUE(fade.Start(128, 0, 100));
    EXPECT_EQ(AlphasOf(fade), (std::vector<int>{96, 64, 32, 0}));
    ASSERT_TRUE(fade.Start(128, 0, 1000));
    const std::vector<int> out = AlphasOf(fade);
    ASSERT_EQ(out.size(), 40u);
    EXPECT_EQ(out.front(), 125);
    EXPECT_EQ(out.back(), 0);
    ASSERT_TRUE(fade.Start(0, 128, 0)) << "a delay below one tick takes one tick";
    EXPECT_EQ(AlphasOf(fade), std::vector<int>{128});
    EXPECT_FALSE(fade.Start(128, 128, 200));
    EXPECT_FALSE(fade.Running());
}

} // namespace
} // namespace docking::guides
