#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "TreeChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace lazytree {
namespace {

// A tree whose texts are all 30 px wide, in a 200 x 100 window.
class TTextTree : public TLazyTreeModel {
public:
    using TLazyTreeModel::TLazyTreeModel;

protected:
    int DoGetNodeWidth(PLazyNode, int) override { return 30; }
};

// Top-level nodes 0..count-1, each with `children` children, all expanded; 18 px rows.
class SelectionTest : public ::testing::Test {
protected:
    void Build(uint32_t count, uint32_t children = 0) {
        tree.SetRootNodeCount(count);
        for (PLazyNode node = tree.GetFirstChild(nullptr); node; node = node->NextSibling) {
            if (children == 0) continue;
            tree.SetChildCount(node, children);
            tree.SetExpanded(node, true);
        }
        tree.OnChange = [this](TLazyTreeModel&, PLazyNode) { ++changes; };
    }
    PLazyNode Top(int index) { return test::ChildAt(tree.RootNode(), index); }
    std::set<PLazyNode> Selected() {
        std::set<PLazyNode> nodes;
        for (PLazyNode node = tree.GetFirst(); node; node = tree.GetNext(node))
            if (tree.IsSelected(node)) nodes.insert(node);
        return nodes;
    }
    void Option(TVTSelectionOption option) { tree.Options().SelectionOptions.Include(option); }

    test::TFakeTreeHost host;
    TTextTree tree{&host};
    int changes = 0;
};

TEST_F(SelectionTest, ThousandNodesAddedInRandomOrderAreAllFound) {
    Build(1000);
    std::vector<PLazyNode> nodes;
    for (PLazyNode node = tree.GetFirst(); node; node = tree.GetNext(node))
        nodes.push_back(node);
    std::shuffle(nodes.begin(), nodes.end(), std::mt19937(65));
    // One by one, then the rest merged in one batch.
    for (std::size_t i = 0; i < 300; ++i)
        tree.AddToSelection(nodes[i]);
    tree.AddToSelection(std::vector<PLazyNode>(nodes.begin() + 300, nodes.end()), false);
    EXPECT_EQ(tree.SelectedCount(), 1000u);
    for (PLazyNode node : nodes) {
        int index = -1;
        ASSERT_TRUE(tree.FindNodeInSelection(node, index));
        EXPECT_TRUE(tree.IsSelected(node));
    }
    tree.RemoveFromSelection(nodes[500]);
    int index = -1;
    EXPECT_FALSE(tree.FindNodeInSelection(nodes[500], index));
    EXPECT_EQ(tree.SelectedCount(), 999u);
}

TEST_F(SelectionTest, SiblingConstraintKeepsTheAnchorsSiblings) {
    Build(2, 3);
    Option(toMultiSelect);
    Option(toSiblingSelectConstraint);
    PLazyNode a = Top(0)->FirstChild;
    PLazyNode b = Top(1)->FirstChild;
    tree.AddToSelection({a, b, a->NextSibling, b->NextSibling}, false);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{a, a->NextSibling}));
    EXPECT_EQ(tree.RangeAnchor(), a);
}

TEST_F(SelectionTest, LevelConstraintTakesTheLevelOfTheFirstNodeAfterAReset) {
    Build(2, 2);
    Option(toMultiSelect);
    Option(toLevelSelectConstraint);
    tree.AddToSelection({Top(0)->FirstChild, Top(1), Top(1)->LastChild}, false);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0)->FirstChild, Top(1)->LastChild}));
    tree.UnselectAll();
    tree.ResetRangeAnchor();
    tree.AddToSelection({Top(1), Top(0)->FirstChild, Top(0)}, false);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(1)}));
}

TEST_F(SelectionTest, DisabledNodesEnterOnlyWhenForced) {
    Build(2);
    Top(0)->States.Include(nsDisabled);
    tree.AddToSelection(Top(0));
    EXPECT_FALSE(tree.IsSelected(Top(0)));
    tree.AddToSelection({Top(0), Top(1)}, true);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(1)}));
    // Forcing a node that is already in does not add it twice.
    tree.AddToSelection({Top(1)}, true);
    EXPECT_EQ(tree.SelectedCount(), 2u);
}

TEST_F(SelectionTest, SelectAllNeedsMultiSelect) {
    Build(3, 2);
    tree.SetExpanded(Top(2), false);
    tree.SelectAll(false);
    EXPECT_EQ(tree.SelectedCount(), 0u);
    EXPECT_EQ(changes, 0);
    Option(toMultiSelect);
    tree.SelectAll(true);
    EXPECT_EQ(tree.SelectedCount(), 7u); // the collapsed node's children stay out
    tree.SelectAll(false);
    EXPECT_EQ(tree.SelectedCount(), 9u);
}

