#include "editor/WideCodeEditModel.h"

#include "core/uUnicode.h"
#include "editor/WCEHighlighter.h"

#include <algorithm>

namespace editor {

TWideCodeEditModel::TWideCodeEditModel()
    : selectedColor_(ui::clHighlight, ui::clHighlightText),
      scrollHintColor_(ui::clAppWorkSpace, ui::clInfoText) {
    undoList_.SetMaxUndo(10);
    SetDefaultKeystrokes();
}

TWideCodeEditModel::~TWideCodeEditModel() {
    destroying_ = true;
    if (highlighter_) highlighter_->RemoveEditor(this);
    content_.Clear();
}

void TWideCodeEditModel::SetKeystrokes(const TKeyStrokes* keys) {
    if (keys)
        keystrokes_.Assign(keys);
    else
        keystrokes_.Clear();
}

void TWideCodeEditModel::SetHighLighter(TWCEHighlighter* highlighter) {
    if (highlighter == highlighter_) return;
    if (highlighter_) highlighter_->RemoveEditor(this);
    highlighter_ = highlighter;
    if (highlighter_) highlighter_->AddEditor(this);
    RescanFrom(0);
    view_->InvalidateAll();
}

void TWideCodeEditModel::HighlighterFreed(TWCEHighlighter* highlighter) {
    if (highlighter != highlighter_) return;
    highlighter_ = nullptr;
    view_->InvalidateAll();
}

void TWideCodeEditModel::SetCharWidth(int width) {
    width = std::max(width, 1);
    if (width == charWidth_) return;
    charWidth_ = width;
    content_.InvalidateAllWidths();
    view_->InvalidateAll();
}

void TWideCodeEditModel::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
}

void TWideCodeEditModel::SetTabSize(int size) {
    size = std::max(size, 1);
    if (size == tabSize_) return;
    tabSize_ = size;
    content_.InvalidateAllWidths();
    view_->InvalidateAll();
}

void TWideCodeEditModel::SetMarginColor(TColor color) {
    if (color == marginColor_) return;
    marginColor_ = color;
    view_->InvalidateAll();
}

void TWideCodeEditModel::SetBookmarkOptions(const TBookmarkOptions& options) {
    bookmarkOptions_ = options;
    view_->InvalidateAll();
}

void TWideCodeEditModel::SetInsertCaret(TCaretType type) {
    if (type == insertCaret_) return;
    insertCaret_ = type;
    view_->UpdateCaret();
}

void TWideCodeEditModel::SetOverwriteCaret(TCaretType type) {
    if (type == overwriteCaret_) return;
    overwriteCaret_ = type;
    view_->UpdateCaret();
}

void TWideCodeEditModel::SetOptions(const TWideCodeEditOptions& options) {
    if (options == options_) return;
    const TWideCodeEditOptions changed = (options - options_) + (options_ - options);
    options_ = options;
    if (changed.Contains(eoReadOnly) || changed.Contains(eoShowCursorWhileReadOnly) ||
        changed.Contains(eoInserting))
        view_->UpdateCaret();
    if (changed.Contains(eoLineNumbers)) UpdateGutterWidth();
    if (changed.Contains(eoScrollPastEOL) && !options_.Contains(eoScrollPastEOL)) SetCaretX(caret_.X);
    if (changed.Contains(eoCursorThroughTabs) || changed.Contains(eoLineNumbers) ||
        changed.Contains(eoHideSelection) || changed.Contains(eoShowControlChars) ||
        changed.Contains(eoUseSyntax))
        view_->InvalidateAll();
    DoSettingChange();
}

void TWideCodeEditModel::SetGutterWidth(int width) {
    width = std::max(width, 0);
    if (width == gutterWidth_) return;
    gutterWidth_ = width;
    view_->UpdateCaret();
    view_->UpdateScrollBars();
    view_->InvalidateAll();
}

void TWideCodeEditModel::SetGutterExtraWidth(int width) {
    gutterExtraWidth_ = width;
    UpdateGutterWidth();
}

