// Compares component, field and parameter names without case.
#pragma once

#include <string_view>

namespace data {

// Names of components, fields, field definitions and parameters are equal when they differ only in
// case (Unicode simple lower-casing, independent of the process locale).
bool SameName(std::string_view a, std::string_view b);

} // namespace data
