#include "imaging/uPngPixelCoding.h"

#include <cstdlib>
#include <cstring>

namespace imaging {

uint64_t BytesForPixels(uint64_t n, uint8_t colorType, uint8_t bitDepth) {
    const uint64_t bits = n * bitDepth;
    switch (colorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        return (bits + 7) / 8;
    case COLOR_RGB:
        return bits * 3 / 8;
    case COLOR_GRAYSCALEALPHA:
        return bits * 2 / 8;
    case COLOR_RGBALPHA:
        return bits * 4 / 8;
    default:
        return 0;
    }
}

uint32_t FilterOffset(uint8_t colorType, uint8_t bitDepth) {
    switch (colorType) {
    case COLOR_GRAYSCALE:
        return bitDepth == 16 ? 2 : 1;
    case COLOR_PALETTE:
        return 1;
    case COLOR_RGB:
        return bitDepth * 3 / 8;
    case COLOR_GRAYSCALEALPHA:
        return bitDepth / 4;
    case COLOR_RGBALPHA:
        return bitDepth / 2;
    default:
        return 0;
    }
}

bool IsKnownFormat(uint8_t colorType, uint8_t bitDepth) {
    switch (colorType) {
    case COLOR_GRAYSCALE:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case COLOR_PALETTE:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return bitDepth == 8 || bitDepth == 16;
    default:
        return false;
    }
}

int BitmapBitsPerPixel(uint8_t colorType, uint8_t bitDepth) {
    if (!IsPaletteBased(colorType)) return 24;
    if (bitDepth == 2) return 4;
    if (bitDepth == 16) return 8;
    return bitDepth;
}

namespace {

uint8_t Paeth(int left, int above, int upperLeft) {
    const int p = left + above - upperLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - above), pc = std::abs(p - upperLeft);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(left);
    if (pb <= pc) return static_cast<uint8_t>(above);
    return static_cast<uint8_t>(upperLeft);
}

} // namespace

void Unfilter(uint8_t filterType, uint8_t* row, const uint8_t* previous, size_t length, uint32_t offset) {
    switch (filterType) {
    case rfSub:
        for (size_t i = offset; i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + row[i - offset]);
        break;
    case rfUp:
        for (size_t i = 0; i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + previous[i]);
        break;
    case rfAverage:
        for (size_t i = 0; i < length; ++i) {
            const int left = i >= offset ? row[i - offset] : 0;
            row[i] = static_cast<uint8_t>(row[i] + (left + previous[i]) / 2);
        }
        break;
    case rfPaeth:
        for (size_t i = 0; i < length; ++i) {
            const int left = i >= offset ? row[i - offset] : 0;
            const int upperLeft = i >= offset ? previous[i - offset] : 0;
            row[i] = static_cast<uint8_t>(row[i] + Paeth(left, previous[i], upperLeft));
        }
        break;
    default:
        break;
    }
}

// ---- filter choice ----

TRowFilterChooser::TRowFilterChooser(TFilters filters, size_t rowLength, uint32_t offset)
    : filters_(filters), length_(rowLength), offset_(offset), previous_(rowLength, 0) {
    for (int f = rfSub; f <= rfPaeth; ++f)
        if (filters_.Contains(static_cast<TFilter>(f))) filtered_[f].assign(rowLength, 0);
}

void TRowFilterChooser::StartPass(size_t rowLength) {
    length_ = rowLength;
    std::memset(previous_.data(), 0, length_);
}

