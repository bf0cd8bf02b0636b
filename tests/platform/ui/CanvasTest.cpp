#include "platform/ui/Canvas.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/QtBridge.h"

#include "support/UiTest.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace ui {
namespace {

class CanvasTest : public uitest::UiTest {
protected:
    CanvasTest() : bitmap(20, 12, pf24bit) {}

    TCanvas& canvas() { return *bitmap.Canvas(); }
    TColor At(int x, int y) { return canvas().Pixel(x, y); }
    // The rows of the bitmap as text: '#' where the pixel has `color`, '.' elsewhere.
    std::string Picture(TColor color) {
        std::string text;
        for (int y = 0; y < bitmap.Height(); ++y) {
            for (int x = 0; x < bitmap.Width(); ++x)
                text += At(x, y) == color ? '#' : '.';
            text += '\n';
        }
        return text;
    }

    // The smallest rectangle holding every pixel that is not `background`.
    TRect InkBounds(TColor background) {
        TRect ink{bitmap.Width(), bitmap.Height(), 0, 0};
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (At(x, y) != background)
                    ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1),
                           std::max(ink.Bottom, y + 1)};
        return ink.IsEmpty() ? TRect{} : ink;
    }
    bool RowHasInk(int y, int left, int right, TColor background) {
        for (int x = left; x < right; ++x)
            if (At(x, y) != background) return true;
        return false;
    }

    TBitmap bitmap;
};

TEST_F(CanvasTest, NewBitmapIsWhite) {
    EXPECT_EQ(At(0, 0), clWhite);
    EXPECT_EQ(At(19, 11), clWhite);
    EXPECT_EQ(At(20, 0), clNone);
}

TEST_F(CanvasTest, RectanglesExcludeTheirRightAndBottomEdges) {
    bitmap.SetSize(8, 6);
    canvas().Brush()->SetColor(clRed);
    canvas().FillRect(Rect(1, 1, 4, 3));
    EXPECT_EQ(Picture(clRed), "........\n"
                              ".###....\n"
                              ".###....\n"
                              "........\n"
                              "........\n"
                              "........\n");
    canvas().Brush()->SetColor(clBlue);
    canvas().FrameRect(Rect(3, 2, 8, 6));
    EXPECT_EQ(Picture(clBlue), "........\n"
                               "........\n"
                               "...#####\n"
                               "...#...#\n"
                               "...#...#\n"
                               "...#####\n");
    // Pen outline over a brush fill.
    canvas().Brush()->SetColor(clLime);
    canvas().Pen()->SetColor(clBlack);
    canvas().Rectangle(0, 0, 4, 4);
    EXPECT_EQ(Picture(clBlack), "####....\n"
                                "#..#....\n"
                                "#..#....\n"
                                "####....\n"
                                "........\n"
                                "........\n");
    EXPECT_EQ(At(1, 1), clLime);
}

TEST_F(CanvasTest, LinesStopBeforeTheirEndPoint) {
    bitmap.SetSize(6, 4);
    canvas().Pen()->SetColor(clBlack);
    canvas().MoveTo(0, 0);
    canvas().LineTo(5, 0);
    canvas().LineTo(5, 3);
    // The second line starts on the first one's excluded end point.
    EXPECT_EQ(Picture(clBlack), "######\n"
                                ".....#\n"
                                ".....#\n"
                                "......\n");
    EXPECT_EQ(canvas().PenPos(), Point(5, 3));
}

TEST_F(CanvasTest, TextCellIsMeasuredFromTheRealFont) {
    canvas().Font()->SetName("Tahoma");
    canvas().Font()->SetSize(8);
    const QFontMetrics metrics(ToQFont(*canvas().Font()));
    EXPECT_EQ(ToQFont(*canvas().Font()).family(), "DejaVu Sans");
    EXPECT_EQ(canvas().TextHeight("Xg"), metrics.height());
    EXPECT_EQ(canvas().TextWidth("WWW"), metrics.horizontalAdvance("WWW"));
    EXPECT_LT(canvas().TextWidth("iii"), canvas().TextWidth("WWW"));
    EXPECT_EQ(canvas().TextWidth(u"WWW"), canvas().TextWidth("WWW"));
    EXPECT_EQ(canvas().TextWidth(""), 0);

    canvas().Font()->SetName("Courier New");
    EXPECT_EQ(canvas().TextWidth("iii"), canvas().TextWidth("WWW"));
}

TEST_F(CanvasTest, TextOutFillsItsCellAndInksInside) {
    bitmap.SetSize(80, 30);
    canvas().Font()->SetColor(clBlack);
    canvas().Brush()->SetColor(clYellow);
    canvas().TextOut(5, 4, "Hg");
    const TSize cell = canvas().TextExtent("Hg");
    int ink = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const bool inCell = x >= 5 && x < 5 + cell.cx && y >= 4 && y < 4 + cell.cy;
            const TColor c = At(x, y);
            if (!inCell) {
                EXPECT_EQ(c, clWhite) << x << "," << y;
            } else if (c != clYellow) {
                ++ink;
            }
        }
    EXPECT_GT(ink, 10);
    EXPECT_EQ(canvas().PenPos(), Point(5 + cell.cx, 4));

    // A clear brush leaves the background alone.
    canvas().Brush()->SetStyle(bsClear);
    canvas().TextOut(5, 4 + cell.cy, "Hg");
    EXPECT_EQ(At(5 + cell.cx - 1, 4 + cell.cy), clWhite);
}

