#pragma once

#include "imaging/uPngImage.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Types.h"

#include <memory>

namespace ui {
class TBitmap;
class TCanvas;
class TGraphic;
} // namespace ui

namespace imaging {

// How a picture looks when disabled: faded, grey, or both (faded first).
enum TPngOption { pngBlendOnDisabled, pngGrayscaleOnDisabled };
using TPngOptions = rtl::Set<TPngOption, 2>;

// Scales every pixel's opacity by (amount + 1) / 256; grey and palette pictures become truecolour
// with alpha.
void FadePng(TPNGObject& png, uint8_t amount);
// Mixes every colour towards its grey level: amount 255 makes it fully grey. Grey pictures stay.
void GreyPng(TPNGObject& png, uint8_t amount);
// Draws the picture into the rectangle, faded and/or grey as the options say.
void DrawPngStyled(const TPNGObject& png, ui::TCanvas& canvas, const ui::TRect& rect, TPngOptions options);

// A new truecolour picture of a graphic: a copy of a PNG, or a bitmap's pixels with its transparent
// colour turned into alpha 0.
std::unique_ptr<TPNGObject> GraphicToPng(const ui::TGraphic& graphic);
// A truecolour picture whose alpha is the mask's red level (255 minus it when `invert`).
std::unique_ptr<TPNGObject> BitmapAndMaskToPng(const ui::TBitmap& bitmap, const ui::TBitmap& mask, bool invert);
// A truecolour picture, transparent where the bitmap has `maskColor`.
std::unique_ptr<TPNGObject> BitmapKeyedToPng(const ui::TBitmap& bitmap, TColor maskColor);
// Whether icons keep an alpha channel on this system: always, here.
inline bool OsHasIconAlpha() { return true; }

} // namespace imaging