// Line numbers take room only while they are shown; the digits grow with the line count.
void TWideCodeEditModel::UpdateGutterWidth() {
    int numbers = 0;
    if (options_.Contains(eoLineNumbers)) {
        const int count = content_.Count();
        const int digits = count <= 99 ? 2 : count <= 999 ? 3 : count <= 9999 ? 4 : count <= 99999 ? 5 : 6;
        numbers = digits * lineNumberCharWidth_;
    }
    SetGutterWidth(numbers + gutterExtraWidth_);
}

// ---- text

void TWideCodeEditModel::SetText(std::u16string_view text) {
    content_.SetText(text);
    view_->InvalidateAll();
}

std::u16string TWideCodeEditModel::GetCaretLineText() const {
    return content_.Count() == 0 ? std::u16string() : Line(caret_.Y)->Text();
}

void TWideCodeEditModel::SetCaretLineText(std::u16string text) {
    if (content_.Count() == 0)
        content_.AddLine(std::move(text));
    else
        Line(caret_.Y)->SetText(std::move(text));
    view_->InvalidateLines(caret_.Y, caret_.Y);
}

// ---- caret and selection

int TWideCodeEditModel::LineColumns(int y) const {
    return y >= 0 && y < content_.Count() ? Line(y)->GetColumnCount() : 0;
}

int TWideCodeEditModel::SnapColumn(int y, int x) const {
    return y >= 0 && y < content_.Count() ? Line(y)->SnapColumn(x) : x;
}

int TWideCodeEditModel::MaxCaretX(int y) const {
    return options_.Contains(eoScrollPastEOL) ? workWidth_ / charWidth_ : LineColumns(y);
}

void TWideCodeEditModel::AnnounceCaret() {
    EnsureCaretVisible();
    if (InUpdate()) return;
    view_->UpdateCaret();
    DoCaretChange();
}

void TWideCodeEditModel::SetCaretX(int x) {
    x = SnapColumn(caret_.Y, std::clamp(x, 0, std::max(MaxCaretX(caret_.Y), 0)));
    if (x == caret_.X) return;
    caret_.X = x;
    AnnounceCaret();
}

void TWideCodeEditModel::SetCaretY(int y) {
    y = content_.Count() == 0 ? 0 : std::clamp(y, 0, content_.Count() - 1);
    if (y == caret_.Y) return;
    const int old = caret_.Y;
    // Read-only text is never changed by moving through it.
    if (!options_.Contains(eoKeepTrailingBlanks) && !ReadOnly()) TrimTrailingBlanks(old);
    view_->InvalidateLines(old, old);
    caret_.Y = y;
    if (!options_.Contains(eoScrollPastEOL) && caret_.X > LineColumns(y)) SetCaretX(LineColumns(y));
    AnnounceCaret();
}

void TWideCodeEditModel::TrimTrailingBlanks(int y) {
    if (y < 0 || y >= content_.Count()) return;
    TWCELine& line = *Line(y);
    std::u16string trimmed = core::WideTrimRightUnicode(line.Text());
    if (trimmed.size() == line.Text().size()) return;
    // Its own record only when no other is open: inside a movement the blanks are not restored.
    const bool recorded =
        undoList_.BeginDelete({line.CharToColumn(int(trimmed.size())), y}, {line.GetColumnCount(), y});
    line.SetText(std::move(trimmed));
    if (recorded) undoList_.Commit();
}

void TWideCodeEditModel::SetCaretXY(TPoint p) {
    const bool recorded = undoList_.BeginCaret();
    const TPoint old = caret_;
    ++updateCount_;
    SetCaretY(p.Y);
    SetCaretX(p.X);
    --updateCount_;
    if (caret_ != old) {
        EnsureCaretVisible();
        if (!InUpdate()) {
            view_->UpdateCaret();
            view_->UpdateScrollBars();
            DoCaretChange();
        }
    }
    if (recorded) undoList_.Commit();
}

void TWideCodeEditModel::ResetCaret() {
    caret_ = {};
    SetSelection({}, {});
    AnnounceCaret();
}

void TWideCodeEditModel::OrderSelection() {
    selStart_ = blockBegin_;
    selEnd_ = blockEnd_;
    if (PointBefore(selEnd_, selStart_)) std::swap(selStart_, selEnd_);
}

