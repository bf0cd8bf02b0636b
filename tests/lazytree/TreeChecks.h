#pragma once

#include "lazytree/LazyTreeModel.h"

#include <cstdint>
#include <string>

namespace lazytree::test {

// The child of a node at an index, by walking the sibling links (nil past the last).
inline PLazyNode ChildAt(PLazyNode parent, int index) {
    PLazyNode node = parent->FirstChild;
    for (; node && index > 0; --index)
        node = node->NextSibling;
    return node;
}

struct TRecount {
    uint32_t count = 0;
    uint32_t height = 0;
};

// Recounts a subtree from scratch and checks the stored totals, indexes and links against it.
inline TRecount Check(const TLazyTreeModel& tree, PLazyNode node, uint32_t& visible, bool shown,
                      std::string& error) {
    TRecount result{1, node->NodeHeight};
    uint32_t index = 0;
    PLazyNode previous = nullptr;
    const bool expanded = node->States.Contains(nsExpanded);
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling, ++index) {
        if (child->Index != index) error += "index of a child of #" + std::to_string(node->Index) + "\n";
        if (child->Parent != node || child->PrevSibling != previous) error += "links\n";
        const bool childShown = shown && expanded && tree.IsEffectivelyVisible(child);
        if (childShown) ++visible;
        const TRecount sub = Check(tree, child, visible, childShown, error);
        result.count += sub.count;
        if (expanded && tree.IsEffectivelyVisible(child)) result.height += sub.height;
        previous = child;
    }
    if (index != node->ChildCount || node->LastChild != previous) error += "child count\n";
    if (result.count != node->TotalCount) error += "total count\n";
    if (result.height != node->TotalHeight) error += "total height\n";
    return result;
}

// What is wrong with a tree's counters, links and position cache; empty when nothing is.
inline std::string CheckTree(const TLazyTreeModel& tree) {
    std::string error;
    uint32_t visible = 0;
    Check(tree, tree.RootNode(), visible, true, error);
    if (visible != tree.VisibleCount())
        error += "visible count " + std::to_string(tree.VisibleCount()) + " against " +
                 std::to_string(visible) + "\n";
    // Every cache entry sits where the summed heights put it.
    const auto& entries = tree.PositionCache().Entries();
    std::size_t next = 0;
    int64_t top = 0;
    for (PLazyNode node = tree.GetFirstVisibleNoInit(); node && next < entries.size();
         node = tree.GetNextVisibleNoInit(node)) {
        if (node == entries[next].Node && entries[next++].Top != top) error += "cache entry top\n";
        top += node->NodeHeight;
    }
    if (next != entries.size()) error += "cache entry of a node not shown\n";
    return error;
}

} // namespace lazytree::test
