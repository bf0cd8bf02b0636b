// Drawing on a canvas over a known background, conversions to and from bitmaps, and Qt's PNG reader as
// an independent check of what the encoder writes.

#include "imaging/PngFixture.h"
#include "imaging/uPNGObject.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Picture.h"
#include "support/QtImageReader.h"
#include "support/UiTest.h"

#include <cstdio>

#include <gtest/gtest.h>

namespace imaging {
namespace {

using namespace testing;
using ui::TBitmap;

constexpr TColor kBackground = PngRGB(10, 100, 200);

// A 32-bit bitmap filled with the background colour.
std::unique_ptr<TBitmap> Surface(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>(width, height, ui::pf32bit);
    bitmap->Canvas()->Brush()->SetColor(kBackground);
    bitmap->Canvas()->FillRect({0, 0, width, height});
    return bitmap;
}

class PngDraw : public uitest::UiTest {};

TEST_F(PngDraw, BitmaskPictureShowsTheBackgroundAtTheKeyStretched) {
    // 2 x 2 truecolour whose top-left pixel is the key.
    SampleImage image{2, 2, 8, COLOR_RGB, {{1, 2, 3, 200, 0, 0}, {0, 200, 0, 0, 0, 200}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, false, Chunk("tRNS", Bytes("\0\x01\0\x02\0\x03", 6))));
    auto surface = Surface(10, 10);
    surface->Canvas()->StretchDraw({2, 2, 6, 6}, &png);
    ui::TCanvas& c = *surface->Canvas();
    for (auto [x, y] : {std::pair{2, 2}, {3, 3}})
        EXPECT_EQ(c.Pixel(x, y), kBackground) << x << "," << y;
    EXPECT_EQ(c.Pixel(4, 2), PngRGB(200, 0, 0));
    EXPECT_EQ(c.Pixel(5, 3), PngRGB(200, 0, 0));
    EXPECT_EQ(c.Pixel(2, 5), PngRGB(0, 200, 0));
    EXPECT_EQ(c.Pixel(5, 5), PngRGB(0, 0, 200));
    EXPECT_EQ(c.Pixel(6, 6), kBackground) << "outside the rectangle";
    EXPECT_EQ(c.Pixel(1, 1), kBackground);
}

TEST_F(PngDraw, OpaquePictureStretchesNearestNeighbour) {
    SampleImage image{2, 1, 8, COLOR_GRAYSCALE, {{0, 255}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, false));
    auto surface = Surface(8, 4);
    surface->Canvas()->StretchDraw({0, 0, 8, 4}, &png);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(surface->Canvas()->Pixel(x, 3), x < 4 ? PngRGB(0, 0, 0) : PngRGB(255, 255, 255)) << x;
}

TEST_F(PngDraw, AlphaBlendsAtNaturalSizeWithTheExactFormula) {
    SampleImage image{3, 1, 8, COLOR_RGBALPHA, {{255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, false));
    auto surface = Surface(8, 3);
    surface->Canvas()->StretchDraw({1, 1, 8, 3}, &png);
    auto blend = [](int s, int d, int a) { return (s * a + (255 - a) * d + 255) / 256; };
    ui::TCanvas& c = *surface->Canvas();
    EXPECT_EQ(c.Pixel(1, 1), PngRGB(blend(255, 10, 0), blend(0, 100, 0), blend(0, 200, 0)));
    EXPECT_EQ(c.Pixel(2, 1), PngRGB(blend(0, 10, 128), blend(255, 100, 128), blend(0, 200, 128)));
    EXPECT_EQ(c.Pixel(3, 1), PngRGB(0, 0, 255));
    EXPECT_EQ(c.Pixel(4, 1), kBackground) << "the rectangle's size is not used";
    EXPECT_EQ(c.Pixel(1, 2), kBackground);
}

TEST_F(PngDraw, PartialPaletteAndGreyAlphaBlend) {
    // Palette entry 1 is half transparent; grey with alpha blends its grey level.
    TPNGObject palette;
    LoadPng(palette,
            PngFile(SampleImage{2, 1, 8, COLOR_PALETTE, {{0, 1}}}, false,
                    Chunk("PLTE", Bytes("\xff\xff\xff\0\0\0", 6)) + Chunk("tRNS", Bytes("\xff\x40", 2))));
    auto surface = Surface(2, 1);
    surface->Canvas()->Draw(0, 0, &palette);
    EXPECT_EQ(surface->Canvas()->Pixel(0, 0), PngRGB(255, 255, 255));
    const int a = 0x40;
    EXPECT_EQ(
        surface->Canvas()->Pixel(1, 0),
        PngRGB(((255 - a) * 10 + 255) / 256, ((255 - a) * 100 + 255) / 256, ((255 - a) * 200 + 255) / 256));

    TPNGObject grey;
    LoadPng(grey, PngFile(SampleImage{1, 1, 8, COLOR_GRAYSCALEALPHA, {{100, 255}}}, false));
    surface->Canvas()->Draw(0, 0, &grey);
    EXPECT_EQ(surface->Canvas()->Pixel(0, 0), PngRGB(100, 100, 100));
}

TEST_F(PngDraw, EmptyPictureDrawsNothing) {
    TPNGObject png;
    auto surface = Surface(3, 3);
    surface->Canvas()->StretchDraw({0, 0, 3, 3}, &png);
    EXPECT_EQ(surface->Canvas()->Pixel(1, 1), kBackground);
}

TEST_F(PngDraw, TransparentEightBitBitmapBecomesAPaletteWithItsKeyFirstIndex) {
    TBitmap bitmap(3, 1, ui::pf8bit);
    ui::TPaletteEntries entries(256, PngRGB(0, 0, 0));
    entries[5] = PngRGB(0, 255, 0);
    entries[9] = PngRGB(0, 255, 0);
    entries[7] = PngRGB(255, 0, 0);
    bitmap.SetPaletteEntries(entries);
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(0));
    row[0] = 7;
    row[1] = 5;
    row[2] = 9;
    bitmap.SetTransparentMode(ui::tmFixed);
    bitmap.SetTransparentColor(PngRGB(0, 255, 0));
    bitmap.SetTransparent(true);
    TPNGObject png;
    png.Assign(&bitmap);
    EXPECT_EQ(png.HeaderChunk().IHDRData.ColorType, COLOR_PALETTE);
    EXPECT_EQ(png.TransparencyStyle(), tsBitmask);
    EXPECT_FALSE(png.IsKeyPixel(0, 0));
    EXPECT_TRUE(png.IsKeyPixel(1, 0));
    EXPECT_FALSE(png.IsKeyPixel(2, 0)) << "only the first index of the key colour";
    EXPECT_EQ(png.PixelColor(0, 0), PngRGB(255, 0, 0));

    // And back: an 8-bit bitmap with the key as transparent colour.
    TBitmap back;
    back.Assign(&png);
    EXPECT_EQ(back.PixelFormat(), ui::pf8bit);
    EXPECT_TRUE(back.Transparent());
    EXPECT_EQ(back.TransparentColor(), PngRGB(0, 255, 0));
    EXPECT_EQ(static_cast<const uint8_t*>(back.ScanLine(0))[2], 9);
}

TEST_F(PngDraw, TruecolourBitmapRoundTrip) {
    TBitmap bitmap(2, 2, ui::pf32bit);
    bitmap.Canvas()->SetPixel(0, 0, PngRGB(1, 2, 3));
    bitmap.Canvas()->SetPixel(1, 1, PngRGB(250, 128, 7));
    TPNGObject png;
    png.Assign(&bitmap);
    EXPECT_EQ(png.HeaderChunk().IHDRData.ColorType, COLOR_RGB);
    EXPECT_EQ(png.PixelColor(0, 0), PngRGB(1, 2, 3));
    EXPECT_EQ(png.PixelColor(1, 1), PngRGB(250, 128, 7));
    EXPECT_FALSE(png.Transparent());
    TBitmap back;
    back.Assign(&png);
    EXPECT_EQ(back.PixelFormat(), ui::pf24bit);
    EXPECT_EQ(back.Canvas()->Pixel(1, 1), PngRGB(250, 128, 7));
}

TEST_F(PngDraw, OtherGraphicsCannotBeAssigned) {
    TPNGObject png;
    ui::TFont font;
    EXPECT_THROW(png.Assign(&font), rtl::EConversionError);
}

TEST_F(PngDraw, PicturesOpenPngFilesAndTheClipboardGoesThroughABitmap) {
    const SampleImage image = RandomImage(5, 3, 8, COLOR_RGB, 11);
    const std::string file = rtl::CreateTempFile("png") + ".png";
    {
        rtl::TFileStream out(file, rtl::fmCreate);
        out.WriteString(PngFile(image, false));
    }
    ui::TPicture picture;
    picture.LoadFromFile(file);
    std::remove(file.c_str());
    const auto* png = dynamic_cast<const TPNGObject*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Width(), 5);
    EXPECT_NE(ui::TPicture::GraphicFilter().find("Portable Network Graphics"), std::string::npos);