void TWideCodeEditModel::SetSelection(TPoint begin, TPoint end) {
    if (SelectionAvailable()) view_->InvalidateLines(selStart_.Y, selEnd_.Y);
    blockBegin_ = begin;
    blockEnd_ = end;
    OrderSelection();
    if (SelectionAvailable()) view_->InvalidateLines(selStart_.Y, selEnd_.Y);
}

void TWideCodeEditModel::SetBlockBegin(TPoint p) {
    p.Y = content_.Count() == 0 ? 0 : std::clamp(p.Y, 0, content_.Count() - 1);
    p.X = SnapColumn(p.Y, std::clamp(p.X, 0, workWidth_ / charWidth_));
    SetSelection(p, p);
}

void TWideCodeEditModel::SetBlockEnd(TPoint p) {
    p.Y = content_.Count() == 0 ? 0 : std::clamp(p.Y, 0, content_.Count() - 1);
    p.X = SnapColumn(p.Y, std::clamp(p.X, 0, std::max(MaxCaretX(p.Y), 0)));
    if (p == blockEnd_) return;
    view_->InvalidateLines(std::min(p.Y, blockEnd_.Y), std::max(p.Y, blockEnd_.Y));
    blockEnd_ = p;
    OrderSelection();
}

bool TWideCodeEditModel::SelectionAvailable() const {
    return selStart_ != selEnd_ && content_.Count() > 0;
}

bool TWideCodeEditModel::IsPointInSelection(TPoint p) const {
    if (!SelectionAvailable()) return false;
    if (selStart_.Y == selEnd_.Y) return p.Y == selStart_.Y && p.X >= selStart_.X && p.X <= selEnd_.X;
    if (p.Y > selStart_.Y && p.Y < selEnd_.Y) return true;
    if (p.Y == selStart_.Y) return p.X >= selStart_.X;
    return p.Y == selEnd_.Y && p.X <= selEnd_.X && p.X <= LineColumns(p.Y);
}

void TWideCodeEditModel::SelectAll() {
    if (content_.Count() == 0) return;
    const bool recorded = undoList_.BeginCaret();
    const TPoint end = content_.GetEndPoint();
    SetSelection({0, 0}, end);
    SetCaretXY(end);
    if (recorded) undoList_.Commit();
    view_->InvalidateAll();
}

std::u16string TWideCodeEditModel::GetSelectedText() const {
    return content_.GetTextRange(selStart_, selEnd_);
}

void TWideCodeEditModel::SetSelStart(int offset) {
    SetBlockBegin(CharOffsetToPoint(offset));
}

void TWideCodeEditModel::SetSelEnd(int offset) {
    SetBlockEnd(CharOffsetToPoint(offset));
}

int TWideCodeEditModel::PointToCharOffset(TPoint p) const {
    int offset = 0;
    const int last = std::min(p.Y, content_.Count());
    for (int y = 0; y < last; ++y)
        offset += Line(y)->Length() + 2;
    if (p.Y >= 0 && p.Y < content_.Count()) {
        const TWCELine& line = *Line(p.Y);
        offset += std::min(line.ColumnToChar(std::max(p.X, 0)), line.Length());
    }
    return offset;
}

// The rest of the offset on its line is a character index, turned into a column.
TPoint TWideCodeEditModel::CharOffsetToPoint(int offset) const {
    const int count = content_.Count();
    if (count == 0) return {0, 0};
    offset = std::max(offset, 0);
    int y = 0;
    while (y < count - 1 && offset > Line(y)->Length() + 1) {
        offset -= Line(y)->Length() + 2;
        ++y;
    }
    const TWCELine& line = *Line(y);
    return {line.CharToColumn(std::min(offset, line.Length())), y};
}

bool TWideCodeEditModel::IsWordChar(char16_t c) const {
    if (highlighter_) return highlighter_->IsIdentChar(c);
    if (c < 128)
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    return core::UnicodeIsIdentifierPart(c);
}

