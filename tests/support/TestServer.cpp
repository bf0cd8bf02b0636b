#include "support/TestServer.h"

#include <mysql.h>

#include <cstdlib>

namespace testsupport {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

const std::optional<ServerSettings>& TestServer() {
    static const std::optional<ServerSettings> settings = []() -> std::optional<ServerSettings> {
        if (Env("VELTRANE_TEST_HOST").empty() || Env("VELTRANE_TEST_PORT").empty()) return std::nullopt;
        ServerSettings s;
        s.host = Env("VELTRANE_TEST_HOST");
        s.port = static_cast<unsigned>(std::stoul(Env("VELTRANE_TEST_PORT")));
        s.socket = Env("VELTRANE_TEST_SOCKET");
        s.user = Env("VELTRANE_TEST_USER");
        s.password = Env("VELTRANE_TEST_PASSWORD");
        s.database = Env("VELTRANE_TEST_DATABASE");
        return s;
    }();
    return settings;
}

bool ServerRequired() {
    return Env("CI") == "true";
}

RawSession::RawSession(const ServerSettings& settings, const std::string& database) {
    mysql_ = mysql_init(nullptr);
    if (!mysql_) throw ServerError(0, "mysql_init failed");
    mysql_optionsv(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    const std::string& db = database.empty() ? settings.database : database;
    if (!mysql_real_connect(mysql_, settings.host.c_str(), settings.user.c_str(), settings.password.c_str(),
                            db.c_str(), settings.port, nullptr, CLIENT_MULTI_STATEMENTS)) {
        ServerError error(mysql_errno(mysql_), mysql_error(mysql_));
        mysql_close(mysql_);
        throw error;
    }
}

RawSession::~RawSession() {
    mysql_close(mysql_);
}

void RawSession::Execute(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) throw ServerError(mysql_errno(mysql_), mysql_error(mysql_));
    // Drain every result so the session is ready for the next statement.
    int status = 0;
    do {
        if (MYSQL_RES* result = mysql_store_result(mysql_)) mysql_free_result(result);
        status = mysql_next_result(mysql_);
        if (status > 0) throw ServerError(mysql_errno(mysql_), mysql_error(mysql_));
    } while (status == 0);
}

std::vector<RawSession::Row> RawSession::Query(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) throw ServerError(mysql_errno(mysql_), mysql_error(mysql_));
    MYSQL_RES* result = mysql_store_result(mysql_);
    std::vector<Row> rows;
    if (result) {
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            Row values;
            for (unsigned i = 0; i < columns; ++i) {
                if (row[i])
                    values.emplace_back(std::string(row[i], lengths[i]));
                else
                    values.emplace_back(std::nullopt);
            }
            rows.push_back(std::move(values));
        }
        mysql_free_result(result);
    } else if (mysql_field_count(mysql_) != 0) {
        throw ServerError(mysql_errno(mysql_), mysql_error(mysql_));
    }
    while (mysql_next_result(mysql_) == 0) {
        if (MYSQL_RES* more = mysql_store_result(mysql_)) mysql_free_result(more);
    }
    return rows;
}

std::string RawSession::Scalar(const std::string& sql) {
    auto rows = Query(sql);
    if (rows.empty() || rows[0].empty() || !rows[0][0]) return "";
    return *rows[0][0];
}

unsigned long RawSession::ConnectionId() const {
    return mysql_thread_id(mysql_);
}

void RawSession::Kill(unsigned long connectionId) {
    Execute("KILL " + std::to_string(connectionId));
}

std::vector<unsigned long> RawSession::SessionIds() {
    std::vector<unsigned long> ids;
    for (const auto& row : Query("SELECT ID FROM information_schema.PROCESSLIST WHERE USER = CURRENT_USER() "
                                 "OR USER = SUBSTRING_INDEX(USER(), '@', 1)"))
        if (row[0]) ids.push_back(std::stoul(*row[0]));
    return ids;
}

} // namespace testsupport
