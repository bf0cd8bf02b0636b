// Invalid-argument and unsupported-operation errors of the data-access helpers.
#pragma once

#include "platform/rtl/Exception.h"

#include <string>

namespace dataaccess {

// Invalid arguments and unsupported operations of the data-access helpers; the message may be empty.
class ArgumentException : public rtl::Exception {
public:
    ArgumentException() : rtl::Exception(std::string()) {}
    explicit ArgumentException(std::string message) : rtl::Exception(std::move(message)) {}
    const char* ClassName() const override { return "ArgumentException"; }
};

class NotSupportedException : public rtl::Exception {
public:
    NotSupportedException() : rtl::Exception(std::string()) {}
    explicit NotSupportedException(std::string message) : rtl::Exception(std::move(message)) {}
    const char* ClassName() const override { return "NotSupportedException"; }
};

} // namespace dataaccess
