// The font's dialog unit base. (Wide text needs nothing else: the canvas draws and measures
// UTF-16 text as it is.)
#pragma once

#include "widecontrols/uUcUtils.h"

#include "platform/ui/Canvas.h"

namespace widecontrols {

// The dialog unit base of the canvas's font: half the average width of the 52 letters, rounded up,
// and the height of one line.
ui::TSize AverageCharSize(const ui::TCanvas& canvas);

} // namespace widecontrols
