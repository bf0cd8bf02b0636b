#pragma once

// Drives the session's reply reader and the result-set decoder with arbitrary bytes as the server's
// answer to a query; shared by the randomized test and the libFuzzer target. Any failure other than
// the protocol's own errors (a crash, a sanitizer report, an assertion) is a fault.

#include "FakeMySqlPeer.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlResultSet.h"
#include "dataaccess/protocol/uMySqlSession.h"
#include "dataaccess/store/uSystemExceptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace dataaccess::testing {

// The first byte picks binary or text rows and buffered or row-by-row reading; the rest follows a
// login as the server's reply to one query.
inline void DecodeQueryReply(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const uint8_t mode = data[0];
    TScript login;
    login.Packet(Greeting("10.11.19-MariaDB", kServer41, Scramble20())).Sequence(2).Packet(Ok());
    TBytes stream = login.Done();
    stream.insert(stream.end(), data + 1, data + size);
    TMySqlSession session;
    auto vio = std::make_unique<TMemoryVio>(stream);
    session.Net().SetVio(std::move(vio));
    session.Net().SetMaxPacketSize(1 << 16); // inputs are small; this keeps claimed lengths cheap
    session.SetProtocol(kOtherTransport);
    try {
        session.Connect("h", "u", "", "", 0, "", 0);
        const std::string sql = "SELECT 1";
        session.SimpleCommand(cmdQuery, reinterpret_cast<const uint8_t*>(sql.data()),
                              static_cast<int>(sql.size()), true);
        session.ReadQueryResult();
        if (session.ColumnCount() == 0) return;
        TMySqlResultSet result(&session);
        if (mode & 1) result.SetResultBind(std::make_unique<TMySqlBinds>(result.ColumnCount()));
        if (mode & 2) result.ReadAllRows();
        TMySqlBinds* binds = result.Binds();
        for (int row = 0; row < 64 && result.Fetch(binds); ++row) {
            volatile uint8_t sum = 0; // every value's bytes are read, so a bad offset shows
            for (int i = 0; i < binds->Count(); ++i)
                for (int k = 0; k < (*binds)[i].Length; ++k)
                    sum = sum + binds->Row()[(*binds)[i].Offset + k];
        }
    } catch (const EMySqlException&) {
        // the protocol's own errors, including the end of the input (2013)
    } catch (const ArgumentException&) {
        // a length marker 255, or a 16 MB packet where whole packets are expected
    }
}

} // namespace dataaccess::testing
