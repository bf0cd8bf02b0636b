#include "platform/ui/Canvas.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/QtBridge.h"

#include "support/UiTest.h"

#include <QFontMetrics>
#include <QImage>

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

} // namespace
} // namespace ui
