#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Timers.h"

namespace lazytree {

void TLazyTreeModel::BeginUpdate() {
    if (updateCount_ > 0) {
        DoUpdating(usUpdate);
    } else {
        DoUpdating(usBegin);
        if (HandleAllocated()) host_->SetRedraw(false);
    }
    ++updateCount_;
    DoStateChange({tsUpdating});
}

void TLazyTreeModel::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0 && states_.Contains(tsUpdating)) {
        if (states_.Contains(tsUpdateHiddenChildrenNeeded)) {
            UpdateAllHiddenChildrenFlags();
            DoStateChange({}, {tsUpdateHiddenChildrenNeeded});
        }
        DoStateChange({}, {tsUpdating});
        PackSelection();
        // Every change of the bracket has cut the position cache at its node already.
        UpdateScrollBars();
        // The redraw comes back even when a change handler raises.
        TScopeExit redraw([this] {
            if (HandleAllocated()) {
                host_->SetRedraw(true);
                host_->Invalidate(nullptr);
            }
        });
        if (states_.Contains(tsStructureChangePending))
            DoStructureChange(lastStructureChangeNode_, lastStructureChangeReason_);
        if (states_.Contains(tsChangePending)) DoChange(lastChangedNode_);
    }
    DoUpdating(updateCount_ == 0 ? usEnd : usUpdate);
}

void TLazyTreeModel::AccumulateChange(bool structure, PLazyNode node, TChangeReason reason) {
    if (structure) {
        if (states_.Contains(tsStructureChangePending)) {
            ui::Timers().KillTimer(this, StructureChangeTimer);
        } else {
            DoStateChange({tsStructureChangePending});
        }
        lastStructureChangeNode_ = node;
        if (lastStructureChangeReason_ == crIgnore)
            lastStructureChangeReason_ = reason;
        else if (reason != crIgnore)
            lastStructureChangeReason_ = crAccumulated;
    } else {
        if (states_.Contains(tsChangePending)) {
            ui::Timers().KillTimer(this, ChangeTimer);
        } else {
            DoStateChange({tsChangePending});
        }
        lastChangedNode_ = node;
    }
}

void TLazyTreeModel::Change(PLazyNode node) {
    AccumulateChange(false, node, crIgnore);
    if (updateCount_ > 0) return;
    if (changeDelay_ == 0 || states_.Contains(tsSynchMode))
        DoChange(node);
    else
        StartTimer(ChangeTimer, changeDelay_);
}

void TLazyTreeModel::StructureChange(PLazyNode node, TChangeReason reason) {
    AccumulateChange(true, node, reason);
    if (updateCount_ > 0) return;
    if (changeDelay_ == 0 || states_.Contains(tsSynchMode))
        DoStructureChange(node, reason);
    else
        StartTimer(StructureChangeTimer, changeDelay_);
}

void TLazyTreeModel::DoChange(PLazyNode node) {
    ui::Timers().KillTimer(this, ChangeTimer);
    if (OnChange) OnChange(*this, node);
    DoStateChange({}, {tsChangePending});
    lastChangedNode_ = nullptr;
}

void TLazyTreeModel::DoStructureChange(PLazyNode node, TChangeReason reason) {
    ui::Timers().KillTimer(this, StructureChangeTimer);
    if (OnStructureChange) OnStructureChange(*this, node, reason);
    DoStateChange({}, {tsStructureChangePending});
    lastStructureChangeNode_ = nullptr;
    lastStructureChangeReason_ = crIgnore;
}

void TLazyTreeModel::StartTimer(int id, uint32_t milliseconds) {
    ui::Timers().SetTimer(this, id, milliseconds, [this, id] { TimerFired(id); });
}

void TLazyTreeModel::TimerFired(int id) {
    switch (id) {
    case ChangeTimer:
        DoChange(lastChangedNode_);
        break;
    case StructureChangeTimer:
        DoStructureChange(lastStructureChangeNode_, lastStructureChangeReason_);
        break;
    case ScrollTimer:
        if (states_.Contains(tsScrollPending)) {
            // The first tick after the delay: from now on every interval, where the mouse is now.
            StartTimer(ScrollTimer, autoScrollInterval_);
            DoStateChange({tsScrolling}, {tsScrollPending});
            if (host_) {
                const TTreePoint p = host_->CursorPos();
                scrollDirections_ = DetermineScrollDirections(p.X, p.Y);
            }
        }
        DoTimerScroll();
        break;
    case SearchTimer:
        EndIncrementalSearch();
        break;
    default:
        break;
    }
}

void TLazyTreeModel::DoStateChange(TLazyTreeStates enter, TLazyTreeStates leave) {
    if (OnStateChange) {
        const TLazyTreeStates realEnter = enter - states_;
        const TLazyTreeStates realLeave = states_ * leave;
        if (!(realEnter + realLeave).Empty()) OnStateChange(*this, realEnter, realLeave);
    }
    states_ = (states_ + enter) - leave;
}

void TLazyTreeModel::BeginOperation() {
    if (operationCount_++ == 0) operationCanceled_ = false;
}

void TLazyTreeModel::EndOperation() {
    RTL_ASSERT_MSG(operationCount_ > 0, "EndOperation must not be called when no operation in progress.");
    --operationCount_;
}

void TLazyTreeModel::InvalidateNode(PLazyNode node) {
    if (node && node != root_) NodeInvalidated(node);
    if (updateCount_ > 0 || !HandleAllocated() || !node || node == root_) return;
    const TTreeRect r = GetDisplayRect(node, kNoColumn, false);
    if (!r.IsEmpty()) host_->Invalidate(&r);
}

void TLazyTreeModel::InvalidateToBottom(PLazyNode node) {
    if (updateCount_ > 0 || !HandleAllocated()) return;
    if (!node || node == root_) {
        host_->Invalidate(nullptr);
        return;
    }
    if (!node->States.Contains(nsInitialized) || !IsEffectivelyVisible(node)) return;
    TTreeRect r = GetDisplayRect(node, kNoColumn, false);
    if (r.IsEmpty() || r.Top >= ClientHeight()) return;
    if (options_.PaintOptions.Contains(toChildrenAbove) && node->States.Contains(nsExpanded))
        r.Top -= node->NodeHeight + static_cast<int>(node->TotalHeight);
    r.Bottom = ClientHeight();
    host_->Invalidate(&r);
}

} // namespace lazytree
