#include "platform/ui/Bitmap.h"
#include "platform/ui/Icon.h"

#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace ui {
namespace {

class BitmapTest : public uitest::UiTest {};

// Four colours every format holds exactly (the 4-bit and 8-bit tables have them; 1-bit keeps
// black and white).
void PaintQuarters(TBitmap& bitmap) {
    TCanvas& canvas = *bitmap.Canvas();
    const TColor colours[] = {clBlack, clWhite, clRed, clBlue};
    for (int i = 0; i < 4; ++i) {
        canvas.Brush()->SetColor(bitmap.Monochrome() ? colours[i % 2] : colours[i]);
        canvas.FillRect(Rect(i * bitmap.Width() / 4, 0, (i + 1) * bitmap.Width() / 4, bitmap.Height()));
    }
}

std::vector<TColor> Pixels(TBitmap& bitmap) {
    std::vector<TColor> result;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            result.push_back(bitmap.Canvas()->Pixel(x, y));
    return result;
}

TEST_F(BitmapTest, EveryPixelFormatRoundTripsThroughBmp) {
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        SCOPED_TRACE(format);
        TBitmap original(13, 5, format); // an odd width pads every row
        PaintQuarters(original);
        rtl::TMemoryStream stream;
        original.SaveToStream(stream);
        stream.SetPosition(0);
        TBitmap loaded;
        loaded.LoadFromStream(stream);
        EXPECT_EQ(loaded.PixelFormat(), format == pfDevice ? pf32bit : format);
        EXPECT_EQ(loaded.Width(), 13);
        EXPECT_EQ(loaded.Height(), 5);
        EXPECT_EQ(Pixels(loaded), Pixels(original));
        EXPECT_EQ(stream.Position(), stream.Size());
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(std::memcmp(loaded.ScanLine(y), original.ScanLine(y), original.BytesPerScanLine()), 0);
    }
}

TEST_F(BitmapTest, ScanLinesUseTheDeviceIndependentLayout) {
    TBitmap bitmap(3, 2, pf4bit);
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(1));
    EXPECT_EQ(bitmap.BytesPerScanLine(), 4);
    row[0] = 0x9C; // red (9), blue (12)
    row[1] = 0xF0; // white (15)
    EXPECT_EQ(bitmap.Canvas()->Pixel(0, 1), clRed);
    EXPECT_EQ(bitmap.Canvas()->Pixel(1, 1), clBlue);
    EXPECT_EQ(bitmap.Canvas()->Pixel(2, 1), clWhite);

    TBitmap mono(10, 1, pf1bit);
    auto* bits = static_cast<uint8_t*>(mono.ScanLine(0));
    EXPECT_EQ(bits[0], 0xFF); // white is index 1
    bits[0] = 0x7F;
    EXPECT_EQ(mono.Canvas()->Pixel(0, 0), clBlack);
    EXPECT_EQ(mono.Canvas()->Pixel(1, 0), clWhite);

    TBitmap direct(2, 1, pf24bit);
    auto* bgr = static_cast<uint8_t*>(direct.ScanLine(0));
    bgr[0] = 0x11;
    bgr[1] = 0x22;
    bgr[2] = 0x33;
    EXPECT_EQ(direct.Canvas()->Pixel(0, 0), RGB(0x33, 0x22, 0x11));
}

TEST_F(BitmapTest, DrawingAfterScanLineWritesKeepsBoth) {
    TBitmap bitmap(4, 1, pf8bit);
    static_cast<uint8_t*>(bitmap.ScanLine(0))[0] = 0; // black
    bitmap.Canvas()->Brush()->SetColor(clRed);
    bitmap.Canvas()->FillRect(Rect(3, 0, 4, 1));
    EXPECT_EQ(bitmap.Canvas()->Pixel(0, 0), clBlack);
    const auto* row = static_cast<const uint8_t*>(std::as_const(bitmap).ScanLine(0));
    EXPECT_EQ(bitmap.PaletteEntries()[row[3]], clRed);
}

