#include "lazytree/LazyTreeColumns.h"

#include "lazytree/LazyTreeHeader.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"

#include <algorithm>

namespace lazytree {

// --- A column -----------------------------------------------------------------------------------------

TLazyTreeColumn::TLazyTreeColumn(TLazyTreeColumns& owner, TColumnIndex index, int width)
    : owner_(owner), index_(index), width_(width), lastWidth_(width) {}

void TLazyTreeColumn::SetPosition(uint32_t value) {
    value = std::min(value, static_cast<uint32_t>(owner_.Count() - 1));
    if (value == position_) return;
    owner_.MoveColumn(*this, value);
    // A column joins the fixed block it is moved into, and leaves the one it is moved out of.
    const bool lookLeft = Fixed() && position_ > 0;
    const uint32_t neighbour = lookLeft ? position_ - 1 : position_ + 1;
    const TColumnIndex other = owner_.ColumnFromPosition(neighbour);
    if (other < 0) return;
    if (owner_[other].Fixed())
        options_.Include(coFixed);
    else
        options_.Exclude(coFixed);
}

void TLazyTreeColumn::SetWidth(int value) {
    value = std::clamp(value, minWidth_, maxWidth_);
    if (value == width_) return;
    TVTHeader* header = owner_.header_;
    // The auto-sized column takes only what the header's rule gives it, which follows every other
    // column's change.
    if (!header || !header->IsAutoSized(index_)) {
        lastWidth_ = width_;
        width_ = value;
        owner_.UpdatePositions();
    }
    if (header && header->Options().Contains(hoAutoResize)) header->AutoSizeColumns();
}

void TLazyTreeColumn::SetOptions(TVTColumnOptions value) {
    if (value.Contains(coAutoSpring) && !options_.Contains(coAutoSpring)) springRest_ = 0;
    if (value.Contains(coParentBidiMode) && !options_.Contains(coParentBidiMode))
        look_.BiDiMode = owner_.tree_.BiDiMode();
    options_ = value;
}

void TLazyTreeColumn::SetMinWidth(int value) {
    minWidth_ = std::min(std::max(value, 0), maxWidth_);
    SetWidth(width_);
}

void TLazyTreeColumn::SetMaxWidth(int value) {
    maxWidth_ = std::max(value, minWidth_);
    SetWidth(width_);
}

// --- The collection -----------------------------------------------------------------------------------

TLazyTreeColumn& TLazyTreeColumns::Add() {
    items_.push_back(std::unique_ptr<TLazyTreeColumn>(new TLazyTreeColumn(*this, Count(), kDefaultWidth)));
    positions_.push_back(Count() - 1);
    items_.back()->look_.BiDiMode = tree_.BiDiMode();
    if (mainColumn_ < 0) mainColumn_ = 0;
    UpdatePositions();
    return *items_.back();
}

TLazyTreeColumn& TLazyTreeColumns::operator[](TColumnIndex index) const {
    if (!IsValidColumn(index)) rtl::ListIndexError(index);
    return *items_[static_cast<std::size_t>(index)];
}

void TLazyTreeColumns::Delete(TColumnIndex index) {
    (*this)[index]; // checks the index
    items_.erase(items_.begin() + index);
    for (std::size_t i = static_cast<std::size_t>(index); i < items_.size(); ++i)
        items_[i]->index_ = static_cast<TColumnIndex>(i);
    positions_.erase(std::find(positions_.begin(), positions_.end(), index));
    for (TColumnIndex& entry : positions_)
        if (entry > index) --entry;
    const auto follow = [index](TColumnIndex& column) {
        if (column == index)
            column = NoColumn;
        else if (column > index)
            --column;
    };
    follow(sortColumn_);
    if (mainColumn_ == index)
        mainColumn_ = items_.empty() ? NoColumn : 0;
    else
        follow(mainColumn_);
    UpdatePositions();
}

void TLazyTreeColumns::MoveColumn(TLazyTreeColumn& column, uint32_t position) {
    positions_.erase(positions_.begin() + column.position_);
    positions_.insert(positions_.begin() + position, column.index_);
    UpdatePositions();
}

void TLazyTreeColumns::UpdatePositions() {
    int left = 0;
    for (std::size_t p = 0; p < positions_.size(); ++p) {
        TLazyTreeColumn& column = *items_[static_cast<std::size_t>(positions_[p])];
        column.position_ = static_cast<uint32_t>(p);
        column.left_ = left;
        if (column.Visible()) left += column.width_;
    }
    // The columns are the tree's horizontal range.
    if (ITreeHost* host = tree_.Host(); host && host->HandleAllocated()) {
        tree_.UpdateHorizontalScrollBar();
        host->Invalidate(nullptr);
    }
}

void TLazyTreeColumns::OrderForLayout(bool rightToLeft) {
    for (std::size_t p = 0; p < positions_.size(); ++p)
        positions_[p] = static_cast<TColumnIndex>(rightToLeft ? positions_.size() - 1 - p : p);
    UpdatePositions();
}

TColumnIndex TLazyTreeColumns::ColumnFromPosition(uint32_t position) const {
    return position < positions_.size() ? positions_[position] : NoColumn;
}

TColumnIndex TLazyTreeColumns::ColumnFromPoint(TTreePoint p, bool relative) const {
    const int treeHeight = tree_.Host() ? tree_.Host()->ClientHeight() : 0;
    if (p.X < 0 || p.Y < 0 || p.Y > treeHeight) return InvalidColumn;
    // Fixed columns do not scroll; the others are offset by the horizontal scroll position.
    int right = relative && p.X >= GetVisibleFixedWidth() ? tree_.OffsetX() : 0;
    for (TColumnIndex index : positions_) {
        const TLazyTreeColumn& column = *items_[static_cast<std::size_t>(index)];
        if (!column.Visible()) continue;
        right += column.width_;
        if (p.X < right) return index;
    }
    return InvalidColumn;
}

TColumnIndex TLazyTreeColumns::VisibleStep(TColumnIndex index, int step) const {
    if (!IsValidColumn(index)) return InvalidColumn;
    for (int p = static_cast<int>((*this)[index].position_) + step;
         p >= 0 && p < static_cast<int>(positions_.size()); p += step)
        if (items_[static_cast<std::size_t>(positions_[p])]->Visible()) return positions_[p];
    return InvalidColumn;
}

TColumnIndex TLazyTreeColumns::GetNextVisibleColumn(TColumnIndex index) const {
    return VisibleStep(index, 1);
}

TColumnIndex TLazyTreeColumns::GetPreviousVisibleColumn(TColumnIndex index) const {
    return VisibleStep(index, -1);
}

int TLazyTreeColumns::GetVisibleFixedWidth() const {
    int width = 0;
    for (const auto& column : items_)
        if (column->Visible() && column->Fixed()) width += column->width_;
    return width;
}

int TLazyTreeColumns::GetScrollWidth() const {
    int sum = 0, count = 0;
    for (const auto& column : items_)
        if (column->Visible() && !column->Fixed()) {
            sum += column->width_;
            ++count;
        }
    if (count == 0) return tree_.Indent();
    const int mean = sum / count, remainder = sum % count;
    // Halves round to the even neighbour.
    if (2 * remainder > count || (2 * remainder == count && mean % 2 != 0)) return mean + 1;
    return mean;
}

int TLazyTreeColumns::TotalWidth() const {
    for (auto it = positions_.rbegin(); it != positions_.rend(); ++it) {
        const TLazyTreeColumn& column = *items_[static_cast<std::size_t>(*it)];
        if (column.Visible()) return column.left_ + column.width_;
    }
    return 0;
}

} // namespace lazytree
