// The header as the tree paints it above its client area.
#include "StringTreeFixture.h"

namespace lazytree {
namespace {

using test::kRow;
using ui::TColor;

class HeaderPaintTest : public test::StringTreeWidgetTest {
protected:
    void SetUp() override {
        StringTreeWidgetTest::SetUp();
        AddColumns({u"Name", u"Type"}, 100);
        Fill(3);
        header().SetOptions(header().Options() + TVTHeaderOptions{hoVisible});
    }
    TVTHeader& header() { return tree.Header(); }
    // The whole window: the header lies above the client area.
    QImage GrabWindow() {
        const QImage image = widget()->grab().toImage();
        if (const char* dir = std::getenv("LAZYTREE_TEST_PNG_DIR"))
            image.save(QString::fromUtf8(dir) + "/window_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png");
        return image;
    }
    int HeaderTop() { return tree.ClientRectInWindow().Top - header().Height(); }
};

TEST_F(HeaderPaintTest, VisibleHeaderPushesTheClientAreaDown) {
    EXPECT_EQ(tree.ClientRectInWindow().Top, header().Height());
    EXPECT_EQ(tree.ClientHeight(), 200 - header().Height());
    header().SetOptions(header().Options() - TVTHeaderOptions{hoVisible});
    EXPECT_EQ(tree.ClientRectInWindow().Top, 0);
}

TEST_F(HeaderPaintTest, XPStyleSectionsHaveTheirShadesAndDividers) {
    header().SetStyle(hsXPStyle);
    const QImage image = GrabWindow();
    const int bottom = HeaderTop() + header().Height();
    EXPECT_EQ(Pixel(image, 50, HeaderTop() + 2), ui::RGB(235, 234, 219));
    EXPECT_EQ(Pixel(image, 50, bottom - 3), ui::RGB(224, 222, 207));
    EXPECT_EQ(Pixel(image, 50, bottom - 2), ui::RGB(213, 210, 195));
    EXPECT_EQ(Pixel(image, 50, bottom - 1), ui::RGB(203, 199, 184));
    EXPECT_EQ(Pixel(image, 98, HeaderTop() + 5), ui::RGB(199, 197, 178)) << "the divider at right - 2";
    EXPECT_EQ(Pixel(image, 99, HeaderTop() + 5), ui::clWhite);

    header().SetDownColumn(1);
    const QImage pressed = GrabWindow();
    EXPECT_EQ(Pixel(pressed, 150, HeaderTop() + 8), ui::RGB(222, 223, 216));
    EXPECT_EQ(Pixel(pressed, 100, HeaderTop() + 8), ui::RGB(165, 165, 151)) << "the outer frame's left";
    EXPECT_EQ(Pixel(pressed, 101, HeaderTop() + 8), ui::RGB(193, 194, 184));
}

TEST_F(HeaderPaintTest, ATargetOverOneSectionPaintsOnlyThatSection) {
    ui::TBitmap target(300, header().Height(), ui::pf32bit);
    target.Canvas()->Brush()->SetColor(ui::clBlack);
    target.Canvas()->FillRect({0, 0, 300, header().Height()});
    tree.PaintHeader(*target.Canvas(), {100, 0, 200, header().Height()}, {100, 0});
    target.Canvas()->Flush();
    const QImage& image = target.Image();
    EXPECT_EQ(Pixel(image, 50, 8), ui::clBlack);
    EXPECT_EQ(Pixel(image, 250, 8), ui::clBlack);
    EXPECT_NE(Pixel(image, 150, 8), ui::clBlack);
}

TEST_F(HeaderPaintTest, CaptionsShortenAndDisabledOnesAreEmbossed) {
    header().Columns()[0].Look().Text = u"A caption far wider than its column";
    TVTColumnOptions options = header().Columns()[1].Options();
    header().Columns()[1].SetOptions(options - TVTColumnOptions{coEnabled});
    tree.Invalidate();
    const QImage image = GrabWindow();
    const ui::TRect first{2, HeaderTop() + 2, 98, HeaderTop() + header().Height() - 2};
    EXPECT_GT(CountColor(image, first, ui::ColorToRGB(tree.Font()->Color())), 0);
    EXPECT_EQ(CountColor(image, {92, first.Top, 98, first.Bottom}, ui::ColorToRGB(tree.Font()->Color())), 0)
        << "the shortened caption keeps inside its section";
    const ui::TRect second{102, first.Top, 198, first.Bottom};
    EXPECT_GT(CountColor(image, second, ui::ColorToRGB(ui::clBtnHighlight)), 0);
    EXPECT_GT(CountColor(image, second, ui::ColorToRGB(ui::clBtnShadow)), 0);
}

TEST_F(HeaderPaintTest, SortGlyphStandsAtTheSortColumnsRightEdge) {
    header().SetOptions(header().Options() + TVTHeaderOptions{hoShowSortGlyphs});
    header().SetSortColumn(1);
    const QImage image = GrabWindow();
    const TColor glyph = ui::RGB(96, 96, 96);
    const int top = HeaderTop() + 2, bottom = HeaderTop() + header().Height() - 2;
    EXPECT_GT(CountColor(image, {180, top, 198, bottom}, glyph), 5);
    EXPECT_EQ(CountColor(image, {80, top, 98, bottom}, glyph), 0);
}

} // namespace
} // namespace lazytree
