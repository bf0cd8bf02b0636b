// Window messages as the controls' window procedures see them.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <string>

class QWidget;

namespace ui {

// A native window. Outside the framework it is only compared and passed back.
using HWND = QWidget*;

// One message as the controls' window procedures see it. Pointer parameters point at objects that
// live for the duration of the call.
struct TMessage {
    uint32_t Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

inline constexpr uint16_t LoWord(uintptr_t value) {
    return static_cast<uint16_t>(value & 0xFFFF);
}
inline constexpr uint16_t HiWord(uintptr_t value) {
    return static_cast<uint16_t>((value >> 16) & 0xFFFF);
}
inline constexpr intptr_t MakeLParam(int low, int high) {
    return static_cast<intptr_t>(
        static_cast<uint32_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(low) & 0xFFFF)));
}
// A point packed into a message parameter (signed 16-bit halves).
inline constexpr TPoint PointFromLParam(intptr_t lParam) {
    return {static_cast<int16_t>(LoWord(static_cast<uintptr_t>(lParam))),
            static_cast<int16_t>(HiWord(static_cast<uintptr_t>(lParam)))};
}
inline constexpr intptr_t PointToLParam(TPoint p) {
    return MakeLParam(p.X, p.Y);
}

// Window messages.
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_ENABLE = 0x000A;
inline constexpr uint32_t WM_SETREDRAW = 0x000B;
inline constexpr uint32_t WM_SETTEXT = 0x000C; // LParam: const std::string*
inline constexpr uint32_t WM_GETTEXT = 0x000D; // LParam: std::string* that receives the text
inline constexpr uint32_t WM_GETTEXTLENGTH = 0x000E;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SHOWWINDOW = 0x0018;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_GETMINMAXINFO = 0x0024; // LParam: TMinMaxInfo*
inline constexpr uint32_t WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr uint32_t WM_CONTEXTMENU = 0x007B;
inline constexpr uint32_t WM_NCHITTEST = 0x0084; // LParam: a screen point; Result: an HT code
inline constexpr uint32_t WM_NCPAINT = 0x0085;   // LParam: TCanvas* over the whole window
inline constexpr uint32_t WM_GETDLGCODE = 0x0087;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCHAR = 0x0106;
inline constexpr uint32_t WM_IME_STARTCOMPOSITION = 0x010D;
inline constexpr uint32_t WM_IME_ENDCOMPOSITION = 0x010E;
inline constexpr uint32_t WM_IME_COMPOSITION = 0x010F; // LParam: const std::u16string* result string
inline constexpr uint32_t WM_TIMER = 0x0113;
// LParam: the TMenuItem* highlighted in the form's menu, or null once the menu closed.
inline constexpr uint32_t WM_MENUSELECT = 0x011F;
inline constexpr uint32_t WM_HSCROLL = 0x0114;
inline constexpr uint32_t WM_VSCROLL = 0x0115;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A; // WParam: key flags | delta << 16; LParam: screen point
inline constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
inline constexpr uint32_t WM_CUT = 0x0300;
inline constexpr uint32_t WM_COPY = 0x0301;
inline constexpr uint32_t WM_PASTE = 0x0302;
inline constexpr uint32_t WM_USER = 0x0400;

// The framework's control notifications.
inline constexpr uint32_t CM_BASE = 0xB000;
inline constexpr uint32_t CM_ACTIVATE = CM_BASE + 0;
inline constexpr uint32_t CM_DEACTIVATE = CM_BASE + 1;
inline constexpr uint32_t CM_ENABLEDCHANGED = CM_BASE + 11;
inline constexpr uint32_t CM_COLORCHANGED = CM_BASE + 12;
inline constexpr uint32_t CM_FONTCHANGED = CM_BASE + 13;
inline constexpr uint32_t CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr uint32_t CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr uint32_t CM_MOUSEENTER = CM_BASE + 19;
inline constexpr uint32_t CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr uint32_t CM_VISIBLECHANGED = CM_BASE + 23;
inline constexpr uint32_t CM_PARENTFONTCHANGED = CM_BASE + 28;
inline constexpr uint32_t CM_PARENTCOLORCHANGED = CM_BASE + 29;
inline constexpr uint32_t CM_SHOWHINTCHANGED = CM_BASE + 34;
inline constexpr uint32_t CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
inline constexpr uint32_t CM_ENTER = CM_BASE + 36;
inline constexpr uint32_t CM_EXIT = CM_BASE + 37;
inline constexpr uint32_t CM_DIALOGKEY = CM_BASE + 5;   // WParam: key (Return, Escape); Result 1 = used
inline constexpr uint32_t CM_DIALOGCHAR = CM_BASE + 6;  // WParam: character code; Result 1 = used
inline constexpr uint32_t CM_HINTSHOW = CM_BASE + 48;   // LParam: THintInfo*; Result non-zero = no hint
inline constexpr uint32_t CM_MOUSEWHEEL = CM_BASE + 67; // as WM_MOUSEWHEEL; Result 1 = handled
inline constexpr uint32_t CM_RECREATEWND = CM_BASE + 51;

