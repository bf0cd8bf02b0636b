// The container side: signature, chunk framing, the order rules, every load error with its message,
// the chunk classes and the chunk list.

#include "imaging/PngFixture.h"
#include "imaging/uPNGObject.h"

#include <functional>
#include <gtest/gtest.h>
#include <typeinfo>
#include <zlib.h>

namespace imaging {
namespace {

using namespace testing;

const SampleImage kSmall = RandomImage(5, 4, 8, COLOR_RGB, 7);

Bytes SmallFile(const Bytes& beforeData = {}, int idatParts = 1) {
    return PngFile(kSmall, false, beforeData, idatParts);
}

// Replaces one byte of the file.
Bytes Damaged(Bytes file, size_t at) {
    file[at] = static_cast<char>(file[at] ^ 0x5A);
    return file;
}

// The message and class of what loading raises, or "" when it loads.
std::pair<std::string, std::string> LoadError(const Bytes& file) {
    TPNGObject png;
    try {
        LoadPng(png, file);
    } catch (const rtl::Exception& e) {
        return {e.ClassName(), e.Message()};
    }
    return {"", ""};
}

TEST(PngLoad, EveryErrorOnItsTrigger) {
    const Bytes header = kPngSignature + Ihdr(5, 4, 8, 2);
    const Bytes data = Deflate(Scanlines(kSmall, false));
    const Bytes three = SmallFile({}, 3);
    // The second of three IDAT chunks starts after signature, IHDR (25 bytes) and the first IDAT.
    const size_t secondIdat = 8 + 25 + 12 + ChunkSizes(three, "IDAT")[0];
    const struct Case {
        const char* trigger;
        Bytes file;
        const char* exceptionClass;
        const char* message;
    } cases[] = {
        {"bad signature", "\x89PNG\r\n\x1a\x0b" + SmallFile().substr(8), "EPNGInvalidFileHeader",
         EPNGInvalidFileHeaderText},
        {"end after the signature", kPngSignature, "EPngUnexpectedEnd", EPNGUnexpectedEndText},
        {"gAMA first", kPngSignature + Chunk("gAMA", BigEndian32(45455)) + SmallFile().substr(8),
         "EPNGIHDRNotFirst", EPNGIHDRNotFirstText},
        {"unknown critical chunk", header + Chunk("ZZZZ", "x") + Chunk("IDAT", data) + Chunk("IEND", ""),
         "EPNGUnknownCriticalChunk", EPNGUnknownCriticalChunkText},
        {"damaged CRC in the 2nd of 3 IDATs", Damaged(three, secondIdat + 8 + 1), "EPngInvalidCRC",
         EPngInvalidCRCText},
        {"IDAT followed by tEXt",
         header + Chunk("IDAT", data.substr(0, 10)) + Chunk("tEXt", Bytes("a\0b", 3)) +
             Chunk("IDAT", data.substr(10)) + Chunk("IEND", ""),
         "EPNGMissingMultipleIDAT", EPNGMissingMultipleIDATText},
        {"width 65536", kPngSignature + Ihdr(65536, 1, 8, 0), "EPNGSizeExceeds", EPNGSizeExceedsText},
        {"257-byte tRNS", header + Chunk("tRNS", Bytes(257, '\0')), "EPNGInvalidPalette",
         EPNGInvalidPaletteText},
        {"palette of 2 bytes", header + Chunk("PLTE", "ab"), "EPNGInvalidPalette", EPNGInvalidPaletteText},
        {"short header", kPngSignature + Chunk("IHDR", Bytes(12, '\1')), "EPngInvalidIHDR",
         EPngInvalidIHDRText},
        {"compression 1",
         kPngSignature + Chunk("IHDR", BigEndian32(1) + BigEndian32(1) + Bytes("\x08\0\1\0\0", 5)),
         "EPNGUnknownCompression", EPNGUnknownCompressionText},
        {"interlace 2", kPngSignature + Ihdr(1, 1, 8, 0, 2), "EPNGUnknownInterlace",
         EPNGUnknownInterlaceText},
        {"no image data", header + Chunk("IEND", ""), "EPNGNoImageData", EPNGNoImageDataText},
        {"damaged compressed data", header + Chunk("IDAT", "\x78\x9c\xff\xff\xff") + Chunk("IEND", ""),
         "EPNGZLIBError",
         "Could not decompress the image because it contains invalid compressed data.\r\n"
         " Description: data error (-3)"},
        // Sizes and formats that no decoder handles.
        {"width 0", kPngSignature + Ihdr(0, 1, 8, 0), "EPngInvalidIHDR", EPngInvalidIHDRText},
        {"height 0", kPngSignature + Ihdr(1, 0, 8, 0), "EPngInvalidIHDR", EPngInvalidIHDRText},
        {"truecolour of 4 bits", kPngSignature + Ihdr(1, 1, 4, 2), "EPngInvalidIHDR", EPngInvalidIHDRText},
        {"grey with alpha of 2 bits", kPngSignature + Ihdr(1, 1, 2, 4), "EPngInvalidIHDR",
         EPngInvalidIHDRText},
        {"colour type 5", kPngSignature + Ihdr(1, 1, 8, 5), "EPngInvalidIHDR", EPngInvalidIHDRText},
        {"palette of 16 bits", kPngSignature + Ihdr(1, 1, 16, 3), "EPngInvalidIHDR", EPngInvalidIHDRText},
        // Lengths from the file are checked before anything is allocated for them.
        {"chunk length 2^31", header + BigEndian32(0x80000000u) + "tEXt", "EPngUnexpectedEnd",
         EPNGUnexpectedEndText},
        {"chunk longer than the file", header + BigEndian32(100000) + "tEXt" + "abc", "EPngUnexpectedEnd",
         EPNGUnexpectedEndText},
        {"an image too large to hold", kPngSignature + Ihdr(65535, 65535, 16, 6), "EPNGOutMemory",
         EPNGOutMemoryText},
    };
    for (const Case& c : cases) {
        const auto [cls, message] = LoadError(c.file);
        EXPECT_EQ(cls, c.exceptionClass) << c.trigger;
        EXPECT_EQ(message, c.message) << c.trigger;
    }
}

TEST(PngLoad, TheLargestSizeIsAccepted) {
    TPNGObject png;
    // Width 65535 passes the size check; the file then ends in the image data.
    EXPECT_THROW(LoadPng(png, kPngSignature + Ihdr(65535, 1, 8, 0) + Chunk("IEND", "")), EPNGNoImageData);
    EXPECT_EQ(png.Width(), 65535);
}

TEST(PngLoad, FailedLoadKeepsTheChunksReadSoFar) {
    TPNGObject png;
    EXPECT_THROW(LoadPng(png, Bytes("not a png at all")), EPNGInvalidFileHeader);
    EXPECT_TRUE(png.Empty());
    EXPECT_THROW(LoadPng(png, kPngSignature + Ihdr(2, 2, 8, 0) + Chunk("IEND", "")), EPNGNoImageData);
    EXPECT_EQ(png.Chunks().Count(), 2);
    EXPECT_EQ(png.Width(), 2);
    // A refused header is kept empty, so reading pixels finds nothing.
    EXPECT_THROW(LoadPng(png, kPngSignature + Ihdr(3, 3, 16, 6, 0xFF)), EPNGUnknownInterlace);
    EXPECT_TRUE(png.HasHeaderChunk());
    EXPECT_EQ(png.Width(), 0);
    EXPECT_EQ(png.PixelColor(1, 1), 0);
}

TEST(PngLoad, TruncatedImageDataRaisesAndKeepsTheRowsDecoded) {
    // Stored (level 0) data: the file can be cut between rows.
    const SampleImage image = RandomImage(64, 64, 8, COLOR_GRAYSCALE, 3);
    Bytes raw = Scanlines(image, false);
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes data(size, '\0');
    compress2(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 0);
    data.resize(size);
    const Bytes file = kPngSignature + Ihdr(64, 64, 8, 0) + Chunk("IDAT", data);
    TPNGObject png;
    EXPECT_THROW(LoadPng(png, file.substr(0, file.size() - 4 - 65 * 20)), EPngUnexpectedEnd);
    ASSERT_EQ(png.Height(), 64);
    for (int x = 0; x < 64; ++x) {
        const auto v = static_cast<uint8_t>(image.Sample(static_cast<uint32_t>(x), 10, 0));
        EXPECT_EQ(png.PixelColor(x, 10), PngRGB(v, v, v)) << "row 10 was decoded";
        EXPECT_EQ(png.PixelColor(x, 63), 0u) << "the last row stays as prepared";
    }
}

TEST(PngLoad, EveryCutOfAValidFileRaisesOnlyCodecErrors) {
    // A file with most chunk kinds, its data split over three chunks.
    const SampleImage image = RandomImage(9, 7, 4, COLOR_PALETTE, 5);
    Bytes extra = Chunk("gAMA", BigEndian32(45455)) + Chunk("PLTE", Bytes(48, '\x40')) +
                  Chunk("tRNS", Bytes("\0\x80", 2)) + Chunk("tEXt", Bytes("k\0v", 3));
    for (bool adam7 : {false, true}) {
        const Bytes file = PngFile(image, adam7, extra, 3);
        for (size_t length = 0; length < file.size(); ++length) {
            TPNGObject png;
            try {
                LoadPng(png, file.substr(0, length));
                ADD_FAILURE() << "a cut at " << length << " loaded";
            } catch (const EPngUnexpectedEnd&) {
            } catch (const EPNGInvalidFileHeader&) {
                EXPECT_LT(length, 8u);
            }
        }
        TPNGObject whole;
        LoadPng(whole, file);
        EXPECT_EQ(whole.Width(), 9);
    }
}

TEST(PngLoad, SplitImageDataDecodesAsOneStreamAndLaterDataIsSkipped) {
    TPNGObject png;
    LoadPng(png, SmallFile({}, 3));
    EXPECT_EQ(png.PixelColor(4, 3), PngRGB(uint8_t(kSmall.Sample(4, 3, 0)), uint8_t(kSmall.Sample(4, 3, 1)),
                                           uint8_t(kSmall.Sample(4, 3, 2))));
    EXPECT_EQ(ChunkTypes(SavePng(png)), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    // An IDAT after other chunks that follow the image data is skipped.
    Bytes file = SmallFile();
    const Bytes stray = Chunk("tEXt", Bytes("a\0b", 3)) + Chunk("IDAT", "garbage");
    file.insert(file.size() - 12, stray);
    LoadPng(png, file);
    EXPECT_EQ(ChunkTypes(SavePng(png)), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));
}

TEST(PngLoad, UnknownAncillaryChunkSurvivesASaveAndChromaticitiesAreDropped) {
    const Bytes custom = Chunk("prVt", Bytes("\x01\x02\0\x03", 4));
    TPNGObject png;
    LoadPng(png, SmallFile(Chunk("cHRM", Bytes(32, '\x11')) + custom));
    const Bytes saved = SavePng(png);
    EXPECT_EQ(ChunkTypes(saved), (std::vector<std::string>{"IHDR", "prVt", "IDAT", "IEND"}));
    EXPECT_NE(saved.find(custom), std::string::npos);
}

TEST(PngChunks, TextTimeAndCompressedText) {
    Bytes ztxt = Bytes("Comment\0\0", 9) + Deflate("squeezed words");
    Bytes time = Bytes("\x07\xE9\x0C\x0B\x04\x05\x06", 7);
    TPNGObject png;
    LoadPng(png, SmallFile(Chunk("tEXt", Bytes("Title\0Hello", 11)) + Chunk("zTXt", ztxt) +
                           Chunk("zTXt", Bytes("Other\0\x01xyz", 10)) + Chunk("tIME", time)));
    auto* text = dynamic_cast<TChunktEXt*>(png.Chunks().Item(1));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Keyword, "Title");
    EXPECT_EQ(text->Text, "Hello");
    auto* compressed = dynamic_cast<TChunkzTXt*>(png.Chunks().Item(2));
    ASSERT_NE(compressed, nullptr);
    EXPECT_EQ(compressed->Keyword, "Comment");
    EXPECT_EQ(compressed->Text, "squeezed words");
    auto* otherMethod = dynamic_cast<TChunkzTXt*>(png.Chunks().Item(3));
    EXPECT_EQ(otherMethod->Keyword, "Other");
    EXPECT_EQ(otherMethod->Text, "") << "only method 0 is decoded";
    auto* stamp = png.Chunks().FindChunk<TChunktIME>();
    EXPECT_EQ(stamp->Year, 2025);
    EXPECT_EQ(stamp->Second, 6);

