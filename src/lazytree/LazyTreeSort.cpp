#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"

namespace lazytree {

int TLazyTreeModel::DoCompare(PLazyNode node1, PLazyNode node2, int column) {
    int result = 0;
    if (OnCompareNodes) OnCompareNodes(*this, node1, node2, column, result);
    return result;
}

// A merge sort on the next-sibling links: no node moves and nothing is allocated, and equal nodes keep
// their order in both directions.
PLazyNode TLazyTreeModel::MergeRuns(PLazyNode first, PLazyNode second, int column, TSortDirection direction) {
    PLazyNode result = nullptr;
    PLazyNode* tail = &result;
    while (first && second) {
        const int order = DoCompare(first, second, column);
        const bool secondFirst = direction == sdAscending ? order > 0 : order < 0;
        PLazyNode& taken = secondFirst ? second : first;
        *tail = taken;
        tail = &taken->NextSibling;
        taken = taken->NextSibling;
    }
    *tail = first ? first : second;
    return result;
}

// Takes count nodes off the front of list and returns them sorted.
PLazyNode TLazyTreeModel::SortRun(PLazyNode& list, uint32_t count, int column, TSortDirection direction) {
    if (count == 1) {
        PLazyNode node = list;
        list = node->NextSibling;
        node->NextSibling = nullptr;
        return node;
    }
    PLazyNode first = SortRun(list, count / 2, column, direction);
    PLazyNode second = SortRun(list, (count + 1) / 2, column, direction);
    return MergeRuns(first, second, column, direction);
}

void TLazyTreeModel::Sort(PLazyNode node, int column, TSortDirection direction, bool doInit) {
    if (!EndEditBeforeSort()) return;
    if (!node) node = root_;
    if (!node->States.Contains(nsHasChildren)) return;
    if (doInit) {
        if (node->ChildCount == 0) InitChildren(node);
        for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
            if (!child->States.Contains(nsInitialized)) InitNode(child);
    }
    if (node->ChildCount > 1) {
        PLazyNode list = node->FirstChild;
        node->FirstChild = SortRun(list, node->ChildCount, column, direction);
        PLazyNode previous = nullptr;
        uint32_t index = 0;
        for (PLazyNode child = node->FirstChild; child; child = child->NextSibling) {
            child->PrevSibling = previous;
            child->Index = index++;
            previous = child;
        }
        node->LastChild = previous;
        InvalidateCache();
    }
    if (updateCount_ == 0) {
        ValidateCache();
        InvalidateWindow();
    }
}

void TLazyTreeModel::SortLevels(PLazyNode node, int column, TSortDirection direction, bool doInit) {
    Sort(node, column, direction, doInit);
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling) {
        if (doInit && !child->States.Contains(nsInitialized)) InitNode(child);
        if (child->States.Contains(nsInitialized)) SortLevels(child, column, direction, doInit);
    }
}

void TLazyTreeModel::SortTree(int column, TSortDirection direction, bool doInit) {
    // Raised without OnUpdating: the levels sort quietly and the tree repaints once.
    ++updateCount_;
    TScopeExit lowered([this] {
        InvalidateCache();
        if (--updateCount_ == 0) {
            ValidateCache();
            InvalidateWindow();
        }
    });
    if (column > kInvalidColumn) SortLevels(root_, column, direction, doInit);
}

} // namespace lazytree
