// PNG pixel formats, row filters and the Adam7 interlace passes.
#pragma once

#include "platform/rtl/Set.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

// PNG colour types.
enum : uint8_t {
    COLOR_GRAYSCALE = 0,
    COLOR_RGB = 2,
    COLOR_PALETTE = 3,
    COLOR_GRAYSCALEALPHA = 4,
    COLOR_RGBALPHA = 6,
};

enum TFilter { rfNone, rfSub, rfUp, rfAverage, rfPaeth };
using TFilters = rtl::Set<TFilter, 5>;

// One Adam7 pass: the first row and column and the steps between them.
struct TAdam7Pass {
    uint32_t row, column, rowStep, columnStep;
};
inline constexpr TAdam7Pass kAdam7Passes[7] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};
// The number of pixels a pass takes from a row of `width` pixels.
inline uint32_t PassColumns(const TAdam7Pass& pass, uint32_t width) {
    return width > pass.column ? (width - pass.column + pass.columnStep - 1) / pass.columnStep : 0;
}

// Data bytes of n pixels, without the filter type byte.
uint64_t BytesForPixels(uint64_t n, uint8_t colorType, uint8_t bitDepth);
// Bytes of one complete pixel (at least 1), the distance the filters look back.
uint32_t FilterOffset(uint8_t colorType, uint8_t bitDepth);
// Whether samples of this colour type and bit depth can be decoded.
bool IsKnownFormat(uint8_t colorType, uint8_t bitDepth);
// Bits per pixel of the in-memory bitmap (1, 4, 8 or 24) and whether it has a colour table.
int BitmapBitsPerPixel(uint8_t colorType, uint8_t bitDepth);
inline bool IsPaletteBased(uint8_t colorType) {
    return colorType != COLOR_RGB && colorType != COLOR_RGBALPHA;
}

// Undoes the filter of one row in place; `previous` is the unfiltered row above (zeros for the first).
// An unknown filter type leaves the row as it is.
void Unfilter(uint8_t filterType, uint8_t* row, const uint8_t* previous, size_t length, uint32_t offset);

// Picks the filter of each row the encoder writes and keeps the previous raw row for the next one.
class TRowFilterChooser {
public:
    TRowFilterChooser(TFilters filters, size_t rowLength, uint32_t offset);
    // Starts a new image or Adam7 pass: the row above the first one is zeros.
    void StartPass(size_t rowLength);
    // Filters `raw` (rowLength bytes) and returns the chosen type; `Output` holds the filtered row.
    uint8_t Choose(const uint8_t* raw);
    const uint8_t* Output() const { return output_; }

private:
    TFilters filters_;
    size_t length_;
    uint32_t offset_;
    std::vector<uint8_t> previous_;
    std::vector<uint8_t> filtered_[5];
    const uint8_t* output_ = nullptr;
};

// Copies `count` pixels of an unfiltered PNG row into bitmap columns x0, x0 + step, ... of `row` and,
// when the image has alpha, of `alpha`. Colours pass through `gamma`.
using TPixelDecoder = void (*)(const uint8_t* raw, uint32_t count, uint32_t x0, uint32_t step, uint8_t* row,
                               uint8_t* alpha, const uint8_t* gamma);
// The inverse: reads bitmap columns x0, x0 + step, ... into a PNG row (which the caller zeroes); colours
// pass through the inverse gamma table. 2-bit images are written as 4-bit, so they have no encoder.
using TPixelEncoder = void (*)(uint8_t* raw, uint32_t count, uint32_t x0, uint32_t step, const uint8_t* row,
                               const uint8_t* alpha, const uint8_t* inverseGamma);
// Null for a pair without a routine.
TPixelDecoder PixelDecoderFor(uint8_t colorType, uint8_t bitDepth);
TPixelEncoder PixelEncoderFor(uint8_t colorType, uint8_t bitDepth);

} // namespace imaging
