// The root of every error the program raises, and the macros that declare errors and assert.
#pragma once

#include <stdexcept>
#include <string>

namespace rtl {

// Root of every error the program raises: a message (UTF-8) and the class name shown to users
// and checked by callers that dispatch on the kind of failure.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    ~Exception() override = default;

    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    virtual const char* ClassName() const { return "Exception"; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Declares an exception class `Name` derived from `Base` that reports its own class name.
#define RTL_DECLARE_EXCEPTION(Name, Base)                                                                    \
    class Name : public Base {                                                                               \
        using BaseType = Base; /* lets Base be a qualified name */                                           \
                                                                                                             \
    public:                                                                                                  \
        using BaseType::BaseType;                                                                            \
        const char* ClassName() const override { return #Name; }                                             \
    }

RTL_DECLARE_EXCEPTION(EAssertionFailed, Exception);
RTL_DECLARE_EXCEPTION(EConversionError, Exception);
RTL_DECLARE_EXCEPTION(EListError, Exception);
RTL_DECLARE_EXCEPTION(EStreamError, Exception);
RTL_DECLARE_EXCEPTION(EOSError, Exception);
RTL_DECLARE_EXCEPTION(ENotSupported, Exception);

// Raises EAssertionFailed with "Assertion failure", the message if any, and the source file and line.
[[noreturn]] void AssertionFailed(const char* message, const char* file, int line);

// Raises EListError "List index out of bounds (%d)".
[[noreturn]] void ListIndexError(long long index);

} // namespace rtl

#define RTL_ASSERT(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) ::rtl::AssertionFailed(nullptr, __FILE__, __LINE__);                                    \
    } while (0)

#define RTL_ASSERT_MSG(cond, msg)                                                                            \
    do {                                                                                                     \
        if (!(cond)) ::rtl::AssertionFailed((msg), __FILE__, __LINE__);                                      \
    } while (0)
