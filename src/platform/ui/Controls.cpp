#include "platform/ui/Controls.h"

#include "platform/rtl/ScopeExit.h"

#include "platform/ui/Application.h"
#include "platform/ui/Caret.h"
#include "platform/ui/ControlScrollBars.h"
#include "platform/ui/DragManager.h"
#include "platform/ui/Edges.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/Timers.h"
#include "platform/ui/WidgetBridge.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace ui {

namespace {

// Paints with a canvas bound to the painter as it stands now.
template <class Paint>
void WithCanvasOn(QPainter& painter, Paint paint) {
    TCanvas canvas;
    canvas.BeginPaint(&painter);
    const rtl::ScopeExit end([&canvas] { canvas.EndPaint(); });
    paint(canvas);
}

TControl* captureControl = nullptr;

// The blink timer of a window's caret.
constexpr TTimerId kCaretTimer = 1;

uint32_t CaretBlinkInterval() {
    return static_cast<uint32_t>(std::max(GetCaretBlinkTime(), 0));
}

// Sets a variable for the lifetime of the scope and puts the old value back, also on an exception.
template <class T>
class TScopedValue {
public:
    TScopedValue(T& slot, T value) : slot_(slot), old_(slot) { slot_ = value; }
    ~TScopedValue() { slot_ = old_; }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& slot_;
    T old_;
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// Free functions

TWinControl* FindControl(HWND window) {
    return ControlOfWidget(window);
}

TControl* GetCaptureControl() {
    return captureControl;
}

void SetCaptureControl(TControl* control) {
    if (control == captureControl) return;
    TControl* previous = captureControl;
    if (auto* win = dynamic_cast<TWinControl*>(previous); win && win->Widget()) win->Widget()->releaseMouse();
    captureControl = control;
    if (auto* win = dynamic_cast<TWinControl*>(control); win && win->Widget() && win->Widget()->isVisible())
        win->Widget()->grabMouse();
    if (previous) previous->Perform(WM_CAPTURECHANGED, 0, 0);
}

void ControlGone(TControl* control) {
    ForgetControl(control);
    DragControlGone(control);
    if (Application) Application->ControlGone(control);
    if (Screen) Screen->ControlGone(control);
    if (TCustomForm* form = GetParentForm(control)) form->ControlGone(control);
}

// ---------------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    WindowProc = [this](TMessage& message) { WndProc(message); };
    font_->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
    Destroying();
    if (captureControl == this) captureControl = nullptr;
    ControlGone(this);
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    const TRect bounds = Bounds(left, top, std::max(width, 0), std::max(height, 0));
    if (bounds == bounds_) return;
    SetAlignedBounds(bounds);
    UpdateAnchorRule();
    RequestAlign();
}

void TControl::SetAlignedBounds(const TRect& bounds) {
    if (bounds == bounds_) return;
    const TRect old = bounds_;
    if (parent_ && !dynamic_cast<TWinControl*>(this)) parent_->InvalidateRect(old);
    bounds_ = bounds;
    BoundsChanged();
    if (old.Width() != bounds.Width() || old.Height() != bounds.Height())
        Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(ClientWidth(), ClientHeight()));
    if (old.Left != bounds.Left || old.Top != bounds.Top) Perform(WM_MOVE, 0, MakeLParam(Left(), Top()));
}

void TControl::BoundsChanged() {
    if (parent_) parent_->InvalidateRect(bounds_);
}

void TControl::UpdateAnchorRule() {
    anchorRule_.original = bounds_;
    if (parent_) anchorRule_.originalParent = {parent_->ClientWidth(), parent_->ClientHeight()};
}

void TControl::RequestAlign() {
    if (parent_) parent_->Realign();
}

TRect TControl::ClientRect() const {
    return Rect(0, 0, Width(), Height());
}

void TControl::SetClientSize(int width, int height) {
    SetBounds(Left(), Top(), Width() - ClientWidth() + width, Height() - ClientHeight() + height);
}

TPoint TControl::ClientOrigin() const {
    if (!parent_) return {Left(), Top()};
    const TPoint origin = parent_->ClientOrigin();
    return {origin.X + Left(), origin.Y + Top()};
}

