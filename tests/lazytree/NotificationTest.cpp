#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Timers.h"

#include <gtest/gtest.h>

#include <vector>

namespace lazytree {
namespace {

// A tree in a fake window that records its change events.
class NotificationTest : public ::testing::Test {
protected:
    NotificationTest() : tree(&host) {
        tree.OnStructureChange = [this](TLazyTreeModel&, PLazyNode node, TChangeReason reason) {
            structure.push_back({node, reason});
        };
        tree.OnChange = [this](TLazyTreeModel&, PLazyNode node) { changes.push_back({node, clock->Now()}); };
        tree.OnUpdating = [this](TLazyTreeModel&, TVTUpdateState state) { updating.push_back(state); };
    }

    ui::TManualClockScope clock{1000};
    test::TFakeTreeHost host;
    TLazyTreeModel tree;
    std::vector<std::pair<PLazyNode, TChangeReason>> structure;
    std::vector<std::pair<PLazyNode, uint64_t>> changes;
    std::vector<TVTUpdateState> updating;
};

TEST_F(NotificationTest, HundredAddChildInABracketGiveOneAccumulatedChange) {
    tree.BeginUpdate();
    for (int i = 0; i < 100; ++i)
        tree.AddChild(nullptr);
    EXPECT_TRUE(structure.empty());
    tree.EndUpdate();
    ASSERT_EQ(structure.size(), 1u);
    EXPECT_EQ(structure[0], std::make_pair(PLazyNode{nullptr}, crAccumulated));
}

TEST_F(NotificationTest, SingleChangeInABracketKeepsItsReason) {
    tree.BeginUpdate();
    tree.AddChild(nullptr);
    tree.EndUpdate();
    ASSERT_EQ(structure.size(), 1u);
    EXPECT_EQ(structure[0].second, crChildAdded);
}

TEST_F(NotificationTest, NestedBracketsSwitchRedrawOnce) {
    tree.BeginUpdate();
    tree.BeginUpdate();
    tree.EndUpdate();
    tree.EndUpdate();
    EXPECT_EQ(updating, (std::vector<TVTUpdateState>{usBegin, usUpdate, usUpdate, usEnd}));
    EXPECT_EQ(host.redrawSwitches, (std::vector<bool>{false, true}));
    // Nothing pending: no events, but the control is redrawn.
    EXPECT_TRUE(structure.empty());
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(host.fullInvalidations, 1);
    tree.EndUpdate(); // unbalanced: stays at 0
    EXPECT_EQ(tree.UpdateCount(), 0u);
}

TEST_F(NotificationTest, ChangeDelayCollapsesABurstIntoOneEventForTheLastNode) {
    tree.SetRootNodeCount(3);
    tree.SetChangeDelay(200);
    PLazyNode nodes[] = {tree.GetFirst(), tree.GetFirst()->NextSibling, tree.GetLastNoInit()};
    for (PLazyNode node : nodes) {
        tree.AddToSelection(node);
        clock->Advance(50);
    }
    const uint64_t third = clock->Now() - 50;
    EXPECT_TRUE(changes.empty());
    clock->Advance(149);
    EXPECT_TRUE(changes.empty());
    clock->Advance(1);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], std::make_pair(nodes[2], third + 200));
    EXPECT_FALSE(ui::Timers().IsActive(&tree, ChangeTimer));
}

// Removing a selected node reports the selection change at once, whatever the delay.
TEST_F(NotificationTest, RemovingASelectedNodeChangesAtOnce) {
    tree.SetRootNodeCount(2);
    tree.SetChangeDelay(500);
    PLazyNode node = tree.GetFirst();
    tree.AddToSelection(node);
    clock->Advance(500);
    changes.clear();
    tree.RemoveNode(node);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(tree.TreeStates().Contains(tsSynchMode));
    EXPECT_EQ(tree.SelectedCount(), 0u);
}

TEST_F(NotificationTest, StructureChangesWithinOneDelayAccumulate) {
    tree.SetChangeDelay(100);
    PLazyNode parent = tree.AddChild(nullptr);
    structure.clear(); // AddChild itself reports at once
    tree.StructureChange(parent, crChildAdded);
    tree.StructureChange(nullptr, crChildDeleted);
    clock->Advance(100);
    ASSERT_EQ(structure.size(), 1u);
    EXPECT_EQ(structure[0], std::make_pair(PLazyNode{nullptr}, crAccumulated));
}

TEST_F(NotificationTest, StateChangeReportsRealTransitionsOnly) {
    std::vector<std::pair<TLazyTreeStates, TLazyTreeStates>> reported;
    tree.OnStateChange = [&](TLazyTreeModel&, TLazyTreeStates enter, TLazyTreeStates leave) {
        reported.push_back({enter, leave});
    };
    tree.DoStateChange({tsEditing});
    tree.DoStateChange({tsEditing});
    tree.DoStateChange({tsHint}, {tsEditing, tsIterating});
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].first, TLazyTreeStates{tsHint});
    EXPECT_EQ(reported[1].second, TLazyTreeStates{tsEditing});
    tree.DoStateChange({tsHint}, {tsHint}); // in both sets: ends cleared
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
}

TEST_F(NotificationTest, ChangeHandlerErrorStillRedraws) {
    tree.OnChange = [](TLazyTreeModel&, PLazyNode) { throw std::runtime_error("handler"); };
    tree.BeginUpdate();
    tree.Change(nullptr);
    EXPECT_THROW(tree.EndUpdate(), std::runtime_error);
    EXPECT_EQ(host.redrawSwitches, (std::vector<bool>{false, true}));
}

TEST_F(NotificationTest, OperationsCountAndCancel) {
    EXPECT_FALSE(tree.OperationCanceled());
    tree.BeginOperation();
    tree.CancelOperation();
    EXPECT_TRUE(tree.OperationCanceled());
    tree.EndOperation();
    EXPECT_FALSE(tree.OperationCanceled());
    tree.BeginOperation(); // a new operation starts uncancelled
    EXPECT_FALSE(tree.OperationCanceled());
    tree.EndOperation();
    EXPECT_THROW(tree.EndOperation(), rtl::EAssertionFailed);
}

} // namespace
} // namespace lazytree
