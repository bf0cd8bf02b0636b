// How controls follow their parent's size by alignment and anchors, as arithmetic.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Types.h"

#include <vector>

namespace ui {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = rtl::Set<TAnchorKind, 4>;
inline const TAnchors kDefaultAnchors{akLeft, akTop};

// How a control with anchors follows its parent's client size: the rectangle and parent size it had
// when the anchors last took effect. Pure arithmetic, so that layouts are tested without widgets.
struct TAnchorRule {
    TRect original;
    TSize originalParent;

    // The bounds for a parent client size of `parent`. An edge anchored on both sides stretches; anchored
    // on the far side only, it moves; anchored on neither side, it keeps its centre in proportion.
    TRect BoundsFor(TAnchors anchors, TSize parent) const;
};

// One child in its parent's layout pass.
struct TAlignItem {
    TAlign align = alNone;
    TAnchors anchors = kDefaultAnchors;
    TRect bounds; // current bounds, in the parent's client coordinates
    TAnchorRule anchorRule;
    bool visible = true;
};

// Places the aligned children of a client rectangle: top-aligned children in the order of their tops
// take strips from the top, then bottom-aligned ones (lowest first) from the bottom, left and right ones
// from the sides, and client-aligned ones fill what is left. Children without alignment follow their
// anchors. Returns the new bounds, one per item, in the items' order.
std::vector<TRect> AlignChildren(const TRect& client, const std::vector<TAlignItem>& items);

} // namespace ui
