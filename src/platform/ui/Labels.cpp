#include "platform/ui/Labels.h"

#include "platform/ui/Menus.h"

#include <cctype>

namespace ui {

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
    TControlStyle style = ControlStyle();
    style.Include(csOpaque);
    SetControlStyle(style);
}

TTextFormat TCustomLabel::TextFormat() const {
    static constexpr TTextFormat kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TTextFormat format = DT_EXPANDTABS | kAlign[alignment_];
    if (wordWrap_) format |= DT_WORDBREAK;
    if (!showAccelChar_) format |= DT_NOPREFIX;
    return format;
}

void TCustomLabel::Paint() {
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    if (!transparent_) {
        canvas.Brush()->SetColor(Color());
        canvas.Brush()->SetStyle(bsSolid);
        canvas.FillRect(client);
    }
    canvas.Brush()->SetStyle(bsClear);
    canvas.SetFont(Font());
    if (!Enabled()) canvas.Font()->SetColor(clGrayText);
    // The text block is measured first so the layout can place it vertically.
    TRect measured = client;
    canvas.DrawText(Caption(), measured, TextFormat() | DT_CALCRECT);
    TRect area = client;
    const int height = measured.Height();
    if (layout_ == tlCenter) area.Top = client.Top + (client.Height() - height) / 2;
    if (layout_ == tlBottom) area.Top = client.Bottom - height;
    canvas.DrawText(Caption(), area, TextFormat());
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || IsDestroying()) return;
    const std::string text = Caption().empty() ? std::string(" ") : Caption();
    const TRect r = MeasureText(*Font(), text, Rect(0, 0, wordWrap_ ? Width() : 0, 0), TextFormat());
    int left = Left();
    // A right-aligned label grows to the left, a centred one to both sides.
    if (!wordWrap_ && alignment_ == taRightJustify) left += Width() - r.Width();
    if (!wordWrap_ && alignment_ == taCenter) left += (Width() - r.Width()) / 2;
    SetBounds(left, Top(), wordWrap_ ? Width() : r.Width(), r.Height());
}

void TCustomLabel::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TGraphicControl::WndProc(message);
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR: {
        const char hotkey = showAccelChar_ ? GetHotkey(Caption()) : 0;
        const auto typed = static_cast<char>(std::toupper(static_cast<int>(message.WParam & 0xFF)));
        if (focusControl_ && hotkey && message.WParam < 0x80 && hotkey == typed &&
            focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            message.Result = 1;
        }
        return;
    }
    default:
        break;
    }
    TGraphicControl::WndProc(message);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayoutStyle value) {
    layout_ = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    transparent_ = value;
    TControlStyle style = ControlStyle();
    if (value)
        style.Exclude(csOpaque);
    else
        style.Include(csOpaque);
    SetControlStyle(style);
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (control) control->FreeNotification(this);
}

} // namespace ui
