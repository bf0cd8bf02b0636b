// The in-process drag: the source control starts it, the mouse moves it over targets that accept or
// refuse, and a release drops it (Escape or a refusal ends it without a drop). For src/platform/ui.
#pragma once

#include "platform/ui/Controls.h"

namespace ui {

// Starts a drag of `source` at the mouse position: at once, or once the mouse moved `threshold`
// pixels (-1: the system's drag distance).
void StartDrag(TControl* source, bool immediate, int threshold);
// The source of the drag in progress or pending, or null.
TControl* DragSource();
// True once the drag has started (past the threshold).
bool DragActive();
// The cursor the drag shows now.
TCursor DragCursorShown();
// Ends the drag: with `drop`, the target that accepts gets the drop.
void FinishDrag(bool drop);
// A message of the source while it drags: mouse moves move the drag, the release ends it. True when
// the message belonged to the drag. (Escape reaches the focused control, which cancels the drag.)
bool HandleDragMessage(TControl* source, TMessage& message);
// A control is going: a drag from or over it ends.
void DragControlGone(TControl* control);

} // namespace ui
