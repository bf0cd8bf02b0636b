// The command processor of the editor model and the editing primitives the commands share.
#include "editor/WideCodeEditModel.h"

#include "core/uUnicode.h"

#include <algorithm>

namespace editor {

namespace {

bool IsBlank(char16_t c) {
    return core::UnicodeIsWhiteSpace(c);
}

// Number of leading white-space characters.
int LeadingBlanks(const std::u16string& text) {
    int k = 0;
    while (k < int(text.size()) && IsBlank(text[std::size_t(k)]))
        ++k;
    return k;
}

// The text with every tab of its leading white space replaced by `tabSize` spaces.
std::u16string ExpandLeadingTabs(const std::u16string& text, int tabSize) {
    const int lead = LeadingBlanks(text);
    std::u16string result;
    for (int k = 0; k < lead; ++k) {
        if (text[std::size_t(k)] == u'\t')
            result.append(std::size_t(tabSize), u' ');
        else
            result.push_back(text[std::size_t(k)]);
    }
    return result + text.substr(std::size_t(lead));
}

} // namespace

// ---- primitives

void TWideCodeEditModel::DeleteSelection(bool thenInsert) {
    if (!SelectionAvailable()) return;
    const TPoint s = selStart_, e = selEnd_;
    TWCELine& first = *Line(s.Y);
    const int sc = first.ColumnToChar(s.X);
    if (s.Y == e.Y) {
        std::u16string text = first.Text();
        const int ec = std::min(first.ColumnToChar(e.X), int(text.size()));
        if (sc < ec) text.erase(std::size_t(sc), std::size_t(ec - sc));
        first.SetText(std::move(text));
    } else {
        TWCELine& last = *Line(e.Y);
        const int ec = std::min(last.ColumnToChar(e.X), last.Length());
        std::u16string head = first.Text().substr(0, std::size_t(std::min(sc, first.Length())));
        head.resize(std::size_t(sc), u' ');
        const int removed = e.Y - s.Y;
        if (OnLinesDeleted) OnLinesDeleted(s.Y, removed);
        last.SetText(head + last.Text().substr(std::size_t(ec)));
        for (int y = e.Y - 1; y >= s.Y; --y)
            content_.DeleteLine(y);
        MoveBookmarks(s.Y, -removed, e.Y);
        if (!thenInsert && s.Y > 0) RescanFrom(s.Y - 1);
    }
    caret_ = s;
    SetSelection(s, s);
    AnnounceCaret();
    view_->InvalidateLines(s.Y, content_.Count());
    UpdateGutterWidth();
}

void TWideCodeEditModel::InsertAtSelStart(std::u16string_view text) {
    if (content_.Count() == 0) content_.AddLine(u"");
    const TPoint at = selStart_;
    std::u16string withBreak(text);
    withBreak += u"\r\n";
    const std::vector<std::u16string_view> pieces = SplitLines(withBreak);
    TWCELine& line = *Line(at.Y);
    const int col = line.ColumnToChar(at.X);
    std::u16string head = line.Text().substr(0, std::size_t(std::min(col, line.Length())));
    head.resize(std::size_t(col), u' ');
    const std::u16string tail = line.Text().substr(std::size_t(std::min(col, line.Length())));
    TPoint end;
    if (pieces.size() <= 1) {
        const std::u16string_view piece = pieces.empty() ? std::u16string_view() : pieces[0];
        line.SetText(head + std::u16string(piece) + tail);
        end = {line.CharToColumn(col + int(piece.size())), at.Y};
    } else {
        const int added = int(pieces.size()) - 1;
        line.SetText(head + std::u16string(pieces[0]));
        for (int i = 1; i < added; ++i)
            content_.InsertLine(at.Y + i, std::u16string(pieces[std::size_t(i)]));
        const std::u16string_view lastPiece = pieces.back();
        TWCELine& last = *content_.InsertLine(at.Y + added, std::u16string(lastPiece) + tail);
        end = {last.CharToColumn(int(lastPiece.size())), at.Y + added};
        MoveBookmarks(at.Y, added, 0);
        RescanFrom(at.Y);
        if (OnLinesInserted) OnLinesInserted(at.Y, added);
    }
    blockEnd_ = end;
    OrderSelection();
    UpdateGutterWidth();
}

void TWideCodeEditModel::InsertText(std::u16string_view text) {
    if (SelectionAvailable()) DeleteSelection(true);
    if (!text.empty()) InsertAtSelStart(text);
    view_->InvalidateLines(selStart_.Y, content_.Count());
}

// Text that goes in past the end of a line pads the line with spaces first. The records start at the
// line end and take the padding into their new text, so that undo removes it too.
TPoint TWideCodeEditModel::PaddedStart(TPoint p, std::u16string& padding) const {
    const int columns = LineColumns(p.Y);
    if (p.Y < 0 || p.Y >= content_.Count() || p.X <= columns) return p;
    padding.assign(std::size_t(p.X - columns), u' ');
    return {columns, p.Y};
}

TPoint TWideCodeEditModel::Boundary(TPoint p) const {
    if (p.Y < 0 || p.Y >= content_.Count() || p.X >= LineColumns(p.Y)) return p;
    const TWCELine& line = *Line(p.Y);
    return {line.CharToColumn(line.ColumnToChar(p.X)), p.Y};
}

// One replace record over the selection, or an insert record at the caret (the selection collapsed
// there). Records name character boundaries, so their replay meets the same characters.
bool TWideCodeEditModel::BeginTyping(std::u16string_view text) {
    std::u16string newText;
    if (SelectionAvailable()) {
        SetSelection(Boundary(blockBegin_), Boundary(blockEnd_));
        const TPoint from = PaddedStart(selStart_, newText);
        return undoList_.BeginReplace(from, selEnd_, newText.append(text), from);
    }
    SetBlockBegin(Boundary(caret_));
    const TPoint from = PaddedStart(selStart_, newText);
    return undoList_.BeginInsert(from, newText.append(text));
}

// The caret ends after the new text.
void TWideCodeEditModel::ReplaceSelection(std::u16string_view text) {
    const bool recorded = BeginTyping(text);
    InsertText(text);
    const TPoint end = blockEnd_;
    SetSelection(end, end);
    caret_ = end;
    AnnounceCaret();
    if (recorded) undoList_.CommitAt(end);
}

void TWideCodeEditModel::SetSelectedText(std::u16string_view text) {
    if (!ReadOnly()) ReplaceSelection(text);
}

void TWideCodeEditModel::DeleteRange(TPoint from, TPoint to) {
    from = Boundary(from);
    to = Boundary(to);
    if (from == to) return;
    // From past a line end the joined line is padded: a replacement of the break by the padding.
    std::u16string padding;
    const TPoint start = PaddedStart(from, padding);
    const bool recorded = padding.empty() || from.Y == to.Y
                              ? undoList_.BeginDelete(from, to)
                              : undoList_.BeginReplace(start, to, padding, start);
    SetSelection(from, to);
    DeleteSelection(false);
    if (recorded) undoList_.CommitAt(from);
}

void TWideCodeEditModel::DropSelection(TPoint target, bool copy) {
    if (ReadOnly() || !SelectionAvailable()) return;
    const TPoint s = selStart_, e = selEnd_;
    if (!PointBefore(target, s) && PointBefore(target, e)) return;
    const std::u16string text = GetSelectedText();
    if (!copy && !PointBefore(target, e)) {
        // Where the target will be once the text has left: the records keep it so.
        if (target.Y == e.Y) target.X = s.X + target.X - e.X;
        target.Y -= e.Y - s.Y;
    }
    const bool recorded =
        copy ? undoList_.BeginDragCopy(s, e, target) : undoList_.BeginDragMove(s, e, target);
    if (!copy) InsertText({});
    SetSelection(target, target);
    InsertText(text);
    const TPoint end = blockEnd_;
    SetSelection(target, end);
    caret_ = end;
    AnnounceCaret();
    if (recorded) undoList_.Commit();
}

// ---- the processor

void TWideCodeEditModel::CommandProcessor(TEditorCommand command, char16_t ch, const TPoint* data) {
    DoProcessCommand(command, ch, data);
    if (command == ecNone || command > 1000) return;
    ExecuteCommand(command, ch, data);
}

void TWideCodeEditModel::ExecuteCommand(TEditorCommand command, char16_t ch, const TPoint* data) {
    const bool editable = !ReadOnly();
    if ((command >= ecLeft && command <= ecGoto) || (command >= ecSelectLeft && command <= ecSelectGoto)) {
        MoveCaret(command, data);
        return;
    }
    if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        if (bookmarkOptions_.EnableKeys) GotoBookmark(command - ecGotoMarker0);
        return;
    }
    if (command >= ecToggleMarker0 && command <= ecToggleMarker9) {
        if (bookmarkOptions_.EnableKeys) ToggleBookmark(command - ecToggleMarker0);
        return;
    }
    switch (command) {
    case ecSelectAll:
        SelectAll();
        break;
    case ecDeleteLastChar:
        if (editable) Backspace();
        break;
    case ecDeleteChar:
        if (editable) DeleteChar();
        break;
    case ecDeleteWord:
        if (editable) DeleteRange(caret_, NextWordPos());
        break;
    case ecDeleteLastWord:
        if (editable) DeleteRange(PrevWordPos(), caret_);
        break;
    case ecDeleteBOL:
        if (editable) DeleteRange({0, caret_.Y}, caret_);
        break;
    case ecDeleteEOL:
        if (editable && caret_.X < LineColumns(caret_.Y))
            DeleteRange(caret_, {LineColumns(caret_.Y), caret_.Y});
        break;
    case ecDeleteLine:
        if (editable) DeleteLine();
        break;
    case ecClearAll:
        if (editable) {
            for (int i = 0; i < kBookmarkCount; ++i)
                ClearBookmark(i);
            BeginUpdate();
            content_.Clear();
            workWidth_ = TWideCodeEditorContent::kDefaultWorkWidth;
            caret_ = {};
            SetSelection({}, {});
            EndUpdate();
            // The records describe a text that is gone.
            undoList_.Clear();
        }
        break;
    case ecLineBreak:
    case ecInsertLine:
        if (editable) LineBreak(command == ecLineBreak);
        break;
    case ecChar:
        if (editable) TypeChar(ch);
        break;
    case ecUndo:
        Undo();
        break;
    case ecRedo:
        Redo();
        break;
    case ecCut:
        if (editable && SelectionAvailable()) {
            SetClipboardText(GetSelectedText());
            DeleteRange(selStart_, selEnd_);
        }
        break;
    case ecCopy:
        if (SelectionAvailable()) SetClipboardText(GetSelectedText());
        break;
    case ecPaste:
        if (editable) {
            const std::u16string text = GetClipboardText();
            if (!text.empty()) ReplaceSelection(text);
        }
        break;
    case ecScrollUp:
    case ecScrollDown: {
        const bool recorded = undoList_.BeginCaret();
        SetTopLine(topLine_ + (command == ecScrollUp ? -1 : 1));
        const int firstVisible = topLine_ - 1;
        const int lastVisible = firstVisible + std::max(LinesInWindow(), 1) - 1;
        if (caret_.Y < firstVisible) SetCaretXY({caret_.X, firstVisible});
        if (caret_.Y > lastVisible) SetCaretXY({caret_.X, lastVisible});
        if (recorded) undoList_.Commit();
        break;
    }
    case ecScrollLeft:
        SetLeftOffset(leftOffset_ + charWidth_);
        break;
    case ecScrollRight:
        SetLeftOffset(leftOffset_ - charWidth_);
        break;
    case ecInsertMode:
    case ecOverwriteMode:
    case ecToggleMode:
        ToggleMode(command);
        break;
    case ecBlockIndent:
    case ecBlockUnindent:
        if (editable) BlockIndent(command == ecBlockIndent);
        break;
    default:
        break;
    }
}

