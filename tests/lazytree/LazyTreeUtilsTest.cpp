#include "lazytree/LazyTreeUtils.h"
#include "platform/ui/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

namespace lazytree {
namespace {

// Every character is 10 pixels wide.
int FixedWidth(std::u16string_view text) {
    return static_cast<int>(text.size()) * 10;
}

TEST(LazyTreeUtils, ShortenString) {
    struct {
        std::u16string_view text;
        int width;
        std::u16string_view expected;
    } cases[] = {
        {u"abcdef", 60, u"abc..."}, // three characters and the ellipsis
        {u"abcdef", 69, u"abc..."},
        {u"abcdef", 30, u"..."}, // the ellipsis alone
        {u"abcdef", 29, u""},    // not even that
        {u"", 100, u""},
        {u"abcdef", 0, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenString(FixedWidth, c.text, c.width), c.expected) << c.width;
    EXPECT_EQ(ShortenString(FixedWidth, u"abcdef", 60, 10), u"abcde...");
}

TEST(LazyTreeUtils, WrapString) {
    EXPECT_EQ(WrapString(FixedWidth, u"  one two three  ", 70), u"one two\nthree");
    EXPECT_EQ(WrapString(FixedWidth, u"abcdefgh ij", 30), u"abc\ndef\ngh\nij");
    EXPECT_EQ(WrapString(FixedWidth, u"abcdefgh", 30, true), u"fgh\ncde\nab");
    EXPECT_EQ(WrapString(FixedWidth, u"", 30), u"");
}

TEST(LazyTreeUtils, NormalizeRectAndSortIntegers) {
    EXPECT_EQ(NormalizeRect({10, 20, 0, 5}), (ui::TRect{0, 5, 10, 20}));
    std::mt19937 random(7);
    std::vector<int> values(500);
    for (int& v : values)
        v = static_cast<int>(random() % 100) - 50;
    std::vector<int> expected = values;
    std::sort(expected.begin(), expected.end());
    SortIntegers(values, 0, static_cast<int>(values.size()) - 1);
    EXPECT_EQ(values, expected);
}

std::unique_ptr<ui::TBitmap> Filled(uint32_t pixel) {
    auto bitmap = std::make_unique<ui::TBitmap>(4, 2, ui::pf32bit);
    for (int row = 0; row < 2; ++row) {
        auto* line = static_cast<uint32_t*>(bitmap->ScanLine(row));
        std::fill(line, line + 4, pixel);
    }
    return bitmap;
}

uint32_t PixelAt(const ui::TBitmap& bitmap, int x, int y) {
    return static_cast<const uint32_t*>(bitmap.ScanLine(y))[x];
}

TEST(LazyTreeUtils, AlphaBlendFormulas) {
    const auto source = Filled(0x80FF4000); // A=80 R=FF G=40 B=00
    struct {
        TBlendMode mode;
        int alpha;
        int bias;
        uint32_t expected;
    } cases[] = {
        {bmConstantAlpha, 0, 0, 0x20204060},                  // untouched
        {bmConstantAlpha, 255, 0, 0x7FFE4001},                // nearly the source
        {bmConstantAlpha, 128, 0, 0x508F4030},                // half way
        {bmConstantAlpha, 0, 300, 0xFFFFFFFF},                // bias clamps
        {bmPerPixelAlpha, 0, 0, 0x508F4030},                  // source alpha 0x80
        {bmMasterAlpha, 128, 0, 0x38574048},                  // 128 * 0x80 / 256 = 64
        {bmConstantAlphaAndColor, 128, 0x0000FF, 0x208F2030}, // red $0000FF, half into B 60 G 40 R 20
    };
    for (const auto& c : cases) {
        const auto destination = Filled(0x20204060);
        AlphaBlend(*source, *destination, {0, 0, 2, 2}, {1, 0}, c.mode, c.alpha, c.bias);
        EXPECT_EQ(PixelAt(*destination, 1, 1), c.expected) << c.mode << " " << c.alpha;
        EXPECT_EQ(PixelAt(*destination, 0, 0), 0x20204060u); // outside the target
        EXPECT_EQ(PixelAt(*destination, 3, 0), 0x20204060u);
    }
    ui::TBitmap device(2, 2, ui::pf24bit);
    const auto target = Filled(0);
    EXPECT_THROW(AlphaBlend(device, *target, {0, 0, 1, 1}, {0, 0}, bmConstantAlpha, 1, 0),
                 rtl::EAssertionFailed);
}

TEST(LazyTreeUtils, BufferedStringsGrowInBlocks) {
    TWideBufferedString wide;
    wide.Add(u"abc");
    EXPECT_EQ(wide.Capacity(), 4096u);
    const std::u16string long5000(5000, u'x');
    wide.Add(long5000);
    EXPECT_EQ(wide.Capacity(), 4096u + 8192u);
    wide.AddNewLine();
    EXPECT_EQ(wide.AsString(), u"abc" + long5000 + u"\r\n");
    TBufferedAnsiString ansi;
    ansi.AddNewLine();
    EXPECT_EQ(ansi.Capacity(), 4096u);
    EXPECT_EQ(ansi.AsString(), "\r\n");
}

} // namespace
} // namespace lazytree
