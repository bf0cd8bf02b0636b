#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"

#include <algorithm>

namespace lazytree {

void TLazyTreeModel::InvalidateCache() {
    cache_.Clear(); // its nodes may be freed from now on
    DoStateChange({tsValidationNeeded}, {tsUseCache});
}

void TLazyTreeModel::ValidateCache() {
    if (!states_.Contains(tsValidationNeeded)) return;
    cache_.Build(
        visibleCount_, GetFirstVisibleNoInit(), [this](PLazyNode n) { return GetNextVisibleNoInit(n); },
        [](PLazyNode n) { return static_cast<int>(n->NodeHeight); });
    DoStateChange(cache_.Empty() ? TLazyTreeStates{} : TLazyTreeStates{tsUseCache}, {tsValidationNeeded});
}

int TLazyTreeModel::NodeHeight(PLazyNode node) {
    if (options_.MiscOptions.Contains(toVariableNodeHeight)) MeasureItemHeight(node);
    return node->NodeHeight;
}

void TLazyTreeModel::MeasureItemHeight(PLazyNode node) {
    if (node->States.Contains(nsHeightMeasured)) return;
    node->States.Include(nsHeightMeasured);
    int height = node->NodeHeight;
    if (OnMeasureItem) OnMeasureItem(*this, node, height);
    if (height != node->NodeHeight) ChangeNodeHeight(node, height);
}

// The absolute top of a visible node: summed from the nearest cache entry, or from the first node.
int TLazyTreeModel::NodeTop(PLazyNode node) {
    ValidateCache();
    PLazyNode run = nullptr;
    int64_t top = 0;
    if (states_.Contains(tsUseCache)) {
        const auto entry = cache_.EntryForNode(
            node, [this](PLazyNode a, PLazyNode b) { return CompareTreeOrder(a, b, true); });
        run = entry.Node;
        top = entry.Top;
    }
    if (!run) run = GetFirstVisibleNoInit();
    for (; run && run != node; run = GetNextVisibleNoInit(run))
        top += run->NodeHeight;
    return static_cast<int>(top);
}

PLazyNode TLazyTreeModel::GetNodeAt(int /*x*/, int y, bool relative, int* nodeTop) {
    if (y < 0) y = 0;
    const int64_t absoluteY = relative ? int64_t{y} - offsetY_ : y;
    ValidateCache();
    PLazyNode node = nullptr;
    int64_t top = 0;
    if (states_.Contains(tsUseCache)) {
        const auto entry = cache_.EntryForY(absoluteY);
        node = entry.Node;
        top = entry.Top;
    }
    if (!node) node = GetFirstVisibleNoInit();
    for (; node; node = GetNextVisibleNoInit(node)) {
        if (top + node->NodeHeight > absoluteY) break;
        top += node->NodeHeight;
    }
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
    r.Left += offset;
    const int textWidth = DoGetNodeWidth(node, column);
    TAlignment alignment = alignment_;
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
        if (r.Width() < textWidth - 1) alignment = taLeftJustify;
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
    rangeX_ = GetMaxRightExtend();
}

} // namespace lazytree
