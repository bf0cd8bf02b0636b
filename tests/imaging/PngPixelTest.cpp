// Decoding and encoding of every colour type and bit depth, interlaced or not, on files built by the
// fixture; filters, gamma, transparency and pixel access.

#include "imaging/PngFixture.h"
#include "imaging/uPNGObject.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using namespace testing;

// A palette whose entries differ from each other and from their index.
Bytes PaletteChunk(int entries) {
    Bytes data;
    for (int i = 0; i < entries; ++i) {
        data += static_cast<char>(i * 37 + 11);
        data += static_cast<char>(255 - i * 13);
        data += static_cast<char>(i * 91 + 5);
    }
    return Chunk("PLTE", data);
}

// What the picture must show at (x, y) for the fixture's samples.
TColor ExpectedColor(const SampleImage& image, uint32_t x, uint32_t y) {
    auto level = [&](int channel) -> uint8_t {
        const uint16_t v = image.Sample(x, y, channel);
        switch (image.bitDepth) {
        case 1:
            return static_cast<uint8_t>(v * 255);
        case 2:
            return static_cast<uint8_t>(v * 85);
        case 4:
            return static_cast<uint8_t>(v * 17);
        case 16:
            return static_cast<uint8_t>(v >> 8);
        default:
            return static_cast<uint8_t>(v);
        }
    };
    switch (image.colorType) {
    case COLOR_PALETTE: {
        const int i = image.Sample(x, y, 0);
        return PngRGB(static_cast<uint8_t>(i * 37 + 11), static_cast<uint8_t>(255 - i * 13),
                      static_cast<uint8_t>(i * 91 + 5));
    }
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        return PngRGB(level(0), level(1), level(2));
    default:
        return PngRGB(level(0), level(0), level(0));
    }
}

struct Format {
    uint8_t colorType;
    uint8_t bitDepth;
};

const Format kFormats[] = {
    {0, 1}, {0, 2}, {0, 4},  {0, 8}, {0, 16}, {3, 1}, {3, 2},  {3, 4},
    {3, 8}, {2, 8}, {2, 16}, {4, 8}, {4, 16}, {6, 8}, {6, 16},
};

void ExpectPixels(TPNGObject& png, const SampleImage& image, const std::string& what) {
    ASSERT_EQ(png.Width(), static_cast<int>(image.width)) << what;
    ASSERT_EQ(png.Height(), static_cast<int>(image.height)) << what;
    const int alphaChannel = image.colorType == COLOR_RGBALPHA         ? 3
                             : image.colorType == COLOR_GRAYSCALEALPHA ? 1
                                                                       : -1;
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x) {
            const int ix = static_cast<int>(x), iy = static_cast<int>(y);
            ASSERT_EQ(png.PixelColor(ix, iy), ExpectedColor(image, x, y)) << what << " at " << x << "," << y;
            if (alphaChannel >= 0) {
                const uint16_t a = image.Sample(x, y, alphaChannel);
                ASSERT_EQ(png.AlphaRow(iy)[x], image.bitDepth == 16 ? a >> 8 : a)
                    << what << " alpha at " << x << "," << y;
            } else {
                ASSERT_EQ(png.AlphaRow(iy), nullptr) << what;
            }
        }
}

TEST(PngPixelCoding, EveryFormatDecodesAndRoundTripsInterlacedOrNot) {
    // 13 x 11 leaves partial bytes at the row ends and Adam7 passes of uneven sizes.
    for (const Format& f : kFormats)
        for (bool adam7 : {false, true}) {
            const SampleImage image =
                RandomImage(13, 11, f.bitDepth, f.colorType, f.colorType * 31u + f.bitDepth);
            const std::string what = "type " + std::to_string(f.colorType) + " depth " +
                                     std::to_string(f.bitDepth) + (adam7 ? " adam7" : "");
            TPNGObject png;
            LoadPng(png,
                    PngFile(image, adam7, f.colorType == COLOR_PALETTE ? PaletteChunk(1 << f.bitDepth) : ""));
            ExpectPixels(png, image, what);
            EXPECT_EQ(png.Interlacing(), adam7 ? imAdam7 : imNone);

            // Saved the other way round, read back the same.
            png.SetInterlacing(adam7 ? imNone : imAdam7);
            png.SetRowFilters({rfNone, rfSub, rfUp, rfAverage, rfPaeth});
            const Bytes saved = SavePng(png);
            TPNGObject again;
            LoadPng(again, saved);
            ExpectPixels(again, image, what + " saved");
            EXPECT_EQ(again.HeaderChunk().IHDRData.BitDepth, f.bitDepth == 2 ? 4 : f.bitDepth) << what;
        }
}

