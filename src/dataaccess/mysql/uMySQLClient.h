// The MySQL client API over the client library, loaded at run time.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"

#include <memory>
#include <string>

namespace rtl {
class TDynLib;
}

namespace dataaccess {

// The MySQL client library the program loads at run time.
inline constexpr const char* kMySQLClientLibName = "libmariadb.so.3";

// TMySQLAPI over the MySQL client library, loaded at run time with its entry points looked up by
// name. A name the library lacks stays unbound: the library still loads, and calling that entry
// point raises "MySQL API function is not linked. ...".
class TMySQLAPIClient : public TMySQLAPI {
public:
    // `libName` is the file to load; tests point it at libraries of their own.
    explicit TMySQLAPIClient(std::string libName = kMySQLClientLibName);
    ~TMySQLAPIClient() override;

    unsigned int mysql_num_fields(PMYSQL_RES result) override;
    st_mysql_field* mysql_fetch_field_direct(PMYSQL_RES result, unsigned int index) override;
    unsigned int mysql_field_count(PMYSQL_CON mysql) override;
    uint64_t mysql_affected_rows(PMYSQL_CON mysql) override;
    unsigned int mysql_warning_count(PMYSQL_CON mysql) override;
    uint64_t mysql_insert_id(PMYSQL_CON mysql) override;
    unsigned int mysql_errno(PMYSQL_CON mysql) override;
    std::string mysql_error(PMYSQL_CON mysql) override;
    std::string mysql_sqlstate(PMYSQL_CON mysql) override;
    std::string mysql_info(PMYSQL_CON mysql) override;
    unsigned long mysql_thread_id(PMYSQL_CON mysql) override;
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
    int mysql_options(PMYSQL_CON mysql, int option, const void* arg) override;
    void mysql_free_result(PMYSQL_RES result) override;
    PMYSQL_ROW mysql_fetch_row(PMYSQL_RES result) override;
    unsigned long* mysql_fetch_lengths(PMYSQL_RES result) override;
    int mysql_server_init(int argc, char** argv, char** groups) override;
    void mysql_server_end() override;
    PMYSQL_STMT mysql_stmt_init(PMYSQL_CON mysql) override;
    int mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, unsigned long length) override;
    int mysql_stmt_execute(PMYSQL_STMT stmt) override;
    unsigned long mysql_stmt_param_count(PMYSQL_STMT stmt) override;
    bool mysql_stmt_bind_param(PMYSQL_STMT stmt, st_mysql_bind* binds) override;
    bool mysql_stmt_bind_result(PMYSQL_STMT stmt, st_mysql_bind* binds) override;
    unsigned int mysql_stmt_field_count(PMYSQL_STMT stmt) override;
    bool mysql_stmt_close(PMYSQL_STMT stmt) override;
    bool mysql_stmt_free_result(PMYSQL_STMT stmt) override;
    unsigned int mysql_stmt_errno(PMYSQL_STMT stmt) override;
    std::string mysql_stmt_error(PMYSQL_STMT stmt) override;
    int mysql_stmt_fetch(PMYSQL_STMT stmt) override;
    int mysql_stmt_fetch_column(PMYSQL_STMT stmt, st_mysql_bind* bind, unsigned int column,
                                unsigned long offset) override;
    bool mysql_stmt_send_long_data(PMYSQL_STMT stmt, unsigned int paramNumber, const char* data,
                                   unsigned long length) override;
    PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT stmt) override;
    PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT stmt) override;
    uint64_t mysql_stmt_affected_rows(PMYSQL_STMT stmt) override;
    bool mysql_more_results(PMYSQL_CON mysql) override;
    int mysql_next_result(PMYSQL_CON mysql) override;
    unsigned int GetServerStatus(PMYSQL_CON mysql) override;

    bool Loaded() override { return lib_ != nullptr; }
    void LoadLib() override;
    // The entry points are unbound with the library, so a later call raises instead of crashing.
    void FreeLib() override;
    // Loads the library, then reads its version; raises EOSError "MySQL client library couldn't be
    // loaded. ..." when it cannot be loaded.
    void Init() override;
    int StmtExecuteParams(PMYSQL_STMT stmt, std::span<const TMySqlParam> params, bool useUnicode) override;

    virtual std::string GetLibName() const { return libName_; }
    // The loader's reason for the last failed load; empty after a successful one.
    const std::string& LastLoadError() const { return lastLoadError_; }

protected:
    // Raised by a call whose entry point the library lacks.
    [[noreturn]] virtual void NotLinked() const;

private:
    struct TEntryPoints;

    // The entry point, or the not-linked error when the library lacks it.
    template <class F>
    F Bound(F entry) const;

    std::string libName_;
    std::unique_ptr<TEntryPoints> entries_;
    std::string lastLoadError_;
    std::unique_ptr<rtl::TDynLib> lib_;
};

// The process-wide client-library API object.
TMySQLAPIClient& MySQLAPIClient();

} // namespace dataaccess
