// Wide text on a canvas, and the font's dialog unit base.
#pragma once

#include "widecontrols/uUcUtils.h"

#include "platform/ui/Canvas.h"

namespace widecontrols {

// The dialog unit base of the canvas's font: half the average width of the 52 letters, rounded up,
// and the height of one line.
ui::TSize AverageCharSize(const ui::TCanvas& canvas);

// The framework's canvas draws and measures UTF-16 text as it is.
inline void WideCanvasTextRect(ui::TCanvas& canvas, const ui::TRect& rect, int x, int y,
                               std::u16string_view text) {
    canvas.TextRect(rect, x, y, text);
}
inline void WideCanvasTextOut(ui::TCanvas& canvas, int x, int y, std::u16string_view text) {
    canvas.TextOut(x, y, text);
}
inline ui::TSize WideCanvasTextExtent(const ui::TCanvas& canvas, std::u16string_view text) {
    return canvas.TextExtent(text);
}

} // namespace widecontrols