    png->SaveToClipboard(ui::Clipboard());
    TPNGObject pasted;
    pasted.LoadFromClipboard(ui::Clipboard());
    EXPECT_EQ(pasted.HeaderChunk().IHDRData.ColorType, COLOR_RGB);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(pasted.PixelColor(x, 2), png->PixelColor(x, 2));
}

// ---- Qt as the independent reader ----

TEST_F(PngDraw, QtReadsOurOutputAsTheSamePixels) {
    const struct {
        uint8_t type, depth;
    } formats[] = {{0, 1}, {0, 2}, {0, 4},  {0, 8}, {0, 16}, {3, 1}, {3, 2}, {3, 4},
                   {3, 8}, {2, 8}, {2, 16}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (const auto& f : formats)
        for (bool adam7 : {false, true}) {
            const SampleImage image = RandomImage(11, 9, f.depth, f.type, f.type + f.depth * 7u);
            Bytes extra;
            if (f.type == COLOR_PALETTE) {
                Bytes entries;
                for (int i = 0; i < (1 << f.depth); ++i)
                    entries += Bytes{char(i * 3), char(255 - i), char(i * 7)};
                extra = Chunk("PLTE", entries) + Chunk("tRNS", Bytes("\x10\x80", 2));
            }
            TPNGObject png;
            LoadPng(png, PngFile(image, false, extra));
            png.SetInterlacing(adam7 ? imAdam7 : imNone);
            png.SetRowFilters({rfNone, rfSub, rfUp, rfAverage, rfPaeth});
            const uitest::QtDecodedImage qt = uitest::DecodeWithQt(SavePng(png), "PNG");
            const std::string what = "type " + std::to_string(f.type) + " depth " + std::to_string(f.depth) +
                                     (adam7 ? " adam7" : "");
            ASSERT_EQ(qt.width, 11) << what;
            ASSERT_EQ(qt.height, 9) << what;
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 11; ++x) {
                    const TColor color = png.PixelColor(x, y);
                    const auto& p = qt.At(x, y);
                    const uint8_t alpha = png.PixelAlpha(x, y);
                    ASSERT_EQ(p[3] >> 8, alpha) << what << " alpha at " << x << "," << y;
                    ASSERT_EQ(PngRGB(uint8_t(p[0] >> 8), uint8_t(p[1] >> 8), uint8_t(p[2] >> 8)), color)
                        << what << " at " << x << "," << y;
                }
        }
}

} // namespace
} // namespace imaging
