// Positions, the position cache, expanding and collapsing, and scrolling, in a 200 x 100 window.
#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/ui/Clock.h"
#include "TreeChecks.h"

#include <gtest/gtest.h>

#include <vector>

namespace lazytree {
namespace {

// Every node's content is 50 pixels wide, so text rectangles can be checked.
class TWideNodes : public TLazyTreeModel {
public:
    using TLazyTreeModel::TLazyTreeModel;
    int width = 50;

protected:
    int DoGetNodeWidth(PLazyNode, int) override { return width; }
};

class GeometryTest : public ::testing::Test {
protected:
    GeometryTest() : tree(&host) {}

    PLazyNode Top(int index) {
        PLazyNode node = tree.GetFirstNoInit();
        while (index-- > 0)
            node = node->NextSibling;
        return node;
    }

    ui::TManualClockScope clock{1000};
    test::TFakeTreeHost host;
    TWideNodes tree;
};

TEST_F(GeometryTest, NodeAtClampsAboveAndFindsNothingBelow) {
    tree.SetRootNodeCount(3);
    int top = -1;
    EXPECT_EQ(tree.GetNodeAt(0, -5, true, &top), Top(0));
    EXPECT_EQ(top, 0);
    EXPECT_EQ(tree.GetNodeAt(0, 18, true, &top), Top(1));
    EXPECT_EQ(top, 18);
    top = -1;
    EXPECT_EQ(tree.GetNodeAt(0, 54, true, &top), nullptr);
    EXPECT_EQ(top, -1);
}

TEST_F(GeometryTest, CacheHasOneEntryPerTwoThousandVisibleNodes) {
    tree.SetRootNodeCount(1999);
    tree.ValidateCache();
    EXPECT_TRUE(tree.PositionCache().Empty());
    EXPECT_FALSE(tree.TreeStates().Contains(tsUseCache));

    tree.SetRootNodeCount(2001);
    tree.ValidateCache();
    const auto& entries = tree.PositionCache().Entries();
    // The first node needs no entry: it is where every walk without one starts.
    EXPECT_EQ(entries, (std::vector<TPositionCache::TEntry>{{tree.GetLastNoInit(), 2000 * 18}}));
    EXPECT_TRUE(tree.TreeStates().Contains(tsUseCache));
    EXPECT_FALSE(tree.TreeStates().Contains(tsValidationNeeded));
}

// Positions through the cache agree with positions summed from the top, also after changes.
TEST_F(GeometryTest, CachedPositionsAgreeWithSummedOnes) {
    tree.SetRootNodeCount(5000);
    PLazyNode probe = tree.GetLastNoInit()->PrevSibling;
    tree.ChangeNodeHeight(Top(10), 40);
    tree.SetChildCount(Top(2500), 3);
    tree.ToggleNode(Top(2500));
    int top = 0;
    tree.SetOffsetY(-100000);
    ASSERT_EQ(tree.GetNodeAt(0, 4998 * 18 + 22 + 54, false, &top), probe);
    EXPECT_EQ(top, 4998 * 18 + 22 + 54);
    EXPECT_TRUE(tree.TreeStates().Contains(tsUseCache));
    const TTreeRect r = tree.GetDisplayRect(probe, -1, false);
    EXPECT_EQ(r.Top, top + tree.OffsetY());
}

// A change keeps the entries before it and the walks that follow extend the cache again.
TEST_F(GeometryTest, ChangesCutTheCacheAtTheirNode) {
    tree.Options().AutoOptions.Exclude(toAutoScrollOnExpand); // the view stays at the top
    tree.SetRootNodeCount(10000);
    tree.ValidateCache();
    ASSERT_EQ(tree.PositionCache().Entries().size(), 4u); // nodes 2000, 4000, 6000, 8000
    PLazyNode middle = tree.GetNodeAt(0, 5000 * 18, false);
    tree.SetChildCount(middle, 3);
    tree.ToggleNode(middle);
    EXPECT_EQ(tree.PositionCache().Entries().size(), 2u);
    EXPECT_EQ(test::CheckTree(tree), "");
    tree.RemoveNode(tree.GetNodeAt(0, 1000 * 18, false));
    EXPECT_EQ(tree.PositionCache().Entries().size(), 0u);
    PLazyNode last = tree.GetLastNoInit();
    EXPECT_EQ(tree.GetDisplayRect(last, -1, false).Top - tree.OffsetY(), (9999 - 1 + 3) * 18);
    EXPECT_EQ(tree.PositionCache().Entries().size(), 5u);
    EXPECT_EQ(test::CheckTree(tree), "");
    tree.ChangeNodeHeight(last, 30); // the last node: nothing before it moves
    EXPECT_EQ(tree.PositionCache().Entries().size(), 5u);
    tree.FullCollapse(middle);
    EXPECT_EQ(test::CheckTree(tree), "");
}

TEST_F(GeometryTest, DisplayRectInsideACollapsedParentIsEmpty) {
    tree.SetRootNodeCount(2);
    tree.SetChildCount(Top(0), 2);
    EXPECT_TRUE(tree.GetDisplayRect(Top(0)->FirstChild, -1, false).IsEmpty());
    tree.ToggleNode(Top(0));
    EXPECT_EQ(tree.GetDisplayRect(Top(0)->LastChild, -1, false), (TTreeRect{0, 36, 200, 54}));
}

TEST_F(GeometryTest, TextRectangleClippedAndUnclipped) {
    tree.SetRootNodeCount(1);
    // Margin 4 + one indent for the root level: text from 22.
    tree.width = 50;
    EXPECT_EQ(tree.GetDisplayRect(Top(0), -1, true), (TTreeRect{22, 0, 72, 18}));
    EXPECT_EQ(tree.GetDisplayRect(Top(0), -1, true, true), (TTreeRect{22, 0, 71, 18}));
    // Wider than the cell: clipped keeps the cell's right edge, unclipped runs on.
    tree.width = 400;
    EXPECT_EQ(tree.GetDisplayRect(Top(0), -1, true).Right, 200);
    EXPECT_EQ(tree.GetDisplayRect(Top(0), -1, true, true).Right, 22 + 400 - 1);
    tree.width = 50;
    tree.SetAlignment(taRightJustify);
    EXPECT_EQ(tree.GetDisplayRect(Top(0), -1, true), (TTreeRect{150, 0, 200, 18}));
}

TEST_F(GeometryTest, MeasureItemHeightAppliesTheHandlersHeightOnce) {
    tree.SetRootNodeCount(2);
    int asked = 0;
    tree.OnMeasureItem = [&](TLazyTreeModel&, PLazyNode, int& height) {
        ++asked;
        height = 30;
    };
    tree.Options().MiscOptions.Include(toVariableNodeHeight);
    EXPECT_EQ(tree.GetDisplayRect(Top(0), -1, false).Height(), 30);
    tree.GetDisplayRect(Top(0), -1, false);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u + 30 + 18);
}

// --- Expanding and collapsing --------------------------------------------------------------------------

TEST_F(GeometryTest, AutoFreeOnCollapseCountsChildrenAgain) {
    int childInits = 0, frees = 0;
    tree.OnInitNode = [](TLazyTreeModel&, PLazyNode parent, PLazyNode, TLazyNodeInitStates& states) {
        if (!parent) states.Include(ivsHasChildren);
    };
    tree.OnInitChildren = [&](TLazyTreeModel&, PLazyNode, uint32_t& count) {
        ++childInits;
        count = 2;
    };
    tree.OnFreeNode = [&](TLazyTreeModel&, PLazyNode) { ++frees; };
    tree.Options().AutoOptions.Include(toAutoFreeOnCollapse);
    tree.SetRootNodeCount(1);
    PLazyNode node = tree.GetFirst();
    tree.ToggleNode(node);
    tree.GetNext(node);
    tree.GetNext(node->FirstChild); // both children initialised
    tree.ToggleNode(node);
    EXPECT_EQ(frees, 2);
    EXPECT_EQ(node->ChildCount, 0u);
    EXPECT_TRUE(node->States.Contains(nsHasChildren));
    tree.ToggleNode(node);
    EXPECT_EQ(childInits, 2);
    EXPECT_EQ(tree.VisibleCount(), 3u);
    tree.OnFreeNode = nullptr; // the fixture's tree outlives the counters
}

TEST_F(GeometryTest, FullExpandIsOneBracket) {
    std::vector<TVTUpdateState> updating;
    tree.OnUpdating = [&](TLazyTreeModel&, TVTUpdateState state) { updating.push_back(state); };
    tree.SetRootNodeCount(1);
    updating.clear();
    tree.SetChildCount(Top(0), 2);
    tree.SetChildCount(Top(0)->FirstChild, 2);
    tree.SetChildCount(Top(0)->FirstChild->FirstChild, 2);
    tree.FullExpand();
    EXPECT_EQ(tree.VisibleCount(), 7u);
    EXPECT_EQ(std::count(updating.begin(), updating.end(), usEnd), 1);
    EXPECT_EQ(updating.back(), usEnd);
    tree.FullCollapse();
    EXPECT_EQ(tree.VisibleCount(), 1u);
    EXPECT_FALSE(Top(0)->FirstChild->States.Contains(nsExpanded));
    EXPECT_EQ(tree.RootNode()->TotalHeight, 36u);
}

TEST_F(GeometryTest, ToggleFromInsideExpandingIsIgnored) {
    tree.SetRootNodeCount(1);
    tree.SetChildCount(Top(0), 2);
    int expanded = 0;
    tree.OnExpanding = [&](TLazyTreeModel& t, PLazyNode node, bool&) { t.ToggleNode(node); };
    tree.OnExpanded = [&](TLazyTreeModel&, PLazyNode) { ++expanded; };
    tree.ToggleNode(Top(0));
    EXPECT_EQ(expanded, 1);
    EXPECT_TRUE(Top(0)->States.Contains(nsExpanded));
}

TEST_F(GeometryTest, RefusedToggleChangesNothing) {
    tree.SetRootNodeCount(1);
    tree.SetChildCount(Top(0), 2);
    tree.OnExpanding = [](TLazyTreeModel&, PLazyNode, bool& allowed) { allowed = false; };
    tree.ToggleNode(Top(0));
    EXPECT_FALSE(Top(0)->States.Contains(nsExpanded));
    EXPECT_EQ(tree.VisibleCount(), 1u);
}

TEST_F(GeometryTest, ExpandingTheLastNodeScrollsItToTheTopWhenItsChildrenDoNotFit) {
    tree.SetRootNodeCount(5);
    tree.SetChildCount(Top(4), 10);
    tree.ToggleNode(Top(4));
    EXPECT_EQ(tree.OffsetY(), -72);
    EXPECT_EQ(tree.GetNodeAt(0, 0), Top(4));
}

TEST_F(GeometryTest, ExpandingScrollsOnlyAsFarAsTheLastChild) {
    tree.SetRootNodeCount(4);
    tree.SetChildCount(Top(3), 2);
    tree.ToggleNode(Top(3)); // node at 54, children to 108: 8 pixels too low
    EXPECT_EQ(tree.OffsetY(), -8);
}

// --- Scrolling ------------------------------------------------------------------------------------

TEST_F(GeometryTest, OffsetsAreClampedToTheRange) {
    tree.SetRootNodeCount(20); // 360 pixels in a 100 pixel window
    tree.SetOffsetY(5);
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.SetOffsetY(-100000);
    EXPECT_EQ(tree.RangeY(), 360);
    EXPECT_EQ(tree.OffsetY(), 100 - 360);
    EXPECT_EQ(host.verticalBar, (TScrollBarState{true, true, 360, 101, 260}));
    tree.SetRootNodeCount(3); // fits again
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_FALSE(host.verticalBar.Visible);
    tree.SetAlwaysVisible(true);
    tree.UpdateScrollBars();
    EXPECT_TRUE(host.verticalBar.Visible);
    EXPECT_FALSE(host.verticalBar.Enabled);
}

TEST_F(GeometryTest, ScrollIntoViewTopBottomAndCentre) {
    tree.SetRootNodeCount(50);
    std::vector<std::pair<int, int>> scrolled;
    tree.OnScroll = [&](TLazyTreeModel&, int dx, int dy) { scrolled.push_back({dx, dy}); };
    PLazyNode node = Top(20); // 360..378
    EXPECT_TRUE(tree.ScrollIntoView(node, false));
    EXPECT_EQ(tree.OffsetY(), 100 - 378); // at the bottom
    tree.SetOffsetY(-600);
    EXPECT_TRUE(tree.ScrollIntoView(node, false));
    EXPECT_EQ(tree.OffsetY(), -360); // at the top
    EXPECT_TRUE(tree.ScrollIntoView(node, true));
    EXPECT_EQ(tree.OffsetY(), 50 - 378);            // bottom at the centre
    EXPECT_FALSE(tree.ScrollIntoView(node, false)); // in view already
    EXPECT_EQ(scrolled.size(), 4u);
}

TEST_F(GeometryTest, ScrollIntoViewOpensCollapsedAncestors) {
    tree.SetRootNodeCount(2);
    tree.SetChildCount(Top(0), 1);
    tree.SetChildCount(Top(0)->FirstChild, 1);
    PLazyNode deep = Top(0)->FirstChild->FirstChild;
    tree.ScrollIntoView(deep, false);
    EXPECT_TRUE(tree.IsFullyShown(deep));
    EXPECT_EQ(tree.VisibleCount(), 4u);
}

TEST_F(GeometryTest, AutoScrollWaitsForTheDelayThenRepeats) {
    tree.SetRootNodeCount(50);
    tree.Options().AutoOptions.Include(toAutoScroll);
    tree.DoStateChange({tsDrawSelecting});
    host.cursor = {100, 95};
    tree.SetAutoScrollInterval(10);
    tree.DoAutoScroll(100, 95); // in the bottom band
    EXPECT_TRUE(tree.DetermineScrollDirections(100, 95).Empty());
    clock->Advance(999);
    EXPECT_EQ(tree.OffsetY(), 0);
    clock->Advance(1);
    EXPECT_EQ(tree.OffsetY(), -20);
    clock->Advance(10);
    EXPECT_EQ(tree.OffsetY(), -40);
    EXPECT_TRUE(tree.TreeStates().Contains(tsScrolling));
    tree.DoAutoScroll(100, 50); // back in the middle
    clock->Advance(100);
    EXPECT_EQ(tree.OffsetY(), -40);
    EXPECT_FALSE(tree.TreeStates().Contains(tsScrolling));
}

TEST_F(GeometryTest, AutoScrollOutsideTheWindowIsImmediateAndScaled) {
    tree.SetRootNodeCount(50);
    tree.Options().AutoOptions.Include(toAutoScroll);
    tree.DoStateChange({tsDrawSelecting});
    host.cursor = {100, 103};
    EXPECT_EQ(tree.DetermineScrollDirections(100, 103), TScrollDirections{sdDown});
    tree.DoAutoScroll(100, 103);
    clock->Advance(1000);
    EXPECT_EQ(tree.OffsetY(), -60); // 20 pixels for each pixel beyond the edge
}

TEST_F(GeometryTest, WheelPanningFollowsTheMouseFromItsAnchor) {
    tree.SetRootNodeCount(50);
    tree.StartWheelPanning({100, 50});
    EXPECT_EQ(tree.PanningCursor(104, 45), pcMoveNS); // resting: only vertical scrolling is possible
    EXPECT_EQ(tree.PanningCursor(100, 80), pcMoveS);
    host.cursor = {100, 80};
    tree.DoAutoScroll(100, 80);
    clock->Advance(20);
    EXPECT_EQ(tree.OffsetY(), -(80 - 50 - 8)); // one tick: the distance beyond the dead zone
    clock->Advance(20);
    EXPECT_EQ(tree.OffsetY(), -44);
    tree.StopWheelPanning();
    clock->Advance(100);
    EXPECT_EQ(tree.OffsetY(), -44);
    EXPECT_FALSE(tree.TreeStates().Contains(tsWheelPanning));
}

TEST(PanningCursor, ShapesAroundTheAnchor) {
    test::TFakeTreeHost host(20, 20); // everything scrolls both ways
    TWideNodes tree(&host);
    tree.SetRootNodeCount(10);
    tree.UpdateScrollBars();
    tree.StartWheelPanning({50, 50});
    struct {
        int x, y;
        TPanningCursor expected;
    } cases[] = {{57, 57, pcMoveAll}, {41, 41, pcMoveNW}, {41, 50, pcMoveW},
                 {41, 59, pcMoveSW},  {50, 40, pcMoveN},  {58, 60, pcMoveS},
                 {59, 41, pcMoveNE},  {59, 58, pcMoveE},  {59, 59, pcMoveSE}};
    for (const auto& c : cases)
        EXPECT_EQ(tree.PanningCursor(c.x, c.y), c.expected) << c.x << "," << c.y;
    tree.StopWheelPanning();
}

} // namespace
} // namespace lazytree
