// The code editor's model: text, caret, selection, search, bookmarks, plug-ins and commands.
#pragma once

#include "editor/WCEContent.h"
#include "editor/WCEEditorKeyCommands.h"
#include "editor/WCEUndo.h"
#include "platform/rtl/Set.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace editor {

class TWCEHighlighter;
class TWideCodeEditModel;

enum TWideCodeEditOption {
    eoAutoIndent,
    eoAutoUnindent,
    eoCursorThroughTabs,
    eoGroupUndo,
    eoHideSelection,
    eoInserting,
    eoKeepTrailingBlanks,
    eoLineNumbers,
    eoLineNumbersZeroBased,
    eoOptimalFill,
    eoReadOnly,
    eoReadOnlySelection,
    eoScrollPastEOL,
    eoShowControlChars,
    eoShowCursorWhileReadOnly,
    eoShowScrollHint,
    eoSmartTabs,
    eoTripleClicks,
    eoUndoAfterSave,
    eoUseUndoRedo,
    eoUseTabs,
    eoUseSyntax
};
using TWideCodeEditOptions = rtl::Set<TWideCodeEditOption, 32>;
inline const TWideCodeEditOptions kDefaultEditOptions{
    eoAutoIndent, eoAutoUnindent,  eoCursorThroughTabs, eoGroupUndo,    eoHideSelection,
    eoInserting,  eoScrollPastEOL, eoSmartTabs,         eoTripleClicks, eoUseSyntax};

// Bits of the options of SearchReplace.
enum TEditSearchOption : unsigned {
    esoBackward = 1,
    esoWholeText = 2,
    esoIgnoreMarks = 4,
    esoCaseSensitive = 8,
    esoPrompt = 16,
    esoPattern = 32,
    esoReplace = 64,
    esoReplaceAll = 128,
    esoInSelection = 256,
    esoCompressSpaces = 512,
    esoWholeWords = 1024
};
using TEditSearchOptions = unsigned;

enum TReplaceAction { raCancel, raSkip, raReplace, raReplaceAll };
enum TCaretType { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };

// A plug-in that installs its own hooks when attached to an editor.
class IWCEEditorPlugin {
public:
    virtual ~IWCEEditorPlugin() = default;
    virtual void Attach(TWideCodeEditModel* editor) = 0;
};

// The Unicode text clipboard as the editor sees it; the widget passes the system clipboard.
class IEditorClipboard {
public:
    virtual ~IEditorClipboard() = default;
    // Empty when the clipboard holds no text.
    virtual std::u16string GetText() = 0;
    virtual void SetText(const std::u16string& text) = 0;
};

// What the model asks of the window that shows it. Every operation may do nothing (headless use).
class IWideCodeEditView {
public:
    virtual ~IWideCodeEditView() = default;
    virtual void InvalidateLines(int first, int last) {}
    virtual void InvalidateAll() {}
    // The caret moved or changed shape: move or re-create the system caret.
    virtual void UpdateCaret() {}
    virtual void UpdateScrollBars() {}
    // The text scrolls by whole lines (positive: towards the end).
    virtual void ScrollLines(int delta) {}
    virtual void SetRedraw(bool on) {}
};

// One of the ten bookmarks; Y is -1 while unset.
struct TBookmark {
    bool Set = false;
    int X = 0;
    int Y = -1;
};

// Whether the bookmark keys work, and whether and where the gutter shows the bookmarks' glyphs.
struct TBookmarkOptions {
    static constexpr int kDefaultLeftMargin = 2;
    bool EnableKeys = true;
    bool GlyphsVisible = true;
    int LeftMargin = kDefaultLeftMargin;
};

// The state, properties and editing operations of the code editor, without any window. The widget
// shows it through IWideCodeEditView and feeds it commands; tests drive it directly.
class TWideCodeEditModel : private IEditorHost {
public:
    static constexpr int kBookmarkCount = 10;

    TWideCodeEditModel();
    ~TWideCodeEditModel() override;
    TWideCodeEditModel(const TWideCodeEditModel&) = delete;
    TWideCodeEditModel& operator=(const TWideCodeEditModel&) = delete;

