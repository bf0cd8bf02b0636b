#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"

#include <algorithm>

namespace lazytree {

void TLazyTreeModel::InvalidateCache(PLazyNode node) {
    PLazyNode parent = node ? node->Parent : nullptr;
    if (!node || node == root_ || !parent) {
        cache_.Clear();
    } else if (parent != root_ && !(IsFullyShown(parent) && parent->States.Contains(nsExpanded))) {
        return; // nothing on display moves: the cache holds only shown nodes
    } else {
        // Entries are in display order: from the back, the ones after node, node itself and its
        // descendants (before it when children are shown above) go.
        cache_.TruncateWhile([this, node](PLazyNode entry) {
            return entry == node || HasAsParent(entry, node) || CompareTreeOrder(entry, node, true) > 0;
        });
    }
    DoStateChange({tsValidationNeeded}, cache_.Empty() ? TLazyTreeStates{tsUseCache} : TLazyTreeStates{});
}

void TLazyTreeModel::ValidateCache() {
    int64_t top = 0;
    const auto& entries = cache_.Entries();
    WalkPositions(entries.empty() ? TPositionCache::TEntry{} : entries.back(), top,
                  [](PLazyNode, int64_t) { return false; });
}

PLazyNode TLazyTreeModel::WalkPositions(TPositionCache::TEntry start, int64_t& top,
                                        const std::function<bool(PLazyNode, int64_t)>& arrived) {
    const bool extend = start.Node == nullptr ? cache_.Empty() : cache_.IsLast(start.Node);
    PLazyNode node = start.Node ? start.Node : GetFirstVisibleNoInit();
    top = start.Top;
    uint32_t sinceEntry = 0;
    for (; node; node = GetNextVisibleNoInit(node), ++sinceEntry) {
        if (extend && sinceEntry == TPositionCache::kSpacing) {
            cache_.Append(node, top);
            sinceEntry = 0;
        }
        if (arrived(node, top)) break;
        top += node->NodeHeight;
    }
    if (extend && node == nullptr) DoStateChange({}, {tsValidationNeeded}); // walked to the end
    if (!cache_.Empty()) DoStateChange({tsUseCache});
    return node;
}

int TLazyTreeModel::NodeHeight(PLazyNode node) {
    if (options_.MiscOptions.Contains(toVariableNodeHeight)) MeasureItemHeight(node);
    return node->NodeHeight;
}

void TLazyTreeModel::MeasureItemHeight(PLazyNode node) {
    if (node->States.Contains(nsHeightMeasured)) return;
    node->States.Include(nsHeightMeasured);
    int height = node->NodeHeight;
    DoMeasureItem(node, height);
    if (height != node->NodeHeight) ChangeNodeHeight(node, height);
}

// The absolute top of a visible node: summed from the nearest cache entry, or from the first node.
int TLazyTreeModel::NodeTop(PLazyNode node) {
    int64_t top = 0;
    WalkPositions(
        cache_.EntryForNode(node, [this](PLazyNode a, PLazyNode b) { return CompareTreeOrder(a, b, true); }),
        top, [node](PLazyNode run, int64_t) { return run == node; });
    return static_cast<int>(top);
}

PLazyNode TLazyTreeModel::GetNodeAt(int /*x*/, int y, bool relative, int* nodeTop) {
    if (y < 0) y = 0;
    const int64_t absoluteY = relative ? int64_t{y} - offsetY_ : y;
    int64_t top = 0;
    PLazyNode node =
        WalkPositions(cache_.EntryForY(absoluteY), top, [absoluteY](PLazyNode run, int64_t runTop) {
            return runTop + run->NodeHeight > absoluteY;
        });
    if (!node) return nullptr;
    if (nodeTop) *nodeTop = static_cast<int>(top + (relative ? offsetY_ : 0));
    return node;
}

TTreeRect TLazyTreeModel::GetDisplayRect(PLazyNode node, int column, bool textOnly, bool unclipped) {
    RTL_ASSERT_MSG(node, "Node must not be nil.");
    RTL_ASSERT_MSG(node != root_, "Node must not be the hidden root node.");
    const bool isMainColumn = column <= 0; // without columns the whole width is the main column
    EnsureInitialized(node);
    if (!IsEffectivelyVisible(node)) return {};
    int indentation = 0;
    for (PLazyNode run = node->Parent; run != root_; run = run->Parent) {
        if (!run->States.Contains(nsVisible) || !run->States.Contains(nsExpanded)) return {};
        if (isMainColumn) indentation += indent_;
    }
    const int top = NodeTop(node);
    TTreeRect r{offsetX_, top + offsetY_, std::max(ClientWidth(), rangeX_) + offsetX_,
                top + offsetY_ + NodeHeight(node)};
    if (!textOnly) return r;

    int offset = margin_ + indentation;
    if (isMainColumn && options_.PaintOptions.Contains(toShowRoot)) offset += indent_;
    // Right to left the indentation is on the right and the alignment mirrored.
    const bool rightToLeft = biDiMode_ != bdLeftToRight;
    if (rightToLeft)
        r.Right -= offset;
    else
        r.Left += offset;
    const int textWidth = DoGetNodeWidth(node, column);
    TAlignment alignment = rightToLeft ? MirroredAlignment(alignment_) : alignment_;
    // Unclipped text keeps its whole width (left-aligned when it is wider than the cell); clipped text
    // is only narrowed into the cell.
    const auto align = [&](int leftWidth) {
        switch (alignment) {
        case taRightJustify:
            r.Left = r.Right - textWidth;
            break;
        case taCenter:
            r.Left = (r.Left + r.Right - textWidth) / 2;
            r.Right = r.Left + textWidth;
            break;
        default:
            r.Right = r.Left + leftWidth;
            break;
        }
    };
    if (unclipped) {
        if (r.Width() < textWidth - 1) alignment = rightToLeft ? taRightJustify : taLeftJustify;
        align(textWidth - 1);
    } else if (textWidth < r.Width()) {
        align(textWidth);
    }
    return r;
}

int TLazyTreeModel::GetMaxRightExtend() {
    PLazyNode node = GetNodeAt(0, 0);
    if (!node) return margin_;
    const int rootLevel = options_.PaintOptions.Contains(toShowRoot) ? 1 : 0;
    int indentation = (GetNodeLevel(node) + rootLevel) * indent_;
    int result = 0;
    int64_t heights = 0;
    // Only the nodes in view: the range follows what the user can see.
    while (node) {
        result = std::max(result, indentation + DoGetNodeWidth(node, kNoColumn));
        heights += node->NodeHeight;
        PLazyNode next = heights > ClientHeight() ? nullptr : GetNextVisible(node);
        if (next) indentation += CountLevelDifference(node, next) * indent_;
        node = next;
    }
    return result + margin_;
}

void TLazyTreeModel::UpdateRanges() {
    if (root_->TotalHeight < static_cast<uint32_t>(defaultNodeHeight_))
        root_->TotalHeight = static_cast<uint32_t>(defaultNodeHeight_);
    rangeY_ = static_cast<int>(root_->TotalHeight) + bottomSpace_ - root_->NodeHeight;
    rangeX_ = ContentWidth();
}

} // namespace lazytree
