// Controls: the base control, windowed and graphic controls, their actions and input.
#pragma once

#include "platform/rtl/Exception.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Actions.h"
#include "platform/ui/AlignLayout.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/DragObjects.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QPainter;

namespace ui {

class TWinControl;
class TControlActionLink;
class TCaret;
class TControlScrollBars;

// What a control class is able to do.
enum TControlStyleMember {
    csAcceptsControls,
    csCaptureMouse, // a left press captures the mouse until the release
    csClickEvents,  // a press and release inside the control is a Click
    csFramed,
    csSetCaption,
    csOpaque, // paints its whole rectangle, nothing behind it shows through
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoStdEvents, // the mouse messages skip the OnMouseDown/Up/Move events
    csReplicatable,
    csActionClient,
};
using TControlStyle = rtl::Set<TControlStyleMember, 32>;

// What a control is doing at the moment.
enum TControlStateMember {
    csLButtonDown,
    csClicked,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csRecreating,
};
using TControlState = rtl::Set<TControlStateMember, 32>;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, TPoint mousePos, bool& handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
// Typed characters are UTF-16 code units; a character outside the basic plane comes as two.
using TKeyPressEvent = std::function<void(TObject* sender, char16_t& key)>;

// What a control's window procedure receives with WM_PAINT (LParam): the painter of the paint event,
// in window coordinates, and the rectangle to repaint in client coordinates.
struct TPaintInfo {
    QPainter* painter = nullptr;
    TRect updateRect;
};

// A visual element in a parent window: bounds, alignment, visibility, font, colour, hint and the
// message flow. Every message goes through WindowProc, which starts as WndProc; a hook saves the
// current WindowProc, installs its own and calls the saved one for what it does not swallow.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return bounds_.Left; }
    int Top() const { return bounds_.Top; }
    int Width() const { return bounds_.Width(); }
    int Height() const { return bounds_.Height(); }
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    const TRect& BoundsRect() const { return bounds_; }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual void SetBounds(int left, int top, int width, int height);

    // The client area in client coordinates: the whole control less borders and scroll bars.
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientSize(int width, int height);
    // Where the client area's (0, 0) lies, in screen coordinates.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // The control's client point as a point of its parent's client area.
    TPoint ClientToParent(TPoint p) const;

