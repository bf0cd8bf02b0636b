#include "editor/WideCodeEditModel.h"

#include "EditorModelTesting.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

using testing::TEditorFixture;

class WCESearchTest : public ::testing::Test, public TEditorFixture {};

TEST_F(WCESearchTest, ReplaceAllKeepsLaterMatchesOfTheLineInPlace) {
    Load(u"a a a");
    EXPECT_EQ(editor.SearchReplace(u"a", u"bb", esoReplaceAll | esoWholeText), 3);
    EXPECT_EQ(Text(), u"bb bb bb");
    Load(u"aaa\r\nxa");
    EXPECT_EQ(editor.SearchReplace(u"a", u"", esoReplaceAll | esoWholeText), 4);
    EXPECT_EQ(Text(), u"\r\nx");
}

TEST_F(WCESearchTest, ForwardSearchStartsAtTheCaretAndSelectsTheMatch) {
    Load(u"cat cat cat");
    PlaceCaret({2, 0});
    EXPECT_EQ(editor.SearchReplace(u"cat", u"", 0), 1);
    EXPECT_EQ(editor.SelStart(), (TPoint{4, 0}));
    EXPECT_EQ(editor.SelEnd(), (TPoint{7, 0}));
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{7, 0}));
}

TEST_F(WCESearchTest, BackwardSearchSelectsTheLastMatchBeforeTheCaret) {
    Load(u"cat cat\r\ncat cat");
    PlaceCaret({5, 1});
    EXPECT_EQ(editor.SearchReplace(u"cat", u"", esoBackward), 1);
    EXPECT_EQ(editor.SelStart(), (TPoint{0, 1}));
    EXPECT_EQ(editor.GetCaretXY(), (TPoint{0, 1}));
    EXPECT_EQ(editor.SearchReplace(u"cat", u"", esoBackward), 1);
    EXPECT_EQ(editor.SelStart(), (TPoint{4, 0}));
}

TEST_F(WCESearchTest, InSelectionLeavesOutsideMatchesAlone) {
    Load(u"x x x x");
    editor.SetSelStart(2);
    editor.SetSelEnd(5);
    EXPECT_EQ(editor.SearchReplace(u"x", u"y", esoReplaceAll | esoInSelection), 2);
    EXPECT_EQ(Text(), u"x y y x");
}

TEST_F(WCESearchTest, EmptySearchAndNoMatchFindNothing) {
    Load(u"abc");
    EXPECT_EQ(editor.SearchReplace(u"", u"x", esoReplaceAll | esoWholeText), 0);
    EXPECT_EQ(editor.SearchReplace(u"zz", u"x", esoReplaceAll | esoWholeText), 0);
    EXPECT_EQ(Text(), u"abc");
    Load(u"cat cats");
    EXPECT_EQ(editor.SearchReplace(u"cat", u"dog", esoReplaceAll | esoWholeText | esoWholeWords), 1);
    EXPECT_EQ(Text(), u"dog cats");
}

TEST_F(WCESearchTest, ReplacementOnATabbedLineHitsTheRightCharacters) {
    Load(u"\tfoo\tfoo");
    EXPECT_EQ(editor.SearchReplace(u"foo", u"x", esoReplaceAll | esoWholeText), 2);
    EXPECT_EQ(Text(), u"\tx\tx");
    Load(u"\t\tab");
    EXPECT_EQ(editor.SearchReplace(u"b", u"", esoWholeText), 1);
    EXPECT_EQ(editor.GetSelectedText(), u"b");
}

TEST_F(WCESearchTest, APromptedReplaceAllIsFullyUndoable) {
    Load(u"a a\r\na a");
    std::vector<int> asked;
    editor.OnReplaceText = [&](TWideCodeEditModel&, const std::u16string&, const std::u16string&, int line,
                               int start, int, TReplaceAction& action) {
        asked.push_back(line * 10 + start);
        action = asked.size() == 1 ? raSkip : raReplaceAll;
    };
    EXPECT_EQ(editor.SearchReplace(u"a", u"bb", esoReplaceAll | esoPrompt | esoWholeText), 4);
    EXPECT_EQ(Text(), u"a bb\r\nbb bb");
    EXPECT_EQ(asked, (std::vector<int>{0, 2}));
    UndoAll();
    EXPECT_EQ(Text(), u"a a\r\na a");
}

TEST_F(WCESearchTest, ACancelStopsAndReplaceStopsAfterTheFirst) {
    Load(u"a a a");
    editor.OnReplaceText = [](TWideCodeEditModel&, const std::u16string&, const std::u16string&, int, int,
                              int, TReplaceAction& action) { action = raCancel; };
    EXPECT_EQ(editor.SearchReplace(u"a", u"b", esoReplaceAll | esoPrompt | esoWholeText), 1);
    EXPECT_EQ(Text(), u"a a a");
    editor.OnReplaceText = nullptr;
    EXPECT_EQ(editor.SearchReplace(u"a", u"b", esoReplace | esoWholeText), 1);
    EXPECT_EQ(Text(), u"b a a");
}

TEST_F(WCESearchTest, AMultiLineReplacementMovesTheRangeEnd) {
    Load(u"a;b;c");
    EXPECT_EQ(editor.SearchReplace(u";", u";\r\n", esoReplaceAll | esoWholeText), 2);
    EXPECT_EQ(Text(), u"a;\r\nb;\r\nc");
}

TEST_F(WCESearchTest, PatternsUseTheRegularExpressionEngine) {
    Load(u"x1 y22 z");
    EXPECT_EQ(editor.SearchReplace(u"[0-9]+", u"#", esoReplaceAll | esoWholeText | esoPattern), 2);
    EXPECT_EQ(Text(), u"x# y# z");
}

} // namespace
} // namespace editor
