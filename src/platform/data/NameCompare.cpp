#include "platform/data/NameCompare.h"

#include "platform/rtl/StringList.h"

namespace data {

bool SameName(std::string_view a, std::string_view b) {
    // The runtime's case rule lives with its string list; a default list compares ignoring case.
    static const rtl::TStringList caseInsensitive;
    return caseInsensitive.CompareStrings(a, b) == 0;
}

} // namespace data
