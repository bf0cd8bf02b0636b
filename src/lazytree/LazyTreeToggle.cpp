#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"
#include "platform/rtl/Exception.h"

namespace lazytree {

void TLazyTreeModel::ToggleNode(PLazyNode node) {
    RTL_ASSERT_MSG(node, "Node must not be nil.");
    // A toggle from inside OnExpanding or OnCollapsing of the same node is ignored.
    if (node->States.Contains(nsToggling) || node->States.Contains(nsDeleting)) return;
    const bool wasToggling = states_.Contains(tsToggling);
    DoStateChange({tsToggling});
    node->States.Include(nsToggling);
    TScopeExit toggled([this, node, wasToggling] {
        node->States.Exclude(nsToggling);
        if (!wasToggling) DoStateChange({}, {tsToggling});
    });

    bool allowed = true;
    int heightDelta = 0;
    const bool collapsing = node->States.Contains(nsExpanded);
    if (collapsing) {
        allowed = DoCollapsing(node);
        if (allowed) {
            InvalidateCache(node); // while its children are still shown
            if (IsFullyShown(node)) visibleCount_ -= CountVisibleChildren(node);
            PropagateTotalHeight(node, node->NodeHeight, false);
            node->States.Exclude(nsExpanded);
            DoCollapsed(node);
            if (options_.AutoOptions.Contains(toAutoFreeOnCollapse) && node->ChildCount > 0) {
                // Counted anew at the next expansion.
                RemoveChildren(node);
                node->States.Include(nsHasChildren);
            }
        }
    } else {
        allowed = DoExpanding(node);
        if (allowed) {
            EnsureInitialized(node);
            EnsureChildrenCounted(node);
            // A node without children after counting stays collapsed.
            if (node->ChildCount > 0 && !node->States.Contains(nsExpanded)) {
                InvalidateCache(node);
                for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
                    if (IsEffectivelyVisible(child)) heightDelta += static_cast<int>(child->TotalHeight);
                node->States.Include(nsExpanded);
                PropagateTotalHeight(node, heightDelta, true);
                if (IsFullyShown(node)) visibleCount_ += CountVisibleChildren(node);
                DoExpanded(node);
            }
        }
    }
    if (!allowed) {
        InvalidateNode(node);
        return;
    }
    if (updateCount_ > 0) {
        UpdateRanges();
    } else if (node->ChildCount > 0) {
        UpdateRanges();
        ScrollAfterToggle(node, !collapsing, heightDelta);
    } else {
        InvalidateNode(node);
    }
}

void TLazyTreeModel::ScrollAfterToggle(PLazyNode node, bool expanded, int heightDelta) {
    bool invalidateAll = false;
    if (!states_.Contains(tsPainting) && !states_.Contains(tsExpanding)) {
        const bool autoScroll = options_.AutoOptions.Contains(toAutoScrollOnExpand);
        const bool childrenAbove = options_.PaintOptions.Contains(toChildrenAbove);
        if (!expanded || (!autoScroll && !childrenAbove)) {
            invalidateAll = true;
        } else if (childrenAbove) {
            if (heightDelta <= ClientHeight() || !autoScroll) {
                SetOffsetY(offsetY_ - heightDelta);
            } else {
                const TTreeRect r = GetDisplayRect(node, kNoColumn, false);
                if (r.Height() <= ClientHeight())
                    ApplyScrollOffset(offsetX_, offsetY_ - (r.Top - heightDelta));
                else
                    ApplyScrollOffset(offsetX_, offsetY_ + ClientHeight() - r.Bottom);
            }
            invalidateAll = true;
        } else {
            const TTreeRect r = GetDisplayRect(node, kNoColumn, false);
            if (r.Top + static_cast<int64_t>(node->TotalHeight) <= ClientHeight()) {
                ScrollIntoView(GetLastVisible(node), false);
            } else {
                SetOffsetY(offsetY_ - r.Top);
                invalidateAll = true;
            }
        }
    }
    UpdateScrollBars();
    if (invalidateAll) {
        if (HandleAllocated()) host_->Invalidate(nullptr);
    } else {
        InvalidateToBottom(node);
    }
}

void TLazyTreeModel::SetExpanded(PLazyNode node, bool value) {
    if (node && node != root_ && Expanded(node) != value) ToggleNode(node);
}

void TLazyTreeModel::FullExpand(PLazyNode node) {
    if (root_->TotalCount < 2) return;
    DoStateChange({tsExpanding});
    BeginUpdate();
    TScopeExit ended([this] {
        EndUpdate();
        DoStateChange({}, {tsExpanding});
    });
    PLazyNode stop = nullptr;
    PLazyNode run = node;
    if (node && node != root_) {
        for (PLazyNode up = node; !stop && up != root_; up = up->Parent)
            stop = up->NextSibling;
        EnsureInitialized(run);
    } else {
        run = GetFirst();
    }
    // Only nodes that can have children are asked: leaves would stay collapsed anyway.
    for (; run && run != stop; run = GetNext(run))
        if (!run->States.Contains(nsExpanded) && run->States.Contains(nsHasChildren)) ToggleNode(run);
}

void TLazyTreeModel::FullCollapse(PLazyNode node) {
    if (root_->TotalCount < 2) return;
    if (node == root_) node = nullptr;
    DoStateChange({tsCollapsing});
    BeginUpdate();
    TScopeExit ended([this] {
        EndUpdate();
        DoStateChange({}, {tsCollapsing});
    });
    const auto qualifies = [](PLazyNode n) {
        return n->States.Contains(nsExpanded) && n->States.Contains(nsHasChildren);
    };
    // Backwards, so that a node is collapsed after its descendants.
    for (PLazyNode run = GetLastVisibleNoInit(node, true, true); run && run != node;) {
        PLazyNode previous = GetPreviousNoInit(run);
        if (qualifies(run)) ToggleNode(run);
        run = previous;
    }
    if (node && qualifies(node)) ToggleNode(node);
}

} // namespace lazytree
