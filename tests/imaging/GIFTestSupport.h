// Building GIF pictures in tests, reading them back, and Qt's reader as an independent decoder.
#pragma once

#include "imaging/uGIFImage.h"

#include <string>
#include <vector>

namespace imaging::test {

// An image whose warnings are collected.
struct TWarnedImage {
    TGIFImage image;
    std::vector<std::string> warnings;
    TWarnedImage();
};

// A frame of width x height with the given pixels (row after row), appended to the image.
TGIFSubImage& AddFrame(TGIFImage& image, int width, int height, const std::vector<uint8_t>& pixels);
// Appends `count` distinct grey colours to the table.
void AddGreys(TGIFColorMap& table, int count);

std::string SaveToBytes(TGIFImage& image);
void LoadFromBytes(TGIFImage& image, const std::string& bytes);

// The colours (as 0xRRGGBB) Qt's own reader decodes from a GIF file, row after row; empty when
// Qt cannot read it.
std::vector<uint32_t> QtDecodedColors(const std::string& bytes, int* width = nullptr, int* height = nullptr);
// The same colours from our frame and its active table.
std::vector<uint32_t> FrameColors(TGIFSubImage& frame);

// The bytes of a GIF89a file's start: signature, a width x height screen with a global table of
// `colors` greys (a power of 2; 0 for none).
std::string HeaderBytes(int width, int height, int colors);
// Packs LZW codes of the given widths, least significant bit first, into sub-blocks with the
// minimum code size before them and the terminator after them.
std::string ImageData(int minimumCodeSize, const std::vector<std::pair<int, int>>& codesAndWidths);

} // namespace imaging::test
