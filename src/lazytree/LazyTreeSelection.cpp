#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"

#include <algorithm>
#include <cstdint>

namespace lazytree {

namespace {

PLazyNode Marked(PLazyNode node) {
    return reinterpret_cast<PLazyNode>(reinterpret_cast<std::uintptr_t>(node) | 1);
}

TTreeRect Normalized(const TTreeRect& r) {
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

} // namespace

// --- The selection array ------------------------------------------------------------------------------

bool TLazyTreeModel::FindNodeInSelection(PLazyNode node, int& index, int lowBound, int highBound) const {
    int low = lowBound < 0 ? 0 : lowBound;
    int high = highBound < 0 ? static_cast<int>(selection_.size()) - 1 : highBound;
    bool found = false;
    // Marked entries keep their place: bit 0 does not move an aligned address past its neighbour.
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        if (selection_[middle] < node) {
            low = middle + 1;
        } else {
            if (selection_[middle] == node) found = true;
            high = middle - 1; // on a hit too: the lowest equal entry
        }
    }
    index = low;
    return found;
}

bool TLazyTreeModel::InternalAddToSelection(PLazyNode node) {
    RTL_ASSERT_MSG(node, "Node must not be nil!");
    std::vector<PLazyNode> nodes{node};
    return InternalAddToSelection(nodes, false);
}

bool TLazyTreeModel::InternalAddToSelection(std::vector<PLazyNode>& nodes, bool forceInsert) {
    if (nodes.empty()) return false;
    PackSelection();
    const auto& options = options_.SelectionOptions;
    const bool levelConstraint = options.Contains(toLevelSelectConstraint);
    const bool siblingConstraint = options.Contains(toSiblingSelectConstraint);
    if (!forceInsert) {
        if (levelConstraint && lastSelectionLevel_ < 0) lastSelectionLevel_ = GetNodeLevel(nodes[0]);
        if (siblingConstraint && !rangeAnchor_) rangeAnchor_ = nodes[0];
    }
    int index = 0;
    for (PLazyNode& node : nodes) {
        // A node already in the array would be there twice, forced or not.
        const bool drop = forceInsert
                              ? FindNodeInSelection(node, index)
                              : node->States.Contains(nsSelected) || node->States.Contains(nsDisabled) ||
                                    (levelConstraint && GetNodeLevel(node) != lastSelectionLevel_) ||
                                    (siblingConstraint && node->Parent != rangeAnchor_->Parent);
        if (drop)
            node = Marked(node);
        else
            node->States.Include(nsSelected);
    }
    const int kept = CompactSelection(nodes.data(), static_cast<int>(nodes.size()));
    nodes.resize(static_cast<std::size_t>(std::max(kept, 0)));
    if (nodes.empty()) return false;
    std::sort(nodes.begin(), nodes.end());
    const auto oldCount = static_cast<std::ptrdiff_t>(selection_.size());
    selection_.insert(selection_.end(), nodes.begin(), nodes.end());
    std::inplace_merge(selection_.begin(), selection_.begin() + oldCount, selection_.end());
    return true;
}

void TLazyTreeModel::AddToSelection(PLazyNode node) {
    RTL_ASSERT_MSG(node, "Node must not be nil!");
    if (!InternalAddToSelection(node)) return;
    InvalidateNode(node);
    Change(node);
}

void TLazyTreeModel::AddToSelection(std::vector<PLazyNode> nodes, bool forceInsert) {
    const PLazyNode single = nodes.size() == 1 ? nodes[0] : nullptr;
    if (!InternalAddToSelection(nodes, forceInsert)) return;
    if (single) {
        InvalidateNode(single);
    } else if (HandleAllocated() && updateCount_ == 0) {
        host_->Invalidate(nullptr);
    }
    Change(single);
}

// Marks the entry: the array stays sorted and is packed at the end of the bracket.
void TLazyTreeModel::InternalRemoveFromSelection(PLazyNode node) {
    int index = 0;
    if (!FindNodeInSelection(node, index)) return;
    selection_[index] = Marked(node);
    selectionMarked_ = true;
    node->States.Exclude(nsSelected);
}

void TLazyTreeModel::RemoveFromSelection(PLazyNode node) {
    RTL_ASSERT_MSG(node, "Node must not be nil!");
    if (!IsSelected(node)) return;
    node->States.Exclude(nsSelected);
    int index = 0;
    if (FindNodeInSelection(node, index)) selection_.erase(selection_.begin() + index);
    if (selection_.empty()) ResetRangeAnchor();
    Change(node);
}

void TLazyTreeModel::PackSelection() {
    if (!selectionMarked_) return;
    const int kept = CompactSelection(selection_.data(), static_cast<int>(selection_.size()));
    if (kept >= 0) selection_.resize(static_cast<std::size_t>(kept));
    selectionMarked_ = false;
}

void TLazyTreeModel::InternalClearSelection() {
    PackSelection();
    for (auto it = selection_.rbegin(); it != selection_.rend(); ++it)
        (*it)->States.Exclude(nsSelected);
    selection_.clear();
    selection_.shrink_to_fit();
    ResetRangeAnchor();
    if (states_.Contains(tsClearPending)) DoStateChange({}, {tsClearPending});
}

void TLazyTreeModel::UnselectAll() {
    PackSelection();
    if (selection_.empty()) return;
    if (updateCount_ == 0 && HandleAllocated() && visibleCount_ > 0) {
        // Only rows on screen need painting again.
        int top = 0;
        std::size_t left = selection_.size();
        for (PLazyNode run = GetNodeAt(0, 0, true, &top); run && top < ClientHeight() && left > 0;
             run = GetNextVisibleNoInit(run)) {
            if (IsSelected(run)) {
                InvalidateNode(run);
                --left;
            }
            top += NodeHeight(run);
        }
    }
    InternalClearSelection();
    Change(nullptr);
}

void TLazyTreeModel::SelectAll(bool visibleOnly) {
    if (!options_.SelectionOptions.Contains(toMultiSelect)) return;
    std::vector<PLazyNode> nodes;
    if (visibleOnly) {
        for (PLazyNode run = GetFirstVisible(); run; run = GetNextVisible(run))
            if (!IsSelected(run)) nodes.push_back(run);
    } else {
        for (PLazyNode run = GetFirst(); run; run = GetNext(run))
            if (!IsSelected(run)) nodes.push_back(run);
    }
    AddToSelection(std::move(nodes), false);
    if (HandleAllocated() && updateCount_ == 0) host_->Invalidate(nullptr);
}

std::pair<PLazyNode, PLazyNode> TLazyTreeModel::DisplayOrdered(PLazyNode node1, PLazyNode node2) const {
    if (CompareTreeOrder(node1, node2, true) > 0) return {node2, node1};
    return {node1, node2};
}

void TLazyTreeModel::SelectNodes(PLazyNode startNode, PLazyNode endNode, bool addOnly) {
    RTL_ASSERT_MSG(endNode, "EndNode must not be nil!");
    if (!startNode) {
        startNode = GetFirstVisible();
    } else if (!IsFullyShown(startNode)) {
        PLazyNode previous = GetPreviousVisible(startNode);
        startNode = previous ? previous : GetFirstVisible();
    }
    if (!startNode) return;
    const auto [first, last] = DisplayOrdered(startNode, endNode);
    PLazyNode anchor = rangeAnchor_;
    if (!addOnly) InternalClearSelection();
    std::vector<PLazyNode> nodes;
    for (PLazyNode run = first; run; run = GetNextVisible(run)) {
        nodes.push_back(run);
        if (run == last) break;
    }
    InternalAddToSelection(nodes, false);
    if (IsSelected(anchor)) rangeAnchor_ = anchor;
}

void TLazyTreeModel::ToggleSelection(PLazyNode startNode, PLazyNode endNode) {
    RTL_ASSERT_MSG(endNode, "EndNode must not be nil!");
    if (!startNode) startNode = GetFirst();
    if (startNode && !IsFullyShown(startNode)) startNode = GetPreviousVisible(startNode);
    if (!startNode || CompareTreeOrder(startNode, endNode, true) == 0) return;
    const auto [first, last] = DisplayOrdered(startNode, endNode);
    // The ends belong to the range only on the side away from the anchor.
    const auto toggles = [this, first = first, last = last](PLazyNode node) {
        if (node != first && node != last) return true;
        if (!rangeAnchor_) return true;
        return node == first ? CompareTreeOrder(node, rangeAnchor_, true) < 0
                             : CompareTreeOrder(node, rangeAnchor_, true) > 0;
    };
    std::vector<PLazyNode> nodes;
    for (PLazyNode run = first; run; run = GetNextVisible(run)) {
        if (toggles(run)) {
            if (IsSelected(run))
                InternalRemoveFromSelection(run);
            else
                nodes.push_back(run);
        }
        if (run == last) break;
    }
    PackSelection();
    if (rangeAnchor_ && !IsSelected(rangeAnchor_)) nodes.push_back(rangeAnchor_);
    InternalAddToSelection(nodes, false);
}

void TLazyTreeModel::UnselectNodes(PLazyNode startNode, PLazyNode endNode) {
    RTL_ASSERT_MSG(endNode, "EndNode must not be nil!");
    if (startNode && !IsFullyShown(startNode)) startNode = GetPreviousVisible(startNode);
    if (!startNode) startNode = GetFirst();
    if (!startNode) return;
    const auto [first, last] = DisplayOrdered(startNode, endNode);
    for (PLazyNode run = first; run; run = GetNextVisible(run)) {
        InternalRemoveFromSelection(run);
        if (run == last) break;
    }
    PackSelection();
}

void TLazyTreeModel::ResetRangeAnchor() {
    rangeAnchor_ = focusedNode_;
    lastSelectionLevel_ = -1;
}

// --- Focus --------------------------------------------------------------------------------------------

void TLazyTreeModel::DoFocusNode(PLazyNode node, bool ask) {
    if (node == root_) node = nullptr;
    if (node != focusedNode_ &&
        (!ask || DoFocusChanging(focusedNode_, node, focusedColumn_, focusedColumn_))) {
        PLazyNode old = focusedNode_;
        if (options_.AutoOptions.Contains(toAutoExpand) && node && old && old->Parent == node->Parent &&
            Expanded(old))
            ToggleNode(old);
        else
            InvalidateNode(old);
        focusedNode_ = node;
    }
    if (focusedNode_) {
        if (options_.AutoOptions.Contains(toAutoExpand) && !Expanded(focusedNode_)) ToggleNode(focusedNode_);
        InvalidateNode(focusedNode_);
        // Centring under a pressed button would move the node away from the mouse.
        if (updateCount_ == 0 && !options_.AutoOptions.Contains(toDisableAutoscrollOnFocus))
            ScrollIntoView(focusedNode_,
                           options_.SelectionOptions.Contains(toCenterScrollIntoView) && !MouseButtonDown());
    }
    if (selection_.empty()) ResetRangeAnchor();
}

void TLazyTreeModel::SetFocusedNode(PLazyNode node) {
    PLazyNode old = focusedNode_;
    DoFocusNode(node, true);
    if (node != old && node == focusedNode_) DoFocusChange(focusedNode_, focusedColumn_);
}

void TLazyTreeModel::SetFocusedColumn(int column) {
    if (column == focusedColumn_) return;
    if (!DoFocusChanging(focusedNode_, focusedNode_, focusedColumn_, column)) return;
    InvalidateNode(focusedNode_);
    focusedColumn_ = column;
    if (focusedNode_ && !options_.AutoOptions.Contains(toDisableAutoscrollOnFocus) &&
        ScrollIntoView(focusedNode_, options_.SelectionOptions.Contains(toCenterScrollIntoView)))
        InvalidateNode(focusedNode_);
    DoFocusChange(focusedNode_, focusedColumn_);
}

void TLazyTreeModel::SetFocusedNodeAndColumn(PLazyNode node, int column) {
    const bool changed = node != focusedNode_ || column != focusedColumn_;
    const int oldColumn = focusedColumn_;
    focusedColumn_ = column;
    DoFocusNode(node, true);
    if (node == focusedNode_) {
        if (changed) DoFocusChange(focusedNode_, focusedColumn_);
    } else {
        focusedColumn_ = oldColumn;
    }
}

// --- Selection writers --------------------------------------------------------------------------------

void TLazyTreeModel::SetSelected(PLazyNode node, bool value) {
    if (selectionLocked_ || !node || node == root_ || IsSelected(node) == value) return;
    if (value) {
        if (selection_.empty())
            rangeAnchor_ = node;
        else if (!options_.SelectionOptions.Contains(toMultiSelect))
            InternalClearSelection();
        AddToSelection(node);
        if (!rangeAnchor_) rangeAnchor_ = node;
    } else {
        RemoveFromSelection(node); // an emptied selection anchors at the focused node
    }
    if (IsFullyShown(node) && !IsEffectivelyFiltered(node)) InvalidateNode(node);
}

void TLazyTreeModel::HandleClickSelection(PLazyNode newNode, ui::TShiftState shift, bool dragPending) {
    const bool ctrl = shift.Contains(ui::ssCtrl);
    const bool shiftDown = shift.Contains(ui::ssShift);
    if (ctrl && shiftDown) {
        SelectNodes(rangeAnchor_, newNode, true);
        if (HandleAllocated()) host_->Invalidate(nullptr);
    } else if (ctrl) {
        if (!options_.SelectionOptions.Contains(toSiblingSelectConstraint)) rangeAnchor_ = newNode;
        // With a drag to come the toggle waits for the button's release.
        if (dragPending)
            DoStateChange({tsToggleFocusedSelection});
        else
            SetSelected(newNode, !IsSelected(newNode));
    } else if (shiftDown) {
        if (!rangeAnchor_) rangeAnchor_ = GetFirst();
        SelectNodes(rangeAnchor_, newNode, false);
        if (HandleAllocated()) host_->Invalidate(nullptr);
    } else {
        if (!IsSelected(newNode)) AddToSelection(newNode);
        rangeAnchor_ = newNode;
    }
}

// --- Rubber band --------------------------------------------------------------------------------------

void TLazyTreeModel::StartDrawSelection(int x, int y, ui::TShiftState shift) {
    const TTreePoint start{x - offsetX_, y - offsetY_};
    newSelectionRect_ = {start.X, start.Y, start.X, start.Y};
    lastSelectionRect_ = newSelectionRect_;
    drawSelectionToggles_ = shift.Contains(ui::ssCtrl);
    DoStateChange({tsDrawSelecting}, {tsDrawSelPending});
}

void TLazyTreeModel::StopDrawSelection() {
    DoStateChange({}, {tsDrawSelecting, tsDrawSelPending});
    lastSelectionRect_ = newSelectionRect_ = {};
}

bool TLazyTreeModel::CalculateSelectionRect(int x, int y) {
    if (states_.Contains(tsDrawSelecting)) lastSelectionRect_ = newSelectionRect_;
    newSelectionRect_.Right = std::clamp(x - offsetX_, 0, std::max(ClientWidth(), rangeX_));
    newSelectionRect_.Bottom = std::clamp(y - offsetY_, 0, std::max(ClientHeight(), rangeY_));
    return newSelectionRect_ != lastSelectionRect_;
}

bool TLazyTreeModel::BandCovers(const TTreeRect& band, PLazyNode node, int top, int bottom) {
    if (band.IsEmpty() || band.Top >= bottom || band.Bottom <= top) return false;
    const auto& selection = options_.SelectionOptions;
    if (selection.Contains(toSimpleDrawSelection)) return true;
    // Without columns the node area is the client width.
    const int areaRight = ClientWidth();
    if (selection.Contains(toFullRowSelect)) return band.Left < areaRight && band.Right > 0;
    const int levels = GetNodeLevel(node) + (options_.PaintOptions.Contains(toShowRoot) ? 1 : 0);
    int left = margin_ + levels * indent_;
    if (options_.MiscOptions.Contains(toCheckSupport) && node->CheckType != ctNone)
        left += kCheckImageSize + 2;
    int right = areaRight;
    // Only the text selects, so that a band through the empty area right of short texts takes none.
    const int textWidth = DoGetNodeWidth(node, kNoColumn);
    if (textWidth < right - left) {
        switch (alignment_) {
        case taLeftJustify:
            right = left + textWidth;
            break;
        case taCenter:
            left += (right - left - textWidth) / 2;
            right = left + textWidth;
            break;
        case taRightJustify:
            left = right - textWidth;
            break;
        }
    }
    return band.Left < right && band.Right > left;
}

bool TLazyTreeModel::HandleDrawSelection() {
    if (root_->TotalCount <= 1 || !states_.Contains(tsDrawSelecting)) return false;
    const TTreeRect oldBand = Normalized(lastSelectionRect_);
    const TTreeRect newBand = Normalized(newSelectionRect_);
    std::vector<PLazyNode> added;
    bool changed = false;
    int top = 0;
    PLazyNode run = GetNodeAt(0, std::min(oldBand.Top, newBand.Top), false, &top);
    const int bottomEnd = std::max(oldBand.Bottom, newBand.Bottom);
    while (run && top < bottomEnd) {
        const int bottom = top + NodeHeight(run);
        const bool inNew = BandCovers(newBand, run, top, bottom);
        if (BandCovers(oldBand, run, top, bottom) != inNew) {
            changed = true;
            const bool select = drawSelectionToggles_ ? !IsSelected(run) : inNew;
            if (select)
                added.push_back(run);
            else
                InternalRemoveFromSelection(run);
        }
        run = GetNextVisibleNoInit(run);
        top = bottom;
    }
    if (!changed) return false;
    PackSelection();
    InternalAddToSelection(added, false);
    Change(nullptr);
    return true;
}

} // namespace lazytree
