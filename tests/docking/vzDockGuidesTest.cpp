#include "docking/vzDockGuides.h"
#include "docking/vzDockGuidePictures.h"

#include <gtest/gtest.h>

#include <vector>

namespace docking::guides {
namespace {

// Square guides hit anywhere in their square, placed the VS2005 way.
TvzGuideGeometry SquareGuides(int side) {
    TvzGuideGeometry geometry;
    geometry.hits.fill(ui::TRegion(ui::Bounds(0, 0, side, side)));
    geometry.offsets = VS2005Offsets(SizesOf(geometry.hits));
    return geometry;
}

ui::TRect Box(int index, const TvzGuideGeometry& geometry, const ui::TRect& target, const ui::TRect& area) {
    return GuideRegion(index, geometry, target, area).BoundingRect();
}

TEST(GuideGeometryTest, TheCompassOverlapsItsCentreAndOuterGuidesSitInsideTheEdges) {
    const TvzGuideGeometry geometry = SquareGuides(41);
    const ui::TRect target{100, 100, 501, 301};
    const ui::TRect area{140, 120, 461, 281}; // centre (300, 200)
    const ui::TRect centre = Box(drtInside, geometry, target, area);
    EXPECT_EQ(centre, ui::Bounds(280, 180, 41, 41));
    EXPECT_EQ(Box(drtInsideBefore, geometry, target, area), centre);
    EXPECT_EQ(Box(drtLeft, geometry, target, area).Right - centre.Left, 7);
    EXPECT_EQ(Box(drtTop, geometry, target, area).Bottom - centre.Top, 7);
    EXPECT_EQ(centre.Right - Box(drtRight, geometry, target, area).Left, 6);
    EXPECT_EQ(centre.Bottom - Box(drtBottom, geometry, target, area).Top, 6);
    EXPECT_EQ(Box(drtDetachedLeft, geometry, target, area), ui::Bounds(100, 180, 41, 41));
    EXPECT_EQ(Box(drtDetachedTop, geometry, target, area), ui::Bounds(280, 100, 41, 41));
    EXPECT_EQ(Box(drtDetachedRight, geometry, target, area), ui::Bounds(460, 180, 41, 41));
    EXPECT_EQ(Box(drtDetachedBottom, geometry, target, area), ui::Bounds(280, 260, 41, 41));
}

TEST(GuideGeometryTest, TheVS2005GuidesAreHitWhereTheirPicturesAreDrawn) {
    const TvzGuidePictures pictures = VS2005Pictures();
    const TvzGuideGeometry geometry = PictureGeometry(pictures);
    for (int i = 0; i < kGuideCount; ++i) {
        const ui::TRegion& hit = geometry.hits[static_cast<std::size_t>(i)];
        EXPECT_EQ(hit.BoundingRect(), ui::Bounds(0, 0, 41, 41)) << i;
        EXPECT_FALSE(hit.Contains({0, 0})) << i << ": the rounded corner is see-through";
        EXPECT_FALSE(hit.Contains({40, 40})) << i;
        EXPECT_TRUE(hit.Contains({20, 0})) << i;
        EXPECT_TRUE(hit.Contains({20, 20})) << i;
        EXPECT_EQ(pictures.normal[static_cast<std::size_t>(i)]->Width(), 41);
    }
    EXPECT_EQ(geometry.offsets, SquareGuides(41).offsets) << "the same table as for full squares";
}

TEST(GuideGeometryTest, TheWhidbeyTableFollowsThePolygonsBoundingBoxes) {
    const TvzGuideGeometry geometry = WhidbeyGeometry();
    const TvzGuideSizes sizes = SizesOf(geometry.hits);
    EXPECT_EQ(sizes[drtLeft], (ui::TPoint{47, 69}));
    EXPECT_EQ(sizes[drtRight], (ui::TPoint{47, 69}));
    EXPECT_EQ(sizes[drtTop], (ui::TPoint{69, 47}));
    EXPECT_EQ(sizes[drtBottom], (ui::TPoint{69, 48})) << "mirrored, its slanted edges take one row more";
    EXPECT_EQ(sizes[drtInside], (ui::TPoint{43, 43}));
    const TvzGuideOffsets expected{{
        {-68, -35}, // left: dx4 - w0 + 1, -(h0 div 2) - 1
        {-34, -69}, // top: half(w1), dy4 - h1 - 1
        {20, -35},  // right: -dx4 - 2
        {-34, 23},  // bottom: 2 - dy4
        {-22, -21}, // centre: -(w4 div 2) - 1, half(h4)
        {0, -34},   // the outer guides as VS2005 places them
        {-34, 0},
        {-47, -34},
        {-34, -48},
        {-22, -21},
    }};
    EXPECT_EQ(geometry.offsets, expected);
    for (int i = drtDetachedLeft; i <= drtDetachedBottom; ++i)
        EXPECT_TRUE(geometry.hits[static_cast<std::size_t>(i)] ==
                    geometry.hits[static_cast<std::size_t>(i - drtDetachedLeft)])
            << i;
}

TEST(GuideGeometryTest, TheWhidbeyPiecesTileADiamondThatOverlappingBoxesWouldMisjudge) {
    const TvzGuideGeometry geometry = WhidbeyGeometry();
    const ui::TRect target{0, 0, 600, 400}, area{0, 0, 600, 400}; // the anchor at (300, 200)
    std::array<ui::TRegion, 5> compass;
    for (int i = drtLeft; i <= drtInside; ++i)
        compass[static_cast<std::size_t>(i)] = GuideRegion(i, geometry, target, area);
    const ui::TRect centre = compass[drtInside].BoundingRect();
    EXPECT_EQ(centre, ui::Bounds(278, 179, 43, 43));
    EXPECT_EQ(compass[drtLeft].BoundingRect(), (ui::TRect{231, 166, 278, 235}));
    EXPECT_EQ(compass[drtTop].BoundingRect(), (ui::TRect{265, 132, 334, 179}));
    EXPECT_EQ(compass[drtLeft].BoundingRect().Right, centre.Left) << "the pieces abut the centre";
    EXPECT_EQ(compass[drtRight].BoundingRect().Left, centre.Right);
    EXPECT_EQ(compass[drtTop].BoundingRect().Bottom, centre.Top);
    EXPECT_EQ(compass[drtBottom].BoundingRect().Top, centre.Bottom);
    for (int side = drtLeft; side <= drtBottom; ++side)
        EXPECT_TRUE((compass[static_cast<std::size_t>(side)] & compass[drtInside]).IsEmpty()) << side;
    // Neighbouring pieces share at most their slanted edge's pixels, where their boxes share 13 x 13.
    int shared = 0;
    for (const ui::TRect& r : (compass[drtLeft] & compass[drtTop]).Rects())
        shared += r.Width() * r.Height();
    EXPECT_LE(shared, 13);

    // Across the slanted edge between the left and the top piece, all inside both boxes but one.
    const struct {
        ui::TPoint at;
        TvzDockingRegionType piece; // drtNone: neither
    } cases[] = {
        {{268, 170}, drtLeft}, {{270, 170}, drtTop},  {{265, 175}, drtLeft},
        {{274, 173}, drtTop},  {{260, 170}, drtNone}, {{276, 178}, drtLeft},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compass[drtLeft].Contains(c.at), c.piece == drtLeft) << c.at.X << "," << c.at.Y;
        EXPECT_EQ(compass[drtTop].Contains(c.at), c.piece == drtTop) << c.at.X << "," << c.at.Y;
    }
}

TEST(GuideGeometryTest, EveryWhidbeyPictureIsDrawnExactlyOverItsHitArea) {
    const TvzGuideGeometry geometry = WhidbeyGeometry();
    const TvzGuidePictures pictures = WhidbeyPictures(geometry.hits);
    const TvzGuideGeometry drawn = PictureGeometry(pictures);
    for (std::size_t i = 0; i < kGuideCount; ++i) {
        EXPECT_EQ(pictures.normal[i]->Width(), 69) << i;
        EXPECT_EQ(pictures.normal[i]->Height(), 69) << i;
        EXPECT_EQ(pictures.lit[i], pictures.normal[i]) << i << ": lit, a guide keeps its picture";
        ui::TRegion hit = geometry.hits[i];
        const ui::TRect box = hit.BoundingRect();
        hit.Offset(-box.Left, -box.Top); // a guide window shows its picture from its box's corner
        EXPECT_TRUE(drawn.hits[i] == hit) << i;
    }
}

TEST(GuideGeometryTest, InsideShowsTheBottomTabsPictureOnlyWhenTabsAreThere) {
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