TPoint TControl::ClientToScreen(TPoint p) const {
    const TPoint origin = ClientOrigin();
    return {p.X + origin.X, p.Y + origin.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    const TPoint origin = ClientOrigin();
    return {p.X - origin.X, p.Y - origin.Y};
}

TPoint TControl::ClientToParent(TPoint p) const {
    if (!parent_) return ClientToScreen(p);
    return parent_->ScreenToClient(ClientToScreen(p));
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
    UpdateAnchorRule();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) {
        ApplyVisible(); // a top-level window may not be up yet
        return;
    }
    visible_ = visible;
    ApplyVisible();
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
    if (parent_) {
        parent_->InvalidateRect(bounds_);
        RequestAlign();
    }
}

bool TControl::Showing() const {
    return visible_ && parent_ && parent_->Showing();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    ApplyEnabled();
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

std::string TControl::Text() const {
    std::string text;
    const_cast<TControl*>(this)->Perform(WM_GETTEXT, 0, reinterpret_cast<intptr_t>(&text));
    return text;
}

void TControl::SetText(const std::string& text) {
    if (Text() == text) return;
    Perform(WM_SETTEXT, 0, reinterpret_cast<intptr_t>(&text));
    Perform(CM_TEXTCHANGED);
}

void TControl::FontChanged() {
    if (!applyingParentFont_) parentFont_ = false;
    ApplyFont();
    Perform(CM_FONTCHANGED);
    Invalidate();
}

void TControl::SetParentFont(bool value) {
    if (value == parentFont_) return;
    parentFont_ = value;
    if (value) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    if (value) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    ApplyCursor();
    Perform(CM_CURSORCHANGED);
}

void TControl::SetShowHint(bool value) {
    parentShowHint_ = false;
    if (value == showHint_) return;
    showHint_ = value;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
    if (value == parentShowHint_) return;
    parentShowHint_ = value;
    if (value) Perform(CM_PARENTSHOWHINTCHANGED);
}

intptr_t TControl::Perform(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    TMessage message{msg, wParam, lParam, 0};
    if (WindowProc) WindowProc(message);
    return message.Result;
}

void TControl::WndProc(TMessage& message) {
    if (HandleDragMessage(this, message)) return;
    if (dragMode_ == dmAutomatic && message.Msg == WM_LBUTTONDOWN) BeginDrag(false);
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        HandleMouseButton(message);
        return;
    case WM_MOUSEMOVE: {
        const TPoint p = PointFromLParam(message.LParam);
        if (!controlStyle_.Contains(csNoStdEvents)) MouseMove(KeysToShiftState(message.WParam), p.X, p.Y);
        break;
    }
    case WM_GETTEXT:
        *reinterpret_cast<std::string*>(message.LParam) = GetWindowText();
        return;
    case WM_GETTEXTLENGTH:
        message.Result = static_cast<intptr_t>(GetWindowText().size());
        return;
    case WM_SETTEXT:
        SetWindowText(*reinterpret_cast<const std::string*>(message.LParam));
        Invalidate();
        message.Result = 1;
        return;
    case WM_CAPTURECHANGED:
        controlState_.Exclude(csClicked);
        break;
    case CM_COLORCHANGED:
        ApplyColor();
        Invalidate();
        return;
    case CM_PARENTFONTCHANGED:
        if (parentFont_ && parent_) {
            const TScopedValue<bool> applying(applyingParentFont_, true);
            font_->Assign(parent_->Font());
        }
        return;
    case CM_PARENTCOLORCHANGED:
        if (parentColor_ && parent_) {
            SetColor(parent_->Color());
            parentColor_ = true;
        }
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (parentShowHint_ && parent_) {
            SetShowHint(parent_->ShowHint());
            parentShowHint_ = true;
        }
        return;
    case CM_MOUSEENTER:
        if (OnMouseEnter) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        return;
    case CM_MOUSEWHEEL: {
        const TShiftState shift = KeysToShiftState(LoWord(message.WParam));
        const int delta = static_cast<int16_t>(HiWord(message.WParam));
        message.Result = DoMouseWheel(shift, delta, PointFromLParam(message.LParam)) ? 1 : 0;
        return;
    }
    default:
        break;
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) {
    NoteDefaultHandling(message);
}

void TControl::HandleMouseButton(TMessage& message) {
    TMouseButton button = mbLeft;
    enum { down, up, dblclk } kind = down;
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
        break;
    case WM_LBUTTONUP:
        kind = up;
        break;
    case WM_LBUTTONDBLCLK:
        kind = dblclk;
        break;
    case WM_RBUTTONDOWN:
        button = mbRight;
        break;
    case WM_RBUTTONUP:
        button = mbRight, kind = up;
        break;
    case WM_RBUTTONDBLCLK:
        button = mbRight, kind = dblclk;
        break;
    case WM_MBUTTONDOWN:
        button = mbMiddle;
        break;
    case WM_MBUTTONUP:
        button = mbMiddle, kind = up;
        break;
    default:
        button = mbMiddle, kind = dblclk;
        break;
    }
    const TPoint p = PointFromLParam(message.LParam);
    TShiftState shift = KeysToShiftState(message.WParam);
    const bool stdEvents = !controlStyle_.Contains(csNoStdEvents);
    DefaultHandler(message);
    if (kind == up) {
        if (button == mbLeft) {
            const bool clicked = controlState_.Contains(csClicked);
            controlState_.Exclude(csClicked);
            controlState_.Exclude(csLButtonDown);
            if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
            if (clicked && ClientRect().Contains(p)) Click();
        }
        if (stdEvents) MouseUp(button, shift, p.X, p.Y);
        return;
    }
    if (button == mbLeft) {
        if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
        controlState_.Include(csLButtonDown);
    }
    if (kind == dblclk) {
        shift.Include(ssDouble);
        if (button == mbLeft && controlStyle_.Contains(csDoubleClicks)) DblClick();
    }
    if (stdEvents) MouseDown(button, shift, p.X, p.Y);
}

