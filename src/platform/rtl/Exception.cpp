#include "platform/rtl/Exception.h"

#include <string>

namespace rtl {

void AssertionFailed(const char* message, const char* file, int line) {
    // Same shape as the original runtime: "<message> (<file>, line <n>)" with "Assertion failure" as the
    // default message.
    std::string text = (message && *message) ? message : "Assertion failure";
    text += " (";
    text += file;
    text += ", line ";
    text += std::to_string(line);
    text += ")";
    throw EAssertionFailed(text);
}

void ListIndexError(long long index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace rtl
