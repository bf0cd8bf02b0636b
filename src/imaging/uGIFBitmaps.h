// Pixel access of the GIF codec: a bitmap read row by row in one pixel format, and a new 8- or
// 24-bit picture written row by row and loaded into a bitmap when done.
#pragma once

#include "imaging/uGIFItems.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Palette.h"

#include <cstdint>
#include <vector>

namespace imaging {

RTL_DECLARE_EXCEPTION(EInvalidGraphicOperation, rtl::Exception);

namespace gif_text {
inline constexpr const char* UnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr const char* InvalidDimensions = "Invalid image dimensions";
inline constexpr const char* NoDIB = "Image has no DIB";
inline constexpr const char* ScanLineRange = "Scan line index out of range";
} // namespace gif_text

class TDIB {
public:
    TDIB(ui::TBitmap& bitmap, ui::TPixelFormat format) : bitmap_(bitmap), format_(format) {}
    virtual ~TDIB() = default;
    TDIB(const TDIB&) = delete;
    TDIB& operator=(const TDIB&) = delete;

    ui::TPixelFormat PixelFormat() const { return format_; }
    // The bytes of a row, 0 at the top.
    virtual uint8_t* RowAddress(int row) = 0;

protected:
    ui::TBitmap& bitmap_;
    ui::TPixelFormat format_;
};

// Converts the bitmap to the format in place and reads its rows.
class TDIBReader : public TDIB {
public:
    TDIBReader(ui::TBitmap& bitmap, ui::TPixelFormat format);
    uint8_t* RowAddress(int row) override;
};

// Collects the rows of a new picture (8 bits with the palette's first 256 colours, or 24 bits) and
// loads it into the bitmap when it goes, unless an exception is passing.
class TDIBWriter : public TDIB {
public:
    // Raises "Unsupported PixelFormat" for other formats, "Invalid image dimensions" for a zero size.
    TDIBWriter(ui::TBitmap& bitmap, const ui::TPaletteEntries& palette, int height, int width,
               ui::TPixelFormat format);
    ~TDIBWriter() override;
    // Raises EInvalidGraphicOperation "Scan line index out of range" outside the picture.
    uint8_t* RowAddress(int row) override;

private:
    ui::TPaletteEntries palette_;
    int height_;
    int width_;
    int rowSize_;
    std::vector<uint8_t> pixels_; // made at the first row asked for
    int uncaught_;
};

} // namespace imaging

namespace imaging::gif_text {
inline constexpr const char* Rendering = "Rendering...";
inline constexpr const char* Converting = "Converting...";
} // namespace imaging::gif_text
