#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "TreeChecks.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace lazytree {
namespace {

// A tri-state parent with three check-box children; the tree records its check events.
class CheckStateTest : public ::testing::Test {
protected:
    CheckStateTest() {
        tree.Options().MiscOptions.Include(toCheckSupport);
        tree.SetRootNodeCount(1);
        parent = tree.GetFirst();
        parent->CheckType = ctTriStateCheckBox;
        tree.SetChildCount(parent, 3);
        for (PLazyNode child = parent->FirstChild; child; child = child->NextSibling)
            child->CheckType = ctCheckBox;
        tree.OnChecking = [this](TLazyTreeModel&, PLazyNode node, TCheckState&, bool& allowed) {
            asked.push_back(node);
            allowed = node != refused;
        };
        tree.OnChecked = [this](TLazyTreeModel&, PLazyNode node) { checked.push_back(node); };
    }
    PLazyNode Child(int index) { return test::ChildAt(parent, index); }
    std::vector<TCheckState> ChildStates() {
        std::vector<TCheckState> states;
        for (PLazyNode child = parent->FirstChild; child; child = child->NextSibling)
            states.push_back(child->CheckState);
        return states;
    }

    test::TFakeTreeHost host;
    TLazyTreeModel tree{&host};
    PLazyNode parent = nullptr;
    PLazyNode refused = nullptr;
    std::vector<PLazyNode> asked;
    std::vector<PLazyNode> checked;
};

TEST(CheckState, NextCheckStateOfAClick) {
    const std::tuple<TCheckType, TCheckState, TCheckState> cases[] = {
        {ctCheckBox, csUncheckedNormal, csCheckedNormal},
        {ctCheckBox, csCheckedNormal, csUncheckedNormal},
        {ctTriStateCheckBox, csMixedNormal, csCheckedNormal},
        {ctTriStateCheckBox, csCheckedNormal, csUncheckedNormal},
        {ctRadioButton, csCheckedNormal, csCheckedNormal},
        {ctRadioButton, csUncheckedNormal, csCheckedNormal},
        {ctButton, csCheckedNormal, csUncheckedNormal},
        {ctNone, csUncheckedNormal, csMixedNormal},
    };
    for (const auto& [type, state, next] : cases)
        EXPECT_EQ(TLazyTreeModel::NextCheckState(type, state), next) << int(type) << " " << int(state);
}

TEST(CheckState, PressedAndReleasedVariants) {
    EXPECT_EQ(TLazyTreeModel::PressedCheckState(csUncheckedNormal), csUncheckedPressed);
    EXPECT_EQ(TLazyTreeModel::PressedCheckState(csCheckedPressed), csCheckedPressed);
    EXPECT_EQ(TLazyTreeModel::PressedCheckState(csMixedNormal), csMixedPressed);
    EXPECT_EQ(TLazyTreeModel::ReleasedCheckState(csMixedPressed), csMixedNormal);
    EXPECT_EQ(TLazyTreeModel::ReleasedCheckState(csCheckedNormal), csCheckedNormal);
}

TEST_F(CheckStateTest, ImageIndexByTypeStateEnabledAndHot) {
    const TLazyTreeModel& t = tree;
    // Header boxes: no node, never hot; a tri-state box draws the check-box images.
    EXPECT_EQ(t.GetCheckImage(nullptr, ctTriStateCheckBox, csMixedNormal, true), 17);
    EXPECT_EQ(t.GetCheckImage(nullptr, ctCheckBox, csCheckedPressed, false), 16);
    EXPECT_EQ(t.GetCheckImage(nullptr, ctRadioButton, csCheckedNormal, true), 5);
    EXPECT_EQ(t.GetCheckImage(nullptr, ctRadioButton, csUncheckedPressed, false), 4);
    EXPECT_EQ(t.GetCheckImage(nullptr, ctButton, csCheckedNormal, true), 21);
    EXPECT_EQ(t.GetCheckImage(nullptr, ctButton, csMixedPressed, true), 19);
    EXPECT_EQ(t.GetCheckImage(nullptr, ctNone, csCheckedNormal, true), -1);

    PLazyNode node = Child(0);
    EXPECT_EQ(t.GetCheckImage(node), 9);
    tree.SetHotNode(node);
    EXPECT_EQ(t.GetCheckImage(node), 10);
    node->CheckState = csUncheckedPressed; // pressed shows pressed, hot or not
    EXPECT_EQ(t.GetCheckImage(node), 11);
    node->States.Include(nsDisabled); // disabled shows disabled, hot or not
    EXPECT_EQ(t.GetCheckImage(node), 12);
    node->States.Exclude(nsDisabled);
    tree.SetEnabled(false);
    EXPECT_EQ(t.GetCheckImage(node), 12);
}

TEST_F(CheckStateTest, CheckingTheParentChecksAllChildren) {
    tree.SetCheckState(parent, csCheckedNormal);
    EXPECT_EQ(ChildStates(), std::vector<TCheckState>(3, csCheckedNormal));
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
    EXPECT_FALSE(tree.TreeStates().Contains(tsCheckPropagation));
    EXPECT_FALSE(parent->States.Contains(nsChecking));
}

TEST_F(CheckStateTest, ADisabledOrRefusingChildMakesTheParentMixed) {
    Child(1)->States.Include(nsDisabled);
    tree.SetCheckState(parent, csCheckedNormal);
    EXPECT_EQ(ChildStates(), (std::vector<TCheckState>{csCheckedNormal, csUncheckedNormal, csCheckedNormal}));
    EXPECT_EQ(parent->CheckState, csMixedNormal);

    Child(1)->States.Exclude(nsDisabled);
    refused = Child(2);
    tree.SetCheckState(parent, csUncheckedNormal);
    EXPECT_EQ(ChildStates(),
              (std::vector<TCheckState>{csUncheckedNormal, csUncheckedNormal, csCheckedNormal}));
    EXPECT_EQ(parent->CheckState, csMixedNormal);
}

TEST_F(CheckStateTest, ChildrenDecideTheParentsState) {
    tree.SetCheckState(Child(0), csCheckedNormal);
    EXPECT_EQ(parent->CheckState, csMixedNormal);
    tree.SetCheckState(Child(1), csCheckedNormal);
    tree.SetCheckState(Child(2), csCheckedNormal);
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
    tree.SetCheckState(Child(2), csMixedNormal);
    EXPECT_EQ(parent->CheckState, csMixedNormal);
    for (int i = 0; i < 3; ++i)
        tree.SetCheckState(Child(i), csUncheckedNormal);
    EXPECT_EQ(parent->CheckState, csUncheckedNormal);
}

TEST_F(CheckStateTest, OnlyBoxesCountTowardsTheParent) {
    Child(1)->CheckType = ctRadioButton;
    Child(2)->CheckType = ctNone;
    tree.SetCheckState(Child(0), csCheckedNormal);
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
    tree.SetCheckState(parent, csUncheckedNormal);
    EXPECT_EQ(ChildStates(), std::vector<TCheckState>(3, csUncheckedNormal));
    tree.SetCheckState(parent, csCheckedNormal); // the boxless children neither follow nor hold it back
    EXPECT_EQ(ChildStates(),
              (std::vector<TCheckState>{csCheckedNormal, csUncheckedNormal, csUncheckedNormal}));
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
}

TEST_F(CheckStateTest, WithoutTrackingOnlyTheNodeChanges) {
    tree.Options().AutoOptions.Exclude(toAutoTristateTracking);
    tree.SetCheckState(parent, csCheckedNormal);
    EXPECT_EQ(ChildStates(), std::vector<TCheckState>(3, csUncheckedNormal));
    tree.SetCheckState(Child(0), csCheckedNormal);
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
}

TEST_F(CheckStateTest, RadioSiblingsUncheckWithoutEvents) {
    for (int i = 0; i < 3; ++i)
        Child(i)->CheckType = ctRadioButton;
    Child(0)->CheckState = csCheckedNormal;
    tree.SetCheckState(Child(2), csCheckedNormal);
    EXPECT_EQ(ChildStates(),
              (std::vector<TCheckState>{csUncheckedNormal, csUncheckedNormal, csCheckedNormal}));
    EXPECT_EQ(checked, std::vector<PLazyNode>{Child(2)});
    EXPECT_EQ(parent->CheckState, csUncheckedNormal); // radio buttons do not carry upwards
}

TEST_F(CheckStateTest, ReadOnlyTreesRefuseWithoutAsking) {
    tree.Options().MiscOptions.Include(toReadOnly);
    tree.SetCheckState(Child(0), csCheckedNormal);
    tree.StartCheckPending(Child(1), false);
    EXPECT_EQ(ChildStates(), std::vector<TCheckState>(3, csUncheckedNormal));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(tree.CheckNode(), nullptr);
}

TEST_F(CheckStateTest, AChangeDuringItsOwnChangeIsRefused) {
    bool nested = true;
    tree.OnChecked = [&](TLazyTreeModel& t, PLazyNode node) {
        if (node == Child(0)) nested = t.ChangeCheckState(parent, csUncheckedNormal);
    };
    tree.SetCheckState(parent, csCheckedNormal);
    EXPECT_FALSE(nested);
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
}

TEST_F(CheckStateTest, APendingCheckAppliesOnlyOnAReleaseOverTheNode) {
    PLazyNode node = Child(0);
    tree.StartCheckPending(node, false);
    EXPECT_TRUE(tree.TreeStates().Contains(tsMouseCheckPending));
    EXPECT_EQ(node->CheckState, csUncheckedPressed);
    tree.StartCheckPending(Child(1), true); // a second press waits for the first
    EXPECT_EQ(tree.CheckNode(), node);
    EXPECT_EQ(Child(1)->CheckState, csUncheckedNormal);

    tree.EndCheckPending(false); // released elsewhere
    EXPECT_EQ(node->CheckState, csUncheckedNormal);
    EXPECT_FALSE(tree.TreeStates().Contains(tsMouseCheckPending));
    EXPECT_TRUE(checked.empty());

    tree.StartCheckPending(node, true);
    EXPECT_TRUE(tree.TreeStates().Contains(tsKeyCheckPending));
    tree.EndCheckPending(true);
    EXPECT_EQ(node->CheckState, csCheckedNormal);
    EXPECT_EQ(parent->CheckState, csMixedNormal);
    EXPECT_EQ(tree.CheckNode(), nullptr);
}

TEST_F(CheckStateTest, ARefusedPressLeavesNothingPending) {
    refused = Child(0);
    tree.StartCheckPending(Child(0), false);
    EXPECT_FALSE(tree.TreeStates().Contains(tsMouseCheckPending));
    EXPECT_EQ(Child(0)->CheckState, csUncheckedNormal);
}

TEST_F(CheckStateTest, RemovingThePendingNodeForgetsIt) {
    tree.StartCheckPending(Child(0), false);
    tree.RemoveNode(Child(0));
    EXPECT_EQ(tree.CheckNode(), nullptr);
    tree.EndCheckPending(true);
    EXPECT_FALSE(tree.TreeStates().Contains(tsMouseCheckPending));
}

} // namespace
} // namespace lazytree