void TControl::Click() {
    if (!OnClick && actionLink_ && actionLink_->Action()) {
        actionLink_->Execute(this);
        return;
    }
    if (OnClick) OnClick(this);
}

void TControl::BeginDrag(bool immediate, int threshold) {
    StartDrag(this, immediate, threshold);
}

bool TControl::Dragging() const {
    return DragSource() == this;
}

void TControl::EndDrag(bool drop) {
    if (Dragging()) FinishDrag(drop);
}

void TControl::DoStartDrag(TDragObject*& dragObject) {
    if (OnStartDrag) OnStartDrag(this, dragObject);
}

bool TControl::DragOver(TObject* source, int x, int y, TDragState state) {
    if (!OnDragOver) return false;
    bool accept = true;
    OnDragOver(this, source, x, y, state, accept);
    return accept;
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::InitiateAction() {
    if (actionLink_) actionLink_->Update();
}

TBasicAction* TControl::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* action) {
    if (!action) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = CreateActionLink();
    actionLink_->SetAction(action);
    if (auto* custom = dynamic_cast<TCustomAction*>(action)) ActionChange(*custom);
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink() {
    return std::make_unique<TControlActionLink>(this);
}

void TControl::ActionChange(const TCustomAction& action) {
    SetCaption(action.Caption());
    SetEnabled(action.Enabled());
    SetHint(action.Hint());
    SetVisible(action.Visible());
}

TControlActionLink::TControlActionLink(TControl* control) : TActionLink(control), control_(control) {}

bool TControlActionLink::IsCaptionLinked() {
    return TActionLink::IsCaptionLinked() && control_->Caption() == CustomAction()->Caption();
}

bool TControlActionLink::IsEnabledLinked() {
    return TActionLink::IsEnabledLinked() && control_->Enabled() == CustomAction()->Enabled();
}

bool TControlActionLink::IsHintLinked() {
    return TActionLink::IsHintLinked() && control_->Hint() == CustomAction()->Hint();
}

bool TControlActionLink::IsVisibleLinked() {
    return TActionLink::IsVisibleLinked() && control_->Visible() == CustomAction()->Visible();
}

void TControlActionLink::SetCaption(const std::string& caption) {
    if (IsCaptionLinked()) control_->SetCaption(caption);
}

void TControlActionLink::SetEnabled(bool enabled) {
    if (IsEnabledLinked()) control_->SetEnabled(enabled);
}

void TControlActionLink::SetHint(const std::string& hint) {
    if (IsHintLinked()) control_->SetHint(hint);
}

void TControlActionLink::SetVisible(bool visible) {
    if (IsVisibleLinked()) control_->SetVisible(visible);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled) return true;
    for (int notches = std::abs(wheelDelta) / WHEEL_DELTA; notches > 0 && !handled; --notches)
        handled = wheelDelta < 0 ? DoMouseWheelDown(shift, mousePos) : DoMouseWheelUp(shift, mousePos);
    return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::Invalidate() {
    InvalidateRect(ClientRect());
}

void TControl::InvalidateRect(const TRect& rect) {
    if (parent_ && visible_) parent_->InvalidateRect(OffsetRect(rect, Left(), Top()));
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

bool TControl::MouseCapture() const {
    return captureControl == this;
}

void TControl::SetMouseCapture(bool capture) {
    if (capture)
        SetCaptureControl(this);
    else if (captureControl == this)
        SetCaptureControl(nullptr);
}

void TControl::BringToFront() {
    if (parent_) {
        parent_->SetChildOrder(this, parent_->ControlCount() - 1);
        return;
    }
    // A window of its own goes above the other windows.
    if (auto* win = dynamic_cast<TWinControl*>(this); win && win->Widget()) win->Widget()->raise();
}

void TControl::SendToBack() {
    if (parent_) parent_->SetChildOrder(this, 0);
}

void TControl::PaintTo(TCanvas&) {}

// ---------------------------------------------------------------------------------------------------
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(TCanvas& canvas) {
    canvas.SetFont(Font());
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    const TScopedValue<TCanvas*> painting(canvas_, &canvas);
    Paint();
}

// ---------------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner), scrollBars_(std::make_unique<TControlScrollBars>(this)),
      caret_(std::make_unique<TCaret>()) {}

TWinControl::~TWinControl() {
    Destroying();
    while (!controls_.empty())
        delete controls_.back();
    DestroyHandle();
    Timers().KillTimers(this);
    Timers().KillTimers(caret_.get());
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    control->UpdateAnchorRule();
    if (control->parentFont_) control->Perform(CM_PARENTFONTCHANGED);
    if (control->parentColor_) control->Perform(CM_PARENTCOLORCHANGED);
    if (control->parentShowHint_) control->Perform(CM_PARENTSHOWHINTCHANGED);
    if (auto* win = dynamic_cast<TWinControl*>(control); win && HandleAllocated()) win->CreateHandle();
    Realign();
    InvalidateRect(control->BoundsRect());
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end()) return;
    if (auto* win = dynamic_cast<TWinControl*>(control)) win->DestroyHandle();
    InvalidateRect(control->BoundsRect());
    controls_.erase(it);
    control->parent_ = nullptr;
    if (!IsDestroying()) Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!allowWinControls && dynamic_cast<TWinControl*>(c)) continue;
        if (c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p)) return c;
    }
    return nullptr;
}

