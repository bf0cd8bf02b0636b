#include "platform/ui/Forms.h"

#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/WidgetBridge.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace ui {

TScreen* Screen = nullptr;

// The window's menu bar and what it shows.
class TMenuBarHost {
public:
    ~TMenuBarHost() { delete bar.data(); }
    QPointer<QMenuBar> bar;
    std::string signature;
};

namespace {

// Forms waiting to be freed (Release), in the order they asked.
std::vector<TCustomForm*>& PendingRelease() {
    static std::vector<TCustomForm*> forms;
    return forms;
}

void FreeReleasedForms() {
    std::vector<TCustomForm*> forms;
    forms.swap(PendingRelease());
    for (TCustomForm* form : forms)
        delete form;
}

Qt::WindowFlags WindowFlagsFor(TBorderStyle border, TFormStyle style) {
    Qt::WindowFlags flags = Qt::Window;
    switch (border) {
    case bsNone:
        flags |= Qt::FramelessWindowHint;
        break;
    case bsDialog:
        flags = Qt::Dialog;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        flags = Qt::Tool;
        break;
    default:
        break;
    }
    if (style == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

bool FixedSize(TBorderStyle border) {
    return border == bsSingle || border == bsDialog || border == bsToolWindow;
}

// How near its edge a point of a sizable frame sizes the window.
constexpr int kSizingBorder = 4;

// The sizing border of `window` (screen coordinates) under a point, or HTCLIENT inside.
intptr_t FrameHitTest(const TRect& window, TPoint p) {
    if (!PtInRect(window, p)) return HTNOWHERE;
    const bool left = p.X < window.Left + kSizingBorder;
    const bool right = p.X >= window.Right - kSizingBorder;
    const bool top = p.Y < window.Top + kSizingBorder;
    const bool bottom = p.Y >= window.Bottom - kSizingBorder;
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    return left ? HTLEFT : right ? HTRIGHT : HTCLIENT;
}

// Shows or takes away the maximise button (the window system adds the usual buttons to a window that
// names none). Changing the flags hides a shown window; it comes back.
void ShowMaximizeButton(QWidget* widget, Qt::WindowFlags flags, bool show) {
    if (show != static_cast<bool>(widget->windowFlags() & Qt::CustomizeWindowHint)) return;
    if (!show)
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    const bool shown = widget->isVisible();
    widget->setWindowFlags(flags);
    if (shown) widget->show();
}

TRect CentredIn(const TRect& area, int width, int height) {
    return Bounds(area.Left + (area.Width() - width) / 2, area.Top + (area.Height() - height) / 2, width,
                  height);
}

} // namespace

TCustomForm* GetParentForm(const TControl* control) {
    const TControl* top = control;
    while (top && top->Parent())
        top = top->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

// ---------------------------------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner), menuBar_(std::make_unique<TMenuBarHost>()) {
    SetVisible(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 320, 240);
    if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Destroying();
    if (OnDestroy) OnDestroy(this);
    auto& pending = PendingRelease();
    pending.erase(std::remove(pending.begin(), pending.end(), this), pending.end());
    if (Screen) Screen->RemoveForm(this);
    if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

QWidget* TCustomForm::CreateWidget(QWidget* parentWidget) {
    auto* widget = CreateControlWidget(this, parentWidget);
    if (!parentWidget) widget->setWindowFlags(WindowFlagsFor(formBorderStyle_, formStyle_));
    return widget;
}

void TCustomForm::ApplyWindowFlags() {
    if (!Widget() || Parent()) return;
    const bool shown = Widget()->isVisible();
    Widget()->setWindowFlags(WindowFlagsFor(formBorderStyle_, formStyle_));
    ApplySizeLimits();
    if (shown) Widget()->show();
}

void TCustomForm::SetFormBorderStyle(TBorderStyle style) {
    if (style == formBorderStyle_) return;
    formBorderStyle_ = style;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
    if (style == formStyle_) return;
    formStyle_ = style;
    ApplyWindowFlags();
}

TWindowState TCustomForm::WindowState() const {
    if (!Widget()) return windowState_;
    const Qt::WindowStates states = Widget()->windowState();
    if (states & Qt::WindowMinimized) return wsMinimized;
    if (states & Qt::WindowMaximized) return wsMaximized;
    return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (!Widget()) return;
    Widget()->setWindowState(state == wsMinimized   ? Qt::WindowMinimized
                             : state == wsMaximized ? Qt::WindowMaximized
                                                    : Qt::WindowNoState);
}

void TCustomForm::SetSizeConstraints(int minWidth, int minHeight, int maxWidth, int maxHeight) {
    limits_.MinTrackSize = {minWidth, minHeight};
    limits_.MaxTrackSize = {maxWidth, maxHeight};
    ApplySizeLimits();
}

// The window system keeps the window within what WM_GETMINMAXINFO answers; a fixed frame keeps the size.
void TCustomForm::ApplySizeLimits() {
    if (!Widget() || Parent()) return;
    TMinMaxInfo info = limits_;
    Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&info));
    if (FixedSize(formBorderStyle_)) {
        Widget()->setFixedSize(Width(), Height());
        return;
    }
    // A handler may answer the sizing borders of a sizable frame as none: then it neither sizes nor
    // maximises. Frames without borders (pop-ups, hints) keep sizing under the program's control.
    if (formBorderStyle_ == bsSizeable || formBorderStyle_ == bsSizeToolWin) {
        const TRect window = BoundsRect();
        const intptr_t corner =
            Perform(WM_NCHITTEST, 0, PointToLParam({window.Right - 1, window.Bottom - 1}));
        const bool sizing = corner >= HTLEFT && corner <= HTBOTTOMRIGHT;
        ShowMaximizeButton(Widget(), WindowFlagsFor(formBorderStyle_, formStyle_), sizing);
        if (!sizing) {
            Widget()->setFixedSize(Width(), Height());
            return;
        }
    }
    Widget()->setMinimumSize(std::max(info.MinTrackSize.X, 0), std::max(info.MinTrackSize.Y, 0));
    Widget()->setMaximumSize(info.MaxTrackSize.X > 0 ? info.MaxTrackSize.X : QWIDGETSIZE_MAX,
                             info.MaxTrackSize.Y > 0 ? info.MaxTrackSize.Y : QWIDGETSIZE_MAX);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    activeControl_ = control;
    if (control && active_ && control->CanFocus()) control->SetFocus();
}

void TCustomForm::ApplyVisible() {
    if (Parent()) return TWinControl::ApplyVisible();
    const bool quiet = ControlState().Contains(csRecreating);
    if (Visible()) {
        HandleNeeded();
        if (Widget()->isVisible()) return;
        PlaceOnShow();
        ApplySizeLimits();
        if (!quiet) DoShow();
        SetWindowState(windowState_);
        Widget()->show();
    } else if (Widget() && Widget()->isVisible()) {
        Widget()->hide();
        if (!quiet) DoHide();
    }
}

void TCustomForm::PlaceOnShow() {
    if (placed_ || Parent()) return;
    placed_ = true;
    TRect area;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        if (Screen) area = Screen->WorkAreaRect();
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        const TCustomForm* other = position_ == poMainFormCenter && Application
                                       ? Application->MainForm()
                                       : dynamic_cast<TCustomForm*>(Owner());
        if (other && other != this)
            area = other->BoundsRect();
        else if (Screen)
            area = Screen->WorkAreaRect();
        break;
    }
    default:
        return;
    }
    if (!area.IsEmpty()) SetBoundsRect(CentredIn(area, Width(), Height()));
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

