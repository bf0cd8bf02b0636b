#include "app/uHintWindow.h"

#include "platform/ui/Application.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/TextLayout.h"

#include <algorithm>

namespace app {

namespace {

// The text's distance from the box's left and top edges; the box is twice as much wider and higher.
constexpr int kTextLeft = 5;
constexpr int kTextTop = 3;

THintTuner& HintTuner() {
    static THintTuner tuner;
    return tuner;
}

} // namespace

ui::TRect PlaceHintOnMonitor(ui::TPoint origin, ui::TSize size, const ui::TRect& monitor) {
    const int width = std::min(size.cx, monitor.Width());
    const int height = std::min(size.cy, monitor.Height());
    int left = origin.X, top = origin.Y;
    if (top + height > monitor.Bottom) top = monitor.Bottom - height;
    if (left + width > monitor.Right) left = monitor.Right - width;
    left = std::max(left, monitor.Left);
    top = std::max(top, monitor.Top);
    return ui::Rect(left, top, left + width, top + height);
}

TAdvancedHintWindow::TAdvancedHintWindow(ui::TComponent* owner)
    : ui::THintWindow(owner), bitmap_(std::make_unique<ui::TBitmap>()) {
    bitmap_->SetPixelFormat(ui::pf24bit);
}

void TAdvancedHintWindow::ActivateHint(ui::TRect rect, const std::string& hint) {
    SetText(hint);
    if (ui::Screen) {
        SetFont(ui::Screen->HintFont());
        bitmap_->Canvas()->SetFont(ui::Screen->HintFont());
    }
    ui::TRect measured = rect;
    bitmap_->Canvas()->DrawText(hint, measured, ui::DT_NOPREFIX | ui::DT_CALCRECT);
    const ui::TSize size{measured.Width() + 2 * kTextLeft, measured.Height() + 2 * kTextTop};
    const ui::TPoint origin{rect.Left, rect.Top};
    const ui::TRect monitor = ui::Screen
                                  ? ui::Screen->MonitorFromPoint(origin).BoundsRect
                                  : ui::Rect(origin.X, origin.Y, origin.X + size.cx, origin.Y + size.cy);
    const ui::TRect placed = PlaceHintOnMonitor(origin, size, monitor);
    bitmap_->SetSize(placed.Width(), placed.Height());
    SetBoundsRect(placed);
    Show();
    Invalidate();
}

void TAdvancedHintWindow::Paint() {
    ui::TCanvas* canvas = bitmap_->Canvas();
    canvas->Font()->SetColor(ui::clBlack);
    canvas->Brush()->SetStyle(ui::bsSolid);
    canvas->Brush()->SetColor(ui::clInfoBk);
    canvas->Pen()->SetColor(ui::clBlack);
    canvas->Rectangle(0, 0, Width(), Height());
    ui::TRect textRect = ui::Rect(kTextLeft, kTextTop, Width(), Height());
    canvas->DrawText(Text(), textRect, ui::DT_NOPREFIX | ui::DT_WORDBREAK);
    Canvas()->Draw(0, 0, bitmap_.get());
}

void InstallHintWindow() {
    ui::Application->SetHintWindowClass(
        [](ui::TComponent* owner) -> ui::THintWindow* { return new TAdvancedHintWindow(owner); });
}

void THintTuner::ShowHint(std::string& hintStr, bool&, ui::THintInfo& hintInfo) {
    if (hintInfo.HintControl) hintStr = hintInfo.HintControl->Hint();
}

void InstallHintTuner(bool remove) {
    if (remove)
        ui::Application->OnShowHint = nullptr;
    else
        ui::Application->OnShowHint = [](std::string& hintStr, bool& canShow, ui::THintInfo& hintInfo) {
            HintTuner().ShowHint(hintStr, canShow, hintInfo);
        };
}

} // namespace app
