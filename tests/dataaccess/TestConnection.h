#pragma once

// A client connection of the data-access tests to the test server.

#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/server/uCRAccess.h"
#include "DirectSwitch.h"
#include "support/TestServer.h"

#include <memory>

namespace dataaccess::testing {

// Points `connection` at the test server, its user and its database.
inline void UseTestServer(TMySQLConnection& connection, const testsupport::ServerSettings& s,
                          bool direct = testsupport::TestDirect()) {
    connection.SetProp(prDirect, direct);
    connection.SetServer(s.host);
    connection.SetUsername(s.user);
    connection.SetPassword(s.password);
    connection.SetProp(prDatabase, s.database);
    connection.SetProp(prPort, s.port);
}

// A connection to the test server, not yet connected.
inline std::unique_ptr<TMySQLConnection> NewTestConnection(const testsupport::ServerSettings& s,
                                                           bool direct = testsupport::TestDirect()) {
    auto connection = std::make_unique<TMySQLConnection>();
    UseTestServer(*connection, s, direct);
    return connection;
}

// A connection to the test server, connected.
inline std::unique_ptr<TMySQLConnection> ConnectTestConnection(const testsupport::ServerSettings& s,
                                                               bool useUnicode = false,
                                                               bool direct = testsupport::TestDirect()) {
    auto connection = NewTestConnection(s, direct);
    connection->SetProp(prUseUnicode, useUnicode);
    connection->Connect("");
    return connection;
}

} // namespace dataaccess::testing
