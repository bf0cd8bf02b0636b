// Forms and frames: top-level windows built in code, modal showing and closing.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Region.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition {
    poDesigned,
    poDefault,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsStayOnTop };

class TCustomForm;
class TMainMenu;
class TMenuBarHost;

// A control is being destroyed: the screen, its form and the application forget it.
void ControlGone(TControl* control);

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// A window of its own (or, given a parent, a region of another window) built in code: caption, frame
// style, placement, the active control, modal showing with a result, and the close protocol.
class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    TBorderStyle FormBorderStyle() const { return formBorderStyle_; }
    void SetFormBorderStyle(TBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    // Sizes the window may take; 0 is no limit. WM_GETMINMAXINFO may narrow them.
    void SetSizeConstraints(int minWidth, int minHeight, int maxWidth, int maxHeight);
    // Asks WM_GETMINMAXINFO and WM_NCHITTEST again: a frame whose borders answer as no sizing border
    // keeps its size and loses the maximise button.
    void UpdateSizeLimits() { ApplySizeLimits(); }

    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // The form sees key messages before its active control (KeyDown, KeyPress of the form).
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    // True while the form's window is the active one.
    bool Active() const { return active_; }

    // Shows the form and runs the application until ModalResult is set; then hides it and returns
    // the result. Raises EInvalidOperation for a form that is already showing.
    virtual TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }
    // The close protocol: CloseQuery, then OnClose with caHide, then what the action says (the main
    // form ends the application). A modal form just gets mrCancel.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the events being handled now are done.
    void Release();
    // Runs the action updates of this form's controls (the application does it when idle).
    virtual void UpdateActions();

    // The menu shown as the window's menu bar, above the client area.
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    // Shows the menu's items again (after items were added, renamed or hidden).
    void RefreshMenu();
    // A key the menu or one of the form's action lists runs; true when something ran.
    virtual bool IsShortCut(uint16_t key, TShiftState shift);

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;

    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void DoShow();
    void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();
    void ApplyVisible() override;
    bool WantsKeyPreview() const override;
    TRect NonClientInsets() const override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TScreen;
    friend void ControlGone(TControl* control);
    void ControlGone(TControl* control);
    void ApplyWindowFlags();
    void ApplySizeLimits();
    void PlaceOnShow();
    void CloseModal();

    TBorderStyle formBorderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TFormStyle formStyle_ = fsNormal;
    TMinMaxInfo limits_{};
    TWinControl* activeControl_ = nullptr;
    bool keyPreview_ = false;
    bool active_ = false;
    bool modal_ = false;
    bool placed_ = false;
    TModalResult modalResult_ = mrNone;
    TMainMenu* menu_ = nullptr;
    std::unique_ptr<TMenuBarHost> menuBar_;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// A reusable group of controls, built in code and placed on a form like a panel.
class TFrame : public TCustomControl {
public:
    explicit TFrame(TComponent* owner);
};

// The form that holds `control`, or null.
TCustomForm* GetParentForm(const TControl* control);

// A display: its rectangle and the part windows may use.
struct TMonitor {
    TRect BoundsRect;
    TRect WorkareaRect;
    bool Primary = false;
};

// The screen: its forms (in creation order), the active form and control, the mouse cursor shown over
// everything, and the displays.
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const { return forms_.at(static_cast<std::size_t>(index)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const { return activeControl_; }

    // A cursor over the whole program (crDefault: each control's own).
    TCursor Cursor() const;
    void SetCursor(TCursor cursor);
    // The program's own cursors by index.
    TScreenCursors& Cursors() const { return ScreenCursors(); }

    int PixelsPerInch() const { return ScreenPixelsPerInch(); }
    int Width() const { return DesktopRect().Width(); }
    int Height() const { return DesktopRect().Height(); }
    // All displays together, and the primary display's work area.
    TRect DesktopRect() const;
    TRect WorkAreaRect() const;
    int MonitorCount() const;
    TMonitor Monitors(int index) const;
    // The display that holds the point or most of the rectangle (the nearest one otherwise).
    TMonitor MonitorFromPoint(TPoint p) const;
    TMonitor MonitorFromRect(const TRect& r) const;

    TFont* HintFont() const { return hintFont_.get(); }

    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

    // ---- Framework side ----
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void FormActivated(TCustomForm* form, bool active);
    void FocusChanged(TWinControl* control);
    void ControlGone(TControl* control);

private:
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    std::unique_ptr<TFont> hintFont_;
};

// The alpha of a top-level window, from 0 (invisible) to 255 (opaque); without a compositor the
// window shows opaque whatever it holds.
uint8_t AlphaBlendValue(const TWinControl& window);
void SetAlphaBlendValue(TWinControl& window, uint8_t alpha);
// The shape of a window in its own coordinates: outside it the window shows nothing and takes no
// input. None (or an empty region) gives the whole window back.
void SetWindowRegion(TWinControl& window, const TRegion* region);
// The shape set, empty for the whole window.
TRegion WindowRegion(const TWinControl& window);

// The screen while an application object exists.
extern TScreen* Screen;

} // namespace ui
