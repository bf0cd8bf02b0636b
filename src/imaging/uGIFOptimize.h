// Making a GIF smaller without changing what it shows: colour tables sorted, needless transparency,
// disposals and extensions dropped, repeated pixels made transparent and transparent borders cropped.
#pragma once

#include "imaging/uGIFImage.h"
#include "imaging/uGIFReduction.h"

#include "platform/rtl/Set.h"

namespace imaging {

enum TGIFOptimizeOption { optCrop, optMerge, optCleanup, optSortColorMaps, optReduceColors };
using TGIFOptimizeOptions = rtl::Set<TGIFOptimizeOption, 8>;

namespace gif_text {
inline constexpr const char* InvalidReduction = "Invalid reduction method";
inline constexpr const char* Optimizing = "Optimizing...";
} // namespace gif_text

// The reduction arguments only matter for the error of optReduceColors with redPalette: the option
// reduces no colours.
void OptimizeFrames(TGIFImage& image, TGIFOptimizeOptions options, TGIFReductionMethod method,
                    int reductionBits, TGIFDitherMode dither);
// Cuts a transparent frame down to the rectangle of its non-transparent pixels; a frame of
// transparent pixels only is cleared.
void CropTransparentBorder(TGIFSubImage& frame);
// Makes transparent the pixels of `frame` that show the same colour as `previous` underneath.
void MergeWithPrevious(TGIFSubImage& frame, TGIFSubImage* previous);

} // namespace imaging
