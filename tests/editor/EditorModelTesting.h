#pragma once

#include "editor/WideCodeEditModel.h"

#include <string>
#include <vector>

namespace editor::testing {

class TFakeClipboard : public IEditorClipboard {
public:
    std::u16string text;
    std::u16string GetText() override { return text; }
    void SetText(const std::u16string& value) override { text = value; }
};

// An editor model with fake metrics (CharWidth 8, LineHeight 16, client 400 x 160), a fake clipboard,
// undo switched on and a log of its caret events and line hooks.
class TEditorFixture {
public:
    TWideCodeEditModel editor;
    TFakeClipboard clipboard;
    int caretEvents = 0;
    std::vector<std::pair<int, int>> inserted, deleted;

    TEditorFixture() {
        editor.SetCharWidth(8);
        editor.SetLineHeight(16);
        editor.SetClientSize(400, 160);
        editor.SetClipboard(&clipboard);
        editor.SetMaxUndo(100);
        TWideCodeEditOptions options = editor.Options();
        options.Include(eoUseUndoRedo);
        editor.SetOptions(options);
        editor.OnCaretChange = [this](TWideCodeEditModel&, int, int) { ++caretEvents; };
        editor.OnLinesInserted = [this](int first, int count) { inserted.push_back({first, count}); };
        editor.OnLinesDeleted = [this](int first, int count) { deleted.push_back({first, count}); };
    }

    void SetOption(TWideCodeEditOption option, bool on) {
        TWideCodeEditOptions options = editor.Options();
        if (on)
            options.Include(option);
        else
            options.Exclude(option);
        editor.SetOptions(options);
    }

    // The text without the CR LF the line store puts after the last line.
    std::u16string Text() const {
        std::u16string text = editor.GetText();
        if (text.size() >= 2) text.resize(text.size() - 2);
        return text;
    }

    void Load(std::u16string_view text) {
        editor.SetText(text);
        editor.UndoList().Clear();
        editor.SetModified(false);
        caretEvents = 0;
    }

    // Puts the caret without leaving an undo record.
    void PlaceCaret(TPoint p) {
        editor.SetCaretXY(p);
        editor.UndoList().Clear();
    }

    // Moves the caret as a recorded caret move.
    void PlaceCaretKeepingUndo(TPoint p) { editor.SetCaretXY(p); }

    void Command(TEditorCommand command, char16_t ch = 0) { editor.CommandProcessor(command, ch, nullptr); }
    void Type(std::u16string_view text) {
        for (char16_t c : text)
            Command(ecChar, c);
    }
    void UndoAll() {
        while (editor.CanUndo())
            editor.Undo();
    }
};

} // namespace editor::testing
