#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace uitest {

// An image file as Qt's own readers decode it: 16-bit red, green, blue and alpha per pixel, rows top
// down. An independent decoder to check the program's codecs against; empty when Qt refuses the file.
struct QtDecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::array<uint16_t, 4>> pixels;

    const std::array<uint16_t, 4>& At(int x, int y) const {
        return pixels[static_cast<size_t>(y * width + x)];
    }
};
QtDecodedImage DecodeWithQt(const std::string& bytes, const char* format);

} // namespace uitest
