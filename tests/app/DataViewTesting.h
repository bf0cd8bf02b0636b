// Reading a data view's grid in tests.
#pragma once

#include "platform/rtl/Utf.h"
#include "widecontrols/uUcDBGrids.h"

#include <string>

namespace app::testing {

// The grid's column titles joined with " | ".
inline std::string GridTitles(const widecontrols::TUcDBGrid& grid) {
    std::string titles;
    for (int i = 0; i < grid.Columns()->Count(); ++i)
        titles += (i > 0 ? " | " : "") + rtl::Utf16ToUtf8(grid.Columns()->Items(i)->Title()->Caption());
    return titles;
}

} // namespace app::testing