TEST_F(SelectionTest, UnselectAllReportsOnlyWhenSomethingWasSelected) {
    Build(3);
    tree.UnselectAll();
    EXPECT_EQ(changes, 0);
    tree.AddToSelection(Top(1));
    changes = 0;
    host.invalidated.clear();
    tree.UnselectAll();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(host.invalidated.empty()); // the selected row was repainted
}

TEST_F(SelectionTest, SelectedWriterKeepsOneNodeInSingleSelect) {
    Build(3);
    tree.SetSelected(Top(0), true);
    tree.SetSelected(Top(2), true);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(2)}));
    Option(toMultiSelect);
    tree.SetSelected(Top(1), true);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(1), Top(2)}));
    tree.SetSelectionLocked(true);
    tree.SetSelected(Top(0), true);
    EXPECT_FALSE(tree.IsSelected(Top(0)));
}

TEST_F(SelectionTest, DeselectingTheLastNodeAnchorsAtTheFocusedNode) {
    Build(3);
    tree.SetFocusedNode(Top(0));
    tree.SetSelected(Top(2), true);
    EXPECT_EQ(tree.RangeAnchor(), Top(2));
    tree.SetSelected(Top(2), false);
    EXPECT_EQ(tree.RangeAnchor(), Top(0));
}

TEST_F(SelectionTest, RangesSelectToggleAndUnselectVisibleNodes) {
    Build(2, 2); // 0, 0.0, 0.1, 1, 1.0, 1.1
    Option(toMultiSelect);
    PLazyNode n00 = Top(0)->FirstChild, n01 = Top(0)->LastChild, n10 = Top(1)->FirstChild;
    tree.SelectNodes(Top(1), n00, false); // backwards: ordered by display
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{n00, n01, Top(1)}));
    tree.SelectNodes(n10, n10, false); // replaces
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{n10}));
    tree.SelectNodes(Top(0), Top(0), true); // adds
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), n10}));

    // From the anchor 0.0 down to 1.0: the anchor stays, the nodes between flip, the far end flips.
    tree.UnselectAll();
    tree.SetSelected(n00, true);
    tree.SetSelected(Top(1), true);
    ASSERT_EQ(tree.RangeAnchor(), n00);
    tree.ToggleSelection(n00, n10);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{n00, n01, n10}));

    tree.UnselectNodes(n01, Top(1)->LastChild);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{n00}));
}

TEST_F(SelectionTest, ClickSelectionFollowsTheModifierKeys) {
    Build(5);
    Option(toMultiSelect);
    tree.HandleClickSelection(Top(1), {}, false);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(1)}));
    EXPECT_EQ(tree.RangeAnchor(), Top(1));
    tree.HandleClickSelection(Top(3), {ui::ssShift}, false); // range from the anchor replaces
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(1), Top(2), Top(3)}));
    tree.HandleClickSelection(Top(2), {ui::ssCtrl}, false); // toggles, and anchors
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(1), Top(3)}));
    EXPECT_EQ(tree.RangeAnchor(), Top(2));
    tree.HandleClickSelection(Top(4), {ui::ssCtrl, ui::ssShift}, false); // range added
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(1), Top(2), Top(3), Top(4)}));
    // A drag may follow: the toggle waits for the button's release.
    tree.HandleClickSelection(Top(1), {ui::ssCtrl}, true);
    EXPECT_TRUE(tree.IsSelected(Top(1)));
    EXPECT_TRUE(tree.TreeStates().Contains(tsToggleFocusedSelection));
}

// --- Focus ---------------------------------------------------------------------------------------------

TEST_F(SelectionTest, ARefusedFocusStillScrollsTheOldNodeIntoView) {
    Build(20);
    tree.SetFocusedNode(Top(0));
    tree.SetOffsetY(-200);
    int asked = 0;
    tree.OnFocusChanging = [&](TLazyTreeModel&, PLazyNode oldNode, PLazyNode newNode, int, int,
                               bool& allowed) {
        ++asked;
        EXPECT_EQ(oldNode, Top(0));
        EXPECT_EQ(newNode, Top(15));
        allowed = false;
    };
    std::vector<PLazyNode> focused;
    tree.OnFocusChanged = [&](TLazyTreeModel&, PLazyNode node, int) { focused.push_back(node); };
    tree.SetFocusedNode(Top(15));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    EXPECT_TRUE(focused.empty());
    EXPECT_EQ(tree.OffsetY(), 0);
}

