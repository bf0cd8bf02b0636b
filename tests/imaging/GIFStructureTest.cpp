#include "imaging/GIFTestSupport.h"
#include "imaging/uGIFExtensions.h"
#include "imaging/uGIFFrames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace imaging::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

std::string Descriptor(int left, int top, int width, int height, uint8_t packed = 0) {
    std::string bytes(1, ',');
    for (int value : {left, top, width, height}) {
        bytes += static_cast<char>(value & 0xFF);
        bytes += static_cast<char>(value >> 8);
    }
    bytes += static_cast<char>(packed);
    return bytes;
}

// A 4 x 3 picture over four greys whose pixels use every colour.
std::string SmallPicture() {
    TGIFImage image;
    AddGreys(image.Header().ColorMap(), 4);
    AddFrame(image, 4, 3, {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2});
    return SaveToBytes(image);
}

TEST(GIFStructure, WrittenPictureReadsBackAndQtAgrees) {
    std::string bytes = SmallPicture();
    EXPECT_EQ(bytes.substr(0, 6), "GIF87a");
    TWarnedImage read;
    LoadFromBytes(read.image, bytes);
    ASSERT_EQ(read.image.Images().Count(), 1);
    TGIFSubImage& frame = *read.image.Images().Frame(0);
    EXPECT_EQ(frame.Pixels(), (std::vector<uint8_t>{0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2}));
    EXPECT_EQ(QtDecodedColors(bytes), FrameColors(frame));
    EXPECT_TRUE(read.warnings.empty());
}

TEST(GIFStructure, SignatureMayStandFourBytesInAndAnyVersionIsRead) {
    std::string bytes = SmallPicture();
    bytes.replace(3, 3, "x9z");
    TGIFImage image;
    LoadFromBytes(image, "\x01\x02\x03\x04" + bytes);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images().Frame(0)->Pixels().size(), 12u);
}

TEST(GIFStructure, FormatErrors) {
    struct Case {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"GIX89a" + std::string(20, '\0'), "Invalid GIF signature"},
        {"GIF89a\x04", "Premature end of data"},
        {HeaderBytes(2, 2, 4).substr(0, 15), "Premature end of data"},
        {HeaderBytes(2, 2, 4) + Descriptor(0, 0, 2, 2, 0x81).append("\x01\x02", 2), "Premature end of data"},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        rtl::TMemoryStream stream;
        stream.WriteString(c.bytes);
        stream.SetPosition(0);
        try {
            image.LoadFromStream(stream);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(stream.Position(), 0) << "the stream goes back where it was";
        }
    }
}

TEST(GIFStructure, SavingWithoutFramesIsRefused) {
    TGIFImage image;
    rtl::TMemoryStream stream;
    try {
        image.SaveToStream(stream);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Unsupported GIF version");
    }
}

TEST(GIFStructure, CommentBeforeTrailerBecomesBlankFrameThatWritesOnlyItsExtension) {
    std::string comment = "!\xFE\x05hello";
    comment += '\0';
    std::string bytes = HeaderBytes(2, 1, 2) + Descriptor(0, 0, 2, 1) +
                        ImageData(2, {{4, 3}, {1, 3}, {0, 3}, {5, 3}}) + comment + ";";
    TWarnedImage read;
    LoadFromBytes(read.image, bytes);
    ASSERT_EQ(read.image.Images().Count(), 2);
    TGIFSubImage& blank = *read.image.Images().Frame(1);
    EXPECT_TRUE(blank.IsBlank());
    ASSERT_EQ(blank.Extensions().Count(), 1);
    EXPECT_EQ(read.image.Images().Frame(0)->Pixels(), (std::vector<uint8_t>{1, 0}));

    std::string written = SaveToBytes(read.image);
    EXPECT_EQ(written.substr(written.size() - comment.size() - 1), comment + ";");
    EXPECT_EQ(written.substr(0, 6), "GIF89a") << "an extension needs the later version";
}