TEST(PngPixelCoding, TwoBitGreyShowsFourLevelsAndIsSavedAsFourBit) {
    SampleImage image{4, 1, 2, COLOR_GRAYSCALE, {{0, 1, 2, 3}}};
    for (bool adam7 : {false, true}) {
        TPNGObject png;
        LoadPng(png, PngFile(image, adam7));
        for (int x = 0; x < 4; ++x) {
            const auto v = static_cast<uint8_t>(x * 85);
            EXPECT_EQ(png.PixelColor(x, 0), PngRGB(v, v, v));
        }
        const Bytes saved = SavePng(png);
        EXPECT_EQ(static_cast<uint8_t>(saved[8 + 8 + 8]), 4) << "bit depth byte of the saved header";
    }
}

TEST(PngPixelCoding, SixteenBitSamplesKeepTheHighByteAndAreWrittenWithLowBytesZero) {
    SampleImage image{2, 1, 16, COLOR_RGB, {{0x1234, 0xABCD, 0xFF01, 0x00FF, 0x8080, 0x7F7F}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, false));
    EXPECT_EQ(png.PixelColor(0, 0), PngRGB(0x12, 0xAB, 0xFF));
    png.SetRowFilters({rfNone});
    const Bytes expected("\0\x12\0\xAB\0\xFF\0\0\0\x80\0\x7F\0", 13);
    EXPECT_EQ(InflatedImageData(SavePng(png)), expected);
}

TEST(PngPixelCoding, OneByOneAdam7DecodesFromTheFirstPassAlone) {
    SampleImage image{1, 1, 8, COLOR_RGB, {{10, 20, 30}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, true));
    EXPECT_EQ(png.PixelColor(0, 0), PngRGB(10, 20, 30));
}

TEST(PngPixelCoding, UnknownFilterTypeLeavesTheRowUnfiltered) {
    Bytes raw("\x07\x01\x02\x03", 4);
    TPNGObject png;
    LoadPng(png, kPngSignature + Ihdr(3, 1, 8, 0) + Chunk("IDAT", Deflate(raw)) + Chunk("IEND", ""));
    EXPECT_EQ(png.PixelColor(2, 0), PngRGB(3, 3, 3));
}

TEST(PngPixelCoding, FilterChoiceByRepetitionScore) {
    // A ramp on the first row scores None 0, Sub 4 (all 1), Up 0, Average 2 (1,2,2,3,3,4), Paeth 4.
    const uint8_t ramp[] = {1, 2, 3, 4, 5, 6};
    const struct Case {
        TFilters filters;
        uint8_t chosen;
    } cases[] = {
        {{}, rfNone},
        {{rfNone}, rfNone},
        {{rfUp}, rfUp},                 // a single filter is taken without scoring
        {{rfSub, rfPaeth}, rfSub},      // equal scores keep the lower type
        {{rfUp, rfAverage}, rfAverage}, // the higher score wins
        {{rfAverage, rfPaeth}, rfPaeth},
        {{rfNone, rfUp}, rfNone}, // nothing scores above 0
    };
    for (const Case& c : cases) {
        TRowFilterChooser chooser(c.filters, 6, 1);
        chooser.StartPass(6);
        EXPECT_EQ(chooser.Choose(ramp), c.chosen) << c.filters.Count();
    }
}

TEST(PngPixelCoding, DefaultSavingWritesSubFilteredRows) {
    const SampleImage image = RandomImage(9, 4, 8, COLOR_RGB, 3);
    TPNGObject png;
    LoadPng(png, PngFile(image, false));
    const Bytes saved = SavePng(png);
    // Build the expected stream by hand: every row Sub-filtered.
    Bytes expected;
    for (uint32_t y = 0; y < image.height; ++y) {
        expected += '\x01';
        for (uint32_t i = 0; i < image.width * 3; ++i) {
            const int left = i >= 3 ? image.samples[y][i - 3] : 0;
            expected += static_cast<char>(image.samples[y][i] - left);
        }
    }
    EXPECT_EQ(InflatedImageData(saved), expected);
    EXPECT_EQ(png.RowFilters(), TFilters{rfSub});
    EXPECT_EQ(png.DeflateLevel(), 7);
}