bool TCustomForm::WantsKeyPreview() const {
    return keyPreview_;
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    default:
        Release();
        break;
    }
}

void TCustomForm::Release() {
    auto& pending = PendingRelease();
    if (std::find(pending.begin(), pending.end(), this) != pending.end()) return;
    pending.push_back(this);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { FreeReleasedForms(); }, Qt::QueuedConnection);
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    if (action == caNone) modalResult_ = mrNone;
    if (action == caFree) Release();
}

TModalResult TCustomForm::ShowModal() {
    if (modal_ || (Widget() && Widget()->isVisible()) || Parent())
        throw EInvalidOperation("Cannot make a visible window modal");
    modal_ = true;
    modalResult_ = mrNone;
    struct EndModal {
        TCustomForm& form;
        ~EndModal() {
            form.modal_ = false;
            form.Hide();
            if (form.Widget()) form.Widget()->setWindowModality(Qt::NonModal);
        }
    } endModal{*this};

    HandleNeeded();
    Widget()->setWindowModality(Qt::ApplicationModal);
    Show();
    while (true) {
        if (const TModalAnswerer& answer = ModalAnswerer()) {
            answer(*this);
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
        } else if (modalResult_ == mrNone) {
            if (Application)
                Application->HandleMessage();
            else
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (Application && Application->Terminated()) modalResult_ = mrCancel;
        }
        if (modalResult_ != mrNone) {
            CloseModal();
            if (modalResult_ != mrNone) return modalResult_;
        }
    }
}