    // ---- Dragging inside the program ----
    // dmAutomatic: a left press starts a drag once the mouse moves past the drag threshold.
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode mode) { dragMode_ = mode; }
    // The cursor over a target that accepts the drop.
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor cursor) { dragCursor_ = cursor; }
    // Starts dragging this control: at once, or once the mouse moved `threshold` pixels (-1: the
    // system's drag distance) with the button down.
    void BeginDrag(bool immediate, int threshold = -1);
    bool Dragging() const;
    // Ends this control's drag, dropping it on the target that accepts it or not.
    void EndDrag(bool drop);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all parents up to a window that is shown.
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The text of the control (caption or edit text), UTF-8. Setting a different text sends
    // CM_TEXTCHANGED once.
    std::string Text() const;
    void SetText(const std::string& text);
    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& caption) { SetText(caption); }

    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont* font) { font_->Assign(font); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    // "short|long": the short part shows as the tooltip, the long part as the application's hint.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);

    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }
    TControlState ControlState() const { return controlState_; }
    void SetControlState(TControlState state) { controlState_ = state; }

    // ---- Messages ----
    std::function<void(TMessage&)> WindowProc;
    // Sends a message through WindowProc and returns its result.
    intptr_t Perform(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    // The control's own handling; an override handles its messages and passes the rest on.
    virtual void WndProc(TMessage& message);
    // What happens to a message nobody handled: the native window's own handling.
    virtual void DefaultHandler(TMessage& message);

    // ---- Painting ----
    // Marks the whole control (or a client rectangle) for the next paint.
    virtual void Invalidate();
    virtual void InvalidateRect(const TRect& rect);
    // Paints what is marked now; Repaint marks everything first.
    virtual void Update();
    void Repaint();

    bool MouseCapture() const;
    void SetMouseCapture(bool capture);
    void BringToFront();
    void SendToBack();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // ---- Framework side ----
    // The drag's calls on its source and targets. DragOver answers whether the drop is accepted (a
    // control without OnDragOver refuses).
    virtual void DoStartDrag(TDragObject*& dragObject);
    virtual bool DragOver(TObject* source, int x, int y, TDragState state);
    virtual void DragDrop(TObject* source, int x, int y);
    virtual void DoEndDrag(TObject* target, int x, int y);
    // The bounds the anchors follow from, as they were when last set from outside a layout.
    const TAnchorRule& AnchorRule() const { return anchorRule_; }
    // Sets the bounds from a layout pass without changing the anchor rule.
    void SetAlignedBounds(const TRect& bounds);
    // Paints the control on `canvas`, whose origin is the control's client origin.
    virtual void PaintTo(TCanvas& canvas);
    // Brings the control's action up to date (idle time).
    virtual void InitiateAction();

    // The action the control shows and runs: its caption, enabled, visible and hint state (and what a
    // control kind takes over besides) follow the action, and a click without OnClick runs it.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);

protected:
    TControlActionLink* ActionLink() const { return actionLink_.get(); }
    // The link a control kind needs to follow the state it shows.
    virtual std::unique_ptr<TControlActionLink> CreateActionLink();
    // Takes over the action's state when the action is set.
    virtual void ActionChange(const TCustomAction& action);
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // The wheel: OnMouseWheel with the delta as it came, then OnMouseWheelDown/Up; true when handled.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
    virtual void Resize();
    // The window text as the native window keeps it (the control's own store while it has none).
    virtual std::string GetWindowText() const { return text_; }
    virtual void SetWindowText(const std::string& text) { text_ = text; }
    // Called after the bounds changed (SetBounds or the window system).
    virtual void BoundsChanged();
    // Font, colour and cursor reached the native window.
    virtual void ApplyFont() {}
    virtual void ApplyColor() {}
    virtual void ApplyCursor() {}
    virtual void ApplyVisible() {}
    virtual void ApplyEnabled() {}
    // Asks the parent to lay out its children again.
    void RequestAlign();

private:
    void FontChanged();
    void HandleMouseButton(TMessage& message);
    void UpdateAnchorRule();

    friend class TWinControl;

    TWinControl* parent_ = nullptr;
    TRect bounds_;
    TAlign align_ = alNone;
    TAnchors anchors_ = kDefaultAnchors;
    TAnchorRule anchorRule_;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    TCursor cursor_ = crDefault;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csDoubleClicks};
    TControlState controlState_;
    std::unique_ptr<TControlActionLink> actionLink_;
    TDragMode dragMode_ = dmManual;
    TCursor dragCursor_ = crDrag;
};

// Shows an action's caption, enabled, visible and hint state in a control, while the control's own
// value still equals the action's (a control given a value of its own keeps it).
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TControl* control);

    bool IsCaptionLinked() override;
    bool IsEnabledLinked() override;
    bool IsHintLinked() override;
    bool IsVisibleLinked() override;

    void SetCaption(const std::string& caption) override;
    void SetEnabled(bool enabled) override;
    void SetHint(const std::string& hint) override;
    void SetVisible(bool visible) override;

protected:
    TControl* Control() const { return control_; }

private:
    TControl* control_;
};

// A control without a window of its own: its parent paints it and routes the mouse to it.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    // Valid while painting.
    TCanvas* Canvas() const { return canvas_; }
    void PaintTo(TCanvas& canvas) override;

protected:
    virtual void Paint() {}

private:
    TCanvas* canvas_ = nullptr;
};

// The scroll-bar state of SetScrollInfo/GetScrollInfo.
struct TScrollInfo {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    int trackPos = 0; // read only: where the thumb is while it is dragged
};

