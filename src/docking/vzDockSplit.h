// Containers that split their space into a column or a row, with splitters between neighbours.
#pragma once

#include "docking/vzDockContainer.h"
#include "docking/vzDockSplitLayout.h"

// Containers that share their space in one column or one row, with a splitter between neighbours.
namespace docking {

// What a splitter bar separates.
struct TvzSplitterInfo {
    ui::TRect rect;
    bool vertical = true;
    TvzCustomDockingControl* before = nullptr;
    TvzCustomDockingControl* after = nullptr;
};

class TvzSplitContainer : public TvzCustomDockingContainer {
public:
    using TvzCustomDockingContainer::TvzCustomDockingContainer;

    // The two alignments it takes besides client.
    virtual TvzAlignment StartSide() const { return alnClient; }
    virtual TvzAlignment EndSide() const { return alnClient; }
    virtual bool Vertical() const { return true; }
    bool AlignmentAllowed(TvzAlignment alignment) const override;
    TvzContainerType ContainerType() const override { return Vertical() ? cntVertical : cntHorizontal; }
    int SplitterSize() const;

    void MaximizeChild(TvzCustomDockingControl* child) override;
    void RestoreChildren() override;
    void Equalize(int first, int last);
    void EqualizeAll() { Equalize(0, ChildCount() - 1); }
    // The bar under a screen point, if any.
    bool SplitterAt(ui::TPoint screenPoint, TvzSplitterInfo& info) const;
    std::vector<TvzSplitterInfo> Splitters() const;
    // The range (along the axis, screen coordinates) the bar after child `index` may move in.
    std::pair<int, int> SplitterRange(int index) const;
    // Drops the bar after child `index` at `position`; panels next to it become normal when resized.
    void MoveSplitter(int index, int position);
    int MinimumWidth() const override;
    int MinimumHeight() const override;

protected:
    TvzAlignment ValidateChildAlignment(TvzCustomDockingControl* child, TvzAlignment alignment) override;
    void SortChildren() override;
    void ArrangeChildren(const ui::TRect& client) override;
    // The bars between the children.
    void Paint() override;
    // A child container of this class is dissolved into this one.
    void DoDock(int index, TvzCustomDockingControl* child) override;

private:
    std::vector<split::TvzSplitItem> Items() const;
    // Writes the items back to the children's screen rectangles and panel states.
    void Apply(const std::vector<split::TvzSplitItem>& items);
    ui::TRect ChildArea() const;
    int AlongStart(const ui::TRect& r) const { return Vertical() ? r.Top : r.Left; }
    int AlongEnd(const ui::TRect& r) const { return Vertical() ? r.Bottom : r.Right; }
    int ChildMinimum(const TvzCustomDockingControl* child) const;
    void Relayout();
};

// Top to bottom; children take top, client or bottom.
class TvzVerticalContainer : public TvzSplitContainer {
public:
    using TvzSplitContainer::TvzSplitContainer;
    int TypeId() const override { return 1; }
    TvzAlignment StartSide() const override { return alnTop; }
    TvzAlignment EndSide() const override { return alnBottom; }
    bool Vertical() const override { return true; }
};

// Side by side; children take left, client or right.
class TvzHorizontalContainer : public TvzSplitContainer {
public:
    using TvzSplitContainer::TvzSplitContainer;
    int TypeId() const override { return 2; }
    TvzAlignment StartSide() const override { return alnLeft; }
    TvzAlignment EndSide() const override { return alnRight; }
    bool Vertical() const override { return false; }
};

} // namespace docking
