#include "editor/WideCodeEditModel.h"

#include "EditorModelTesting.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

using testing::TEditorFixture;

class WideCodeEditModelTest : public ::testing::Test, public TEditorFixture {};

TEST_F(WideCodeEditModelTest, SetCaretXYAnnouncesOnceAndSeparateSettersTwice) {
    Load(u"abcdef\r\nghijkl");
    editor.SetCaretXY({3, 1});
    EXPECT_EQ(caretEvents, 1);
    editor.SetCaretX(1);
    editor.SetCaretY(0);
    EXPECT_EQ(caretEvents, 3);
    editor.SetCaretXY({1, 0}); // no move, no event
    EXPECT_EQ(caretEvents, 3);
}

TEST_F(WideCodeEditModelTest, LeavingALineTrimsItsTrailingBlanksForGoodButNotWhenReadOnly) {
    Load(u"ab  \r\ncd");
    PlaceCaret({4, 0});
    Command(ecDown);
    EXPECT_EQ(Text(), u"ab\r\ncd");
    editor.Undo();
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{4, 0}));
    EXPECT_EQ(Text(), u"ab\r\ncd");

    Load(u"ab  \r\ncd");
    SetOption(eoReadOnly, true);
    Command(ecDown);
    EXPECT_EQ(Text(), u"ab  \r\ncd");
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(editor.CaretY(), 1);
}

TEST_F(WideCodeEditModelTest, OffsetsAndPointsRoundTripOnTabbedLines) {
    Load(u"ab\r\ncdef");
    EXPECT_EQ(editor.PointToCharOffset({2, 1}), 6);
    editor.SetSelStart(6);
    EXPECT_EQ(editor.SelStart(), (TPoint{2, 1}));
    EXPECT_EQ(editor.BlockEnd(), (TPoint{2, 1}));

    Load(u"\ta\tb\r\n\t\tx");
    for (int offset : {0, 1, 2, 3, 4, 6, 7, 8, 9})
        EXPECT_EQ(editor.PointToCharOffset(editor.CharOffsetToPoint(offset)), offset) << offset;
    EXPECT_EQ(editor.CharOffsetToPoint(1), (TPoint{8, 0})); // after the tab
    editor.SetSelStart(1);
    editor.SetSelEnd(3);
    EXPECT_EQ(editor.GetSelectedText(), u"a\t");
}

TEST_F(WideCodeEditModelTest, BookmarksToggleRefuseAndIgnoreBadIndexes) {
    Load(u"one\r\ntwo\r\nthree");
    editor.SetCaretXY({1, 1});
    Command(ecToggleMarker0 + 3);
    EXPECT_TRUE(editor.Bookmark(3).Set);
    Command(ecToggleMarker0 + 3);
    EXPECT_FALSE(editor.Bookmark(3).Set);
    Command(ecToggleMarker0 + 3);
    editor.SetCaretXY({0, 2});
    Command(ecToggleMarker0 + 3);
    EXPECT_EQ(editor.Bookmark(3).Y, 2); // moved

    editor.OnBookmarkChange = [](TWideCodeEditModel&, int, int, int, bool& allowed) { allowed = false; };
    editor.SetBookmark(5, 0, 0);
    EXPECT_FALSE(editor.Bookmark(5).Set);
    editor.ClearBookmark(3);
    EXPECT_TRUE(editor.Bookmark(3).Set);
    editor.OnBookmarkChange = nullptr;

    editor.SetBookmark(-1, 0, 0);
    editor.ClearBookmark(-1);
    editor.GotoBookmark(-1);
    editor.SetCaretXY({2, 1});
    editor.GotoBookmark(7); // unset: the caret stays
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{2, 1}));
    editor.GotoBookmark(3);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{0, 2}));
}

TEST_F(WideCodeEditModelTest, GutterHoldsTheLineNumberDigitsAndTheExtraWidth) {
    editor.SetLineNumberCharWidth(7);
    SetOption(eoLineNumbers, true);
    editor.SetGutterExtraWidth(20);
    std::u16string text;
    for (int i = 0; i < 100; ++i)
        text += u"x\r\n";
    Load(text);
    EXPECT_EQ(editor.GutterWidth(), 3 * 7 + 20);
    SetOption(eoLineNumbers, false);
    EXPECT_EQ(editor.GutterWidth(), 20);
}

