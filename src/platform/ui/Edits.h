// Edit controls over the native single-line and multi-line text widgets. Text is UTF-8 in the
// framework; positions (SelStart, SelLength, LineIndex) count UTF-16 units, as the native edit does.
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

#include <string>

namespace ui {

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;

    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // Shown for each character instead of the text; 0 shows the text.
    char16_t PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char16_t c);
    // The user changed the text since it was last set (or Modified was cleared).
    bool Modified() const;
    void SetModified(bool value);

    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);
    std::string SelText() const;
    // Replaces the selection, as typing would.
    void SetSelText(const std::string& text);
    void SelectAll();
    void ClearSelection() { SetSelText(""); }

    bool CanUndo() const;
    void Undo();
    void ClearUndo();
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void Clear() { SetText(""); }

    // Every change of the text: typed, pasted or set.
    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    virtual void Change();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    std::string GetWindowText() const override;
    void SetWindowText(const std::string& text) override;
    void DestroyWnd() override;
    // The native edit's DLGC_ answer.
    virtual intptr_t DialogCode() const { return DLGC_WANTCHARS | DLGC_WANTARROWS; }

    // The text and the selection kept while there is no window.
    std::u16string text_;
    int selStart_ = 0;
    int selLength_ = 0;
    bool modified_ = false;

private:
    void ApplyPasswordChar();

    int maxLength_ = 0;
    bool readOnly_ = false;
    char16_t passwordChar_ = 0;
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};

// A multi-line edit whose Lines are a live view of its text.
class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;

    // Changing the list changes the text and the other way round.
    rtl::TStringList& Lines() { return lines_; }

    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle style);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Tab types a tab instead of moving the focus.
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value);
    // Return starts a new line instead of going to the form's default button.
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }

    // Where line `line` starts in the text (-1 outside the text); the line holding a position.
    int LineIndex(int line) const;
    int LineFromChar(int position) const;

    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    std::string GetWindowText() const override;
    void SetWindowText(const std::string& text) override;
    intptr_t DialogCode() const override;
    void KeyPress(char16_t& key) override;
    void Change() override;

private:
    void ApplyLayout();

    rtl::TStringList lines_;
    bool syncing_ = false;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool wantTabs_ = false;
    bool wantReturns_ = true;
};

} // namespace ui
