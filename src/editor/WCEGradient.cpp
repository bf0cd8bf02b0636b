#include "editor/WCEGradient.h"

#include "platform/ui/Canvas.h"

#include <algorithm>

namespace editor {

std::vector<TGradientBand> GradientBands(const ui::TRect& rect, ui::TColor first, bool horizontal,
                                         ui::TColor second) {
    first = ui::ColorToRGB(first);
    second = ui::ColorToRGB(second);
    if (first == second) return {{rect, first}};
    const int extent = horizontal ? rect.Width() : rect.Height();
    if (extent <= 0) return {};
    const int bands = std::min(extent, 256);
    auto mix = [&](int c1, int c2, int i) { return bands == 1 ? c1 : c1 + (c2 - c1) * i / (bands - 1); };
    std::vector<TGradientBand> result;
    const int origin = horizontal ? rect.Left : rect.Top;
    int start = origin;
    for (int i = 0; i < bands; ++i) {
        const int end = origin + int(int64_t(extent) * (i + 1) / bands);
        const ui::TColor color = ui::RGB(mix(ui::GetRValue(first), ui::GetRValue(second), i),
                                         mix(ui::GetGValue(first), ui::GetGValue(second), i),
                                         mix(ui::GetBValue(first), ui::GetBValue(second), i));
        if (end > start) {
            const ui::TRect band = horizontal ? ui::Rect(start, rect.Top, end, rect.Bottom)
                                              : ui::Rect(rect.Left, start, rect.Right, end);
            result.push_back({band, color});
        }
        start = end;
    }
    return result;
}

void GradientFillRect(ui::TCanvas& canvas, const ui::TRect& rect, ui::TColor first, bool horizontal,
                      ui::TColor second) {
    canvas.Brush()->SetStyle(ui::bsSolid);
    for (const TGradientBand& band : GradientBands(rect, first, horizontal, second)) {
        canvas.Brush()->SetColor(band.Color);
        canvas.FillRect(band.Rect);
    }
}

} // namespace editor