TEST(GIFStructure, FrameOfSizeZeroTakesTheScreenSizeWithAWarning) {
    std::string bytes = HeaderBytes(3, 2, 2) + Descriptor(0, 0, 0, 5) + ImageData(2, {{4, 3}, {5, 3}}) + ";";
    TWarnedImage read;
    LoadFromBytes(read.image, bytes);
    TGIFSubImage& frame = *read.image.Images().Frame(0);
    EXPECT_EQ(frame.Width(), 3);
    EXPECT_EQ(frame.Height(), 2);
    EXPECT_THAT(read.warnings, Contains("Image exceeds Logical Screen size"));
}

TEST(GIFStructure, UnknownBlockEndsTheFramesWithWarnings) {
    std::string bytes = SmallPicture();
    bytes.back() = 'X';
    TWarnedImage read;
    LoadFromBytes(read.image, bytes);
    EXPECT_EQ(read.image.Images().Count(), 1);
    EXPECT_THAT(read.warnings, ElementsAre("Unknown GIF block type", "Invalid Image trailer"));
}

TEST(GIFStructure, HugeFrameSizeIsRefusedBeforeAllocating) {
    std::string bytes =
        HeaderBytes(2, 2, 2) + Descriptor(0, 0, 65535, 65535) + ImageData(2, {{4, 3}, {5, 3}}) + ";";
    TGIFImage image;
    try {
        LoadFromBytes(image, bytes);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Image is too large");
    }
}

TEST(GIFStructure, CutAtEveryLengthOnlyRaisesOrWarns) {
    TGIFImage source;
    AddGreys(source.Header().ColorMap(), 16);
    std::vector<uint8_t> pixels(9 * 7);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 7 % 16);
    TGIFSubImage& frame = AddFrame(source, 9, 7, pixels);
    frame.SetInterlaced(true);
    auto* control = new TGIFGraphicControlExtension(&frame);
    frame.Extensions().Add(std::unique_ptr<TGIFItem>(control));
    control->SetTransparent(true);
    control->SetTransparentColorIndex(3);
    std::string bytes = SaveToBytes(source);

    for (size_t length = 0; length < bytes.size(); ++length) {
        TWarnedImage cut;
        try {
            LoadFromBytes(cut.image, bytes.substr(0, length));
        } catch (const GIFException&) {
        }
    }
}

// Colour tables

class TestColorMap : public TGIFColorMap {
public:
    std::vector<uint8_t> pixels;
    int transparent = -1;
    int changes = 0;
    std::vector<std::string> warnings;

    void ReportWarning(const std::string& message) const override {
        const_cast<TestColorMap*>(this)->warnings.push_back(message);
    }
    void CountUsage(TUsage& usage) const override {
        for (int i = 0; i < MaxColors; ++i)
            usage[i] = {0, i};
        for (uint8_t p : pixels)
            ++usage[p].first;
    }
    void RemapPixels(const std::array<uint8_t, MaxColors>& map) override {
        for (uint8_t& p : pixels)
            p = map[p];
        if (transparent >= 0) transparent = map[transparent];
    }
    void NotifyChanged() override { ++changes; }
};

TEST(GIFColorMap, FindColorTakesTheLastCopyBeforeSortingAndTheFirstAfter) {
    TestColorMap table;
    for (ui::TColor c : {0x0000FF, 0x00FF00, 0x0000FF, 0xFF0000})
        table.AppendColor(c);
    EXPECT_EQ(table.FindColor(0x0000FF), 2);
    EXPECT_EQ(table.FindColor(0x123456), -1);
    EXPECT_EQ(table.AppendColorOnce(0x00FF00), 1);

    table.pixels = {0, 0, 0, 2, 2, 1, 3};
    ASSERT_TRUE(table.SortByUsage());
    EXPECT_TRUE(table.Optimized());
    EXPECT_EQ(table.FindColor(0x0000FF), 0);
}

TEST(GIFColorMap, SortRemovesUnusedEntriesAndRemapsPixelsAndTransparentIndex) {
    TestColorMap table;
    AddGreys(table, 5);
    table.pixels = {3, 3, 3, 1, 1, 3, 1, 4};
    table.transparent = 4;
    ASSERT_TRUE(table.SortByUsage());
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table.pixels, (std::vector<uint8_t>{0, 0, 0, 1, 1, 0, 1, 2}));
    EXPECT_EQ(table.transparent, 2);
    EXPECT_EQ(table.ColorAt(0), ui::RGB(191, 191, 191));
    EXPECT_EQ(table.ColorAt(2), ui::RGB(255, 255, 255));
}