TWideCodeEditModel::TWordBounds TWideCodeEditModel::GetWordAndBounds(TPoint p) const {
    if (p.Y < 0 || p.Y >= content_.Count()) return {{}, {0, p.Y}, {0, p.Y}};
    const TWCELine& line = *Line(p.Y);
    const std::u16string& text = line.Text();
    const int n = line.Length();
    if (n == 0) return {{}, {0, p.Y}, {0, p.Y}};
    auto word = [&](int at) {
        int a = at, b = at;
        while (a > 0 && IsWordChar(text[std::size_t(a - 1)]))
            --a;
        while (b < n && IsWordChar(text[std::size_t(b)]))
            ++b;
        return TWordBounds{text.substr(std::size_t(a), std::size_t(b - a)),
                           {line.CharToColumn(a), p.Y},
                           {line.CharToColumn(b), p.Y}};
    };
    const int k = std::min(line.ColumnToChar(std::max(p.X, 0)), n);
    if (k < n && IsWordChar(text[std::size_t(k)])) return word(k);
    for (int i = k - 1; i >= 0; --i)
        if (IsWordChar(text[std::size_t(i)])) return word(i);
    for (int i = k; i < n; ++i)
        if (IsWordChar(text[std::size_t(i)])) return word(i);
    return {text, {0, p.Y}, {line.GetColumnCount(), p.Y}};
}

TPoint TWideCodeEditModel::NextWordPos() const {
    const int count = content_.Count();
    if (count == 0) return caret_;
    const TWCELine& line = *Line(caret_.Y);
    const std::u16string& text = line.Text();
    int k = line.ColumnToChar(caret_.X);
    if (k >= line.Length()) {
        if (caret_.Y >= count - 1) return caret_;
        const TWCELine& next = *Line(caret_.Y + 1);
        int j = 0;
        while (j < next.Length() && !IsWordChar(next.Text()[std::size_t(j)]))
            ++j;
        return {j < next.Length() ? next.CharToColumn(j) : 0, caret_.Y + 1};
    }
    while (k < line.Length() && IsWordChar(text[std::size_t(k)]))
        ++k;
    while (k < line.Length() && !IsWordChar(text[std::size_t(k)]))
        ++k;
    return {line.CharToColumn(k), caret_.Y};
}

TPoint TWideCodeEditModel::PrevWordPos() const {
    if (content_.Count() == 0) return caret_;
    const TWCELine& line = *Line(caret_.Y);
    const std::u16string& text = line.Text();
    int k = std::min(line.ColumnToChar(caret_.X), line.Length());
    while (k > 0 && !IsWordChar(text[std::size_t(k - 1)]))
        --k;
    if (k == 0) {
        if (caret_.Y == 0) return {0, 0};
        return {LineColumns(caret_.Y - 1), caret_.Y - 1};
    }
    while (k > 0 && IsWordChar(text[std::size_t(k - 1)]))
        --k;
    return {line.CharToColumn(k), caret_.Y};
}

// ---- view

void TWideCodeEditModel::SetTopLine(int line) {
    line = std::max(line, 1);
    line = std::min(line, std::max(1, std::min(content_.Count(), content_.Count() - LinesInWindow() + 1)));
    if (line == topLine_) return;
    const int delta = line - topLine_;
    topLine_ = line;
    view_->ScrollLines(delta);
    view_->UpdateScrollBars();
    DoScroll(0, -delta * lineHeight_);
}

void TWideCodeEditModel::SetLeftOffset(int pixels) {
    // No further than shows the end of the work width.
    pixels = std::min(std::max(pixels, clientWidth_ - gutterWidth_ + 1 - workWidth_ - charWidth_), 0);
    if (pixels == leftOffset_) return;
    const int delta = pixels - leftOffset_;
    leftOffset_ = pixels;
    view_->InvalidateAll();
    view_->UpdateScrollBars();
    DoScroll(delta, 0);
}

void TWideCodeEditModel::EnsureCaretVisible() {
    const int lines = std::max(LinesInWindow(), 1);
    if (caret_.Y < topLine_ - 1)
        SetTopLine(caret_.Y + 1);
    else if (caret_.Y > topLine_ - 1 + lines - 1)
        SetTopLine(caret_.Y - lines + 2);
    const int chars = std::max(CharsInWindow(), 1);
    const int firstColumn = -leftOffset_ / charWidth_;
    if (caret_.X < firstColumn)
        SetLeftOffset(-caret_.X * charWidth_);
    else if (caret_.X >= firstColumn + chars)
        SetLeftOffset(-(caret_.X - chars + 1) * charWidth_);
}