TEST_F(WideCodeEditModelTest, TypingOverwritesIndentsAndBreaksLines) {
    Load(u"abcdefgh");
    SetOption(eoInserting, false);
    editor.SetCaretXY({5, 0});
    Command(ecChar, u'x');
    EXPECT_EQ(Text(), u"abcdexgh");
    editor.Undo();
    EXPECT_EQ(Text(), u"abcdefgh");
    SetOption(eoInserting, true);

    Load(u"select  a, b\r\n\r\n");
    editor.SetCaretXY({0, 1});
    Command(ecChar, u'\t');
    EXPECT_EQ(editor.GetCaretLineText(), u"        ");
    EXPECT_EQ(editor.CaretX(), 8);

    Load(u"    begin\r\n        ");
    editor.SetCaretXY({8, 1});
    Command(ecDeleteLastChar);
    EXPECT_EQ(editor.GetCaretLineText(), u"    ");
    EXPECT_EQ(editor.CaretX(), 4);

    Load(u"    abcdef");
    editor.SetCaretXY({7, 0});
    Command(ecLineBreak);
    EXPECT_EQ(Text(), u"    abc\r\n    def");
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{4, 1}));
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 1}}));
    editor.Undo();
    EXPECT_EQ(Text(), u"    abcdef");
}

TEST_F(WideCodeEditModelTest, GroupedTypingUndoesAsOneStepAndACaretMoveSplitsIt) {
    Load(u"");
    Type(u"abc");
    EXPECT_EQ(Text(), u"abc");
    editor.Undo();
    EXPECT_EQ(Text(), u"");
    editor.Redo();
    EXPECT_EQ(Text(), u"abc");

    Load(u"");
    Type(u"ab");
    Command(ecLeft);
    Command(ecRight);
    Type(u"c");
    editor.Undo();
    EXPECT_EQ(Text(), u"ab");
    editor.Undo(); // the caret moves
    EXPECT_EQ(Text(), u"ab");
    editor.Undo();
    EXPECT_EQ(Text(), u"");
}

TEST_F(WideCodeEditModelTest, ControlCharactersAndGotoWithoutDataDoNothing) {
    Load(u"abc");
    editor.SetCaretXY({1, 0});
    Command(ecChar, 0x07);
    Command(ecChar, 0x7F);
    Command(ecGoto);
    EXPECT_EQ(Text(), u"abc");
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{1, 0}));
    const TPoint target{2, 0};
    editor.CommandProcessor(ecGoto, 0, &target);
    EXPECT_EQ(editor.GetCaretXY(), target);
}

TEST_F(WideCodeEditModelTest, DeleteLineAnnouncesTheLineAndUndoBringsItBack) {
    Load(u"one\r\ntwo\r\nthree");
    editor.SetBookmark(1, 0, 2);
    editor.SetCaretXY({2, 2});
    Command(ecDeleteLine);
    EXPECT_EQ(Text(), u"one\r\ntwo");
    EXPECT_EQ(deleted, (std::vector<std::pair<int, int>>{{2, 1}}));
    editor.Undo();
    EXPECT_EQ(Text(), u"one\r\ntwo\r\nthree");

    Load(u"one\r\ntwo\r\nthree");
    editor.SetBookmark(1, 0, 2);
    editor.SetCaretXY({0, 0});
    Command(ecDeleteLine);
    EXPECT_EQ(Text(), u"two\r\nthree");
    EXPECT_EQ(editor.Bookmark(1).Y, 1); // followed its line up
}

TEST_F(WideCodeEditModelTest, ReadOnlyRefusesEveryChangeButCopyAndMovement) {
    Load(u"abc\r\ndef");
    SetOption(eoReadOnly, true);
    clipboard.text = u"X";
    editor.SetSelStart(0);
    editor.SetSelEnd(2);
    editor.PasteFromClipboard();
    editor.CutToClipboard();
    Type(u"z");
    for (TEditorCommand c :
         {ecDeleteLastChar, ecDeleteChar, ecDeleteLine, ecLineBreak, ecClearAll, ecBlockIndent})
        Command(c);
    EXPECT_EQ(Text(), u"abc\r\ndef");
    editor.CopyToClipboard();
    EXPECT_EQ(clipboard.text, u"ab");
    Command(ecRight);
    EXPECT_EQ(editor.CaretX(), 1);
}

