#include "platform/ui/Hints.h"

#include "platform/ui/Forms.h"
#include "platform/ui/TextLayout.h"
#include "platform/ui/WidgetBridge.h"

#include <QPainter>

#include <algorithm>

namespace ui {

namespace {

constexpr TTextFormat kHintFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

} // namespace

std::string GetShortHint(const std::string& hint) {
    const auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
    const auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetColor(clInfoBk);
    if (Screen) SetFont(Screen->HintFont());
}

QWidget* THintWindow::CreateWidget(QWidget*) {
    auto* widget = new TControlWidget(this, nullptr);
    widget->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    widget->setAttribute(Qt::WA_ShowWithoutActivating);
    return widget;
}

// A one-pixel frame around the text.
TRect THintWindow::NonClientInsets() const {
    return Rect(1, 1, 1, 1);
}

void THintWindow::WndProc(TMessage& message) {
    if (message.Msg == WM_NCPAINT) {
        if (QPainter* painter = reinterpret_cast<TCanvas*>(message.LParam)->Painter()) {
            painter->setPen(Qt::black);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(0, 0, Width() - 1, Height() - 1);
        }
        return;
    }
    TCustomControl::WndProc(message);
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint, void*) {
    TCanvas canvas;
    canvas.SetFont(Font());
    TRect rect = Rect(0, 0, maxWidth, 0);
    canvas.DrawText(hint, rect, kHintFormat | DT_CALCRECT);
    rect.Right += 6;
    rect.Bottom += 2;
    return rect;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
    SetText(hint);
    // The whole hint stays on the desktop.
    if (Screen) {
        const TRect desktop = Screen->DesktopRect();
        const int dx = std::min(0, desktop.Right - rect.Right);
        const int dy = std::min(0, desktop.Bottom - rect.Bottom);
        rect = OffsetRect(rect, dx, dy);
        rect = OffsetRect(rect, std::max(0, desktop.Left - rect.Left), std::max(0, desktop.Top - rect.Top));
    }
    SetBoundsRect(rect);
    Show();
    Widget()->raise();
    Invalidate();
}

void THintWindow::ActivateHintData(TRect rect, const std::string& hint, void*) {
    ActivateHint(rect, hint);
}

void THintWindow::ReleaseHandle() {
    Hide();
    DestroyHandle();
}

void THintWindow::Paint() {
    TRect rect = ClientRect();
    rect.Left += 2;
    rect.Top += 2;
    Canvas()->Font()->SetColor(Screen ? Screen->HintFont()->Color() : clInfoText);
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->DrawText(Text(), rect, kHintFormat);
}

} // namespace ui
