#include "platform/ui/WidgetBridge.h"

#include "platform/ui/KeyCodes.h"
#include "platform/ui/QtBridge.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>

#include <unordered_map>

namespace ui {

// Turns the events of a control's window into the control's messages.
class TWidgetBridge : public QObject {
public:
    TWidgetBridge(TWinControl* control, QWidget* widget);
    ~TWidgetBridge() override;

    static TWinControl* ControlOf(const QWidget* widget);
    // Sends `message` to `control` and tells whether it reached the native default handling.
    static bool Dispatch(TControl* control, TMessage& message);
    // True while an event of this window is being handled (deleting the window must wait).
    bool Busy() const { return depth_ > 0; }
    void Detach() { control_ = nullptr; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Mouse(QMouseEvent* event);
    bool Wheel(QWheelEvent* event);
    bool Key(QKeyEvent* event, bool press);
    // The control under a client point of this window: a graphic child or the control itself.
    TControl* TargetAt(TPoint client) const;
    void SetMouseControl(TControl* control);

    TWinControl* control_;
    QPointer<QWidget> widget_;
    int depth_ = 0;
};

class TControlWidget : public QWidget {
public:
    TControlWidget(TWinControl* control, QWidget* parent);
    void Detach() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TWinControl* control_;
};

namespace {

std::unordered_map<const QWidget*, TWinControl*>& Registry() {
    static std::unordered_map<const QWidget*, TWinControl*> registry;
    return registry;
}

TControl* mouseControl = nullptr;
TInputObserver inputObserver;
// The modifiers of the last input event: the keyboard state the messages describe.
Qt::KeyboardModifiers inputModifiers;

// The message a native event is being delivered as, and whether it reached the default handling.
struct NativeDispatch {
    const TMessage* message = nullptr;
    bool reachedDefault = false;
};
NativeDispatch* currentDispatch = nullptr;

uint32_t MouseMessage(QEvent::Type type, Qt::MouseButton button) {
    static constexpr uint32_t kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    int index = 0;
    switch (button) {
    case Qt::LeftButton:
        index = 0;
        break;
    case Qt::RightButton:
        index = 1;
        break;
    case Qt::MiddleButton:
        index = 2;
        break;
    default:
        return WM_NULL;
    }
    // Each button's messages are DOWN, UP, DBLCLK in a row.
    switch (type) {
    case QEvent::MouseButtonPress:
        return kDown[index];
    case QEvent::MouseButtonRelease:
        return kDown[index] + 1;
    case QEvent::MouseButtonDblClick:
        return kDown[index] + 2;
    default:
        return WM_NULL;
    }
}

// The characters a key press types, as the native character messages would carry them: Ctrl with a
// letter gives its control character, Ctrl with anything else gives none.
std::u16string CharactersOf(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
        if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
            return std::u16string(1, static_cast<char16_t>(event->key() - Qt::Key_A + 1));
        return {};
    }
    return ToUtf16(event->text());
}

} // namespace

TControl* MouseControl() {
    return mouseControl;
}

void ForgetControl(TControl* control) {
    if (mouseControl == control) mouseControl = nullptr;
}

void SetInputObserver(TInputObserver observer) {
    inputObserver = std::move(observer);
}

TShiftState KeyboardShiftState() {
    TShiftState shift;
    if (inputModifiers & Qt::ShiftModifier) shift.Include(ssShift);
    if (inputModifiers & Qt::ControlModifier) shift.Include(ssCtrl);
    if (inputModifiers & Qt::AltModifier) shift.Include(ssAlt);
    return shift;
}

QWidget* CreateControlWidget(TWinControl* control, QWidget* parent) {
    return new TControlWidget(control, parent);
}

void AttachWidget(TWinControl* control, QWidget* widget) {
    new TWidgetBridge(control, widget);
}

void DestroyWidget(QWidget* widget) {
    // Not findChild: it casts by meta-object, and the bridge has no meta-object of its own, so it would
    // take any child (a line edit's inner control, say) for the bridge.
    TWidgetBridge* bridge = nullptr;
    for (QObject* child : widget->children())
        if ((bridge = dynamic_cast<TWidgetBridge*>(child))) break;
    if (auto* own = dynamic_cast<TControlWidget*>(widget)) own->Detach();
    widget->hide();
    if (bridge) bridge->Detach();
    // A window whose own event is being handled goes once that handler has returned.
    if (bridge && bridge->Busy()) {
        widget->setParent(nullptr);
        widget->deleteLater();
    } else {
        delete widget;
    }
}

TWinControl* ControlOfWidget(const QWidget* widget) {
    return TWidgetBridge::ControlOf(widget);
}

void NoteDefaultHandling(const TMessage& message) {
    if (currentDispatch && currentDispatch->message == &message) currentDispatch->reachedDefault = true;
}

// ---------------------------------------------------------------------------------------------------

TWidgetBridge::TWidgetBridge(TWinControl* control, QWidget* widget)
    : QObject(widget), control_(control), widget_(widget) {
    Registry()[widget] = control;
    widget->installEventFilter(this);
}

TWidgetBridge::~TWidgetBridge() {
    auto it = Registry().find(widget_.data());
    if (it != Registry().end()) Registry().erase(it);
}

TWinControl* TWidgetBridge::ControlOf(const QWidget* widget) {
    auto it = Registry().find(widget);
    return it == Registry().end() ? nullptr : it->second;
}

bool TWidgetBridge::Dispatch(TControl* control, TMessage& message) {
    NativeDispatch dispatch{&message, false};
    NativeDispatch* outer = currentDispatch;
    currentDispatch = &dispatch;
    try {
        if (inputObserver) inputObserver(control, message);
        control->WindowProc(message);
    } catch (...) {
        // An exception must not unwind through Qt's event delivery: the application shows it.
        data::HandleApplicationException(std::current_exception());
    }
    currentDispatch = outer;
    return dispatch.reachedDefault;
}

TControl* TWidgetBridge::TargetAt(TPoint client) const {
    TControl* child = control_->ControlAtPos(client);
    return child ? child : control_;
}

void TWidgetBridge::SetMouseControl(TControl* control) {
    if (control == mouseControl) return;
    TControl* previous = mouseControl;
    mouseControl = control;
    TMessage leave{CM_MOUSELEAVE, 0, 0, 0};
    if (previous) Dispatch(previous, leave);
    TMessage enter{CM_MOUSEENTER, 0, 0, 0};
    if (control) Dispatch(control, enter);
}

bool TWidgetBridge::eventFilter(QObject* watched, QEvent* event) {
    if (!control_ || watched != widget_) return false;
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return Mouse(static_cast<QMouseEvent*>(event));
    case QEvent::Wheel:
        return Wheel(static_cast<QWheelEvent*>(event));
    case QEvent::KeyPress:
        return Key(static_cast<QKeyEvent*>(event), true);
    case QEvent::KeyRelease:
        return Key(static_cast<QKeyEvent*>(event), false);
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        TMessage message{event->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, 0};
        Dispatch(control_, message);
        return false;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
        if (!widget_->isWindow()) return false;
        TMessage message{WM_ACTIVATE, event->type() == QEvent::WindowActivate ? 1u : 0u, 0, 0};
        Dispatch(control_, message);
        return false;
    }
    case QEvent::Enter: {
        const TPoint client = control_->ScreenToClient(FromQPoint(QCursor::pos()));
        SetMouseControl(TargetAt(client));
        return false;
    }
    case QEvent::Leave:
        if (mouseControl == control_ ||
            (mouseControl && mouseControl->Parent() == control_ && !dynamic_cast<TWinControl*>(mouseControl)))
            SetMouseControl(nullptr);
        return false;
    case QEvent::Resize:
    case QEvent::Move:
        // The window system moved or sized a top-level window: the control follows.
        if (!control_->Parent() && widget_->isWindow())
            control_->SetBoundsRect(FromQRect(widget_->geometry()));
        return false;
    case QEvent::Close: {
        TMessage message{WM_CLOSE, 0, 0, 0};
        const bool closeWindow = Dispatch(control_, message);
        if (!closeWindow) event->ignore();
        return !closeWindow;
    }
    case QEvent::InputMethod: {
        const QString commit = static_cast<QInputMethodEvent*>(event)->commitString();
        if (commit.isEmpty()) return false;
        const std::u16string text = ToUtf16(commit);
        TMessage message{WM_IME_COMPOSITION, 0, reinterpret_cast<intptr_t>(&text), 0};
        return !Dispatch(control_, message);
    }
    case QEvent::InputMethodQuery: {
        if (!dynamic_cast<TControlWidget*>(widget_.data())) return false;
        auto* query = static_cast<QInputMethodQueryEvent*>(event);
        const TRect client = control_->ClientRectInWindow();
        if (query->queries() & Qt::ImEnabled) query->setValue(Qt::ImEnabled, true);
        if (query->queries() & Qt::ImCursorRectangle)
            query->setValue(Qt::ImCursorRectangle,
                            ToQRect(OffsetRect(control_->CaretRect(), client.Left, client.Top)));
        if (query->queries() & Qt::ImFont) query->setValue(Qt::ImFont, ToQFont(*control_->Font()));
        if (query->queries() & Qt::ImHints) query->setValue(Qt::ImHints, int(Qt::ImhNone));
        query->accept();
        return true;
    }
    case QEvent::ContextMenu: {
        auto* menu = static_cast<QContextMenuEvent*>(event);
        const intptr_t where =
            menu->reason() == QContextMenuEvent::Keyboard ? -1 : PointToLParam(FromQPoint(menu->globalPos()));
        TMessage message{WM_CONTEXTMENU, reinterpret_cast<uintptr_t>(widget_.data()), where, 0};
        return !Dispatch(control_, message);
    }
    default:
        return false;
    }
}