    // An empty compressed text is written as a compressed space.
    compressed->Text.clear();
    TPNGObject reread;
    LoadPng(reread, SavePng(png));
    EXPECT_EQ(dynamic_cast<TChunkzTXt*>(reread.Chunks().Item(2))->Text, " ");
    EXPECT_EQ(dynamic_cast<TChunktEXt*>(reread.Chunks().Item(1))->Text, "Hello");
    EXPECT_EQ(reread.Chunks().FindChunk<TChunktIME>()->Year, 2025);
}

TEST(PngChunks, AddChunkPlacesAndRefuses) {
    TPNGObject png;
    EXPECT_THROW(png.Chunks().AddChunk<TChunktEXt>(), EPngError) << "no header and end";
    LoadPng(png, SmallFile());
    auto* gama = png.Chunks().AddChunk<TChunkgAMA>();
    EXPECT_EQ(png.Chunks().Item(1), gama);
    EXPECT_EQ(gama->GammaValue(), 1u);
    try {
        png.Chunks().AddChunk<TChunkgAMA>();
        ADD_FAILURE();
    } catch (const EPngError& e) {
        EXPECT_STREQ(e.what(), EPNGCannotAddChunkText);
    }
    EXPECT_THROW(png.Chunks().AddChunk<TChunkPLTE>(), EPngError);
    EXPECT_THROW(png.Chunks().AddChunk<TChunkIDAT>(), EPngError);
    auto* trns = png.Chunks().AddChunk<TChunktRNS>();
    EXPECT_EQ(png.Chunks().Item(2), trns) << "before the image data";
    auto* text = png.Chunks().AddChunk<TChunktEXt>();
    EXPECT_EQ(png.Chunks().Item(png.Chunks().Count() - 2), text) << "before the end";
    EXPECT_EQ(png.Chunks().Item(99), nullptr);
}

TEST(PngChunks, RegistryCreatesByCaseSensitiveName) {
    TPNGObject png;
    EXPECT_NE(dynamic_cast<TChunkIHDR*>(CreateChunkForType(&png, "IHDR").get()), nullptr);
    const auto lower = CreateChunkForType(&png, "ihdr");
    EXPECT_EQ(typeid(*lower), typeid(TChunk));
    EXPECT_EQ(lower->ChunkType(), "ihdr");
}

TEST(PngObject, AssignCopiesChunksPixelsAndOptions) {
    TPNGObject source;
    LoadPng(source, PngFile(RandomImage(6, 5, 8, COLOR_RGBALPHA, 2), true, Chunk("tEXt", Bytes("a\0b", 3))));
    source.SetDeflateLevel(9);
    source.SetRowFilters({rfPaeth});
    TPNGObject copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Interlacing(), imAdam7);
    EXPECT_EQ(copy.DeflateLevel(), 9);
    EXPECT_EQ(copy.RowFilters(), TFilters{rfPaeth});
    EXPECT_EQ(copy.Chunks().Count(), source.Chunks().Count());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(copy.PixelColor(x, y), source.PixelColor(x, y));
            EXPECT_EQ(copy.AlphaRow(y)[x], source.AlphaRow(y)[x]);
        }
    EXPECT_EQ(SavePng(copy), SavePng(source));

    // The copied pixels carry the source's gamma correction, which saving undoes the same way.
    TPNGObject gamma;
    LoadPng(gamma, PngFile(RandomImage(4, 2, 8, COLOR_RGB, 3), false, Chunk("gAMA", BigEndian32(100000))));
    TPNGObject gammaCopy;
    gammaCopy.Assign(gamma);
    EXPECT_EQ(SavePng(gammaCopy), SavePng(gamma));
}