// Key data of WM_KEYDOWN and friends: the Alt key was down.
inline constexpr intptr_t KF_ALTDOWN_BIT = intptr_t{1} << 29;

// Mouse key flags of the mouse messages' WParam.
inline constexpr uintptr_t MK_LBUTTON = 0x0001;
inline constexpr uintptr_t MK_RBUTTON = 0x0002;
inline constexpr uintptr_t MK_SHIFT = 0x0004;
inline constexpr uintptr_t MK_CONTROL = 0x0008;
inline constexpr uintptr_t MK_MBUTTON = 0x0010;
// Not a native flag: Alt has no mouse key flag of its own, but the controls read Alt with the mouse.
inline constexpr uintptr_t MK_ALT = 0x0020;

// WM_SIZE kinds.
inline constexpr uintptr_t SIZE_RESTORED = 0;
inline constexpr uintptr_t SIZE_MINIMIZED = 1;
inline constexpr uintptr_t SIZE_MAXIMIZED = 2;

// Scroll bars and the scroll codes of WM_HSCROLL/WM_VSCROLL (WParam: code | position << 16).
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_BOTH = 3;
inline constexpr int SB_LINEUP = 0;
inline constexpr int SB_LINELEFT = 0;
inline constexpr int SB_LINEDOWN = 1;
inline constexpr int SB_LINERIGHT = 1;
inline constexpr int SB_PAGEUP = 2;
inline constexpr int SB_PAGELEFT = 2;
inline constexpr int SB_PAGEDOWN = 3;
inline constexpr int SB_PAGERIGHT = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_TOP = 6;
inline constexpr int SB_LEFT = 6;
inline constexpr int SB_BOTTOM = 7;
inline constexpr int SB_RIGHT = 7;
inline constexpr int SB_ENDSCROLL = 8;

// WM_GETDLGCODE answers.
inline constexpr intptr_t DLGC_WANTARROWS = 0x0001;
inline constexpr intptr_t DLGC_WANTTAB = 0x0002;
inline constexpr intptr_t DLGC_WANTALLKEYS = 0x0004;
inline constexpr intptr_t DLGC_WANTCHARS = 0x0080;

