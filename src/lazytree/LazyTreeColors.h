// The colours a lazy tree paints with.
#pragma once

#include "platform/ui/Color.h"

#include <array>

namespace lazytree {

class TLazyTreeModel;

// The fifteen colours a tree paints with, by index. Defaults are system colours, which keep their
// symbolic form until painting resolves them.
class TVTColors {
public:
    enum TIndex : int {
        DisabledColor,
        DropMarkColor,
        DropTargetColor,
        FocusedSelectionColor,
        GridLineColor,
        TreeLineColor,
        UnfocusedSelectionColor,
        BorderColor,
        HotColor,
        FocusedSelectionBorderColor,
        UnfocusedSelectionBorderColor,
        DropTargetBorderColor,
        SelectionRectangleBlendColor,
        SelectionRectangleBorderColor,
        HeaderHotColor,
        Count
    };

    explicit TVTColors(TLazyTreeModel& owner) : owner_(owner) {}
    TVTColors(const TVTColors&) = delete;

    ui::TColor operator[](TIndex index) const { return colors_[index]; }
    // Stores the colour and repaints a tree that has a window.
    void Set(TIndex index, ui::TColor value);
    // Copies all colours; the tree repaints unless it is inside an update bracket.
    TVTColors& operator=(const TVTColors& source);

private:
    TLazyTreeModel& owner_;
    std::array<ui::TColor, Count> colors_{
        ui::clBtnShadow, ui::clHighlight, ui::clHighlight, ui::clHighlight,  ui::clBtnFace,
        ui::clBtnShadow, ui::clBtnFace,   ui::clBtnFace,   ui::clWindowText, ui::clHighlight,
        ui::clBtnFace,   ui::clHighlight, ui::clHighlight, ui::clHighlight,  ui::clBtnShadow,
    };
};

} // namespace lazytree
