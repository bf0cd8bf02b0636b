// Reading and writing BMP files.
#pragma once

#include "platform/rtl/Streams.h"

namespace ui {

class TBitmap;

// The BMP file format: a file header, an info header (core, info, V4 or V5), a colour table for
// indexed pixels and bottom-up (or top-down) rows padded to four bytes. Reading accepts 1, 4, 8,
// 16 (5-5-5 or 5-6-5), 24 and 32 bits per pixel uncompressed; anything else raises EInvalidGraphic.
void ReadBmp(rtl::TStream& stream, TBitmap& bitmap);
// Writes the bitmap in its own pixel format (a device bitmap as 32 bits per pixel).
void WriteBmp(rtl::TStream& stream, const TBitmap& bitmap);

} // namespace ui
