// The MySQL client API as one abstract class, with the records and handles it passes.
#pragma once

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The client library's records, laid out by its own header (included where they are read).
struct st_mysql_bind;
struct st_mysql_field;
struct st_mysql_time;

namespace dataaccess {

class TBlob;

// Opaque handles that only the API object that made them understands: with a client library the
// library's own MYSQL, MYSQL_RES, MYSQL_ROW and MYSQL_STMT; with the wire protocol its objects.
struct TMYSQL_CON;
struct TMYSQL_RES;
struct TMYSQL_ROW;
struct TMYSQL_STMT;
struct TMYSQL_BINDSET;
using PMYSQL_CON = TMYSQL_CON*;
using PMYSQL_RES = TMYSQL_RES*;
using PMYSQL_ROW = TMYSQL_ROW*;
using PMYSQL_STMT = TMYSQL_STMT*;
using PMYSQL_BINDSET = TMYSQL_BINDSET*;

// Statement bind records in the client library's own layout.
using TMYSQL_BINDS = std::vector<st_mysql_bind>;
// Byte lengths of a row's columns, as wide as the client library keeps them.
using TLenArr = std::vector<unsigned long>;

// One result column, whatever the API's own record looks like.
struct TMYSQL_FIELD {
    std::string Name;
    std::string OrgName; // the column name when the API gives none
    std::string Table;   // alias
    std::string OrgTable;
    std::string Database; // of the underlying table
    uint32_t Flags = 0;
    uint8_t FieldType = 0;
    uint32_t Length = 0; // capped at kMaxFieldDisplayLength
    uint32_t CharsetNr = 0;
    uint32_t Decimals = 0;
};

inline constexpr uint32_t kMaxFieldDisplayLength = 65535;

// Which record layout the column reader and the timeouts use. The client libraries are read
// through their published header; the legacy 32-bit layouts have no library on this platform.
enum TMySQLLayout : uint8_t {
    mlDirect = 0, // the library's own wire protocol
    mlNative = 4, // a client library of protocol 4.1 and later, through its header
};

// A statement parameter as binding reads it: the command's descriptor reduced to its type,
// direction (4: function result), declared size, value and null flag. A blob value is kept by
// reference in Blob and takes the place of Value.
struct TMySqlParam {
    int DataType = 0;
    int Direction = 1;
    int Size = 0;
    rtl::Variant Value{};
    TBlob* Blob = nullptr;
    bool IsNull = false;
};
inline constexpr int kParamDirectionResult = 4;

// The operations through which the MySQL connection, command and record set reach a server. Most
// are named after, and shaped like, an entry point of the MySQL client library. Operations an
// implementation does not support raise "Abstract Error".
class TMySQLAPI {
public:
    TMySQLAPI() = default;
    virtual ~TMySQLAPI() = default;
    TMySQLAPI(const TMySQLAPI&) = delete;
    TMySQLAPI& operator=(const TMySQLAPI&) = delete;

