#include "platform/ui/ProgressBars.h"

#include "platform/ui/Canvas.h"

#include <algorithm>

namespace ui {

TProgressBar::TProgressBar(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 150, 17);
}

void TProgressBar::SetMax(int value) {
    max_ = std::max(value, 0);
    SetPosition(position_);
}

void TProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, 0, max_);
    Invalidate();
}

void TProgressBar::Paint() {
    TCanvas& canvas = *Canvas();
    const TRect frame = ClientRect();
    canvas.Brush()->SetColor(clWindow);
    canvas.Pen()->SetColor(clBtnShadow);
    canvas.Rectangle(frame);
    if (max_ <= 0 || position_ <= 0) return;
    const int inner = frame.Width() - 4;
    // Widened in 64 bits: a count of routines times a width in pixels stays exact.
    const int filled = static_cast<int>(static_cast<long long>(inner) * position_ / max_);
    canvas.Brush()->SetColor(clHighlight);
    canvas.FillRect(Rect(frame.Left + 2, frame.Top + 2, frame.Left + 2 + filled, frame.Bottom - 2));
}

} // namespace ui
