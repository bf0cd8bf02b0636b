// The code editor's undo and redo lists of grouped changes.
#pragma once

#include "editor/WCEEditorHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace editor {

enum TChangeKind : uint8_t {
    ckNone = 0,
    ckInsert = 1,
    ckDelete = 2,
    ckReplace = 3,
    ckDragMove = 4,
    ckDragCopy = 5,
    ckCaret = 6,
    ckIndent = 7,
    ckUnindent = 8
};

// One recorded change: what was removed (Start..End, OldText), what went in (Target..TargetEnd,
// NewText), and the caret and selection around it. Kinds 7 and 8 keep the block's corners in
// Target and TargetEnd and the leading white space of its lines in OldText, so that undo gives back
// blanks an unindent removed and tabs it expanded.
struct TChange {
    TChangeKind Kind = ckNone;
    // Records of one group are undone together: typing, deleting, dragging, caret moves, indenting.
    uint8_t Group = 0;
    TPoint Start, End;
    std::u16string OldText;
    TPoint Target, TargetEnd;
    std::u16string NewText;
    TEditorState Before, After;
};

uint8_t ChangeGroup(TChangeKind kind);

// The editor's undo and redo records, oldest first. Current is the last record in effect; the
// records after it can be redone.
class TUndoList {
public:
    explicit TUndoList(IEditorHost& host) : host_(host) {}

    // Each opens a pending record when CanAdd holds, and says whether it did.
    bool BeginInsert(TPoint target, std::u16string newText);
    bool BeginDelete(TPoint start, TPoint end);
    bool BeginReplace(TPoint start, TPoint end, std::u16string newText, TPoint target);
    bool BeginDragMove(TPoint start, TPoint end, TPoint target);
    bool BeginDragCopy(TPoint start, TPoint end, TPoint target);
    bool BeginCaret();
    // `leading`: the leading white space of every line of the block, each followed by CR LF.
    bool BeginIndent(TPoint p1, TPoint p2, std::u16string leading = {});
    bool BeginUnindent(TPoint p1, TPoint p2, std::u16string leading = {});

    // No record is pending, MaxUndo >= 1 and the editor is outside an update bracket.
    bool CanAdd() const;
    bool Pending() const { return pending_ != nullptr; }
    // Closes the pending record: drops the redo tail and the oldest records beyond MaxUndo.
    void Commit();
    // Commit with `end` as the record's TargetEnd.
    void CommitAt(TPoint end);

    int MaxUndo() const { return maxUndo_; }
    // Keeps at most n records.
    void SetMaxUndo(int n);
    void Clear();

    int Count() const { return static_cast<int>(records_.size()); }
    int Current() const { return current_; }
    const TChange& Items(int i) const { return *records_.at(static_cast<std::size_t>(i)); }
    bool CanUndo() const { return current_ >= 0; }
    bool CanRedo() const { return current_ < Count() - 1; }
    // The record at Current, which then moves back; the record after Current, which becomes Current.
    const TChange& StepBack();
    const TChange& StepForward();
    // The group of the record the next step back / forward would take, 0 when there is none.
    uint8_t UndoGroup() const;
    uint8_t RedoGroup() const;

private:
    bool Open(TChangeKind kind);
    // Drops the oldest records until at most `keep` are left, keeping Current on its record.
    void DropOldest(int keep);

    IEditorHost& host_;
    std::vector<std::unique_ptr<TChange>> records_;
    std::unique_ptr<TChange> pending_;
    int current_ = -1;
    int maxUndo_ = 10;
};

} // namespace editor