void TWinControl::SetChildOrder(TControl* child, int order) {
    auto it = std::find(controls_.begin(), controls_.end(), child);
    if (it == controls_.end()) return;
    controls_.erase(it);
    order = std::clamp(order, 0, static_cast<int>(controls_.size()));
    controls_.insert(controls_.begin() + order, child);
    if (auto* win = dynamic_cast<TWinControl*>(child); win && win->widget_) {
        if (order == static_cast<int>(controls_.size()) - 1)
            win->widget_->raise();
        else
            win->widget_->lower();
    }
    InvalidateRect(child->BoundsRect());
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return widget_;
}

void TWinControl::HandleNeeded() {
    if (!widget_) CreateHandle();
}

void TWinControl::RecreateWnd() {
    if (!widget_) return;
    const bool hadFocus = Focused();
    controlState_.Include(csRecreating);
    DestroyHandle();
    CreateHandle();
    controlState_.Exclude(csRecreating);
    if (hadFocus && CanFocus()) widget_->setFocus(Qt::OtherFocusReason);
}

void TWinControl::CreateHandle() {
    if (widget_) return;
    if (parent_) parent_->HandleNeeded();
    // Creating the parent's window creates its children's, this one's among them.
    if (widget_) return;
    controlState_.Include(csCreating);
    CreateWnd();
    controlState_.Exclude(csCreating);
    for (TControl* child : controls_)
        if (auto* win = dynamic_cast<TWinControl*>(child)) win->CreateHandle();
}

void TWinControl::CreateWnd() {
    QWidget* parentWidget = parent_ ? parent_->widget_ : nullptr;
    widget_ = CreateWidget(parentWidget);
    AttachWidget(this, widget_);
    ApplyAll();
    Perform(WM_CREATE);
}