// A control with a native window: children, the keyboard focus, keys, scroll bars, caret, window
// timers. The window is created on demand (Handle) or with its parent's, destroyed with its parent's,
// and re-created with everything set on the control kept.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    // Frees the child controls first.
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    bool ContainsControl(const TControl* control) const;
    // The visible child whose rectangle holds the client point, topmost first; null when none.
    TControl* ControlAtPos(TPoint p, bool allowDisabled = false, bool allowWinControls = false) const;
    // Moves a child in the z-order (0 = bottom).
    void SetChildOrder(TControl* child, int order);

    // The native window, created when needed.
    HWND Handle();
    bool HandleAllocated() const { return widget_ != nullptr; }
    void HandleNeeded();
    // Destroys the window and creates it again when it exists; every property survives.
    void RecreateWnd();

    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    // Layout of the children.
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    void Realign();

    // ---- Scroll bars (SB_HORZ or SB_VERT) ----
    // Range, page and position at once, without a scroll message in return.
    void SetScrollInfo(int bar, const TScrollInfo& info);
    TScrollInfo GetScrollInfo(int bar) const;
    void ShowScrollBar(int bar, bool show);
    // A bar that cannot scroll is shown disabled instead of hidden.
    void SetScrollBarDisableNoScroll(int bar, bool value);
    bool ScrollBarVisible(int bar) const;
    // Moves the client content (or a client rectangle of it) by (dx, dy); what is uncovered is repainted.
    void ScrollWindow(int dx, int dy, const TRect* rect = nullptr);

    // ---- Caret: one per window, drawn over the paint, blinking while shown ----
    void CreateCaret(int width, int height);
    void DestroyCaret();
    void SetCaretPos(int x, int y);
    TPoint CaretPos() const;
    TRect CaretRect() const;
    // Nesting: the caret shows when ShowCaret has been called as often as HideCaret.
    void ShowCaret();
    void HideCaret();
    bool CaretVisible() const;

    // ---- Window timers: WM_TIMER with the id every `interval` ms; 0 never fires. They live as long
    // as the window: without one, SetTimer creates it and KillTimer does nothing. ----
    void SetTimer(uintptr_t id, uint32_t interval);
    void KillTimer(uintptr_t id);

    // The input method sends WM_IME_COMPOSITION to this control while true.
    void SetImeEnabled(bool value);

    void Invalidate() override;
    void InvalidateRect(const TRect& rect) override;
    void Update() override;
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    bool Showing() const override;

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // ---- Framework side ----
    QWidget* Widget() const { return widget_; }
    // Where the client area lies inside the window.
    TRect ClientRectInWindow() const;
    void WndProc(TMessage& message) override;
    // Lays out the aligned and anchored children in `rect` (the client area by default).
    virtual void AlignControls(TControl* changed, TRect& rect);

protected:
    // The native window: created for the parent's window (null for a top-level window). The base makes
    // an empty window that paints through WM_PAINT.
    virtual QWidget* CreateWidget(QWidget* parentWidget);
    // Creates the window and applies the control's properties; then the children's windows.
    virtual void CreateWnd();
    // Called before the window goes: a descendant keeps what only the window knew (edit texts).
    virtual void DestroyWnd();
    void CreateHandle();
    void DestroyHandle();

    virtual void KeyDown(uint16_t& key, TShiftState shift);
    virtual void KeyUp(uint16_t& key, TShiftState shift);
    virtual void KeyPress(char16_t& key);
    virtual void DoEnter();
    virtual void DoExit();
    // A window that sees the key messages of its descendants first (a form's KeyPreview).
    virtual bool WantsKeyPreview() const { return false; }
    // Paints the client area (WM_PAINT): the base fills it with Color, then paints the graphic children.
    virtual void PaintWindow(TCanvas& canvas, const TRect& updateRect);
    void PaintControls(TCanvas& canvas, const TRect& updateRect);
    // The native window's border and bars take this much of each side.
    virtual TRect NonClientInsets() const;

    void SetWindowText(const std::string& text) override;
    void BoundsChanged() override;
    void ApplyFont() override;
    void ApplyColor() override;
    void ApplyCursor() override;
    void ApplyVisible() override;
    void ApplyEnabled() override;

private:
    friend class TControl;
    friend class TWidgetBridge;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void ApplyAll();
    void PaintHandler(const TPaintInfo& info);
    void HandleMouseWheel(TMessage& message);
    void HandleKey(TMessage& message);
    void LayoutScrollBars();

    std::vector<TControl*> controls_; // z-order, bottom first
    QWidget* widget_ = nullptr;
    bool tabStop_ = false;
    TBorderStyle borderStyle_ = bsNone;
    int alignDisabled_ = 0;
    int wheelAccumulator_ = 0;
    bool imeEnabled_ = false;
    bool updatesEnabled_ = true;
    std::unique_ptr<TControlScrollBars> scrollBars_;
    std::unique_ptr<TCaret> caret_;
};

// A windowed control that paints itself: Paint draws on Canvas in client coordinates.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    // Valid while painting.
    TCanvas* Canvas() const { return canvas_; }

protected:
    virtual void Paint();
    void PaintWindow(TCanvas& canvas, const TRect& updateRect) override;

private:
    TCanvas* canvas_ = nullptr;
};

// The control whose window `window` is; null for a foreign window.
TWinControl* FindControl(HWND window);
// The control that has the mouse captured, or null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The shift state of the keyboard right now.
TShiftState KeyboardShiftState();

} // namespace ui
