// libFuzzer entry point: arbitrary bytes as a server's stream into the packet decoder.

#include "dataaccess/PacketDecoding.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dataaccess::testing::DecodeServerBytes(data, size);
    return 0;
}