QWidget* TWinControl::CreateWidget(QWidget* parentWidget) {
    return CreateControlWidget(this, parentWidget);
}

void TWinControl::DestroyWnd() {}

void TWinControl::DestroyHandle() {
    if (!widget_) return;
    controlState_.Include(csDestroyingHandle);
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
        if (auto* win = dynamic_cast<TWinControl*>(*it)) win->DestroyHandle();
    DestroyWnd();
    Perform(WM_DESTROY);
    // Window timers and the caret belong to the window.
    Timers().KillTimers(this);
    DestroyCaret();
    if (captureControl == this) SetCaptureControl(nullptr);
    QWidget* widget = widget_;
    widget_ = nullptr;
    DestroyWidget(widget);
    controlState_.Exclude(csDestroyingHandle);
}

void TWinControl::ApplyAll() {
    if (!widget_) return;
    widget_->setMouseTracking(true);
    // A native window's mouse messages go to it alone, never on to its parent.
    widget_->setAttribute(Qt::WA_NoMousePropagation);
    widget_->setAttribute(Qt::WA_InputMethodEnabled, imeEnabled_);
    widget_->setFocusPolicy(tabStop_ ? Qt::TabFocus : Qt::NoFocus);
    widget_->setUpdatesEnabled(updatesEnabled_);
    ApplyFont();
    ApplyColor();
    ApplyCursor();
    ApplyEnabled();
    SetWindowText(text_);
    BoundsChanged();
    ApplyVisible();
}

TRect TWinControl::NonClientInsets() const {
    TRect insets;
    if (borderStyle_ == bsSingle && parent_) insets = Rect(2, 2, 2, 2);
    const int extent = TControlScrollBars::Extent();
    if (scrollBars_->State(SB_VERT).Visible()) insets.Right += extent;
    if (scrollBars_->State(SB_HORZ).Visible()) insets.Bottom += extent;
    return insets;
}

TRect TWinControl::ClientRectInWindow() const {
    const TRect in = NonClientInsets();
    return Rect(in.Left, in.Top, std::max(in.Left, Width() - in.Right),
                std::max(in.Top, Height() - in.Bottom));
}

TRect TWinControl::ClientRect() const {
    const TRect r = ClientRectInWindow();
    return Rect(0, 0, r.Width(), r.Height());
}

TPoint TWinControl::ClientOrigin() const {
    const TRect r = ClientRectInWindow();
    if (widget_) return FromQPoint(widget_->mapToGlobal(QPoint(r.Left, r.Top)));
    const TPoint origin = TControl::ClientOrigin();
    return {origin.X + r.Left, origin.Y + r.Top};
}

bool TWinControl::Showing() const {
    return widget_ && widget_->isVisible();
}

void TWinControl::BoundsChanged() {
    if (widget_) {
        QRect geometry = ToQRect(BoundsRect());
        if (parent_)
            geometry.translate(parent_->ClientRectInWindow().Left, parent_->ClientRectInWindow().Top);
        if (widget_->geometry() != geometry) widget_->setGeometry(geometry);
        scrollBars_->Apply(widget_, ClientRectInWindow());
    }
}

void TWinControl::ApplyFont() {
    if (widget_) widget_->setFont(ToQFont(*Font()));
}

void TWinControl::ApplyColor() {
    if (!widget_ || Color() == clNone || Color() == clDefault) return;
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Window, ToQColor(Color()));
    palette.setColor(QPalette::Base, ToQColor(Color()));
    widget_->setPalette(palette);
}

void TWinControl::ApplyCursor() {
    if (widget_) widget_->setCursor(ToQCursor(Cursor()));
}

void TWinControl::ApplyVisible() {
    if (!parent_ && Visible()) HandleNeeded();
    if (widget_) widget_->setVisible(Visible());
}

void TWinControl::ApplyEnabled() {
    if (widget_) widget_->setEnabled(Enabled());
}

void TWinControl::SetWindowText(const std::string& text) {
    TControl::SetWindowText(text);
    if (widget_ && !parent_) widget_->setWindowTitle(ToQString(text));
}

bool TWinControl::Focused() const {
    return widget_ && widget_->hasFocus();
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    HandleNeeded();
    widget_->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetTabStop(bool value) {
    tabStop_ = value;
    if (widget_) widget_->setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}

void TWinControl::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(ClientWidth(), ClientHeight()));
    BoundsChanged();
    Invalidate();
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0) Realign();
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0 || IsDestroying()) {
        controlState_.Include(csAlignmentNeeded);
        return;
    }
    controlState_.Exclude(csAlignmentNeeded);
    TRect rect = ClientRect();
    AlignControls(nullptr, rect);
}