void TCustomForm::UpdateActions() {
    if (!Showing()) return;
    RefreshMenu();
    const std::function<void(TControl*)> traverse = [&](TControl* control) {
        if (!control->Visible()) return;
        control->InitiateAction();
        if (auto* win = dynamic_cast<TWinControl*>(control))
            for (int i = 0; i < win->ControlCount(); ++i)
                traverse(win->Controls(i));
    };
    traverse(this);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu == menu_) return;
    if (menu_) menu_->RemoveFreeNotification(this);
    menu_ = menu;
    if (menu_) menu_->FreeNotification(this);
    menuBar_->signature.clear();
    RefreshMenu();
}

void TCustomForm::RefreshMenu() {
    const bool wanted = menu_ && Widget() && !Parent();
    if (wanted && menuBar_->bar && MenuBarSignature(*menu_) == menuBar_->signature) return;
    const TRect before = ClientRect();
    if (!wanted) {
        delete menuBar_->bar.data();
    } else {
        if (!menuBar_->bar) {
            menuBar_->bar = new QMenuBar(Widget());
            menuBar_->bar->setPalette(SystemPalette());
            menuBar_->bar->show();
        }
        FillMenuBar(*menuBar_->bar, *menu_,
                    [this](TMenuItem* item) { Perform(WM_MENUSELECT, 0, reinterpret_cast<intptr_t>(item)); });
        menuBar_->signature = MenuBarSignature(*menu_);
        menuBar_->bar->setGeometry(0, 0, Width(), menuBar_->bar->sizeHint().height());
    }
    // The bar takes its room from the client area.
    if (!(ClientRect() == before)) {
        Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(ClientWidth(), ClientHeight()));
        Invalidate();
    }
}

TRect TCustomForm::NonClientInsets() const {
    TRect insets = TWinControl::NonClientInsets();
    if (menuBar_->bar) insets.Top += menuBar_->bar->height();
    return insets;
}

bool TCustomForm::IsShortCut(uint16_t key, TShiftState shift) {
    if (menu_ && menu_->IsShortCut(key, shift)) return true;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TCustomActionList*>(Components(i));
            list && list->IsShortCut(key, shift))
            return true;
    return false;
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == menu_) {
        menu_ = nullptr;
        RefreshMenu();
    }
}

void TCustomForm::ControlGone(TControl* control) {
    if (activeControl_ == control) activeControl_ = nullptr;
}

void TCustomForm::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_MENUSELECT:
        ShowMenuItemHint(reinterpret_cast<const TMenuItem*>(message.LParam));
        return;
    case WM_NCHITTEST: {
        const intptr_t hit = FrameHitTest(BoundsRect(), PointFromLParam(message.LParam));
        const bool sizable = formBorderStyle_ == bsSizeable || formBorderStyle_ == bsSizeToolWin;
        message.Result = hit == HTNOWHERE || sizable ? hit : HTCLIENT;
        return;
    }
    case WM_ACTIVATE:
        active_ = message.WParam != 0;
        if (Screen) Screen->FormActivated(this, active_);
        if (active_) {
            if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
            Activate();
        } else {
            Deactivate();
        }
        return;
    case WM_CREATE:
        TWinControl::WndProc(message);
        RefreshMenu();
        return;
    case WM_SIZE:
        if (menuBar_->bar) menuBar_->bar->resize(Width(), menuBar_->bar->height());
        TWinControl::WndProc(message);
        return;
    case WM_SETFOCUS:
        // The form passes the focus on to its active control.
        TWinControl::WndProc(message);
        if (activeControl_ && activeControl_ != this && activeControl_->CanFocus())
            activeControl_->SetFocus();
        return;
    default:
        TWinControl::WndProc(message);
        return;
    }
}