    // ---- parts
    TWideCodeEditorContent& Content() override { return content_; }
    const TWideCodeEditorContent& Content() const { return content_; }
    TUndoList& UndoList() override { return undoList_; }
    TKeyStrokes& Keystrokes() { return keystrokes_; }
    // Copies the whole map; none empties it.
    void SetKeystrokes(const TKeyStrokes* keys);
    virtual void SetDefaultKeystrokes() { keystrokes_.ResetDefaults(); }
    void SetView(IWideCodeEditView* view) { view_ = view ? view : &nullView_; }
    void SetClipboard(IEditorClipboard* clipboard) { clipboard_ = clipboard; }
    TWCEHighlighter* HighLighter() const { return highlighter_; }
    // Registers with the new highlighter's editors and restarts highlighting at line 0.
    void SetHighLighter(TWCEHighlighter* highlighter);
    // The highlighter is being freed.
    void HighlighterFreed(TWCEHighlighter* highlighter);

    // ---- metrics (the widget measures its font; tests set them)
    int CharWidth() const override { return charWidth_; }
    void SetCharWidth(int width);
    int LineHeight() const { return lineHeight_; }
    void SetLineHeight(int height) { lineHeight_ = std::max(height, 1); }
    void SetClientSize(int width, int height);
    int CharsInWindow() const { return (clientWidth_ - gutterWidth_ + 2) / charWidth_; }
    int LinesInWindow() const { return clientHeight_ / lineHeight_; }
    // Width of "W" in the line-number font.
    void SetLineNumberCharWidth(int width) { lineNumberCharWidth_ = width; }

    // ---- properties
    const TWideCodeEditOptions& Options() const { return options_; }
    void SetOptions(const TWideCodeEditOptions& options);
    bool ReadOnly() const { return options_.Contains(eoReadOnly); }
    int TabSize() const override { return tabSize_; }
    void SetTabSize(int size);
    int IndentSize() const { return indentSize_; }
    void SetIndentSize(int size) { indentSize_ = std::max(size, 1); }
    int MaxUndo() const { return undoList_.MaxUndo(); }
    void SetMaxUndo(int n) {
        if (n >= 0) undoList_.SetMaxUndo(n);
    }
    int WorkWidth() const override { return workWidth_; }
    void SetWorkWidth(int width) override {
        workWidth_ = width < 0 ? TWideCodeEditorContent::kDefaultWorkWidth : width;
    }
    int GutterWidth() const { return gutterWidth_; }
    void SetGutterWidth(int width);
    // The gutter is the line numbers (only with eoLineNumbers) plus the owner's extra width.
    void SetGutterExtraWidth(int width);
    int RightMargin() const { return rightMargin_; }
    void SetRightMargin(int margin) { rightMargin_ = margin; }
    TColor MarginColor() const { return marginColor_; }
    void SetMarginColor(TColor color);
    TCaretType InsertCaret() const { return insertCaret_; }
    void SetInsertCaret(TCaretType type);
    TCaretType OverwriteCaret() const { return overwriteCaret_; }
    void SetOverwriteCaret(TCaretType type);
    // The shape the caret has in the current mode.
    TCaretType CaretType() const { return options_.Contains(eoInserting) ? insertCaret_ : overwriteCaret_; }
    TWCELineStyle& SelectedColor() { return selectedColor_; }
    TWCELineStyle& ScrollHintColor() { return scrollHintColor_; }
    const TBookmarkOptions& BookmarkOptions() const { return bookmarkOptions_; }
    void SetBookmarkOptions(const TBookmarkOptions& options);

    // ---- text
    std::u16string GetText() const { return content_.GetText(); }
    void SetText(std::u16string_view text);
    std::u16string GetCaretLineText() const;
    void SetCaretLineText(std::u16string text);
    bool Modified() const { return content_.Modified(); }
    void SetModified(bool value) { content_.SetModified(value); }
    void ClearAll() { CommandProcessor(ecClearAll, 0, nullptr); }

