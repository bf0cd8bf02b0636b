#include "imaging/uPngPixelImage.h"

namespace imaging {

namespace {

uint64_t RowBytes(uint32_t width, int bitsPerPixel) {
    return (uint64_t{width} * static_cast<uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

} // namespace

bool TPixelImage::Fits(uint32_t width, uint32_t height, int bitsPerPixel, bool withAlpha) {
    uint64_t bytes = RowBytes(width, bitsPerPixel) * height;
    if (withAlpha) bytes += uint64_t{width} * height;
    return bytes <= kMaxBytes;
}

void TPixelImage::Build(uint32_t width, uint32_t height, int bitsPerPixel, bool withAlpha) {
    Release();
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    bytesPerRow_ = static_cast<uint32_t>(RowBytes(width, bitsPerPixel));
    bits_.assign(size_t{bytesPerRow_} * height, 0);
    if (withAlpha) alpha_.assign(size_t{width} * height, 0);
}

void TPixelImage::Release() {
    width_ = height_ = bytesPerRow_ = 0;
    bitsPerPixel_ = 0;
    bits_.clear();
    bits_.shrink_to_fit();
    alpha_.clear();
    alpha_.shrink_to_fit();
    colorTable_ = {};
}

void TPixelImage::AddAlpha() {
    if (alpha_.empty()) alpha_.assign(size_t{width_} * height_, 255);
}

uint8_t TPixelImage::IndexAt(const uint8_t* row, uint32_t x) const {
    const int b = bitsPerPixel_;
    const uint32_t perByte = 8 / b;
    const int shift = 8 - b - b * static_cast<int>(x % perByte);
    return static_cast<uint8_t>((row[x / perByte] >> shift) & ((1 << b) - 1));
}

void TPixelImage::SetIndexAt(uint8_t* row, uint32_t x, uint8_t index) const {
    const int b = bitsPerPixel_;
    const uint32_t perByte = 8 / b;
    const int shift = 8 - b - b * static_cast<int>(x % perByte);
    const int mask = ((1 << b) - 1) << shift;
    uint8_t& byte = row[x / perByte];
    byte = static_cast<uint8_t>((byte & ~mask) | ((index << shift) & mask));
}

} // namespace imaging
