// The code completion pop-up: the candidate list under the caret and the word it completes.
#pragma once

#include "app/fruTextEditor.h"
#include "app/uCodeCompletionItem.h"
#include "platform/ui/Forms.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lazytree {
class TLazyStringTree;
}

namespace app {

// Whether the character ends a word being completed: control characters, blanks and the operator
// characters of the statement language.
bool IsCompletionSeparator(char16_t ch);

// The part of the line the filter matches: from the caret column back over word characters (a
// backquote ends it too). Empty when the caret stands beyond the line.
std::u16string CompletionPrefix(std::u16string_view line, int caretColumn);

// The word around the caret column that an accepted candidate replaces: [Start, End) in the line.
struct TCompletionWord {
    int Start = 0;
    int End = 0;
};
TCompletionWord CompletionWordAt(std::u16string_view line, int caretColumn);

// The completion pop-up: the candidates under the caret filtered by the word being typed. Keys go to
// the pop-up first; editing keys pass on to the editor, a separator accepts the focused candidate.
class TfmCodeCompletion : public ui::TForm, public ICodeCompletionPopup {
public:
    explicit TfmCodeCompletion(ui::TComponent* owner);
    ~TfmCodeCompletion() override;

    TCodeCompletionItems& Items() override { return items_; }
    int ItemCount() const override { return items_.Count(); }
    void Popup(ui::TPoint screen, editor::TCustomWideCodeEdit& editor) override;
    bool Visible() const override { return ui::TForm::Visible(); }
    void SetFocus() override;

    lazytree::TLazyStringTree& Tree() const { return *tree_; }
    // The candidates the filter shows, in order, and the focused one (or null).
    std::vector<const TCodeCompletionItem*> Shown() const;
    const TCodeCompletionItem* Focused() const;
    // Replaces the word at the caret with the focused candidate and closes.
    void Accept();
    void CloseUp();

private:
    void Filter();
    void FormKeyDown(uint16_t& key, ui::TShiftState shift);
    void FormKeyPress(char16_t& key);
    // Sends an editing command to the editor and filters again while the pop-up stays.
    void PassOn(editor::TEditorCommand command, char16_t ch = 0);
    // The caret line's character before (offset 0) or at (offset 1) the caret; 0 when none.
    char16_t CharAtCaret(int offset) const;
    void DrawRow(ui::TCanvas& canvas, const TCodeCompletionItem& item, const ui::TRect& cell, bool focused);

    TCodeCompletionItems items_;
    lazytree::TLazyStringTree* tree_;
    std::function<void(ui::TMessage&)> treeWindowProc_;
    editor::TCustomWideCodeEdit* editor_ = nullptr;
    std::u16string prefix_;
    int captionWidth_ = -1;
};

// Completion and parameter hints for every routine editor made from now on: the one pop-up (owned
// by `mainWindow`), a hint window per editor, and candidates and hints read from the routine's server.
// The main window calls it once, before it opens a routine tab.
TfmCodeCompletion* InstallCodeCompletion(ui::TComponent* mainWindow);

} // namespace app
