#include "docking/vzUIHelpers.h"

#include "platform/ui/Bitmap.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace docking {
namespace {

using namespace ui;

class UIHelpersTest : public uitest::UiTest {
protected:
    // A white surface to paint on.
    static std::unique_ptr<TBitmap> Surface(int width, int height) {
        auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
        bitmap->Canvas()->Brush()->SetColor(clWhite);
        bitmap->Canvas()->FillRect({0, 0, width, height});
        return bitmap;
    }
    static std::vector<TColor> Row(TBitmap& bitmap, int y) {
        std::vector<TColor> row;
        for (int x = 0; x < bitmap.Width(); ++x)
            row.push_back(bitmap.Canvas()->Pixel(x, y));
        return row;
    }
    static int CountOf(TBitmap& bitmap, TColor color) {
        int count = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                count += bitmap.Canvas()->Pixel(x, y) == color;
        return count;
    }
    static TRect Unclipped() { return {-10000, -10000, 10000, 10000}; }
};

TEST(ColorArithmeticTest, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(200, 20, 100), 40);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(ColorArithmeticTest, EachRoutineGivesItsValues) {
    struct Case {
        const char* name;
        TColor result, expected;
    };
    const TColor grey = RGB(200, 100, 50);
    const Case cases[] = {
        {"darken 50", DarkenColor(grey, 50), RGB(100, 50, 25)},
        {"lighten 20", LightenColor(grey, 20), RGB(244, 224, 214)},
        {"highlight", HighlightColor(grey), RGB(244, 224, 214)},
        {"light", LightColor(grey), RGB(222, 162, 132)},
        {"shadow", ShadowColor(grey), RGB(120, 60, 30)},
        {"dark shadow", DarkShadowColor(grey), RGB(40, 20, 10)},
        {"pale of dark", PaleColor(RGB(10, 20, 30)), RGB(45, 55, 65)},
        {"pale of bright", PaleColor(RGB(250, 100, 0)), RGB(255, 105, 5)},
        {"mix", MixColors(clWhite, clBlack, RGB(100, 0, 0), 50, 50, 50), RGB(178, 128, 128)},
        {"mix clamps", MixColors(clWhite, clWhite, clWhite, 100, 100, 0), clWhite},
        {"blend", BlendColors(RGB(0, 100, 200), RGB(100, 100, 0), 25), RGB(25, 100, 150)},
        {"blend past the end", BlendColors(RGB(200, 0, 0), clWhite, 150), RGB(255, 255, 255)},
        {"system colour", DarkenColor(clBtnFace, 100), ColorToRGB(clBtnFace)},
        {"nearest", NearestColor(clWindow), ColorToRGB(clWindow)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.name;
}

TEST(GradientTest, AnnouncesChangesThatShowAndOneAfterAnUpdate) {
    TGradient gradient;
    int changes = 0;
    gradient.OnChange = [&](TGradient*) { ++changes; };
    gradient.SetEndColor(clRed); // solid: the end colour does not show
    gradient.SetBands(8);
    gradient.SetStartColor(clBtnFace); // unchanged
    EXPECT_EQ(changes, 0);
    gradient.SetFillType(gtVertical);
    gradient.SetBands(16);
    EXPECT_EQ(changes, 2);

    TGradient source;
    source.SetFillType(gtHorzSplit);
    source.SetStartColor(clBlue);
    gradient.Assign(&source);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(gradient.FillType(), gtHorzSplit);
    EXPECT_EQ(gradient.Bands(), 256);

    gradient.Reset();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(gradient.FillType(), gtSolid);
    EXPECT_EQ(gradient.StartColor(), clBtnFace);
}

TEST_F(UIHelpersTest, AThreePixelFillHasStartMiddleAndEndBands) {
    TGradient gradient;
    gradient.SetFillType(gtHorizontal);
    gradient.SetStartColor(RGB(0, 0, 0));
    gradient.SetEndColor(RGB(200, 100, 50));
    auto surface = Surface(5, 2);
    gradient.Draw(*surface->Canvas(), {1, 0, 4, 2}, false, Unclipped());
    EXPECT_EQ(Row(*surface, 1),
              (std::vector<TColor>{clWhite, RGB(0, 0, 0), RGB(100, 50, 25), RGB(200, 100, 50), clWhite}));
    gradient.Draw(*surface->Canvas(), {1, 0, 4, 2}, true, Unclipped());
    EXPECT_EQ(surface->Canvas()->Pixel(1, 0), RGB(200, 100, 50));
}

TEST_F(UIHelpersTest, BandsSpreadOverTheSizeAndStayInTheClip) {
    TGradient gradient;
    gradient.SetFillType(gtVertical);
    gradient.SetStartColor(clBlack);
    gradient.SetEndColor(clWhite);
    gradient.SetBands(2);
    auto surface = Surface(1, 5);
    surface->Canvas()->Brush()->SetColor(clRed);
    surface->Canvas()->FillRect({0, 0, 1, 5});
    gradient.Draw(*surface->Canvas(), {0, 0, 1, 5}, false, {0, 1, 1, 5});
    std::vector<TColor> column;
    for (int y = 0; y < 5; ++y)
        column.push_back(surface->Canvas()->Pixel(0, y));
    // Bands from 0 to MulDiv(5, 1, 2) = 3 and from 3 to 5; the clip keeps row 0.
    EXPECT_EQ(column, (std::vector<TColor>{clRed, clBlack, clBlack, clWhite, clWhite}));
}

TEST_F(UIHelpersTest, ASplitFillHasTheStartColourAtBothEdgesAndTheEndInTheMiddle) {
    TGradient gradient;
    gradient.SetFillType(gtHorzSplit);
    gradient.SetStartColor(clBlue);
    gradient.SetEndColor(clYellow);
    auto surface = Surface(9, 1);
    gradient.Draw(*surface->Canvas(), {0, 0, 9, 1}, false, Unclipped());
    const std::vector<TColor> row = Row(*surface, 0);
    EXPECT_EQ(row.front(), clBlue);
    EXPECT_EQ(row.back(), clBlue);
    EXPECT_EQ(row[3], clYellow); // the halves meet in the end colour
    EXPECT_EQ(row[4], clYellow);
    EXPECT_EQ(CountOf(*surface, clWhite), 0);
}

TEST_F(UIHelpersTest, EmptyRectanglesAndSolidFills) {
    TGradient gradient;
    gradient.SetFillType(gtHorizontal);
    auto surface = Surface(4, 4);
    gradient.Draw(*surface->Canvas(), {2, 0, 2, 4}, false, Unclipped());
    EXPECT_EQ(CountOf(*surface, clWhite), 16);
    gradient.SetFillType(gtSolid);
    gradient.SetStartColor(clGreen);
    gradient.Draw(*surface->Canvas(), {0, 0, 4, 4}, false, {0, 0, 2, 4});
    EXPECT_EQ(CountOf(*surface, clGreen), 8);
}

TEST_F(UIHelpersTest, EdgesFollowTheirKindSidesAndInset) {
    const TColor base = RGB(100, 100, 100);
    auto surface = Surface(6, 6);
    DrawEdge3D(surface->Canvas(), {0, 0, 6, 6}, ekRaised, 1, base, sdAll, ekRaised);
    EXPECT_EQ(surface->Canvas()->Pixel(0, 3), HighlightColor(base));
    EXPECT_EQ(surface->Canvas()->Pixel(3, 0), HighlightColor(base));
    EXPECT_EQ(surface->Canvas()->Pixel(5, 3), DarkShadowColor(base));
    EXPECT_EQ(surface->Canvas()->Pixel(1, 3), LightColor(base));
    EXPECT_EQ(surface->Canvas()->Pixel(4, 3), ShadowColor(base));
    EXPECT_EQ(surface->Canvas()->Pixel(3, 3), clWhite);

    // Without an outer frame the inner one lies on the edge; only the chosen side is drawn.
    auto sunken = Surface(4, 4);
    DrawEdge3D(sunken->Canvas(), {0, 0, 4, 4}, ekSunken, 1, base, sdBottom, ekNone);
    EXPECT_EQ(Row(*sunken, 3), std::vector<TColor>(4, LightColor(base)));
    EXPECT_EQ(CountOf(*sunken, clWhite), 12);
}

TEST_F(UIHelpersTest, EdgesWithoutSidesWidthOrKindsDrawNothing) {
    auto surface = Surface(6, 6);
    DrawEdge3D(surface->Canvas(), {0, 0, 6, 6}, ekRaised, 1, clBlack, 0, ekRaised);
    DrawEdge3D(surface->Canvas(), {0, 0, 6, 6}, ekRaised, 0, clBlack, sdAll, ekRaised);
    DrawEdge3D(surface->Canvas(), {0, 0, 6, 6}, ekNone, 1, clBlack, sdAll, ekNone);
    DrawEdge3D(nullptr, {0, 0, 6, 6}, ekRaised, 1, clBlack, sdAll, ekRaised);
    EXPECT_EQ(CountOf(*surface, clWhite), 36);
}

TEST_F(UIHelpersTest, AChamferedFrameCutsCornersWhereDrawnSidesMeet) {
    auto surface = Surface(6, 6);
    DrawChamferedFrame(*surface->Canvas(), {0, 0, 6, 6}, sdLeft | sdTop, 1, clBlack);
    EXPECT_EQ(surface->Canvas()->Pixel(0, 0), clWhite);
    EXPECT_EQ(surface->Canvas()->Pixel(1, 1), clBlack);
    EXPECT_EQ(surface->Canvas()->Pixel(0, 5), clBlack); // no bottom side: the left runs to the end
    EXPECT_EQ(surface->Canvas()->Pixel(5, 0), clBlack);
    EXPECT_EQ(Row(*surface, 0), (std::vector<TColor>{clWhite, clWhite, clBlack, clBlack, clBlack, clBlack}));
}

TEST_F(UIHelpersTest, TextThatFitsStaysWholeAndLongTextEndsInAnEllipsis) {
    auto surface = Surface(1, 1);
    TCanvas& canvas = *surface->Canvas();
    std::u16string result;
    EXPECT_TRUE(FitTextWithEllipsis(u"Output", canvas, 1000, result, pmNormal));
    EXPECT_EQ(result, u"Output");

    const int width = canvas.TextWidth(u"Watch...");
    EXPECT_FALSE(FitTextWithEllipsis(u"Watches of variables", canvas, width, result, pmNormal));
    EXPECT_EQ(result, u"Watch...");

    // The "&" does not take room unless prefixes are shown as they are.
    const int plain = canvas.TextWidth(u"Call stack");
    EXPECT_TRUE(FitTextWithEllipsis(u"&Call stack", canvas, plain, result, pmHidePrefix));
    EXPECT_FALSE(FitTextWithEllipsis(u"&Call stack", canvas, plain, result, pmNoPrefix));

    EXPECT_TRUE(FitTextWithEllipsis(u"Ab", canvas, 0, result, pmNormal)); // too short to cut
    EXPECT_EQ(result, u"Ab");
    EXPECT_FALSE(FitTextWithEllipsis(u"Abc", canvas, 0, result, pmNormal));
    EXPECT_EQ(result, u"A...");
}

TEST_F(UIHelpersTest, MeasuredTextMatchesTheCanvas) {
    TFont font;
    font.SetName("Tahoma");
    font.SetHeight(-11);
    auto surface = Surface(1, 1);
    surface->Canvas()->SetFont(&font);
    EXPECT_EQ(MeasureText(font, u"Wkg"), surface->Canvas()->TextExtent(u"Wkg"));
    EXPECT_GT(MeasureText(font, u"Wkg").cx, 0);
}

// The bounding box of the pixels that are not white.
TRect InkBox(TBitmap& bitmap) {
    TRect box{bitmap.Width(), bitmap.Height(), 0, 0};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Canvas()->Pixel(x, y) != clWhite)
                box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                       std::max(box.Bottom, y + 1)};
    return box;
}

TEST_F(UIHelpersTest, RotatedTextRunsDownTheRectangle) {
    auto upright = Surface(120, 120);
    auto rotated = Surface(120, 120);
    for (TBitmap* b : {upright.get(), rotated.get()}) {
        b->Canvas()->Font()->SetColor(clBlack);
        b->Canvas()->Brush()->SetStyle(bsClear);
    }
    DrawAlignedText(*upright->Canvas(), {10, 10, 110, 30}, 0, pmNormal, false, false, taLeftJustify, vaTop,
                    u"Breakpoints", 0);
    DrawAlignedText(*rotated->Canvas(), {10, 10, 30, 110}, 0, pmNormal, false, true, taLeftJustify, vaTop,
                    u"Breakpoints", 0);
    const TRect across = InkBox(*upright), down = InkBox(*rotated);
    ASSERT_FALSE(down.IsEmpty());
    EXPECT_EQ(down.Height(), across.Width());
    EXPECT_EQ(down.Width(), across.Height());
    EXPECT_EQ(down.Top, across.Left); // the text starts at the top
    EXPECT_GE(down.Left, 10);
    EXPECT_LE(down.Right, 31);
    EXPECT_EQ(CountOf(*rotated, RGB(255, 0, 255)), 0); // the key colour never shows
}

TEST_F(UIHelpersTest, AlignmentMovesTheText) {
    auto left = Surface(100, 40), right = Surface(100, 40), bottom = Surface(100, 40);
    const TRect box{0, 0, 99, 39};
    DrawAlignedText(*left->Canvas(), box, 5, pmNormal, false, false, taLeftJustify, vaTop, u"Run", 0);
    DrawAlignedText(*right->Canvas(), box, 5, pmNormal, false, false, taRightJustify, vaTop, u"Run", 0);
    DrawAlignedText(*bottom->Canvas(), box, 0, pmNormal, false, false, taCenter, vaBottom, u"Run", 0);
    EXPECT_GE(InkBox(*left).Left, 5);
    EXPECT_LE(InkBox(*left).Left, 7);
    EXPECT_GE(InkBox(*right).Right, 90);
    EXPECT_LE(InkBox(*right).Right, 95);
    EXPECT_GT(InkBox(*bottom).Top, 20);
}

} // namespace
} // namespace docking
