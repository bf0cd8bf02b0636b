// The columns of a lazy tree's header: their options, sizes, order and look.
#pragma once

#include "lazytree/TreeHost.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Color.h"

#include <string>

#include <cstdint>
#include <memory>
#include <vector>

namespace lazytree {

class TLazyTreeModel;
class TLazyTreeColumns;
class TVTHeader;

using TColumnIndex = int;
inline constexpr TColumnIndex NoColumn = -1;      // no column, or the implicit whole-width one
inline constexpr TColumnIndex InvalidColumn = -2; // nothing found

enum TVTColumnOption : uint8_t {
    coAllowClick,
    coDraggable,
    coEnabled,
    coParentBidiMode,
    coParentColor,
    coResizable,
    coShowDropMark,
    coVisible,
    coAutoSpring,
    coFixed,
    coSmartResize,
    coAllowFocus,
    coDisableAnimatedResize,
    coWrapCaption,
    coUseCaptionAlignment,
};
using TVTColumnOptions = rtl::Set<TVTColumnOption, 16>;

// What a column shows and how; painting reads it, the stream keeps it.
struct TColumnLook {
    std::u16string Text;
    std::u16string Hint;
    int Style = 0; // text or owner-drawn
    int ImageIndex = -1;
    int Layout = 0; // where the image stands by the text
    int Margin = 4;
    int Spacing = 4;
    int BiDiMode = 0;
    int Tag = 0;
    int Alignment = 0; // of the cells
    ui::TColor Color = ui::clWindow;
    int CaptionAlignment = 0; // only with coUseCaptionAlignment
    friend bool operator==(const TColumnLook&, const TColumnLook&) = default;
};

// One column of a tree. Its collection index is its identity; its position is its place from the
// left, which the collection's position array keeps.
class TLazyTreeColumn {
public:
    TColumnIndex Index() const { return index_; }
    uint32_t Position() const { return position_; }
    // Moves the column; it takes on the fixedness of its new neighbour.
    void SetPosition(uint32_t value);
    int Width() const { return width_; }
    void SetWidth(int value);
    int LastWidth() const { return lastWidth_; }
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value);
    const TVTColumnOptions& Options() const { return options_; }
    // A new spring column starts without a remainder.
    void SetOptions(TVTColumnOptions value);
    bool Visible() const { return options_.Contains(coVisible); }
    bool Fixed() const { return options_.Contains(coFixed); }
    TColumnLook& Look() { return look_; }
    const TColumnLook& Look() const { return look_; }
    // The left edge without scrolling.
    int Left() const { return left_; }

private:
    friend class TLazyTreeColumns;
    friend class TVTHeader;
    TLazyTreeColumn(TLazyTreeColumns& owner, TColumnIndex index, int width);

    TLazyTreeColumns& owner_;
    TColumnIndex index_;
    uint32_t position_ = 0;
    int left_ = 0;
    int width_;
    int lastWidth_;
    int minWidth_ = 10;
    int maxWidth_ = 10000;
    TColumnLook look_;
    float springRest_ = 0; // the fraction of a pixel a spring step left over
    TVTColumnOptions options_{coAllowClick, coDraggable,    coEnabled, coParentBidiMode, coParentColor,
                              coResizable,  coShowDropMark, coVisible, coAllowFocus};
};

// The columns of a tree's header and the order they stand in.
class TLazyTreeColumns {
public:
    static constexpr int kDefaultWidth = 50;

    explicit TLazyTreeColumns(TLazyTreeModel& tree) : tree_(tree) {}
    TLazyTreeColumns(const TLazyTreeColumns&) = delete;
    TLazyTreeColumns& operator=(const TLazyTreeColumns&) = delete;

    TLazyTreeColumn& Add();
    // Removes a column; the indexes above it, and the main and sort column, move down.
    void Delete(TColumnIndex index);
    int Count() const { return static_cast<int>(items_.size()); }
    bool IsValidColumn(TColumnIndex index) const { return index >= 0 && index < Count(); }
    TLazyTreeColumn& operator[](TColumnIndex index) const;

    TColumnIndex MainColumn() const { return mainColumn_; }
    void SetMainColumn(TColumnIndex index) { mainColumn_ = index; }
    TColumnIndex SortColumn() const { return sortColumn_; }
    void SetSortColumn(TColumnIndex index) { sortColumn_ = index; }

    TColumnIndex ColumnFromPosition(uint32_t position) const;
    // The column under a point of the tree (client coordinates when relative); InvalidColumn outside.
    TColumnIndex ColumnFromPoint(TTreePoint p, bool relative) const;
    TColumnIndex GetNextVisibleColumn(TColumnIndex index) const;
    TColumnIndex GetPreviousVisibleColumn(TColumnIndex index) const;
    int GetVisibleFixedWidth() const;
    // The mean width of the visible scrolling columns, halves to even; the indent without any.
    int GetScrollWidth() const;
    int TotalWidth() const;
    // Right to left the columns stand in reverse index order, left to right in index order.
    void OrderForLayout(bool rightToLeft);
    // Recomputes every column's position and left edge from the position array.
    void UpdatePositions();
    // The binary form of the columns (the current version on writing); reading replaces them and
    // trusts no count or length beyond what the stream holds.
    static constexpr int kStreamVersion = 6;
    void SaveToStream(rtl::TStream& stream) const;
    void LoadFromStream(rtl::TStream& stream, int version);

private:
    friend class TLazyTreeColumn;
    friend class TVTHeader;
    void MoveColumn(TLazyTreeColumn& column, uint32_t position);
    TColumnIndex VisibleStep(TColumnIndex index, int step) const;

    TLazyTreeModel& tree_;
    TVTHeader* header_ = nullptr; // the header that sizes the columns, if any
    std::vector<std::unique_ptr<TLazyTreeColumn>> items_;
    std::vector<TColumnIndex> positions_; // entry p: the index of the column at position p
    TColumnIndex mainColumn_ = NoColumn;
    TColumnIndex sortColumn_ = NoColumn;
};

} // namespace lazytree
