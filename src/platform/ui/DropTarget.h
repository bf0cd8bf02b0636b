// Drop targets: windows told about data dragged over them from another program.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/MimeData.h"

#include <cstdint>

namespace ui {

// Data dragged over a window from another program: the window's drop target is told where the drag
// is and answers what a drop there would do (DROPEFFECT_ flags).
class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    virtual uint32_t DragEnter(TPoint screen, TShiftState shift) = 0;
    virtual uint32_t DragOver(TPoint screen, TShiftState shift) = 0;
    virtual void DragLeave() = 0;
    virtual uint32_t Drop(TPoint screen, TShiftState shift) = 0;
};

// Makes `target` the drop target of the window (and of its child windows that have none); false
// when the window does not exist. The target must outlive the registration.
bool RegisterDragDrop(TWinControl& window, IDropTarget* target);
// Nothing when the window has no target.
void RevokeDragDrop(TWinControl& window);

} // namespace ui
