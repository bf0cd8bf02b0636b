// Operations on PNG pictures: fading, greying, styled drawing and conversion from other graphics.
#pragma once

#include "imaging/uPNGObject.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Types.h"

#include <memory>

namespace ui {
class TBitmap;
class TCanvas;
class TCustomImageList;
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

// A new truecolour picture of a graphic: a copy of a PNG, a bitmap's pixels with its transparent
// colour turned into alpha 0, or an icon's pixels with its alpha (or, without alpha, its mask).
std::unique_ptr<TPNGObject> GraphicToPng(const ui::TGraphic& graphic);
// A truecolour picture whose alpha is the mask's red level (255 minus it when `invert`); opaque
// without a mask.
std::unique_ptr<TPNGObject> BitmapAndMaskToPng(const ui::TBitmap& bitmap, const ui::TBitmap* mask,
                                               bool invert);
// A truecolour picture, transparent where the bitmap has `maskColor` (clDefault: its bottom-left
// pixel's colour).
std::unique_ptr<TPNGObject> BitmapKeyedToPng(const ui::TBitmap& bitmap, TColor maskColor);
// Makes `target` a copy of an image list's entry: a PNG list's picture, or another list's image with
// its mask as alpha. An index without an entry leaves the target as it is.
void ImageListEntryToPng(TPNGObject& target, const ui::TCustomImageList& list, int index);
// Whether icons keep an alpha channel on this system: always, here.
inline bool OsHasIconAlpha() {
    return true;
}

} // namespace imaging
