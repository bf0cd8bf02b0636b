// The find dialog and the last search, which search again repeats in any editor.
#pragma once

#include "platform/ui/Forms.h"

#include <string>

namespace ui {
class TAction;
class TActionList;
class TButton;
class TLabel;
} // namespace ui
namespace widecontrols {
class TUcComboBox;
}

namespace app {

// The last search of any editor: search again repeats it in whichever editor is active.
struct TLastSearch {
    std::u16string Text;
    std::u16string Replacement;
    // The last dialog was the replace dialog.
    bool Replace = false;
    // The replace dialog was closed with "Replace all".
    bool ReplaceAll = false;
};
TLastSearch& LastSearch();

// The find dialog: what to find, preset by the caller.
class TfmFindText : public ui::TForm {
public:
    // The dialog with `text` to find and the fields it takes from the last search.
    template <class Dialog>
    static std::unique_ptr<Dialog> Create(ui::TComponent* owner, const std::u16string& text) {
        auto dialog = std::make_unique<Dialog>(owner);
        dialog->SetFindText(text);
        dialog->LoadSearch();
        return dialog;
    }

    explicit TfmFindText(ui::TComponent* owner);
    ~TfmFindText() override;

    // Modal; true when closed with OK.
    bool Execute();
    void SetFindText(const std::u16string& text);

    // The dialog's fields into the last search, and back.
    virtual void StoreSearch();
    virtual void LoadSearch() {}

    widecontrols::TUcComboBox* edFind;
    ui::TActionList* alActions;
    ui::TAction* aFindOk;
    ui::TAction* aCancel;

protected:
    // A labelled combo box on the next row.
    widecontrols::TUcComboBox* AddField(const std::string& label, const std::string& name, int top);
    // A button for the action, at the left edge given.
    ui::TButton* AddButton(ui::TAction* action, int left);
    ui::TAction* AddAction(const std::string& name, const std::string& caption,
                           std::function<void()> execute);

    static constexpr int kButtonWidth = 75;
    static constexpr int kButtonHeight = 25;
    static constexpr int kMargin = 8;
};

} // namespace app