void TWideCodeEditModel::ToggleMode(TEditorCommand command) {
    TWideCodeEditOptions options = options_;
    const bool inserting =
        command == ecInsertMode || (command == ecToggleMode && !options.Contains(eoInserting));
    if (inserting)
        options.Include(eoInserting);
    else
        options.Exclude(eoInserting);
    SetOptions(options);
}

void TWideCodeEditModel::MoveCaret(TEditorCommand command, const TPoint* data) {
    const bool selecting = command > ecSelection;
    const TEditorCommand move = selecting ? TEditorCommand(command - ecSelection) : command;
    if (move == ecGoto && !data) return;
    const int count = content_.Count();
    if ((move == ecUp && caret_.Y == 0) || (move == ecDown && caret_.Y >= count - 1)) {
        // On the first or last line: the plain form drops the selection where the caret stands.
        if (!selecting) SetBlockBegin(caret_);
        return;
    }
    const bool recorded = undoList_.BeginCaret();
    const TPoint old = caret_;
    if (selecting && !SelectionAvailable()) SetBlockBegin(old);
    TPoint target = caret_;
    const TWCELine* line = count > 0 ? Line(caret_.Y) : nullptr;
    switch (move) {
    case ecLeft:
        if (line && caret_.X == 0 && !options_.Contains(eoScrollPastEOL) && caret_.Y > 0)
            target = {LineColumns(caret_.Y - 1), caret_.Y - 1};
        else
            target.X = line ? std::max(line->PrevColumn(caret_.X), 0) : 0;
        break;
    case ecRight: {
        const int next = line ? line->NextColumn(caret_.X) : caret_.X + 1;
        if (line && !options_.Contains(eoScrollPastEOL) && next > line->GetColumnCount() &&
            caret_.Y < count - 1)
            target = {0, caret_.Y + 1};
        else
            target.X = next;
        break;
    }
    case ecUp:
        target.Y = caret_.Y - 1;
        break;
    case ecDown:
        target.Y = caret_.Y + 1;
        break;
    case ecWordLeft:
        target = PrevWordPos();
        break;
    case ecWordRight:
        target = NextWordPos();
        break;
    case ecLineStart:
        target.X = 0;
        break;
    case ecLineEnd:
        if (line && !options_.Contains(eoKeepTrailingBlanks) && !ReadOnly()) TrimTrailingBlanks(caret_.Y);
        target.X = LineColumns(caret_.Y);
        break;
    case ecPageUp:
    case ecPageDown: {
        const int lines = std::max(LinesInWindow(), 1) * (move == ecPageUp ? -1 : 1);
        target.Y = std::clamp(caret_.Y + lines, 0, std::max(count - 1, 0));
        SetTopLine(topLine_ + lines);
        break;
    }
    case ecPageLeft:
    case ecPageRight: {
        const int chars = std::max(CharsInWindow(), 1) * (move == ecPageLeft ? -1 : 1);
        SetLeftOffset(leftOffset_ - chars * charWidth_);
        target.X = std::max(caret_.X + chars, 0);
        break;
    }
    case ecPageTop:
        target.Y = topLine_ - 1;
        break;
    case ecPageBottom:
        target.Y = topLine_ + LinesInWindow() - 2;
        break;
    case ecEditorTop:
        target = {0, 0};
        break;
    case ecEditorBottom:
        target = content_.GetEndPoint();
        SetTopLine(count - LinesInWindow() + 1);
        break;
    case ecGoto:
        target = *data;
        break;
    default:
        break;
    }
    SetCaretXY(target);
    if (selecting)
        SetBlockEnd(caret_);
    else
        SetBlockBegin(caret_);
    if (recorded) undoList_.Commit();
}

