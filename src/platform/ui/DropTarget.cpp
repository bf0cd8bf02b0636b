#include "platform/ui/DropTarget.h"

#include "platform/ui/Messages.h"
#include "platform/ui/QtBridge.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QObject>
#include <QWidget>

namespace ui {

namespace {

constexpr const char* kFilterName = "dropTarget";

// Turns a window's drag events into calls of its drop target.
class TDropFilter : public QObject {
public:
    TDropFilter(QWidget* widget, IDropTarget* target) : QObject(widget), widget_(widget), target_(target) {
        setObjectName(kFilterName);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != widget_) return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const bool enter = event->type() == QEvent::DragEnter;
            const uint32_t effect = enter ? target_->DragEnter(ScreenOf(*drag), ShiftOf(*drag))
                                          : target_->DragOver(ScreenOf(*drag), ShiftOf(*drag));
            const Qt::DropAction action = ActionOf(effect);
            drag->setDropAction(action);
            // Accepting the enter keeps the moves coming even when no drop is offered.
            drag->setAccepted(enter || action != Qt::IgnoreAction);
            return true;
        }
        case QEvent::DragLeave:
            target_->DragLeave();
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const Qt::DropAction action = ActionOf(target_->Drop(ScreenOf(*drop), ShiftOf(*drop)));
            drop->setDropAction(action);
            drop->setAccepted(action != Qt::IgnoreAction);
            return true;
        }
        default:
            return false;
        }
    }

private:
    TPoint ScreenOf(const QDropEvent& event) const {
        return FromQPoint(widget_->mapToGlobal(event.position().toPoint()));
    }
    static TShiftState ShiftOf(const QDropEvent& event) {
        return KeysToShiftState(KeysOf(event.buttons(), event.modifiers()));
    }
    static Qt::DropAction ActionOf(uint32_t effect) {
        if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
        if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
        if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
        return Qt::IgnoreAction;
    }

    QWidget* widget_;
    IDropTarget* target_;
};

TDropFilter* FilterOf(const TWinControl& window) {
    return window.HandleAllocated()
               ? window.Widget()->findChild<TDropFilter*>(kFilterName, Qt::FindDirectChildrenOnly)
               : nullptr;
}

} // namespace

bool RegisterDragDrop(TWinControl& window, IDropTarget* target) {
    if (!window.HandleAllocated()) return false;
    RevokeDragDrop(window);
    auto* filter = new TDropFilter(window.Widget(), target);
    window.Widget()->installEventFilter(filter);
    window.Widget()->setAcceptDrops(true);
    return true;
}

void RevokeDragDrop(TWinControl& window) {
    TDropFilter* filter = FilterOf(window);
    if (!filter) return;
    window.Widget()->setAcceptDrops(false);
    delete filter;
}

} // namespace ui
