// The seam between a control and its native Qt window.
#pragma once

// The seam between a control and its native window. For src/platform/ui only.

#include "platform/ui/Controls.h"

#include <functional>

class QWidget;

namespace ui {

// The native window of a windowed control: it paints through WM_PAINT and draws nothing by itself.
QWidget* CreateControlWidget(TWinControl* control, QWidget* parent);
// Connects a control to its window: the window's events become the control's messages. What reaches
// the control's DefaultHandler goes on to the widget (a ready-made Qt widget handles it), what a handler
// swallows does not.
void AttachWidget(TWinControl* control, QWidget* widget);
// Disconnects and deletes a control's window: at once, or once the event it is handling is done.
void DestroyWidget(QWidget* widget);
// The control a window belongs to, or null.
TWinControl* ControlOfWidget(const QWidget* widget);

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