TEST(PngPixelCoding, CompressedDataIsSplitIntoFullIdatChunks) {
    // Random samples hardly compress: 3 x 65535 bytes of raw data give between 2 and 3 chunks' worth.
    const SampleImage image = RandomImage(256, 220, 8, COLOR_RGB, 9);
    TPNGObject png;
    LoadPng(png, PngFile(image, false));
    png.SetRowFilters({rfNone});
    png.SetDeflateLevel(0);
    png.SetIdatChunkSize(1000); // raised to the minimum
    EXPECT_EQ(png.IdatChunkSize(), 65535u);
    const Bytes saved = SavePng(png);
    const std::vector<uint32_t> sizes = ChunkSizes(saved, "IDAT");
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0], 65535u);
    EXPECT_EQ(sizes[1], 65535u);
    EXPECT_GT(sizes[2], 0);
    EXPECT_LT(sizes[2], 65535u);
    TPNGObject reread;
    LoadPng(reread, saved);
    ExpectPixels(reread, image, "split data");
}

TEST(PngPixelCoding, GammaIsAppliedOnLoadAndUndoneOnSave) {
    const SampleImage image = RandomImage(7, 3, 8, COLOR_RGB, 4);
    TPNGObject png;
    LoadPng(png, PngFile(image, false, Chunk("gAMA", BigEndian32(100000))));
    // Gamma 1.0: levels brighten by the 1/2.2 exponent.
    const uint8_t mid = png.GammaTable()[128];
    EXPECT_EQ(mid, 186);
    TPNGObject reread;
    LoadPng(reread, SavePng(png));
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(reread.PixelColor(x, 0), png.PixelColor(x, 0))
            << "the inverse table undoes the gamma on save";
}

TEST(PngPixelCoding, PixelColorReadsAndWritesInsideTheImageOnly) {
    const SampleImage image = RandomImage(400, 20, 8, COLOR_RGB, 5);
    TPNGObject png;
    LoadPng(png, PngFile(image, false));
    EXPECT_EQ(png.PixelColor(300, 10), ExpectedColor(image, 300, 10));
    png.SetPixelColor(300, 10, PngRGB(1, 2, 3));
    EXPECT_EQ(png.PixelColor(300, 10), PngRGB(1, 2, 3));
    EXPECT_EQ(png.PixelColor(400, 0), 0);
    EXPECT_EQ(png.PixelColor(-1, 0), 0);
    png.SetPixelColor(0, 20, PngRGB(9, 9, 9)); // ignored
    TPNGObject empty;
    EXPECT_EQ(empty.PixelColor(0, 0), 0);
    EXPECT_EQ(empty.RowGeometry().rowBytes, 0);
    EXPECT_THROW(empty.PixelRow(0), EPNGHeaderNotPresent);
    EXPECT_THROW(empty.TransparencyStyle(), EPNGHeaderNotPresent);
}

TEST(PngPixelCoding, RowGeometryAndBytesForPixels) {
    struct Case {
        uint8_t type, depth;
        uint32_t width, rowBytes, offset;
    } cases[] = {
        {0, 1, 9, 2, 1}, {0, 16, 3, 6, 2}, {3, 4, 3, 2, 1}, {2, 8, 5, 15, 3}, {2, 16, 1, 6, 6},
        {4, 8, 2, 4, 2}, {4, 16, 2, 8, 4}, {6, 8, 2, 8, 4}, {6, 16, 1, 8, 8},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BytesForPixels(c.width, c.type, c.depth), c.rowBytes);
        EXPECT_EQ(FilterOffset(c.type, c.depth), c.offset);
    }
    EXPECT_EQ(BytesForPixels(5, 7, 8), 0);
}

// ---- transparency ----

TEST(PngTransparency, StyleFollowsColourTypeAndTrns) {
    struct Case {
        uint8_t type, depth;
        Bytes extra;
        TPngTransparencyStyle style;
    } cases[] = {
        {0, 8, "", tsNone},
        {0, 8, Chunk("tRNS", Bytes("\0\x05", 2)), tsBitmask},
        {2, 8, Chunk("tRNS", Bytes(6, '\0')), tsBitmask},
        {3, 2, PaletteChunk(4), tsNone},
        {3, 2, PaletteChunk(4) + Chunk("tRNS", Bytes("\xff\x00\xff", 3)), tsBitmask},
        // A half-transparent single entry blends; a key colour would black out other pixels.
        {3, 2, PaletteChunk(4) + Chunk("tRNS", Bytes("\xff\x80\xff", 3)), tsPartial},
        {3, 2, PaletteChunk(4) + Chunk("tRNS", Bytes("\0\0", 2)), tsPartial},
        {4, 8, "", tsPartial},
        {6, 8, "", tsPartial},
    };
    for (const Case& c : cases) {
        TPNGObject png;
        LoadPng(png, PngFile(RandomImage(3, 2, c.depth, c.type, 1), false, c.extra));
        EXPECT_EQ(png.TransparencyStyle(), c.style) << int(c.type) << " " << c.extra.size();
        EXPECT_EQ(png.Transparent(), c.style != tsNone);
    }
}

