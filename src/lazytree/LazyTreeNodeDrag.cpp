#include "lazytree/BaseLazyTree.h"

#include "lazytree/ScopeExit.h"
#include "platform/ui/Mouse.h"
#include "platform/ui/Timers.h"

#include <cstdlib>

namespace lazytree {

namespace {

TNodeDragObject* NodeDrag(ui::TObject* source) {
    return dynamic_cast<TNodeDragObject*>(source);
}

// What a tree's handlers see as the source: the tree the nodes come from, or the framework's source.
ui::TObject* SourceSeen(ui::TObject* source) {
    TNodeDragObject* drag = NodeDrag(source);
    return drag ? &drag->Tree() : source;
}

// The drag is the left button's.
ui::TShiftState DragShiftState() {
    ui::TShiftState shift = ui::KeyboardShiftState();
    shift.Include(ui::ssLeft);
    return shift;
}

} // namespace

void TBaseLazyTree::BeginDragging(bool immediate, int threshold) {
    if (IsDragInProgress()) return;
    dragThreshold_ = threshold;
    if (immediate)
        DoDragging();
    else
        tree_.DoStateChange({tsOLEDragPending});
}

bool TBaseLazyTree::IsDragInProgress() const {
    const auto& states = tree_.TreeStates();
    return states.Contains(tsOLEDragPending) || states.Contains(tsOLEDragging) || Dragging();
}

// Once the mouse has left the threshold, the selection (with the focused node) is dragged.
void TBaseLazyTree::DoDragging() {
    auto& t = tree_;
    if (IsEditing()) DoCancelEdit();
    if (PLazyNode hot = t.HotNode()) {
        t.InvalidateNode(hot);
        t.SetHotNode(nullptr);
    }
    PLazyNode focused = t.FocusedNode();
    if (focused && !t.IsSelected(focused)) {
        t.AddToSelection(focused);
        t.InvalidateNode(focused);
    }
    dragSelection_ = t.GetSortedSelection(true);
    t.DoStateChange({tsOLEDragging}, {tsClearPending, tsOLEDragPending});
    lastDropMode_ = dmOnNode;
    dragObject_ = std::make_unique<TNodeDragObject>(*this, AllowedEffects(dragOperations_));
    BeginDrag(true);
}

void TBaseLazyTree::DoStartDrag(ui::TDragObject*& dragObject) {
    ui::TCustomControl::DoStartDrag(dragObject);
    if (dragObject_) dragObject = dragObject_.get();
}

// The drag ended: the release was the drag's, and a move that copied the nodes elsewhere removes them.
void TBaseLazyTree::DoEndDrag(ui::TObject* target, int x, int y) {
    const std::unique_ptr<TNodeDragObject> drag = std::move(dragObject_);
    TScopeExit cleared([this] { dragSelection_.clear(); });
    tree_.DoStateChange({}, {tsOLEDragging, tsLeftButtonDown, tsRightButtonDown, tsMiddleButtonDown});
    ui::TCustomControl::DoEndDrag(target, x, y);
    if (!drag || drag->Effect() != DROPEFFECT_MOVE || dragSelection_.empty() ||
        !tree_.Options().AutoOptions.Contains(toAutoDeleteMovedNodes))
        return;
    tree_.BeginUpdate();
    TScopeExit ended([this] { tree_.EndUpdate(); });
    for (auto run = dragSelection_.rbegin(); run != dragSelection_.rend(); ++run)
        tree_.RemoveNode(*run);
}

bool TBaseLazyTree::DragOver(ui::TObject* source, int x, int y, ui::TDragState state) {
    if (NodeDrag(source) && !tree_.Options().MiscOptions.Contains(toAcceptOLEDrop)) return false;
    return DragOverNodes(source, state, {x, y}) != DROPEFFECT_NONE;
}

uint32_t TBaseLazyTree::DragOverNodes(ui::TObject* source, ui::TDragState state, ui::TPoint p) {
    const ui::TShiftState shift = DragShiftState();
    if (state == ui::dsDragLeave) {
        ui::Timers().KillTimer(this, ExpandTimer);
        tree_.SetDropTarget(false);
        ForgetDropTarget();
        uint32_t effect = DROPEFFECT_NONE;
        bool accept = false;
        if (OnDragOver) OnDragOver(*this, nullptr, shift, state, p, lastDropMode_, effect, accept);
        return DROPEFFECT_NONE;
    }
    if (state == ui::dsDragEnter)
        tree_.SetDropTarget(true);
    else
        tree_.DoAutoScroll(p.X, p.Y);

    const auto& options = tree_.Options();
    TVTNodeHitInfo hit = HitTestAt(p.X, p.Y);
    const auto& at = hit.HitPositions;
    const bool onLabel = at.Contains(nhOnText) || at.Contains(nhOnNormalImage) || at.Contains(nhOnStateImage);
    // A report lists rows: only the main column's label takes a drop.
    if (options.MiscOptions.Contains(toReportMode) && (!onLabel || hit.HitColumn != header_.MainColumn()))
        hit.HitNode = nullptr;
    TDropMode mode = dmNowhere;
    if (hit.HitNode) {
        mode = dmOnNode;
        if (!onLabel && options.PaintOptions.Contains(toShowDropmark)) {
            const ui::TRect row = tree_.GetDisplayRect(hit.HitNode, NoColumn, false);
            mode = p.Y < (row.Top + row.Bottom) / 2 ? dmAbove : dmBelow;
        }
    }
    SetDropTarget(hit.HitNode, mode);

    TNodeDragObject* drag = NodeDrag(source);
    const uint32_t allowed = drag ? drag->AllowedEffects() : AllowedEffects({});
    uint32_t effect = ProposeDropEffect(drag && &drag->Tree() == this, shift, allowed);
    bool accept = false;
    if (OnDragOver) OnDragOver(*this, SourceSeen(source), shift, state, p, lastDropMode_, effect, accept);
    return accept ? effect : DROPEFFECT_NONE;
}

void TBaseLazyTree::SetDropTarget(PLazyNode node, TDropMode mode) {
    if (node == dropTargetNode_ && mode == lastDropMode_) return;
    lastDropMode_ = mode;
    if (node != dropTargetNode_) {
        ui::Timers().KillTimer(this, ExpandTimer);
        if (dropTargetNode_) tree_.InvalidateNode(dropTargetNode_);
        dropTargetNode_ = node;
        if (tree_.FocusedColumn() < 0 && header_.MainColumn() >= 0)
            tree_.SetFocusedColumn(header_.MainColumn());
        if (node && node->States.Contains(nsHasChildren) && !node->States.Contains(nsExpanded) &&
            tree_.Options().AutoOptions.Contains(toAutoDropExpand))
            ui::Timers().SetTimer(this, ExpandTimer, autoExpandDelay_, [this] { DoDragExpand(); });
    }
    if (dropTargetNode_) tree_.InvalidateNode(dropTargetNode_);
}

void TBaseLazyTree::ForgetDropTarget() {
    if (dropTargetNode_) tree_.InvalidateNode(dropTargetNode_);
    dropTargetNode_ = nullptr;
}

void TBaseLazyTree::NodeFreed(PLazyNode node) {
    if (node == dropTargetNode_) dropTargetNode_ = nullptr;
    if (!dragSelection_.empty()) std::erase(dragSelection_, node);
}

// A drag held over a collapsed parent opens it.
void TBaseLazyTree::DoDragExpand() {
    ui::Timers().KillTimer(this, ExpandTimer);
    if (dropTargetNode_ && dropTargetNode_->States.Contains(nsHasChildren) &&
        !dropTargetNode_->States.Contains(nsExpanded))
        tree_.ToggleNode(dropTargetNode_);
}

void TBaseLazyTree::DragDrop(ui::TObject* source, int x, int y) {
    TScopeExit forgotten([this] { ForgetDropTarget(); });
    ui::Timers().KillTimer(this, ExpandTimer);
    uint32_t effect = DragOverNodes(source, ui::dsDragMove, {x, y});
    tree_.SetDropTarget(false);
    if (effect != DROPEFFECT_NONE && OnDragDrop)
        OnDragDrop(*this, SourceSeen(source), DragShiftState(), {x, y}, effect, lastDropMode_);
    if (TNodeDragObject* drag = NodeDrag(source)) drag->SetEffect(effect);
}

bool TBaseLazyTree::ProcessDrop(ui::TObject* source, PLazyNode target, uint32_t effect,
                                TVTNodeAttachMode mode) {
    auto* from = dynamic_cast<TBaseLazyTree*>(source);
    if (!from) return false;
    const bool optimized = effect == DROPEFFECT_MOVE;
    const std::vector<PLazyNode> nodes = from->dragSelection_;
    // Moved nodes belong to their new place: the source must not remove them once the drag ends.
    TScopeExit moved([from, optimized] {
        if (optimized) from->dragSelection_.clear();
    });
    return tree_.ProcessNodeData(&from->tree_, nodes, optimized ? std::string{} : from->tree_.NodeData(nodes),
                                 target, mode, optimized);
}

void TBaseLazyTree::PaintDropMark(ui::TCanvas& canvas, const ui::TRect& r) {
    if (lastDropMode_ != dmAbove && lastDropMode_ != dmBelow) return;
    canvas.SaveState();
    TScopeExit restored([&canvas] { canvas.RestoreState(); });
    canvas.Pen()->SetStyle(ui::psClear);
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(tree_.Colors()[TVTColors::DropMarkColor]);
    const int l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
    if (lastDropMode_ == dmAbove)
        canvas.Polygon(
            {{l + 2, t}, {rt - 2, t}, {rt - 2, t + 6}, {rt - 6, t + 2}, {l + 6, t + 2}, {l + 2, t + 6}});
    else
        canvas.Polygon({{l + 2, b - 1},
                        {rt - 2, b - 1},
                        {rt - 2, b - 8},
                        {rt - 7, b - 3},
                        {l + 7, b - 3},
                        {l + 2, b - 8}});
}

} // namespace lazytree