    // ---- caret and selection (positions in display columns)
    int CaretX() const { return caret_.X; }
    int CaretY() const { return caret_.Y; }
    TPoint GetCaretXY() const { return caret_; }
    void SetCaretX(int x);
    void SetCaretY(int y);
    // Moves the caret as one recorded caret move, announcing it once.
    void SetCaretXY(TPoint p);
    TPoint BlockBegin() const { return blockBegin_; }
    TPoint BlockEnd() const { return blockEnd_; }
    void SetBlockBegin(TPoint p);
    void SetBlockEnd(TPoint p);
    TPoint SelStart() const { return selStart_; }
    TPoint SelEnd() const { return selEnd_; }
    // Text offsets (every line break counts two) for the selection's ends.
    void SetSelStart(int offset);
    void SetSelEnd(int offset);
    bool SelectionAvailable() const;
    bool IsPointInSelection(TPoint p) const;
    void SelectAll();
    std::u16string GetSelectedText() const;
    // Replaces the selection as one record and leaves the caret after the new text.
    void SetSelectedText(std::u16string_view text);

    int PointToCharOffset(TPoint p) const;
    TPoint CharOffsetToPoint(int offset) const;
    struct TWordBounds {
        std::u16string Word;
        TPoint Start, End;
    };
    TWordBounds GetWordAndBounds(TPoint p) const;
    virtual TPoint NextWordPos() const;
    virtual TPoint PrevWordPos() const;
    // Identifier characters of the highlighter, or a fixed set.
    bool IsWordChar(char16_t c) const;

    // ---- view
    void Repaint() override { view_->InvalidateAll(); }
    int TopLine() const { return topLine_; }
    void SetTopLine(int line);
    int LeftOffset() const { return leftOffset_; }
    void SetLeftOffset(int pixels);
    // Column and line under a client pixel.
    TPoint PixelsToColumnLine(int x, int y) const;
    int CaretXPix() const { return caret_.X * charWidth_ + gutterWidth_ + leftOffset_; }
    int CaretYPix() const { return (caret_.Y - topLine_ + 1) * lineHeight_; }
    void EnsureCaretVisible();

    // ---- update bracket: no redraw, no undo records, one caret event at the end
    void BeginUpdate() override;
    void EndUpdate() override;
    bool InUpdate() const override { return updateCount_ > 0; }

    // ---- bookmarks
    const TBookmark& Bookmark(int index) const { return bookmarks_.at(std::size_t(index)); }
    void SetBookmark(int index, int x, int y);
    void ClearBookmark(int index);
    void GotoBookmark(int index);

    // ---- commands
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    // The one entry of every command; `data` is the position of ecGoto.
    virtual void CommandProcessor(TEditorCommand command, char16_t ch, const TPoint* data);
    // The clipboard operations of the widget; cut and paste respect read-only.
    void CutToClipboard() { CommandProcessor(ecCut, 0, nullptr); }
    void CopyToClipboard() { CommandProcessor(ecCopy, 0, nullptr); }
    void PasteFromClipboard() { CommandProcessor(ecPaste, 0, nullptr); }
    // Moves or copies the selected text to `target` (a position in the text as it is now), as one
    // record; nothing when the target lies inside the selection.
    void DropSelection(TPoint target, bool copy);
    // Finds and replaces; the number of matches.
    int SearchReplace(const std::u16string& search, const std::u16string& replace,
                      TEditSearchOptions options);

    // ---- highlighting state: the painter raises ScannedUpTo as it learns line ranges; a change of a
    // line above it, or of the highlighter, lowers it to that line (RescanFrom).
    int ScannedUpTo() const override { return scannedUpTo_; }
    void SetScannedUpTo(int line) { scannedUpTo_ = line; }
    void RescanFrom(int line) override;

