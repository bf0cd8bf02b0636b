// The pixels of a PNG picture as a bitmap with an alpha channel and a colour table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

// One colour-table entry, laid out as the bitmap's colour table: blue, green, red, unused.
struct TRGBQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    bool operator==(const TRGBQuad&) const = default;
};

// The decoded picture: a device-independent bitmap of 1, 4, 8 or 24 bits per pixel with bottom-up rows
// padded to four bytes and a 256-entry colour table, plus a top-down alpha plane of one byte per pixel
// for images that carry alpha. 24-bit pixels are stored blue, green, red.
class TPixelImage {
public:
    // Larger images are refused before anything is allocated: a header may claim 65535 x 65535.
    static constexpr uint64_t kMaxBytes = uint64_t{1} << 28;

    // Whether an image of this shape fits under kMaxBytes.
    static bool Fits(uint32_t width, uint32_t height, int bitsPerPixel, bool withAlpha);
    // Allocates a zero-filled image (pixels 0, alpha 0, colour table cleared). The caller checks Fits.
    void Build(uint32_t width, uint32_t height, int bitsPerPixel, bool withAlpha);
    void Release();

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    uint32_t BytesPerRow() const { return bytesPerRow_; }
    bool HasAlpha() const { return !alpha_.empty(); }
    bool Empty() const { return bits_.empty(); }

    // Image row y (0 = top) of the bitmap and of the alpha plane (null without alpha).
    uint8_t* Row(uint32_t y) { return bits_.data() + size_t{bytesPerRow_} * (height_ - 1 - y); }
    const uint8_t* Row(uint32_t y) const { return bits_.data() + size_t{bytesPerRow_} * (height_ - 1 - y); }
    uint8_t* AlphaRow(uint32_t y) { return alpha_.empty() ? nullptr : alpha_.data() + size_t{width_} * y; }
    const uint8_t* AlphaRow(uint32_t y) const {
        return alpha_.empty() ? nullptr : alpha_.data() + size_t{width_} * y;
    }
    // Gives an image without alpha a plane of 255.
    void AddAlpha();

    // The packed index at x of a 1-, 4- or 8-bit row, and storing one.
    uint8_t IndexAt(const uint8_t* row, uint32_t x) const;
    void SetIndexAt(uint8_t* row, uint32_t x, uint8_t index) const;

    std::array<TRGBQuad, 256>& ColorTable() { return colorTable_; }
    const std::array<TRGBQuad, 256>& ColorTable() const { return colorTable_; }

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    int bitsPerPixel_ = 0;
    uint32_t bytesPerRow_ = 0;
    std::vector<uint8_t> bits_;
    std::vector<uint8_t> alpha_;
    std::array<TRGBQuad, 256> colorTable_{};
};

} // namespace imaging
