#pragma once

#include "core/uDBAConnection.h"
#include "support/TestServer.h"

#include <memory>
#include <string>

namespace testsupport {

// A connection to the test server, not yet connected; the database defaults to the settings' one.
// The suites that take their connection from here run once for every connection there is: each test
// executable links the one it proves (the libmariadb test connection, or the program's own adapter).
std::shared_ptr<core::IDBAConnection> NewServerConnection(const ServerSettings& settings,
                                                          const std::string& database = {});

// Appended to the names of the server objects such a suite makes, so that its runs over different
// connections go in parallel without dropping each other's objects.
extern const char* const kServerConnectionTag;

// The server's id of the connection's session, for KILL from another session.
inline unsigned long SessionIdOf(core::IDBAConnection& connection) {
    return static_cast<unsigned long>(
        connection.Evaluate(u"connection_id()", true, 0)->AsInteger().AsInt64());
}

} // namespace testsupport
