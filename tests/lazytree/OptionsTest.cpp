#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"
#include "TreeChecks.h"

#include <gtest/gtest.h>

namespace lazytree {
namespace {

// Three top-level nodes with two children each; the first two expanded.
class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() {
        tree.SetRootNodeCount(3);
        for (PLazyNode node = tree.GetFirstChild(nullptr); node; node = node->NextSibling)
            tree.SetChildCount(node, 2);
        tree.SetExpanded(Top(0), true);
        tree.SetExpanded(Top(1), true);
        tree.OnChange = [this](TLazyTreeModel&, PLazyNode) { ++changes; };
    }
    PLazyNode Top(int index) { return test::ChildAt(tree.RootNode(), index); }

    test::TFakeTreeHost host;
    TLazyTreeModel tree{&host};
    int changes = 0;
};

TEST(TreeOptions, DefaultsAfterConstruction) {
    TLazyTreeModel tree;
    EXPECT_EQ(tree.DefaultNodeHeight(), 18);
    EXPECT_EQ(tree.Indent(), 18);
    EXPECT_EQ(tree.Margin(), 4);
    EXPECT_EQ(tree.AutoScrollDelay(), 1000u);
    EXPECT_EQ(tree.AutoScrollInterval(), 1u);
    EXPECT_EQ(tree.AnimationDuration(), 200u);
    EXPECT_EQ(tree.ChangeDelay(), 0u);
    EXPECT_EQ(tree.BottomSpace(), 0);
    EXPECT_EQ(tree.Alignment(), taLeftJustify);
    EXPECT_EQ(tree.ScrollBars(), ssBoth);
    EXPECT_FALSE(tree.AlwaysVisible());
    EXPECT_EQ(tree.VerticalIncrement(), 20);
    EXPECT_EQ(tree.HorizontalIncrement(), 20);
    EXPECT_EQ(tree.FocusedColumn(), TLazyTreeModel::kNoColumn);
    const TLazyTreeOptions& options = tree.Options();
    EXPECT_EQ(options.PaintOptions, (TVTPaintOptions{toShowButtons, toShowDropmark, toShowRoot,
                                                     toShowTreeLines, toThemeAware, toUseBlendedImages}));
    EXPECT_TRUE(options.AnimationOptions.Empty());
    EXPECT_EQ(options.AutoOptions, (TVTAutoOptions{toAutoDropExpand, toAutoScrollOnExpand,
                                                   toAutoTristateTracking, toAutoDeleteMovedNodes}));
    EXPECT_TRUE(options.SelectionOptions.Empty());
    EXPECT_EQ(options.MiscOptions, (TVTMiscOptions{toAcceptOLEDrop, toFullRepaintOnResize, toInitOnSave,
                                                   toToggleOnDblClick, toWheelPanning, toEditOnClick}));
}

TEST_F(OptionsTest, WritingTheSameSetDoesNothing) {
    tree.SetSelectionOptions({toMultiSelect});
    tree.SelectAll(false);
    changes = 0;
    host.fullInvalidations = 0;
    const TLazyTreeOptions options = tree.Options();
    tree.SetPaintOptions(options.PaintOptions);
    tree.SetAutoOptions(options.AutoOptions);
    tree.SetSelectionOptions(options.SelectionOptions);
    tree.SetMiscOptions(options.MiscOptions);
    EXPECT_EQ(tree.SelectedCount(), 9u);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(host.fullInvalidations, 0);
}

TEST_F(OptionsTest, SelectionOptionsThatNarrowTheSelectionClearIt) {
    struct Case {
        TVTSelectionOptions from, to;
        bool clears;
    };
    const Case cases[] = {
        {{toMultiSelect}, {}, true},
        {{}, {toMultiSelect}, true},
        {{toMultiSelect}, {toMultiSelect, toSiblingSelectConstraint}, true},
        {{toMultiSelect}, {toMultiSelect, toLevelSelectConstraint}, true},
        {{toMultiSelect, toSiblingSelectConstraint}, {toMultiSelect}, false},
        {{toMultiSelect}, {toMultiSelect, toFullRowSelect}, false},
    };
    for (const Case& c : cases) {
        tree.SetSelectionOptions(c.from);
        tree.SetSelected(Top(0), true);
        tree.SetSelectionOptions(c.to);
        EXPECT_EQ(tree.IsSelected(Top(0)), !c.clears) << c.from.Count() << " -> " << c.to.Count();
        tree.UnselectAll();
    }
}

TEST_F(OptionsTest, ShowingHiddenNodesCountsOnlyThoseShown) {
    TVTPaintOptions shown = tree.Options().PaintOptions;
    shown.Include(toShowHiddenNodes);
    tree.SetPaintOptions(shown);
    const uint32_t visible = tree.VisibleCount();
    const int range = tree.RangeY();
    // Three under expanded parents, one under a collapsed parent.
    for (PLazyNode node : {Top(0)->FirstChild, Top(1)->FirstChild, Top(1)->LastChild, Top(2)->FirstChild})
        node->States.Include(nsFiltered);

    TVTPaintOptions hidden = shown;
    hidden.Exclude(toShowHiddenNodes);
    tree.SetPaintOptions(hidden);
    EXPECT_EQ(tree.VisibleCount(), visible - 3);
    EXPECT_EQ(tree.RangeY(), range - 3 * 18);
    EXPECT_EQ(test::CheckTree(tree), "");

    tree.SetPaintOptions(shown);
    EXPECT_EQ(tree.VisibleCount(), visible);
    EXPECT_EQ(tree.RangeY(), range);
    EXPECT_EQ(test::CheckTree(tree), "");
}

TEST_F(OptionsTest, DefaultNodeHeightMovesTheRootsHeight) {
    PLazyNode root = tree.RootNode();
    const uint32_t total = root->TotalHeight;
    tree.SetDefaultNodeHeight(0);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18);
    EXPECT_FALSE(tree.TreeStates().Contains(tsNeedScale));
    tree.SetDefaultNodeHeight(16);
    EXPECT_EQ(tree.DefaultNodeHeight(), 16);
    EXPECT_EQ(root->TotalHeight, total - 2);
    EXPECT_EQ(root->NodeHeight, 16);
    EXPECT_TRUE(tree.TreeStates().Contains(tsNeedScale));
    tree.SetRootNodeCount(4);
    EXPECT_EQ(Top(3)->NodeHeight, 16); // new nodes take the new height
}

