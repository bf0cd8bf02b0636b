#include "platform/ui/TextLayout.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

// Every character is 10 pixels wide and a line 16 high: the layout's arithmetic alone.
class FixedMeasurer : public TTextMeasurer {
public:
    int Width(std::u16string_view text) const override { return 10 * static_cast<int>(text.size()); }
    int LineHeight() const override { return 16; }
    int ExternalLeading() const override { return 2; }
    int AverageCharWidth() const override { return 10; }
};

std::vector<std::u16string> Lines(const TTextLayout& layout) {
    std::vector<std::u16string> lines;
    for (const TTextLine& line : layout.lines)
        lines.push_back(line.text);
    return lines;
}

TEST(TextLayout, BreaksLinesAsTheFlagsSay) {
    const FixedMeasurer m;
    struct Case {
        std::u16string text;
        int width;
        TTextFormat format;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        {u"one two three", 80, DT_WORDBREAK, {u"one two", u"three"}},
        {u"one two three", 130, DT_WORDBREAK, {u"one two three"}},
        {u"one two three", 30, DT_WORDBREAK, {u"one", u"two", u"thr", u"ee"}},
        {u"one  two", 30, DT_WORDBREAK, {u"one", u"two"}},
        {u"a\r\nb\nc\rd", 100, 0, {u"a", u"b", u"c", u"d"}},
        {u"a\r\nb", 100, DT_SINGLELINE, {u"ab"}},
        {u"one two three", 30, DT_WORDBREAK | DT_SINGLELINE, {u"one two three"}},
        {u"a&b&&c", 100, 0, {u"ab&c"}},
        {u"a&b&&c", 100, DT_NOPREFIX, {u"a&b&&c"}},
        {u"abcdefgh", 60, DT_END_ELLIPSIS, {u"abc..."}},
        {u"abc", 60, DT_END_ELLIPSIS, {u"abc"}},
        {u"c:\\dir\\sub\\file", 110, DT_PATH_ELLIPSIS, {u"c:\\...\\file"}},
        {u"", 100, 0, {u""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(Lines(LayoutText(c.text, c.width, c.format, m)), c.lines);
    }
}

TEST(TextLayout, MeasuresWidthHeightAndTabs) {
    const FixedMeasurer m;
    const TTextLayout layout = LayoutText(u"ab\ncdef", 100, 0, m);
    EXPECT_EQ(layout.width, 40);
    EXPECT_EQ(layout.Height(), 32);
    EXPECT_EQ(LayoutText(u"ab", 100, DT_EXTERNALLEADING, m).Height(), 18);
    // Tab stops every eight average characters.
    EXPECT_EQ(LayoutText(u"ab\tc", 500, DT_EXPANDTABS, m).width, 90);
    EXPECT_EQ(LayoutText(u"ab\tc", 500, 0, m).lines[0].text, u"ab c");
    const auto segments = TabSegments(u"a\tbcdefghij\tk", m);
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[1].first, 80);
    EXPECT_EQ(segments[2].first, 240);
}

TEST(TextLayout, MnemonicFollowsItsCharacterAcrossWrapsAndEllipses) {
    const FixedMeasurer m;
    const TTextLayout wrapped = LayoutText(u"Save &all files", 80, DT_WORDBREAK, m);
    ASSERT_EQ(Lines(wrapped), (std::vector<std::u16string>{u"Save all", u"files"}));
    EXPECT_EQ(wrapped.lines[0].mnemonic, 5);
    EXPECT_EQ(wrapped.lines[1].mnemonic, -1);
    EXPECT_EQ(LayoutText(u"abcdefg&h", 60, DT_END_ELLIPSIS, m).lines[0].mnemonic, -1);
    int mnemonic = 0;
    EXPECT_EQ(StripPrefixes(u"&&x&", &mnemonic), u"&x");
    EXPECT_EQ(mnemonic, -1);
}

} // namespace
} // namespace ui
