// Helpers of the lazy tree: text shortening and wrapping, rectangles and alpha blending.
#pragma once

#include "platform/ui/Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class TBitmap;
}

namespace lazytree {

// The width in pixels of a text in the font in use (a canvas's TextWidth in the control).
using TTextMeasure = std::function<int(std::u16string_view text)>;

// The longest prefix that fits into width together with "..." (whose width is measured when
// ellipsisWidth is 0), followed by "..."; empty when not even the ellipsis fits.
std::u16string ShortenString(const TTextMeasure& measure, std::u16string_view text, int width,
                             int ellipsisWidth = 0);

// The trimmed text packed word by word into lines no wider than width, joined by line feeds; a word
// too long for a line of its own is cut (from its end in right-to-left mode).
std::u16string WrapString(const TTextMeasure& measure, std::u16string_view text, int width,
                          bool rightToLeft = false);

// Left <= Right and Top <= Bottom.
ui::TRect NormalizeRect(ui::TRect r);

// Sorts values[first..last] in place.
void SortIntegers(std::vector<int>& values, int first, int last);

enum TBlendMode {
    bmConstantAlpha,         // one alpha for every pixel
    bmPerPixelAlpha,         // the source pixel's alpha
    bmMasterAlpha,           // the constant alpha scaled by the source pixel's alpha
    bmConstantAlphaAndColor, // the destination blended with one colour (carried by bias)
};

// Blends the rectangle r of a 32-bit source into a 32-bit destination at target, per colour byte:
// d + alpha * (s - d) / 256 + bias, clamped to 0..255; or, in bmConstantAlphaAndColor mode,
// (alpha * c + (256 - alpha) * d) / 256 with c the byte of the colour $00BBGGRR in bias.
void AlphaBlend(const ui::TBitmap& source, ui::TBitmap& destination, ui::TRect r, ui::TPoint target,
                TBlendMode mode, int constantAlpha, int bias);

// A text that grows by whole blocks of characters, for exports that append many small pieces.
template <class Char>
class TBufferedString {
public:
    static constexpr std::size_t kGrowth = 4096;

    void Add(std::basic_string_view<Char> text) {
        if (text.size() > capacity_ - text_.size()) Grow((text.size() + kGrowth - 1) / kGrowth * kGrowth);
        text_.append(text);
    }
    void AddNewLine() {
        // Room for the line break and its terminator.
        if (capacity_ - text_.size() < (sizeof(Char) == 1 ? 3u : 5u)) Grow(kGrowth);
        text_.push_back(Char('\r'));
        text_.push_back(Char('\n'));
    }
    const std::basic_string<Char>& AsString() const { return text_; }
    std::size_t Capacity() const { return capacity_; }

private:
    void Grow(std::size_t by) {
        capacity_ += by;
        text_.reserve(capacity_);
    }

    std::basic_string<Char> text_;
    std::size_t capacity_ = 0;
};

using TBufferedAnsiString = TBufferedString<char>;
using TWideBufferedString = TBufferedString<char16_t>;

} // namespace lazytree
