#pragma once

#include <ostream>
#include <string>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Variant.h"

namespace rtl {

// Variants in test failures: kind and text.
inline void PrintTo(const Variant& v, std::ostream* os) {
    *os << v.TypeName();
    if (!v.IsNull() && !v.IsEmpty() && v.Type() != varArray) *os << " " << v.AsString();
}

} // namespace rtl

namespace core::valuetest {

// The message of the rtl exception `action` raises, or "no error".
template <class Action>
std::string ErrorMessage(Action action) {
    try {
        action();
    } catch (const rtl::Exception& e) {
        return e.Message();
    }
    return "no error";
}

} // namespace core::valuetest
