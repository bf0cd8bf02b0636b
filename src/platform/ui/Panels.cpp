#include "platform/ui/Panels.h"

#include "platform/ui/Edges.h"
#include "platform/ui/QtBridge.h"

#include <QFontMetrics>

#include <algorithm>

namespace ui {

// ---------------------------------------------------------------------------------------------------
// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
    TControlStyle style = ControlStyle();
    style.Include(csAcceptsControls);
    style.Include(csSetCaption);
    style.Include(csOpaque);
    SetControlStyle(style);
}

int TCustomPanel::Inset() const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    return inset;
}

void TCustomPanel::AlignControls(TControl* changed, TRect& rect) {
    const int inset = Inset();
    rect = Rect(rect.Left + inset, rect.Top + inset, std::max(rect.Left + inset, rect.Right - inset),
                std::max(rect.Top + inset, rect.Bottom - inset));
    TCustomControl::AlignControls(changed, rect);
}

void TCustomPanel::Paint() {
    TCanvas& canvas = *Canvas();
    TRect r = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(r);
    // A bevel is BevelWidth frames, lowered with the shadow on top; the border lies between the two.
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const bool lowered = cut == bvLowered;
        Frame3D(canvas, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
                bevelWidth_);
    };
    bevel(bevelOuter_);
    r = InflateRect(r, -borderWidth_, -borderWidth_);
    bevel(bevelInner_);
    if (Caption().empty()) return;
    static constexpr TTextFormat kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    canvas.Brush()->SetStyle(bsClear);
    canvas.SetFont(Font());
    canvas.DrawText(Caption(), r, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | kAlign[alignment_]);
}

void TCustomPanel::WndProc(TMessage& message) {
    TCustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED) Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    bevelOuter_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    bevelInner_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
    bevelWidth_ = std::max(value, 1);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value) {
    borderWidth_ = std::max(value, 0);
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

// ---------------------------------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 105);
    SetParentColor(true);
    TControlStyle style = ControlStyle();
    style.Include(csAcceptsControls);
    style.Include(csSetCaption);
    SetControlStyle(style);
}

int TGroupBox::CaptionHeight() const {
    // Measured without the canvas, which exists only while painting.
    return QFontMetrics(ToQFont(*Font())).height();
}

void TGroupBox::AlignControls(TControl* changed, TRect& rect) {
    const int top = CaptionHeight();
    rect = Rect(rect.Left + 2, rect.Top + top, std::max(rect.Left + 2, rect.Right - 2),
                std::max(rect.Top + top, rect.Bottom - 2));
    TCustomControl::AlignControls(changed, rect);
}

void TGroupBox::Paint() {
    TCanvas& canvas = *Canvas();
    canvas.Font()->Assign(Font());
    const int lineY = CaptionHeight() / 2;
    const TRect area = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(area);
    // The frame runs through the middle of the caption's line; the caption is cut out of it.
    canvas.Brush()->SetStyle(bsClear);
    canvas.Pen()->SetColor(clBtnShadow);
    canvas.Rectangle(area.Left, area.Top + lineY, area.Right, area.Bottom);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(Color());
    canvas.TextOut(area.Left + 8, area.Top, Caption());
}

void TGroupBox::WndProc(TMessage& message) {
    TCustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_FONTCHANGED) {
        Realign();
        Invalidate();
    }
}

// ---------------------------------------------------------------------------------------------------
// TSplitter

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
    SetParentColor(true);
}

TControl* TSplitter::ResizeControl() const {
    TWinControl* parent = Parent();
    if (!parent) return nullptr;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align()) continue;
        const TRect r = c->BoundsRect();
        const bool touches = (Align() == alLeft && r.Right == Left()) ||
                             (Align() == alRight && r.Left == BoundsRect().Right) ||
                             (Align() == alTop && r.Bottom == Top()) ||
                             (Align() == alBottom && r.Top == BoundsRect().Bottom);
        if (touches) return c;
    }
    return nullptr;
}

void TSplitter::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

int TSplitter::SizeFor(TPoint parentPoint) const {
    const int delta = Horizontal() ? parentPoint.X - downAt_.X : parentPoint.Y - downAt_.Y;
    // Dragging towards the resized control shrinks it.
    const bool grows = Align() == alLeft || Align() == alTop;
    int size = downSize_ + (grows ? delta : -delta);
    // What the parent's client area can give: the other side keeps MinSize too.
    const int room = Horizontal() ? Parent()->ClientWidth() : Parent()->ClientHeight();
    int others = Horizontal() ? Width() : Height();
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || c == control_ || !c->Visible()) continue;
        const bool sameAxis = Horizontal() ? (c->Align() == alLeft || c->Align() == alRight)
                                           : (c->Align() == alTop || c->Align() == alBottom);
        if (sameAxis) others += Horizontal() ? c->Width() : c->Height();
    }
    return std::clamp(size, minSize_, std::max(minSize_, room - others - minSize_));
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    control_ = ResizeControl();
    if (!control_) return;
    downAt_ = ClientToParent({x, y});
    downSize_ = Horizontal() ? control_->Width() : control_->Height();
    moved_ = false;
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!control_ || !shift.Contains(ssLeft)) return;
    int size = SizeFor(ClientToParent({x, y}));
    bool accept = true;
    if (OnCanResize) OnCanResize(this, size, accept);
    if (!accept) return;
    const int current = Horizontal() ? control_->Width() : control_->Height();
    if (size == current) return;
    if (Horizontal())
        control_->SetWidth(size);
    else
        control_->SetHeight(size);
    moved_ = true;
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !control_) return;
    control_ = nullptr;
    if (moved_ && OnMoved) OnMoved(this);
}

} // namespace ui
