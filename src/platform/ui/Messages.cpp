#include "platform/ui/Messages.h"

#include "platform/ui/Controls.h"

namespace ui {

TShiftState KeysToShiftState(uintptr_t keys) {
    TShiftState shift;
    if (keys & MK_SHIFT) shift.Include(ssShift);
    if (keys & MK_CONTROL) shift.Include(ssCtrl);
    if (keys & MK_ALT) shift.Include(ssAlt);
    if (keys & MK_LBUTTON) shift.Include(ssLeft);
    if (keys & MK_RBUTTON) shift.Include(ssRight);
    if (keys & MK_MBUTTON) shift.Include(ssMiddle);
    return shift;
}

uintptr_t ShiftStateToKeys(TShiftState shift) {
    uintptr_t keys = 0;
    if (shift.Contains(ssShift)) keys |= MK_SHIFT;
    if (shift.Contains(ssCtrl)) keys |= MK_CONTROL;
    if (shift.Contains(ssAlt)) keys |= MK_ALT;
    if (shift.Contains(ssLeft)) keys |= MK_LBUTTON;
    if (shift.Contains(ssRight)) keys |= MK_RBUTTON;
    if (shift.Contains(ssMiddle)) keys |= MK_MBUTTON;
    return keys;
}

TShiftState KeyDataToShiftState(intptr_t keyData) {
    TShiftState shift = KeyboardShiftState();
    if (keyData & KF_ALTDOWN_BIT)
        shift.Include(ssAlt);
    else
        shift.Exclude(ssAlt);
    return shift;
}

} // namespace ui