TEST(PngTransparency, GreyKeysMatchPixelsAtEveryBitDepth) {
    // The key is a sample of the image's depth, so it scales like the pixels.
    struct Case {
        uint8_t depth;
        uint16_t key;
        uint8_t shown;
    } cases[] = {{1, 1, 255}, {2, 2, 170}, {4, 3, 51}, {8, 200, 200}, {16, 0xAB00, 0xAB}};
    for (const Case& c : cases) {
        SampleImage image{2, 1, c.depth, COLOR_GRAYSCALE, {{c.key, 0}}};
        TPNGObject png;
        LoadPng(png, PngFile(image, false,
                             Chunk("tRNS", Bytes{static_cast<char>(c.key >> 8), static_cast<char>(c.key)})));
        EXPECT_EQ(png.TransparentKeyColor(), PngRGB(c.shown, c.shown, c.shown)) << int(c.depth);
        EXPECT_TRUE(png.IsKeyPixel(0, 0)) << int(c.depth);
        EXPECT_FALSE(png.IsKeyPixel(1, 0)) << int(c.depth);
        EXPECT_EQ(png.PixelAlpha(0, 0), 0) << int(c.depth);
        // Saved (2-bit as 4-bit) and read back, the same pixel stays the key.
        TPNGObject reread;
        LoadPng(reread, SavePng(png));
        EXPECT_TRUE(reread.IsKeyPixel(0, 0)) << int(c.depth);
        EXPECT_FALSE(reread.IsKeyPixel(1, 0)) << int(c.depth);
    }
}

TEST(PngTransparency, TruecolourKeyMatchesAtBothDepths) {
    for (uint8_t depth : {uint8_t{8}, uint8_t{16}}) {
        const uint16_t unit = depth == 16 ? 257 : 1;
        SampleImage image{2,
                          1,
                          depth,
                          COLOR_RGB,
                          {{uint16_t(10 * unit), uint16_t(20 * unit), uint16_t(30 * unit), 0, 0, 0}}};
        Bytes key;
        for (int v : {10, 20, 30}) {
            key += static_cast<char>((v * unit) >> 8);
            key += static_cast<char>((v * unit) & 0xFF);
        }
        TPNGObject png;
        LoadPng(png, PngFile(image, false, Chunk("tRNS", key)));
        EXPECT_EQ(png.TransparentKeyColor(), PngRGB(10, 20, 30));
        EXPECT_TRUE(png.IsKeyPixel(0, 0));
        EXPECT_FALSE(png.IsKeyPixel(1, 0));
    }
}

TEST(PngTransparency, PaletteMaskIsByIndexNotByColour) {
    // Entries 0 and 2 have the same colour; only entry 0 is transparent.
    Bytes palette = Chunk("PLTE", Bytes("\x10\x20\x30\x40\x50\x60\x10\x20\x30", 9));
    SampleImage image{3, 1, 8, COLOR_PALETTE, {{0, 1, 2}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, false, palette + Chunk("tRNS", Bytes("\0", 1))));
    EXPECT_EQ(png.TransparencyStyle(), tsBitmask);
    EXPECT_EQ(png.TransparentKeyColor(), PngRGB(0x10, 0x20, 0x30));
    EXPECT_TRUE(png.IsKeyPixel(0, 0));
    EXPECT_FALSE(png.IsKeyPixel(2, 0));
}

TEST(PngTransparency, PaletteIndicesPastThePaletteAreTransparentBlack) {
    SampleImage image{2, 1, 8, COLOR_PALETTE, {{1, 200}}};
    TPNGObject png;
    LoadPng(png, PngFile(image, false, PaletteChunk(2) + Chunk("tRNS", Bytes("\x80\x80", 2))));
    EXPECT_EQ(png.TransparencyStyle(), tsPartial);
    EXPECT_EQ(png.PixelColor(1, 0), 0);
    EXPECT_EQ(png.PixelAlpha(1, 0), 0);
    EXPECT_EQ(png.PixelAlpha(0, 0), 0x80);
}

