#pragma once

// The seam between a control and its native window. For src/platform/ui only.

#include "platform/ui/Controls.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QEvent;
class QMouseEvent;
class QKeyEvent;
class QWheelEvent;

namespace ui {

// Turns the events of a control's window into the control's messages. A descendant that backs a
// control with a ready-made Qt widget attaches one to it too: what reaches the control's DefaultHandler
// goes on to the widget, what a handler swallows does not.
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

// The native window of a windowed control: paints through WM_PAINT and draws nothing by itself.
class TControlWidget : public QWidget {
public:
    TControlWidget(TWinControl* control, QWidget* parent);
    void Detach() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TWinControl* control_;
};

// A control's DefaultHandler got `message`: when it came from a native event, the window handles it too.
void NoteDefaultHandling(const TMessage& message);

// The control under the mouse (CM_MOUSEENTER/CM_MOUSELEAVE follow it); cleared when it goes.
TControl* MouseControl();
// A control is going: it is no longer the mouse control.
void ForgetControl(TControl* control);

// Told of every input message a window delivers, before the control sees it (the application's hint
// machinery watches mouse moves, presses and keys).
using TInputObserver = std::function<void(TControl* target, const TMessage& message)>;
void SetInputObserver(TInputObserver observer);

} // namespace ui
