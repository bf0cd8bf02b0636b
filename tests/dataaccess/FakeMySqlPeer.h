#pragma once

// A scripted MySQL server for the wire-protocol session: the test writes the server's packets up
// front, the session reads them from memory, and what the session sent is split back into packets.

#include "MemoryVio.h"

#include "dataaccess/protocol/uMySqlSession.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dataaccess::testing {

inline constexpr uint8_t kOtherTransport = 99; // the session keeps the transport attached to it

inline TBytes Bytes(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

// Payload builder with the protocol's encodings.
class TPayload {
public:
    TPayload& Byte(uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    TPayload& Int(uint64_t value, int size) {
        for (int i = 0; i < size; ++i, value >>= 8)
            bytes_.push_back(static_cast<uint8_t>(value));
        return *this;
    }
    TPayload& Raw(const TBytes& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TPayload& Text0(const std::string& text) {
        Raw(Bytes(text));
        return Byte(0);
    }
    TPayload& LengthCoded(const std::string& text) {
        Byte(static_cast<uint8_t>(text.size())); // short texts only
        return Raw(Bytes(text));
    }
    TBytes Done() const { return bytes_; }

private:
    TBytes bytes_;
};

inline TBytes Scramble20() {
    TBytes scramble;
    for (uint8_t i = 0; i < 20; ++i)
        scramble.push_back(static_cast<uint8_t>(0x21 + i * 3));
    return scramble;
}

// A 4.1 greeting as MariaDB sends it; `full` false leaves out the last 12 scramble bytes.
inline TBytes Greeting(const std::string& version, uint16_t capabilities, const TBytes& scramble,
                       bool full = true) {
    TPayload p;
    p.Byte(10).Text0(version).Int(77, 4).Raw(TBytes(scramble.begin(), scramble.begin() + 8)).Byte(0);
    p.Int(capabilities, 2).Byte(33).Int(2, 2).Int(0, 13);
    if (full) p.Raw(TBytes(scramble.begin() + 8, scramble.end())).Byte(0);
    return p.Done();
}

inline TBytes Ok(uint16_t status = 2, uint64_t affected = 0) {
    return TPayload().Byte(0).Byte(static_cast<uint8_t>(affected)).Byte(0).Int(status, 2).Int(0, 2).Done();
}

inline TBytes EndOfData(uint16_t status = 2) {
    return TPayload().Byte(254).Int(0, 2).Int(status, 2).Done();
}

inline TBytes ColumnDefinition(const std::string& name, uint8_t type, uint32_t length = 11) {
    TPayload p;
    p.LengthCoded("def").LengthCoded("db").LengthCoded("t").LengthCoded("t").LengthCoded(name).LengthCoded(
        name);
    p.Byte(12).Int(63, 2).Int(length, 4).Byte(type).Int(0, 2).Byte(0).Int(0, 2);
    return p.Done();
}

inline constexpr uint16_t kServer41 =
    capLongPassword | capLongFlag | capConnectWithDb | capProtocol41 | capTransactions | capSecureConnection;

// The server's side of a conversation: packets with their sequence numbers.
class TScript {
public:
    TScript& Packet(const TBytes& payload) {
        bytes_.push_back(static_cast<uint8_t>(payload.size()));
        bytes_.push_back(static_cast<uint8_t>(payload.size() >> 8));
        bytes_.push_back(static_cast<uint8_t>(payload.size() >> 16));
        bytes_.push_back(sequence_++);
        bytes_.insert(bytes_.end(), payload.begin(), payload.end());
        return *this;
    }
    // The next packet's number, as after the client's own packets.
    TScript& Sequence(uint8_t value) {
        sequence_ = value;
        return *this;
    }
    const TBytes& Done() const { return bytes_; }

private:
    TBytes bytes_;
    uint8_t sequence_ = 0;
};

struct TSentPacket {
    uint8_t Sequence;
    TBytes Payload;
};

// The client's bytes split into packets.
inline std::vector<TSentPacket> SentPackets(const TBytes& written) {
    std::vector<TSentPacket> packets;
    for (size_t at = 0; at + 4 <= written.size();) {
        const size_t length = written[at] | written[at + 1] << 8 | written[at + 2] << 16;
        packets.push_back({written[at + 3], TBytes(written.begin() + static_cast<long>(at + 4),
                                                   written.begin() + static_cast<long>(at + 4 + length))});
        at += 4 + length;
    }
    return packets;
}

// A session on a memory transport that serves `script`.
inline TMemoryVio* AttachScript(TMySqlSession& session, const TScript& script) {
    auto vio = std::make_unique<TMemoryVio>(script.Done());
    TMemoryVio* raw = vio.get();
    session.Net().SetVio(std::move(vio));
    session.SetProtocol(kOtherTransport);
    return raw;
}

} // namespace dataaccess::testing
