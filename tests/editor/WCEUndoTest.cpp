#include "editor/WCEUndo.h"

#include "FakeEditorHost.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

using testing::TFakeEditorHost;

void Insert(TUndoList& undo, std::u16string text, int x) {
    ASSERT_TRUE(undo.BeginInsert({x, 0}, std::move(text)));
    undo.CommitAt({x + 1, 0});
}

TEST(WCEUndoTest, MaxUndoKeepsTheNewestRecordsAndCurrentOnItsRecord) {
    TFakeEditorHost host;
    host.undo.SetMaxUndo(3);
    for (int i = 0; i < 5; ++i)
        Insert(host.undo, std::u16string(1, char16_t(u'a' + i)), i);
    ASSERT_EQ(host.undo.Count(), 3);
    EXPECT_EQ(host.undo.Items(0).NewText, u"c");
    EXPECT_EQ(host.undo.Current(), 2);

    EXPECT_EQ(host.undo.StepBack().NewText, u"e");
    Insert(host.undo, u"f", 5);
    ASSERT_EQ(host.undo.Count(), 3);
    EXPECT_EQ(host.undo.Items(2).NewText, u"f"); // the undone "e" is gone

    // Shrinking drops the oldest and moves Current with its record.
    host.undo.StepBack();
    host.undo.SetMaxUndo(2);
    ASSERT_EQ(host.undo.Count(), 2);
    EXPECT_EQ(host.undo.Current(), 0);
    EXPECT_EQ(host.undo.StepForward().NewText, u"f");
    host.undo.StepBack();
    host.undo.StepBack();
    host.undo.SetMaxUndo(1);
    EXPECT_EQ(host.undo.Current(), -1);
    EXPECT_FALSE(host.undo.CanUndo());
    EXPECT_TRUE(host.undo.CanRedo());
}

TEST(WCEUndoTest, NothingIsRecordedWithoutRoomInsideABracketOrWhileARecordIsOpen) {
    TFakeEditorHost host;
    host.undo.SetMaxUndo(0);
    EXPECT_FALSE(host.undo.BeginCaret());
    host.undo.SetMaxUndo(10);
    host.BeginUpdate();
    EXPECT_FALSE(host.undo.BeginCaret());
    host.EndUpdate();
    EXPECT_TRUE(host.undo.BeginCaret());
    EXPECT_FALSE(host.undo.BeginInsert({0, 0}, u"x"));
    host.undo.Commit();
    EXPECT_EQ(host.undo.Count(), 1);
}

TEST(WCEUndoTest, RecordsKeepTheStateAroundTheChangeAndTheirGroup) {
    TFakeEditorHost host;
    host.content.SetText(u"hello\r\nworld");
    host.undo.Clear();
    host.state = {{1, 0}, {1, 0}, {3, 1}};
    ASSERT_TRUE(host.undo.BeginReplace({1, 0}, {3, 1}, u"X", {1, 0}));
    host.state = {{2, 0}, {2, 0}, {2, 0}};
    host.undo.CommitAt({2, 0});
    const TChange& change = host.undo.Items(0);
    EXPECT_EQ(change.OldText, u"ello\r\nwor");
    EXPECT_EQ(change.Before.SelEnd, (TPoint{3, 1}));
    EXPECT_EQ(change.After.Caret, (TPoint{2, 0}));
    EXPECT_EQ(change.TargetEnd, (TPoint{2, 0}));
    EXPECT_EQ(change.Group, 1);
    EXPECT_EQ(host.undo.UndoGroup(), 1);
    EXPECT_EQ(host.undo.RedoGroup(), 0);
}

TEST(WCEUndoTest, DragRecordsComputeTheirTargetEnd) {
    TFakeEditorHost host;
    ASSERT_TRUE(host.undo.BeginDragMove({2, 1}, {5, 1}, {7, 3}));
    host.undo.Commit();
    ASSERT_TRUE(host.undo.BeginDragCopy({2, 1}, {4, 2}, {7, 3}));
    host.undo.Commit();
    EXPECT_EQ(host.undo.Items(0).TargetEnd, (TPoint{10, 3}));
    EXPECT_EQ(host.undo.Items(1).TargetEnd, (TPoint{4, 4}));
    EXPECT_EQ(host.undo.Items(1).Kind, ckDragCopy);
}

TEST(WCEUndoTest, GroupsFollowTheKinds) {
    const std::pair<TChangeKind, int> cases[] = {{ckNone, 0},   {ckInsert, 1},   {ckReplace, 1},
                                                 {ckDelete, 2}, {ckDragMove, 3}, {ckDragCopy, 3},
                                                 {ckCaret, 4},  {ckIndent, 5},   {ckUnindent, 5}};
    for (auto [kind, group] : cases)
        EXPECT_EQ(ChangeGroup(kind), group) << int(kind);
}

} // namespace
} // namespace editor
