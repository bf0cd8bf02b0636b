// Random structural changes, after each of which every counter of the tree must equal what a full
// recount gives and the position cache must agree with summed positions.
#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "TreeChecks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace lazytree {
namespace {

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
        const std::string error = test::CheckTree(tree);
        ASSERT_EQ(error, "") << "step " << step << " after " << what;
        if (tree.RootNodeCount() < 100) tree.SetRootNodeCount(3000);
    }
}

} // namespace
} // namespace lazytree
