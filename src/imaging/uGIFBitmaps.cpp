#include "imaging/uGIFBitmaps.h"

#include <cstring>
#include <exception>

namespace imaging {

// TDIBReader

TDIBReader::TDIBReader(ui::TBitmap& bitmap, ui::TPixelFormat format) : TDIB(bitmap, format) {
    bitmap.SetPixelFormat(format);
}

uint8_t* TDIBReader::RowAddress(int row) {
    return static_cast<uint8_t*>(bitmap_.ScanLine(row));
}

// TDIBWriter

TDIBWriter::TDIBWriter(ui::TBitmap& bitmap, const ui::TPaletteEntries& palette, int height, int width,
                       ui::TPixelFormat format)
    : TDIB(bitmap, format), palette_(palette), height_(height), width_(width),
      uncaught_(std::uncaught_exceptions()) {
    if (format != ui::pf8bit && format != ui::pf24bit) throw GIFException(gif_text::UnsupportedPixelFormat);
    if (width <= 0 || height <= 0) throw GIFException(gif_text::InvalidDimensions);
    if (palette_.size() > 256) palette_.resize(256);
    rowSize_ = width * (format == ui::pf8bit ? 1 : 3);
}

uint8_t* TDIBWriter::RowAddress(int row) {
    if (pixels_.empty()) pixels_.assign(static_cast<size_t>(rowSize_) * static_cast<size_t>(height_), 0);
    if (pixels_.empty()) throw GIFException(gif_text::NoDIB);
    if (row < 0 || row >= height_) throw EInvalidGraphicOperation(gif_text::ScanLineRange);
    return pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(rowSize_);
}

TDIBWriter::~TDIBWriter() {
    if (pixels_.empty() || std::uncaught_exceptions() > uncaught_) return;
    bitmap_.SetPixelFormat(format_);
    bitmap_.SetSize(width_, height_);
    if (format_ == ui::pf8bit) {
        ui::TPaletteEntries table = palette_;
        table.resize(256, ui::clBlack);
        bitmap_.SetPaletteEntries(table);
    }
    for (int row = 0; row < height_; ++row)
        std::memcpy(bitmap_.ScanLine(row), pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(rowSize_),
                    static_cast<size_t>(rowSize_));
}

} // namespace imaging
