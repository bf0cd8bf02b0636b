#include "imaging/GIFTestSupport.h"
#include "imaging/uGIFCoding.h"
#include "imaging/uGIFFrames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace imaging::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

// Image data of a saved single-frame picture: what follows the descriptor and local table.
std::string ImageDataOf(const std::string& file, size_t headerAndDescriptor) {
    return file.substr(headerAndDescriptor, file.size() - headerAndDescriptor - 1);
}

struct RoundTrip {
    int width, height, colors;
    bool interlaced;
    TGIFCompression compression;
};

// Heights whose interlacing has a pass without rows are left out: Qt's reader places their rows
// wrongly (our own reading of them is checked below).
class GIFRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(GIFRoundTrip, OurDecoderAndQtsReadWhatWeWrite) {
    const RoundTrip& c = GetParam();
    TGIFImage image;
    image.Compression = c.compression;
    AddGreys(image.Header().ColorMap(), c.colors);
    std::mt19937 random(c.width * 1000 + c.height);
    std::vector<uint8_t> pixels(static_cast<size_t>(c.width) * c.height);
    // Runs and noise, so that both encoders meet long strings and short ones.
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i % 97 < 40 ? (i / 97) % c.colors : random() % c.colors);
    TGIFSubImage& frame = AddFrame(image, c.width, c.height, pixels);
    frame.SetInterlaced(c.interlaced);
    std::string bytes = SaveToBytes(image);

    TWarnedImage read;
    LoadFromBytes(read.image, bytes);
    ASSERT_EQ(read.image.Images().Count(), 1);
    EXPECT_EQ(read.image.Images().Frame(0)->Pixels(), pixels);
    EXPECT_TRUE(read.warnings.empty());
    EXPECT_EQ(QtDecodedColors(bytes), FrameColors(frame));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, GIFRoundTrip,
    ::testing::Values(RoundTrip{1, 1, 2, false, cmpLZW}, RoundTrip{7, 5, 2, true, cmpLZW},
                      RoundTrip{13, 6, 16, true, cmpRunLength}, RoundTrip{200, 150, 256, false, cmpLZW},
                      RoundTrip{200, 150, 256, true, cmpRunLength}, RoundTrip{31, 9, 5, false, cmpRunLength},
                      RoundTrip{300, 300, 4, false, cmpRunLength}, RoundTrip{300, 300, 8, true, cmpLZW}));

TEST(GIFCoding, InterlacedRowsAreWrittenInPassOrder) {
    // Passes without rows are skipped.
    const std::vector<std::vector<uint8_t>> orders{{0}, {0, 1}, {0, 2, 1}, {0, 2, 1, 3}, {0, 4, 2, 1, 3}};
    for (const auto& order : orders) {
        int height = static_cast<int>(order.size());
        for (TGIFCompression compression : {cmpLZW, cmpRunLength}) {
            TGIFImage image;
            image.Compression = compression;
            AddGreys(image.Header().ColorMap(), 8);
            std::vector<uint8_t> rows(2 * height);
            for (int i = 0; i < 2 * height; ++i)
                rows[i] = static_cast<uint8_t>(i / 2);
            AddFrame(image, 2, height, rows).SetInterlaced(true);
            std::string bytes = SaveToBytes(image);
            // Read with the interlace flag cleared, the rows come out in the order they were written.
            bytes[HeaderBytes(2, height, 8).size() + 9] &= ~0x40;
            TGIFImage flat;
            LoadFromBytes(flat, bytes);
            std::vector<uint8_t> expected;
            for (uint8_t row : order)
                expected.insert(expected.end(), 2, row);
            EXPECT_EQ(flat.Images().Frame(0)->Pixels(), expected) << "height " << height;
        }
    }
}

TEST(GIFCoding, MinimumCodeSizeIsAtLeastTwoAndFollowsTheLargestTable) {
    TGIFImage twoColors;
    AddGreys(twoColors.Header().ColorMap(), 2);
    AddFrame(twoColors, 2, 2, {0, 1, 1, 0});
    std::string bytes = SaveToBytes(twoColors);
    EXPECT_EQ(bytes[HeaderBytes(2, 2, 2).size() + 10], 2);

    // No local table, a 256-entry global one: 8 bits, and every byte value is accepted.
    TGIFImage full;
    AddGreys(full.Header().ColorMap(), 256);
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    AddFrame(full, 16, 16, all);
    bytes = SaveToBytes(full);
    EXPECT_EQ(bytes[HeaderBytes(16, 16, 256).size() + 10], 8);
}

TEST(GIFCoding, PixelOutsideTheTableIsRefused) {
    TGIFImage image;
    AddGreys(image.Header().ColorMap(), 4);
    AddFrame(image, 2, 1, {1, 4});
    try {
        SaveToBytes(image);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
    }
}

// Records the codes the dictionary encoder writes.
class RecordingLZWEncoder : public TLZWEncoder {
public:
    std::vector<int> codes;
    int clear() const { return clearCode_; }
    int base() const { return baseCode_; }
    int widest = 0;

protected:
    void EmitCode(int code) override {
        codes.push_back(code);
        widest = std::max(widest, bitsPerCode_);
        TLZWEncoder::EmitCode(code);
    }
};

