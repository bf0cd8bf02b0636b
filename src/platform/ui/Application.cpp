#include "platform/ui/Application.h"

#include "platform/data/Component.h"
#include "platform/rtl/Threads.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Timers.h"
#include "platform/ui/WidgetBridge.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <algorithm>

namespace ui {

TApplication* Application = nullptr;

struct TApplication::TLoopHooks {
    QMetaObject::Connection aboutToBlock;
    QMetaObject::Connection awake;
    ~TLoopHooks() {
        QObject::disconnect(aboutToBlock);
        QObject::disconnect(awake);
    }
};

namespace {

constexpr TTimerId kHintShowTimer = 1;
constexpr TTimerId kHintHideTimer = 2;

// The mouse pointer sits this far above the top of a hint shown below it.
constexpr int kCursorHeightMargin = 20;

// Wakes a Qt event loop that waits for events, so that it looks at its state again.
void WakeEventLoop() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

// The hint of the control or of the nearest parent that has one.
std::string GetHint(const TControl* control) {
    for (; control; control = control->Parent())
        if (!control->Hint().empty()) return control->Hint();
    return {};
}

std::vector<TMsgDlgBtn> ButtonsOf(unsigned flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return {mbOK, mbCancel};
    case MB_ABORTRETRYIGNORE:
        return {mbAbort, mbRetry, mbIgnore};
    case MB_YESNOCANCEL:
        return {mbYes, mbNo, mbCancel};
    case MB_YESNO:
        return {mbYes, mbNo};
    case MB_RETRYCANCEL:
        return {mbRetry, mbCancel};
    default:
        return {mbOK};
    }
}

TMsgDlgType TypeOf(unsigned flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return mtError;
    case MB_ICONQUESTION:
        return mtConfirmation;
    case MB_ICONWARNING:
        return mtWarning;
    case MB_ICONINFORMATION:
        return mtInformation;
    default:
        return mtCustom;
    }
}

} // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    if (Application) throw EInvalidOperation("An application object exists already");
    Application = this;
    new TScreen(this);
    hintWindowClass_ = [](TComponent* hintOwner) { return new THintWindow(hintOwner); };

    // The UI thread serves Synchronize from the Qt event loop: before the loop waits and whenever it
    // wakes. A waiting call wakes it; waking posts nothing, so no object crosses the threads.
    rtl::SetMainThread();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    // A call that ran may have changed what the loop waits for: the wait that follows returns at once.
    const auto serve = [dispatcher] {
        if (rtl::CheckSynchronize()) dispatcher->wakeUp();
    };
    loopHooks_ = std::make_unique<TLoopHooks>();
    loopHooks_->aboutToBlock = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, serve);
    loopHooks_->awake = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, serve);
    rtl::SetSynchronizeWakeup([dispatcher] { dispatcher->wakeUp(); });
    const auto showError = [](std::exception_ptr error) {
        const auto show = [error] {
            if (!Application) return;
            try {
                std::rethrow_exception(error);
            } catch (...) {
                Application->HandleException(Application);
            }
        };
        // Shown on the UI thread, whichever thread it comes from.
        rtl::Synchronize(show);
    };
    data::SetApplicationExceptionHandler(showError);
    rtl::SetQueuedErrorHandler(showError);
    SetInputObserver(
        [this](TControl* control, const TMessage& message) { HintMouseMessage(control, message); });
}

TApplication::~TApplication() {
    Destroying();
    SetInputObserver(nullptr);
    data::SetApplicationExceptionHandler(nullptr);
    rtl::SetQueuedErrorHandler(nullptr);
    rtl::SetSynchronizeWakeup(nullptr);
    loopHooks_.reset();
    Timers().KillTimers(this);
    // The forms go first, while the application and its screen still exist.
    DestroyComponents();
    if (Application == this) Application = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
}

void TApplication::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    if (OnHint) OnHint(this);
}

void TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    while (!terminated_)
        HandleMessage();
}

void TApplication::ProcessMessages() {
    rtl::CheckSynchronize();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher && dispatcher->processEvents(QEventLoop::AllEvents)) return;
    Idle();
    if (!terminated_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TApplication::Terminate() {
    terminated_ = true;
    WakeEventLoop();
}

void TApplication::Idle() {
    if (inIdle_) return;
    inIdle_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inIdle_};
    try {
        bool done = true;
        if (OnIdle) OnIdle(this, done);
        if (Screen)
            for (int i = 0; i < Screen->FormCount(); ++i)
                Screen->Forms(i)->UpdateActions();
        for (const auto& [key, update] : decltype(idleUpdates_)(idleUpdates_))
            update();
    } catch (...) {
        HandleException(this);
    }
}

void TApplication::AddIdleUpdate(const void* key, std::function<void()> update) {
    RemoveIdleUpdate(key);
    idleUpdates_.emplace_back(key, std::move(update));
}