// ---- typing

// Where a tab moves to: past the rest of a word and the blanks after it on the nearest longer line
// above.
int TWideCodeEditModel::SmartTabColumn() const {
    for (int y = caret_.Y - 1; y >= 0; --y) {
        const TWCELine& above = *Line(y);
        if (above.GetColumnCount() <= caret_.X) continue;
        const std::u16string& text = above.Text();
        int k = above.ColumnToChar(caret_.X);
        while (k < above.Length() && !IsBlank(text[std::size_t(k)]))
            ++k;
        while (k < above.Length() && IsBlank(text[std::size_t(k)]))
            ++k;
        return above.CharToColumn(k);
    }
    return caret_.X;
}

void TWideCodeEditModel::TypeChar(char16_t ch) {
    if ((ch < 0x20 && ch != u'\t') || ch == 0x7F) return;
    if (content_.Count() == 0) content_.AddLine(u"");
    std::u16string text(1, ch);
    if (ch == u'\t') {
        const int column = SmartTabColumn();
        if (!options_.Contains(eoInserting)) {
            SetCaretXY({column, caret_.Y});
            return;
        }
        if (options_.Contains(eoSmartTabs)) {
            const int width = column - caret_.X;
            if (width <= 0) return;
            const std::u16string spaces(std::size_t(width), u' ');
            std::u16string padding;
            const TPoint from = PaddedStart(Boundary(caret_), padding);
            const bool recorded = undoList_.BeginInsert(from, padding + spaces);
            TWCELine& line = *Line(caret_.Y);
            std::u16string lineText = line.Text();
            const int k = line.ColumnToChar(caret_.X);
            lineText.resize(std::max(lineText.size(), std::size_t(k)), u' ');
            lineText.insert(std::size_t(k), spaces);
            line.SetText(std::move(lineText));
            auto shift = [&](TPoint& p) {
                if (p.Y == caret_.Y && p.X >= caret_.X) p.X += width;
            };
            shift(blockBegin_);
            shift(blockEnd_);
            OrderSelection();
            caret_.X = column;
            AnnounceCaret();
            view_->InvalidateLines(caret_.Y, caret_.Y);
            if (recorded) undoList_.CommitAt({from.X + int(padding.size()) + width, from.Y});
            return;
        }
        text = options_.Contains(eoUseTabs) ? u"\t" : std::u16string(std::size_t(tabSize_), u' ');
    }
    if (!SelectionAvailable() && !options_.Contains(eoInserting)) {
        // Overwrite: the character at the caret is replaced.
        SetBlockBegin(caret_);
        const TWCELine& line = *Line(caret_.Y);
        if (caret_.X < line.GetColumnCount()) SetBlockEnd({line.NextColumn(caret_.X, true), caret_.Y});
    }
    ReplaceSelection(text);
}