TPoint TWideCodeEditModel::PixelsToColumnLine(int x, int y) const {
    const int pixels = x - leftOffset_ - gutterWidth_ + 2;
    const int column = (pixels + (pixels >= 0 ? charWidth_ / 2 : -charWidth_ / 2)) / charWidth_;
    return {column, y / lineHeight_ + topLine_ - 1};
}

// ---- update bracket

void TWideCodeEditModel::BeginUpdate() {
    if (updateCount_++ == 0) view_->SetRedraw(false);
}

void TWideCodeEditModel::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    view_->SetRedraw(true);
    UpdateGutterWidth();
    view_->UpdateScrollBars();
    EnsureCaretVisible();
    view_->UpdateCaret();
    DoCaretChange();
    view_->InvalidateAll();
}

void TWideCodeEditModel::RescanFrom(int line) {
    scannedUpTo_ = std::min(scannedUpTo_, std::max(line, 0));
    view_->InvalidateLines(line, content_.Count());
}

// ---- bookmarks

void TWideCodeEditModel::SetBookmark(int index, int x, int y) {
    if (index < 0 || index >= kBookmarkCount || y < 0 || y >= content_.Count()) return;
    bool allowed = true;
    if (OnBookmarkChange) OnBookmarkChange(*this, index, x, y, allowed);
    if (!allowed) return;
    TBookmark& mark = bookmarks_[std::size_t(index)];
    if (mark.Set && mark.Y != y) view_->InvalidateLines(mark.Y, mark.Y);
    mark = {true, x, y};
    view_->InvalidateLines(y, y);
}

void TWideCodeEditModel::ClearBookmark(int index) {
    if (index < 0 || index >= kBookmarkCount || !bookmarks_[std::size_t(index)].Set) return;
    TBookmark& mark = bookmarks_[std::size_t(index)];
    bool allowed = true;
    if (OnBookmarkChange) OnBookmarkChange(*this, index, mark.X, mark.Y, allowed);
    if (!allowed) return;
    view_->InvalidateLines(mark.Y, mark.Y);
    mark = {};
}

void TWideCodeEditModel::GotoBookmark(int index) {
    if (index < 0 || index >= kBookmarkCount || !bookmarks_[std::size_t(index)].Set) return;
    const TBookmark& mark = bookmarks_[std::size_t(index)];
    SetCaretXY({mark.X, mark.Y});
    EnsureCaretVisible();
}

void TWideCodeEditModel::ToggleBookmark(int index) {
    const TBookmark mark = bookmarks_[std::size_t(index)];
    if (mark.Set) ClearBookmark(index);
    if (!mark.Set || mark.Y != caret_.Y) SetBookmark(index, caret_.X, caret_.Y);
}

void TWideCodeEditModel::MoveBookmarks(int line, int delta, int lastDeleted) {
    for (int i = 0; i < kBookmarkCount; ++i) {
        const TBookmark mark = bookmarks_[std::size_t(i)];
        if (!mark.Set) continue;
        if (delta > 0 && mark.Y >= line) SetBookmark(i, mark.X, mark.Y + delta);
        if (delta < 0 && mark.Y > line) SetBookmark(i, mark.X, mark.Y <= lastDeleted ? line : mark.Y + delta);
    }
}

// ---- events

void TWideCodeEditModel::DoCaretChange() {
    if (OnCaretChange) OnCaretChange(*this, caret_.X, caret_.Y);
}

void TWideCodeEditModel::DoScroll(int deltaX, int deltaY) {
    if (OnScroll) OnScroll(*this, deltaX, deltaY);
}

void TWideCodeEditModel::DoSettingChange() {
    if (OnSettingChange) OnSettingChange(*this);
}

void TWideCodeEditModel::DoProcessCommand(TEditorCommand& command, char16_t& ch, const TPoint* data) {
    auto& handler = command > 1000 ? OnProcessUserCommand : OnProcessCommand;
    if (handler) handler(*this, command, ch, data);
}

std::u16string TWideCodeEditModel::GetClipboardText() {
    return clipboard_ ? clipboard_->GetText() : std::u16string();
}

void TWideCodeEditModel::SetClipboardText(const std::u16string& text) {
    if (clipboard_) clipboard_->SetText(text);
}

} // namespace editor