void TApplication::RemoveIdleUpdate(const void* key) {
    std::erase_if(idleUpdates_, [key](const auto& entry) { return entry.first == key; });
}

void TApplication::HandleException(TObject* sender) {
    const std::exception_ptr error = std::current_exception();
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const data::EAbort&) {
        // The silent exception: it ended an operation, there is nothing to show.
    } catch (const std::exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (...) {
        ShowException(rtl::Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const std::exception& error) {
    std::string text = error.what();
    // A sentence gets its full stop.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    TMessageRequest request;
    request.caption = caption;
    request.text = text;
    request.type = TypeOf(flags);
    request.buttons = ButtonsOf(flags);
    const std::size_t defaultIndex = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
    request.defaultButton = request.buttons.at(std::min(defaultIndex, request.buttons.size() - 1));
    // The results and the IDOK-style answers are the same numbers.
    return ShowMessageBox(request);
}

// ---- Hints ----

void TApplication::SetShowHint(bool value) {
    showHint_ = value;
    if (!value) CancelHint();
}

void TApplication::ControlGone(TControl* control) {
    if (control == hintControl_) CancelHint();
    if (hintWindow_ == control) {
        hintWindow_ = nullptr;
        hintVisible_ = false;
    }
    if (mainForm_ == control) mainForm_ = nullptr;
}

void TApplication::HintMouseMessage(TControl* control, const TMessage& message) {
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEWHEEL:
        CancelHint();
        return;
    default:
        return;
    }
    if (control == hintWindow_) return;
    const TPoint screenPos = control->ClientToScreen(PointFromLParam(message.LParam));
    SetHint(GetLongHint(GetHint(control)));

    TControl* hintControl = control;
    while (hintControl && !hintControl->ShowHint())
        hintControl = hintControl->Parent();
    if (!hintControl || !showHint_) return CancelHint();
    // Moving inside the rectangle of the hint that is up (or pending) changes nothing.
    if (hintControl == hintControl_ && hintCursorRect_.Contains(hintControl->ScreenToClient(screenPos)))
        return;

    const bool wasShowing = hintVisible_;
    HideHint();
    hintControl_ = hintControl;
    hintCursorRect_ = hintControl->ClientRect();
    hintCursorPos_ = screenPos;
    int pause = wasShowing ? hintShortPause_ : hintPause_;
    hintControl->Perform(CM_HINTSHOWPAUSE, wasShowing ? 1 : 0, reinterpret_cast<intptr_t>(&pause));
    if (pause <= 0)
        ActivateHint(screenPos);
    else
        Timers().SetTimer(this, kHintShowTimer, static_cast<uint32_t>(pause), [this] {
            Timers().KillTimer(this, kHintShowTimer);
            if (hintControl_) ActivateHint(hintCursorPos_);
        });
}

void TApplication::ActivateHint(TPoint cursorPos) {
    Timers().KillTimer(this, kHintShowTimer);
    TControl* control = hintControl_;
    if (!control) return;
    THintInfo info;
    info.HintControl = control;
    info.HintWindowClass = hintWindowClass_;
    info.HintPos = {cursorPos.X, cursorPos.Y + kCursorHeightMargin};
    info.HintMaxWidth = Screen ? Screen->Width() : 1024;
    info.HintColor = hintColor_;
    info.CursorRect = control->ClientRect();
    info.CursorPos = control->ScreenToClient(cursorPos);
    info.HideTimeout = hintHidePause_;
    info.HintStr = GetShortHint(GetHint(control));
    bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<intptr_t>(&info)) == 0;
    if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
    hintCursorRect_ = info.CursorRect;
    if (!canShow || info.HintStr.empty()) return HideHint();

    // A window of the class asked for this time.
    delete hintWindow_;
    hintWindow_ = info.HintWindowClass ? info.HintWindowClass(this) : new THintWindow(this);
    TRect rect = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    rect = OffsetRect(rect, info.HintPos.X, info.HintPos.Y);
    hintWindow_->SetColor(info.HintColor);
    hintWindow_->ActivateHintData(rect, info.HintStr, info.HintData);
    hintVisible_ = true;
    const int hide = info.HideTimeout > 0 ? info.HideTimeout : hintHidePause_;
    Timers().SetTimer(this, kHintHideTimer, static_cast<uint32_t>(hide), [this] { HideHint(); });
    if (info.ReshowTimeout > 0)
        Timers().SetTimer(this, kHintShowTimer, static_cast<uint32_t>(info.ReshowTimeout), [this] {
            if (hintControl_) ActivateHint(hintCursorPos_);
        });
}

void TApplication::HideHint() {
    Timers().KillTimer(this, kHintHideTimer);
    if (hintWindow_ && hintVisible_) hintWindow_->ReleaseHandle();
    hintVisible_ = false;
}

void TApplication::CancelHint() {
    Timers().KillTimer(this, kHintShowTimer);
    HideHint();
    hintControl_ = nullptr;
    hintCursorRect_ = {};
}

} // namespace ui