// ---- deleting

int TWideCodeEditModel::UnindentColumn(int x, int y) {
    if (x == 0 || y == 0) return 0;
    TWCELine& line = *Line(y);
    if (line.Text().find(u'\t') != std::u16string::npos) {
        std::u16string expanded = line.Text();
        std::size_t at;
        while ((at = expanded.find(u'\t')) != std::u16string::npos)
            expanded.replace(at, 1, std::size_t(tabSize_), u' ');
        const bool recorded = undoList_.BeginReplace({0, y}, {line.GetColumnCount(), y}, expanded, {0, y});
        line.SetText(expanded);
        if (recorded) undoList_.CommitAt({line.GetColumnCount(), y});
    }
    for (int above = y - 1; above >= 0; --above) {
        const TWCELine& l = *Line(above);
        const std::u16string& text = l.Text();
        int k = std::min(l.ColumnToChar(x), l.Length());
        // A non-blank left of x, then the blank before its run.
        int j = k - 1;
        while (j >= 0 && IsBlank(text[std::size_t(j)]))
            --j;
        if (j < 0) continue;
        while (j >= 0 && !IsBlank(text[std::size_t(j)]))
            --j;
        return j < 0 ? 0 : l.CharToColumn(j + 1);
    }
    return 0;
}

void TWideCodeEditModel::Backspace() {
    if (SelectionAvailable()) {
        DeleteRange(selStart_, selEnd_);
        return;
    }
    if (content_.Count() == 0) return;
    TWCELine& line = *Line(caret_.Y);
    if (caret_.X > line.GetColumnCount()) {
        const bool recorded = undoList_.BeginCaret();
        SetCaretX(line.PrevColumn(caret_.X));
        SetBlockBegin(caret_);
        if (recorded) undoList_.Commit();
        return;
    }
    const int k = line.ColumnToChar(caret_.X);
    if (k == 0) {
        if (caret_.X == 0) {
            if (caret_.Y > 0) DeleteRange({LineColumns(caret_.Y - 1), caret_.Y - 1}, caret_);
        } else {
            DeleteRange({0, caret_.Y}, {line.CharToColumn(1), caret_.Y});
        }
        return;
    }
    const std::u16string& text = line.Text();
    const bool onlyBlanks = std::all_of(text.begin(), text.begin() + std::min(k, line.Length()), IsBlank);
    if (options_.Contains(eoAutoUnindent) && onlyBlanks) {
        const int from = caret_.X;
        DeleteRange({UnindentColumn(from, caret_.Y), caret_.Y}, {from, caret_.Y});
        return;
    }
    if (line.CharToColumn(k) < caret_.X) {
        // Inside a tab: that tab goes.
        DeleteRange({line.CharToColumn(k), caret_.Y}, {line.CharToColumn(k + 1), caret_.Y});
        return;
    }
    // The character before the caret; a surrogate pair as one.
    DeleteRange({line.SnapColumn(line.CharToColumn(k - 1)), caret_.Y}, caret_);
}

