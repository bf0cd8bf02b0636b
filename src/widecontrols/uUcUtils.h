// UTF-16 helpers of the wide controls: conversions to ANSI, UTF-8 and UTF-7, and code pages.
#pragma once

#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ui {
class TCanvas;
class TControl;
struct TRect;
} // namespace ui

namespace widecontrols {

using rtl::WideChar;
using rtl::WideString;

// Invalid input ("Invalid UTF7"), and a state that valid use never reaches.
RTL_DECLARE_EXCEPTION(EUcGeneralError, rtl::Exception);
RTL_DECLARE_EXCEPTION(EUcInternalError, rtl::Exception);

// Windows always offers Unicode windows here: every 8-bit-only branch of the layer is gone.
inline constexpr bool UnicodePlatform = true;
inline constexpr bool IsWindows51OrLater = true;

// Code pages that stand for "the default one" rather than a character set.
inline constexpr int CP_ACP = 0;
inline constexpr int CP_THREAD_ACP = 3;
inline constexpr int CP_UTF7 = 65000;
inline constexpr int CP_UTF8 = 65001;

// What an 8-bit adapter of a wide string list uses when it was given no code page.
inline constexpr int AdapterDefaultCodePage = CP_THREAD_ACP;

// The code page of the framework's 8-bit text: UTF-8, so no text is lost on the way to the screen.
// Tests switch it to prove what the 8-bit paths do with a single-byte code page.
int DefaultAnsiCodePage();
void SetDefaultAnsiCodePage(int codePage);

// 8-bit text in the default code page and back; characters it lacks become "?".
WideString AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);

// UTF-8 that never loses text: four-byte characters are surrogate pairs, each malformed sequence
// becomes U+FFFD with the rest kept, and a lone surrogate is written as EF BF BD.
std::string WideToUtf8(std::u16string_view text);
WideString Utf8ToWide(std::string_view text);

// UTF-7 with the optional direct characters written as they are; no closing "-" is forced at the end.
std::string WideToUtf7(std::u16string_view text);
// Raises EUcGeneralError "Invalid UTF7" after reading the whole input; returns no partial text.
WideString Utf7ToWide(std::string_view text);

// Any code page, 65000 and 65001 by the coders above, 0 and 3 the default one.
WideString StringToWideWithCodePage(std::string_view text, int codePage);
std::string WideToStringWithCodePage(std::u16string_view text, int codePage);

// A wide property beside an 8-bit one of the framework. Get: when someone changed the 8-bit value
// directly, the stored wide value follows it. Set: stores the wide value and passes its 8-bit form to
// the setter; when two wide texts share one 8-bit form, the setter first gets "" so that the owner
// sees a change.
using TSetAnsiStrEvent = std::function<void(const std::string& text)>;
const WideString& GetSyncedWideString(WideString& stored, const std::string& currentAnsi);
void SetSyncedWideString(const WideString& value, WideString& stored, const std::string& currentAnsi,
                         const TSetAnsiStrEvent& setter);

// Every line break (CR LF, CR, LF, U+2028) as LF (tlbsLF), CR LF (tlbsCRLF) or CR (tlbsCR).
enum TTextLineBreakStyle { tlbsLF, tlbsCRLF, tlbsCR };
WideString AdjustLineBreaksWide(std::u16string_view text, TTextLineBreakStyle style);

// The absolute, normalised path, of any length.
WideString ExpandFileNameWide(std::u16string_view fileName);

// String `identifier` of the program's compiled-in string tables: resources of type RT_STRING numbered
// (identifier >> 4) + 1, each 16 strings of a 16-bit length and that many UTF-16 units. Copies at most
// size - 1 units and a NUL into `buffer` and returns how many; without a buffer (or with size 0 or
// less) returns the string's length. 0 when the table has no such block.
int LoadStringFromTable(uint32_t identifier, char16_t* buffer, int size);
// The system's own string loader, as LoadStringFromTable: the compiled-in tables are the only ones.
int LoadStringWide(uint32_t identifier, char16_t* buffer, int size);

// A resource string: an identifier below 0x10000 names a string of the tables; any other is the
// address of a NUL-terminated 8-bit text.
struct TResStringRec {
    uintptr_t Identifier = 0;
};
// The text of a resource string: from the tables, or the 8-bit text decoded as UTF-8 after a
// byte-order mark and in the default code page without one. Null gives "".
WideString LoadWideResString(const TResStringRec* record);

// ---- The window wrappers over our framework: its text is UTF-8, so nothing is lost either way ----
// The control's window text as UTF-16. Setting a different text sends CM_TEXTCHANGED once.
void SetWindowTextWide(ui::TControl& window, std::u16string_view text);
WideString GetWindowTextWide(const ui::TControl& window);
// Draws (or with DT_CALCRECT measures) the first `count` units of `text` (all of them for -1) on
// `canvas`; answers the text's height.
int DrawTextWide(ui::TCanvas& canvas, std::u16string_view text, int count, ui::TRect& rect, uint32_t format);
// The width of `text` on one line in the canvas's font; nothing is drawn.
int WideTextWidth(ui::TCanvas& canvas, std::u16string_view text);

// The character of a key message. The framework's key characters are UTF-16 code units already (its
// keyboard has no 8-bit code page in between; core::KeyboardCodePage serves 8-bit key bytes), so
// every code is its own character.
WideChar KeyCodeToWideChar(uint32_t characterCode);

// The system's text for an error number (errno), trimmed; "Unspecified error (%d) from system."
// when the system has none.
WideString SysErrorMessageWide(int errorCode);
// Answers `value` unless it is 0; 0 raises rtl::EOSError for the thread's last error (errno).
long CheckOsResult(long value);

} // namespace widecontrols