TEST_F(SelectionTest, NoCentringWhileAMouseButtonIsDown) {
    Build(20);
    Option(toCenterScrollIntoView);
    tree.DoStateChange({tsLeftButtonDown});
    tree.SetFocusedNode(Top(3)); // already in view
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.DoStateChange({}, {tsLeftButtonDown});
    tree.SetFocusedNode(Top(4));
    EXPECT_EQ(tree.OffsetY(), 50 - (4 * 18 + 18)); // the row's bottom at the middle
}

TEST_F(SelectionTest, ARefusedFocusedColumnChangesNothing) {
    Build(2);
    tree.SetFocusedNode(Top(0));
    int changed = 0;
    tree.OnFocusChanged = [&](TLazyTreeModel&, PLazyNode, int) { ++changed; };
    tree.OnFocusChanging = [](TLazyTreeModel&, PLazyNode, PLazyNode, int, int newColumn, bool& allowed) {
        allowed = newColumn != 2;
    };
    tree.SetFocusedColumn(2);
    EXPECT_EQ(tree.FocusedColumn(), TLazyTreeModel::kNoColumn);
    EXPECT_EQ(changed, 0);
    tree.SetFocusedColumn(1);
    EXPECT_EQ(tree.FocusedColumn(), 1);
    EXPECT_EQ(changed, 1);
    // Node and column together: a refused node keeps the old column as well.
    tree.OnFocusChanging = [](TLazyTreeModel&, PLazyNode, PLazyNode, int, int, bool& allowed) {
        allowed = false;
    };
    tree.SetFocusedNodeAndColumn(Top(1), 0);
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    EXPECT_EQ(tree.FocusedColumn(), 1);
}

TEST_F(SelectionTest, AutoExpandOpensTheFocusedNodeAndClosesItsSibling) {
    Build(2, 2);
    tree.SetExpanded(Top(1), false);
    tree.Options().AutoOptions.Include(toAutoExpand);
    tree.SetFocusedNode(Top(0));
    tree.SetFocusedNode(Top(1));
    EXPECT_FALSE(tree.Expanded(Top(0)));
    EXPECT_TRUE(tree.Expanded(Top(1)));
}

// --- Rubber band (rows of 18 px; with toShowRoot the text of a top-level node spans x 22..52) -------------

class RubberBandTest : public SelectionTest {
protected:
    RubberBandTest() {
        Build(5);
        Option(toMultiSelect);
    }
    void Band(int x1, int y1, int x2, int y2, ui::TShiftState shift = {}) {
        tree.StartDrawSelection(x1, y1, shift);
        tree.CalculateSelectionRect(x2, y2);
        tree.HandleDrawSelection();
        tree.StopDrawSelection();
    }
};

TEST_F(RubberBandTest, EmptyAreaRightOfShortTextsSelectsNothing) {
    Band(100, 5, 150, 80);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(changes, 0);
}

TEST_F(RubberBandTest, SimpleOrFullRowSelectionTakesTheWholeRows) {
    for (TVTSelectionOption option : {toSimpleDrawSelection, toFullRowSelect}) {
        SCOPED_TRACE(option);
        tree.UnselectAll();
        tree.Options().SelectionOptions.Exclude(toSimpleDrawSelection).Exclude(toFullRowSelect);
        Option(option);
        Band(150, 80, 100, 5); // drawn upwards
        EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(1), Top(2), Top(3), Top(4)}));
    }
}

TEST_F(RubberBandTest, BandOverTextsSelectsAndShrinkingDeselects) {
    tree.StartDrawSelection(30, 5, {});
    tree.CalculateSelectionRect(40, 40);
    EXPECT_TRUE(tree.HandleDrawSelection());
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(1), Top(2)}));
    tree.CalculateSelectionRect(40, 20);
    EXPECT_TRUE(tree.HandleDrawSelection());
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(1)}));
    EXPECT_FALSE(tree.CalculateSelectionRect(40, 20));
    tree.StopDrawSelection();
}

TEST_F(RubberBandTest, RightAlignedTextsSelectAtTheRightEdge) {
    tree.SetAlignment(taRightJustify);
    Band(100, 5, 150, 30);
    EXPECT_TRUE(Selected().empty());
    Band(175, 5, 190, 30);
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(1)}));
}

TEST_F(RubberBandTest, CtrlBandDeselectsSelectedNodes) {
    tree.SelectAll(false);
    Band(30, 20, 40, 50, {ui::ssCtrl});
    EXPECT_EQ(Selected(), (std::set<PLazyNode>{Top(0), Top(3), Top(4)}));
}

TEST_F(RubberBandTest, TheBandStaysInsideTheTreesArea) {
    tree.StartDrawSelection(10, 10, {});
    tree.CalculateSelectionRect(-50, 500);
    EXPECT_EQ(tree.SelectionRect(), (TTreeRect{10, 10, 0, 100}));
}

} // namespace
} // namespace lazytree
