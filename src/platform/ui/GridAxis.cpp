#include "platform/ui/GridAxis.h"

#include <algorithm>

namespace ui {

void TGridAxis::SetCount(int value) {
    count_ = std::max(0, value);
    if (static_cast<int>(sizes_.size()) > count_) sizes_.resize(count_);
    first_ = Clamp(first_);
}

void TGridAxis::SetFixedCount(int value) {
    fixedCount_ = std::max(0, value);
    first_ = Clamp(first_);
}

int TGridAxis::Size(int index) const {
    if (index < 0 || index >= count_) return 0;
    const int size = index < static_cast<int>(sizes_.size()) ? sizes_[index] : 0;
    return size > 0 ? size : defaultSize_;
}

void TGridAxis::SetSize(int index, int value) {
    if (index < 0 || index >= count_) return;
    if (index >= static_cast<int>(sizes_.size())) sizes_.resize(index + 1, 0);
    sizes_[index] = std::max(1, value);
}

void TGridAxis::SetFirst(int value) {
    first_ = Clamp(value);
}

int TGridAxis::Clamp(int value) const {
    return std::max(fixedCount_, std::min(value, std::max(fixedCount_, count_ - 1)));
}

int TGridAxis::Start(int index, int extent) const {
    if (index < 0 || index >= count_ || (index >= fixedCount_ && index < first_)) return -1;
    int pos = 0;
    for (int i = 0; i < std::min(index, fixedCount_); ++i)
        pos += Size(i) + lineWidth_;
    for (int i = first_; i < index; ++i) {
        pos += Size(i) + lineWidth_;
        if (pos >= extent) return -1;
    }
    return pos < extent ? pos : -1;
}

int TGridAxis::At(int pos, int extent) const {
    if (pos < 0 || pos >= extent) return -1;
    int start = 0;
    auto within = [&](int i) {
        start += Size(i) + lineWidth_;
        return pos < start;
    };
    for (int i = 0; i < std::min(fixedCount_, count_); ++i)
        if (within(i)) return i;
    for (int i = first_; i < count_ && start < extent; ++i)
        if (within(i)) return i;
    return -1;
}

int TGridAxis::LastFullyVisible(int extent) const {
    int pos = 0;
    for (int i = 0; i < fixedCount_ && i < count_; ++i)
        pos += Size(i) + lineWidth_;
    int last = first_;
    for (int i = first_; i < count_; ++i) {
        pos += Size(i);
        if (pos > extent) break;
        last = i;
        pos += lineWidth_;
    }
    return last;
}

void TGridAxis::ScrollToShow(int index, int extent) {
    if (index < fixedCount_ || index >= count_) return;
    if (index < first_) {
        first_ = index;
        return;
    }
    while (first_ < index && LastFullyVisible(extent) < index)
        ++first_;
}

int TGridAxis::DividerAt(int pos, int extent, int tolerance) const {
    for (int i = 0; i < count_; ++i) {
        const int start = Start(i, extent);
        if (start < 0) continue;
        if (std::abs(start + Size(i) - pos) <= tolerance) return i;
    }
    return -1;
}

int TGridAxis::MaxFirst(int extent) const {
    int fixed = 0;
    for (int i = 0; i < fixedCount_ && i < count_; ++i)
        fixed += Size(i) + lineWidth_;
    int room = extent - fixed;
    int first = count_;
    while (first > fixedCount_ && room >= Size(first - 1)) {
        room -= Size(first - 1) + lineWidth_;
        --first;
    }
    return Clamp(first);
}

} // namespace ui