uint8_t TRowFilterChooser::Choose(const uint8_t* raw) {
    const uint8_t* above = previous_.data();
    auto left = [&](size_t i, const uint8_t* r) -> int { return i >= offset_ ? r[i - offset_] : 0; };
    for (int f = rfSub; f <= rfPaeth; ++f) {
        if (!filters_.Contains(static_cast<TFilter>(f))) continue;
        uint8_t* out = filtered_[f].data();
        for (size_t i = 0; i < length_; ++i) {
            int predictor = 0;
            switch (f) {
            case rfSub:
                predictor = left(i, raw);
                break;
            case rfUp:
                predictor = above[i];
                break;
            case rfAverage:
                predictor = (left(i, raw) + above[i]) / 2;
                break;
            default:
                predictor = Paeth(left(i, raw), above[i], left(i, above));
                break;
            }
            out[i] = static_cast<uint8_t>(raw[i] - predictor);
        }
    }
    std::memcpy(previous_.data(), raw, length_);

    uint8_t chosen = rfNone;
    if (!filters_.Empty() && filters_ != TFilters{rfNone}) {
        // The repetition score: bytes equal to one of the two before them compress well.
        auto score = [&](const uint8_t* out) {
            size_t n = 0;
            for (size_t j = 2; j < length_; ++j)
                n += out[j] == out[j - 1] || out[j] == out[j - 2];
            return n;
        };
        size_t best = 0;
        for (int f = rfNone; f <= rfPaeth; ++f) {
            if (!filters_.Contains(static_cast<TFilter>(f))) continue;
            if (filters_.Count() == 1) {
                chosen = static_cast<uint8_t>(f);
                break;
            }
            const size_t s = score(f == rfNone ? raw : filtered_[f].data());
            if (s > best) {
                best = s;
                chosen = static_cast<uint8_t>(f);
            }
        }
    }
    output_ = chosen == rfNone ? previous_.data() : filtered_[chosen].data();
    return chosen;
}

// ---- sample copy ----