TEST(GIFCoding, DictionaryEncoderClearsInsteadOfAssigningCode4095) {
    std::mt19937 random(7);
    std::vector<uint8_t> pixels(200000);
    for (uint8_t& p : pixels)
        p = static_cast<uint8_t>(random() % 256);
    RecordingLZWEncoder encoder;
    rtl::TMemoryStream stream;
    encoder.RunEncoder(stream, 8, 256, pixels.data(), false, 400, 500);

    std::vector<size_t> clears;
    for (size_t i = 0; i < encoder.codes.size(); ++i)
        if (encoder.codes[i] == encoder.clear()) clears.push_back(i);
    ASSERT_GE(clears.size(), 2u);
    // After a clear, codes base..4094 are assigned, one per code written but the last.
    EXPECT_EQ(clears[1] - clears[0] - 1, static_cast<size_t>(4096 - encoder.base()));
    EXPECT_EQ(encoder.widest, 12);
    for (int code : encoder.codes)
        EXPECT_LE(code, 4094);
}

TEST(GIFCoding, RunLengthEncoderWritesALongRunAsAFewGrowingCodes) {
    TGIFImage image;
    image.Compression = cmpRunLength;
    AddGreys(image.Header().ColorMap(), 2);
    TGIFSubImage& frame = AddFrame(image, 1000, 1, std::vector<uint8_t>(1000, 1));
    std::string bytes = SaveToBytes(image);
    EXPECT_LT(ImageDataOf(bytes, HeaderBytes(1000, 1, 2).size() + 10).size(), 100u);

    TGIFImage read;
    LoadFromBytes(read, bytes);
    EXPECT_EQ(read.Images().Frame(0)->Pixels(), frame.Pixels());
    EXPECT_EQ(QtDecodedColors(bytes), FrameColors(frame));
}

TEST(GIFCoding, WriterCutsDataIntoSubBlocksOf255) {
    rtl::TMemoryStream stream;
    {
        TGIFWriter writer(stream);
        std::string data(256, 'd');
        writer.WriteBuffer(data.data(), 256);
        writer.Flush();
        EXPECT_THROW(writer.Seek(0, rtl::soBeginning), rtl::Exception);
    }
    const std::string& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 258u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[256]), 1);
}

TEST(GIFCoding, DataThatStopsEarlyLeavesTheFill) {
    std::string descriptor = std::string(",\0\0\0\0\x03\0\x02\0\0", 10);
    std::string transparent = std::string("!\xF9\x04\x01\x00\x00\x02\x00", 8);
    // Only the minimum code size byte.
    TWarnedImage noData;
    LoadFromBytes(noData.image, HeaderBytes(3, 2, 4) + transparent + descriptor + "\x02");
    EXPECT_EQ(noData.image.Images().Frame(0)->Pixels(), std::vector<uint8_t>(6, 2));

    // Two pixels, then the end code: the rest keep the transparent index.
    TWarnedImage early;
    LoadFromBytes(early.image, HeaderBytes(3, 2, 4) + transparent + descriptor +
                                   ImageData(2, {{4, 3}, {1, 3}, {3, 3}, {5, 3}}) + ";");
    EXPECT_EQ(early.image.Images().Frame(0)->Pixels(), (std::vector<uint8_t>{1, 3, 2, 2, 2, 2}));
    EXPECT_EQ(early.image.Images().Count(), 1) << "the trailer is still found";
}

TEST(GIFCoding, DamagedCodeChainsEndTheFrameSafely) {
    std::string descriptor = std::string(",\0\0\0\0\x04\0\x04\0\0", 10);
    // A code that becomes its own prefix.
    TGIFImage circular;
    try {
        LoadFromBytes(circular, HeaderBytes(4, 4, 4) + descriptor +
                                    ImageData(2, {{4, 3}, {0, 3}, {7, 3}, {7, 3}, {7, 4}, {5, 4}}) + ";");
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Circular decoder table entry");
    }

    // A minimum code size the tables cannot hold.
    TWarnedImage wide;
    LoadFromBytes(wide.image,
                  HeaderBytes(4, 4, 4) + descriptor + "\x0C\x01\xFF" + std::string(1, '\0') + ";");
    EXPECT_THAT(wide.warnings, ElementsAre("Invalid GIF data")) << "its data is skipped";

    // A data code before anything is in the table.
    TWarnedImage early;
    LoadFromBytes(early.image,
                  HeaderBytes(4, 4, 4) + descriptor + ImageData(2, {{4, 3}, {6, 3}, {5, 3}}) + ";");
    EXPECT_THAT(early.warnings, Contains("Invalid GIF data"));
}

TEST(GIFCoding, HashTableFindsWhatItHolds) {
    THashTable table;
    std::mt19937 random(3);
    std::vector<uint32_t> keys;
    for (int code = 0; code < 4000; ++code) {
        uint32_t key = random() & 0xFFFFF;
        if (table.Lookup(key) >= 0) continue;
        ASSERT_TRUE(table.Insert(key, code));
        keys.push_back(key);
    }
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_GE(table.Lookup(keys[i]), 0);
    table.Clear();
    EXPECT_EQ(table.Lookup(keys[0]), -1);
}

TEST(GIFCoding, TriangleCostAndIntegerSquareRoot) {
    for (int64_t x = 0; x < 5000; ++x) {
        int64_t root = IntegerSqrt(x);
        ASSERT_LE(root * root, x);
        ASSERT_GT((root + 1) * (root + 1), x);
    }
    // Runs of 1, 2, 3 cover 6 pixels in 3 codes; 7 pixels need a fourth.
    EXPECT_EQ(TriangleCost(6, 100), 3);
    EXPECT_EQ(TriangleCost(7, 100), 4);
    // A full table of 3 codes covers 6 pixels, and starts again.
    EXPECT_EQ(TriangleCost(12, 3), 6);
}

} // namespace
} // namespace imaging::test