// ---------------------------------------------------------------------------------------------------
// TFrame

TFrame::TFrame(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(0, 0, 320, 240);
    SetColor(clBtnFace);
}

// ---------------------------------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner), hintFont_(std::make_unique<TFont>()) {
    hintFont_->SetName("Tahoma");
    hintFont_->SetColor(clInfoText);
    Screen = this;
}

TScreen::~TScreen() {
    if (Screen == this) Screen = nullptr;
}

void TScreen::AddForm(TCustomForm* form) {
    forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    if (activeForm_ == form) activeForm_ = nullptr;
    if (activeControl_ && GetParentForm(activeControl_) == form) activeControl_ = nullptr;
}

void TScreen::FormActivated(TCustomForm* form, bool active) {
    if (!active || form == activeForm_) return;
    activeForm_ = form;
    if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::FocusChanged(TWinControl* control) {
    if (TCustomForm* form = GetParentForm(control); form && form != control) form->activeControl_ = control;
    if (control == activeControl_) return;
    activeControl_ = control;
    if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::ControlGone(TControl* control) {
    if (activeControl_ == control) activeControl_ = nullptr;
}

TCursor TScreen::Cursor() const {
    return ScreenCursor();
}

void TScreen::SetCursor(TCursor cursor) {
    SetScreenCursor(cursor);
}

TRect TScreen::DesktopRect() const {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens())
        all = all.united(screen->geometry());
    return FromQRect(all);
}

TRect TScreen::WorkAreaRect() const {
    return WorkArea();
}

int TScreen::MonitorCount() const {
    return static_cast<int>(QGuiApplication::screens().size());
}

TMonitor TScreen::Monitors(int index) const {
    const QScreen* screen = QGuiApplication::screens().at(index);
    return {FromQRect(screen->geometry()), FromQRect(screen->availableGeometry()),
            screen == QGuiApplication::primaryScreen()};
}

TMonitor TScreen::MonitorFromPoint(TPoint p) const {
    return MonitorFromRect(Bounds(p.X, p.Y, 1, 1));
}

TMonitor TScreen::MonitorFromRect(const TRect& r) const {
    int best = 0;
    long long bestArea = -1;
    long long bestDistance = -1;
    for (int i = 0; i < MonitorCount(); ++i) {
        const TRect bounds = Monitors(i).BoundsRect;
        const TRect common = IntersectRect(bounds, r);
        const long long area = static_cast<long long>(common.Width()) * common.Height();
        const long long dx = std::max({bounds.Left - r.Right, r.Left - bounds.Right, 0});
        const long long dy = std::max({bounds.Top - r.Bottom, r.Top - bounds.Bottom, 0});
        const long long distance = dx * dx + dy * dy;
        if (area > bestArea || (area == 0 && bestArea == 0 && distance < bestDistance)) {
            best = i;
            bestArea = area;
            bestDistance = distance;
        }
    }
    return Monitors(best);
}

uint8_t AlphaBlendValue(const TWinControl& window) {
    if (!window.HandleAllocated()) return 255;
    return static_cast<uint8_t>(std::lround(window.Widget()->windowOpacity() * 255));
}

void SetAlphaBlendValue(TWinControl& window, uint8_t alpha) {
    window.HandleNeeded();
    window.Widget()->setWindowOpacity(alpha / 255.0);
}

void SetWindowRegion(TWinControl& window, const TRegion* region) {
    window.HandleNeeded();
    if (region && !region->IsEmpty())
        window.Widget()->setMask(region->Native());
    else
        window.Widget()->clearMask();
}

TRegion WindowRegion(const TWinControl& window) {
    return window.HandleAllocated() ? TRegion(window.Widget()->mask()) : TRegion();
}

} // namespace ui