TEST(PngTransparency, SettingAKeyColourOnAPalette) {
    TPNGObject png;
    LoadPng(png, PngFile(SampleImage{2, 1, 8, COLOR_PALETTE, {{0, 1}}}, false, PaletteChunk(3)));
    // A colour the palette lacks changes nothing.
    png.SetTransparentKeyColor(PngRGB(1, 2, 3));
    EXPECT_EQ(png.TransparencyStyle(), tsPartial) << "an added tRNS of opaque entries";
    EXPECT_EQ(png.PixelAlpha(0, 0), 255);
    EXPECT_EQ(png.PixelAlpha(1, 0), 255);
    // Entry 1's colour: entries before it stay opaque, and it becomes the key.
    png.SetTransparentKeyColor(PngRGB(48, 242, 96));
    EXPECT_EQ(png.TransparencyStyle(), tsBitmask);
    EXPECT_EQ(png.Chunks().FindChunk<TChunktRNS>()->DataSize(), 2u);
    EXPECT_FALSE(png.IsKeyPixel(0, 0));
    EXPECT_TRUE(png.IsKeyPixel(1, 0));
    TPNGObject reread;
    LoadPng(reread, SavePng(png));
    EXPECT_TRUE(reread.IsKeyPixel(1, 0));
    EXPECT_EQ(reread.TransparentKeyColor(), PngRGB(48, 242, 96));
}

TEST(PngTransparency, AddAlphaChannel) {
    TPNGObject rgb;
    LoadPng(rgb, PngFile(RandomImage(3, 2, 8, COLOR_RGB, 2), false));
    rgb.AddAlphaChannel();
    EXPECT_EQ(rgb.HeaderChunk().IHDRData.ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(rgb.AlphaRow(1)[2], 255);

    // Grey below 8 bits becomes 8-bit grey with alpha, showing the same levels.
    TPNGObject grey;
    LoadPng(grey, PngFile(SampleImage{3, 1, 2, COLOR_GRAYSCALE, {{0, 2, 3}}}, false));
    grey.AddAlphaChannel();
    EXPECT_EQ(grey.HeaderChunk().IHDRData.ColorType, COLOR_GRAYSCALEALPHA);
    EXPECT_EQ(grey.PixelColor(1, 0), PngRGB(170, 170, 170));
    TPNGObject reread;
    LoadPng(reread, SavePng(grey));
    EXPECT_EQ(reread.PixelColor(2, 0), PngRGB(255, 255, 255));
    EXPECT_EQ(reread.AlphaRow(0)[0], 255);

    TPNGObject palette;
    LoadPng(palette, PngFile(RandomImage(3, 1, 4, COLOR_PALETTE, 2), false, PaletteChunk(16)));
    palette.AddAlphaChannel();
    EXPECT_EQ(palette.TransparencyStyle(), tsPartial);
    EXPECT_EQ(palette.Chunks().FindChunk<TChunktRNS>()->DataSize(), 16u);
}

TEST(PngTransparency, PaletteGetAndSet) {
    TPNGObject png;
    LoadPng(png, PngFile(SampleImage{1, 1, 1, COLOR_PALETTE, {{1}}}, false, PaletteChunk(2)));
    std::vector<TRGBQuad> entries = png.Palette();
    ASSERT_EQ(entries.size(), 256u);
    entries[1] = {1, 2, 3, 0};
    png.SetPalette(entries);
    EXPECT_EQ(png.PixelColor(0, 0), PngRGB(3, 2, 1));
    TPNGObject rgb;
    LoadPng(rgb, PngFile(RandomImage(1, 1, 8, COLOR_RGB, 1), false));
    EXPECT_TRUE(rgb.Palette().empty());
}

TEST(PngPixelCoding, AssignPixelsMakesAPaletteImageWithItsKey) {
    // An 8-bit bitmap whose colour 2 appears twice: the first index of the key is the transparent one.
    std::array<TRGBQuad, 256> table{};
    table[0] = {0, 0, 0, 0};
    table[1] = {0, 0, 255, 0};
    table[2] = {0, 255, 0, 0};
    table[3] = {0, 255, 0, 0};
    const uint8_t row0[] = {0, 1, 2, 3};
    const uint8_t* rows[] = {row0};
    TPNGObject png;
    png.AssignPixels(4, 1, 8, table.data(), rows, true, PngRGB(0, 255, 0));
    EXPECT_EQ(ChunkTypes(SavePng(png)), (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
    EXPECT_EQ(png.TransparencyStyle(), tsBitmask);
    EXPECT_TRUE(png.IsKeyPixel(2, 0));
    EXPECT_FALSE(png.IsKeyPixel(3, 0));
    EXPECT_EQ(png.Chunks().FindChunk<TChunktRNS>()->DataSize(), 3u);
}

} // namespace
} // namespace imaging
