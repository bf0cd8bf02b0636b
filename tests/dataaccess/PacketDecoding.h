#pragma once

// Drives the packet decoder with arbitrary bytes as if a server had sent them; shared by the
// randomized test and the libFuzzer target. Any failure other than the protocol's own errors (a crash,
// a sanitizer report, an assertion, an allocation failure) is a fault.

#include "MemoryVio.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlNet.h"
#include "dataaccess/store/uSystemExceptions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace dataaccess::testing {

// Reads the packet's fields in an order chosen by its own bytes.
inline void DecodeFields(TMySqlNet& net) {
    while (net.Remaining() > 0) {
        switch (net.ReadByte() % 8) {
        case 0:
            net.ReadFieldLength();
            break;
        case 1: {
            const int64_t length = net.ReadFieldLength();
            const int count = static_cast<int>(std::clamp<int64_t>(length, -1, 1 << 16));
            TBytes value(static_cast<size_t>(std::max(count, 0)));
            net.ReadBytes(value, 0, count);
            break;
        }
        case 2:
            net.ReadString();
            break;
        case 3:
            net.ReadInt16();
            break;
        case 4:
            net.ReadInt24();
            break;
        case 5:
            net.ReadInt32();
            break;
        case 6:
            net.ReadInt64();
            break;
        default:
            net.CheckError();
            break;
        }
    }
}

// The first byte picks compression and the way packets are read; the rest is the server's stream.
inline void DecodeServerBytes(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const uint8_t mode = data[0];
    TMySqlNet net;
    net.SetVio(std::make_unique<TMemoryVio>(TBytes(data + 1, data + size)));
    net.SetCompress(mode & 1);
    net.SetMaxPacketSize(1 << 16); // inputs are small; this keeps claimed lengths cheap
    const int style = (mode >> 1) % 3;
    for (int packet = 0; packet < 64; ++packet) {
        try {
            if (style == 1) {
                net.ReceiveBuffer();
            } else if (style == 2 && !net.Compress()) {
                TBytes chunk;
                net.ReadPacketChunked(chunk, 1 + (mode >> 3), mode & 4);
            } else {
                net.ReadPacket();
                DecodeFields(net);
            }
        } catch (const EMySqlException& e) {
            if (e.ErrorCode() == kCrServerLost) return; // the stream is used up
        } catch (const ArgumentException&) {
            // a 16 MB packet where whole packets are expected
        }
    }
}

} // namespace dataaccess::testing
