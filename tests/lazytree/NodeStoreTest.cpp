#include "FakeTreeHost.h"
#include "lazytree/LazyTreeError.h"
#include "lazytree/LazyTreeModel.h"
#include "TreeChecks.h"
#include "TreeDump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace lazytree {
namespace {

using test::DumpTree;

struct TStructureLog {
    std::vector<std::pair<PLazyNode, TChangeReason>> changes;
    void Attach(TLazyTreeModel& tree) {
        tree.OnStructureChange = [this](TLazyTreeModel&, PLazyNode node, TChangeReason reason) {
            changes.push_back({node, reason});
        };
    }
};

TEST(NodeStore, HeaderIsNativeAndUserDataFollowsIt) {
    EXPECT_EQ(kNodeHeaderSize % 16, 0u);
    EXPECT_GE(kNodeHeaderSize, sizeof(TLazyNode));
    TLazyTreeModel tree;
    tree.SetNodeDataSize(12);
    tree.SetRootNodeCount(1);
    PLazyNode node = tree.GetFirstNoInit();
    EXPECT_EQ(static_cast<std::byte*>(tree.GetNodeData(node)),
              reinterpret_cast<std::byte*>(node) + kNodeHeaderSize);
    EXPECT_EQ(tree.GetNodeData(tree.RootNode()), nullptr);
    EXPECT_EQ(tree.GetNodeData(nullptr), nullptr);
}

TEST(NodeStore, RootNodeCountCreatesUninitialisedVisibleNodes) {
    TLazyTreeModel tree;
    tree.SetNodeDataSize(12);
    tree.SetRootNodeCount(3);
    EXPECT_EQ(DumpTree(tree), "root h18 count 4 height 72 init kids open vis\n"
                              "  #0 h18 count 1 height 18 vis\n"
                              "  #1 h18 count 1 height 18 vis\n"
                              "  #2 h18 count 1 height 18 vis\n"
                              "visible 3\n");
    for (PLazyNode n = tree.GetFirstNoInit(); n; n = tree.GetNextNoInit(n)) {
        const auto* data = static_cast<const unsigned char*>(tree.GetNodeData(n));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 12), std::string(12, '\0'));
    }
}

TEST(NodeStore, CollapsedParentCountsChildrenButNotTheirHeight) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(2);
    PLazyNode parent = tree.GetFirstNoInit();
    tree.SetChildCount(parent, 3);
    EXPECT_EQ(DumpTree(tree), "root h18 count 6 height 54 init kids open vis\n"
                              "  #0 h18 count 4 height 18 kids vis\n"
                              "    #0 h18 count 1 height 18 vis\n"
                              "    #1 h18 count 1 height 18 vis\n"
                              "    #2 h18 count 1 height 18 vis\n"
                              "  #1 h18 count 1 height 18 vis\n"
                              "visible 2\n");
    tree.ToggleNode(parent);
    EXPECT_EQ(parent->TotalHeight, 4u * 18);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 6u * 18);
    EXPECT_EQ(tree.VisibleCount(), 5u);
}

TEST(NodeStore, ShrinkingDeletesFromTheEndAndReportsChildAdded) {
    TStructureLog log; // outlives the tree
    int freed = 0;
    TLazyTreeModel tree;
    tree.SetRootNodeCount(5);
    log.Attach(tree);
    tree.OnFreeNode = [&](TLazyTreeModel&, PLazyNode) { ++freed; };
    tree.SetRootNodeCount(2);
    EXPECT_EQ(tree.RootNodeCount(), 2u);
    EXPECT_EQ(tree.TotalCount(), 3u);
    EXPECT_EQ(tree.GetLastNoInit()->Index, 1u);
    EXPECT_EQ(freed, 0); // never initialised
    ASSERT_EQ(log.changes.size(), 1u);
    EXPECT_EQ(log.changes[0], std::make_pair(PLazyNode{nullptr}, crChildAdded));
}

TEST(NodeStore, ChangingNodeDataSizeRecreatesTheNodesUninitialised) {
    TLazyTreeModel tree;
    tree.SetNodeDataSize(4);
    tree.SetRootNodeCount(3);
    tree.GetFirst(); // initialises the first
    tree.SetNodeDataSize(16);
    EXPECT_EQ(tree.RootNodeCount(), 3u);
    for (PLazyNode n = tree.GetFirstNoInit(); n; n = tree.GetNextNoInit(n))
        EXPECT_FALSE(n->States.Contains(nsInitialized));
}

TEST(NodeStore, ReadOnlyIgnoresStructuralChanges) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(2);
    tree.Options().MiscOptions.Include(toReadOnly);
    tree.SetRootNodeCount(7);
    EXPECT_EQ(tree.AddChild(nullptr), nullptr);
    tree.RemoveNode(tree.GetFirstNoInit());
    tree.Clear();
    EXPECT_EQ(tree.RootNodeCount(), 2u);
}

