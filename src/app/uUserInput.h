// Numbers and truth values typed by the user, read as the framework reads them.
#pragma once

#include <string_view>

namespace app {

// Decimal digits with an optional sign; anything else raises EConversionError
// "'%s' is not a valid integer value".
int StrToInt(std::string_view text);
// "0" is false, other numbers and "true" are true, "false" is false (any case); anything else raises
// EConversionError "'%s' is not a valid boolean value".
bool StrToBool(std::string_view text);

} // namespace app
