// libFuzzer entry point: arbitrary bytes as a server's reply to a query, read into a result set.

#include "dataaccess/ResultSetDecoding.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dataaccess::testing::DecodeQueryReply(data, size);
    return 0;
}
