// What an in-process drag carries and what the controls are told about it.
#pragma once

#include "platform/ui/Cursors.h"
#include "platform/ui/Types.h"

#include <functional>

namespace ui {

class TControl;

enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// What is being dragged. The source may make its own in OnStartDrag; otherwise the drag carries the
// source control.
class TDragObject : public TPersistent {
public:
    // Where the mouse is, in screen coordinates.
    TPoint DragPos() const { return dragPos_; }
    void SetDragPos(TPoint p) { dragPos_ = p; }
    // The control the drag is over, or null.
    TControl* DragTarget() const { return dragTarget_; }
    void SetDragTarget(TControl* target) { dragTarget_ = target; }
    // The cursor while over a target that accepts (or does not accept) the drop.
    virtual TCursor GetDragCursor(bool accepted, int x, int y);

private:
    TPoint dragPos_;
    TControl* dragTarget_ = nullptr;
};

// The drag of a control: targets see the control as the source.
class TDragControlObject : public TDragObject {
public:
    explicit TDragControlObject(TControl* control) : control_(control) {}
    TControl* Control() const { return control_; }
    TCursor GetDragCursor(bool accepted, int x, int y) override;

private:
    TControl* control_;
};

using TStartDragEvent = std::function<void(TObject* sender, TDragObject*& dragObject)>;
// `source` is the dragged control (or the source's own drag object); clear `accept` to refuse.
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
// `target` is the control the drop reached, or null when the drag was cancelled or refused.
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;

} // namespace ui
