// Colour tables for indexed bitmaps and the nearest entry to a colour.
#pragma once

#include "platform/ui/Color.h"

#include <vector>

namespace ui {

// A colour table for indexed bitmaps: entries are plain $00BBGGRR colours.
using TPaletteEntries = std::vector<TColor>;

// The 16 colours of the standard 4-bit table.
const TPaletteEntries& StandardPalette16();
// The 20 colours a system palette always holds (the first 10 and the last 10 entries).
const TPaletteEntries& StockPalette20();
// A 256-entry table: the stock colours around a 6x6x6 colour cube and a grey ramp.
const TPaletteEntries& HalftonePalette();
// The table a new bitmap of `bitsPerPixel` (1, 4 or 8) starts with.
const TPaletteEntries& DefaultPalette(int bitsPerPixel);

// The index of the entry closest to `color` (the first of equals); -1 for an empty table.
int NearestPaletteIndex(const TPaletteEntries& entries, TColor color);

} // namespace ui
