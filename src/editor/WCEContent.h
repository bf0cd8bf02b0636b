// The text of the code editor: its lines, line breaks and line blocks.
#pragma once

#include "editor/WCEEditorHost.h"
#include "editor/WCEShared.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

class TWideCodeEditorContent;
struct TLineBlock;

// The lines of a text: a line ends at CR, LF, VT, FF, U+2028, U+2029 or the end, CR LF being one
// break; a final break adds no empty line. The views point into `text`.
std::vector<std::u16string_view> SplitLines(std::u16string_view text);

// One line of the editor's text with the caches and attachments kept beside it.
//
// Positions: X is a display column where a tab is TabSize columns and every other UTF-16 unit one;
// a character index counts UTF-16 units. Conversions never return a boundary inside a surrogate pair.
class TWCELine {
public:
    enum : uint8_t { lfValidated = 4, lfWidthsBuilt = 8 };

    TWCELine(TWideCodeEditorContent& content, std::u16string text);
    virtual ~TWCELine() = default;
    TWCELine(const TWCELine&) = delete;
    TWCELine& operator=(const TWCELine&) = delete;

    TWideCodeEditorContent& Content() const { return content_; }
    // The line's position in the store, found through its block.
    int Index() const;
    const std::u16string& Text() const { return text_; }
    // Stores the text, widens the editor's work width for it, then Changed.
    void SetText(std::u16string text);
    int Length() const { return static_cast<int>(text_.size()); }

    // The highlighter's scanner state at the start of the line.
    int Range = 0;
    mutable uint8_t Flags = 0; // lfValidated, lfWidthsBuilt
    // Attached by a plug-in, which also frees it (in the line-deleted hook); the line never does.
    void* Data = nullptr;
    TStyleStack Styles;

    int GetColumnCount() const;
    // The display column after the first n characters; characters past the text count one column.
    int CharToColumn(int n) const;
    // The character whose span contains the column; past the text one character per column.
    int ColumnToChar(int column) const;
    // The column, or the start of the surrogate pair it would split.
    int SnapColumn(int column) const;
    // The next / previous caret column after / before `column`.
    int NextColumn(int column, bool ignoreOption = false) const;
    int PrevColumn(int column) const;

    // -1 for none, else the new marker's index.
    int AddMarker(std::shared_ptr<IWCELineMarker> marker);
    void ClearMarkers() { markers_.clear(); }
    bool HasMarker(const std::shared_ptr<IWCELineMarker>& marker) const;
    const std::vector<std::shared_ptr<IWCELineMarker>>& Markers() const { return markers_; }
    std::shared_ptr<IWCELineStyle> GetStyle() const { return Styles.Top(); }

    // Drops the width cache and the validated mark, then tells the store.
    virtual void Changed();
    virtual void PaintMarkers(int index, ui::TCanvas& canvas, int x, int y);
    virtual void InvalidateWidths();
    virtual void EnsureWidths() const;
    virtual void ClearValidated() { Flags &= ~lfValidated; }
    // Runs the store's validate hook once after each change.
    virtual void Validate();

private:
    friend class TWideCodeEditorContent;

    // Whether character index k starts the second half of a surrogate pair.
    bool InsidePair(int k) const;

    TWideCodeEditorContent& content_;
    std::u16string text_;
    // The block that holds the line and its slot there; kept by the store.
    TLineBlock* block_ = nullptr;
    int slot_ = 0;
    std::vector<std::shared_ptr<IWCELineMarker>> markers_;
    // Display column of every character boundary (Length() + 1 entries), built on demand. Dropped
    // by a change of the text (Changed) and by a change of tab size or character width
    // (InvalidateAllWidths).
    mutable std::vector<int> boundaries_;
};

// The text of one editor as lines. Lines live in blocks of a bounded size, so inserting or deleting
// a line touches one block, and a line finds its index through its block's start.
class TWideCodeEditorContent {
public:
    using TLineEvent = std::function<void(TWideCodeEditorContent& content, TWCELine* line)>;

    explicit TWideCodeEditorContent(IEditorHost& host);
    virtual ~TWideCodeEditorContent();
    TWideCodeEditorContent(const TWideCodeEditorContent&) = delete;
    TWideCodeEditorContent& operator=(const TWideCodeEditorContent&) = delete;

    IEditorHost& Host() const { return host_; }
    int Count() const { return count_; }
    // The line after building its widths and running its validation hook once since its last change.
    TWCELine* GetLine(int i) const;
    // The line, untouched.
    TWCELine* GetLineRaw(int i) const;
    TWCELine* AddLine(std::u16string text) { return InsertLine(count_, std::move(text)); }
    TWCELine* InsertLine(int i, std::u16string text);
    // Raises EListError "List index out of bounds (%d)" for i outside 0..Count-1.
    void DeleteLine(int i);
    // Removes every line as one undoable deletion.
    void Clear();

    // Every line followed by CR LF.
    std::u16string GetText() const;
    // Replaces the text as one undoable replacement; see the .cpp for the line breaks.
    void SetText(std::u16string_view text);
    // The text between two positions in display columns (ordered and clamped).
    std::u16string GetTextRange(TPoint p1, TPoint p2) const;
    // The same with X in character indexes.
    std::u16string GetTextRangeChars(TPoint p1, TPoint p2) const { return CollectText(p1, p2); }
    std::u16string CollectText(TPoint p1, TPoint p2) const;
    // The column after the last character of the last line; (0, 0) when empty.
    TPoint GetEndPoint() const;
    void UpdateWorkWidth(int i);
    void UpdateWorkWidth(const TWCELine& line);
    void InvalidateAllWidths();

    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

    // One handler each, installed by a plug-in.
    TLineEvent OnLineChanged;
    TLineEvent OnValidateLine;
    TLineEvent OnLineDeleted;

    virtual void DoLineChanged(TWCELine* line);
    virtual void DoDeleteLine(int i);
    virtual void DoValidateLine(TWCELine* line);

    static constexpr int kDefaultWorkWidth = 4098;

private:
    friend class TWCELine;

    // Removes every line (each announced to OnLineDeleted) without recording anything.
    void RemoveAllLines();
    // The block holding line i (i == Count() gives the last block) and the line's slot in it.
    TLineBlock& Locate(int i, int& slot) const;
    int BlockStart(const TLineBlock& block) const;
    void SplitBlock(std::size_t ordinal);
    void RemoveBlock(std::size_t ordinal);
    // The block starts before this ordinal are right; an insertion or deletion in a block makes every
    // later block's start stale, and they are recomputed on the next lookup.
    void StartsChangedAfter(std::size_t ordinal);

    IEditorHost& host_;
    std::vector<std::unique_ptr<TLineBlock>> blocks_;
    mutable std::size_t startsValid_ = 0;
    int count_ = 0;
    bool modified_ = false;
};

// A run of consecutive lines.
struct TLineBlock {
    std::vector<std::unique_ptr<TWCELine>> lines;
    std::size_t ordinal = 0; // position in the store's block list
    int start = 0;           // index of the first line, valid while ordinal < startsValid_
};

} // namespace editor
