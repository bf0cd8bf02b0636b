#include "editor/WideCodeEdit.h"

#include "editor/WCEGradient.h"
#include "editor/WCEHighlighter.h"
#include "imaging/uPngResources.h"
#include "imaging/uProgramArtwork.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Clock.h"
#include "platform/ui/DragManager.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Mouse.h"
#include "platform/ui/TextLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

namespace editor {

using namespace ui;

namespace {

constexpr TColor clDefaultColor = 0x20000000;

// The key map's modifier bits of a key stroke.
editor::TShiftState KeyShift(ui::TShiftState shift) {
    return uint8_t((shift.Contains(ui::ssShift) ? editor::ssShift : 0) |
                   (shift.Contains(ui::ssAlt) ? editor::ssAlt : 0) |
                   (shift.Contains(ui::ssCtrl) ? editor::ssCtrl : 0));
}

TColor Resolve(TColor color, TColor fallback) {
    return color == clDefaultColor ? fallback : color;
}

// The ten bookmark glyphs, loaded once for the program's life; a missing one stays null.
const imaging::TPNGObject* BookmarkGlyph(int index) {
    static const auto glyphs = [] {
        std::array<std::unique_ptr<imaging::TPNGObject>, TWideCodeEditModel::kBookmarkCount> loaded;
        for (std::size_t k = 0; k < loaded.size(); ++k)
            loaded[k] = imaging::LoadPngResource(u"GUTTER_BOOKMARK_" + std::u16string(1, char16_t(u'0' + k)));
        return loaded;
    }();
    return glyphs.at(std::size_t(index)).get();
}

void InstallDragCursors() {
    static const bool installed = [] {
        imaging::ProgramArtwork(); // puts the cursors among the resources
        ScreenCursors().Set(TCustomWideCodeEdit::crDragMove, LoadCursorResource("DRAGMOVE"));
        ScreenCursors().Set(TCustomWideCodeEdit::crDragCopy, LoadCursorResource("DRAGCOPY"));
        return true;
    }();
    (void)installed;
}

} // namespace

// A run of a line's characters in one set of colours.
struct TCustomWideCodeEdit::TPiece {
    int first = 0; // character indexes, end exclusive
    int end = 0;
    TColor fg = 0;
    TColor bg = 0;
    TFontStyles style;
};

TCustomWideCodeEdit::TCustomWideCodeEdit(TComponent* owner)
    : TCustomControl(owner), lineNumberFont_(std::make_unique<TFont>()) {
    SetBounds(0, 0, 200, 150);
    SetColor(clWindow);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    SetCursor(crIBeam);
    SetParentFont(false);
    Font()->SetName("Courier New");
    Font()->SetSize(10);
    lineNumberFont_->SetName("Courier New");
    lineNumberFont_->SetSize(8);
    model_.SetView(this);
    model_.SetClipboard(&clipboard_);
    InstallDragCursors();
    MeasureFont();
}

TCustomWideCodeEdit::~TCustomWideCodeEdit() {
    model_.SetView(nullptr);
}

int TCustomWideCodeEdit::BookmarkGlyphWidth() {
    const imaging::TPNGObject* glyph = BookmarkGlyph(0);
    RTL_ASSERT(glyph);
    return glyph->Width();
}

// ---- metrics

void TCustomWideCodeEdit::MeasureFont() {
    TBitmap probe;
    probe.SetSize(1, 1);
    TCanvas& canvas = *probe.Canvas();
    TFont bold;
    bold.Assign(Font());
    bold.SetStyle({fsBold, fsItalic});
    canvas.SetFont(&bold);
    const TTextMetric metric = canvas.TextMetrics();
    model_.SetCharWidth(std::max(metric.tmAveCharWidth, 1));
    model_.SetLineHeight(metric.tmHeight + metric.tmExternalLeading);
    canvas.SetFont(lineNumberFont_.get());
    model_.SetLineNumberCharWidth(canvas.TextWidth(std::u16string_view(u"W")));
    UpdateClientSize();
}

void TCustomWideCodeEdit::UpdateClientSize() {
    model_.SetClientSize(ClientWidth(), ClientHeight());
}

void TCustomWideCodeEdit::ApplyFont() {
    TCustomControl::ApplyFont();
    MeasureFont();
    Invalidate();
}

void TCustomWideCodeEdit::BoundsChanged() {
    TCustomControl::BoundsChanged();
    UpdateClientSize();
    model_.SetTopLine(model_.TopLine());
    UpdateScrollBars();
}

void TCustomWideCodeEdit::CreateWnd() {
    TCustomControl::CreateWnd();
    SetImeEnabled(true);
    SetScrollBarDisableNoScroll(SB_VERT, true);
    SetScrollBarDisableNoScroll(SB_HORZ, true);
    UpdateClientSize();
    UpdateScrollBars();
}

// ---- view

void TCustomWideCodeEdit::InvalidateLines(int first, int last) {
    if (!HandleAllocated()) return;
    const int top = model_.TopLine() - 1;
    first = std::max(first, top);
    last = std::min(last, top + model_.LinesInWindow() + 1);
    if (first > last) return;
    const int h = model_.LineHeight();
    InvalidateRect({0, (first - top) * h, ClientWidth(), (last - top + 1) * h});
}

void TCustomWideCodeEdit::ScrollLines(int) {
    Invalidate();
    ShowCaretAt();
}

void TCustomWideCodeEdit::SetRedraw(bool on) {
    if (on) Invalidate();
}

void TCustomWideCodeEdit::UpdateScrollBars() {
    if (!HandleAllocated() || model_.InUpdate() || ClientWidth() < 1) return;
    const int count = model_.Content().Count();
    const int lines = model_.LinesInWindow();
    TScrollInfo vert;
    if (lines > 0 && lines < count) vert = {0, count, lines + 1, model_.TopLine() - 1};
    SetScrollInfo(SB_VERT, vert);
    SetScrollInfo(SB_HORZ, {0, model_.WorkWidth() + model_.GutterWidth() - 1 + model_.CharWidth(),
                            ClientWidth(), -model_.LeftOffset()});
    ShowCaretAt(); // a horizontal scroll moves it too
}

// The caret's size and its offset in the cell for the current shape.
void TCustomWideCodeEdit::UpdateCaret() {
    if (!HandleAllocated()) return;
    const bool readOnly = model_.ReadOnly() && !model_.Options().Contains(eoShowCursorWhileReadOnly);
    if (caretCreated_) DestroyCaret();
    caretCreated_ = false;
    if (!Focused() || readOnly) return;
    const int cw = model_.CharWidth(), high = model_.LineHeight() - 2;
    TPoint size{cw, high};
    caretOffset_ = {0, 0};
    switch (model_.CaretType()) {
    case ctVerticalLine:
        size.X = 2;
        break;
    case ctHorizontalLine:
        size.Y = 2;
        caretOffset_.Y = high;
        break;
    case ctHalfBlock: // the lower half of the cell
        size.Y = high / 2;
        caretOffset_.Y = high - size.Y;
        break;
    case ctBlock:
        break;
    }
    CreateCaret(size.X, size.Y);
    caretCreated_ = true;
    caretShown_ = false; // a new caret starts hidden
    ShowCaretAt();
}

// The caret hides while its cell lies outside the text area.
void TCustomWideCodeEdit::ShowCaretAt() {
    if (!caretCreated_) return;
    const int x = model_.CaretXPix() + kTextMargin - 1, y = model_.CaretYPix();
    SetCaretPos(x + caretOffset_.X, y + caretOffset_.Y);
    const bool inside =
        x >= TextLeftEdge() - 1 && x <= ClientWidth() && y >= 0 && y <= ClientHeight() - model_.LineHeight();
    if (inside == caretShown_) return;
    caretShown_ = inside;
    inside ? ShowCaret() : HideCaret();
}

bool TCustomWideCodeEdit::SelectionVisible() const {
    const TWideCodeEditOptions& o = model_.Options();
    if (!model_.SelectionAvailable()) return false;
    const bool focused = Focused();
    return (focused && !o.Contains(eoReadOnly)) || (focused && o.Contains(eoReadOnlySelection)) ||
           (!o.Contains(eoHideSelection) && !o.Contains(eoReadOnly)) ||
           (o.Contains(eoReadOnlySelection) && !o.Contains(eoHideSelection));
}

// ---- painting

// The gutter is painted last, over whatever text a horizontal scroll moved under it.
void TCustomWideCodeEdit::Paint() {
    TCanvas& canvas = *Canvas();
    const TRect clip = canvas.ClipRect();
    canvas.SetFont(Font());
    PaintLines(canvas, clip);
    // The margin beside the gutter stays blank, also where scrolled text would reach into it.
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(IntersectRect(clip, {model_.GutterWidth(), clip.Top, TextLeftEdge(), clip.Bottom}));
    PaintGutter(canvas, clip);
    if (OnPaint) OnPaint(*this, canvas);
    ShowCaretAt();
}

void TCustomWideCodeEdit::StartHighlighter(int line) {
    TWCEHighlighter& h = *model_.HighLighter();
    const TWCELine& l = *model_.Content().GetLine(line);
    h.SetLine(l.Text());
    if (line > 0) h.SetRange(l.Range);
    h.Next();
}

void TCustomWideCodeEdit::StoreNextRange(int line) {
    TWCEHighlighter& h = *model_.HighLighter();
    while (h.TokenAvailable())
        h.Next();
    if (line + 1 < model_.Content().Count()) model_.Content().GetLineRaw(line + 1)->Range = h.GetRange();
}

void TCustomWideCodeEdit::ScanUpTo(int line) {
    for (int i = model_.ScannedUpTo(); i < line; ++i) {
        StartHighlighter(i);
        StoreNextRange(i);
    }
    model_.SetScannedUpTo(std::max(model_.ScannedUpTo(), line));
}

void TCustomWideCodeEdit::PaintLines(TCanvas& canvas, const TRect& clip) {
    const int h = model_.LineHeight();
    const int count = model_.Content().Count();
    const int first = clip.Top / h + model_.TopLine() - 1;
    const int last = std::min(clip.Bottom / h + model_.TopLine(), count - 1);
    const bool syntax = model_.HighLighter() && model_.Options().Contains(eoUseSyntax);
    if (syntax && first > 0) ScanUpTo(std::min(first, count));
    int y = h * (clip.Top / h);
    for (int i = first; i <= last; ++i, y += h)
        PaintRow(canvas, clip, i, y);
    if (syntax && last >= 0) model_.SetScannedUpTo(std::max(model_.ScannedUpTo(), last));
    canvas.Brush()->SetColor(Color());
    canvas.FillRect({clip.Left, std::max(y, clip.Top), clip.Right, clip.Bottom});
    const int margin = model_.RightMargin() * model_.CharWidth() + TextOrigin();
    canvas.Pen()->SetColor(model_.MarginColor());
    canvas.MoveTo(margin, clip.Top);
    canvas.LineTo(margin, clip.Bottom);
}

void TCustomWideCodeEdit::PaintRow(TCanvas& canvas, const TRect& clip, int i, int y) {
    const TWCELine& line = *model_.Content().GetLine(i);
    const bool syntax = model_.HighLighter() && model_.Options().Contains(eoUseSyntax);
    const auto lineStyle = line.GetStyle();

    // Selected characters of this line, [selFirst, selEnd).
    int selFirst = 0, selEnd = 0;
    bool selectedToEnd = false;
    if (SelectionVisible() && i >= model_.SelStart().Y && i <= model_.SelEnd().Y) {
        selFirst = i == model_.SelStart().Y ? line.ColumnToChar(model_.SelStart().X) : 0;
        selEnd = i == model_.SelEnd().Y ? line.ColumnToChar(model_.SelEnd().X) : line.Length();
        selectedToEnd = i < model_.SelEnd().Y;
    }
    const auto colours = [&](TColor fg, TColor bg, bool selected, TFontStyles& style) {
        if (selected) {
            fg = model_.SelectedColor().GetForeground();
            bg = model_.SelectedColor().GetBackground();
            if (lineStyle) {
                if (lineStyle->LineForeground() != clDefaultColor) bg = lineStyle->LineForeground();
                if (lineStyle->LineBackground() != clDefaultColor) fg = lineStyle->LineBackground();
            }
            if (syntax && model_.OnGetLineColors) model_.OnGetLineColors(model_, i, bg, fg);
        } else {
            if (lineStyle) {
                if (lineStyle->LineForeground() != clDefaultColor) fg = lineStyle->LineForeground();
                if (lineStyle->LineBackground() != clDefaultColor) bg = lineStyle->LineBackground();
                if (lineStyle->LineForcesFontStyles()) style = lineStyle->LineFontStyles();
            }
            if (syntax && model_.OnGetLineColors) model_.OnGetLineColors(model_, i, fg, bg);
        }
        return std::pair{Resolve(fg, Font()->Color()), Resolve(bg, Color())};
    };
    // One piece per token part before, inside and after the selection.
    const auto paintSplit = [&](int start, int end, TColor fg, TColor bg, TFontStyles style) {
        const int cuts[] = {start, std::clamp(selFirst, start, end), std::clamp(selEnd, start, end), end};
        for (int k = 0; k < 3; ++k) {
            if (cuts[k] >= cuts[k + 1]) continue;
            TFontStyles s = style;
            const auto [f, b] = colours(fg, bg, k == 1, s);
            PaintPiece(canvas, clip, line, {cuts[k], cuts[k + 1], f, b, s}, y);
        }
    };
    if (syntax) {
        StartHighlighter(i);
        TWCEHighlighter& h = *model_.HighLighter();
        for (; h.TokenAvailable(); h.Next()) {
            TTokenInfo token;
            h.GetTokenInfo(token);
            const int x = TextOrigin() + line.CharToColumn(token.Start) * model_.CharWidth();
            if (x > clip.Right) break;
            paintSplit(token.Start, token.Start + token.Length, token.Foreground, token.Background,
                       token.Style);
        }
    } else {
        paintSplit(0, line.Length(), Font()->Color(), Color(), Font()->Style());
    }
    TFontStyles unused;
    const TColor rest = colours(Font()->Color(), Color(), selectedToEnd, unused).second;
    const int x = std::max(clip.Left, TextOrigin() + line.GetColumnCount() * model_.CharWidth());
    canvas.Brush()->SetColor(rest);
    canvas.FillRect({x, y, clip.Right, y + model_.LineHeight()});
    if (model_.Options().Contains(eoShowControlChars)) {
        canvas.Font()->SetColor(selectedToEnd
                                    ? Resolve(model_.SelectedColor().GetForeground(), Font()->Color())
                                    : Font()->Color());
        PaintSymbol(canvas, {x, y, x + model_.CharWidth(), y + model_.LineHeight()}, kLineEndSymbol);
    }
    if (syntax) StoreNextRange(i);
}

// Every character in its own cell at its display width; control characters as spaces.
void TCustomWideCodeEdit::PaintPiece(TCanvas& canvas, const TRect& clip, const TWCELine& line,
                                     const TPiece& piece, int y) {
    const int cw = model_.CharWidth();
    const int textLeft = TextOrigin();
    const int x = textLeft + line.CharToColumn(piece.first) * cw;
    std::u16string text;
    std::vector<int> advances;
    int right = x;
    for (int k = piece.first; k < piece.end && right <= clip.Right; ++k) {
        const char16_t c = line.Text()[std::size_t(k)];
        text.push_back(c < 0x20 ? u' ' : c);
        advances.push_back((line.CharToColumn(k + 1) - line.CharToColumn(k)) * cw);
        right += advances.back();
    }
    if (text.empty()) return;
    canvas.Font()->SetStyle(piece.style);
    canvas.Font()->SetColor(piece.fg);
    canvas.Brush()->SetColor(piece.bg);
    const TRect cell{x, y, right, y + model_.LineHeight()};
    canvas.ExtTextOut(x, y, ETO_OPAQUE, &cell, text, advances.data());
    if (!model_.Options().Contains(eoShowControlChars)) return;
    int left = x;
    for (std::size_t k = 0; k < text.size(); left += advances[k], ++k) {
        const char16_t c = line.Text()[std::size_t(piece.first) + k];
        if (c == u' ' || c == u'\t')
            PaintSymbol(canvas, {left, y, left + advances[k], y + model_.LineHeight()},
                        c == u' ' ? kSpaceSymbol : kTabSymbol);
    }
}

// A control character's symbol centred in its cell, over the cell's background.
void TCustomWideCodeEdit::PaintSymbol(TCanvas& canvas, TRect cell, char16_t symbol) {
    canvas.Brush()->SetStyle(bsClear);
    const char16_t text[] = {symbol, 0};
    canvas.DrawText(text, cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    canvas.Brush()->SetStyle(bsSolid);
}

void TCustomWideCodeEdit::PaintGutter(TCanvas& canvas, const TRect& clip) {
    const int gw = model_.GutterWidth();
    if (gw <= 0 || clip.Left >= gw) return;
    const int h = model_.LineHeight();
    const TRect gutter{0, clip.Top, gw, clip.Bottom};
    GradientFillRect(canvas, gutter, kGutterLeft, true, kGutterRight);
    const TColor edges[] = {kGutterShadow, kGutterLeft, kGutterRight};
    for (int k = 0; k < 3; ++k) {
        canvas.Pen()->SetColor(edges[k]);
        canvas.MoveTo(gw - 3 + k, clip.Top);
        canvas.LineTo(gw - 3 + k, clip.Bottom);
    }
    const int count = model_.Content().Count();
    const int first = clip.Top / h + model_.TopLine() - 1;
    const int last = std::min(clip.Bottom / h + model_.TopLine(), count - 1);
    const bool numbers = model_.Options().Contains(eoLineNumbers);
    const int base = model_.Options().Contains(eoLineNumbersZeroBased) ? 0 : 1;
    canvas.SetFont(lineNumberFont_.get());
    canvas.Brush()->SetStyle(bsClear);
    int y = h * (clip.Top / h);
    for (int i = first; i <= last; ++i, y += h) {
        if (numbers) {
            const int shown = i + base;
            const bool caretLine = i == model_.CaretY();
            const bool full = shown == 1 || caretLine || shown % 5 == 0;
            const std::u16string text = full ? rtl::Utf8ToUtf16(std::to_string(shown)) : u"\u2022";
            canvas.Font()->SetColor(caretLine ? kGutterShadow : lineNumberFont_->Color());
            TRect r{0, y, gw - 5, y + h};
            canvas.DrawText(text, r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        model_.Content().GetLineRaw(i)->PaintMarkers(i, canvas, 0, y);
        if (model_.OnGutterPaint) model_.OnGutterPaint(model_, canvas, i, 0, y);
    }
    canvas.Brush()->SetStyle(bsSolid);
    if (!model_.BookmarkOptions().GlyphsVisible) return;
    for (int k = 0; k < TWideCodeEditModel::kBookmarkCount; ++k) {
        const TBookmark& mark = model_.Bookmark(k);
        const imaging::TPNGObject* glyph = BookmarkGlyph(k);
        if (mark.Set && glyph && mark.Y >= first && mark.Y <= last)
            canvas.Draw(model_.BookmarkOptions().LeftMargin, h * (mark.Y - model_.TopLine() + 1), glyph);
    }
}

// ---- keyboard

void TCustomWideCodeEdit::KeyDown(uint16_t& key, ui::TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const TEditorCommand command =
        key ? model_.Keystrokes().TranslateKey(key, KeyShift(shift)) : TEditorCommand(ecNone);
    keyHandled_ = command != ecNone;
    if (!keyHandled_) return;
    key = 0;
    model_.CommandProcessor(command, 0, nullptr);
}

void TCustomWideCodeEdit::KeyPress(char16_t& key) {
    TCustomControl::KeyPress(key);
    if (keyHandled_ || key == 0) return;
    model_.CommandProcessor(ecChar, key, nullptr);
}

// ---- mouse

void TCustomWideCodeEdit::MouseDown(TMouseButton button, ui::TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    const TPoint at = TextPointAt(x, y);
    if (button == mbMiddle || (button == mbRight && model_.IsPointInSelection(at))) {
        StopTimer();
        return;
    }
    if (!Focused()) {
        SetFocus();
        if (model_.SelectionAvailable()) return;
    }
    if (x < model_.GutterWidth()) {
        if (OnGutterMouseDown) OnGutterMouseDown(*this, button, shift, x, y, at.Y);
        return;
    }
    // The first click of a double click placed the caret at the pointer already.
    if (button == mbLeft && shift.Contains(ui::ssDouble)) {
        lastDoubleClick_ = GetTickCount();
        tripleClickArmed_ = true;
        const auto word = model_.GetWordAndBounds(at);
        model_.SetBlockBegin(word.Start);
        model_.SetBlockEnd(word.End);
        model_.SetCaretXY(word.End);
        doubleClickSelecting_ = true;
        return;
    }
    if (tripleClickArmed_ && button == mbLeft && model_.Options().Contains(eoTripleClicks)) {
        tripleClickArmed_ = false;
        if (TicksBetween(lastDoubleClick_, GetTickCount()) < TMouse::DoubleClickTime()) {
            const int line = model_.CaretY();
            const TPoint end =
                line + 1 < model_.Content().Count() ? TPoint{0, line + 1} : model_.Content().GetEndPoint();
            model_.SetBlockBegin({0, line});
            model_.SetBlockEnd(end);
            model_.SetCaretXY(end);
            return;
        }
    }
    tripleClickArmed_ = false;
    dragOrigin_ = model_.GetCaretXY();
    const bool onSelection = model_.IsPointInSelection(at);
    model_.SetCaretXY(at);
    if (button == mbLeft && onSelection && !shift.Contains(ui::ssShift) && !shift.Contains(ui::ssAlt)) {
        pressOnSelection_ = true;
        BeginDrag(false);
        return;
    }
    if (shift.Contains(ui::ssShift))
        model_.SetBlockEnd(model_.GetCaretXY());
    else
        model_.SetBlockBegin(model_.GetCaretXY());
}

void TCustomWideCodeEdit::MouseMove(ui::TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    mousePos_ = {x, y};
    if (Dragging()) return; // the press on the selection is not a drag yet
    SetCursor(CursorAt(x, y));
    if (x < model_.GutterWidth() && !timerRunning_) return;
    if (shift.Contains(ui::ssLeft) && !doubleClickSelecting_ && TextPointAt(x, y) != dragOrigin_) {
        StartTimer();
        return;
    }
    StopTimer();
}

void TCustomWideCodeEdit::MouseUp(TMouseButton button, ui::TShiftState shift, int x, int y) {
    doubleClickSelecting_ = false;
    StopTimer();
    // A press on the selection released before it became a drag: a click that collapses it.
    if (std::exchange(pressOnSelection_, false)) model_.SetBlockBegin(model_.GetCaretXY());
    TCustomControl::MouseUp(button, shift, x, y);
}

TCursor TCustomWideCodeEdit::CursorAt(int x, int y) const {
    if (x < model_.GutterWidth()) return crArrow;
    return model_.IsPointInSelection(TextPointAt(x, y)) ? crArrow : crIBeam;
}

// ---- dragging text

void TCustomWideCodeEdit::DoStartDrag(TDragObject*& dragObject) {
    pressOnSelection_ = false;
    dragOver_ = false;
    TCustomControl::DoStartDrag(dragObject);
}

// Ctrl copies; within one editor the text moves, between editors it is copied unless Shift moves
// it. A read-only source is never cut.
bool TCustomWideCodeEdit::DropCopies(const TCustomWideCodeEdit& source) const {
    const ui::TShiftState shift = KeyboardShiftState();
    if (shift.Contains(ui::ssCtrl) || source.model_.ReadOnly()) return true;
    return &source != this && !shift.Contains(ui::ssShift);
}

bool TCustomWideCodeEdit::DragOver(TObject* source, int x, int y, TDragState state) {
    bool accept = TCustomControl::DragOver(source, x, y, state);
    dragOver_ = true;
    auto* editor = dynamic_cast<TCustomWideCodeEdit*>(source);
    if (!editor) return accept;
    mousePos_ = {x, y};
    if (state == dsDragLeave) {
        dropTracking_ = false;
        StopTimer();
        return accept;
    }
    if (state == dsDragEnter) {
        dropTracking_ = true;
        SetFocus();
        StartTimer();
    }
    // Text never lands on itself, nor in an editor that cannot take it.
    accept = !model_.ReadOnly() && (editor != this || !model_.IsPointInSelection(TextPointAt(x, y)));
    editor->SetDragCursor(DropCopies(*editor) ? crDragCopy : crDragMove);
    return accept;
}

void TCustomWideCodeEdit::DragDrop(TObject* source, int x, int y) {
    dropTracking_ = false;
    StopTimer();
    if (model_.ReadOnly()) return;
    TCustomControl::DragDrop(source, x, y);
    auto* editor = dynamic_cast<TCustomWideCodeEdit*>(source);
    if (!editor) return;
    // The drop lands where the pointer is, whether or not the timer caught up with it.
    const TPoint at = TextPointAt(x, y);
    if (editor == this)
        model_.DropSelection(at, DropCopies(*this));
    else
        DropText(*editor, at, !DropCopies(*editor));
}

// A drag that ended without a drop puts the caret back where it was before the press.
void TCustomWideCodeEdit::DoEndDrag(TObject* target, int x, int y) {
    TCustomControl::DoEndDrag(target, x, y);
    StopTimer();
    if (target) return;
    if (dragOver_)
        model_.SetCaretXY(dragOrigin_);
    else
        model_.SetBlockBegin(model_.GetCaretXY());
}

// Text dragged from another editor lands at `at`, replacing this editor's selection when dropped on it.
void TCustomWideCodeEdit::DropText(TCustomWideCodeEdit& source, TPoint at, bool move) {
    const std::u16string text = source.Model().GetSelectedText();
    if (!model_.IsPointInSelection(at)) {
        model_.SetCaretXY(at);
        model_.SetBlockBegin(model_.GetCaretXY());
    }
    model_.SetSelectedText(text);
    if (move) source.Model().SetSelectedText(u"");
}

void TCustomWideCodeEdit::StartTimer() {
    if (!timerRunning_) SetTimer(kScrollTimer, kScrollInterval);
    timerRunning_ = true;
}

void TCustomWideCodeEdit::StopTimer() {
    if (timerRunning_) KillTimer(kScrollTimer);
    timerRunning_ = false;
}

// Scrolls towards a pointer outside the window (faster the farther it is) and selects to it, or while
// text is dragged here, moves the caret to it.
void TCustomWideCodeEdit::AutoScroll() {
    const int h = model_.LineHeight();
    const TPoint p = mousePos_;
    model_.BeginUpdate();
    if (p.X < h) model_.SetLeftOffset(model_.LeftOffset() + (h - p.X));
    if (p.X > ClientWidth() - h) model_.SetLeftOffset(model_.LeftOffset() - (p.X - ClientWidth() + h));
    if (p.Y < h) model_.SetTopLine(model_.TopLine() - (h - p.Y + h - 1) / h);
    if (p.Y > ClientHeight() - h)
        model_.SetTopLine(model_.TopLine() + (p.Y - ClientHeight() + h + h - 1) / h);
    TPoint at = TextPointAt(p.X, p.Y);
    if (!model_.Options().Contains(eoScrollPastEOL))
        at.Y = std::min(at.Y, std::max(model_.Content().Count() - 1, 0));
    model_.EndUpdate();
    if (at != model_.GetCaretXY()) {
        if (!dropTracking_) model_.SetBlockEnd(at);
        model_.SetCaretXY(at);
    }
}

bool TCustomWideCodeEdit::DoMouseWheel(ui::TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    const int per = shift.Contains(ui::ssCtrl) ? model_.LinesInWindow() : TMouse::WheelScrollLines();
    model_.SetTopLine(model_.TopLine() - wheelDelta / 120 * per);
    Update();
    return true;
}

// ---- messages

void TCustomWideCodeEdit::HandleScroll(int bar, int code) {
    if (bar == SB_VERT) {
        const int lines = model_.LinesInWindow();
        switch (code) {
        case SB_LINEUP:
            model_.SetTopLine(model_.TopLine() - 1);
            break;
        case SB_LINEDOWN:
            model_.SetTopLine(model_.TopLine() + 1);
            break;
        case SB_PAGEUP:
            model_.SetTopLine(model_.TopLine() - lines);
            break;
        case SB_PAGEDOWN:
            model_.SetTopLine(model_.TopLine() + lines);
            break;
        case SB_TOP:
            model_.SetTopLine(1);
            break;
        case SB_BOTTOM:
            model_.SetTopLine(model_.Content().Count());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            model_.SetTopLine(GetScrollInfo(SB_VERT).trackPos + 1);
            if (code == SB_THUMBTRACK && model_.Options().Contains(eoShowScrollHint)) ShowScrollHint();
            break;
        case SB_ENDSCROLL:
            if (scrollHint_) scrollHint_->ReleaseHandle();
            break;
        default:
            break;
        }
        return;
    }
    const int cw = model_.CharWidth();
    switch (code) {
    case SB_LINELEFT:
        if (model_.LeftOffset() < 0) model_.SetLeftOffset(model_.LeftOffset() + cw);
        break;
    case SB_LINERIGHT:
        model_.SetLeftOffset(model_.LeftOffset() - cw);
        break;
    case SB_PAGELEFT:
        model_.SetLeftOffset(model_.LeftOffset() + ClientWidth() - model_.GutterWidth());
        break;
    case SB_PAGERIGHT:
        model_.SetLeftOffset(model_.LeftOffset() - ClientWidth() + model_.GutterWidth());
        break;
    case SB_LEFT:
        model_.SetLeftOffset(0);
        break;
    case SB_RIGHT:
        model_.SetLeftOffset(-model_.WorkWidth());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        model_.SetLeftOffset(-GetScrollInfo(SB_HORZ).trackPos);
        break;
    default:
        break;
    }
}

// The bars do not fill their own background, and the window paints no background of its own: without
// this the bars, and the corner between them, would show whatever the screen held there.
void TCustomWideCodeEdit::PaintScrollBarGround(TCanvas& canvas) {
    const TRect client = ClientRectInWindow();
    canvas.Brush()->SetColor(clBtnFace);
    canvas.FillRect({client.Right, 0, Width(), Height()});
    canvas.FillRect({0, client.Bottom, Width(), Height()});
}

// The top line beside the thumb, following it down the bar.
void TCustomWideCodeEdit::ShowScrollHint() {
    if (!scrollHint_) {
        scrollHint_ = std::make_unique<THintWindow>(nullptr);
        scrollHint_->SetName("Scroll");
    }
    scrollHint_->SetColor(model_.ScrollHintColor().GetBackground());
    scrollHint_->Font()->SetColor(model_.ScrollHintColor().GetForeground());
    const std::string text = std::to_string(model_.TopLine());
    TRect r = scrollHint_->CalcHintRect(2000, text, nullptr);
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    const int count = std::max(model_.Content().Count(), 1);
    const double travel = ClientHeight() - arrow - r.Height() - 8;
    const int top = (arrow + 8) / 2 + int(std::lround((model_.TopLine() - 1) * travel / count));
    const TPoint at = ClientToScreen({ClientWidth() - 2 - r.Width(), top});
    r = Bounds(at.X, at.Y, r.Width(), r.Height());
    scrollHint_->ActivateHint(r, text);
}

void TCustomWideCodeEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_GETDLGCODE:
        message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
        return;
    case WM_SYSCHAR:
        if (message.WParam == VK_BACK) return; // Alt+Backspace: no beep
        break;
    case WM_VSCROLL:
    case WM_HSCROLL:
        HandleScroll(message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, int(message.WParam & 0xFFFF));
        return;
    case WM_TIMER:
        if (message.WParam == kScrollTimer) {
            AutoScroll();
            return;
        }
        break;
    case WM_IME_COMPOSITION:
        // A committed result types like keys: read-only respected, one undo record.
        if (const auto* text = reinterpret_cast<const std::u16string*>(message.LParam);
            text && !text->empty()) {
            if (text->size() == 1)
                model_.CommandProcessor(ecChar, (*text)[0], nullptr);
            else if (!model_.ReadOnly())
                model_.SetSelectedText(*text);
            return;
        }
        break;
    case WM_NCPAINT:
        PaintScrollBarGround(*reinterpret_cast<TCanvas*>(message.LParam));
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TCustomControl::WndProc(message);
        UpdateCaret();
        UpdateScrollBars();
        if (model_.Options().Contains(eoHideSelection)) Invalidate();
        if (OnFocusChanged) OnFocusChanged(*this, message.Msg == WM_SETFOCUS);
        return;
    default:
        break;
    }
    TCustomControl::WndProc(message);
}

} // namespace editor
