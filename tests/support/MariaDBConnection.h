#pragma once

#include "support/FetchingConnection.h"
#include "support/TestServer.h"

#include <string>
#include <vector>

struct st_mysql;

namespace testsupport {

// The database interfaces over a libmariadb session, for proving code against the real server.
class MariaDBConnection : public FetchingConnection {
public:
    // Not yet connected; the database defaults to the server settings' one.
    explicit MariaDBConnection(const ServerSettings& settings, const std::string& database = {});
    ~MariaDBConnection() override;

    bool GetConnected() override { return mysql_ != nullptr; }
    // Connects, sends "SET NAMES utf8mb4" ("SET NAMES utf8" on servers without it) and takes the
    // default code page from the database character set; one the catalogue lacks is refused.
    void Connect() override;
    void Disconnect() override;

    // The server's id of this session, for KILL.
    unsigned long ConnectionId() const;

protected:
    std::vector<FetchedResult> Run(const std::string& sql) override;

private:
    [[noreturn]] void RaiseLastError();

    ServerSettings settings_;
    st_mysql* mysql_ = nullptr;
};

} // namespace testsupport
