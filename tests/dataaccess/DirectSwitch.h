#pragma once

#include <cstdlib>
#include <string_view>

namespace testsupport {

// The connection, command and record-set suites run a second time over the library's own wire
// protocol when VELTRANE_TEST_DIRECT is 1, and over the client library otherwise.
inline bool TestDirect() {
    const char* value = std::getenv("VELTRANE_TEST_DIRECT");
    return value && std::string_view(value) == "1";
}

} // namespace testsupport
