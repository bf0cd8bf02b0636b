// A top-level window's placement: its state and normal rectangle.
#pragma once

#include "platform/ui/Messages.h"
#include "platform/ui/Types.h"

namespace ui {

// How a window shows, as a placement records it.
constexpr unsigned SW_HIDE = 0;
constexpr unsigned SW_SHOWNORMAL = 1;
constexpr unsigned SW_SHOWMINIMIZED = 2;
constexpr unsigned SW_SHOWMAXIMIZED = 3;
constexpr unsigned WPF_SETMINPOSITION = 1;

// A top-level window's placement: its state and the rectangle it has when neither minimised nor
// maximised (kept while it is either).
struct TWindowPlacement {
    unsigned flags = 0;
    unsigned showCmd = SW_SHOWNORMAL;
    TPoint ptMinPosition;
    TPoint ptMaxPosition;
    TRect rcNormalPosition;
};

// False when `window` is null.
bool GetWindowPlacement(HWND window, TWindowPlacement& placement);
// Moves the window to the normal rectangle and puts it into the recorded state (SW_HIDE hides it).
bool SetWindowPlacement(HWND window, const TWindowPlacement& placement);

} // namespace ui
