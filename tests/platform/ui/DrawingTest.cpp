#include "platform/ui/Bitmap.h"
#include "platform/ui/Edges.h"
#include "platform/ui/Region.h"

#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace ui {
namespace {

class DrawingTest : public uitest::UiTest {};

TColor At(TBitmap& bitmap, int x, int y) {
    return bitmap.Canvas()->Pixel(x, y);
}

std::unique_ptr<TBitmap> Filled(int width, int height, TColor color, TPixelFormat format = pf24bit) {
    auto bitmap = std::make_unique<TBitmap>(width, height, format);
    bitmap->Canvas()->Brush()->SetColor(color);
    bitmap->Canvas()->FillRect(Rect(0, 0, width, height));
    return bitmap;
}

TEST_F(DrawingTest, RasterOperationsCombineSourceAndDestination) {
    const TColor src = RGB(0xF0, 0x0F, 0x33);
    const TColor dst = RGB(0x3C, 0x3C, 0x55);
    struct Case {
        TCopyMode mode;
        TColor expected;
    };
    const Case cases[] = {
        {cmSrcCopy, src},
        {cmSrcAnd, RGB(0xF0 & 0x3C, 0x0F & 0x3C, 0x33 & 0x55)},
        {cmSrcPaint, RGB(0xF0 | 0x3C, 0x0F | 0x3C, 0x33 | 0x55)},
        {cmSrcInvert, RGB(0xF0 ^ 0x3C, 0x0F ^ 0x3C, 0x33 ^ 0x55)},
        {cmNotSrcCopy, RGB(0x0F, 0xF0, 0xCC)},
        {cmBlackness, clBlack},
        {cmWhiteness, clWhite},
        {cmDstInvert, RGB(0xC3, 0xC3, 0xAA)},
    };
    auto source = Filled(2, 2, src);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        for (TPixelFormat format : {pf24bit, pf32bit}) {
            auto target = Filled(4, 4, dst, format);
            target->Canvas()->SetCopyMode(c.mode);
            target->Canvas()->CopyRect(Rect(1, 1, 3, 3), *source->Canvas(), Rect(0, 0, 2, 2));
            EXPECT_EQ(At(*target, 1, 1), c.expected);
            EXPECT_EQ(At(*target, 2, 2), c.expected);
            EXPECT_EQ(At(*target, 0, 0), dst);
            EXPECT_EQ(At(*target, 3, 3), dst);
            // Draw goes by the destination's copy mode too.
            auto drawn = Filled(4, 4, dst, format);
            drawn->Canvas()->SetCopyMode(c.mode);
            drawn->Canvas()->Draw(1, 1, source.get());
            if (c.mode != cmBlackness && c.mode != cmWhiteness && c.mode != cmDstInvert) {
                EXPECT_EQ(At(*drawn, 2, 2), c.expected);
            }
        }
    }
}

TEST_F(DrawingTest, StretchDrawScalesPixelByPixel) {
    TBitmap checker(2, 2, pf24bit);
    checker.Canvas()->SetPixel(0, 0, clRed);
    checker.Canvas()->SetPixel(1, 0, clBlue);
    checker.Canvas()->SetPixel(0, 1, clLime);
    checker.Canvas()->SetPixel(1, 1, clBlack);
    auto target = Filled(6, 4, clWhite);
    target->Canvas()->StretchDraw(Rect(0, 0, 6, 4), &checker);
    EXPECT_EQ(At(*target, 0, 0), clRed);
    EXPECT_EQ(At(*target, 2, 1), clRed);
    EXPECT_EQ(At(*target, 3, 0), clBlue);
    EXPECT_EQ(At(*target, 5, 1), clBlue);
    EXPECT_EQ(At(*target, 0, 2), clLime);
    EXPECT_EQ(At(*target, 5, 3), clBlack);
}

