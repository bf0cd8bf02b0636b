#pragma once

#include "platform/ui/Controls.h"

#include <cstdint>

// Data dragged over a window from another program: the window's drop target is told where the drag
// is and answers what a drop there would do.
namespace ui {

using TDropEffect = uint32_t;
inline constexpr TDropEffect DROPEFFECT_NONE = 0;
inline constexpr TDropEffect DROPEFFECT_COPY = 1;
inline constexpr TDropEffect DROPEFFECT_MOVE = 2;
inline constexpr TDropEffect DROPEFFECT_LINK = 4;
// The window may scroll under the drag; it takes no data.
inline constexpr TDropEffect DROPEFFECT_SCROLL = 0x80000000;

class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    virtual TDropEffect DragEnter(TPoint screen, TShiftState shift) = 0;
    virtual TDropEffect DragOver(TPoint screen, TShiftState shift) = 0;
    virtual void DragLeave() = 0;
    virtual TDropEffect Drop(TPoint screen, TShiftState shift) = 0;
};

// Makes `target` the drop target of the window (and of its child windows that have none); false
// when the window does not exist. The target must outlive the registration.
bool RegisterDragDrop(TWinControl& window, IDropTarget* target);
// Nothing when the window has no target.
void RevokeDragDrop(TWinControl& window);

} // namespace ui
