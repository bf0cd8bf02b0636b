#include "FakeTreeHost.h"
#include "lazytree/LazyTreeError.h"
#include "lazytree/LazyTreeModel.h"
#include "TreeDump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace lazytree {
namespace {

using test::DumpTree;

TEST(NodeLife, AddChildToAnEmptyTreeInitialisesWithNilParent) {
    TLazyTreeModel tree;
    tree.SetNodeDataSize(0);
    std::vector<PLazyNode> parents;
    tree.OnInitNode = [&](TLazyTreeModel&, PLazyNode parent, PLazyNode, TLazyNodeInitStates&) {
        parents.push_back(parent);
    };
    PLazyNode node = tree.AddChild(nullptr);
    EXPECT_EQ(node->Index, 0u);
    EXPECT_EQ(node->Parent, tree.RootNode());
    EXPECT_EQ(tree.GetFirst(), node);
    EXPECT_EQ(parents, std::vector<PLazyNode>{nullptr});
}

TEST(NodeLife, AddChildStoresAPointerSizedUserValue) {
    TLazyTreeModel tree;
    tree.SetNodeDataSize(sizeof(void*));
    int value = 0;
    PLazyNode node = tree.AddChild(nullptr, &value);
    EXPECT_EQ(*tree.GetNodeData<int*>(node), &value);
    EXPECT_TRUE(node->States.Contains(nsFreeNotifyRequired));
}

TEST(NodeLife, AddChildWithoutRoomForUserDataRaisesBeforeAdding) {
    for (int size : {3, 4}) {
        TLazyTreeModel tree;
        tree.SetNodeDataSize(size);
        int value = 0;
        try {
            tree.AddChild(nullptr, &value);
            FAIL() << "no error for size " << size;
        } catch (const ELazyTreeError& e) {
            EXPECT_STREQ(
                e.what(),
                "Cannot set initial user data because there is not enough user data space allocated.");
            EXPECT_EQ(e.HelpContext(), 2008);
        }
        EXPECT_EQ(tree.RootNodeCount(), 0u) << size;
    }
}

TEST(NodeLife, FreeNodeReachesInitialisedAndUserDataNodesOnly) {
    std::set<PLazyNode> freed;
    PLazyNode withData = nullptr, painted = nullptr, untouched = nullptr;
    {
        TLazyTreeModel tree;
        tree.SetNodeDataSize(sizeof(void*));
        tree.OnFreeNode = [&](TLazyTreeModel&, PLazyNode node) { freed.insert(node); };
        tree.SetRootNodeCount(2);
        painted = tree.GetFirst();
        untouched = painted->NextSibling;
        int value = 0;
        withData = tree.AddChild(nullptr, &value);
        tree.Clear();
    }
    EXPECT_EQ(freed, (std::set<PLazyNode>{withData, painted}));
    EXPECT_EQ(freed.count(untouched), 0u);
}

TEST(NodeLife, InitChildrenAnsweringZeroRemovesTheButton) {
    TLazyTreeModel tree;
    tree.OnInitNode = [](TLazyTreeModel&, PLazyNode, PLazyNode, TLazyNodeInitStates& states) {
        states.Include(ivsHasChildren);
    };
    tree.OnInitChildren = [](TLazyTreeModel&, PLazyNode, uint32_t& count) { count = 0; };
    bool expanded = false;
    tree.OnExpanded = [&](TLazyTreeModel&, PLazyNode) { expanded = true; };
    tree.SetRootNodeCount(1);
    PLazyNode node = tree.GetFirst();
    ASSERT_TRUE(node->States.Contains(nsHasChildren));
    tree.ToggleNode(node);
    EXPECT_FALSE(expanded);
    EXPECT_FALSE(node->States.Contains(nsHasChildren));
    EXPECT_FALSE(node->States.Contains(nsExpanded));
}

TEST(NodeLife, InitNodeAppliesTheInitialStates) {
    TLazyTreeModel tree;
    tree.OnInitNode = [](TLazyTreeModel&, PLazyNode parent, PLazyNode, TLazyNodeInitStates& states) {
        // A disabled node stays out of the selection even when it asks to be in.
        states = parent ? TLazyNodeInitStates{ivsDisabled, ivsSelected}
                        : TLazyNodeInitStates{ivsHasChildren, ivsExpanded, ivsSelected};
    };
    tree.OnInitChildren = [](TLazyTreeModel&, PLazyNode, uint32_t& count) { count = 2; };
    tree.SetRootNodeCount(1);
    PLazyNode node = tree.GetFirst();
    EXPECT_TRUE(node->States.Contains(nsExpanded));
    EXPECT_TRUE(tree.IsSelected(node));
    EXPECT_EQ(node->ChildCount, 2u);
    PLazyNode child = tree.GetFirstChild(node);
    EXPECT_TRUE(child->States.Contains(nsDisabled));
    EXPECT_FALSE(tree.IsSelected(child));
    EXPECT_EQ(tree.VisibleCount(), 3u);
}

// Removal keeps every counter of the tree consistent.
TEST(NodeLife, RemovingNodesKeepsTheCounters) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(3);
    PLazyNode first = tree.GetFirstNoInit();
    tree.SetChildCount(first, 2);
    tree.ToggleNode(first);
    tree.RemoveNode(first->FirstChild);
    tree.RemoveNode(first->NextSibling);
    EXPECT_EQ(DumpTree(tree), "root h18 count 4 height 72 init kids open vis\n"
                              "  #0 h18 count 2 height 36 init kids open vis\n"
                              "    #0 h18 count 1 height 18 vis\n"
                              "  #1 h18 count 1 height 18 vis\n"
                              "visible 3\n");
    tree.RemoveChildren(first);
    EXPECT_EQ(DumpTree(tree), "root h18 count 3 height 54 init kids open vis\n"
                              "  #0 h18 count 1 height 18 init kids vis\n"
                              "  #1 h18 count 1 height 18 vis\n"
                              "visible 2\n");
}