// Virtual-key codes.
inline constexpr uint16_t VK_LBUTTON = 0x01;
inline constexpr uint16_t VK_RBUTTON = 0x02;
inline constexpr uint16_t VK_CANCEL = 0x03;
inline constexpr uint16_t VK_MBUTTON = 0x04;
inline constexpr uint16_t VK_BACK = 0x08;
inline constexpr uint16_t VK_TAB = 0x09;
inline constexpr uint16_t VK_CLEAR = 0x0C;
inline constexpr uint16_t VK_RETURN = 0x0D;
inline constexpr uint16_t VK_SHIFT = 0x10;
inline constexpr uint16_t VK_CONTROL = 0x11;
inline constexpr uint16_t VK_MENU = 0x12;
inline constexpr uint16_t VK_PAUSE = 0x13;
inline constexpr uint16_t VK_CAPITAL = 0x14;
inline constexpr uint16_t VK_ESCAPE = 0x1B;
inline constexpr uint16_t VK_SPACE = 0x20;
inline constexpr uint16_t VK_PRIOR = 0x21;
inline constexpr uint16_t VK_NEXT = 0x22;
inline constexpr uint16_t VK_END = 0x23;
inline constexpr uint16_t VK_HOME = 0x24;
inline constexpr uint16_t VK_LEFT = 0x25;
inline constexpr uint16_t VK_UP = 0x26;
inline constexpr uint16_t VK_RIGHT = 0x27;
inline constexpr uint16_t VK_DOWN = 0x28;
inline constexpr uint16_t VK_SNAPSHOT = 0x2C;
inline constexpr uint16_t VK_INSERT = 0x2D;
inline constexpr uint16_t VK_DELETE = 0x2E;
inline constexpr uint16_t VK_HELP = 0x2F;
// '0'..'9' and 'A'..'Z' are their own codes.
inline constexpr uint16_t VK_LWIN = 0x5B;
inline constexpr uint16_t VK_RWIN = 0x5C;
inline constexpr uint16_t VK_APPS = 0x5D;
inline constexpr uint16_t VK_NUMPAD0 = 0x60;
inline constexpr uint16_t VK_MULTIPLY = 0x6A;
inline constexpr uint16_t VK_ADD = 0x6B;
inline constexpr uint16_t VK_SEPARATOR = 0x6C;
inline constexpr uint16_t VK_SUBTRACT = 0x6D;
inline constexpr uint16_t VK_DECIMAL = 0x6E;
inline constexpr uint16_t VK_DIVIDE = 0x6F;
inline constexpr uint16_t VK_F1 = 0x70; // through VK_F24 = 0x87
inline constexpr uint16_t VK_F2 = 0x71;
inline constexpr uint16_t VK_F4 = 0x73;
inline constexpr uint16_t VK_NUMLOCK = 0x90;
inline constexpr uint16_t VK_SCROLL = 0x91;
inline constexpr uint16_t VK_OEM_1 = 0xBA;      // ';:'
inline constexpr uint16_t VK_OEM_PLUS = 0xBB;   // '=+'
inline constexpr uint16_t VK_OEM_COMMA = 0xBC;  // ',<'
inline constexpr uint16_t VK_OEM_MINUS = 0xBD;  // '-_'
inline constexpr uint16_t VK_OEM_PERIOD = 0xBE; // '.>'
inline constexpr uint16_t VK_OEM_2 = 0xBF;      // '/?'
inline constexpr uint16_t VK_OEM_3 = 0xC0;      // '`~'
inline constexpr uint16_t VK_OEM_4 = 0xDB;      // '[{'
inline constexpr uint16_t VK_OEM_5 = 0xDC;      // '\|'
inline constexpr uint16_t VK_OEM_6 = 0xDD;      // ']}'
inline constexpr uint16_t VK_OEM_7 = 0xDE;      // quote

// The modifier keys and mouse buttons held with an input event.
enum TShiftStateMember { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = rtl::Set<TShiftStateMember, 8>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// The shift state that mouse key flags describe, and back.
TShiftState KeysToShiftState(uintptr_t keys);
uintptr_t ShiftStateToKeys(TShiftState shift);
// The shift state of a key message's key data (Alt from the context bit) and the keys held now.
TShiftState KeyDataToShiftState(intptr_t keyData);

// WM_NCHITTEST's answers: outside, the client area, and the sizing borders HTLEFT to HTBOTTOMRIGHT.
inline constexpr intptr_t HTNOWHERE = 0;
inline constexpr intptr_t HTCLIENT = 1;
inline constexpr intptr_t HTLEFT = 10;
inline constexpr intptr_t HTRIGHT = 11;
inline constexpr intptr_t HTTOP = 12;
inline constexpr intptr_t HTTOPLEFT = 13;
inline constexpr intptr_t HTTOPRIGHT = 14;
inline constexpr intptr_t HTBOTTOM = 15;
inline constexpr intptr_t HTBOTTOMLEFT = 16;
inline constexpr intptr_t HTBOTTOMRIGHT = 17;

// WM_GETMINMAXINFO's record: the sizes a window may take.
struct TMinMaxInfo {
    TPoint MaxSize;
    TPoint MaxPosition;
    TPoint MinTrackSize;
    TPoint MaxTrackSize;
};

} // namespace ui
