#include "lazytree/LazyTreeUtils.h"

#include "platform/rtl/Exception.h"
#include "platform/ui/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lazytree {

namespace {

constexpr std::u16string_view kEllipsis = u"...";

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::u16string ShortenString(const TTextMeasure& measure, std::u16string_view text, int width,
                             int ellipsisWidth) {
    if (text.empty() || width <= 0) return {};
    if (ellipsisWidth == 0) ellipsisWidth = measure(kEllipsis);
    if (ellipsisWidth > width) return {};
    // The longest prefix that fits: widths grow with the length, so a binary search finds it.
    std::size_t low = 0, high = text.size();
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (measure(text.substr(0, middle)) + ellipsisWidth <= width)
            low = middle;
        else
            high = middle - 1;
    }
    return std::u16string(text.substr(0, low)) + std::u16string(kEllipsis);
}

std::u16string WrapString(const TTextMeasure& measure, std::u16string_view text, int width,
                          bool rightToLeft) {
    text = Trim(text);
    std::vector<std::u16string> lines;
    std::u16string line;
    const auto fits = [&](std::u16string_view candidate) { return measure(candidate) <= width; };
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u' ', start);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string word(text.substr(start, end - start));
        start = end + 1;
        if (word.empty()) continue;
        const std::u16string joined = line.empty() ? word : line + u' ' + word;
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.empty()) lines.push_back(std::move(line));
        line.clear();
        // A word that does not fit on an empty line is cut one character at a time.
        while (!fits(word) && word.size() > 1) {
            std::size_t keep = word.size() - 1;
            while (keep > 1 && !fits(rightToLeft ? std::u16string_view(word).substr(word.size() - keep)
                                                 : std::u16string_view(word).substr(0, keep)))
                --keep;
            if (rightToLeft) {
                lines.push_back(word.substr(word.size() - keep));
                word.erase(word.size() - keep);
            } else {
                lines.push_back(word.substr(0, keep));
                word.erase(0, keep);
            }
        }
        line = word;
    }
    if (!line.empty()) lines.push_back(std::move(line));
    std::u16string result;
    for (std::size_t i = 0; i < lines.size(); ++i)
        result += (i ? u"\n" : u"") + lines[i];
    return result;
}

ui::TRect NormalizeRect(ui::TRect r) {
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

void SortIntegers(std::vector<int>& values, int first, int last) {
    while (first < last) {
        const int pivot = values[static_cast<std::size_t>(first + (last - first) / 2)];
        int i = first, j = last;
        while (i <= j) {
            while (values[static_cast<std::size_t>(i)] < pivot)
                ++i;
            while (values[static_cast<std::size_t>(j)] > pivot)
                --j;
            if (i <= j)
                std::swap(values[static_cast<std::size_t>(i++)], values[static_cast<std::size_t>(j--)]);
        }
        // Recurse into the smaller part, loop on the larger: the stack stays shallow.
        if (j - first < last - i) {
            SortIntegers(values, first, j);
            first = i;
        } else {
            SortIntegers(values, i, last);
            last = j;
        }
    }
}

void AlphaBlend(const ui::TBitmap& source, ui::TBitmap& destination, ui::TRect r, ui::TPoint target,
                TBlendMode mode, int constantAlpha, int bias) {
    if (r.IsEmpty()) return;
    RTL_ASSERT_MSG(source.PixelFormat() == ui::pf32bit && destination.PixelFormat() == ui::pf32bit,
                   "Alpha blending error: bitmap must use 32 bpp.");
    if (r.Left < 0 || r.Top < 0 || target.X < 0 || target.Y < 0) return;
    // Only the part that lies on both bitmaps.
    const int width = std::min({r.Width(), source.Width() - r.Left, destination.Width() - target.X});
    const int height = std::min({r.Height(), source.Height() - r.Top, destination.Height() - target.Y});
    if (width <= 0 || height <= 0) return;
    // The colour of bmConstantAlphaAndColor in the byte order of the pixels (B, G, R).
    const uint8_t color[3] = {static_cast<uint8_t>(bias >> 16), static_cast<uint8_t>(bias >> 8),
                              static_cast<uint8_t>(bias)};
    for (int row = 0; row < height; ++row) {
        const auto* s = static_cast<const uint8_t*>(source.ScanLine(r.Top + row)) + 4 * r.Left;
        auto* d = static_cast<uint8_t*>(destination.ScanLine(target.Y + row)) + 4 * target.X;
        for (int x = 0; x < width; ++x, s += 4, d += 4) {
            int alpha = constantAlpha;
            if (mode == bmPerPixelAlpha) alpha = s[3];
            if (mode == bmMasterAlpha) alpha = constantAlpha * s[3] / 256;
            for (int channel = 0; channel < 4; ++channel) {
                int value;
                if (mode == bmConstantAlphaAndColor)
                    value = channel < 3 ? (alpha * color[channel] + (256 - alpha) * d[channel]) / 256
                                        : d[channel];
                else
                    value = d[channel] + alpha * (s[channel] - d[channel]) / 256 + bias;
                d[channel] = static_cast<uint8_t>(std::clamp(value, 0, 255));
            }
        }
    }
}

} // namespace lazytree