void TWideCodeEditModel::DeleteChar() {
    if (SelectionAvailable()) {
        DeleteRange(selStart_, selEnd_);
        return;
    }
    if (content_.Count() == 0) return;
    TWCELine& line = *Line(caret_.Y);
    const TPoint old = caret_;
    if (caret_.X < line.GetColumnCount()) {
        const int k = line.ColumnToChar(caret_.X);
        DeleteRange({line.CharToColumn(k), caret_.Y},
                    {line.NextColumn(line.CharToColumn(k), true), caret_.Y});
    } else if (caret_.Y < content_.Count() - 1) {
        // Joined with the next line, padded up to the caret.
        const int padding = caret_.X - line.GetColumnCount();
        const std::u16string spaces(std::size_t(padding), u' ');
        const bool recorded = undoList_.BeginReplace({line.GetColumnCount(), caret_.Y}, {0, caret_.Y + 1},
                                                     spaces, {line.GetColumnCount(), caret_.Y});
        SetSelection({line.GetColumnCount(), caret_.Y}, {0, caret_.Y + 1});
        InsertText(spaces);
        if (recorded) undoList_.CommitAt(old);
    }
    caret_ = old;
    SetSelection(old, old);
    AnnounceCaret();
}

// The caret line goes as one deletion that the line hooks and bookmarks follow.
void TWideCodeEditModel::DeleteLine() {
    const int count = content_.Count();
    if (count == 0) return;
    const int y = caret_.Y;
    TPoint from{0, y}, to{0, y + 1};
    if (y == count - 1) {
        from = y > 0 ? TPoint{LineColumns(y - 1), y - 1} : TPoint{0, 0};
        to = {LineColumns(y), y};
    }
    const bool recorded = undoList_.BeginDelete(from, to);
    if (OnLinesDeleted) OnLinesDeleted(y, 1);
    if (count == 1)
        Line(0)->SetText(u"");
    else
        content_.DeleteLine(y);
    MoveBookmarks(y > 0 && y == count - 1 ? y - 1 : y, -1, y == count - 1 ? y : y + 1);
    caret_ = {0, std::min(y, content_.Count() - 1)};
    SetSelection(caret_, caret_);
    AnnounceCaret();
    RescanFrom(std::max(y - 1, 0));
    UpdateGutterWidth();
    view_->InvalidateLines(y, content_.Count());
    if (recorded) undoList_.Commit();
}

