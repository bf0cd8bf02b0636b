#include "lazytree/LazyTreeError.h"
#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"
#include "platform/rtl/Exception.h"

#include <algorithm>
#include <cstring>

namespace lazytree {

void RaiseTreeError(const std::string& message, int helpContext) {
    throw ELazyTreeError(message, helpContext);
}

PLazyNode TLazyTreeModel::AddChild(PLazyNode parent, void* userData) {
    if (ReadOnly()) return nullptr;
    // The user pointer needs its room: checked before anything is added.
    if (userData && nodeDataSize_ < kUserPointerSize)
        RaiseTreeError(SCannotSetUserData, hcTFCannotSetUserData);
    if (!parent) parent = root_;
    EnsureInitialized(parent);
    {
        // Counted as updating, without the OnUpdating events of a bracket.
        ++updateCount_;
        TScopeExit quiet([this] { --updateCount_; });
        ResizeChildList(parent, parent->ChildCount + 1);
    }
    parent->States.Exclude(nsAllChildrenHidden);
    PLazyNode result = parent->LastChild;
    if (userData) {
        std::memcpy(GetNodeData(result), &userData, sizeof userData);
        result->States.Include(nsFreeNotifyRequired);
    }
    if (updateCount_ == 0) {
        if (states_.Contains(tsStructureChangePending)) DoStructureChange(ReportedNode(parent), crChildAdded);
        InvalidateToBottom(parent);
        UpdateScrollBars();
    }
    return result;
}

void TLazyTreeModel::InitNode(PLazyNode node) {
    // Set first, so that the handler may call back into the tree for this node.
    node->States.Include(nsInitialized);
    TLazyNodeInitStates initStates;
    DoInitNode(ReportedNode(node->Parent), node, initStates);
    if (initStates.Contains(ivsDisabled)) node->States.Include(nsDisabled);
    if (initStates.Contains(ivsHasChildren)) node->States.Include(nsHasChildren);
    if (initStates.Contains(ivsSelected)) InternalAddToSelection(node);
    if (initStates.Contains(ivsMultiline)) node->States.Include(nsMultiline);
    const bool wantExpanded = initStates.Contains(ivsExpanded);
    if (node->States.Contains(nsExpanded) == wantExpanded) return;
    if (wantExpanded) {
        // Coming to life expanded is no toggle of the user's: the view stays where it is. (Scrolling
        // after it would bring the next nodes into view, which come to life expanded in turn, and so
        // on through the whole tree.)
        const bool nested = states_.Contains(tsExpanding);
        if (!nested) DoStateChange({tsExpanding});
        TScopeExit done([this, nested] {
            if (!nested) DoStateChange({}, {tsExpanding});
        });
        ToggleNode(node);
    } else if (node->States.Contains(nsHasChildren))
        InitChildren(node); // expanded from an earlier life: count again
}

void TLazyTreeModel::InitChildren(PLazyNode node) {
    if (!node || node == root_ || !node->States.Contains(nsHasChildren)) return;
    uint32_t count = node->ChildCount;
    DoInitChildren(node, count);
    if (count > 0) {
        ResizeChildList(node, count);
    } else {
        RemoveChildren(node, false);
        node->States.Exclude(nsHasChildren);
    }
}

void TLazyTreeModel::EnsureInitialized(PLazyNode node) {
    if (node && !node->States.Contains(nsInitialized)) InitNode(node);
}

void TLazyTreeModel::EnsureChildrenCounted(PLazyNode node) {
    if (node && node != root_ && node->States.Contains(nsHasChildren) && node->ChildCount == 0)
        InitChildren(node);
}

void TLazyTreeModel::RemoveNode(PLazyNode node, bool reindex) {
    if (!node || node == root_ || ReadOnly()) return;
    RTL_ASSERT_MSG(!states_.Contains(tsIterating),
                   "Deleting nodes during tree iteration leads to invalid pointers.");
    PLazyNode parent = node->Parent;
    InvalidateCache(node); // before any of its subtree is freed
    const bool parentClearing = parent->States.Contains(nsClearing);
    if (!parentClearing) StructureChange(ReportedNode(parent), crChildDeleted);
    const int oldX = offsetX_, oldY = offsetY_;
    if (node->States.Contains(nsSelected)) {
        if (updateCount_ > 0) {
            InternalRemoveFromSelection(node);
        } else {
            const bool synch = states_.Contains(tsSynchMode);
            DoStateChange({tsSynchMode});
            RemoveFromSelection(node);
            if (!synch) DoStateChange({}, {tsSynchMode});
            InvalidateToBottom(parent);
        }
    } else {
        InvalidateToBottom(parent);
    }
    if (states_.Contains(tsHint)) DoStateChange({}, {tsHint});
    RemoveChildren(node, false);
    DisconnectNode(node, false, reindex);
    DoFreeNode(node);
    if (!parentClearing) {
        UpdateHiddenChildrenFlag(parent);
        if (updateCount_ == 0) {
            UpdateScrollBars();
            if ((oldX != offsetX_ || oldY != offsetY_) && host_) host_->Invalidate(nullptr);
        }
    }
}

void TLazyTreeModel::RemoveChildren(PLazyNode node, bool resetHasChildren) {
    if (!node) node = root_;
    if (!node->FirstChild || ReadOnly()) return;
    RTL_ASSERT_MSG(!states_.Contains(tsIterating),
                   "Deleting nodes during tree iteration leads to invalid pointers.");
    InvalidateCache(node->FirstChild);
    {
        ++updateCount_;
        TScopeExit quiet([this] { --updateCount_; });
        const bool parentVisible = node == root_ || (IsFullyShown(node) && node->States.Contains(nsExpanded));
        node->States.Include(nsClearing);
        for (PLazyNode child = node->LastChild; child;) {
            PLazyNode previous = child->PrevSibling;
            if (parentVisible && IsEffectivelyVisible(child)) --visibleCount_;
            child->States.Include(nsDeleting);
            if (previous) previous->NextSibling = nullptr;
            RemoveNode(child, true);
            child = previous;
        }
        node->States.Exclude(nsClearing);
        if (resetHasChildren) node->States.Exclude(nsHasChildren);
        if (node != root_) node->States.Exclude(nsExpanded);
        node->ChildCount = 0;
        node->FirstChild = nullptr;
        node->LastChild = nullptr;
        if (node == root_ || node->States.Contains(nsDeleting)) {
            // An empty tree has the range of its root alone, as after construction.
            node->TotalCount = 1;
            node->TotalHeight = node->NodeHeight;
        } else {
            PropagateTotalCount(node, 1, false);
            PropagateTotalHeight(node, node->NodeHeight, false);
        }
    }
    if (updateCount_ == 0) {
        PackSelection();
        const int oldX = offsetX_, oldY = offsetY_;
        UpdateScrollBars();
        if (oldX != offsetX_ || oldY != offsetY_)
            host_ ? host_->Invalidate(nullptr) : void();
        else
            InvalidateToBottom(node);
    }
    StructureChange(ReportedNode(node), crChildDeleted);
}

void TLazyTreeModel::RemoveSelectedNodes() {
    if (selection_.empty() || ReadOnly()) return;
    BeginUpdate();
    TScopeExit ended([this] { EndUpdate(); });
    const std::vector<PLazyNode> nodes = GetSortedSelection(true);
    for (std::size_t i = nodes.size(); i-- > 0;) {
        const bool reindex = i == 0 || nodes[i]->Parent != nodes[i - 1]->Parent;
        RemoveNode(nodes[i], reindex);
    }
}

void TLazyTreeModel::Clear() {
    if (ReadOnly()) return;
    BeginUpdate();
    TScopeExit ended([this] { EndUpdate(); });
    UnselectAll();
    focusedNode_ = nullptr; // forgotten without focus events
    lastChangedNode_ = nullptr;
    rangeAnchor_ = nullptr;
    RemoveChildren(root_, true);
    offsetX_ = 0;
    offsetY_ = 0;
}

void TLazyTreeModel::ResetNode(PLazyNode node) {
    if (!node || node == root_) {
        Clear();
        return;
    }
    DoReset(node);
    RemoveChildren(node, false);
    for (auto s :
         {nsInitialized, nsChecking, nsCutOrCopy, nsDeleting, nsExpanded, nsHasChildren, nsHeightMeasured})
        node->States.Exclude(s);
    InvalidateNode(node);
}

void TLazyTreeModel::ReinitNode(PLazyNode node, bool recursive) {
    if (!node || node == root_) return;
    for (auto s : {nsChecking, nsCutOrCopy, nsDeleting, nsHeightMeasured})
        node->States.Exclude(s);
    InitNode(node);
    if (recursive) ReinitChildren(node, true);
}

void TLazyTreeModel::ReinitChildren(PLazyNode node, bool recursive) {
    if (!node) node = root_;
    InitChildren(node);
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
        ReinitNode(child, recursive);
}

void TLazyTreeModel::InitializeChildren(PLazyNode node, bool recursive) {
    if (!node) node = root_;
    EnsureChildrenCounted(node);
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
        InitializeSubtree(child, recursive);
}

void TLazyTreeModel::InitializeSubtree(PLazyNode node, bool recursive) {
    EnsureInitialized(node);
    if (recursive) InitializeChildren(node, true);
}

void TLazyTreeModel::ConnectNode(PLazyNode node, PLazyNode destination, TVTNodeAttachMode mode) {
    if (mode == amNoWhere) return;
    if (!destination) destination = root_;
    PLazyNode parent = (mode == amInsertBefore || mode == amInsertAfter) ? destination->Parent : destination;
    switch (mode) {
    case amInsertBefore:
        node->PrevSibling = destination->PrevSibling;
        node->NextSibling = destination;
        if (destination->PrevSibling)
            destination->PrevSibling->NextSibling = node;
        else
            parent->FirstChild = node;
        destination->PrevSibling = node;
        node->Index = destination->Index;
        for (PLazyNode run = destination; run; run = run->NextSibling)
            ++run->Index;
        break;
    case amInsertAfter:
        node->PrevSibling = destination;
        node->NextSibling = destination->NextSibling;
        if (destination->NextSibling)
            destination->NextSibling->PrevSibling = node;
        else
            parent->LastChild = node;
        destination->NextSibling = node;
        node->Index = destination->Index + 1;
        for (PLazyNode run = node->NextSibling; run; run = run->NextSibling)
            ++run->Index;
        break;
    case amAddChildFirst: {
        node->PrevSibling = nullptr;
        node->NextSibling = parent->FirstChild;
        if (parent->FirstChild)
            parent->FirstChild->PrevSibling = node;
        else
            parent->LastChild = node;
        parent->FirstChild = node;
        uint32_t index = 0;
        for (PLazyNode run = node; run; run = run->NextSibling)
            run->Index = index++;
        break;
    }
    default: // amAddChildLast
        node->NextSibling = nullptr;
        node->PrevSibling = parent->LastChild;
        node->Index = parent->LastChild ? parent->LastChild->Index + 1 : 0;
        if (parent->LastChild)
            parent->LastChild->NextSibling = node;
        else
            parent->FirstChild = node;
        parent->LastChild = node;
        break;
    }
    node->Parent = parent;
    ++parent->ChildCount;
    parent->States.Include(nsHasChildren);
    PropagateTotalCount(parent, node->TotalCount, true);
    if (parent->States.Contains(nsExpanded) && IsEffectivelyVisible(node))
        PropagateTotalHeight(parent, node->TotalHeight, true);
    if (IsFullyShown(node) && !IsEffectivelyFiltered(node)) visibleCount_ += CountVisibleChildren(node) + 1;
    for (auto s : {nsChecking, nsCutOrCopy, nsDeleting, nsClearing})
        node->States.Exclude(s);
    if (parent != root_) {
        if (IsEffectivelyVisible(node))
            parent->States.Exclude(nsAllChildrenHidden);
        else if (parent->ChildCount == 1)
            parent->States.Include(nsAllChildrenHidden);
    }
    InvalidateCache(node);
}

void TLazyTreeModel::DisconnectNode(PLazyNode node, bool keepFocus, bool reindex) {
    RTL_ASSERT_MSG(node && node != root_, "Node must neither be nil nor the root node.");
    if (!node->States.Contains(nsDeleting)) InvalidateCache(node);
    if (node == focusedNode_ && !keepFocus) {
        DoFocusNode(nullptr, false);
        DoFocusChange(nullptr, focusedColumn_);
    }
    if (node == rangeAnchor_) rangeAnchor_ = nullptr;
    if (node == checkNode_) checkNode_ = nullptr;
    if (node == hotNode_) hotNode_ = nullptr;
    PLazyNode parent = node->Parent;
    if (parent != root_ && !parent->States.Contains(nsClearing)) {
        if (updateCount_ > 0)
            DoStateChange({tsUpdateHiddenChildrenNeeded});
        else
            UpdateHiddenChildrenFlag(parent);
    }
    if (node->States.Contains(nsDeleting)) return; // the parent drops all its children at once
    node->States.Exclude(nsChecking);
    const bool wasFullyShown = IsFullyShown(node) && !IsEffectivelyFiltered(node);
    const bool parentWasExpanded = parent->States.Contains(nsExpanded);
    --parent->ChildCount;
    if (parent->ChildCount == 0) {
        parent->States.Exclude(nsHasChildren).Exclude(nsAllChildrenHidden);
        if (parent != root_) parent->States.Exclude(nsExpanded);
    }
    PropagateTotalCount(parent, -static_cast<int64_t>(node->TotalCount), true);
    if (IsEffectivelyVisible(node) && parentWasExpanded)
        PropagateTotalHeight(parent, -static_cast<int64_t>(node->TotalHeight), true);
    if (wasFullyShown) visibleCount_ -= CountVisibleChildren(node) + 1;
    if (node->PrevSibling)
        node->PrevSibling->NextSibling = node->NextSibling;
    else
        parent->FirstChild = node->NextSibling;
    if (node->NextSibling) {
        node->NextSibling->PrevSibling = node->PrevSibling;
        if (reindex) {
            uint32_t index = node->Index;
            for (PLazyNode run = node->NextSibling; run; run = run->NextSibling)
                run->Index = index++;
        }
    } else {
        parent->LastChild = node->PrevSibling;
    }
    node->Parent = nullptr;
    node->PrevSibling = nullptr;
    node->NextSibling = nullptr;
}

void TLazyTreeModel::DoFreeNode(PLazyNode node) {
    if (node == lastChangedNode_) lastChangedNode_ = nullptr;
    if (node == lastStructureChangeNode_) lastStructureChangeNode_ = nullptr;
    if (node == lastSearchHit_) lastSearchHit_ = nullptr;
    if (node->States.Contains(nsInitialized) || node->States.Contains(nsFreeNotifyRequired))
        if (OnFreeNode) OnFreeNode(*this, node);
    FreeNodeBlock(node);
}

int TLazyTreeModel::GetNodeLevel(PLazyNode node) const {
    int level = 0;
    if (!node || node == root_) return 0;
    for (PLazyNode run = node->Parent; run && run != root_; run = run->Parent)
        ++level;
    return level;
}

bool TLazyTreeModel::HasAsParent(PLazyNode node, PLazyNode candidate) const {
    if (!node || !candidate || node == candidate) return false;
    for (PLazyNode run = node->Parent; run; run = run->Parent)
        if (run == candidate) return true;
    return false;
}

int TLazyTreeModel::CountLevelDifference(PLazyNode node1, PLazyNode node2) const {
    return GetNodeLevel(node2) - GetNodeLevel(node1);
}

uint32_t TLazyTreeModel::CountVisibleChildren(PLazyNode node) const {
    if (!node->States.Contains(nsExpanded)) return 0;
    uint32_t count = 0;
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
        if (IsEffectivelyVisible(child)) count += 1 + CountVisibleChildren(child);
    return count;
}

void TLazyTreeModel::UpdateHiddenChildrenFlag(PLazyNode node) {
    if (node->ChildCount > 0) {
        bool anyVisible = false;
        for (PLazyNode child = node->FirstChild; child && !anyVisible; child = child->NextSibling)
            anyVisible = IsEffectivelyVisible(child);
        node->States.Set(nsAllChildrenHidden, !anyVisible);
    } else {
        // Children not yet counted may still be visible.
        node->States.Set(nsAllChildrenHidden, !node->States.Contains(nsHasChildren));
    }
}

void TLazyTreeModel::UpdateAllHiddenChildrenFlags() {
    for (PLazyNode run = GetFirstNoInit(); run; run = GetNextNoInit(run))
        UpdateHiddenChildrenFlag(run);
}

} // namespace lazytree
