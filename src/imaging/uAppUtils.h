// What the placement components share: the default store names, access to either kind of store,
// and a form's window placement as store items.
#pragma once

#include "platform/data/Component.h"
#include "platform/rtl/IniFiles.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ui {
class TCustomForm;
}

namespace imaging {

// Supplies the default INI file name when set.
extern std::function<std::string()> DefaultIniFileNameHook;
// Put between "Software\" and the program name in the default registry key.
extern std::string RegistryKeyPrefix;
// The application's title, when not empty, names the default registry key instead of the program.
extern bool UseApplicationTitle;

// The program file's path ("/proc/self/exe" resolved).
std::string ProgramFileName();
// "Software\" + [RegistryKeyPrefix "\"] + the program file's base name (or the title).
std::string DefaultRegistryKey();
// The hook's answer, or the program file's name with the extension ".INI".
std::string DefaultIniFileName();
// The section a component stores under: a form's class name; a control's name after its form's
// class name or its parent's name; another component's name, after "<form class>." when a form owns it.
std::string DefaultSectionName(const data::TComponent* component);

// The store operations of both kinds of store; for no store, reads answer the default and writes do
// nothing. An INI value quoted at both ends with the same quote gets one more pair of double quotes,
// since reading an INI value takes one pair off.
std::string StoreReadString(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                            const std::string& def);
void StoreWriteString(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                      const std::string& value);
int64_t StoreReadInteger(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                         int64_t def);
void StoreWriteInteger(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                       int64_t value);

// "name(<screen width>x<screen height>)": placement items written at one screen size.
std::string ScreenSizeName(const std::string& name);

// The form's placement as the items Flags, ShowCmd, PixelsPerInch, MinMaxPos and NormPos.
void WriteWindowPlacement(ui::TCustomForm* form, rtl::TCustomIniFile* store, const std::string& section);
// Applies what was written: the position part, the state part, or both.
void ReadWindowPlacement(ui::TCustomForm* form, rtl::TCustomIniFile* store, const std::string& section,
                         bool position, bool state);

// The short date format of the program's date texts (rtl's DateTimeToString).
inline constexpr const char* kShortDateFormat = "yyyy-mm-dd";
// Whether a date format shows the year with four digits ("YYYY" in any case).
bool HasFourDigitYear(std::string_view shortDateFormat);
// HasFourDigitYear of the short date format, decided once.
bool ShortDateHasFourDigitYear();

// The program's two cursors in the screen's cursor table.
inline constexpr int crUxHand = 14000;
inline constexpr int crUxDrag = 14001;
void InstallUxCursors();

} // namespace imaging