TEST(GIFColorMap, SortOfAnOrderedTableOnlyMarksIt) {
    TestColorMap table;
    AddGreys(table, 4);
    table.pixels = {0, 0, 0, 1, 1, 2};
    int changes = table.changes;
    ASSERT_TRUE(table.SortByUsage());
    EXPECT_EQ(table.Count(), 4) << "unused trailing entries stay";
    EXPECT_EQ(table.changes, changes);
    EXPECT_EQ(table.pixels, (std::vector<uint8_t>{0, 0, 0, 1, 1, 2}));
}

TEST(GIFColorMap, BoundsAndSizes) {
    TestColorMap table;
    EXPECT_EQ(table.IndexBits(), 0);
    try {
        table.ColorAt(0);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color table is empty");
    }
    EXPECT_THAT(table.warnings, ElementsAre("Invalid color index"));

    for (auto [count, bits, capacity] :
         {std::tuple{1, 1, 16}, {2, 1, 16}, {3, 2, 16}, {17, 5, 32}, {200, 8, 224}, {256, 8, 256}}) {
        TestColorMap sized;
        AddGreys(sized, count);
        EXPECT_EQ(sized.IndexBits(), bits) << count;
        EXPECT_EQ(sized.Capacity(), capacity) << count;
    }

    AddGreys(table, 256);
    try {
        table.AppendColor(0);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color table overflow");
    }
    try {
        table.RemoveColor(256);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Invalid color index");
    }
    table.RemoveColor(0);
    EXPECT_EQ(table.ColorAt(0), ui::RGB(1, 1, 1));
}

TEST(GIFColorMap, PalettesInAndOut) {
    TestColorMap table;
    ui::TPaletteEntries palette(300);
    for (int i = 0; i < 300; ++i)
        palette[i] = ui::RGB(i % 256, 1, 2) | 0x02000000; // the top byte is dropped
    table.FillFromPalette(palette);
    EXPECT_EQ(table.Count(), 256);
    EXPECT_EQ(table.ColorAt(255), ui::RGB(255, 1, 2));
    EXPECT_EQ(table.CreatePaletteHandle().size(), 256u);

    ui::TBitmap bitmap;
    bitmap.SetPixelFormat(ui::pf8bit);
    table.FillFromDIBSection(bitmap);
    EXPECT_EQ(table.CreatePaletteHandle(), ui::DefaultPalette(8));

    table.Clear();
    EXPECT_TRUE(table.CreatePaletteHandle().empty());
}

TEST(GIFColorMap, WrittenTablePadsWithBlackToAPowerOfTwo) {
    TestColorMap table;
    AddGreys(table, 3);
    rtl::TMemoryStream stream;
    table.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), std::string("\x00\x00\x00\x7F\x7F\x7F\xFF\xFF\xFF\x00\x00\x00", 12));
}

TEST(GIFSubImage, PlacementGrowsTheScreenAndPixelAccessIsChecked) {
    TWarnedImage image;
    AddGreys(image.image.Header().ColorMap(), 2);
    TGIFSubImage& frame = AddFrame(image.image, 4, 4, std::vector<uint8_t>(16, 1));
    EXPECT_EQ(image.image.Width(), 4);
    EXPECT_TRUE(image.warnings.empty()) << "an empty screen grows silently";

    frame.SetWidth(6);
    EXPECT_EQ(frame.Pixels(), std::vector<uint8_t>(24, 0)) << "a new size reallocates";
    EXPECT_EQ(image.image.Width(), 6);
    EXPECT_THAT(image.warnings, ElementsAre("Image width too small for contained frames",
                                            "Image exceeds Logical Screen size"));
    frame.SetLeft(1);
    EXPECT_EQ(frame.Pixels().size(), 24u) << "moving keeps the pixels";

    EXPECT_EQ(frame.PixelAt(5, 3), 0);
    for (auto [x, y] : {std::pair{6, 0}, {-1, 0}, {0, 4}, {0, -1}}) {
        try {
            frame.PixelAt(x, y);
            ADD_FAILURE() << x << "," << y;
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), "Invalid pixel coordinates");
        }
    }
}

} // namespace
} // namespace imaging::test
