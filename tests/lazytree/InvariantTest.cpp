// Random structural changes, after each of which every counter of the tree must equal what a full
// recount gives and the position cache must agree with summed positions.
#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace lazytree {
namespace {

struct TRecount {
    uint32_t count = 0;
    uint32_t height = 0;
};

// Recounts a subtree from scratch and checks the stored totals, indexes and links against it.
TRecount Check(const TLazyTreeModel& tree, PLazyNode node, uint32_t& visible, bool shown,
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

std::string CheckTree(TLazyTreeModel& tree) {
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

TEST(Invariants, HoldAfterRandomChanges) {
    test::TFakeTreeHost host;
    TLazyTreeModel tree(&host);
    tree.OnInitNode = [](TLazyTreeModel&, PLazyNode, PLazyNode node, TLazyNodeInitStates& states) {
        if (node->Index % 3 == 0) states.Include(ivsHasChildren);
    };
    tree.OnInitChildren = [](TLazyTreeModel&, PLazyNode node, uint32_t& count) { count = node->Index % 7; };
    tree.SetRootNodeCount(3000);
    std::mt19937 random(20261211);
    const auto pick = [&]() -> PLazyNode {
        // A node somewhere in view of a random position, or one of its children.
        PLazyNode node =
            tree.GetNodeAt(0, static_cast<int>(random() % (tree.RootNode()->TotalHeight + 1)), false);
        if (node && node->FirstChild && random() % 2) node = node->LastChild;
        return node;
    };
    for (int step = 0; step < 3000; ++step) {
        PLazyNode node = pick();
        if (!node) continue;
        const int operation = static_cast<int>(random() % 9);
        std::string what;
        switch (operation) {
        case 0:
            tree.ToggleNode(node);
            what = "toggle";
            break;
        case 1:
            tree.SetChildCount(node, static_cast<uint32_t>(random() % 5));
            what = "child count";
            break;
        case 2:
            tree.RemoveNode(node);
            what = "remove";
            break;
        case 3:
            tree.ChangeNodeHeight(node, 10 + static_cast<int>(random() % 30));
            what = "height";
            break;
        case 4:
            tree.AddChild(random() % 2 ? node : nullptr);
            what = "add";
            break;
        case 5:
            tree.GetNodeAt(0, static_cast<int>(random() % (tree.RootNode()->TotalHeight + 1)), false);
            what = "lookup";
            break;
        case 6:
            tree.BeginUpdate();
            tree.FullExpand(node);
            tree.RemoveChildren(node->Parent == tree.RootNode() ? node : node->Parent);
            tree.EndUpdate();
            what = "bracket";
            break;
        case 7:
            tree.FullCollapse(node);
            what = "collapse";
            break;
        default:
            tree.ScrollIntoView(node, random() % 2);
            what = "scroll";
            break;
        }
        const std::string error = CheckTree(tree);
        ASSERT_EQ(error, "") << "step " << step << " after " << what;
        if (tree.RootNodeCount() < 100) tree.SetRootNodeCount(3000);
    }
}

} // namespace
} // namespace lazytree
