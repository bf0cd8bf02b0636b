// The GUID keys of docking controls and sites, and their text form.
#pragma once

#include "docking/vzDockUtils.h"

#include <string>
#include <string_view>

// Keys: every docking control and site is known by a GUID, in layouts and in code.
namespace docking {

RTL_DECLARE_EXCEPTION(EvzDocking, rtl::Exception);

inline constexpr TGuid kNullGuid{};

// A new random key.
TGuid NewGuid();
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case; the first three groups are read from the
// key's bytes little-endian, as layouts store them.
std::string GuidToString(const TGuid& guid);
// The key that text names (either case); anything else raises rtl::EConversionError.
TGuid StringToGuid(std::string_view text);

// The key a docking site gets when its form names none.
inline constexpr const char* kDefaultSiteKey = "{071B7F84-CAEC-4D44-85BA-BC29248C1FF2}";

} // namespace docking
