#include "app/uDBAMyDataConnection.h"
#include "support/ServerConnection.h"

namespace testsupport {

const char* const kServerConnectionTag = "_adapter";

std::shared_ptr<core::IDBAConnection> NewServerConnection(const ServerSettings& settings,
                                                          const std::string& database) {
    return app::CreateDBAConnection(settings.host, settings.user, settings.password,
                                    database.empty() ? settings.database : database,
                                    static_cast<int>(settings.port));
}

} // namespace testsupport
