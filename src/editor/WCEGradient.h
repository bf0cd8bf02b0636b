// Fills a rectangle with a colour gradient, band by band.
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Types.h"

#include <vector>

namespace ui {
class TCanvas;
}

namespace editor {

struct TGradientBand {
    ui::TRect Rect;
    ui::TColor Color;
    friend bool operator==(const TGradientBand&, const TGradientBand&) = default;
};

// The solid bands of a two-colour gradient over `rect`, from `first` to `second`, left to right when
// horizontal, else top to bottom: at most 256 bands; equal colours give one band.
std::vector<TGradientBand> GradientBands(const ui::TRect& rect, ui::TColor first, bool horizontal,
                                         ui::TColor second);
void GradientFillRect(ui::TCanvas& canvas, const ui::TRect& rect, ui::TColor first, bool horizontal,
                      ui::TColor second);

} // namespace editor