TEST(NodeStore, NodeDataSizeStaysUnknownWithoutHandler) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(1);
    EXPECT_THROW(tree.GetNodeData(tree.GetFirstNoInit()), rtl::EAssertionFailed);
    TLazyTreeModel asked;
    asked.OnGetNodeDataSize = [](TLazyTreeModel&, int& size) { size = 8; };
    asked.SetRootNodeCount(1);
    EXPECT_EQ(asked.NodeDataSize(), 8);
    TLazyTreeModel none;
    none.SetNodeDataSize(0);
    none.SetRootNodeCount(1);
    EXPECT_EQ(none.GetNodeData(none.GetFirstNoInit()), nullptr);
}

TEST(NodeStore, CompareTreeOrder) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(2);
    PLazyNode a = tree.GetFirstNoInit();
    tree.SetChildCount(a, 1);
    PLazyNode child = a->FirstChild;
    tree.SetChildCount(child, 1);
    PLazyNode grandchild = child->FirstChild;
    PLazyNode b = a->NextSibling;
    EXPECT_EQ(tree.CompareTreeOrder(a, a, false), 0);
    EXPECT_LT(tree.CompareTreeOrder(a, grandchild, false), 0);
    EXPECT_GT(tree.CompareTreeOrder(grandchild, a, false), 0);
    EXPECT_LT(tree.CompareTreeOrder(a, grandchild, true), 0); // option off: children-above is not asked
    tree.Options().PaintOptions.Include(toChildrenAbove);
    EXPECT_GT(tree.CompareTreeOrder(a, grandchild, true), 0);
    EXPECT_LT(tree.CompareTreeOrder(grandchild, b, true), 0);
    EXPECT_THROW(tree.CompareTreeOrder(a, nullptr, false), rtl::EAssertionFailed);
}

TEST(NodeStore, OwnerTreeOfNodeComesFromTheRoot) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(1);
    tree.SetChildCount(tree.GetFirstNoInit(), 1);
    EXPECT_EQ(TLazyTreeModel::OwnerTreeOfNode(tree.GetFirstNoInit()->FirstChild), &tree);
    EXPECT_EQ(TLazyTreeModel::OwnerTreeOfNode(tree.RootNode()), &tree);
}

TEST(NodeStore, CompactSelectionDropsMarkedEntries) {
    alignas(16) TLazyNode blocks[3];
    PLazyNode a = &blocks[0], b = &blocks[1], c = &blocks[2];
    PLazyNode nodes[] = {a, reinterpret_cast<PLazyNode>(reinterpret_cast<std::uintptr_t>(b) | 1), c};
    EXPECT_EQ(TLazyTreeModel::CompactSelection(nodes, 3), 2);
    EXPECT_EQ(nodes[0], a);
    EXPECT_EQ(nodes[1], c);
    EXPECT_EQ(TLazyTreeModel::CompactSelection(nodes, 0), -1);
}

TEST(NodeStore, InternalDataAreasComeBeforeUserDataAndBeforeNodes) {
    TLazyTreeModel tree;
    const std::size_t first = tree.AllocateInternalDataArea(4);
    const std::size_t second = tree.AllocateInternalDataArea(8);
    EXPECT_EQ(first, kNodeHeaderSize);
    EXPECT_GT(second, first);
    tree.SetNodeDataSize(8);
    tree.SetRootNodeCount(1);
    PLazyNode node = tree.GetFirstNoInit();
    EXPECT_GE(static_cast<std::byte*>(tree.GetNodeData(node)),
              reinterpret_cast<std::byte*>(node) + second + 8);
    EXPECT_THROW(tree.AllocateInternalDataArea(4), rtl::EAssertionFailed);
}

TEST(NodeStore, HeightChangeOfAShownNodePropagatesAndRestoresTheCache) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(3);
    PLazyNode second = tree.GetFirstNoInit()->NextSibling;
    tree.ChangeNodeHeight(second, 30);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u + 18 + 30 + 18);
    int top = -1;
    EXPECT_EQ(tree.GetNodeAt(0, 50, false, &top), second->NextSibling);
    EXPECT_EQ(top, 48);
}

// Totals of nodes read from a stream start at 1 and at the own height; recounting restores them.
TEST(NodeStore, RecountTotalsAfterTheTotalsWereReset) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(3);
    PLazyNode first = tree.GetFirstNoInit();
    tree.SetChildCount(first, 2);
    tree.SetChildCount(first->FirstChild, 2);
    tree.ToggleNode(first);
    tree.ToggleNode(first->FirstChild);
    const std::string expected = DumpTree(tree);
    for (PLazyNode n = tree.RootNode(); n;
         n = n == tree.RootNode() ? tree.GetFirstNoInit() : tree.GetNextNoInit(n)) {
        n->TotalCount = 1;
        n->TotalHeight = n->NodeHeight;
    }
    tree.RecountTotals(tree.RootNode());
    tree.RecomputeTotalHeights(tree.RootNode());
    EXPECT_EQ(DumpTree(tree), expected);
    EXPECT_EQ(test::CheckTree(tree), "");
}

} // namespace
} // namespace lazytree