TEST(PngObject, SizeCannotBeSetAndHeaderIsRequired) {
    TPNGObject png;
    EXPECT_TRUE(png.Empty());
    EXPECT_EQ(png.Width(), 0);
    try {
        png.SetWidth(3);
    } catch (const EPngError& e) {
        EXPECT_STREQ(e.what(), EPNGCannotChangeSizeText);
    }
    EXPECT_THROW(png.SetHeight(3), EPngError);
    try {
        png.HeaderChunk();
        ADD_FAILURE();
    } catch (const EPNGHeaderNotPresent& e) {
        EXPECT_STREQ(e.what(), EPNGHeaderNotPresentText);
    }
    EXPECT_FALSE(png.HasHeaderChunk());
}

TEST(PngObject, ChunkAssignNeedsACompatibleSource) {
    TPNGObject png;
    TChunkIHDR header(&png);
    TChunkPLTE palette(&png);
    try {
        header.Assign(palette);
        ADD_FAILURE();
    } catch (const EPngError& e) {
        EXPECT_STREQ(e.what(), EPNGCannotAssignChunkText);
    }
    TChunkgAMA gama(&png);
    EXPECT_THROW(gama.Assign(palette), EPngError);
}

TEST(PngObject, PaletteEntryOutsideThePaletteRaises) {
    TPNGObject png;
    LoadPng(png, PngFile(SampleImage{1, 1, 1, COLOR_PALETTE, {{0}}}, false,
                         Chunk("PLTE", Bytes("\x01\x02\x03", 3))));
    const auto* palette = png.Chunks().FindChunk<TChunkPLTE>();
    EXPECT_EQ(palette->PaletteEntry(0), 0x010203u);
    try {
        palette->PaletteEntry(1);
        ADD_FAILURE();
    } catch (const EPngError& e) {
        EXPECT_STREQ(e.what(), EPNGUnknownPalEntryText);
    }
}

} // namespace
} // namespace imaging
