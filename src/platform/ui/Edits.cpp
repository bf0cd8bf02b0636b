#include "platform/ui/Edits.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/QtBridge.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace ui {

namespace {

// What both native edits offer, whichever of the two a control has.
class TEditAccess {
public:
    explicit TEditAccess(QWidget* widget)
        : line_(qobject_cast<QLineEdit*>(widget)), plain_(qobject_cast<QPlainTextEdit*>(widget)) {}

    explicit operator bool() const { return line_ || plain_; }

    QString Text() const { return line_ ? line_->text() : plain_->toPlainText(); }
    void SetText(const QString& text) {
        if (line_)
            line_->setText(text);
        else
            plain_->setPlainText(text);
    }
    // The selection as anchor-free start and length.
    std::pair<int, int> Selection() const {
        if (line_) {
            if (!line_->hasSelectedText()) return {line_->cursorPosition(), 0};
            return {line_->selectionStart(), line_->selectionLength()};
        }
        const QTextCursor cursor = plain_->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
    }
    void Select(int start, int length) {
        const int size = static_cast<int>(Text().size());
        start = std::clamp(start, 0, size);
        length = std::clamp(length, 0, size - start);
        if (line_) {
            line_->setSelection(start, length);
            if (length == 0) line_->setCursorPosition(start);
            return;
        }
        QTextCursor cursor = plain_->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        plain_->setTextCursor(cursor);
    }
    QString SelectedText() const {
        if (line_) return line_->selectedText();
        // The document's paragraph separators are line breaks in the text.
        return plain_->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n');
    }
    void Insert(const QString& text) {
        if (line_)
            line_->insert(text);
        else
            plain_->insertPlainText(text);
    }
    bool CanUndo() const { return line_ ? line_->isUndoAvailable() : plain_->document()->isUndoAvailable(); }
    void Undo() {
        if (line_)
            line_->undo();
        else
            plain_->undo();
    }
    void ClearUndo() {
        if (plain_) return plain_->document()->clearUndoRedoStacks();
        // Setting the text is what empties a line edit's undo history.
        const QSignalBlocker block(line_);
        const auto [start, length] = Selection();
        const bool modified = line_->isModified();
        line_->setText(line_->text());
        line_->setModified(modified);
        Select(start, length);
    }
    bool Modified() const { return line_ ? line_->isModified() : plain_->document()->isModified(); }
    void SetModified(bool value) {
        if (line_)
            line_->setModified(value);
        else
            plain_->document()->setModified(value);
    }
    void SetReadOnly(bool value) {
        if (line_)
            line_->setReadOnly(value);
        else
            plain_->setReadOnly(value);
    }

private:
    QLineEdit* line_;
    QPlainTextEdit* plain_;
};

std::u16string NormalizeBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 121, 21);
}

TCustomEdit::~TCustomEdit() {
    Destroying();
    DestroyHandle();
}

QWidget* TCustomEdit::CreateWidget(QWidget* parentWidget) {
    auto* edit = new QLineEdit(parentWidget);
    edit->setPalette(SystemPalette());
    edit->setFrame(BorderStyle() != bsNone);
    edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
    edit->setReadOnly(readOnly_);
    edit->setText(ToQString(text_));
    edit->setModified(modified_);
    TEditAccess(edit).Select(selStart_, selLength_);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { Change(); });
    return edit;
}

void TCustomEdit::DestroyWnd() {
    TEditAccess edit(Widget());
    if (edit) {
        text_ = ToUtf16(edit.Text());
        std::tie(selStart_, selLength_) = edit.Selection();
        modified_ = edit.Modified();
    }
    TWinControl::DestroyWnd();
}

std::string TCustomEdit::GetWindowText() const {
    TEditAccess edit(Widget());
    return ToUtf8(edit ? edit.Text() : ToQString(text_));
}

void TCustomEdit::SetWindowText(const std::string& text) {
    // The new window got the kept text already.
    if (ControlState().Contains(csCreating)) return;
    text_ = ToUtf16(ToQString(text));
    if (maxLength_ > 0 && static_cast<int>(text_.size()) > maxLength_) text_.resize(maxLength_);
    selStart_ = selLength_ = 0;
    modified_ = false;
    if (TEditAccess edit(Widget()); edit) {
        edit.SetText(ToQString(text_));
        edit.SetModified(false);
    }
}

void TCustomEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_CREATE:
        ApplyPasswordChar();
        break;
    case WM_GETDLGCODE:
        message.Result = DialogCode();
        return;
    case CM_TEXTCHANGED:
        // With a window the native edit reports the change itself.
        if (!Widget()) Change();
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (auto* edit = qobject_cast<QLineEdit*>(Widget()))
        edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (TEditAccess edit(Widget()); edit) edit.SetReadOnly(value);
}

void TCustomEdit::SetPasswordChar(char16_t c) {
    passwordChar_ = c;
    ApplyPasswordChar();
}

void TCustomEdit::ApplyPasswordChar() {
    auto* edit = qobject_cast<QLineEdit*>(Widget());
    if (!edit) return;
    edit->setEchoMode(passwordChar_ ? QLineEdit::Password : QLineEdit::Normal);
    // The mask character is a style setting of the one widget.
    edit->setStyleSheet(passwordChar_ ? QStringLiteral("QLineEdit { lineedit-password-character: %1; }")
                                            .arg(static_cast<int>(passwordChar_))
                                      : QString());
}

bool TCustomEdit::Modified() const {
    TEditAccess edit(Widget());
    return edit ? edit.Modified() : modified_;
}

void TCustomEdit::SetModified(bool value) {
    modified_ = value;
    if (TEditAccess edit(Widget()); edit) edit.SetModified(value);
}

int TCustomEdit::SelStart() const {
    TEditAccess edit(Widget());
    return edit ? edit.Selection().first : selStart_;
}

void TCustomEdit::SetSelStart(int start) {
    // A new start drops the selection, as the native edit does.
    if (TEditAccess edit(Widget()); edit) return edit.Select(start, 0);
    selStart_ = std::clamp(start, 0, static_cast<int>(text_.size()));
    selLength_ = 0;
}

int TCustomEdit::SelLength() const {
    TEditAccess edit(Widget());
    return edit ? edit.Selection().second : selLength_;
}

void TCustomEdit::SetSelLength(int length) {
    if (TEditAccess edit(Widget()); edit) return edit.Select(edit.Selection().first, length);
    selLength_ = std::clamp(length, 0, static_cast<int>(text_.size()) - selStart_);
}

std::string TCustomEdit::SelText() const {
    TEditAccess edit(Widget());
    if (edit) return ToUtf8(edit.SelectedText());
    return ToUtf8(ToQString(std::u16string_view(text_).substr(selStart_, selLength_)));
}

void TCustomEdit::SetSelText(const std::string& text) {
    HandleNeeded();
    TEditAccess edit(Widget());
    edit.Insert(ToQString(text));
}

void TCustomEdit::SelectAll() {
    if (TEditAccess edit(Widget()); edit) return edit.Select(0, static_cast<int>(edit.Text().size()));
    selStart_ = 0;
    selLength_ = static_cast<int>(text_.size());
}

bool TCustomEdit::CanUndo() const {
    TEditAccess edit(Widget());
    return edit && edit.CanUndo();
}

void TCustomEdit::Undo() {
    if (TEditAccess edit(Widget()); edit) edit.Undo();
}

void TCustomEdit::ClearUndo() {
    if (TEditAccess edit(Widget()); edit) edit.ClearUndo();
}

void TCustomEdit::CopyToClipboard() {
    const std::string selected = SelText();
    if (!selected.empty()) Clipboard().SetAsWideText(ToUtf16(ToQString(selected)));
}

void TCustomEdit::CutToClipboard() {
    if (ReadOnly() || SelLength() == 0) return;
    CopyToClipboard();
    SetSelText("");
}

void TCustomEdit::PasteFromClipboard() {
    if (ReadOnly()) return;
    SetSelText(ToUtf8(ToQString(Clipboard().AsWideText())));
}