TEST_F(OptionsTest, CheckSupportRepaints) {
    host.fullInvalidations = 0;
    TVTMiscOptions misc = tree.Options().MiscOptions;
    tree.SetMiscOptions(misc.Include(toCheckSupport));
    EXPECT_EQ(host.fullInvalidations, 1);
    tree.SetMiscOptions(misc.Include(toEditable)); // nothing on screen changes
    EXPECT_EQ(host.fullInvalidations, 1);
}

TEST_F(OptionsTest, AnimationDurationSwitchesAnimatedToggling) {
    tree.SetAnimationDuration(0);
    tree.Options().AnimationOptions.Include(toAnimatedToggle);
    tree.SetAnimationDuration(0); // also when the duration does not change
    EXPECT_FALSE(tree.Options().AnimationOptions.Contains(toAnimatedToggle));
    tree.SetAnimationDuration(150);
    EXPECT_TRUE(tree.Options().AnimationOptions.Contains(toAnimatedToggle));
}

TEST_F(OptionsTest, ColoursStartAsSystemColoursAndRepaintWhenWritten) {
    const TVTColors& colors = tree.Colors();
    EXPECT_EQ(colors[TVTColors::DisabledColor], ui::clBtnShadow);
    EXPECT_EQ(colors[TVTColors::FocusedSelectionColor], ui::clHighlight);
    EXPECT_EQ(colors[TVTColors::GridLineColor], ui::clBtnFace);
    EXPECT_EQ(colors[TVTColors::HotColor], ui::clWindowText);
    EXPECT_EQ(colors[TVTColors::HeaderHotColor], ui::clBtnShadow);

    host.fullInvalidations = 0;
    tree.Colors().Set(TVTColors::TreeLineColor, ui::RGB(1, 2, 3));
    EXPECT_EQ(colors[TVTColors::TreeLineColor], ui::RGB(1, 2, 3));
    EXPECT_EQ(host.fullInvalidations, 1);

    TLazyTreeModel windowless;
    windowless.Colors().Set(TVTColors::FocusedSelectionColor, ui::RGB(9, 9, 9)); // only stored
    tree.BeginUpdate();
    tree.Colors() = windowless.Colors();
    EXPECT_EQ(host.fullInvalidations, 1); // not inside an update
    tree.EndUpdate();
    EXPECT_EQ(colors[TVTColors::FocusedSelectionColor], ui::RGB(9, 9, 9));
    EXPECT_EQ(colors[TVTColors::TreeLineColor], ui::clBtnShadow);
}

TEST(TreeOptions, OnlyRegularScrollBarsExist) {
    TLazyTreeModel tree;
    tree.SetScrollBarStyle(sbmRegular);
    EXPECT_THROW(tree.SetScrollBarStyle(sbmFlat), rtl::EAssertionFailed);
}

} // namespace
} // namespace lazytree