TEST_F(DrawingTest, PatternBrushTilesFromTheBrushOrigin) {
    TBitmap pattern(2, 2, pf24bit);
    pattern.Canvas()->SetPixel(0, 0, clBlack);
    pattern.Canvas()->SetPixel(1, 1, clBlack);
    auto target = Filled(5, 2, clRed);
    target->Canvas()->Brush()->SetBitmap(&pattern);
    target->Canvas()->FillRect(Rect(0, 0, 5, 2));
    EXPECT_EQ(At(*target, 0, 0), clBlack);
    EXPECT_EQ(At(*target, 1, 0), clWhite);
    EXPECT_EQ(At(*target, 4, 0), clBlack);
    EXPECT_EQ(At(*target, 3, 1), clBlack);
    target->Canvas()->SetBrushOrigin(Point(1, 0));
    target->Canvas()->FillRect(Rect(0, 0, 5, 2));
    EXPECT_EQ(At(*target, 0, 0), clWhite);
    EXPECT_EQ(At(*target, 1, 0), clBlack);
}

TEST_F(DrawingTest, FocusRectangleDrawsDotsAndASecondCallErasesIt) {
    auto target = Filled(6, 4, clWhite);
    target->Canvas()->DrawFocusRect(Rect(0, 0, 6, 4));
    int changed = 0;
    for (int x = 0; x < 6; ++x)
        changed += At(*target, x, 0) != clWhite;
    EXPECT_EQ(changed, 3); // every other pixel
    EXPECT_EQ(At(*target, 2, 2), clWhite);
    target->Canvas()->DrawFocusRect(Rect(0, 0, 6, 4));
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(At(*target, x, 0), clWhite);
}

