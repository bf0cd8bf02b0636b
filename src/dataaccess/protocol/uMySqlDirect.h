// The MySQL client API over the library's own wire protocol, without a client library.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"

namespace dataaccess {

class TCRIOHandler;

// TMySQLAPI over the library's own wire protocol, without a client library. Handles are the
// protocol's objects: a TMySqlSession, a TMySqlResultSet, a TMySqlBinds row and a TMySqlStmt.
// Protocol errors are kept on the session or statement and read back as with the client library.
class TMySQLAPIDirect : public TMySQLAPI {
public:
    static constexpr const char* kClientVersion = "4.1.3 Direct";

    unsigned int mysql_num_fields(PMYSQL_RES result) override;
    st_mysql_field* mysql_fetch_field_direct(PMYSQL_RES result, unsigned int index) override;
    unsigned int mysql_field_count(PMYSQL_CON mysql) override;
    uint64_t mysql_affected_rows(PMYSQL_CON mysql) override;
    unsigned int mysql_warning_count(PMYSQL_CON mysql) override;
    uint64_t mysql_insert_id(PMYSQL_CON mysql) override;
    unsigned int mysql_errno(PMYSQL_CON mysql) override;
    std::string mysql_error(PMYSQL_CON mysql) override;
    // Split from the server's error packet; "00000" after success, "HY000" for the client's own errors.
    std::string mysql_sqlstate(PMYSQL_CON mysql) override;
    std::string mysql_info(PMYSQL_CON mysql) override;
    unsigned long mysql_thread_id(PMYSQL_CON mysql) override;
    // The login's character set, or the one the last SET NAMES chose.
    std::string mysql_character_set_name(PMYSQL_CON mysql) override;
    PMYSQL_CON mysql_init(PMYSQL_CON mysql) override;
    int mysql_ssl_set(PMYSQL_CON mysql, const char* key, const char* cert, const char* ca, const char* caPath,
                      const char* cipher) override;
    PMYSQL_CON mysql_real_connect(PMYSQL_CON mysql, const char* host, const char* user, const char* password,
                                  const char* db, unsigned int port, const char* unixSocket,
                                  unsigned long clientFlag) override;
    void mysql_close(PMYSQL_CON mysql) override;
    int mysql_select_db(PMYSQL_CON mysql, const char* db) override;
    int mysql_real_query(PMYSQL_CON mysql, const char* query, unsigned long length) override;
    int mysql_kill(PMYSQL_CON mysql, unsigned long threadId) override;
    int mysql_ping(PMYSQL_CON mysql) override;
    std::string mysql_get_server_info(PMYSQL_CON mysql) override;
    std::string mysql_get_client_info() override;
    std::string mysql_get_host_info(PMYSQL_CON mysql) override;
    PMYSQL_RES mysql_use_result(PMYSQL_CON mysql) override;
    // 0 connect timeout, 2 named pipe, 8 local infile, 9 protocol, 11 and 12 read timeout.
    int mysql_options(PMYSQL_CON mysql, int option, const void* arg) override;
    void mysql_free_result(PMYSQL_RES result) override;
    PMYSQL_ROW mysql_fetch_row(PMYSQL_RES result) override;
    unsigned long* mysql_fetch_lengths(PMYSQL_RES result) override;
    int mysql_server_init(int argc, char** argv, char** groups) override;
    void mysql_server_end() override;
    PMYSQL_STMT mysql_stmt_init(PMYSQL_CON mysql) override;
    int mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, unsigned long length) override;
    unsigned long mysql_stmt_param_count(PMYSQL_STMT stmt) override;
    unsigned int mysql_stmt_field_count(PMYSQL_STMT stmt) override;
    bool mysql_stmt_close(PMYSQL_STMT stmt) override;
    bool mysql_stmt_free_result(PMYSQL_STMT stmt) override;
    unsigned int mysql_stmt_errno(PMYSQL_STMT stmt) override;
    std::string mysql_stmt_error(PMYSQL_STMT stmt) override;
    int mysql_stmt_fetch(PMYSQL_STMT stmt) override;
    bool mysql_stmt_send_long_data(PMYSQL_STMT stmt, unsigned int paramNumber, const char* data,
                                   unsigned long length) override;
    // The statement's own result set (it stays the statement's); none without result columns.
    PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT stmt) override;
    PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT stmt) override;
    uint64_t mysql_stmt_affected_rows(PMYSQL_STMT stmt) override;
    bool mysql_more_results(PMYSQL_CON mysql) override;
    int mysql_next_result(PMYSQL_CON mysql) override;
    unsigned int GetServerStatus(PMYSQL_CON mysql) override;

    void Init() override;
    void ReadFieldDesc(PMYSQL_RES result, unsigned int index, bool utf8, TMYSQL_FIELD& field) override;
    // A statement's rows are binary: without bound results its own bind set is made first.
    int StmtFetch(PMYSQL_STMT stmt, PMYSQL_BINDSET& binds) override;
    void GetFieldLengths(PMYSQL_RES result, TLenArr& lengths) override;
    bool FieldIsNull(PMYSQL_ROW row, int index) override;
    void* GetFieldBuf(PMYSQL_RES result, PMYSQL_ROW row, int index) override;
    void CopyFieldValueAt(PMYSQL_ROW row, int index, void* destination, int offset, int count) override;
    void CopyFieldValue(PMYSQL_ROW row, int index, void* destination, int count) override;
    // Values carry no terminator: at most the value's own bytes are copied, then a zero.
    void CopyFieldStrAt(PMYSQL_ROW row, int index, char* destination, int offset, int maxLength) override;
    void CopyFieldStr(PMYSQL_ROW row, int index, char* destination, int maxLength) override;
    void* GetFieldBufOffset(PMYSQL_ROW row, int index, int& offset, int length) override;
    void GetFieldString(PMYSQL_ROW row, int index, std::string& text) override;
    int StmtExecuteParams(PMYSQL_STMT stmt, std::span<const TMySqlParam> params, bool useUnicode) override;
    bool StmtBindResult(PMYSQL_STMT stmt, TMYSQL_BINDS& binds) override;
    int StmtFetchColumn(PMYSQL_STMT stmt, TMYSQL_BINDS& binds, unsigned int column,
                        unsigned long offset) override;
    void StmtGetLengths(PMYSQL_BINDSET binds, TLenArr& lengths) override;
    void* StmtGetFieldBuf(PMYSQL_STMT stmt, int index) override;
};

// The process-wide instance.
TMySQLAPIDirect& MySQLAPIDirectInstance();

// The transport component a connection uses in place of its own sockets.
void SetMySqlIOHandler(PMYSQL_CON mysql, TCRIOHandler* handler);

} // namespace dataaccess