namespace {

// The packed sample at index i of a row of `depth`-bit samples.
inline uint8_t PackedSample(const uint8_t* raw, uint32_t i, int depth) {
    const uint32_t bit = i * static_cast<uint32_t>(depth);
    return static_cast<uint8_t>((raw[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1));
}
inline void PutPacked(uint8_t* row, uint32_t x, int bits, uint8_t value) {
    const uint32_t bit = x * static_cast<uint32_t>(bits);
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    const int mask = ((1 << bits) - 1) << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

template <uint8_t Type, uint8_t Depth>
void DecodePixels(const uint8_t* raw, uint32_t count, uint32_t x0, uint32_t step, uint8_t* row,
                  uint8_t* alpha, const uint8_t* gamma) {
    constexpr int kBytes = Depth / 8; // bytes per sample, 0 for packed samples
    if constexpr (Type == COLOR_GRAYSCALE || Type == COLOR_PALETTE) {
        if constexpr (Depth == 16) {
            for (uint32_t i = 0, x = x0; i < count; ++i, x += step)
                row[x] = raw[2 * i];
        } else if constexpr (Depth == 2) {
            // The bitmap holds 2-bit images as 4-bit; grey levels are spread over the 16 entries.
            constexpr uint8_t kScale = Type == COLOR_GRAYSCALE ? 5 : 1;
            for (uint32_t i = 0, x = x0; i < count; ++i, x += step)
                PutPacked(row, x, 4, static_cast<uint8_t>(PackedSample(raw, i, 2) * kScale));
        } else if (step == 1 && x0 == 0) {
            std::memcpy(row, raw, (size_t{count} * Depth + 7) / 8);
        } else {
            for (uint32_t i = 0, x = x0; i < count; ++i, x += step)
                PutPacked(row, x, Depth, PackedSample(raw, i, Depth));
        }
    } else if constexpr (Type == COLOR_RGB || Type == COLOR_RGBALPHA) {
        constexpr int kSamples = Type == COLOR_RGB ? 3 : 4;
        for (uint32_t i = 0, x = x0; i < count; ++i, x += step) {
            const uint8_t* p = raw + size_t{i} * kSamples * kBytes;
            uint8_t* q = row + size_t{x} * 3;
            q[0] = gamma[p[2 * kBytes]];
            q[1] = gamma[p[kBytes]];
            q[2] = gamma[p[0]];
            if constexpr (Type == COLOR_RGBALPHA) alpha[x] = p[3 * kBytes];
        }
    } else { // grey with alpha
        for (uint32_t i = 0, x = x0; i < count; ++i, x += step) {
            row[x] = raw[size_t{i} * 2 * kBytes];
            alpha[x] = raw[size_t{i} * 2 * kBytes + kBytes];
        }
    }
}

template <uint8_t Type, uint8_t Depth>
void EncodePixels(uint8_t* raw, uint32_t count, uint32_t x0, uint32_t step, const uint8_t* row,
                  const uint8_t* alpha, const uint8_t* inverseGamma) {
    constexpr int kBytes = Depth / 8;
    if constexpr (Type == COLOR_GRAYSCALE || Type == COLOR_PALETTE) {
        if constexpr (Depth == 16) {
            for (uint32_t i = 0, x = x0; i < count; ++i, x += step)
                raw[2 * i] = row[x];
        } else if (step == 1 && x0 == 0) {
            std::memcpy(raw, row, (size_t{count} * Depth + 7) / 8);
        } else {
            for (uint32_t i = 0, x = x0; i < count; ++i, x += step) {
                const uint32_t bit = x * Depth;
                const uint8_t v =
                    static_cast<uint8_t>((row[bit / 8] >> (8 - Depth - bit % 8)) & ((1 << Depth) - 1));
                PutPacked(raw, i, Depth, v);
            }
        }
    } else if constexpr (Type == COLOR_RGB || Type == COLOR_RGBALPHA) {
        constexpr int kSamples = Type == COLOR_RGB ? 3 : 4;
        for (uint32_t i = 0, x = x0; i < count; ++i, x += step) {
            uint8_t* p = raw + size_t{i} * kSamples * kBytes;
            const uint8_t* q = row + size_t{x} * 3;
            p[0] = inverseGamma[q[2]];
            p[kBytes] = inverseGamma[q[1]];
            p[2 * kBytes] = inverseGamma[q[0]];
            if constexpr (Type == COLOR_RGBALPHA) p[3 * kBytes] = alpha[x];
        }
    } else {
        for (uint32_t i = 0, x = x0; i < count; ++i, x += step) {
            raw[size_t{i} * 2 * kBytes] = row[x];
            raw[size_t{i} * 2 * kBytes + kBytes] = alpha[x];
        }
    }
}

} // namespace

TPixelDecoder PixelDecoderFor(uint8_t colorType, uint8_t bitDepth) {
    switch (colorType * 100 + bitDepth) {
    case 1:
        return DecodePixels<COLOR_GRAYSCALE, 1>;
    case 2:
        return DecodePixels<COLOR_GRAYSCALE, 2>;
    case 4:
        return DecodePixels<COLOR_GRAYSCALE, 4>;
    case 8:
        return DecodePixels<COLOR_GRAYSCALE, 8>;
    case 16:
        return DecodePixels<COLOR_GRAYSCALE, 16>;
    case 301:
        return DecodePixels<COLOR_PALETTE, 1>;
    case 302:
        return DecodePixels<COLOR_PALETTE, 2>;
    case 304:
        return DecodePixels<COLOR_PALETTE, 4>;
    case 308:
        return DecodePixels<COLOR_PALETTE, 8>;
    case 208:
        return DecodePixels<COLOR_RGB, 8>;
    case 216:
        return DecodePixels<COLOR_RGB, 16>;
    case 408:
        return DecodePixels<COLOR_GRAYSCALEALPHA, 8>;
    case 416:
        return DecodePixels<COLOR_GRAYSCALEALPHA, 16>;
    case 608:
        return DecodePixels<COLOR_RGBALPHA, 8>;
    case 616:
        return DecodePixels<COLOR_RGBALPHA, 16>;
    default:
        return nullptr;
    }
}

TPixelEncoder PixelEncoderFor(uint8_t colorType, uint8_t bitDepth) {
    switch (colorType * 100 + bitDepth) {
    case 1:
        return EncodePixels<COLOR_GRAYSCALE, 1>;
    case 4:
        return EncodePixels<COLOR_GRAYSCALE, 4>;
    case 8:
        return EncodePixels<COLOR_GRAYSCALE, 8>;
    case 16:
        return EncodePixels<COLOR_GRAYSCALE, 16>;
    case 301:
        return EncodePixels<COLOR_PALETTE, 1>;
    case 304:
        return EncodePixels<COLOR_PALETTE, 4>;
    case 308:
        return EncodePixels<COLOR_PALETTE, 8>;
    case 208:
        return EncodePixels<COLOR_RGB, 8>;
    case 216:
        return EncodePixels<COLOR_RGB, 16>;
    case 408:
        return EncodePixels<COLOR_GRAYSCALEALPHA, 8>;
    case 416:
        return EncodePixels<COLOR_GRAYSCALEALPHA, 16>;
    case 608:
        return EncodePixels<COLOR_RGBALPHA, 8>;
    case 616:
        return EncodePixels<COLOR_RGBALPHA, 16>;
    default:
        return nullptr;
    }
}

} // namespace imaging
