#pragma once

// What the component tests share.

#include "components/uMyConnection.h"
#include "support/TestServer.h"

#include <memory>

namespace components::testing {

// A connection to the test server through the client library, not yet connected.
inline std::unique_ptr<TMyConnection> NewConnection(const testsupport::ServerSettings& s) {
    auto connection = std::make_unique<TMyConnection>();
    connection->SetServer(s.host);
    connection->SetUsername(s.user);
    connection->SetPassword(s.password);
    connection->SetPort(static_cast<int>(s.port));
    connection->SetDatabase(s.database);
    connection->SetLoginPrompt(false);
    connection->Options().SetDirect(false);
    return connection;
}

} // namespace components::testing
