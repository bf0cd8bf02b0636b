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

// One command on a text with the caret at a place: the text and caret after it, and undo.
TEST_F(WideCodeEditModelTest, EditingCommandsTable) {
    const struct {
        const char* name;
        std::u16string text;
        TPoint caret;
        TEditorCommand command;
        std::u16string after;
        TPoint caretAfter;
    } cases[] = {
        {"delete char", u"abc", {1, 0}, ecDeleteChar, u"ac", {1, 0}},
        {"delete char in a tab", u"a\tb", {3, 0}, ecDeleteChar, u"ab", {3, 0}},
        {"delete char joins padded", u"ab\r\ncd", {4, 0}, ecDeleteChar, u"ab  cd", {4, 0}},
        {"backspace joins lines", u"ab\r\ncd", {0, 1}, ecDeleteLastChar, u"abcd", {2, 0}},
        {"backspace past the end moves", u"ab", {5, 0}, ecDeleteLastChar, u"ab", {4, 0}},
        {"backspace inside a leading tab", u"\tx", {2, 0}, ecDeleteLastChar, u"x", {0, 0}},
        {"backspace a tab after text", u"a\tb", {5, 0}, ecDeleteLastChar, u"ab", {1, 0}},
        {"delete word", u"abc def", {0, 0}, ecDeleteWord, u"def", {0, 0}},
        {"delete last word", u"abc def", {7, 0}, ecDeleteLastWord, u"abc ", {4, 0}},
        {"delete to line start", u"abc def", {4, 0}, ecDeleteBOL, u"def", {0, 0}},
        {"delete to line end", u"abc def", {4, 0}, ecDeleteEOL, u"abc ", {4, 0}},
        {"insert line keeps the caret", u"abcd", {2, 0}, ecInsertLine, u"ab\r\ncd", {2, 0}},
        {"line break at column 0", u"  ab", {0, 0}, ecLineBreak, u"\r\n  ab", {0, 1}},
        {"line end trims", u"ab  ", {0, 0}, ecLineEnd, u"ab", {2, 0}},
        {"delete the only line", u"abc", {1, 0}, ecDeleteLine, u"", {0, 0}},
    };
    for (const auto& c : cases) {
        Load(c.text);
        PlaceCaret(c.caret);
        Command(c.command);
        EXPECT_EQ(Text(), c.after) << c.name;
        EXPECT_EQ(editor.GetCaretXY(), c.caretAfter) << c.name;
        UndoAll();
        EXPECT_EQ(Text(), c.command == ecLineEnd ? c.after : c.text) << c.name << " (undone)";
    }
}

TEST_F(WideCodeEditModelTest, MovementAndSelectionCommands) {
    Load(u"abc\r\ndefgh\r\ni");
    PlaceCaret({1, 0});
    Command(ecSelectDown);
    Command(ecSelectRight);
    EXPECT_EQ(editor.GetSelectedText(), u"bc\r\nde");
    Command(ecRight); // a plain movement drops the selection
    EXPECT_FALSE(editor.SelectionAvailable());
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{3, 1}));
    Command(ecSelectAll);
    EXPECT_EQ(editor.GetSelectedText(), u"abc\r\ndefgh\r\ni");
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{1, 2}));
    Command(ecDown); // on the last line: the selection collapses where the caret stands
    EXPECT_FALSE(editor.SelectionAvailable());
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{1, 2}));
    Command(ecEditorTop);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{0, 0}));
    Command(ecSelectEditorBottom);
    EXPECT_EQ(editor.SelEnd(), (TPoint{1, 2}));

    SetOption(eoScrollPastEOL, false);
    PlaceCaret({3, 0});
    Command(ecRight);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{0, 1}));
    Command(ecLeft);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{3, 0}));
    PlaceCaret({5, 1});
    Command(ecDown);
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{1, 2})); // pulled to the line end
}

TEST_F(WideCodeEditModelTest, PointsInTheSelection) {
    Load(u"abcdef\r\nghijkl\r\nmn");
    editor.SetBlockBegin({4, 2});
    editor.SetBlockEnd({2, 0}); // anchored at the end: the ordered pair still runs forwards
    EXPECT_EQ(editor.SelStart(), (TPoint{2, 0}));
    const std::pair<TPoint, bool> cases[] = {{{1, 0}, false}, {{2, 0}, true},  {{9, 0}, true}, {{0, 1}, true},
                                             {{2, 2}, true},  {{3, 2}, false}, {{0, 3}, false}};
    for (auto [p, inside] : cases)
        EXPECT_EQ(editor.IsPointInSelection(p), inside) << p.X << "," << p.Y;
}