void TWinControl::AlignControls(TControl*, TRect& rect) {
    std::vector<TAlignItem> items;
    items.reserve(controls_.size());
    for (TControl* c : controls_)
        items.push_back({c->Align(), c->Anchors(), c->BoundsRect(), c->AnchorRule(), c->Visible()});
    const std::vector<TRect> bounds = AlignChildren(rect, items);
    DisableAlign();
    for (std::size_t i = 0; i < controls_.size(); ++i)
        controls_[i]->SetAlignedBounds(bounds[i]);
    --alignDisabled_;
}

void TWinControl::SetScrollInfo(int bar, const TScrollInfo& info) {
    TScrollBarState& state = scrollBars_->State(bar);
    const int trackPos = state.info.trackPos;
    state.info = info;
    state.info.trackPos = trackPos;
    state.info.pos = state.Clamp(info.pos);
    state.wanted = true;
    LayoutScrollBars();
}

TScrollInfo TWinControl::GetScrollInfo(int bar) const {
    TScrollInfo info = scrollBars_->State(bar).info;
    if (!scrollBars_->State(bar).tracking) info.trackPos = info.pos;
    return info;
}

void TWinControl::ShowScrollBar(int bar, bool show) {
    if (bar == SB_BOTH) {
        scrollBars_->State(SB_HORZ).wanted = show;
        scrollBars_->State(SB_VERT).wanted = show;
    } else {
        scrollBars_->State(bar).wanted = show;
    }
    LayoutScrollBars();
}

void TWinControl::SetScrollBarDisableNoScroll(int bar, bool value) {
    scrollBars_->State(bar).disableNoScroll = value;
    LayoutScrollBars();
}

bool TWinControl::ScrollBarVisible(int bar) const {
    return scrollBars_->State(bar).Visible();
}

// Places the bars; when they take or give back room, the client area changed size.
void TWinControl::LayoutScrollBars() {
    const TRect before = ClientRect();
    if (widget_) scrollBars_->Apply(widget_, ClientRectInWindow());
    const TRect after = ClientRect();
    if (!(before == after)) {
        Realign();
        Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(after.Width(), after.Height()));
        Invalidate();
    }
}

void TWinControl::ScrollWindow(int dx, int dy, const TRect* rect) {
    if (!widget_ || !updatesEnabled_) return Invalidate();
    const TRect client = ClientRectInWindow();
    const TRect area = rect ? IntersectRect(OffsetRect(*rect, client.Left, client.Top), client) : client;
    widget_->scroll(dx, dy, ToQRect(area));
    if (!rect)
        for (TControl* c : controls_)
            if (auto* win = dynamic_cast<TWinControl*>(c))
                win->SetAlignedBounds(OffsetRect(win->BoundsRect(), dx, dy));
}

void TWinControl::CreateCaret(int width, int height) {
    if (caret_->Exists()) DestroyCaret();
    caret_->Create(width, height);
    const uint32_t interval = CaretBlinkInterval();
    Timers().SetTimer(caret_.get(), kCaretTimer, interval, [this] {
        caret_->Blink();
        InvalidateRect(caret_->Rect());
    });
}

void TWinControl::DestroyCaret() {
    if (!caret_->Exists()) return;
    InvalidateRect(caret_->Rect());
    caret_->Destroy();
    Timers().KillTimer(caret_.get(), kCaretTimer);
}

void TWinControl::SetCaretPos(int x, int y) {
    // Controls place their caret as they paint: a caret that stays put must not ask for more paint.
    if (caret_->Pos() == TPoint{x, y}) return;
    if (caret_->Visible()) InvalidateRect(caret_->Rect());
    caret_->SetPos({x, y});
    if (caret_->Visible()) InvalidateRect(caret_->Rect());
}

TPoint TWinControl::CaretPos() const {
    return caret_->Pos();
}

TRect TWinControl::CaretRect() const {
    return caret_->Rect();
}

void TWinControl::ShowCaret() {
    caret_->Show();
    if (caret_->Visible()) InvalidateRect(caret_->Rect());
}

