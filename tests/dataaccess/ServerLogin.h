#pragma once

// Just enough of the login for tests of the transports and the packet layer against the real server:
// the greeting, the 4.1 login with the native password token, and single-row text queries.

#include "dataaccess/protocol/uMySqlNet.h"
#include "platform/rtl/DynLib.h"
#include "support/TestServer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dataaccess::testing {

enum : uint32_t {
    kClientLongPassword = 1,
    kClientLongFlag = 4,
    kClientConnectWithDb = 8,
    kClientCompress = 32,
    kClientProtocol41 = 512,
    kClientSsl = 2048,
    kClientTransactions = 8192,
    kClientSecureConnection = 32768,
    kClientBasicFlags = kClientLongPassword | kClientLongFlag | kClientConnectWithDb | kClientProtocol41 |
                        kClientTransactions | kClientSecureConnection,
};

struct Greeting {
    int protocol = 0;
    std::string version;
    uint32_t capabilities = 0;
    TBytes scramble; // 20 bytes
};

// The first packet of a new connection.
inline Greeting ReadGreeting(TMySqlNet& net) {
    net.NewCommand();
    net.ReadPacket();
    Greeting g;
    g.protocol = net.ReadByte();
    g.version = net.ReadString();
    net.ReadInt32(); // thread id
    g.scramble.resize(20);
    net.ReadBytes(g.scramble, 0, 8);
    net.ReadByte();
    g.capabilities = static_cast<uint16_t>(net.ReadInt16());
    net.ReadByte();  // character set
    net.ReadInt16(); // status
    g.capabilities |= static_cast<uint32_t>(static_cast<uint16_t>(net.ReadInt16())) << 16;
    TBytes skipped(11);
    net.ReadBytes(skipped, 0, 11); // scramble length and reserved bytes
    net.ReadBytes(g.scramble, 8, 12);
    return g;
}

// SHA1(password) XOR SHA1(scramble + SHA1(SHA1(password))).
inline TBytes NativePasswordToken(const std::string& password, const TBytes& scramble) {
    static const rtl::TDynLib crypto("libcrypto.so.3");
    using Sha1 = unsigned char* (*)(const unsigned char*, size_t, unsigned char*);
    static const auto sha1 = crypto.Function<Sha1>("SHA1");
    TBytes stage1(20), stage2(20), mix(20);
    sha1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), stage1.data());
    sha1(stage1.data(), 20, stage2.data());
    TBytes salted = scramble;
    salted.insert(salted.end(), stage2.begin(), stage2.end());
    sha1(salted.data(), salted.size(), mix.data());
    for (int i = 0; i < 20; ++i)
        mix[i] ^= stage1[i];
    return mix;
}

// The fixed head of the login packet; alone, it is the request to switch to TLS.
inline void WriteLoginFields(TMySqlNet& net, uint32_t flags) {
    net.ResetBuffer();
    net.WriteInt32(static_cast<int32_t>(flags));
    net.WriteInt32(TMySqlNet::kMaxPacketSize);
    net.WriteByte(8); // latin1: every byte is a character
    net.WriteFill(0, 23);
}

// Completes the login after the greeting (and a TLS switch); raises the server's error.
inline void Login(TMySqlNet& net, uint32_t flags, const testsupport::ServerSettings& server,
                  const Greeting& greeting) {
    WriteLoginFields(net, flags);
    net.WriteString0(server.user);
    const TBytes token = NativePasswordToken(server.password, greeting.scramble);
    net.WriteByte(static_cast<uint8_t>(token.size()));
    net.WriteByteArray(token);
    net.WriteString0(server.database);
    net.Flush();
    net.ReadPacket();
    if (flags & kClientCompress) net.SetCompress(true);
}

// Runs a query whose result is one row; returns its values (NULL as nothing).
inline std::vector<std::optional<std::string>> QueryRow(TMySqlNet& net, const std::string& sql) {
    net.NewCommand();
    net.WriteByte(3); // query
    net.WriteBytes(reinterpret_cast<const uint8_t*>(sql.data()), 0, static_cast<int>(sql.size()));
    net.Flush();
    net.ReadPacket();
    const int64_t columns = net.ReadFieldLength();
    for (int64_t i = 0; i <= columns; ++i) // column definitions and their end marker
        net.ReadPacket();
    net.ReadPacket();
    std::vector<std::optional<std::string>> row;
    for (int64_t i = 0; i < columns; ++i) {
        const int64_t length = net.ReadFieldLength();
        if (length < 0) {
            row.emplace_back();
            continue;
        }
        TBytes value(static_cast<size_t>(length));
        net.ReadBytes(value, 0, static_cast<int>(length));
        row.emplace_back(std::string(value.begin(), value.end()));
    }
    net.ReadPacket(); // end of rows
    return row;
}

} // namespace dataaccess::testing