TEST_F(WideCodeEditModelTest, PagesAndScrollingFollowTheWindow) {
    int scrolled = 0;
    editor.OnScroll = [&](TWideCodeEditModel&, int, int deltaY) { scrolled += deltaY; };
    std::u16string text;
    for (int i = 0; i < 40; ++i)
        text += u"line\r\n";
    Load(text);
    EXPECT_EQ(editor.LinesInWindow(), 10);
    Command(ecPageDown);
    EXPECT_EQ(editor.CaretY(), 10);
    EXPECT_EQ(editor.TopLine(), 11);
    Command(ecScrollDown);
    EXPECT_EQ(editor.TopLine(), 12);
    EXPECT_EQ(scrolled, -11 * 16);
    EXPECT_EQ(editor.CaretY(), 11); // pulled into the visible lines
    Command(ecPageBottom);
    EXPECT_EQ(editor.CaretY(), 20);
    Command(ecEditorBottom);
    EXPECT_EQ(editor.TopLine(), 31);
    editor.SetTopLine(100);
    EXPECT_EQ(editor.TopLine(), 31);
    EXPECT_EQ(editor.PixelsToColumnLine(editor.GutterWidth() + 20, 17), (TPoint{3, 31}));
}

TEST_F(WideCodeEditModelTest, ClipboardCommands) {
    Load(u"hello world");
    editor.SetSelStart(0);
    editor.SetSelEnd(5);
    Command(ecCopy);
    EXPECT_EQ(clipboard.text, u"hello");
    Command(ecCut);
    EXPECT_EQ(Text(), u" world");
    PlaceCaret({6, 0});
    Command(ecPaste);
    EXPECT_EQ(Text(), u" worldhello");
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{11, 0}));
    clipboard.text.clear();
    Command(ecPaste);
    EXPECT_EQ(Text(), u" worldhello");
}

TEST_F(WideCodeEditModelTest, PropertiesClampAndDefaultsAreReadable) {
    // A bare editor shows its selection in the highlight colours, not black on black.
    EXPECT_EQ(editor.SelectedColor().GetBackground(), ui::clHighlight);
    EXPECT_EQ(editor.SelectedColor().GetForeground(), ui::clHighlightText);
    editor.SetMaxUndo(-5);
    EXPECT_EQ(editor.MaxUndo(), 100);
    editor.SetTabSize(0);
    EXPECT_EQ(editor.TabSize(), 1);
    editor.SetIndentSize(-1);
    EXPECT_EQ(editor.IndentSize(), 1);
    editor.SetWorkWidth(-1);
    EXPECT_EQ(editor.WorkWidth(), 4098);
    EXPECT_EQ(editor.Keystrokes().TranslateKey('Z', ssCtrl), ecUndo);
    editor.SetKeystrokes(nullptr);
    EXPECT_EQ(editor.Keystrokes().Count(), 0);
    TKeyStrokes keys;
    keys.Add(ecCopy, 'K', ssCtrl);
    editor.SetKeystrokes(&keys);
    EXPECT_EQ(editor.Keystrokes().TranslateKey('K', ssCtrl), ecCopy);

    int settingChanges = 0;
    editor.OnSettingChange = [&](TWideCodeEditModel&) { ++settingChanges; };
    Command(ecToggleMode);
    EXPECT_FALSE(editor.Options().Contains(eoInserting));
    Command(ecInsertMode);
    EXPECT_TRUE(editor.Options().Contains(eoInserting));
    EXPECT_EQ(settingChanges, 2);
}

TEST_F(WideCodeEditModelTest, HandlersSeeCommandsFirstAndOwnTheUserCommands) {
    Load(u"abc");
    std::vector<TEditorCommand> seen, user;
    editor.OnProcessCommand = [&](TWideCodeEditModel&, TEditorCommand& command, char16_t& ch, const TPoint*) {
        seen.push_back(command);
        if (command == ecChar) ch = u'X';
        if (command == ecDeleteChar) command = ecNone;
    };
    editor.OnProcessUserCommand = [&](TWideCodeEditModel&, TEditorCommand& command, char16_t&,
                                      const TPoint*) { user.push_back(command); };
    Command(ecChar, u'q');
    Command(ecDeleteChar);
    Command(TEditorCommand(ecUserFirst + 4));
    EXPECT_EQ(Text(), u"Xabc");
    EXPECT_EQ(seen, (std::vector<TEditorCommand>{ecChar, ecDeleteChar}));
    EXPECT_EQ(user, std::vector<TEditorCommand>{ecUserFirst + 4});
}