// ---------------------------------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) {
    SetBounds(0, 0, 185, 89);
    lines_.OnChange = [this](rtl::TStringList&) {
        if (syncing_) return;
        std::string text = lines_.Text();
        // The list ends every line with a break; the text does not end with one.
        if (text.size() >= lines_.LineBreak().size()) text.resize(text.size() - lines_.LineBreak().size());
        SetText(text);
    };
}

TMemo::~TMemo() {
    Destroying();
    lines_.OnChange = nullptr;
    DestroyHandle();
}

QWidget* TMemo::CreateWidget(QWidget* parentWidget) {
    auto* memo = new QPlainTextEdit(parentWidget);
    memo->setPalette(SystemPalette());
    if (BorderStyle() == bsNone) memo->setFrameShape(QFrame::NoFrame);
    memo->setReadOnly(ReadOnly());
    memo->setPlainText(ToQString(text_));
    memo->document()->setModified(modified_);
    TEditAccess(memo).Select(selStart_, selLength_);
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this] { Change(); });
    return memo;
}

void TMemo::WndProc(TMessage& message) {
    if (message.Msg == WM_CREATE) ApplyLayout();
    TCustomEdit::WndProc(message);
}

void TMemo::ApplyLayout() {
    auto* memo = qobject_cast<QPlainTextEdit*>(Widget());
    if (!memo) return;
    // A horizontal bar means long lines stay whole, as in the native memo.
    const bool wrap = wordWrap_ && scrollBars_ != ssHorizontal && scrollBars_ != ssBoth;
    memo->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    const bool horz = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    const bool vert = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    memo->setHorizontalScrollBarPolicy(horz ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    memo->setTabChangesFocus(!wantTabs_);
}

std::string TMemo::GetWindowText() const {
    // Lines end with CR LF in the native memo's text.
    std::u16string text;
    TEditAccess edit(Widget());
    for (char16_t c : edit ? ToUtf16(edit.Text()) : text_) {
        if (c == u'\n') text += u'\r';
        text += c;
    }
    return ToUtf8(ToQString(text));
}

void TMemo::SetWindowText(const std::string& text) {
    if (ControlState().Contains(csCreating)) return;
    TCustomEdit::SetWindowText(ToUtf8(ToQString(NormalizeBreaks(ToUtf16(ToQString(text))))));
}

void TMemo::Change() {
    {
        syncing_ = true;
        const rtl::ScopeExit done([this] { syncing_ = false; });
        lines_.SetText(Text());
    }
    TCustomEdit::Change();
}

intptr_t TMemo::DialogCode() const {
    intptr_t code = TCustomEdit::DialogCode() | DLGC_WANTALLKEYS;
    if (wantTabs_) code |= DLGC_WANTTAB;
    if (!wantReturns_) code &= ~DLGC_WANTALLKEYS;
    return code;
}

void TMemo::KeyPress(char16_t& key) {
    TCustomEdit::KeyPress(key);
    if ((key == u'\r' || key == u'\n') && !wantReturns_) key = 0;
}

void TMemo::SetScrollBars(TScrollStyle style) {
    scrollBars_ = style;
    ApplyLayout();
}

void TMemo::SetWordWrap(bool value) {
    wordWrap_ = value;
    ApplyLayout();
}

void TMemo::SetWantTabs(bool value) {
    wantTabs_ = value;
    ApplyLayout();
}

int TMemo::LineIndex(int line) const {
    if (line < 0) return -1;
    TEditAccess edit(Widget());
    const std::u16string text = edit ? ToUtf16(edit.Text()) : text_;
    int position = 0;
    for (int i = 0; i < line; ++i) {
        const std::size_t next = text.find(u'\n', static_cast<std::size_t>(position));
        if (next == std::u16string::npos) return -1;
        position = static_cast<int>(next) + 1;
    }
    return position;
}

int TMemo::LineFromChar(int position) const {
    TEditAccess edit(Widget());
    const std::u16string text = edit ? ToUtf16(edit.Text()) : text_;
    const auto end = text.begin() + std::clamp(position, 0, static_cast<int>(text.size()));
    return static_cast<int>(std::count(text.begin(), end, u'\n'));
}

} // namespace ui