    // ---- events (one handler each)
    std::function<void(TWideCodeEditModel& sender, int index, int x, int y, bool& allowed)> OnBookmarkChange;
    std::function<void(TWideCodeEditModel& sender, int x, int y)> OnCaretChange;
    std::function<void(TWideCodeEditModel& sender, TEditorCommand& command, char16_t& ch, const TPoint* data)>
        OnProcessCommand;
    std::function<void(TWideCodeEditModel& sender, TEditorCommand& command, char16_t& ch, const TPoint* data)>
        OnProcessUserCommand;
    std::function<void(TWideCodeEditModel& sender, const std::u16string& search,
                       const std::u16string& replace, int line, int start, int stop, TReplaceAction& action)>
        OnReplaceText;
    std::function<void(TWideCodeEditModel& sender, int deltaX, int deltaY)> OnScroll;
    std::function<void(TWideCodeEditModel& sender)> OnSettingChange;
    // Plug-in hooks.
    std::function<void(TWideCodeEditModel& sender, ui::TCanvas& canvas, int line, int left, int top)>
        OnGutterPaint;
    std::function<void(TWideCodeEditModel& sender, int line, TColor& foreground, TColor& background)>
        OnGetLineColors;
    std::function<void(int firstLine, int count)> OnLinesDeleted;
    std::function<void(int firstLine, int count)> OnLinesInserted;

protected:
    virtual void DoCaretChange();
    virtual void DoScroll(int deltaX, int deltaY);
    virtual void DoSettingChange();
    virtual void DoProcessCommand(TEditorCommand& command, char16_t& ch, const TPoint* data);
    virtual std::u16string GetClipboardText();
    virtual void SetClipboardText(const std::u16string& text);

private:
    // IEditorHost
    bool CursorThroughTabs() const override { return options_.Contains(eoCursorThroughTabs); }
    TEditorState State() const override { return {caret_, selStart_, selEnd_}; }
    void ResetCaret() override;
    bool Destroying() const override { return destroying_; }

    TWCELine* Line(int y) const { return content_.GetLineRaw(y); }
    int LineColumns(int y) const;
    // A column of line y that splits no surrogate pair.
    int SnapColumn(int y, int x) const;
    // The caret column limit of a line: its text, or the work width with eoScrollPastEOL.
    int MaxCaretX(int y) const;
    void SetSelection(TPoint begin, TPoint end);
    void OrderSelection();
    void AnnounceCaret();
    void TrimTrailingBlanks(int y);
    void UpdateGutterWidth();
    // Bookmarks follow lines that come and go below `line`.
    void MoveBookmarks(int line, int delta, int lastDeleted);

    // Editing primitives (WCECommandProcessor.cpp).
    void InsertText(std::u16string_view text);
    void DeleteSelection(bool thenInsert);
    void InsertAtSelStart(std::u16string_view text);
    void ReplaceSelection(std::u16string_view text);
    TPoint PaddedStart(TPoint p, std::u16string& padding) const;
    // The character boundary at or before p: where text goes in or out when p stands inside a tab.
    TPoint Boundary(TPoint p) const;
    bool BeginTyping(std::u16string_view text);
    void ExecuteCommand(TEditorCommand command, char16_t ch, const TPoint* data);
    void MoveCaret(TEditorCommand command, const TPoint* data);
    void TypeChar(char16_t ch);
    int SmartTabColumn() const;
    void Backspace();
    int UnindentColumn(int x, int y);
    void DeleteChar();
    void DeleteRange(TPoint from, TPoint to);
    void DeleteLine();
    void LineBreak(bool moveCaret);
    void BlockIndent(bool indent);
    void ToggleMode(TEditorCommand command);
    void ToggleBookmark(int index);

    TWideCodeEditorContent content_{*this};
    TUndoList undoList_{*this};
    TKeyStrokes keystrokes_;
    IWideCodeEditView nullView_;
    IWideCodeEditView* view_ = &nullView_;
    IEditorClipboard* clipboard_ = nullptr;
    TWCEHighlighter* highlighter_ = nullptr;

    TPoint caret_;
    TPoint blockBegin_, blockEnd_, selStart_, selEnd_;
    int topLine_ = 1;
    int leftOffset_ = 0;
    int charWidth_ = 8;
    int lineHeight_ = 16;
    int clientWidth_ = 200;
    int clientHeight_ = 150;
    int lineNumberCharWidth_ = 8;
    int gutterWidth_ = 30;
    int gutterExtraWidth_ = 0;
    int updateCount_ = 0;
    int scannedUpTo_ = 0;
    int tabSize_ = 8;
    int indentSize_ = 2;
    int rightMargin_ = 80;
    TColor marginColor_ = 0xC0C0C0;
    TCaretType insertCaret_ = ctVerticalLine;
    TCaretType overwriteCaret_ = ctBlock;
    int workWidth_ = TWideCodeEditorContent::kDefaultWorkWidth;
    TBookmarkOptions bookmarkOptions_;
    bool destroying_ = false;
    TWideCodeEditOptions options_ = kDefaultEditOptions;
    std::array<TBookmark, kBookmarkCount> bookmarks_{};
    TWCELineStyle selectedColor_;
    TWCELineStyle scrollHintColor_;
};

} // namespace editor
