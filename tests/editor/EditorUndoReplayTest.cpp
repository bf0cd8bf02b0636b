// Random editing followed by undoing everything must give back the text it started from, and
// redoing everything the text it ended with: every command's record must describe its change.
#include "editor/WideCodeEditModel.h"

#include "EditorModelTesting.h"

#include <gtest/gtest.h>

#include <random>

namespace editor {
namespace {

using testing::TEditorFixture;

class EditorUndoReplayTest : public ::testing::TestWithParam<unsigned>, public TEditorFixture {};

TEST_P(EditorUndoReplayTest, UndoingEverythingRestoresTheTextAndRedoingReplaysIt) {
    std::mt19937 random(GetParam());
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    // Trailing blanks stay, so that only recorded changes alter the text.
    SetOption(eoKeepTrailingBlanks, true);
    editor.SetMaxUndo(100000);
    SetOption(eoGroupUndo, GetParam() % 2 == 0);
    SetOption(eoCursorThroughTabs, GetParam() % 3 != 0);
    SetOption(eoScrollPastEOL, GetParam() % 5 != 0);
    SetOption(eoSmartTabs, GetParam() % 7 != 0);
    SetOption(eoUseTabs, GetParam() % 4 == 0);
    const std::u16string start = u"begin\r\n  select a, b;\r\n\r\n \tx \U0001F600 y\r\nend";
    Load(start);
    const TEditorCommand commands[] = {
        ecChar,       ecChar,           ecLineBreak,   ecInsertLine, ecDeleteLastChar, ecDeleteChar,
        ecDeleteWord, ecDeleteLastWord, ecDeleteBOL,   ecDeleteEOL,  ecDeleteLine,     ecPaste,
        ecCut,        ecBlockIndent,    ecSelectRight, ecSelectDown, ecLeft,           ecDown,
        ecUp,         ecWordRight,      ecToggleMode,  ecLineEnd};
    const std::u16string pastes[] = {u"p", u"q\r\nr", u"\r\n", u"s\r\n\r\nt"};
    for (int step = 0; step < 120; ++step) {
        const TEditorCommand command = commands[pick(std::size(commands))];
        if (command == ecPaste) clipboard.text = pastes[pick(4)];
        if (pick(5) == 0) {
            const int y = pick(std::max(editor.Content().Count(), 1));
            PlaceCaretKeepingUndo({pick(12), y});
        }
        Command(command, command == ecChar ? char16_t(u"ab ;(\t"[pick(6)]) : 0);
    }
    const std::u16string end = editor.GetText();
    UndoAll();
    EXPECT_EQ(editor.GetText(), start + u"\r\n");
    while (editor.CanRedo())
        editor.Redo();
    EXPECT_EQ(editor.GetText(), end);
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditorUndoReplayTest, ::testing::Range(1u, 101u));

} // namespace
} // namespace editor