void TWinControl::HideCaret() {
    const bool was = caret_->Visible();
    caret_->Hide();
    if (was) InvalidateRect(caret_->Rect());
}

bool TWinControl::CaretVisible() const {
    return caret_->Visible();
}

void TWinControl::SetTimer(uintptr_t id, uint32_t interval) {
    HandleNeeded();
    Timers().SetTimer(this, id, interval, [this, id] { Perform(WM_TIMER, id); });
}

void TWinControl::KillTimer(uintptr_t id) {
    if (widget_) Timers().KillTimer(this, id);
}

void TWinControl::SetImeEnabled(bool value) {
    imeEnabled_ = value;
    if (widget_) widget_->setAttribute(Qt::WA_InputMethodEnabled, value);
}

void TWinControl::Invalidate() {
    if (widget_) widget_->update();
}

void TWinControl::InvalidateRect(const TRect& rect) {
    if (!widget_) return;
    const TRect client = ClientRectInWindow();
    widget_->update(ToQRect(OffsetRect(rect, client.Left, client.Top)));
}

void TWinControl::Update() {
    if (!widget_ || !widget_->isVisible()) return;
    // Paints what is pending for the window now, as the native window would on its update request.
    QWidget* window = widget_->window();
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateLater);
}

void TWinControl::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SETFOCUS:
        if (Screen) Screen->FocusChanged(this);
        DoEnter();
        break;
    case WM_KILLFOCUS:
        DoExit();
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        HandleKey(message);
        return;
    case WM_MOUSEWHEEL:
        HandleMouseWheel(message);
        return;
    case WM_PAINT:
        PaintHandler(*reinterpret_cast<const TPaintInfo*>(message.LParam));
        return;
    case WM_NCPAINT: {
        auto& canvas = *reinterpret_cast<TCanvas*>(message.LParam);
        if (borderStyle_ == bsSingle && parent_) {
            TRect frame = Rect(0, 0, Width(), Height());
            DrawEdge(canvas, frame, EDGE_SUNKEN, BF_RECT);
        }
        // The square where two bars meet belongs to neither of them.
        if (ScrollBarVisible(SB_HORZ) && ScrollBarVisible(SB_VERT)) {
            const TRect client = ClientRectInWindow();
            const int extent = TControlScrollBars::Extent();
            canvas.Brush()->SetColor(clBtnFace);
            canvas.Brush()->SetStyle(bsSolid);
            canvas.FillRect(Rect(client.Right, client.Bottom, client.Right + extent, client.Bottom + extent));
        }
        return;
    }
    case WM_ERASEBKGND:
        if (Color() != clNone) {
            auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
            canvas->Brush()->SetColor(Color());
            canvas->Brush()->SetStyle(bsSolid);
            canvas->FillRect(canvas->ClipRect());
        }
        message.Result = 1;
        return;
    case WM_SIZE:
        Realign();
        Resize();
        break;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        for (TControl* child : std::vector<TControl*>(controls_))
            if (child->Visible() && child->Enabled() &&
                (message.Result = child->Perform(message.Msg, message.WParam, message.LParam)))
                return;
        return;
    case WM_SETREDRAW:
        updatesEnabled_ = message.WParam != 0;
        if (widget_) widget_->setUpdatesEnabled(updatesEnabled_);
        break;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_SHOWHINTCHANGED: {
        const uint32_t notice = message.Msg == CM_FONTCHANGED    ? CM_PARENTFONTCHANGED
                                : message.Msg == CM_COLORCHANGED ? CM_PARENTCOLORCHANGED
                                                                 : CM_PARENTSHOWHINTCHANGED;
        TControl::WndProc(message);
        for (TControl* child : std::vector<TControl*>(controls_))
            child->Perform(notice);
        return;
    }
    default:
        break;
    }
    TControl::WndProc(message);
}