    virtual unsigned int mysql_num_fields(PMYSQL_RES result);
    virtual st_mysql_field* mysql_fetch_field_direct(PMYSQL_RES result, unsigned int index);
    virtual unsigned int mysql_field_count(PMYSQL_CON mysql);
    virtual uint64_t mysql_affected_rows(PMYSQL_CON mysql);
    // The warnings of the last statement alone, as its reply counted them.
    virtual unsigned int mysql_warning_count(PMYSQL_CON mysql);
    virtual uint64_t mysql_insert_id(PMYSQL_CON mysql);
    virtual unsigned int mysql_errno(PMYSQL_CON mysql);
    virtual std::string mysql_error(PMYSQL_CON mysql);
    virtual std::string mysql_sqlstate(PMYSQL_CON mysql);
    virtual std::string mysql_info(PMYSQL_CON mysql);
    virtual unsigned long mysql_thread_id(PMYSQL_CON mysql);
    virtual std::string mysql_character_set_name(PMYSQL_CON mysql);
    virtual PMYSQL_CON mysql_init(PMYSQL_CON mysql);
    // Null texts are "not given"; the connection passes its settings' texts.
    virtual int mysql_ssl_set(PMYSQL_CON mysql, const char* key, const char* cert, const char* ca,
                              const char* caPath, const char* cipher);
    virtual PMYSQL_CON mysql_real_connect(PMYSQL_CON mysql, const char* host, const char* user,
                                          const char* password, const char* db, unsigned int port,
                                          const char* unixSocket, unsigned long clientFlag);
    virtual void mysql_close(PMYSQL_CON mysql);
    virtual int mysql_select_db(PMYSQL_CON mysql, const char* db);
    virtual int mysql_real_query(PMYSQL_CON mysql, const char* query, unsigned long length);
    virtual int mysql_kill(PMYSQL_CON mysql, unsigned long threadId);
    virtual int mysql_ping(PMYSQL_CON mysql);
    virtual std::string mysql_get_server_info(PMYSQL_CON mysql);
    virtual std::string mysql_get_client_info();
    virtual std::string mysql_get_host_info(PMYSQL_CON mysql);
    virtual PMYSQL_RES mysql_use_result(PMYSQL_CON mysql);
    virtual int mysql_options(PMYSQL_CON mysql, int option, const void* arg);
    virtual void mysql_free_result(PMYSQL_RES result);
    virtual PMYSQL_ROW mysql_fetch_row(PMYSQL_RES result);
    virtual unsigned long* mysql_fetch_lengths(PMYSQL_RES result);
    virtual int mysql_server_init(int argc, char** argv, char** groups);
    virtual void mysql_server_end();
    virtual PMYSQL_STMT mysql_stmt_init(PMYSQL_CON mysql);
    virtual int mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, unsigned long length);
    virtual int mysql_stmt_execute(PMYSQL_STMT stmt);
    virtual unsigned long mysql_stmt_param_count(PMYSQL_STMT stmt);
    virtual bool mysql_stmt_bind_param(PMYSQL_STMT stmt, st_mysql_bind* binds);
    virtual bool mysql_stmt_bind_result(PMYSQL_STMT stmt, st_mysql_bind* binds);
    virtual unsigned int mysql_stmt_field_count(PMYSQL_STMT stmt);
    virtual bool mysql_stmt_close(PMYSQL_STMT stmt);
    virtual bool mysql_stmt_free_result(PMYSQL_STMT stmt);
    virtual unsigned int mysql_stmt_errno(PMYSQL_STMT stmt);
    virtual std::string mysql_stmt_error(PMYSQL_STMT stmt);
    // 0 row fetched, 1 error, 100 no more rows, 101 data truncated.
    virtual int mysql_stmt_fetch(PMYSQL_STMT stmt);
    virtual int mysql_stmt_fetch_column(PMYSQL_STMT stmt, st_mysql_bind* bind, unsigned int column,
                                        unsigned long offset);
    virtual bool mysql_stmt_send_long_data(PMYSQL_STMT stmt, unsigned int paramNumber, const char* data,
                                           unsigned long length);
    virtual PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT stmt);
    virtual PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT stmt);
    virtual uint64_t mysql_stmt_affected_rows(PMYSQL_STMT stmt);
    virtual bool mysql_more_results(PMYSQL_CON mysql);
    // 0 when the next result is ready, -1 when there is none, above 0 on an error.
    virtual int mysql_next_result(PMYSQL_CON mysql);
    // The status flags of the server's last reply (SERVER_STATUS_*), kept by the client library.
    virtual unsigned int GetServerStatus(PMYSQL_CON mysql);

    virtual bool Loaded() { return true; }
    virtual void LoadLib() {}
    virtual void FreeLib() {}
    // Reads the client version and chooses the layout; raises "Invalid client version".
    virtual void Init();
    // `utf8` matters only to the wire protocol.
    virtual void ReadFieldDesc(PMYSQL_RES result, unsigned int index, bool utf8, TMYSQL_FIELD& field);
    virtual PMYSQL_ROW FetchRow(PMYSQL_RES result);
    virtual int StmtFetch(PMYSQL_STMT stmt, PMYSQL_BINDSET& binds);
    virtual void GetFieldLengths(PMYSQL_RES result, TLenArr& lengths);
    virtual bool FieldIsNull(PMYSQL_ROW row, int index);
    virtual void* GetFieldBuf(PMYSQL_RES result, PMYSQL_ROW row, int index);
    virtual void CopyFieldValueAt(PMYSQL_ROW row, int index, void* destination, int offset, int count);
    virtual void CopyFieldValue(PMYSQL_ROW row, int index, void* destination, int count);
    // Copies up to the terminating zero, at most `maxLength` characters, then writes a zero.
    virtual void CopyFieldStrAt(PMYSQL_ROW row, int index, char* destination, int offset, int maxLength);
    virtual void CopyFieldStr(PMYSQL_ROW row, int index, char* destination, int maxLength);
    // A base address such that base + offset is the value.
    virtual void* GetFieldBufOffset(PMYSQL_ROW row, int index, int& offset, int length);
    virtual void GetFieldString(PMYSQL_ROW row, int index, std::string& text);
    // Binds the parameters (a leading function result is skipped) and executes: 0 or an error number.
    virtual int StmtExecuteParams(PMYSQL_STMT stmt, std::span<const TMySqlParam> params, bool useUnicode);
    // True on error.
    virtual bool StmtBindParams(PMYSQL_STMT stmt, TMYSQL_BINDS& binds);
    virtual bool StmtBindResult(PMYSQL_STMT stmt, TMYSQL_BINDS& binds);
    virtual int StmtFetchColumn(PMYSQL_STMT stmt, TMYSQL_BINDS& binds, unsigned int column,
                                unsigned long offset);
    virtual void StmtGetLengths(PMYSQL_BINDSET binds, TLenArr& lengths);
    virtual void* StmtGetFieldBuf(PMYSQL_STMT stmt, int index);

    const std::string& ClientVersion() const { return clientVersion_; }
    TMySQLLayout Layout() const { return layout_; }
    // The layouts of protocol 4.1 and later: the direct protocol and the native client.
    bool IsProtocol41() const { return layout_ == mlDirect || layout_ == mlNative; }

