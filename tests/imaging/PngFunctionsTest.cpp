// Fading, greying and the conversions of bitmaps into pictures with alpha.

#include "imaging/PngFixture.h"
#include "imaging/uPngFunctions.h"
#include "platform/ui/Bitmap.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using namespace testing;
using ui::TBitmap;

class PngFunctions : public uitest::UiTest {};

TEST_F(PngFunctions, FadeScalesOpacityAndRoundsToEven) {
    TPNGObject rgb;
    LoadPng(rgb, PngFile(RandomImage(4, 3, 8, COLOR_RGB, 1), false));
    const TColor before = rgb.PixelColor(2, 1);
    FadePng(rgb, 127);
    EXPECT_EQ(rgb.HeaderChunk().IHDRData.ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(rgb.PixelColor(2, 1), before);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(rgb.AlphaRow(y)[x], 128) << "255 / 256 * 128 = 127.5 goes to the even 128";

    TPNGObject rgba;
    LoadPng(rgba, PngFile(SampleImage{2, 1, 8, COLOR_RGBALPHA, {{1, 2, 3, 200, 4, 5, 6, 0}}}, false));
    FadePng(rgba, 127);
    EXPECT_EQ(rgba.AlphaRow(0)[0], 100);
    EXPECT_EQ(rgba.AlphaRow(0)[1], 0);

    // A truecolour key stays fully transparent.
    TPNGObject keyed;
    LoadPng(keyed, PngFile(SampleImage{2, 1, 8, COLOR_RGB, {{9, 9, 9, 1, 1, 1}}}, false,
                           Chunk("tRNS", Bytes("\0\x09\0\x09\0\x09", 6))));
    FadePng(keyed, 127);
    EXPECT_EQ(keyed.AlphaRow(0)[0], 0);
    EXPECT_EQ(keyed.AlphaRow(0)[1], 128);
    EXPECT_EQ(keyed.Chunks().FindChunk<TChunktRNS>(), nullptr) << "the alpha plane replaces the key";
}

TEST_F(PngFunctions, FadeOfAPaletteKeepsEachEntrysOpacity) {
    // Entry 0 is the key, entry 1 half transparent, entry 2 opaque.
    TPNGObject png;
    LoadPng(png, PngFile(SampleImage{3, 1, 8, COLOR_PALETTE, {{0, 1, 2}}}, false,
                         Chunk("PLTE", Bytes("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9)) +
                             Chunk("tRNS", Bytes("\0\x80", 2))));
    FadePng(png, 127);
    EXPECT_EQ(png.HeaderChunk().IHDRData.ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(png.PixelColor(2, 0), PngRGB(0x70, 0x80, 0x90));
    EXPECT_EQ(png.AlphaRow(0)[0], 0);
    EXPECT_EQ(png.AlphaRow(0)[1], 64);
    EXPECT_EQ(png.AlphaRow(0)[2], 128);

    TPNGObject grey;
    LoadPng(grey, PngFile(SampleImage{2, 1, 1, COLOR_GRAYSCALE, {{0, 1}}}, false));
    FadePng(grey, 127);
    EXPECT_EQ(grey.PixelColor(1, 0), PngRGB(255, 255, 255));
    EXPECT_EQ(grey.AlphaRow(0)[1], 128);
}

TEST_F(PngFunctions, GreyMixesTowardsTheGreyLevel) {
    TPNGObject red;
    LoadPng(red, PngFile(SampleImage{1, 1, 8, COLOR_RGB, {{255, 0, 0}}}, false));
    GreyPng(red, 255);
    EXPECT_EQ(red.PixelColor(0, 0), PngRGB(76, 76, 76));

    TPNGObject palette;
    LoadPng(palette,
            PngFile(SampleImage{1, 1, 1, COLOR_PALETTE, {{0}}}, false, Chunk("PLTE", Bytes("\0\xff\0", 3))));
    GreyPng(palette, 255);
    EXPECT_EQ(palette.PixelColor(0, 0), PngRGB(150, 150, 150));

    TPNGObject grey;
    LoadPng(grey, PngFile(SampleImage{1, 1, 8, COLOR_GRAYSCALE, {{77}}}, false));
    GreyPng(grey, 255);
    EXPECT_EQ(grey.PixelColor(0, 0), PngRGB(77, 77, 77));
}

TEST_F(PngFunctions, DrawStyledFadesAndGreysOnlyWhenAsked) {
    TPNGObject png;
    LoadPng(png, PngFile(SampleImage{1, 1, 8, COLOR_RGB, {{255, 0, 0}}}, false));
    TBitmap surface(2, 1, ui::pf32bit);
    surface.Canvas()->Brush()->SetColor(PngRGB(255, 255, 255));
    surface.Canvas()->FillRect({0, 0, 2, 1});
    DrawPngStyled(png, *surface.Canvas(), {0, 0, 1, 1}, {});
    DrawPngStyled(png, *surface.Canvas(), {1, 0, 2, 1}, {pngBlendOnDisabled, pngGrayscaleOnDisabled});
    EXPECT_EQ(surface.Canvas()->Pixel(0, 0), PngRGB(255, 0, 0));
    // Grey 76 at alpha 128 over white: (76 * 128 + 127 * 255 + 255) / 256.
    const int v = (76 * 128 + 127 * 255 + 255) / 256;
    EXPECT_EQ(surface.Canvas()->Pixel(1, 0), PngRGB(v, v, v));
    EXPECT_EQ(png.PixelColor(0, 0), PngRGB(255, 0, 0)) << "the picture itself is unchanged";
}

TEST_F(PngFunctions, GraphicToPng) {
    TBitmap bitmap(3, 2, ui::pf24bit);
    bitmap.Canvas()->Brush()->SetColor(PngRGB(0, 0, 255));
    bitmap.Canvas()->FillRect({0, 0, 3, 2});
    bitmap.Canvas()->SetPixel(1, 0, PngRGB(1, 2, 3));
    auto opaque = GraphicToPng(bitmap);
    EXPECT_EQ(opaque->HeaderChunk().IHDRData.ColorType, COLOR_RGB);
    EXPECT_EQ(opaque->PixelColor(1, 0), PngRGB(1, 2, 3));

    // Automatic transparency: the bottom-left pixel's colour.
    bitmap.SetTransparent(true);
    auto keyed = GraphicToPng(bitmap);
    EXPECT_EQ(keyed->HeaderChunk().IHDRData.ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(keyed->AlphaRow(0)[0], 0);
    EXPECT_EQ(keyed->AlphaRow(0)[1], 255);
    EXPECT_EQ(keyed->AlphaRow(1)[2], 0);

    auto copy = GraphicToPng(*opaque);
    EXPECT_EQ(copy->PixelColor(1, 0), PngRGB(1, 2, 3));
}

TEST_F(PngFunctions, BitmapWithMaskOrKeyColour) {
    TBitmap image(2, 1, ui::pf8bit);
    image.Canvas()->SetPixel(0, 0, PngRGB(255, 0, 0));
    image.Canvas()->SetPixel(1, 0, PngRGB(0, 255, 0));
    TBitmap mask(2, 1, ui::pf24bit);
    mask.Canvas()->SetPixel(0, 0, PngRGB(200, 0, 0));
    mask.Canvas()->SetPixel(1, 0, PngRGB(0, 0, 0));

    auto masked = BitmapAndMaskToPng(image, &mask, false);
    EXPECT_EQ(masked->HeaderChunk().IHDRData.ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(masked->PixelColor(1, 0), PngRGB(0, 255, 0));
    EXPECT_EQ(masked->AlphaRow(0)[0], 200);
    EXPECT_EQ(masked->AlphaRow(0)[1], 0);
    auto inverted = BitmapAndMaskToPng(image, &mask, true);
    EXPECT_EQ(inverted->AlphaRow(0)[0], 55);
    EXPECT_EQ(inverted->AlphaRow(0)[1], 255);

    auto keyed = BitmapKeyedToPng(image, PngRGB(0, 255, 0));
    EXPECT_EQ(keyed->AlphaRow(0)[0], 255);
    EXPECT_EQ(keyed->AlphaRow(0)[1], 0);
}

} // namespace
} // namespace imaging
