#include "lazytree/LazyTreeModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lazytree {
namespace {

// Nodes named by their path of indexes ("1.0"), in a tree where every top-level node has two
// children counted on demand.
class NavigationTest : public ::testing::Test {
protected:
    NavigationTest() {
        tree.OnInitNode = [this](TLazyTreeModel&, PLazyNode parent, PLazyNode, TLazyNodeInitStates& states) {
            ++inits;
            if (!parent) states.Include(ivsHasChildren);
        };
        tree.OnInitChildren = [this](TLazyTreeModel&, PLazyNode, uint32_t& count) {
            ++childInits;
            count = 2;
        };
        tree.SetRootNodeCount(3);
    }

    std::string Name(PLazyNode node) const {
        if (!node) return "nil";
        std::string name = std::to_string(node->Index);
        for (PLazyNode run = node->Parent; run != tree.RootNode(); run = run->Parent)
            name = std::to_string(run->Index) + "." + name;
        return name;
    }
    template <class Step>
    std::string Walk(PLazyNode start, Step step) {
        std::string text;
        for (PLazyNode node = start; node; node = step(node))
            text += (text.empty() ? "" : " ") + Name(node);
        return text;
    }
    PLazyNode Top(int index) {
        PLazyNode node = tree.GetFirstNoInit();
        while (index-- > 0)
            node = node->NextSibling;
        return node;
    }

    TLazyTreeModel tree;
    int inits = 0;
    int childInits = 0;
};

TEST_F(NavigationTest, InitialisingWalkCountsChildrenNoInitWalkDoesNot) {
    EXPECT_EQ(Walk(tree.GetFirstNoInit(), [&](PLazyNode n) { return tree.GetNextNoInit(n); }), "0 1 2");
    EXPECT_EQ(inits, 0);
    EXPECT_EQ(Walk(tree.GetFirst(), [&](PLazyNode n) { return tree.GetNext(n); }),
              "0 0.0 0.1 1 1.0 1.1 2 2.0 2.1");
    EXPECT_EQ(childInits, 3);
    EXPECT_EQ(inits, 9);
    EXPECT_EQ(Walk(tree.GetLast(), [&](PLazyNode n) { return tree.GetPrevious(n); }),
              "2.1 2.0 2 1.1 1.0 1 0.1 0.0 0");
}

TEST_F(NavigationTest, VisibleWalkSkipsCollapsedAndInvisibleNodes) {
    tree.ToggleNode(tree.GetFirst());
    tree.ToggleNode(Top(2));
    Top(0)->FirstChild->States.Exclude(nsVisible);
    EXPECT_EQ(Walk(tree.GetFirstVisible(), [&](PLazyNode n) { return tree.GetNextVisible(n); }),
              "0 0.1 1 2 2.0 2.1");
    EXPECT_EQ(Walk(tree.GetLastVisible(), [&](PLazyNode n) { return tree.GetPreviousVisible(n); }),
              "2.1 2.0 2 1 0.1 0");
    // From a node in a collapsed branch the walk goes on after the branch.
    tree.ToggleNode(Top(0));
    EXPECT_EQ(Name(tree.GetNextVisible(Top(0)->LastChild)), "1");
    EXPECT_EQ(Name(tree.GetVisibleParent(Top(0)->LastChild)), "0");
}

TEST_F(NavigationTest, FirstVisibleSkipsAnInvisibleFirstNode) {
    Top(0)->States.Exclude(nsVisible);
    EXPECT_EQ(Name(tree.GetFirstVisible()), "1");
}

TEST_F(NavigationTest, FilteredNodesAreSkippedUnlessShown) {
    tree.GetFirst();
    Top(1)->States.Include(nsFiltered);
    EXPECT_EQ(Walk(tree.GetFirstVisible(), [&](PLazyNode n) { return tree.GetNextVisible(n); }), "0 2");
    tree.Options().PaintOptions.Include(toShowHiddenNodes);
    EXPECT_EQ(Walk(tree.GetFirstVisible(), [&](PLazyNode n) { return tree.GetNextVisible(n); }), "0 1 2");
}

TEST_F(NavigationTest, ChildrenAboveDisplayOrder) {
    tree.Options().PaintOptions.Include(toChildrenAbove);
    tree.ToggleNode(tree.GetFirst());
    tree.ToggleNode(Top(1));
    EXPECT_EQ(Walk(tree.GetFirstVisible(), [&](PLazyNode n) { return tree.GetNextVisible(n); }),
              "0.0 0.1 0 1.0 1.1 1 2");
    EXPECT_EQ(Walk(tree.GetLastVisible(), [&](PLazyNode n) { return tree.GetPreviousVisible(n); }),
              "2 1 1.1 1.0 0 0.1 0.0");
    EXPECT_EQ(Walk(tree.GetFirst(true), [&](PLazyNode n) { return tree.GetNext(n, true); }),
              "0.0 0.1 0 1.0 1.1 1 2.0 2.1 2");
}

TEST_F(NavigationTest, SortedSelectionResolvesDescendants) {
    tree.FullExpand();
    tree.AddToSelection(Top(2));
    tree.AddToSelection(Top(0));
    tree.AddToSelection(Top(0)->FirstChild);
    tree.AddToSelection(Top(1)->LastChild);
    std::vector<std::string> names;
    for (PLazyNode n : tree.GetSortedSelection(true))
        names.push_back(Name(n));
    EXPECT_EQ(names, (std::vector<std::string>{"0", "1.1", "2"}));
    EXPECT_EQ(tree.GetSortedSelection(false).size(), 4u);
    EXPECT_EQ(Walk(tree.GetFirstSelected(), [&](PLazyNode n) { return tree.GetNextSelected(n); }),
              "0 0.0 1.1 2");
}

TEST_F(NavigationTest, CutCopyWalkNeedsAPendingCutOrCopy) {
    Top(1)->States.Include(nsCutOrCopy);
    EXPECT_EQ(tree.GetFirstCutCopy(), nullptr);
    tree.DoStateChange({tsCopyPending});
    EXPECT_EQ(Name(tree.GetFirstCutCopy()), "1");
    EXPECT_EQ(tree.GetSortedCutCopySet(false).size(), 1u);
}

TEST_F(NavigationTest, WalkersRefuseTheRoot) {
    EXPECT_THROW(tree.GetNext(tree.RootNode()), rtl::EAssertionFailed);
    EXPECT_THROW(tree.GetNextVisibleSibling(nullptr), rtl::EAssertionFailed);
    EXPECT_THROW(tree.GetVisibleParent(nullptr), rtl::EAssertionFailed);
}

TEST_F(NavigationTest, NextInitializedSkipsUntouchedNodes) {
    tree.GetFirstChild(Top(2));
    EXPECT_EQ(Walk(tree.GetFirstInitialized(), [&](PLazyNode n) { return tree.GetNextInitialized(n); }),
              "2 2.0");
}

} // namespace
} // namespace lazytree
