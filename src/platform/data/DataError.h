// Raises the database error of a component.
#pragma once

#include "platform/rtl/Exception.h"

#include <string>

namespace data {

class TComponent;

RTL_DECLARE_EXCEPTION(EDatabaseError, rtl::Exception);

// Raises EDatabaseError with `message`, prefixed with "<name>: " when `component` has a name.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);

} // namespace data