// ---- line breaks and indenting

void TWideCodeEditModel::LineBreak(bool moveCaret) {
    if (content_.Count() == 0) content_.AddLine(u"");
    const int y = SelectionAvailable() ? selStart_.Y : caret_.Y;
    const TPoint at = SelectionAvailable() ? selStart_ : caret_;
    // The new line starts at the indent of the nearest non-empty line at or above (only when the
    // break is not at the line start); the indent is part of the inserted text, so undo removes it.
    std::u16string text = u"\r\n";
    int indent = 0;
    if (moveCaret && options_.Contains(eoAutoIndent) && at.X > 0) {
        for (int above = y; above >= 0; --above) {
            const TWCELine& l = *Line(above);
            const std::u16string& t =
                above == y ? l.Text().substr(0, std::size_t(std::min(l.ColumnToChar(at.X), l.Length())))
                           : l.Text();
            if (core::WideTrimUnicode(t).empty()) continue;
            indent = l.CharToColumn(LeadingBlanks(t));
            break;
        }
        text.append(std::size_t(indent), u' ');
    }
    const bool recorded = BeginTyping(text);
    InsertText(text);
    const TPoint end = blockEnd_;
    SetSelection(end, end);
    if (moveCaret) {
        caret_ = end;
    } else {
        caret_ = at;
        SetSelection(at, at);
    }
    AnnounceCaret();
    view_->InvalidateLines(std::max(y - 1, 0), content_.Count());
    if (recorded) undoList_.CommitAt(end);
}

void TWideCodeEditModel::BlockIndent(bool indent) {
    if (!SelectionAvailable()) return;
    const TPoint s = selStart_, e = selEnd_;
    const int last = e.X == 0 ? e.Y - 1 : e.Y;
    std::u16string leading;
    for (int y = s.Y; y <= last; ++y)
        leading.append(Line(y)->Text(), 0, std::size_t(LeadingBlanks(Line(y)->Text()))).append(u"\r\n");
    const bool recorded =
        indent ? undoList_.BeginIndent(s, e, leading) : undoList_.BeginUnindent(s, e, leading);
    BeginUpdate();
    for (int y = s.Y; y <= last; ++y) {
        TWCELine& line = *Line(y);
        std::u16string text = ExpandLeadingTabs(line.Text(), tabSize_);
        if (indent)
            text.insert(0, std::size_t(indentSize_), u' ');
        else
            text.erase(0, std::size_t(std::min(indentSize_, LeadingBlanks(text))));
        line.SetText(std::move(text));
    }
    const int delta = indent ? indentSize_ : -indentSize_;
    auto place = [&](TPoint p, bool first) {
        if (first || p.X > 0) p.X += delta;
        if (p.Y <= last) {
            const TWCELine& line = *Line(p.Y);
            p.X = std::clamp(p.X, line.CharToColumn(LeadingBlanks(line.Text())), line.GetColumnCount());
        }
        return std::max(p.X, 0);
    };
    const bool anchorFirst = !PointBefore(blockEnd_, blockBegin_);
    TPoint begin = blockBegin_, end = blockEnd_;
    begin.X = place(begin, anchorFirst);
    end.X = place(end, !anchorFirst);
    SetSelection(begin, end);
    caret_ = selEnd_;
    EndUpdate();
    if (recorded) undoList_.CommitAt(selEnd_);
}

