#include "editor/WCEEditorKeyCommands.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

TEST(WCEEditorKeyCommandsTest, CommandsConvertToIdentifiersAndBack) {
    EXPECT_EQ(EditorCommandToIdent(760), "ecToggleMarker9");
    EXPECT_EQ(EditorCommandToIdent(1001), "ecUserFirst");
    EXPECT_EQ(EditorCommandToIdent(1002), "1002");
    EXPECT_EQ(EditorCommandToIdent(ecSelectGoto), "ecSelectGoto");
    EXPECT_EQ(IdentToEditorCommand("ECSELECTALL"), ecSelectAll);
    EXPECT_EQ(IdentToEditorCommand("ecGotoMarker3"), 704);
    EXPECT_FALSE(IdentToEditorCommand("ecNothing"));
    // Every identifier names exactly one number.
    int named = 0;
    for (int c = 0; c <= 1100; ++c) {
        const std::string ident = EditorCommandToIdent(TEditorCommand(c));
        if (ident != std::to_string(c)) {
            ++named;
            EXPECT_EQ(IdentToEditorCommand(ident), c);
        }
    }
    EXPECT_EQ(named, 83);
}

TEST(WCEEditorKeyCommandsTest, TheDefaultMapTranslatesItsKeys) {
    TKeyStrokes keys;
    keys.ResetDefaults();
    const struct {
        uint16_t key;
        TShiftState shift;
        TEditorCommand command;
    } cases[] = {
        {'Z', ssCtrl | ssShift, ecRedo},    {VK_BACK, ssAlt, ecUndo},
        {VK_BACK, ssAlt | ssShift, ecRedo}, {VK_UP, ssShift, ecSelectUp},
        {VK_DOWN, ssCtrl, ecScrollDown},    {VK_END, ssCtrl | ssShift, ecSelectEditorBottom},
        {VK_INSERT, ssShift, ecPaste},      {VK_RETURN, 0, ecLineBreak},
        {'M', ssCtrl, ecLineBreak},         {'Y', ssCtrl | ssShift, ecDeleteEOL},
        {'0', ssCtrl, ecGotoMarker0},       {'9', ssCtrl | ssShift, ecToggleMarker9},
        {VK_DELETE, ssCtrl, ecDeleteWord},  {'Q', ssCtrl, ecNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keys.TranslateKey(c.key, c.shift), c.command) << c.key << "/" << int(c.shift);
    EXPECT_EQ(keys.Count(), 74);
    EXPECT_EQ(keys.FindShortcut(scCtrl | 'Z'), keys.FindKeycode('Z', ssCtrl));

    keys.Clear();
    EXPECT_EQ(keys.TranslateKey('Z', ssCtrl), ecNone);
}

TEST(WCEEditorKeyCommandsTest, ADuplicateShortcutRaisesAndChangesNothing) {
    TKeyStrokes keys;
    keys.ResetDefaults();
    TKeyStroke& undo = *keys.Items(keys.FindKeycode('Z', ssCtrl));
    undo.SetShortCut(scCtrl | 'Z'); // its own value
    try {
        undo.SetShortCut(scCtrl | 'V');
        FAIL() << "no error";
    } catch (const EKeyException& e) {
        EXPECT_EQ(e.Message(), "Shortcut already exists");
    }
    EXPECT_EQ(undo.GetShortCut(), scCtrl | 'Z');
    undo.SetShortCut(0);
    keys.Items(0)->SetShortCut(0); // 0 never clashes
    EXPECT_EQ(undo.Key(), 0);
    EXPECT_EQ(undo.Command(), ecUndo);
}

TEST(WCEEditorKeyCommandsTest, ShortcutsAndDisplayNames) {
    EXPECT_EQ(ShortCutToText(ShortCut('Z', ssCtrl | ssShift)), "Ctrl+Shift+Z");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_BACK, ssAlt)), "Alt+Backspace");
    EXPECT_EQ(ShortCut(VK_LEFT, ssShift | ssCtrl | ssAlt), 0x25 | scShift | scCtrl | scAlt);
    TKeyStrokes keys;
    keys.Add(ecCopy, 'C', ssCtrl);
    EXPECT_EQ(keys.Items(0)->DisplayName(), "ecCopy - Ctrl+C");

    TKeyStrokes copy;
    copy.Add(ecCut, 'X', ssCtrl);
    copy.Assign(&keys);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.TranslateKey('C', ssCtrl), ecCopy);
}

} // namespace
} // namespace editor
