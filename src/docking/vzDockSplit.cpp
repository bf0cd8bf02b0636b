#include "docking/vzDockSplit.h"

#include "docking/vzDockManager.h"

#include <algorithm>
#include <typeinfo>

namespace docking {

bool TvzSplitContainer::AlignmentAllowed(TvzAlignment alignment) const {
    return alignment == alnClient || alignment == StartSide() || alignment == EndSide();
}

int TvzSplitContainer::SplitterSize() const {
    const TvzCustomDockingManager* manager = DockingManager();
    if (!manager) return 0;
    return Vertical() ? manager->Style()->SplitterHeight() : manager->Style()->SplitterWidth();
}

TvzAlignment TvzSplitContainer::ValidateChildAlignment(TvzCustomDockingControl* child,
                                                       TvzAlignment alignment) {
    if (!AlignmentAllowed(alignment)) return alignment; // CheckAlignment reports it
    std::vector<TvzAlignment> alignments;
    for (const TvzCustomDockingControl* c : children_)
        alignments.push_back(c->Alignment());
    const TvzAlignment result =
        split::ValidateAlignment(alignments, IndexOfChild(child), alignment, StartSide(), EndSide());
    for (std::size_t i = 0; i < children_.size(); ++i)
        children_[i]->alignment_ = alignments[i];
    return result;
}

void TvzSplitContainer::SortChildren() {
    ExchangeSort(children_, 0, ChildCount() - 1,
                 [](const TvzCustomDockingControl* a, const TvzCustomDockingControl* b) {
                     return split::Weight(a->Alignment()) - split::Weight(b->Alignment());
                 });
}

int TvzSplitContainer::ChildMinimum(const TvzCustomDockingControl* child) const {
    return Vertical() ? child->MinimumHeight() : child->MinimumWidth();
}

std::vector<split::TvzSplitItem> TvzSplitContainer::Items() const {
    std::vector<split::TvzSplitItem> items;
    for (const TvzCustomDockingControl* child : children_) {
        split::TvzSplitItem item;
        item.start = AlongStart(child->ScreenRect());
        item.end = AlongEnd(child->ScreenRect());
        item.minSize = ChildMinimum(child);
        item.alignment = child->Alignment();
        item.panelState = child->PanelState();
        item.normalSize = Vertical() ? child->normalSize_.Y : child->normalSize_.X;
        items.push_back(item);
    }
    return items;
}

ui::TRect TvzSplitContainer::ChildArea() const {
    const ui::TRect& rect = ScreenRect();
    return {rect.Left, rect.Top + CaptionHeight(), rect.Right, rect.Bottom};
}

void TvzSplitContainer::Apply(const std::vector<split::TvzSplitItem>& items) {
    const ui::TRect area = ChildArea();
    for (std::size_t i = 0; i < items.size(); ++i) {
        TvzCustomDockingControl* child = children_[i];
        const split::TvzSplitItem& item = items[i];
        child->screenRect_ = Vertical() ? ui::TRect{area.Left, item.start, area.Right, item.end}
                                        : ui::TRect{item.start, area.Top, item.end, area.Bottom};
        (Vertical() ? child->normalSize_.Y : child->normalSize_.X) = item.normalSize;
        child->SetPanelState(item.panelState);
    }
}

void TvzSplitContainer::ArrangeChildren(const ui::TRect& client) {
    std::vector<split::TvzSplitItem> items = Items();
    split::AlignItems(items, AlongStart(client), AlongEnd(client), SplitterSize());
    Apply(items);
}

void TvzSplitContainer::Relayout() {
    if (TvzCustomDockingManager* manager = DockingManager()) manager->RefreshSite(SiteId(), false);
}

void TvzSplitContainer::MaximizeChild(TvzCustomDockingControl* child) {
    const int index = IndexOfChild(child);
    if (index < 0) return;
    std::vector<split::TvzSplitItem> items = Items();
    const ui::TRect area = ChildArea();
    split::Maximize(items, index, AlongStart(area), AlongEnd(area), SplitterSize());
    Apply(items);
    Relayout();
}

void TvzSplitContainer::RestoreChildren() {
    std::vector<split::TvzSplitItem> items = Items();
    if (!split::Restore(items, AlongStart(ChildArea()), SplitterSize())) return;
    Apply(items);
    Relayout();
}

void TvzSplitContainer::Equalize(int first, int last) {
    std::vector<split::TvzSplitItem> items = Items();
    split::Equalize(items, first, last, SplitterSize());
    Apply(items);
    Relayout();
}

std::vector<TvzSplitterInfo> TvzSplitContainer::Splitters() const {
    std::vector<TvzSplitterInfo> bars;
    const int splitter = SplitterSize();
    for (int i = 0; i + 1 < ChildCount(); ++i) {
        const ui::TRect& r = children_[static_cast<std::size_t>(i)]->ScreenRect();
        TvzSplitterInfo info;
        info.rect = Vertical() ? ui::TRect{r.Left, r.Bottom, r.Right, r.Bottom + splitter}
                               : ui::TRect{r.Right, r.Top, r.Right + splitter, r.Bottom};
        info.vertical = Vertical();
        info.before = children_[static_cast<std::size_t>(i)];
        info.after = children_[static_cast<std::size_t>(i) + 1];
        bars.push_back(info);
    }
    return bars;
}

bool TvzSplitContainer::SplitterAt(ui::TPoint screenPoint, TvzSplitterInfo& info) const {
    const int index = split::SplitterAt(Items(), Vertical() ? screenPoint.Y : screenPoint.X, SplitterSize());
    if (index < 0) return false;
    info = Splitters()[static_cast<std::size_t>(index)];
    const ui::TRect& r = info.rect;
    return Vertical() ? screenPoint.X >= r.Left && screenPoint.X < r.Right
                      : screenPoint.Y >= r.Top && screenPoint.Y < r.Bottom;
}

std::pair<int, int> TvzSplitContainer::SplitterRange(int index) const {
    return split::SplitterRange(Items(), index, SplitterSize());
}

void TvzSplitContainer::MoveSplitter(int index, int position) {
    if (AutoHidden()) return;
    std::vector<split::TvzSplitItem> items = Items();
    split::MoveSplitter(items, index, position, SplitterSize());
    Apply(items);
    Relayout();
}

void TvzSplitContainer::Paint() {
    TvzCustomDockingContainer::Paint();
    const TvzCustomDockingManager* manager = DockingManager();
    if (!manager) return;
    for (const TvzSplitterInfo& bar : Splitters()) {
        const ui::TRect local{bar.rect.Left - ScreenRect().Left, bar.rect.Top - ScreenRect().Top,
                              bar.rect.Right - ScreenRect().Left, bar.rect.Bottom - ScreenRect().Top};
        manager->Style()->PaintSplitter(*Canvas(), local,
                                        bar.vertical ? uistyle::spoVertical : uistyle::spoHorizontal);
    }
}

int TvzSplitContainer::MinimumWidth() const {
    int across = 0;
    for (const TvzCustomDockingControl* child : children_)
        across = std::max(across, Vertical() ? child->MinimumWidth() : 0);
    const int along = Vertical() ? across : split::MinimumAlong(Items(), SplitterSize());
    return std::max(TvzCustomDockingContainer::MinimumWidth(), along);
}

int TvzSplitContainer::MinimumHeight() const {
    int across = 0;
    for (const TvzCustomDockingControl* child : children_)
        across = std::max(across, Vertical() ? 0 : child->MinimumHeight());
    const int along = Vertical() ? split::MinimumAlong(Items(), SplitterSize()) : across;
    return std::max(TvzCustomDockingContainer::MinimumHeight(), along + CaptionHeight());
}

void TvzSplitContainer::DoDock(int index, TvzCustomDockingControl* child) {
    auto* inner = typeid(*child) == typeid(*this) ? static_cast<TvzSplitContainer*>(child) : nullptr;
    if (!inner || inner->ChildCount() == 0) {
        TvzCustomDockingContainer::DoDock(index, child);
        return;
    }
    TvzCustomDockingManager* manager = DockingManager();
    if (manager) manager->BeginUpdate(SiteId());
    const int share =
        (Vertical() ? inner->ScreenRect().Height() : inner->ScreenRect().Width()) / inner->ChildCount();
    const TvzAlignment alignment = inner->Alignment();
    for (int i = inner->ChildCount() - 1; i >= 0; --i) {
        TvzCustomDockingControl* moved = inner->Children(i);
        const bool visible = moved->Visible();
        inner->RemoveChild(moved, i);
        moved->alignment_ = alignment;
        ui::TRect rect = moved->ScreenRect();
        (Vertical() ? rect.Bottom : rect.Right) = (Vertical() ? rect.Top : rect.Left) + share;
        moved->screenRect_ = rect;
        InsertChild(inner, true, moved);
        if (visible) moved->ShowInContainer();
    }
    inner->Close(true);
    inner->Release();
    if (manager) manager->EndUpdate();
}

} // namespace docking