protected:
    // For implementations that set their version themselves.
    void SetClientVersion(std::string version, TMySQLLayout layout) {
        clientVersion_ = std::move(version);
        layout_ = layout;
    }

private:
    std::string clientVersion_;
    TMySQLLayout layout_ = mlDirect;
};

// The MySQL type code for an internal data type code; unknown codes fail the assertion below.
int InternalTypeToMySqlType(int dataType);
// Fails the assertion "Invalid internal field type $%X (%d)".
[[noreturn]] void InvalidInternalFieldType(int dataType);

// The client API over the library's own wire protocol; defined there, so that choosing it does not
// make this layer depend on the protocol.
TMySQLAPI& MySQLAPIDirect();
// The protocol's type code of a column in a row the wire protocol fetched for a statement.
uint8_t DirectRowFieldType(PMYSQL_BINDSET row, int column);

// Read and write timeouts in seconds, 0 meaning a year; only on the 4.1 layouts.
inline constexpr unsigned int kNoTimeoutSeconds = 31536000;
void SetMySQLTimeouts(TMySQLAPI& api, PMYSQL_CON mysql, unsigned int seconds);

struct TMySqlVersion {
    int Major = 0;
    int Minor = 0;
    int Release = 0;
};
// "5.0.45-community-nt" gives 5, 0, 45; a missing part raises the integer conversion error.
TMySqlVersion ParseServerVersion(const std::string& version);

// The client library's date-time record of a date-time value (kind date-time, never negative).
st_mysql_time DateTimeToMySqlTime(rtl::TDateTime value);

} // namespace dataaccess
