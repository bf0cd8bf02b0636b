#include "imaging/uGIFBitmaps.h"

#include "imaging/GIFTestSupport.h"
#include "imaging/uGIFImage.h"

#include <gtest/gtest.h>

#include "platform/ui/Icon.h"
#include "support/UiTest.h"

#include <memory>
#include <vector>

namespace imaging {
namespace {

using test::AddFrame;
using test::AddGreys;

void Put24(ui::TBitmap& bitmap, int x, int y, ui::TColor color) {
    auto* pixel = static_cast<uint8_t*>(bitmap.ScanLine(y)) + 3 * x;
    pixel[0] = static_cast<uint8_t>(ui::GetBValue(color));
    pixel[1] = static_cast<uint8_t>(ui::GetGValue(color));
    pixel[2] = static_cast<uint8_t>(ui::GetRValue(color));
}

class GIFFrameBitmapTest : public uitest::UiTest {
protected:
    TGIFImage image;
    TGIFSubImage& NewFrame() {
        auto frame = std::make_unique<TGIFSubImage>(&image);
        TGIFSubImage& added = *frame;
        image.Images().Add(std::move(frame));
        return added;
    }
};

TEST_F(GIFFrameBitmapTest, AnEightBitBitmapKeepsItsTableAndIndices) {
    ui::TBitmap source(3, 2, ui::pf8bit);
    ui::TPaletteEntries table(256, ui::clBlack);
    table[7] = ui::RGB(1, 2, 3);
    table[200] = ui::RGB(250, 10, 20);
    source.SetPaletteEntries(table);
    const uint8_t rows[2][3] = {{7, 200, 7}, {0, 7, 200}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            static_cast<uint8_t*>(source.ScanLine(y))[x] = rows[y][x];
    TGIFSubImage& frame = NewFrame();
    frame.Assign(&source);
    EXPECT_EQ(frame.Width(), 3);
    EXPECT_EQ(frame.Pixels(), (std::vector<uint8_t>{7, 200, 7, 0, 7, 200}));
    EXPECT_EQ(frame.ColorMap().ColorAt(200), ui::RGB(250, 10, 20));
}

TEST_F(GIFFrameBitmapTest, ATrueColourBitmapListsItsColoursInOrderOfFirstAppearance) {
    image.ReductionMethod = redNone;
    ui::TBitmap source(40, 2, ui::pf24bit);
    for (int x = 0; x < 40; ++x) {
        Put24(source, x, 0, ui::RGB(x * 6, 255 - x, 3));
        Put24(source, 39 - x, 1, ui::RGB(x * 6, 255 - x, 3)); // the same colours again, backwards
    }
    TGIFSubImage& frame = NewFrame();
    frame.Assign(&source);
    ASSERT_EQ(frame.ColorMap().Count(), 40);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(frame.ColorMap().ColorAt(i), ui::RGB(i * 6, 255 - i, 3));
    EXPECT_EQ(frame.PixelAt(0, 1), 39);
}

TEST_F(GIFFrameBitmapTest, MoreThan256ColoursOverflowTheTable) {
    image.ReductionMethod = redNone;
    ui::TBitmap source(300, 1, ui::pf24bit);
    for (int x = 0; x < 300; ++x)
        Put24(source, x, 0, ui::RGB(x % 256, x / 256, 0));
    TGIFSubImage& frame = NewFrame();
    try {
        frame.Assign(&source);
        FAIL() << "no overflow";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color table overflow");
    }
}

TEST_F(GIFFrameBitmapTest, AnIconsMaskBecomesTheLastEntryAsTransparentIndex) {
    ui::TBitmap color(4, 4, ui::pf24bit);
    color.Canvas()->Brush()->SetColor(ui::clRed);
    color.Canvas()->FillRect({0, 0, 4, 4});
    ui::TBitmap mask(4, 4, ui::pf1bit); // white: transparent
    mask.Canvas()->Brush()->SetColor(ui::clBlack);
    mask.Canvas()->FillRect({0, 0, 4, 4});
    mask.Canvas()->Brush()->SetColor(ui::clWhite);
    mask.Canvas()->FillRect({0, 0, 2, 4});
    ui::TIcon icon;
    icon.SetBitmaps(color, &mask);

    TGIFSubImage& frame = NewFrame();
    frame.Assign(&icon);
    ASSERT_NE(frame.GraphicControlExtension(), nullptr);
    EXPECT_TRUE(frame.Transparent());
    EXPECT_EQ(frame.TransparentIndex(), frame.ColorMap().Count() - 1);
    EXPECT_EQ(frame.PixelAt(0, 0), frame.TransparentIndex());
    EXPECT_EQ(frame.ColorMap().ColorAt(frame.PixelAt(3, 3)), ui::clRed);
}

TEST_F(GIFFrameBitmapTest, RenderingGivesTheIndicesAndAMaskOfTheTransparentOnes) {
    AddGreys(image.Header().ColorMap(), 4);
    image.PaintOptions.Exclude(pntDither);
    TGIFSubImage& frame = AddFrame(image, 3, 1, {0, 2, 3});
    auto control = std::make_unique<TGIFGraphicControlExtension>(&frame);
    control->SetTransparent(true);
    control->SetTransparentColorIndex(2);
    frame.Extensions().Add(std::move(control));

    ui::TBitmap* bitmap = frame.RenderBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(static_cast<const uint8_t*>(bitmap->ScanLine(0))[2], 3);
    ui::TBitmap copy;
    copy.Assign(&frame);
    EXPECT_EQ(copy.Width(), 3);
    ASSERT_TRUE(frame.HasTransparencyMask());
    const uint8_t maskBits = static_cast<const uint8_t*>(frame.Mask()->ScanLine(0))[0];
    EXPECT_EQ(maskBits & 0xE0, 0x40); // only the middle pixel

    frame.GraphicControlExtension()->SetTransparentColorIndex(1); // an index no pixel has
    frame.DiscardBitmap();
    frame.DiscardMask();
    EXPECT_FALSE(frame.HasTransparencyMask());
    EXPECT_TRUE(frame.HasRenderedBitmap());
    EXPECT_FALSE(frame.HasTransparencyMask()); // the first rendering decided it
}

TEST_F(GIFFrameBitmapTest, DitheredRenderingUsesTheColourCube) {
    image.Header().ColorMap().AppendColor(ui::RGB(10, 100, 250));
    image.PaintOptions = {pntDither};
    TGIFSubImage& frame = AddFrame(image, 2, 2, {0, 0, 0, 0});
    ui::TBitmap* bitmap = frame.RenderBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PaletteEntries()[215], ui::RGB(255, 255, 255));
    EXPECT_EQ(frame.FramePalette().size(), 256u); // the cube, padded by the bitmap's table
}

TEST_F(GIFFrameBitmapTest, DitheredTransparentPixelsKeepTheCubeIndexOfTheTransparentColour) {
    image.Header().ColorMap().AppendColor(ui::RGB(0, 0, 0));
    image.Header().ColorMap().AppendColor(ui::RGB(255, 255, 255)); // outside the old fill formula's range
    image.PaintOptions = {pntDither};
    TGIFSubImage& frame = AddFrame(image, 2, 1, {0, 1});
    auto control = std::make_unique<TGIFGraphicControlExtension>(&frame);
    control->SetTransparent(true);
    control->SetTransparentColorIndex(1);
    frame.Extensions().Add(std::move(control));
    ui::TBitmap* bitmap = frame.RenderBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(static_cast<const uint8_t*>(bitmap->ScanLine(0))[1], 215);
    EXPECT_TRUE(frame.HasTransparencyMask());
}

TEST_F(GIFFrameBitmapTest, AFrameCopiesAnotherWithItsOwnExtensions) {
    AddGreys(image.Header().ColorMap(), 4);
    TGIFSubImage& source = AddFrame(image, 2, 1, {1, 3});
    auto control = std::make_unique<TGIFGraphicControlExtension>(&source);
    control->SetTransparent(true);
    control->SetTransparentColorIndex(3);
    control->SetDelay(25);
    source.Extensions().Add(std::move(control));
    TGIFSubImage& copy = NewFrame();
    copy.Assign(&source);
    EXPECT_EQ(copy.Pixels(), source.Pixels());
    ASSERT_NE(copy.GraphicControlExtension(), nullptr);
    EXPECT_NE(copy.GraphicControlExtension(), source.GraphicControlExtension());
    EXPECT_EQ(copy.GraphicControlExtension()->Delay(), 25);
    EXPECT_TRUE(copy.Transparent());
}

} // namespace
} // namespace imaging