TEST_F(WideCodeEditModelTest, TrimmingOutsideACommandIsItsOwnUndoableRecord) {
    Load(u"ab  \r\ncd");
    editor.SetCaretY(1);
    EXPECT_EQ(Text(), u"ab\r\ncd");
    editor.Undo();
    EXPECT_EQ(Text(), u"ab  \r\ncd");
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
    EXPECT_FALSE(editor.Modified());
    editor.CopyToClipboard();
    EXPECT_EQ(clipboard.text, u"ab");
    SetOption(eoReadOnly, false);
    Type(u"z");
    SetOption(eoReadOnly, true);
    EXPECT_FALSE(editor.CanUndo());
    editor.Undo();
    EXPECT_EQ(Text(), u"zc\r\ndef");
    Command(ecRight);
    EXPECT_EQ(editor.CaretX(), 2);
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
    editor.SetCaretXY({2, 0}); // between the halves: the caret stands before the pair
    EXPECT_EQ(editor.CaretX(), 1);
    editor.SetBlockEnd({2, 0});
    EXPECT_EQ(editor.BlockEnd(), (TPoint{1, 0}));
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
    // Undo gives back what the unindent could not: the tab.
    UndoAll();
    EXPECT_EQ(Text(), u"a\r\n\tb\r\nc");
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

TEST_F(WideCodeEditModelTest, UndoOfADragMoveGivesBackTheTextAndTheSelection) {
    const struct {
        std::u16string text;
        TPoint from, to, target;
        std::u16string moved;
    } cases[] = {
        {u"a12\r\ncdef\r\nghi", {1, 0}, {3, 0}, {1, 1}, u"a\r\nc12def\r\nghi"}, // to a later line
        {u"abc\r\nd12\r\nghi", {1, 1}, {3, 1}, {0, 0}, u"12abc\r\nd\r\nghi"},   // backwards
        {u"ab12cd", {2, 0}, {4, 0}, {5, 0}, u"abc12d"},                         // on its own line
        {u"abc\r\ndef\r\nghi", {2, 0}, {1, 1}, {2, 2}, u"abef\r\nghc\r\ndi"},   // a multi-line block
    };
    for (const auto& c : cases) {
        Load(c.text);
        editor.SetBlockBegin(c.from);
        editor.SetBlockEnd(c.to);
        editor.DropSelection(c.target, false);
        EXPECT_EQ(Text(), c.moved);
        editor.Undo();
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(editor.SelStart(), c.from);
        EXPECT_EQ(editor.SelEnd(), c.to);
        editor.Redo();
        EXPECT_EQ(Text(), c.moved);
    }
    Load(u"abc");
    editor.SetBlockBegin({0, 0});
    editor.SetBlockEnd({2, 0});
    editor.DropSelection({3, 0}, true);
    EXPECT_EQ(Text(), u"abcab");
    editor.Undo();
    EXPECT_EQ(Text(), u"abc");
}

TEST_F(WideCodeEditModelTest, WordsAndWordMovement) {
    Load(u"select a_b, c\r\n  next");
    const auto w = editor.GetWordAndBounds({8, 0});
    EXPECT_EQ(w.Word, u"a_b");
    EXPECT_EQ(w.Start, (TPoint{7, 0}));
    EXPECT_EQ(w.End, (TPoint{10, 0}));
    EXPECT_EQ(editor.GetWordAndBounds({10, 0}).Word, u"a_b"); // the word that ends before
    EXPECT_EQ(editor.GetWordAndBounds({0, 1}).Word, u"next"); // none before: the next one
    Load(u";; ,\r\n");
    EXPECT_EQ(editor.GetWordAndBounds({1, 0}).Word, u";; ,"); // no word at all: the whole line
    EXPECT_EQ(editor.GetWordAndBounds({1, 0}).End, (TPoint{4, 0}));
    Load(u"select a_b, c\r\n  next");
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