TEST_F(CanvasTest, TextRectClipsToItsRectangle) {
    bitmap.SetSize(60, 20);
    canvas().Brush()->SetColor(clAqua);
    canvas().Font()->SetColor(clBlack);
    canvas().TextRect(Rect(10, 0, 20, 20), 0, 2, "WWWWWWWW");
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(At(9, y), clWhite);
        EXPECT_EQ(At(20, y), clWhite);
    }
    EXPECT_EQ(At(10, 19), clAqua);
}

TEST_F(CanvasTest, DrawTextWrapsAndCalcRectGivesTheNeededHeight) {
    bitmap.SetSize(200, 120);
    canvas().Brush()->SetStyle(bsClear);
    const std::string text = "alpha beta gamma delta";
    const int lineHeight = canvas().TextHeight("Xg");
    const int width = std::max(canvas().TextWidth("alpha beta"), canvas().TextWidth("gamma delta")) + 2;
    TRect measured = Rect(4, 4, 4 + width, 4);
    const int height = canvas().DrawText(text, measured, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(height, 2 * lineHeight); // "alpha beta" / "gamma delta"
    EXPECT_EQ(measured.Bottom, 4 + height);
    EXPECT_LE(measured.Width(), width + canvas().TextWidth("a"));
    EXPECT_EQ(At(0, 0), clWhite); // measuring draws nothing
    EXPECT_EQ(InkBounds(clWhite), TRect{});

    TRect rect = Rect(4, 4, 4 + width, 120);
    EXPECT_EQ(canvas().DrawText(text, rect, DT_WORDBREAK), height);
    const TRect ink = InkBounds(clWhite);
    EXPECT_GE(ink.Top, 4);
    EXPECT_LE(ink.Bottom, 4 + height);
    EXPECT_GT(ink.Bottom, 4 + lineHeight); // a second line was drawn
    EXPECT_LE(ink.Right, 4 + width);
}

TEST_F(CanvasTest, MnemonicIsUnderlinedUnlessHidden) {
    bitmap.SetSize(60, 30);
    canvas().Brush()->SetStyle(bsClear);
    canvas().Font()->SetColor(clBlack);
    const TTextMetric tm = canvas().TextMetrics();
    const int wide = canvas().TextWidth("W");
    // Below the baseline of "W", where the glyph itself has no ink.
    const int underlineRow = 2 + tm.tmAscent + 1;
    auto underlined = [&](const std::string& text, TTextFormat format) {
        canvas().Brush()->SetStyle(bsSolid);
        canvas().Brush()->SetColor(clWhite);
        canvas().FillRect(Rect(0, 0, 60, 30));
        canvas().Brush()->SetStyle(bsClear);
        TRect r = Rect(2, 2, 60, 30);
        canvas().DrawText(text, r, format);
        for (int y = 2 + tm.tmAscent; y < 2 + tm.tmHeight; ++y)
            if (RowHasInk(y, 2, 2 + wide, clWhite)) return true;
        return false;
    };
    EXPECT_FALSE(underlined("Wi", 0));
    EXPECT_TRUE(underlined("&Wi", 0));
    EXPECT_FALSE(underlined("&Wi", DT_HIDEPREFIX));
    EXPECT_FALSE(underlined("W&i", 0)); // the underline sits under "i"
    EXPECT_TRUE(underlined("&Wi", DT_PREFIXONLY));
    EXPECT_FALSE(RowHasInk(underlineRow - 3, 0, 60, clWhite)); // prefix-only draws no glyphs
}

TEST_F(CanvasTest, EndEllipsisShortensToTheRectangle) {
    bitmap.SetSize(200, 20);
    canvas().Brush()->SetStyle(bsClear);
    const std::string text = "WWWWWWWWWWWWWWWW";
    const int width = canvas().TextWidth(text) / 2;
    TRect calc = Rect(0, 0, width, 20);
    canvas().DrawText(text, calc, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(calc.Width(), width);
    EXPECT_GT(calc.Width(), width - canvas().TextWidth("W") - canvas().TextWidth("..."));
    TRect rect = Rect(0, 0, width, 20);
    canvas().DrawText(text, rect, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(InkBounds(clWhite).Right, width);
    // Without the ellipsis the text runs on, clipped at the rectangle.
    bitmap.Canvas()->Brush()->SetStyle(bsSolid);
    canvas().FillRect(Rect(0, 0, 200, 20));
    canvas().Brush()->SetStyle(bsClear);
    canvas().DrawText(text, rect, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(InkBounds(clWhite).Right, width + canvas().TextWidth("WW"));
}

TEST_F(CanvasTest, DrawTextAlignsAndCentresVertically) {
    bitmap.SetSize(100, 40);
    canvas().Brush()->SetStyle(bsClear);
    TRect rect = Rect(0, 0, 100, 40);
    const int top = canvas().DrawText("Ready", rect, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
    const int lineHeight = canvas().TextHeight("Ready");
    EXPECT_EQ(top, (40 - lineHeight) / 2 + lineHeight);
    const TRect ink = InkBounds(clWhite);
    EXPECT_GE(ink.Left, 100 - canvas().TextWidth("Ready"));
    EXPECT_GE(ink.Top, (40 - lineHeight) / 2);
    EXPECT_LE(ink.Bottom, (40 + lineHeight) / 2 + 1);
    EXPECT_GT(ink.Right, 95);
}

TEST_F(CanvasTest, ClipRegionAndWindowOriginApplyToEveryDrawing) {
    bitmap.SetSize(8, 4);
    TRegion clip = TRegion(Rect(0, 0, 8, 4)) - TRegion(Rect(2, 1, 4, 3));
    canvas().SelectClipRegion(&clip);
    canvas().Brush()->SetColor(clRed);
    canvas().FillRect(Rect(0, 0, 8, 4));
    EXPECT_EQ(Picture(clRed), "########\n"
                              "##..####\n"
                              "##..####\n"
                              "########\n");
    canvas().SelectClipRegion(nullptr);
    canvas().SaveState();
    canvas().SetWindowOrg(Point(10, 0)); // logical x 10 is the surface's left edge
    canvas().IntersectClipRect(Rect(10, 0, 12, 4));
    canvas().Brush()->SetColor(clBlue);
    canvas().FillRect(Rect(0, 0, 30, 1));
    EXPECT_EQ(canvas().Pixel(11, 0), clBlue);
    EXPECT_EQ(canvas().ClipRect(), Rect(10, 0, 12, 4));
    canvas().RestoreState();
    EXPECT_EQ(canvas().Brush()->Color(), clRed);
    EXPECT_EQ(canvas().WindowOrg(), Point(0, 0));
    EXPECT_EQ(Picture(clBlue), "##......\n"
                               "........\n"
                               "........\n"
                               "........\n");
    EXPECT_EQ(canvas().ClipRect(), Rect(0, 0, 8, 4));
}

TEST_F(CanvasTest, ExtTextOutFillsOpaqueRectangleAndPlacesCharacters) {
    bitmap.SetSize(80, 20);
    canvas().Brush()->SetColor(clYellow);
    const TRect box = Rect(0, 0, 80, 20);
    const int advances[] = {30, 30};
    canvas().ExtTextOut(2, 2, ETO_OPAQUE | ETO_CLIPPED, &box, u"ii", advances);
    EXPECT_EQ(At(79, 19), clYellow);
    // Each "i" sits at its own advance: ink near x 2 and near x 32, none between.
    EXPECT_TRUE(RowHasInk(2 + canvas().TextMetrics().tmAscent - 1, 2, 10, clYellow));
    EXPECT_TRUE(RowHasInk(2 + canvas().TextMetrics().tmAscent - 1, 32, 40, clYellow));
    EXPECT_FALSE(RowHasInk(2 + canvas().TextMetrics().tmAscent - 1, 12, 30, clYellow));
}

// A paint event hands its painter in; the canvas draws through it and leaves its state as it was.
TEST_F(CanvasTest, DrawsThroughAPaintEventsPainter) {
    QImage surface(8, 4, QImage::Format_ARGB32);
    surface.fill(Qt::white);
    QPainter painter(&surface);
    painter.setPen(Qt::green);
    TCanvas paintCanvas;
    EXPECT_FALSE(paintCanvas.HandleAllocated());
    paintCanvas.BeginPaint(&painter);
    EXPECT_TRUE(paintCanvas.HandleAllocated());
    EXPECT_EQ(paintCanvas.ClipRect(), Rect(0, 0, 8, 4));
    paintCanvas.SetWindowOrg(Point(2, 0));
    paintCanvas.ExcludeClipRect(Rect(3, 0, 4, 4));
    paintCanvas.Brush()->SetColor(clRed);
    paintCanvas.FillRect(Rect(2, 0, 6, 1));     // device pixels 0..3, less device pixel 1
    EXPECT_EQ(paintCanvas.Pixel(2, 0), clNone); // a paint event's pixels cannot be read
    paintCanvas.EndPaint();
    EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
    EXPECT_FALSE(painter.hasClipping());
    painter.end();
    EXPECT_EQ(surface.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(surface.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(surface.pixel(3, 0), qRgb(255, 0, 0));
    EXPECT_EQ(surface.pixel(4, 0), qRgb(255, 255, 255));
}

} // namespace
} // namespace ui