TEST_F(BitmapTest, BrokenBmpRaisesAtEveryCut) {
    TBitmap original(5, 3, pf8bit);
    PaintQuarters(original);
    rtl::TMemoryStream stream;
    original.SaveToStream(stream);
    const std::string bytes = [&] {
        stream.SetPosition(0);
        return stream.ReadToEnd();
    }();
    for (size_t length = 0; length < bytes.size(); ++length) {
        rtl::TMemoryStream cut;
        cut.WriteString(std::string_view(bytes).substr(0, length));
        cut.SetPosition(0);
        TBitmap loaded;
        EXPECT_THROW(loaded.LoadFromStream(cut), EInvalidGraphic) << length;
    }
}

// Random damage to the headers and palette of valid files: loading may only raise EInvalidGraphic.
TEST_F(BitmapTest, DamagedBmpAndIcoFilesOnlyRaise) {
    std::mt19937 random(46);
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf16bit, pf32bit}) {
        TBitmap original(7, 3, format);
        PaintQuarters(original);
        rtl::TMemoryStream bmp;
        original.SaveToStream(bmp);
        TIcon icon;
        icon.SetBitmaps(original, nullptr);
        rtl::TMemoryStream ico;
        icon.SaveToStream(ico);
        for (rtl::TMemoryStream* stream : {&bmp, &ico}) {
            stream->SetPosition(0);
            const std::string bytes = stream->ReadToEnd();
            for (int round = 0; round < 300; ++round) {
                std::string damaged = bytes;
                for (int hits = 1 + static_cast<int>(random() % 4); hits > 0; --hits)
                    damaged[random() % std::min<size_t>(damaged.size(), 80)] = static_cast<char>(random());
                rtl::TMemoryStream input;
                input.WriteString(damaged);
                input.SetPosition(0);
                try {
                    if (stream == &bmp) {
                        TBitmap loaded;
                        loaded.LoadFromStream(input);
                    } else {
                        TIcon loaded;
                        loaded.LoadFromStream(input);
                    }
                } catch (const EInvalidGraphic&) {
                    // the one error damaged bytes may give
                }
            }
        }
    }
}

TEST_F(BitmapTest, TransparentColourDrawsTransparent) {
    TBitmap glyph(4, 4, pf24bit);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
    glyph.Canvas()->Brush()->SetColor(clBlue);
    glyph.Canvas()->FillRect(Rect(1, 1, 3, 3));
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia); // the bottom-left pixel
    glyph.SetTransparent(true);

    TBitmap target(6, 6, pf24bit);
    target.Canvas()->Brush()->SetColor(clGreen);
    target.Canvas()->FillRect(Rect(0, 0, 6, 6));
    target.Canvas()->Draw(1, 1, &glyph);
    EXPECT_EQ(target.Canvas()->Pixel(1, 1), clGreen);
    EXPECT_EQ(target.Canvas()->Pixel(2, 2), clBlue);
    EXPECT_EQ(target.Canvas()->Pixel(4, 4), clGreen);

    glyph.SetTransparentColor(clBlue);
    target.Canvas()->Draw(1, 1, &glyph);
    EXPECT_EQ(target.Canvas()->Pixel(1, 1), clFuchsia);
    EXPECT_EQ(target.Canvas()->Pixel(2, 2), clBlue); // the blue drawn before shows through
}

TEST_F(BitmapTest, MaskIsWhiteWhereTheTransparentColourIs) {
    TBitmap glyph(3, 2, pf24bit);
    glyph.Canvas()->SetPixel(1, 0, clRed);
    TBitmap mask;
    glyph.GetMask(mask); // the bottom-left colour: white
    EXPECT_EQ(mask.PixelFormat(), pf1bit);
    EXPECT_EQ(mask.Canvas()->Pixel(0, 0), clWhite);
    EXPECT_EQ(mask.Canvas()->Pixel(1, 0), clBlack);
    glyph.GetMask(mask, clRed);
    EXPECT_EQ(mask.Canvas()->Pixel(0, 0), clBlack);
    EXPECT_EQ(mask.Canvas()->Pixel(1, 0), clWhite);
}

} // namespace
} // namespace ui
