// System metrics: screen sizes, work areas and timing settings.
#pragma once

#include "platform/ui/Types.h"

namespace ui {

// GetSystemMetrics indices.
enum TSystemMetric {
    SM_CXSCREEN = 0,
    SM_CYSCREEN = 1,
    SM_CXVSCROLL = 2,
    SM_CYHSCROLL = 3,
    SM_CYCAPTION = 4,
    SM_CXBORDER = 5,
    SM_CYBORDER = 6,
    SM_CXDLGFRAME = 7,
    SM_CYDLGFRAME = 8,
    SM_CYVTHUMB = 9,
    SM_CXHTHUMB = 10,
    SM_CXICON = 11,
    SM_CYICON = 12,
    SM_CXCURSOR = 13,
    SM_CYCURSOR = 14,
    SM_CYMENU = 15,
    SM_CYVSCROLL = 20,
    SM_CXHSCROLL = 21,
    SM_CXFRAME = 32,
    SM_CYFRAME = 33,
    SM_CXDOUBLECLK = 36,
    SM_CYDOUBLECLK = 37,
    SM_CXEDGE = 45,
    SM_CYEDGE = 46,
    SM_CXSMICON = 49,
    SM_CYSMICON = 50,
    SM_CYSMCAPTION = 51,
    SM_CXDRAG = 68,
    SM_CYDRAG = 69,
    SM_CXMENUCHECK = 71,
    SM_CYMENUCHECK = 72,
    SM_CMONITORS = 80,
};

// The desktop's measures. Sizes of parts drawn by Qt (scroll bars) come from the Qt style when an
// application exists; the rest are fixed, so that layouts are the same on every machine.
int GetSystemMetrics(TSystemMetric metric);

// The logical resolution of the screen (fixed at 96).
int ScreenPixelsPerInch();
// The primary screen and the part of it that windows may cover (no panels under offscreen).
TRect ScreenRect();
TRect WorkArea();
// The longest pause between the clicks of a double click, in milliseconds.
int GetDoubleClickTime();
// Lines a wheel notch scrolls; 0 or less means a page.
int WheelScrollLines();
// The delta of one wheel notch.
constexpr int WHEEL_DELTA = 120;
// The caret's on (and off) time in milliseconds.
int GetCaretBlinkTime();
// Windows move with their contents while dragged; menus open without animation.
constexpr bool kDragFullWindows = true;
constexpr bool kMenuAnimation = false;

} // namespace ui
