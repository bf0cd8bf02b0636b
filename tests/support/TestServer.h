#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct st_mysql;

namespace testsupport {

// Where the private test server listens; read once from the VELTRANE_TEST_* environment.
struct ServerSettings {
    std::string host;
    unsigned port = 0;
    std::string socket;
    std::string user;
    std::string password;
    std::string database;
};

// The settings, or nothing when the environment names no server.
const std::optional<ServerSettings>& TestServer();

// True when tests must not skip for a missing server (the CI environment).
bool ServerRequired();

// A server error seen by RawSession: the MySQL error number and message.
class ServerError : public std::runtime_error {
public:
    ServerError(unsigned code, const std::string& message) : std::runtime_error(message), code(code) {}
    unsigned code;
};

// A plain libmariadb session for test set-up: run SQL, read rows, kill other sessions.
// Values come back as text; NULL is std::nullopt.
class RawSession {
public:
    using Row = std::vector<std::optional<std::string>>;

    explicit RawSession(const ServerSettings& settings, const std::string& database = {});
    ~RawSession();
    RawSession(const RawSession&) = delete;
    RawSession& operator=(const RawSession&) = delete;

    // Runs one statement (or several separated by ';'); throws ServerError on failure.
    void Execute(const std::string& sql);
    // Runs a query and returns all rows of its first result.
    std::vector<Row> Query(const std::string& sql);
    // The first column of the first row, or "" when there is none or it is NULL.
    std::string Scalar(const std::string& sql);
    unsigned long ConnectionId() const;
    // Kills another session by id from this one.
    void Kill(unsigned long connectionId);
    // Ids of the sessions the processlist shows for the test user.
    std::vector<unsigned long> SessionIds();

private:
    st_mysql* mysql_ = nullptr;
};

} // namespace testsupport

// Call first in a test body that needs the server: yields the settings, skips the test when no
// server is configured, and fails it instead when CI=true, so nothing silently skips in CI.
#define VELTRANE_REQUIRE_SERVER()                                                                            \
    ({                                                                                                       \
        const auto& veltraneServer_ = ::testsupport::TestServer();                                           \
        if (!veltraneServer_) {                                                                              \
            if (::testsupport::ServerRequired())                                                             \
                GTEST_FAIL() << "VELTRANE_TEST_* server variables are not set (run scripts/test)";           \
            GTEST_SKIP() << "no test server (run scripts/test-server start)";                                \
        }                                                                                                    \
        *veltraneServer_;                                                                                    \
    })