TEST_F(WideCodeEditModelTest, MultiLinePasteAndDeletionFireTheLineHooks) {
    Load(u"abc\r\ndef\r\nghi");
    editor.SetCaretXY({1, 1});
    clipboard.text = u"1\r\n2\r\n3";
    editor.PasteFromClipboard();
    EXPECT_EQ(Text(), u"abc\r\nd1\r\n2\r\n3ef\r\nghi");
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{1, 3}));

    editor.SetSelStart(0);
    editor.SetSelEnd(int(Text().size()) - 1); // up to the last character
    Command(ecDeleteLastChar);
    EXPECT_EQ(Text(), u"i");
    EXPECT_EQ(deleted, (std::vector<std::pair<int, int>>{{0, 4}}));
    editor.Undo();
    EXPECT_EQ(Text(), u"abc\r\nd1\r\n2\r\n3ef\r\nghi");
}

TEST_F(WideCodeEditModelTest, ClearAllAlsoForgetsTheUndoRecords) {
    Load(u"abc");
    Type(u"x");
    Command(ecClearAll);
    EXPECT_EQ(editor.Content().Count(), 0);
    EXPECT_FALSE(editor.CanUndo());
}

TEST_F(WideCodeEditModelTest, BackspaceAndDeleteNeverSplitASurrogatePair) {
    Load(u"a\U0001F600b");
    editor.SetCaretXY({3, 0});
    Command(ecDeleteLastChar);
    EXPECT_EQ(Text(), u"ab");
    Load(u"a\U0001F600b");
    editor.SetCaretXY({1, 0});
    Command(ecDeleteChar);
    EXPECT_EQ(Text(), u"ab");
    Load(u"a\U0001F600b");
    editor.SetCaretXY({1, 0});
    Command(ecRight);
    EXPECT_EQ(editor.CaretX(), 3);
}

TEST_F(WideCodeEditModelTest, BlockIndentAndUnindentShiftTheSelectedLines) {
    Load(u"a\r\n\tb\r\nc");
    editor.SetSelStart(0);
    editor.SetSelEnd(7); // (0, 2): the last line takes no part
    Command(ecBlockIndent);
    EXPECT_EQ(Text(), u"  a\r\n          b\r\nc");
    EXPECT_EQ(editor.SelStart(), (TPoint{2, 0}));
    EXPECT_EQ(editor.SelEnd(), (TPoint{0, 2}));
    Command(ecBlockUnindent);
    EXPECT_EQ(Text(), u"a\r\n        b\r\nc");
    // Leading tabs stay expanded; undo of the indent is an unindent.
    Load(u"  a\r\n  b");
    editor.SetSelStart(0);
    editor.SetSelEnd(9);
    Command(ecBlockIndent);
    EXPECT_EQ(Text(), u"    a\r\n    b");
    editor.Undo();
    EXPECT_EQ(Text(), u"  a\r\n  b");
    editor.Redo();
    EXPECT_EQ(Text(), u"    a\r\n    b");
}

TEST_F(WideCodeEditModelTest, WordsAndWordMovement) {
    Load(u"select a_b, c\r\n  next");
    const auto w = editor.GetWordAndBounds({8, 0});
    EXPECT_EQ(w.Word, u"a_b");
    EXPECT_EQ(w.Start, (TPoint{7, 0}));
    EXPECT_EQ(w.End, (TPoint{10, 0}));
    EXPECT_EQ(editor.GetWordAndBounds({10, 0}).Word, u"a_b"); // the word that ends before
    editor.SetCaretXY({0, 0});
    Command(ecWordRight);
    EXPECT_EQ(editor.CaretX(), 7);
    Command(ecWordRight);
    EXPECT_EQ(editor.CaretX(), 12);
    Command(ecWordRight);
    Command(ecWordRight);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{2, 1}));
    Command(ecWordLeft);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{13, 0}));
}

} // namespace
} // namespace editor