void TWinControl::HandleKey(TMessage& message) {
    // Escape ends a drag without a drop, wherever the focus is.
    if (message.Msg == WM_KEYDOWN && message.WParam == VK_ESCAPE && DragActive()) {
        FinishDrag(false);
        return;
    }
    // A shortcut of the form's menu or action lists runs before the control sees the key.
    if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN)
        if (TCustomForm* form = GetParentForm(this);
            form &&
            form->IsShortCut(static_cast<uint16_t>(message.WParam), KeyDataToShiftState(message.LParam)))
            return;
    // The outermost window that previews keys sees them first, then this control.
    TWinControl* preview = nullptr;
    for (TWinControl* p = parent_; p; p = p->parent_)
        if (p->WantsKeyPreview()) preview = p;
    for (TWinControl* target : {preview, this}) {
        if (!target) continue;
        if (message.Msg == WM_CHAR || message.Msg == WM_SYSCHAR) {
            auto key = static_cast<char16_t>(message.WParam);
            target->KeyPress(key);
            message.WParam = key;
        } else {
            auto key = static_cast<uint16_t>(message.WParam);
            const TShiftState shift = KeyDataToShiftState(message.LParam);
            if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN)
                target->KeyDown(key, shift);
            else
                target->KeyUp(key, shift);
            message.WParam = key;
        }
        if (message.WParam == 0) return;
    }
    // Return and Escape that the control does not want go to the form's default and cancel buttons.
    if (message.Msg == WM_KEYDOWN && (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) &&
        !(Perform(WM_GETDLGCODE) & DLGC_WANTALLKEYS))
        if (TCustomForm* form = GetParentForm(this);
            form && form->Perform(CM_DIALOGKEY, message.WParam, message.LParam))
            return;
    // An Alt+character nobody took is an accelerator: the form offers it to its controls.
    if (message.Msg == WM_SYSCHAR)
        if (TCustomForm* form = GetParentForm(this);
            form && form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam))
            return;
    DefaultHandler(message);
}

void TWinControl::HandleMouseWheel(TMessage& message) {
    // Small steps of a fine wheel add up: the control sees whole notches only.
    const int delta = static_cast<int16_t>(HiWord(message.WParam));
    if ((wheelAccumulator_ < 0) != (delta < 0)) wheelAccumulator_ = 0;
    wheelAccumulator_ += delta;
    const int notches = wheelAccumulator_ / WHEEL_DELTA;
    if (notches == 0) return;
    wheelAccumulator_ -= notches * WHEEL_DELTA;
    const uintptr_t wParam =
        LoWord(message.WParam) | (static_cast<uintptr_t>(static_cast<uint16_t>(notches * WHEEL_DELTA)) << 16);
    for (TControl* c = this; c; c = c->Parent()) {
        message.Result = c->Perform(CM_MOUSEWHEEL, wParam, message.LParam);
        if (message.Result) return;
    }
    DefaultHandler(message);
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char16_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::PaintHandler(const TPaintInfo& info) {
    QPainter& painter = *info.painter;
    // Each area gets a canvas bound after the painter is moved and clipped to it: a canvas rebuilds
    // its clip and origin on the state it found when painting began.
    WithCanvasOn(painter,
                 [&](TCanvas& frame) { Perform(WM_NCPAINT, 0, reinterpret_cast<intptr_t>(&frame)); });

    const TRect client = ClientRectInWindow();
    const TRect update = IntersectRect(info.updateRect, ClientRect());
    if (update.IsEmpty()) return;
    painter.save();
    painter.translate(client.Left, client.Top);
    painter.setClipRect(ToQRect(update));
    WithCanvasOn(painter, [&](TCanvas& canvas) {
        canvas.SetFont(Font());
        Perform(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(&canvas));
        PaintWindow(canvas, update);
    });
    if (caret_->Drawn()) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(ToQRect(caret_->Rect()), Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.restore();
}

void TWinControl::PaintWindow(TCanvas& canvas, const TRect& updateRect) {
    PaintControls(canvas, updateRect);
}

void TWinControl::PaintControls(TCanvas& canvas, const TRect& updateRect) {
    QPainter* painter = canvas.Painter();
    if (!painter) return;
    for (TControl* c : controls_) {
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        const TRect area = IntersectRect(c->BoundsRect(), updateRect);
        if (area.IsEmpty()) continue;
        painter->save();
        painter->setClipRect(ToQRect(area), Qt::IntersectClip);
        painter->translate(c->Left(), c->Top());
        WithCanvasOn(*painter, [c](TCanvas& own) { c->PaintTo(own); });
        painter->restore();
    }
}

// ---------------------------------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(TCanvas& canvas, const TRect& updateRect) {
    canvas.SetFont(Font());
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    const TScopedValue<TCanvas*> painting(canvas_, &canvas);
    Paint();
    PaintControls(canvas, updateRect);
}

} // namespace ui
