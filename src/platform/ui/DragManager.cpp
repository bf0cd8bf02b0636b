#include "platform/ui/DragManager.h"

#include "platform/ui/Metrics.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/WidgetBridge.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#include <cstdlib>
#include <memory>

namespace ui {

TCursor TDragObject::GetDragCursor(bool accepted, int, int) {
    return accepted ? crDrag : crNoDrop;
}

TCursor TDragControlObject::GetDragCursor(bool accepted, int, int) {
    return accepted ? control_->DragCursor() : crNoDrop;
}

namespace {

struct TDragProgress {
    TControl* source = nullptr;
    TDragObject* object = nullptr;
    std::unique_ptr<TDragObject> own; // the object the framework made
    TPoint start;
    int threshold = 0;
    bool active = false;
    bool accepted = false;
    TCursor cursor = crDefault;
};

TDragProgress drag;

// What a target sees as the source: the dragged control, or the source's own object.
TObject* SourceSeen() {
    if (auto* control = dynamic_cast<TDragControlObject*>(drag.object)) return control->Control();
    return drag.object;
}

// The control under a screen point, a graphic child when there is one.
TControl* ControlAtScreen(TPoint p) {
    QWidget* widget = QApplication::widgetAt(ToQPoint(p));
    TWinControl* window = nullptr;
    for (; widget && !window; widget = widget->parentWidget())
        window = ControlOfWidget(widget);
    if (!window) return nullptr;
    TControl* child = window->ControlAtPos(window->ScreenToClient(p), true);
    return child ? child : window;
}

void ShowCursor(TCursor cursor) {
    if (cursor == drag.cursor) return;
    if (drag.cursor == crDefault)
        QGuiApplication::setOverrideCursor(ToQCursor(cursor));
    else
        QGuiApplication::changeOverrideCursor(ToQCursor(cursor));
    drag.cursor = cursor;
}

void HideCursor() {
    if (drag.cursor != crDefault) QGuiApplication::restoreOverrideCursor();
    drag.cursor = crDefault;
}

// Asks the target; a target that is not one says no.
bool AskTarget(TControl* target, TPoint screen, TDragState state) {
    if (!target) return false;
    const TPoint p = target->ScreenToClient(screen);
    return target->DragOver(SourceSeen(), p.X, p.Y, state);
}

void Activate() {
    drag.active = true;
    TDragObject* object = nullptr;
    drag.source->DoStartDrag(object);
    if (!object) {
        drag.own = std::make_unique<TDragControlObject>(drag.source);
        object = drag.own.get();
    }
    drag.object = object;
    drag.object->SetDragPos(drag.start);
    ShowCursor(crNoDrop);
}

void MoveTo(TPoint screen) {
    drag.object->SetDragPos(screen);
    TControl* target = ControlAtScreen(screen);
    TControl* previous = drag.object->DragTarget();
    if (target != previous) {
        AskTarget(previous, screen, dsDragLeave);
        drag.object->SetDragTarget(target);
        drag.accepted = AskTarget(target, screen, dsDragEnter);
    }
    drag.accepted = AskTarget(target, screen, dsDragMove);
    const TPoint p = target ? target->ScreenToClient(screen) : screen;
    ShowCursor(drag.object->GetDragCursor(drag.accepted, p.X, p.Y));
}

} // namespace

void StartDrag(TControl* source, bool immediate, int threshold) {
    if (drag.source) return;
    drag = {};
    drag.source = source;
    drag.start = FromQPoint(QCursor::pos());
    drag.threshold = threshold >= 0 ? threshold : GetSystemMetrics(SM_CXDRAG);
    // The source sees the mouse until the drag ends.
    if (!source->MouseCapture()) source->SetMouseCapture(true);
    if (immediate) {
        Activate();
        MoveTo(drag.start);
    }
}

TControl* DragSource() {
    return drag.source;
}

bool DragActive() {
    return drag.active;
}

TCursor DragCursorShown() {
    return drag.cursor;
}

void FinishDrag(bool drop) {
    if (!drag.source) return;
    TDragProgress done = std::move(drag);
    drag = {};
    HideCursor();
    if (done.source->MouseCapture()) done.source->SetMouseCapture(false);
    if (!done.active) return;
    TControl* target = done.object->DragTarget();
    const TPoint screen = done.object->DragPos();
    drag.object = done.object; // SourceSeen while the target is told
    if (target && !(drop && done.accepted)) AskTarget(target, screen, dsDragLeave);
    TControl* dropped = drop && done.accepted ? target : nullptr;
    if (dropped) {
        const TPoint p = dropped->ScreenToClient(screen);
        dropped->DragDrop(SourceSeen(), p.X, p.Y);
    }
    drag.object = nullptr;
    const TPoint p = dropped ? dropped->ScreenToClient(screen) : TPoint{};
    done.source->DoEndDrag(dropped, p.X, p.Y);
}

bool HandleDragMessage(TControl* source, TMessage& message) {
    if (source != drag.source) return false;
    switch (message.Msg) {
    case WM_MOUSEMOVE: {
        const TPoint screen = source->ClientToScreen(PointFromLParam(message.LParam));
        if (!drag.active) {
            if (std::abs(screen.X - drag.start.X) < drag.threshold &&
                std::abs(screen.Y - drag.start.Y) < drag.threshold)
                return false;
            Activate();
        }
        MoveTo(screen);
        return true;
    }
    case WM_LBUTTONUP: {
        if (!drag.active) {
            // Released before the threshold: no drag, and the click goes on as usual.
            drag = {};
            return false;
        }
        drag.object->SetDragPos(source->ClientToScreen(PointFromLParam(message.LParam)));
        // The press that started the drag makes no click.
        TControlState state = source->ControlState();
        state.Exclude(csClicked);
        state.Exclude(csLButtonDown);
        source->SetControlState(state);
        FinishDrag(true);
        return true;
    }
    case WM_CAPTURECHANGED:
        // Something else took the mouse: the drag cannot go on.
        if (drag.active) FinishDrag(false);
        return false;
    default:
        return false;
    }
}

void DragControlGone(TControl* control) {
    if (drag.source == control) {
        HideCursor();
        drag = {};
    } else if (drag.object && drag.object->DragTarget() == control) {
        drag.object->SetDragTarget(nullptr);
        drag.accepted = false;
    }
}

} // namespace ui