bool TWidgetBridge::Mouse(QMouseEvent* event) {
    inputModifiers = event->modifiers();
    const TPoint global = FromQPoint(event->globalPosition().toPoint());
    TControl* target = GetCaptureControl();
    if (!target) {
        target = TargetAt(control_->ScreenToClient(global));
        if (event->type() == QEvent::MouseMove) SetMouseControl(target);
    }
    const uint32_t msg =
        event->type() == QEvent::MouseMove ? WM_MOUSEMOVE : MouseMessage(event->type(), event->button());
    if (msg == WM_NULL) return false;
    TMessage message{msg, KeysOf(event->buttons(), event->modifiers()),
                     PointToLParam(target->ScreenToClient(global)), 0};
    const bool reachedDefault = Dispatch(target, message);
    // A message for another control (a graphic child, the capture) is not this window's business.
    return target != control_ || !reachedDefault;
}

bool TWidgetBridge::Wheel(QWheelEvent* event) {
    inputModifiers = event->modifiers();
    const int delta = event->angleDelta().y();
    if (delta == 0) return false;
    const uintptr_t keys = KeysOf(event->buttons(), event->modifiers());
    TMessage message{WM_MOUSEWHEEL, keys | (static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16),
                     PointToLParam(FromQPoint(event->globalPosition().toPoint())), 0};
    return !Dispatch(control_, message);
}

