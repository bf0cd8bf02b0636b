#include "lazytree/LazyTreeHeader.h"

#include "lazytree/LazyTreeModel.h"

#include <algorithm>
#include <cmath>

namespace lazytree {

namespace {

int ClientWidthOf(const TLazyTreeModel& tree) {
    return tree.Host() ? tree.Host()->ClientWidth() : 0;
}

} // namespace

TVTHeader::TVTHeader(TLazyTreeModel& tree) : tree_(tree), columns_(tree) {
    columns_.header_ = this;
}

void TVTHeader::SetOptions(TVTHeaderOptions value) {
    const bool autoResizeChanged = value.Contains(hoAutoResize) != options_.Contains(hoAutoResize);
    const bool visibilityChanged = value.Contains(hoVisible) != options_.Contains(hoVisible);
    options_ = value;
    if (autoResizeChanged && columns_.Count() > 0) AutoSizeColumns();
    if (value.Contains(hoAutoSpring)) lastWidth_ = ClientWidthOf(tree_);
    Changed(visibilityChanged);
}

void TVTHeader::Changed(bool layout) {
    if (OnChange) OnChange(layout);
}

void TVTHeader::SetAutoSizeIndex(TColumnIndex value) {
    if (value == autoSizeIndex_) return;
    autoSizeIndex_ = value;
    if (options_.Contains(hoAutoResize)) AutoSizeColumns();
}

void TVTHeader::SetMainColumn(TColumnIndex value) {
    value = columns_.Count() > 0 ? std::clamp(value, 0, columns_.Count() - 1) : NoColumn;
    if (value == columns_.MainColumn()) return;
    columns_.SetMainColumn(value);
    if (ITreeHost* host = tree_.Host(); host && host->HandleAllocated()) host->Invalidate(nullptr);
}

void TVTHeader::SetSortColumn(TColumnIndex value) {
    value = std::clamp(value, NoColumn, columns_.Count() - 1);
    if (value == columns_.SortColumn()) return;
    columns_.SetSortColumn(value);
    Changed(false);
    AutoSort();
}

void TVTHeader::SetSortDirection(TSortDirection value) {
    if (value == sortDirection_) return;
    sortDirection_ = value;
    Changed(false);
    AutoSort();
}

// With toAutoSort the tree follows every change of the sort column or direction, outside an update.
void TVTHeader::AutoSort() {
    if (tree_.Options().AutoOptions.Contains(toAutoSort) && tree_.UpdateCount() == 0)
        tree_.SortTree(columns_.SortColumn(), sortDirection_, false);
}

bool TVTHeader::IsAutoSized(TColumnIndex index) const {
    if (!options_.Contains(hoAutoResize) || columns_.Count() == 0) return false;
    return index == (columns_.IsValidColumn(autoSizeIndex_) ? autoSizeIndex_ : columns_.Count() - 1);
}

void TVTHeader::SetHeight(int value) {
    ITreeHost* host = tree_.Host();
    if (host && host->HandleAllocated()) {
        // Percentages are of the tree's height with the header.
        const int total = host->ClientHeight() + height_;
        const int maxPercent = constraints_.MaxHeightPercent, minPercent = constraints_.MinHeightPercent;
        const int low = maxPercent > 0 ? std::min(total * maxPercent / 100, minHeight_) : minHeight_;
        const int high = minPercent > 0 ? std::max(total * minPercent / 100, maxHeight_) : maxHeight_;
        value = std::min(std::max(value, low), high);
        if (minPercent > 0) value = std::max(total * minPercent / 100, value);
        if (maxPercent > 0) value = std::min(total * maxPercent / 100, value);
    }
    if (value == height_) return;
    height_ = value;
    if (host && host->HandleAllocated()) host->Invalidate(nullptr);
    Changed(options_.Contains(hoVisible));
}

void TVTHeader::SetMinHeight(int value) {
    minHeight_ = std::min(std::max(value, 0), maxHeight_);
    SetHeight(height_);
}

void TVTHeader::SetMaxHeight(int value) {
    maxHeight_ = std::max(value, minHeight_);
    SetHeight(height_);
}

void TVTHeader::AutoSizeColumns() {
    if (columns_.Count() == 0) return;
    const TColumnIndex index = columns_.IsValidColumn(autoSizeIndex_) ? autoSizeIndex_ : columns_.Count() - 1;
    TLazyTreeColumn& column = columns_[index];
    int width = ClientWidthOf(tree_);
    for (TColumnIndex i = 0; i < columns_.Count(); ++i)
        if (i != index && columns_[i].Visible()) width -= columns_[i].Width();
    width = std::clamp(width, column.MinWidth(), column.MaxWidth());
    if (width == column.Width()) return;
    column.lastWidth_ = column.width_;
    column.width_ = width;
    columns_.UpdatePositions();
}

void TVTHeader::TreeResized() {
    if (options_.Contains(hoAutoResize)) AutoSizeColumns();
    AutoSpring(ClientWidthOf(tree_));
}

void TVTHeader::AutoSpring(int width) {
    if (options_.Contains(hoAutoSpring) && lastWidth_ != 0 && width != lastWidth_) {
        const int difference = width - lastWidth_;
        std::vector<TLazyTreeColumn*> springs;
        for (TColumnIndex i = 0; i < columns_.Count(); ++i)
            if (columns_[i].Visible() && columns_[i].Options().Contains(coAutoSpring))
                springs.push_back(&columns_[i]);
        if (!springs.empty()) {
            const float share = static_cast<float>(std::abs(difference)) / static_cast<float>(springs.size());
            float left = static_cast<float>(std::abs(difference));
            for (TLazyTreeColumn* column : springs) {
                const float amount = column->springRest_ + share;
                // Whole pixels go to the column; the fraction waits for the next change.
                if (amount >= 1) {
                    const int pixels = static_cast<int>(std::trunc(amount));
                    column->SetWidth(column->Width() + (difference > 0 ? pixels : -pixels));
                }
                column->springRest_ = amount - std::trunc(amount);
                left -= share;
                if (left < 0) break;
            }
        }
    }
    lastWidth_ = width;
}

uint32_t TVTHeader::DropPosition(TColumnIndex dragged, TColumnIndex target, bool before) const {
    const uint32_t from = columns_[dragged].Position();
    const uint32_t to = columns_[target].Position();
    if (before) return from < to ? (to > 0 ? to - 1 : 0) : to;
    return from < to ? to : to + 1;
}

} // namespace lazytree
