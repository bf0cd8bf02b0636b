#include "support/MariaDBConnection.h"

#include "core/uMySQLTypes.h"

#include <mysql.h>

namespace testsupport {

namespace {

// utf8mb4 came with MySQL 5.5.3; every MariaDB 10 has it.
constexpr unsigned long kFirstUtf8mb4Version = 50503;
constexpr unsigned kBinaryCharset = 63;

FetchedResult ReadResultSet(MYSQL_RES* result) {
    FetchedResult fetched;
    fetched.hasResultSet = true;
    const unsigned count = mysql_num_fields(result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    for (unsigned i = 0; i < count; ++i) {
        const MYSQL_FIELD& field = fields[i];
        fetched.columns.push_back({std::string(field.name, field.name_length),
                                   static_cast<std::uint8_t>(field.type), (field.flags & UNSIGNED_FLAG) != 0,
                                   field.charsetnr == kBinaryCharset,
                                   static_cast<std::int64_t>(field.length)});
    }
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        FetchedRow values;
        for (unsigned i = 0; i < count; ++i)
            values.push_back(row[i] ? std::optional<std::string>(std::string(row[i], lengths[i]))
                                    : std::nullopt);
        fetched.rows.push_back(std::move(values));
    }
    return fetched;
}

} // namespace

MariaDBConnection::MariaDBConnection(const ServerSettings& settings, const std::string& database)
    : FetchingConnection(settings.host, database.empty() ? settings.database : database),
      settings_(settings) {
    settings_.database = GetDatabase();
}

MariaDBConnection::~MariaDBConnection() {
    Disconnect();
}

void MariaDBConnection::Connect() {
    if (mysql_) return;
    mysql_ = mysql_init(nullptr);
    if (!mysql_real_connect(mysql_, settings_.host.c_str(), settings_.user.c_str(),
                            settings_.password.c_str(), settings_.database.c_str(), settings_.port, nullptr,
                            CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS)) {
        const unsigned code = mysql_errno(mysql_);
        const std::string sqlState = mysql_sqlstate(mysql_);
        const std::string message = mysql_error(mysql_);
        Disconnect();
        RaiseServerError(code, sqlState, message);
    }
    ExecSQL(mysql_get_server_version(mysql_) >= kFirstUtf8mb4Version ? "SET NAMES utf8mb4"
                                                                     : "SET NAMES utf8");
    const auto charset = Evaluate(u"SHOW VARIABLES like 'character_set_database'", false, 1);
    try {
        // A character set the catalogue lacks raises "Unknown character set": its text would read wrongly.
        GetDataConverter().SetDefaultCodePage(core::CharsetCodePages[core::CharsetIndexByName(
            charset->IsNull() ? "" : charset->AsString().AsString())]);
    } catch (...) {
        Disconnect();
        throw;
    }
}

void MariaDBConnection::Disconnect() {
    if (mysql_) mysql_close(mysql_);
    mysql_ = nullptr;
}

unsigned long MariaDBConnection::ConnectionId() const {
    return mysql_ ? mysql_thread_id(mysql_) : 0;
}

void MariaDBConnection::RaiseLastError() {
    RaiseServerError(mysql_errno(mysql_), mysql_sqlstate(mysql_), mysql_error(mysql_));
}

std::vector<FetchedResult> MariaDBConnection::Run(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) RaiseLastError();
    // Every result is read now, so the session is ready for the next statement whatever the caller does.
    std::vector<FetchedResult> results;
    for (;;) {
        FetchedResult result;
        if (MYSQL_RES* resultSet = mysql_store_result(mysql_)) {
            result = ReadResultSet(resultSet);
            mysql_free_result(resultSet);
        } else if (mysql_field_count(mysql_) != 0) {
            RaiseLastError();
        }
        result.affectedRows = static_cast<std::int64_t>(mysql_affected_rows(mysql_));
        result.warningCount = static_cast<int>(mysql_warning_count(mysql_));
        results.push_back(std::move(result));
        const int status = mysql_next_result(mysql_);
        if (status > 0) RaiseLastError();
        if (status < 0) return results;
    }
}

} // namespace testsupport
