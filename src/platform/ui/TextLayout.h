// Text layout as DrawText does it: lines, word breaks, tabs and measures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// DrawText's format flags.
using TTextFormat = uint32_t;
constexpr TTextFormat DT_TOP = 0x0;
constexpr TTextFormat DT_LEFT = 0x0;
constexpr TTextFormat DT_CENTER = 0x1;
constexpr TTextFormat DT_RIGHT = 0x2;
constexpr TTextFormat DT_VCENTER = 0x4;
constexpr TTextFormat DT_BOTTOM = 0x8;
constexpr TTextFormat DT_WORDBREAK = 0x10;
constexpr TTextFormat DT_SINGLELINE = 0x20;
constexpr TTextFormat DT_EXPANDTABS = 0x40;
constexpr TTextFormat DT_NOCLIP = 0x100;
constexpr TTextFormat DT_EXTERNALLEADING = 0x200;
constexpr TTextFormat DT_CALCRECT = 0x400;
constexpr TTextFormat DT_NOPREFIX = 0x800;
constexpr TTextFormat DT_EDITCONTROL = 0x2000;
constexpr TTextFormat DT_PATH_ELLIPSIS = 0x4000;
constexpr TTextFormat DT_END_ELLIPSIS = 0x8000;
constexpr TTextFormat DT_RTLREADING = 0x20000;
constexpr TTextFormat DT_WORD_ELLIPSIS = 0x40000;
constexpr TTextFormat DT_HIDEPREFIX = 0x100000;
constexpr TTextFormat DT_PREFIXONLY = 0x200000;

// Widths of text in one font. The canvas measures with the real font; tests of the layout can use
// fixed advances.
class TTextMeasurer {
public:
    virtual ~TTextMeasurer() = default;
    virtual int Width(std::u16string_view text) const = 0;
    virtual int LineHeight() const = 0;
    virtual int ExternalLeading() const { return 0; }
    // Tab stops fall every eight of these.
    virtual int AverageCharWidth() const = 0;
};

struct TTextLine {
    std::u16string text; // tabs expanded, prefixes removed
    int width = 0;
    // The character a "&" marked (to underline), or -1.
    int mnemonic = -1;
};

struct TTextLayout {
    std::vector<TTextLine> lines;
    int width = 0;      // the widest line
    int lineHeight = 0; // including external leading when asked for
    int Height() const { return static_cast<int>(lines.size()) * lineHeight; }
};

// Lays `text` out as DrawText does within `width` pixels: line breaks (unless single line), word
// wrapping (a word wider than the line breaks between characters), "&" prefixes ("&&" is a single
// "&"), expanded tabs and end or path ellipses.
TTextLayout LayoutText(std::u16string_view text, int width, TTextFormat format,
                       const TTextMeasurer& measurer);

// The width of `text`; with `expandTabs` a tab moves to the next multiple of eight average characters.
int MeasureText(std::u16string_view text, const TTextMeasurer& measurer, bool expandTabs);
// The pieces of a line between its tabs, each with its x offset from the line's start.
std::vector<std::pair<int, std::u16string_view>> TabSegments(std::u16string_view text,
                                                             const TTextMeasurer& measurer);

// The text without its "&" prefixes, and the index of the marked character (or -1).
std::u16string StripPrefixes(std::u16string_view text, int* mnemonic = nullptr);

} // namespace ui
