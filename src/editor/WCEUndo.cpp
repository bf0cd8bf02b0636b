#include "editor/WCEUndo.h"

#include "editor/WCEContent.h"

#include <algorithm>

namespace editor {

uint8_t ChangeGroup(TChangeKind kind) {
    switch (kind) {
    case ckInsert:
    case ckReplace:
        return 1;
    case ckDelete:
        return 2;
    case ckDragMove:
    case ckDragCopy:
        return 3;
    case ckCaret:
        return 4;
    case ckIndent:
    case ckUnindent:
        return 5;
    default:
        return 0;
    }
}

bool TUndoList::CanAdd() const {
    return !pending_ && maxUndo_ >= 1 && !host_.InUpdate();
}

bool TUndoList::Open(TChangeKind kind) {
    if (!CanAdd()) return false;
    pending_ = std::make_unique<TChange>();
    pending_->Kind = kind;
    pending_->Before = host_.State();
    return true;
}

bool TUndoList::BeginInsert(TPoint target, std::u16string newText) {
    if (!Open(ckInsert)) return false;
    pending_->Target = target;
    pending_->NewText = std::move(newText);
    return true;
}

bool TUndoList::BeginDelete(TPoint start, TPoint end) {
    if (!Open(ckDelete)) return false;
    pending_->Start = start;
    pending_->End = end;
    pending_->OldText = host_.Content().GetTextRange(start, end);
    return true;
}

bool TUndoList::BeginReplace(TPoint start, TPoint end, std::u16string newText, TPoint target) {
    if (!BeginDelete(start, end)) return false;
    pending_->Kind = ckReplace;
    pending_->NewText = std::move(newText);
    pending_->Target = target;
    return true;
}

bool TUndoList::BeginDragMove(TPoint start, TPoint end, TPoint target) {
    if (!Open(ckDragMove)) return false;
    pending_->Start = start;
    pending_->End = end;
    pending_->Target = target;
    pending_->TargetEnd = {start.Y == end.Y ? target.X + end.X - start.X : end.X, target.Y + end.Y - start.Y};
    return true;
}

bool TUndoList::BeginDragCopy(TPoint start, TPoint end, TPoint target) {
    if (!BeginDragMove(start, end, target)) return false;
    pending_->Kind = ckDragCopy;
    return true;
}

bool TUndoList::BeginCaret() {
    return Open(ckCaret);
}

bool TUndoList::BeginIndent(TPoint p1, TPoint p2, std::u16string leading) {
    if (!Open(ckIndent)) return false;
    pending_->Target = p1;
    pending_->TargetEnd = p2;
    pending_->OldText = std::move(leading);
    return true;
}

bool TUndoList::BeginUnindent(TPoint p1, TPoint p2, std::u16string leading) {
    if (!BeginIndent(p1, p2, std::move(leading))) return false;
    pending_->Kind = ckUnindent;
    return true;
}

void TUndoList::DropOldest(int keep) {
    const int removed = std::max(0, Count() - std::max(keep, 0));
    if (removed == 0) return;
    records_.erase(records_.begin(), records_.begin() + removed);
    current_ = std::max(current_ - removed, -1);
}

void TUndoList::Commit() {
    if (!pending_) return;
    records_.resize(static_cast<std::size_t>(current_ + 1));
    DropOldest(maxUndo_ - 1);
    pending_->After = host_.State();
    pending_->Group = ChangeGroup(pending_->Kind);
    records_.push_back(std::move(pending_));
    current_ = Count() - 1;
}

void TUndoList::CommitAt(TPoint end) {
    if (!pending_) return;
    pending_->TargetEnd = end;
    Commit();
}

void TUndoList::SetMaxUndo(int n) {
    if (n == maxUndo_) return;
    maxUndo_ = n;
    DropOldest(n);
}

void TUndoList::Clear() {
    records_.clear();
    current_ = -1;
}

const TChange& TUndoList::StepBack() {
    return *records_.at(static_cast<std::size_t>(current_--));
}

const TChange& TUndoList::StepForward() {
    return *records_.at(static_cast<std::size_t>(++current_));
}

uint8_t TUndoList::UndoGroup() const {
    return current_ >= 0 ? records_[static_cast<std::size_t>(current_)]->Group : 0;
}

uint8_t TUndoList::RedoGroup() const {
    return CanRedo() ? records_[static_cast<std::size_t>(current_ + 1)]->Group : 0;
}

} // namespace editor