bool TWidgetBridge::Key(QKeyEvent* event, bool press) {
    inputModifiers = event->modifiers();
    const bool alt = event->modifiers() & Qt::AltModifier;
    const uint16_t vk = VirtualKeyFromQtKey(event->key(), event->modifiers() & Qt::KeypadModifier);
    const std::u16string chars = press ? CharactersOf(event) : std::u16string();
    if (vk == 0 && chars.empty()) return false;

    // Tab moves the focus unless the control asks for it.
    if (vk == VK_TAB && !(control_->Perform(WM_GETDLGCODE) & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) return false;

    intptr_t keyData = 1;
    if (alt) keyData |= KF_ALTDOWN_BIT;
    if (event->isAutoRepeat() || !press) keyData |= intptr_t{1} << 30;
    if (!press) keyData |= intptr_t{1} << 31;

    bool reachedDefault = true;
    if (vk != 0) {
        const uint32_t msg = press ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        TMessage message{msg, vk, keyData, 0};
        reachedDefault = Dispatch(control_, message);
    }
    for (char16_t c : chars) {
        if (!control_) return true;
        TMessage message{alt ? WM_SYSCHAR : WM_CHAR, c, keyData, 0};
        reachedDefault = Dispatch(control_, message) && message.WParam == c && reachedDefault;
    }
    // A key goes to the focused window alone; an own window has no default handling to pass it to.
    return !reachedDefault || dynamic_cast<TControlWidget*>(widget_.data());
}

// ---------------------------------------------------------------------------------------------------

TControlWidget::TControlWidget(TWinControl* control, QWidget* parent) : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TControlWidget::paintEvent(QPaintEvent* event) {
    if (!control_) return;
    QPainter painter(this);
    const TRect client = control_->ClientRectInWindow();
    TPaintInfo info{&painter, OffsetRect(FromQRect(event->rect()), -client.Left, -client.Top)};
    TMessage message{WM_PAINT, 0, reinterpret_cast<intptr_t>(&info), 0};
    TWidgetBridge::Dispatch(control_, message);
}

} // namespace ui
