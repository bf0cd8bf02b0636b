#pragma once

#include <functional>
#include <string>

#include "platform/rtl/Exception.h"

namespace testsupport {

// What an action raised, as "<class>: <message>", or "no error".
inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const rtl::Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "no error";
}

// The message alone of what an action raised, or "no error".
inline std::string ErrorMessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const rtl::Exception& e) {
        return e.Message();
    }
    return "no error";
}

} // namespace testsupport
