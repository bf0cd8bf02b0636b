#pragma once

// Builds PNG files byte by byte for the codec's tests, with zlib's own CRC and deflate and nothing of
// the codec under test, so that a fault in our encoder cannot hide the same fault in our decoder.

#include "imaging/uPNGObject.h"
#include "platform/rtl/Streams.h"

#include <cstdint>
#include <string>
#include <vector>

namespace imaging::testing {

using Bytes = std::string;

inline const Bytes kPngSignature("\x89PNG\r\n\x1a\n", 8);

Bytes BigEndian32(uint32_t value);
// One chunk: length, type, data and CRC.
Bytes Chunk(const std::string& type, const Bytes& data);
Bytes Ihdr(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace = 0);
Bytes Deflate(const Bytes& raw);

// A picture given as samples: samples[y][x * channels + c], each of bitDepth bits.
struct SampleImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 8;
    uint8_t colorType = 0;
    std::vector<std::vector<uint16_t>> samples;

    int Channels() const;
    uint16_t Sample(uint32_t x, uint32_t y, int channel) const {
        return samples[y][size_t{x} * static_cast<size_t>(Channels()) + static_cast<size_t>(channel)];
    }
};

// Deterministic pseudo-random samples of the given format.
SampleImage RandomImage(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint32_t seed);
// The filtered scanlines of the image (each row prefixed with its filter type), non-interlaced or
// Adam7; rows cycle through the five filter types so every unfilter is exercised.
Bytes Scanlines(const SampleImage& image, bool adam7);

// A complete file: header, the extra chunks before the data, IDAT (split into `idatParts` chunks), IEND.
Bytes PngFile(const SampleImage& image, bool adam7, const Bytes& beforeData = {}, int idatParts = 1);

// Loads bytes into a new picture (exceptions pass).
void LoadPng(TPNGObject& png, const Bytes& bytes);
Bytes SavePng(TPNGObject& png);

// The chunk types of a file in order.
std::vector<std::string> ChunkTypes(const Bytes& file);
// The image data of a file, all IDAT chunks joined and inflated.
Bytes InflatedImageData(const Bytes& file);
// The data sizes of the chunks of one type.
std::vector<uint32_t> ChunkSizes(const Bytes& file, const std::string& type);

} // namespace imaging::testing
