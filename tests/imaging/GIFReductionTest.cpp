#include "imaging/uGIFReduction.h"

#include "imaging/uGIFBitmaps.h"

#include <gtest/gtest.h>

#include "support/UiTest.h"

#include <memory>
#include <set>
#include <vector>

namespace imaging {
namespace {

// A 24-bit picture of one row per entry of `rows`, each a list of colours.
std::unique_ptr<ui::TBitmap> Picture(const std::vector<std::vector<ui::TColor>>& rows) {
    auto result = std::make_unique<ui::TBitmap>(static_cast<int>(rows.front().size()),
                                                static_cast<int>(rows.size()), ui::pf24bit);
    ui::TBitmap& bitmap = *result;
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) {
            auto* pixel = static_cast<uint8_t*>(bitmap.ScanLine(static_cast<int>(y))) + 3 * x;
            pixel[0] = static_cast<uint8_t>(ui::GetBValue(rows[y][x]));
            pixel[1] = static_cast<uint8_t>(ui::GetGValue(rows[y][x]));
            pixel[2] = static_cast<uint8_t>(ui::GetRValue(rows[y][x]));
        }
    return result;
}

uint8_t IndexAt(ui::TBitmap& bitmap, int x, int y) {
    return static_cast<const uint8_t*>(bitmap.ScanLine(y))[x];
}

ui::TColor ColorAt(ui::TBitmap& bitmap, int x, int y) {
    return bitmap.PaletteEntries()[IndexAt(bitmap, x, y)];
}

class GIFReductionTest : public uitest::UiTest {};

TEST_F(GIFReductionTest, LookupsMapColoursAsTheirPalettesSay) {
    TRGB chosen;
    TNetscapeColorLookup web;
    EXPECT_EQ(web.LookupIndex({47, 48, 255}, chosen), 11);
    EXPECT_EQ(chosen.r, 0);
    EXPECT_EQ(chosen.g, 51);
    EXPECT_EQ(chosen.b, 255);
    TMonochromeLookup mono;
    EXPECT_EQ(mono.LookupIndex({127, 127, 127}, chosen), 0);
    EXPECT_EQ(mono.LookupIndex({128, 128, 128}, chosen), 1);
    EXPECT_EQ(chosen.g, 255);
    TGrayScaleLookup grey;
    EXPECT_EQ(grey.LookupIndex({255, 0, 0}, chosen), 76); // 77 * 255 >> 8
    EXPECT_EQ(PaletteOf216()[11], ui::RGB(0, 51, 255));
}

TEST_F(GIFReductionTest, TheFastLookupDecidesACellByItsFirstColour) {
    TFastColorLookup lookup({ui::RGB(0, 0, 0), ui::RGB(8, 0, 0), ui::RGB(200, 200, 200)});
    TRGB chosen;
    EXPECT_EQ(lookup.LookupIndex({7, 0, 0}, chosen), 0); // cell 0: black is its own entry
    EXPECT_EQ(lookup.LookupIndex({12, 0, 0}, chosen), 1);
    EXPECT_EQ(lookup.LookupIndex({180, 180, 180}, chosen), 2);
    EXPECT_EQ(lookup.LookupIndex({181, 179, 180}, chosen), 2); // same cell: not searched again
    EXPECT_EQ(chosen.r, 200);
}

TEST_F(GIFReductionTest, ReductionsOfATwoByTwoPicture) {
    const std::vector<std::vector<ui::TColor>> rows = {{ui::RGB(47, 48, 255), ui::RGB(127, 127, 127)},
                                                       {ui::RGB(128, 128, 128), ui::RGB(255, 255, 255)}};
    auto sourceBitmap = Picture(rows);
    ui::TBitmap& source = *sourceBitmap;
    auto web = ReduceToPalette(source, redWeb216, ditNearest, {}, 8);
    ASSERT_EQ(web->PixelFormat(), ui::pf8bit);
    EXPECT_EQ(IndexAt(*web, 0, 0), 11);
    EXPECT_EQ(ColorAt(*web, 0, 0), ui::RGB(0, 51, 255));

    auto mono = ReduceToPalette(source, redMonochrome, ditNearest, {}, 8);
    EXPECT_EQ(IndexAt(*mono, 1, 0), 0);
    EXPECT_EQ(IndexAt(*mono, 0, 1), 1);

    auto copy = ReduceToPalette(source, redNone, ditNearest, {}, 8);
    EXPECT_EQ(copy->PixelFormat(), ui::pf24bit);
    EXPECT_TRUE(ReduceToPalette(source, static_cast<TGIFReductionMethod>(10), ditNearest, {}, 8)->Empty());
    EXPECT_TRUE(ReduceToPalette(source, redWeb216, static_cast<TGIFDitherMode>(7), {}, 8)->Empty());
    EXPECT_TRUE(ReduceToPalette(source, redPalette, ditNearest, {}, 8)->Empty()); // no colours
}

TEST_F(GIFReductionTest, QuantizingAFewColoursKeepsThemExact) {
    const ui::TColor a = ui::RGB(10, 200, 30);
    const ui::TColor b = ui::RGB(250, 5, 90);
    const ui::TColor c = ui::RGB(60, 60, 255);
    auto sourceBitmap = Picture({{a, b, c, a}, {c, c, b, a}});
    ui::TBitmap& source = *sourceBitmap;
    for (TGIFDitherMode mode : {ditNearest, ditFloydSteinberg, ditStucki, ditBurkes}) {
        auto result = ReduceToPalette(source, redQuantize, mode, {}, 4);
        EXPECT_EQ(ColorAt(*result, 0, 0), a) << int(mode);
        EXPECT_EQ(ColorAt(*result, 1, 0), b) << int(mode);
        EXPECT_EQ(ColorAt(*result, 0, 1), c) << int(mode);
        EXPECT_EQ(ColorAt(*result, 3, 1), a) << int(mode);
    }
    const ui::TPaletteEntries system = OptimizedPaletteFromBitmap(source, 256, 8, true);
    ASSERT_EQ(system.size(), 256u);
    EXPECT_EQ(system[0], ui::StockPalette20()[0]);
    EXPECT_EQ(system[255], ui::StockPalette20()[19]);
    EXPECT_EQ((std::set<ui::TColor>{system[10], system[11], system[12]}), (std::set<ui::TColor>{a, b, c}));
}

TEST_F(GIFReductionTest, TheOctreeKeepsNoMoreLeavesThanWanted) {
    TColorQuantizer quantizer(8, 8);
    for (int i = 0; i < 256; ++i)
        quantizer.AddColor(
            {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    EXPECT_LE(quantizer.LeafCount(), 8);
    EXPECT_GT(quantizer.LeafCount(), 0);
}

TEST_F(GIFReductionTest, ErrorDiffusionSpreadsGreyIntoAPatternOfBlackAndWhite) {
    // Mid grey dithered to black and white comes out about half white; without diffusion all black.
    std::vector<std::vector<ui::TColor>> rows(8, std::vector<ui::TColor>(8, ui::RGB(127, 127, 127)));
    auto sourceBitmap = Picture(rows);
    ui::TBitmap& source = *sourceBitmap;
    auto nearest = ReduceToPalette(source, redMonochrome, ditNearest, {}, 8);
    for (TGIFDitherMode mode :
         {ditFloydSteinberg, ditStucki, ditSierra, ditJarvisJudiceNinke, ditStevensonArce, ditBurkes}) {
        auto dithered = ReduceToPalette(source, redMonochrome, mode, {}, 8);
        int white = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                white += IndexAt(*dithered, x, y);
        EXPECT_GE(white, 24) << int(mode);
        EXPECT_LE(white, 40) << int(mode);
    }
    EXPECT_EQ(IndexAt(*nearest, 3, 3), 0);
}

TEST_F(GIFReductionTest, FloydSteinbergOnOneColumnSpreadsOnlyDownwards) {
    TMonochromeLookup lookup;
    TFloydSteinbergDitherer ditherer(1, lookup);
    TRGB chosen;
    std::vector<int> column;
    for (int y = 0; y < 4; ++y) {
        column.push_back(ditherer.DitherPixel({100, 100, 100}, chosen));
        EXPECT_EQ(ditherer.Column(), y % 2 == 0 ? 1 : -1);
        ditherer.NextRow();
    }
    // 100, then 100 + 5*100/16 = 131 (white), then 100 + 5*(131-255)/16 = 61...
    EXPECT_EQ(column, (std::vector<int>{0, 1, 0, 0}));
}

TEST_F(GIFReductionTest, ALargePictureReducesLikeASmallOne) {
    ui::TBitmap source(640, 800, ui::pf24bit);
    source.Canvas()->Brush()->SetColor(ui::RGB(255, 0, 0));
    source.Canvas()->FillRect({0, 0, 640, 800});
    auto result = ReduceToPalette(source, redWeb216, ditNearest, {}, 8);
    EXPECT_EQ(result->PixelFormat(), ui::pf8bit);
    EXPECT_EQ(result->Width(), 640);
    EXPECT_EQ(IndexAt(*result, 639, 799), 5 * 36);
}

TEST_F(GIFReductionTest, TheDIBWriterRefusesWhatItCannotWrite) {
    ui::TBitmap target;
    EXPECT_THROW(TDIBWriter(target, {}, 2, 2, ui::pf4bit), GIFException);
    EXPECT_THROW(TDIBWriter(target, {}, 0, 2, ui::pf8bit), GIFException);
    TDIBWriter writer(target, {ui::clRed}, 2, 3, ui::pf8bit);
    EXPECT_THROW(writer.RowAddress(2), EInvalidGraphicOperation);
    writer.RowAddress(1)[2] = 7;
}

} // namespace
} // namespace imaging