// ---- undo and redo

bool TWideCodeEditModel::CanUndo() const {
    return options_.Contains(eoUseUndoRedo) && !ReadOnly() && undoList_.CanUndo();
}

bool TWideCodeEditModel::CanRedo() const {
    return options_.Contains(eoUseUndoRedo) && !ReadOnly() && undoList_.CanRedo();
}

void TWideCodeEditModel::Undo() {
    if (!CanUndo()) return;
    BeginUpdate();
    uint8_t group;
    do {
        const TChange& change = undoList_.StepBack();
        group = change.Group;
        switch (change.Kind) {
        case ckInsert:
        case ckDragCopy:
            SetSelection(change.Target, change.TargetEnd);
            InsertText({});
            break;
        case ckDelete:
            SetSelection(change.Start, change.Start);
            InsertText(change.OldText);
            break;
        case ckReplace:
            SetSelection(change.Target, change.TargetEnd);
            InsertText(change.OldText);
            break;
        case ckDragMove: {
            // Target is where the text went once it had left Start..End: taking it out first leaves
            // the text in which Start is still right.
            SetSelection(change.Target, change.TargetEnd);
            const std::u16string moved = GetSelectedText();
            InsertText({});
            SetSelection(change.Start, change.Start);
            InsertText(moved);
            break;
        }
        case ckIndent:
        case ckUnindent: {
            // Every line of the block gets its leading white space back.
            const std::vector<std::u16string_view> leading = SplitLines(change.OldText);
            for (std::size_t i = 0; i < leading.size(); ++i) {
                TWCELine& line = *Line(change.Target.Y + int(i));
                const std::u16string& text = line.Text();
                line.SetText(std::u16string(leading[i]) + text.substr(std::size_t(LeadingBlanks(text))));
            }
            break;
        }
        default:
            break;
        }
        SetSelection(change.Before.SelStart, change.Before.SelEnd);
        caret_ = change.Before.Caret;
    } while (options_.Contains(eoGroupUndo) && undoList_.CanUndo() && undoList_.UndoGroup() == group);
    EndUpdate();
}

void TWideCodeEditModel::Redo() {
    if (!CanRedo()) return;
    BeginUpdate();
    uint8_t group;
    do {
        const TChange& change = undoList_.StepForward();
        group = change.Group;
        switch (change.Kind) {
        case ckInsert:
            SetSelection(change.Target, change.Target);
            InsertText(change.NewText);
            break;
        case ckDelete:
            SetSelection(change.Start, change.End);
            InsertText({});
            break;
        case ckReplace:
            SetSelection(change.Start, change.End);
            InsertText(change.NewText);
            break;
        case ckDragMove: {
            SetSelection(change.Start, change.End);
            const std::u16string moved = GetSelectedText();
            InsertText({});
            SetSelection(change.Target, change.Target);
            InsertText(moved);
            break;
        }
        case ckDragCopy: {
            const std::u16string copied = content_.GetTextRange(change.Start, change.End);
            SetSelection(change.Target, change.Target);
            InsertText(copied);
            break;
        }
        case ckIndent:
        case ckUnindent:
            SetSelection(change.Target, change.TargetEnd);
            BlockIndent(change.Kind == ckIndent);
            break;
        default:
            break;
        }
        SetSelection(change.After.SelStart, change.After.SelEnd);
        caret_ = change.After.Caret;
    } while (options_.Contains(eoGroupUndo) && undoList_.CanRedo() && undoList_.RedoGroup() == group);
    EndUpdate();
}

} // namespace editor