TEST_F(DrawingTest, EdgesUseTheButtonColours) {
    auto target = Filled(6, 6, clRed);
    TRect r = Rect(0, 0, 6, 6);
    DrawEdge(*target->Canvas(), r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
    EXPECT_EQ(r, Rect(2, 2, 4, 4));
    const TColor expected[6][6] = {
        {cl3DLight, cl3DLight, cl3DLight, cl3DLight, cl3DLight, cl3DDkShadow},
        {cl3DLight, clBtnHighlight, clBtnHighlight, clBtnHighlight, clBtnShadow, cl3DDkShadow},
        {cl3DLight, clBtnHighlight, clBtnFace, clBtnFace, clBtnShadow, cl3DDkShadow},
        {cl3DLight, clBtnHighlight, clBtnFace, clBtnFace, clBtnShadow, cl3DDkShadow},
        {cl3DLight, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, cl3DDkShadow},
        {cl3DDkShadow, cl3DDkShadow, cl3DDkShadow, cl3DDkShadow, cl3DDkShadow, cl3DDkShadow},
    };
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(At(*target, x, y), ColorToRGB(expected[y][x])) << x << "," << y;

    // Only the sides asked for; without BF_ADJUST the rectangle stays.
    auto bottom = Filled(4, 4, clRed);
    TRect whole = Rect(0, 0, 4, 4);
    DrawEdge(*bottom->Canvas(), whole, BDR_SUNKENOUTER, BF_BOTTOM);
    EXPECT_EQ(whole, Rect(0, 0, 4, 4));
    EXPECT_EQ(At(*bottom, 0, 3), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(*bottom, 0, 0), clRed);
}

TEST_F(DrawingTest, FrameControlsShowTheirState) {
    auto draw = [](uint32_t kind, uint32_t state) {
        auto target = Filled(16, 16, clRed);
        DrawFrameControl(*target->Canvas(), Rect(0, 0, 16, 16), kind, state);
        return target;
    };
    auto count = [](TBitmap& bitmap, TColor color) {
        int n = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                n += bitmap.Canvas()->Pixel(x, y) == ColorToRGB(color);
        return n;
    };
    auto unchecked = draw(DFC_BUTTON, DFCS_BUTTONCHECK);
    auto checked = draw(DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_EQ(count(*unchecked, clBtnText), 0);
    EXPECT_GT(count(*checked, clBtnText), 5);
    EXPECT_GT(count(*unchecked, clWindow), 50);
    EXPECT_GT(count(*draw(DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_INACTIVE), clBtnFace), 50);

    auto push = draw(DFC_BUTTON, DFCS_BUTTONPUSH);
    auto pushed = draw(DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
    EXPECT_EQ(At(*push, 0, 0), ColorToRGB(cl3DLight));
    EXPECT_EQ(At(*pushed, 0, 0), ColorToRGB(clBtnShadow));
    EXPECT_GT(count(*draw(DFC_SCROLL, DFCS_SCROLLDOWN), clBtnText), 5);
    EXPECT_GT(count(*draw(DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE), clGrayText), 5);
    EXPECT_GT(count(*draw(DFC_CAPTION, DFCS_CAPTIONCLOSE), clBtnText), 5);
}

TEST_F(DrawingTest, GradientRunsFromFirstToLastColour) {
    auto target = Filled(5, 3, clWhite);
    GradientFillRect(*target->Canvas(), Rect(0, 0, 5, 3), RGB(0, 0, 0), RGB(200, 100, 40), gdHorizontal);
    EXPECT_EQ(At(*target, 0, 1), RGB(0, 0, 0));
    EXPECT_EQ(At(*target, 2, 1), RGB(100, 50, 20));
    EXPECT_EQ(At(*target, 4, 2), RGB(200, 100, 40));
}

TEST_F(DrawingTest, RegionsCombineAndAnswerPointTests) {
    const TRegion a(Rect(0, 0, 10, 10));
    const TRegion b(Rect(5, 5, 15, 15));
    struct Case {
        TRegion region;
        TPoint inside;
        TPoint outside;
        TRegionComplexity complexity;
    };
    const Case cases[] = {
        {a | b, Point(12, 12), Point(12, 2), COMPLEXREGION},
        {a & b, Point(7, 7), Point(2, 2), SIMPLEREGION},
        {a - b, Point(2, 2), Point(7, 7), COMPLEXREGION},
        {a ^ b, Point(12, 12), Point(7, 7), COMPLEXREGION},
        {a.Combine(b, RGN_COPY), Point(9, 9), Point(10, 10), SIMPLEREGION},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.region.Contains(c.inside));
        EXPECT_FALSE(c.region.Contains(c.outside));
        EXPECT_EQ(c.region.Complexity(), c.complexity);
    }
    EXPECT_EQ((a | b).BoundingRect(), Rect(0, 0, 15, 15));
    EXPECT_TRUE((a & TRegion(Rect(20, 20, 30, 30))).IsEmpty());
    EXPECT_EQ(TRegion().Complexity(), NULLREGION);

    TRegion moved = a;
    moved.Offset(100, 0);
    EXPECT_TRUE(moved.Contains(Point(105, 5)));
    EXPECT_TRUE(a.Contains(Point(5, 5))); // copies are independent
    EXPECT_FALSE(moved.Contains(Point(5, 5)));
    EXPECT_TRUE(TRegion::Ellipse(Rect(0, 0, 10, 10)).Contains(Point(5, 5)));
    EXPECT_FALSE(TRegion::Ellipse(Rect(0, 0, 10, 10)).Contains(Point(0, 0)));
    EXPECT_TRUE(TRegion::Polygon({Point(0, 0), Point(10, 0), Point(0, 10)}).Contains(Point(2, 2)));
    EXPECT_FALSE(TRegion::Polygon({Point(0, 0), Point(10, 0), Point(0, 10)}).Contains(Point(8, 8)));
}

TEST_F(DrawingTest, ColourKeyedRegionLeavesOutTheMagentaPixels) {
    auto mask = Filled(6, 4, clFuchsia);
    mask->Canvas()->Brush()->SetColor(clBlack);
    mask->Canvas()->FillRect(Rect(1, 1, 3, 3));
    mask->Canvas()->SetPixel(5, 0, clWhite);
    const TRegion region = TRegion::FromImage(*mask, clFuchsia);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool kept = (x >= 1 && x < 3 && y >= 1 && y < 3) || (x == 5 && y == 0);
            EXPECT_EQ(region.Contains(Point(x, y)), kept) << x << "," << y;
        }
    EXPECT_EQ(region.BoundingRect(), Rect(1, 0, 6, 3));
    EXPECT_TRUE(TRegion::FromImage(TBitmap(), clFuchsia).IsEmpty());
}

} // namespace
} // namespace ui
