// Dragging and dropping nodes: the allowed effects, the drag object and the drop place.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/DragObjects.h"
#include "platform/ui/Messages.h"

#include <cstdint>
#include <vector>

namespace lazytree {

// What a drop does, as the bits a drag source allows and a target proposes.
inline constexpr uint32_t DROPEFFECT_NONE = 0;
inline constexpr uint32_t DROPEFFECT_COPY = 1;
inline constexpr uint32_t DROPEFFECT_MOVE = 2;
inline constexpr uint32_t DROPEFFECT_LINK = 4;
inline constexpr uint32_t DROPEFFECT_SCROLL = 0x80000000;

// Where a drop lands relative to the node under the mouse.
enum TDropMode : uint8_t { dmNowhere, dmAbove, dmOnNode, dmBelow };

enum TDragOperation : uint8_t { doCopy, doMove, doLink };
using TDragOperations = rtl::Set<TDragOperation, 8>;
// The effects a drag allows: those of the operations, all three for none.
uint32_t AllowedEffects(TDragOperations operations);

class TBaseLazyTree;

// The drag of a tree's nodes as the drag manager carries it to the targets.
class TNodeDragObject : public ui::TDragObject {
public:
    TNodeDragObject(TBaseLazyTree& tree, uint32_t allowedEffects) : tree_(tree), allowed_(allowedEffects) {}
    TBaseLazyTree& Tree() const { return tree_; }
    uint32_t AllowedEffects() const { return allowed_; }
    // What the drop did: set by the target that took it, none while no drop happened.
    uint32_t Effect() const { return effect_; }
    void SetEffect(uint32_t value) { effect_ = value; }

private:
    TBaseLazyTree& tree_;
    uint32_t allowed_;
    uint32_t effect_ = 0;
};

// The effect a drop target proposes: a move inside one tree, a copy from elsewhere, or what the
// modifier keys ask for (Ctrl+Shift link, Ctrl copy, Shift move, Alt link) when the source allows it.
uint32_t ProposeDropEffect(bool sourceIsTarget, ui::TShiftState shift, uint32_t allowedEffects);

// The drag image's own alpha channel, row by row: a radial fade from the centre, 255 * e^(-8d) with d
// the distance from the centre over the larger side; pixels of the colour key (when given) are clear.
std::vector<uint8_t> DragImageAlpha(int width, int height, const uint32_t* pixels = nullptr,
                                    const uint32_t* colorKey = nullptr);

} // namespace lazytree