TEST(NodeLife, ClearLeavesTheRangeOfAnEmptyTree) {
    test::TFakeTreeHost host;
    TLazyTreeModel tree(&host);
    tree.SetRootNodeCount(50);
    tree.SetOffsetY(-200);
    tree.Clear();
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u);
    EXPECT_EQ(tree.RangeY(), 0);
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_FALSE(host.verticalBar.Visible);
}

TEST(NodeLife, RemovingTheFocusedNodeForgetsTheFocus) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(2);
    std::vector<PLazyNode> focus;
    tree.OnFocusChanged = [&](TLazyTreeModel&, PLazyNode node, int) { focus.push_back(node); };
    PLazyNode node = tree.GetFirst();
    tree.SetFocusedNode(node);
    tree.RemoveNode(node);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(focus, (std::vector<PLazyNode>{node, nullptr}));
    EXPECT_EQ(tree.GetFirstNoInit()->Index, 0u); // re-indexed
}

TEST(NodeLife, RemoveSelectedNodesTakesSubtreesOnce) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(3);
    PLazyNode first = tree.GetFirstNoInit();
    tree.SetChildCount(first, 2);
    tree.AddToSelection(first);
    tree.AddToSelection(first->FirstChild);
    tree.AddToSelection(first->NextSibling->NextSibling);
    tree.RemoveSelectedNodes();
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    EXPECT_EQ(tree.SelectedCount(), 0u);
    EXPECT_EQ(tree.TotalCount(), 2u);
}

TEST(NodeLife, ResetNodeReturnsItToCreated) {
    TLazyTreeModel tree;
    int initialised = 0, reset = 0;
    tree.OnInitNode = [&](TLazyTreeModel&, PLazyNode parent, PLazyNode, TLazyNodeInitStates& states) {
        ++initialised;
        if (!parent) states.Include(ivsHasChildren);
    };
    tree.OnInitChildren = [](TLazyTreeModel&, PLazyNode, uint32_t& count) { count = 1; };
    tree.OnResetNode = [&](TLazyTreeModel&, PLazyNode) { ++reset; };
    tree.SetRootNodeCount(1);
    PLazyNode node = tree.GetFirst();
    tree.ToggleNode(node);
    tree.ResetNode(node);
    EXPECT_EQ(reset, 1);
    EXPECT_EQ(node->ChildCount, 0u);
    EXPECT_FALSE(node->States.Contains(nsInitialized));
    EXPECT_FALSE(node->States.Contains(nsExpanded));
    tree.ReinitNode(tree.GetFirst(), true);
    EXPECT_EQ(initialised, 4); // node, child, node again on reinit, child again
}

TEST(NodeLife, ConnectAndDisconnectMoveASubtree) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(3);
    PLazyNode a = tree.GetFirstNoInit();
    PLazyNode c = a->NextSibling->NextSibling;
    tree.SetChildCount(c, 2);
    tree.DisconnectNode(c, false, true);
    tree.ConnectNode(c, a, amInsertBefore);
    EXPECT_EQ(DumpTree(tree), "root h18 count 6 height 72 init kids open vis\n"
                              "  #0 h18 count 3 height 18 kids vis\n"
                              "    #0 h18 count 1 height 18 vis\n"
                              "    #1 h18 count 1 height 18 vis\n"
                              "  #1 h18 count 1 height 18 vis\n"
                              "  #2 h18 count 1 height 18 vis\n"
                              "visible 3\n");
    EXPECT_EQ(tree.GetFirstNoInit(), c);
}

TEST(NodeLife, LevelsAndVisibleChildren) {
    TLazyTreeModel tree;
    tree.SetRootNodeCount(1);
    PLazyNode top = tree.GetFirstNoInit();
    tree.SetChildCount(top, 2);
    tree.SetChildCount(top->FirstChild, 1);
    tree.FullExpand();
    PLazyNode deep = top->FirstChild->FirstChild;
    EXPECT_EQ(tree.GetNodeLevel(deep), 2);
    EXPECT_EQ(tree.GetNodeLevel(tree.RootNode()), 0);
    EXPECT_EQ(tree.CountLevelDifference(top, deep), 2);
    EXPECT_TRUE(tree.HasAsParent(deep, top));
    EXPECT_FALSE(tree.HasAsParent(top, top));
    EXPECT_EQ(tree.CountVisibleChildren(top), 3u);
    top->FirstChild->States.Exclude(nsVisible);
    EXPECT_EQ(tree.CountVisibleChildren(top), 1u);
    tree.UpdateHiddenChildrenFlag(top->FirstChild);
    EXPECT_FALSE(top->FirstChild->States.Contains(nsAllChildrenHidden));
}

} // namespace
} // namespace lazytree
