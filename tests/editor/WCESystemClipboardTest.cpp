#include "editor/WCESystemClipboard.h"

#include "platform/ui/Clipboard.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

TEST(WCESystemClipboardTest, TheEditorCopiesAndPastesUnicodeTextThroughTheSystemClipboard) {
    uitest::EnsureApplication();
    TSystemEditorClipboard clipboard;
    TWideCodeEditModel editor;
    editor.SetClipboard(&clipboard);
    editor.SetText(u"caf\u00e9 \U0001F600");
    editor.SelectAll();
    editor.CopyToClipboard();
    EXPECT_EQ(ui::Clipboard().AsWideText(), u"caf\u00e9 \U0001F600");

    ui::Clipboard().SetAsWideText(u"x\u0141");
    editor.SetCaretXY({0, 0});
    editor.SetBlockBegin({0, 0});
    editor.PasteFromClipboard();
    EXPECT_EQ(editor.GetCaretLineText(), u"x\u0141caf\u00e9 \U0001F600");

    ui::Clipboard().Clear();
    EXPECT_EQ(clipboard.GetText(), u"");
}

} // namespace
} // namespace editor
