#include "support/MariaDBConnection.h"
#include "support/ServerConnection.h"

namespace testsupport {

const char* const kServerConnectionTag = "";

std::shared_ptr<core::IDBAConnection> NewServerConnection(const ServerSettings& settings,
                                                          const std::string& database) {
    return std::make_shared<MariaDBConnection>(settings, database);
}

} // namespace testsupport
