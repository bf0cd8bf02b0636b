// The header of a lazy tree: its options, fixed area and columns.
#pragma once

#include "lazytree/LazyTreeColumns.h"
#include "lazytree/LazyTreeTypes.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <functional>

namespace lazytree {

class TLazyTreeModel;

enum TVTHeaderOption : uint8_t {
    hoAutoResize,
    hoColumnResize,
    hoDblClickResize,
    hoDrag,
    hoHotTrack,
    hoOwnerDraw,
    hoRestrictDrag,
    hoShowHint,
    hoShowImages,
    hoShowSortGlyphs,
    hoVisible,
    hoAutoSpring,
    hoFullRepaintOnResize,
    hoDisableAnimatedResize,
    hoHeightResize,
    hoHeightDblClickResize,
};
using TVTHeaderOptions = rtl::Set<TVTHeaderOption, 16>;

enum TVTHeaderStyle : uint8_t { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };

// Limits of the header's height and of the fixed columns' width, in percent of the tree (0: none).
struct TVTFixedAreaConstraints {
    int MaxHeightPercent = 0;
    int MaxWidthPercent = 0;
    int MinHeightPercent = 0;
    int MinWidthPercent = 0;
};

// The sizing logic of a tree's column header: its height within its limits, the auto-sized column that
// fills the tree's width, and the spring columns that share every change of it.
class TVTHeader {
public:
    explicit TVTHeader(TLazyTreeModel& tree);
    TVTHeader(const TVTHeader&) = delete;
    TVTHeader& operator=(const TVTHeader&) = delete;

    TLazyTreeColumns& Columns() { return columns_; }
    const TLazyTreeColumns& Columns() const { return columns_; }
    const TVTHeaderOptions& Options() const { return options_; }
    void SetOptions(TVTHeaderOptions value);
    TColumnIndex AutoSizeIndex() const { return autoSizeIndex_; }
    void SetAutoSizeIndex(TColumnIndex value);
    // No column without columns; otherwise clamped to an existing one.
    TColumnIndex MainColumn() const { return columns_.Count() > 0 ? columns_.MainColumn() : NoColumn; }
    void SetMainColumn(TColumnIndex value);
    TColumnIndex SortColumn() const { return columns_.SortColumn(); }
    // Clamped to the columns, or no column.
    void SetSortColumn(TColumnIndex value);
    // Whether a column's width is the auto-size rule's alone.
    bool IsAutoSized(TColumnIndex index) const;

    // The look; painting is the tree's.
    TVTHeaderStyle Style() const { return style_; }
    void SetStyle(TVTHeaderStyle value) { SetLook(style_, value); }
    ui::TColor Background() const { return background_; }
    void SetBackground(ui::TColor value) { SetLook(background_, value); }
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection value);
    // The sections under the mouse and pressed (NoColumn: none).
    TColumnIndex HoverColumn() const { return hoverColumn_; }
    void SetHoverColumn(TColumnIndex value) { SetLook(hoverColumn_, value); }
    TColumnIndex DownColumn() const { return downColumn_; }
    void SetDownColumn(TColumnIndex value) { SetLook(downColumn_, value); }
    // Where a dragged column would land: before or after this one (NoColumn: nowhere).
    TColumnIndex DropTargetColumn() const { return dropTarget_; }
    bool DropBefore() const { return dropBefore_; }
    void SetDropTarget(TColumnIndex column, bool before) {
        SetLook(dropTarget_, column);
        SetLook(dropBefore_, before);
    }
    // Told when the header must be painted again; with layout its room in the tree changed as well.
    std::function<void(bool layout)> OnChange;

    int Height() const { return height_; }
    void SetHeight(int value);
    int MinHeight() const { return minHeight_; }
    void SetMinHeight(int value);
    int MaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int value);
    TVTFixedAreaConstraints& FixedAreaConstraints() { return constraints_; }

    // Gives the auto-size column what the tree's width leaves, within its limits.
    void AutoSizeColumns();
    // The tree's size changed: the auto-size column follows, and spring columns share the change.
    void TreeResized();
    // Where a column dragged onto a target goes, dropped before or after it.
    uint32_t DropPosition(TColumnIndex dragged, TColumnIndex target, bool before) const;

private:
    void AutoSpring(int width);
    void AutoSort();
    void Changed(bool layout);
    template <class T>
    void SetLook(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed(false);
    }

    TLazyTreeModel& tree_;
    TLazyTreeColumns columns_;
    TVTHeaderOptions options_{hoColumnResize, hoDrag, hoShowSortGlyphs};
    TColumnIndex autoSizeIndex_ = 0;
    int height_ = 17;
    int minHeight_ = 10;
    int maxHeight_ = 10000;
    TVTFixedAreaConstraints constraints_;
    TVTHeaderStyle style_ = hsThickButtons;
    ui::TColor background_ = ui::clBtnFace;
    TSortDirection sortDirection_ = sdAscending;
    TColumnIndex hoverColumn_ = NoColumn;
    TColumnIndex downColumn_ = NoColumn;
    TColumnIndex dropTarget_ = NoColumn;
    bool dropBefore_ = false;
    int lastWidth_ = 0; // the tree's width at the last spring step
};

} // namespace lazytree
