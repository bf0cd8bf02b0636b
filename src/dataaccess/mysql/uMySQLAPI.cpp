#include "dataaccess/mysql/uMySQLAPI.h"

#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <mariadb/mysql.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace dataaccess {

namespace {

[[noreturn]] void AbstractError() {
    throw rtl::Exception("Abstract Error");
}

[[noreturn]] void InvalidClientVersion() {
    throw rtl::Exception("Invalid client version");
}

char* Column(PMYSQL_ROW row, int index) {
    return reinterpret_cast<MYSQL_ROW>(row)[index];
}

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

// MariaDB Connector/C (3.x) and the server's embedded library (10 and later) share the header's layout.
bool HasNativeLayout(const TMySqlVersion& version) {
    return version.Major == 3 || version.Major >= 10;
}

} // namespace

unsigned int TMySQLAPI::mysql_num_fields(PMYSQL_RES) {
    AbstractError();
}
st_mysql_field* TMySQLAPI::mysql_fetch_field_direct(PMYSQL_RES, unsigned int) {
    AbstractError();
}
unsigned int TMySQLAPI::mysql_field_count(PMYSQL_CON) {
    AbstractError();
}
uint64_t TMySQLAPI::mysql_affected_rows(PMYSQL_CON) {
    AbstractError();
}
unsigned int TMySQLAPI::mysql_warning_count(PMYSQL_CON) {
    AbstractError();
}
uint64_t TMySQLAPI::mysql_insert_id(PMYSQL_CON) {
    AbstractError();
}
unsigned int TMySQLAPI::mysql_errno(PMYSQL_CON) {
    AbstractError();
}
std::string TMySQLAPI::mysql_error(PMYSQL_CON) {
    AbstractError();
}
std::string TMySQLAPI::mysql_sqlstate(PMYSQL_CON) {
    AbstractError();
}
std::string TMySQLAPI::mysql_info(PMYSQL_CON) {
    AbstractError();
}
unsigned long TMySQLAPI::mysql_thread_id(PMYSQL_CON) {
    AbstractError();
}
std::string TMySQLAPI::mysql_character_set_name(PMYSQL_CON) {
    AbstractError();
}
PMYSQL_CON TMySQLAPI::mysql_init(PMYSQL_CON) {
    AbstractError();
}
int TMySQLAPI::mysql_ssl_set(PMYSQL_CON, const char*, const char*, const char*, const char*, const char*) {
    AbstractError();
}
PMYSQL_CON TMySQLAPI::mysql_real_connect(PMYSQL_CON, const char*, const char*, const char*, const char*,
                                         unsigned int, const char*, unsigned long) {
    AbstractError();
}
void TMySQLAPI::mysql_close(PMYSQL_CON) {
    AbstractError();
}
int TMySQLAPI::mysql_select_db(PMYSQL_CON, const char*) {
    AbstractError();
}
int TMySQLAPI::mysql_real_query(PMYSQL_CON, const char*, unsigned long) {
    AbstractError();
}
int TMySQLAPI::mysql_kill(PMYSQL_CON, unsigned long) {
    AbstractError();
}
int TMySQLAPI::mysql_ping(PMYSQL_CON) {
    AbstractError();
}
std::string TMySQLAPI::mysql_get_server_info(PMYSQL_CON) {
    AbstractError();
}
std::string TMySQLAPI::mysql_get_client_info() {
    AbstractError();
}
std::string TMySQLAPI::mysql_get_host_info(PMYSQL_CON) {
    AbstractError();
}
PMYSQL_RES TMySQLAPI::mysql_use_result(PMYSQL_CON) {
    AbstractError();
}
int TMySQLAPI::mysql_options(PMYSQL_CON, int, const void*) {
    AbstractError();
}
void TMySQLAPI::mysql_free_result(PMYSQL_RES) {
    AbstractError();
}
PMYSQL_ROW TMySQLAPI::mysql_fetch_row(PMYSQL_RES) {
    AbstractError();
}
unsigned long* TMySQLAPI::mysql_fetch_lengths(PMYSQL_RES) {
    AbstractError();
}
int TMySQLAPI::mysql_server_init(int, char**, char**) {
    AbstractError();
}
void TMySQLAPI::mysql_server_end() {
    AbstractError();
}
PMYSQL_STMT TMySQLAPI::mysql_stmt_init(PMYSQL_CON) {
    AbstractError();
}
int TMySQLAPI::mysql_stmt_prepare(PMYSQL_STMT, const char*, unsigned long) {
    AbstractError();
}
int TMySQLAPI::mysql_stmt_execute(PMYSQL_STMT) {
    AbstractError();
}
unsigned long TMySQLAPI::mysql_stmt_param_count(PMYSQL_STMT) {
    AbstractError();
}
bool TMySQLAPI::mysql_stmt_bind_param(PMYSQL_STMT, st_mysql_bind*) {
    AbstractError();
}
bool TMySQLAPI::mysql_stmt_bind_result(PMYSQL_STMT, st_mysql_bind*) {
    AbstractError();
}
unsigned int TMySQLAPI::mysql_stmt_field_count(PMYSQL_STMT) {
    AbstractError();
}
bool TMySQLAPI::mysql_stmt_close(PMYSQL_STMT) {
    AbstractError();
}
bool TMySQLAPI::mysql_stmt_free_result(PMYSQL_STMT) {
    AbstractError();
}
unsigned int TMySQLAPI::mysql_stmt_errno(PMYSQL_STMT) {
    AbstractError();
}
std::string TMySQLAPI::mysql_stmt_error(PMYSQL_STMT) {
    AbstractError();
}
int TMySQLAPI::mysql_stmt_fetch(PMYSQL_STMT) {
    AbstractError();
}
int TMySQLAPI::mysql_stmt_fetch_column(PMYSQL_STMT, st_mysql_bind*, unsigned int, unsigned long) {
    AbstractError();
}
bool TMySQLAPI::mysql_stmt_send_long_data(PMYSQL_STMT, unsigned int, const char*, unsigned long) {
    AbstractError();
}
PMYSQL_RES TMySQLAPI::mysql_stmt_result_metadata(PMYSQL_STMT) {
    AbstractError();
}
PMYSQL_RES TMySQLAPI::mysql_stmt_param_metadata(PMYSQL_STMT) {
    AbstractError();
}
uint64_t TMySQLAPI::mysql_stmt_affected_rows(PMYSQL_STMT) {
    AbstractError();
}
bool TMySQLAPI::mysql_more_results(PMYSQL_CON) {
    AbstractError();
}
int TMySQLAPI::mysql_next_result(PMYSQL_CON) {
    AbstractError();
}
unsigned int TMySQLAPI::GetServerStatus(PMYSQL_CON) {
    AbstractError();
}

void TMySQLAPI::Init() {
    std::string version = mysql_get_client_info();
    if (!HasNativeLayout(ParseServerVersion(version))) InvalidClientVersion();
    SetClientVersion(std::move(version), mlNative);
}

void TMySQLAPI::ReadFieldDesc(PMYSQL_RES result, unsigned int index, bool, TMYSQL_FIELD& field) {
    if (layout_ != mlNative) InvalidClientVersion();
    const MYSQL_FIELD* source = mysql_fetch_field_direct(result, index);
    RTL_ASSERT(source);
    field.Name = Text(source->name);
    field.OrgName = source->org_name && *source->org_name ? std::string(source->org_name) : field.Name;
    field.Table = Text(source->table);
    field.OrgTable = Text(source->org_table);
    field.Database = Text(source->db);
    field.Flags = source->flags;
    field.FieldType = static_cast<uint8_t>(source->type);
    field.Length = static_cast<uint32_t>(std::min<unsigned long>(source->length, kMaxFieldDisplayLength));
    field.CharsetNr = source->charsetnr;
    field.Decimals = source->decimals;
}

PMYSQL_ROW TMySQLAPI::FetchRow(PMYSQL_RES result) {
    return mysql_fetch_row(result);
}

int TMySQLAPI::StmtFetch(PMYSQL_STMT, PMYSQL_BINDSET&) {
    AbstractError();
}

void TMySQLAPI::GetFieldLengths(PMYSQL_RES result, TLenArr& lengths) {
    const unsigned int count = mysql_num_fields(result);
    const unsigned long* source = mysql_fetch_lengths(result);
    RTL_ASSERT(source || count == 0);
    lengths.assign(source, source + count);
}

bool TMySQLAPI::FieldIsNull(PMYSQL_ROW row, int index) {
    return Column(row, index) == nullptr;
}

void* TMySQLAPI::GetFieldBuf(PMYSQL_RES, PMYSQL_ROW row, int index) {
    return Column(row, index);
}

void TMySQLAPI::CopyFieldValueAt(PMYSQL_ROW row, int index, void* destination, int offset, int count) {
    CopyFieldValue(row, index, static_cast<char*>(destination) + offset, count);
}

void TMySQLAPI::CopyFieldValue(PMYSQL_ROW row, int index, void* destination, int count) {
    if (count > 0) std::memcpy(destination, GetFieldBuf(nullptr, row, index), static_cast<size_t>(count));
}

void TMySQLAPI::CopyFieldStrAt(PMYSQL_ROW row, int index, char* destination, int offset, int maxLength) {
    CopyFieldStr(row, index, destination + offset, maxLength);
}

void TMySQLAPI::CopyFieldStr(PMYSQL_ROW row, int index, char* destination, int maxLength) {
    const char* source = static_cast<const char*>(GetFieldBuf(nullptr, row, index));
    const size_t length = source ? strnlen(source, static_cast<size_t>(std::max(maxLength, 0))) : 0;
    if (length > 0) std::memcpy(destination, source, length);
    destination[length] = '\0';
}

void* TMySQLAPI::GetFieldBufOffset(PMYSQL_ROW row, int index, int& offset, int) {
    offset = 0;
    return GetFieldBuf(nullptr, row, index);
}

void TMySQLAPI::GetFieldString(PMYSQL_ROW row, int index, std::string& text) {
    text = Text(static_cast<const char*>(GetFieldBuf(nullptr, row, index)));
}

int TMySQLAPI::StmtExecuteParams(PMYSQL_STMT, std::span<const TMySqlParam>, bool) {
    AbstractError();
}

// The native layout hands the caller's records to the library as they are; nothing is kept.
bool TMySQLAPI::StmtBindParams(PMYSQL_STMT stmt, TMYSQL_BINDS& binds) {
    return mysql_stmt_bind_param(stmt, binds.data());
}

bool TMySQLAPI::StmtBindResult(PMYSQL_STMT stmt, TMYSQL_BINDS& binds) {
    return mysql_stmt_bind_result(stmt, binds.data());
}

int TMySQLAPI::StmtFetchColumn(PMYSQL_STMT stmt, TMYSQL_BINDS& binds, unsigned int column,
                               unsigned long offset) {
    RTL_ASSERT(column < binds.size());
    return mysql_stmt_fetch_column(stmt, &binds[column], column, offset);
}

void TMySQLAPI::StmtGetLengths(PMYSQL_BINDSET, TLenArr&) {
    AbstractError();
}

void* TMySQLAPI::StmtGetFieldBuf(PMYSQL_STMT, int) {
    AbstractError();
}

int InternalTypeToMySqlType(int dataType) {
    switch (dataType) {
    case dtInt8:
    case dtBoolean:
        return MYSQL_TYPE_TINY;
    case dtInt16:
        return MYSQL_TYPE_SHORT;
    case dtInt32:
    case dtUInt16:
    case dtUInt32:
        return MYSQL_TYPE_LONG;
    case dtFloat:
        return MYSQL_TYPE_DOUBLE;
    case dtDate:
        return MYSQL_TYPE_DATE;
    case dtTime:
        return MYSQL_TYPE_TIME;
    case dtDateTime:
        return MYSQL_TYPE_DATETIME;
    case dtInt64:
        return MYSQL_TYPE_LONGLONG;
    case dtUnknown:
    case dtString:
    case dtBlob:
    case dtMemo:
    case dtExtString:
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
    case dtWideString:
    case dtExtWideString:
    case dtBCD:
    case dtFMTBCD:
    case dtWideMemo:
        return MYSQL_TYPE_VAR_STRING;
    default:
        InvalidInternalFieldType(dataType);
    }
}

void InvalidInternalFieldType(int dataType) {
    rtl::AssertionFailed(rtl::Format("Invalid internal field type $%X (%d)", dataType, dataType).c_str(),
                         __FILE__, __LINE__);
}

void SetMySQLTimeouts(TMySQLAPI& api, PMYSQL_CON mysql, unsigned int seconds) {
    if (!api.IsProtocol41()) return;
    const unsigned int value = seconds == 0 ? kNoTimeoutSeconds : seconds;
    api.mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, &value);
    api.mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, &value);
}

TMySqlVersion ParseServerVersion(const std::string& version) {
    const auto toInt = [](const std::string& text) { return static_cast<int>(rtl::Variant(text).AsInt64()); };
    const auto digitsFrom = [&](size_t start) {
        size_t end = start;
        while (end < version.size() && std::isdigit(static_cast<unsigned char>(version[end])))
            ++end;
        return end;
    };
    TMySqlVersion result;
    const size_t dot = version.find('.');
    result.Major = toInt(version.substr(0, dot));
    const size_t minorStart = dot == std::string::npos ? version.size() : dot + 1;
    const size_t minorEnd = digitsFrom(minorStart);
    result.Minor = toInt(version.substr(minorStart, minorEnd - minorStart));
    const size_t releaseStart = std::min(minorEnd + 1, version.size());
    result.Release = toInt(version.substr(releaseStart, digitsFrom(releaseStart) - releaseStart));
    return result;
}

MYSQL_TIME DateTimeToMySqlTime(rtl::TDateTime value) {
    const rtl::DateTimeParts parts = rtl::DecodeDateTime(value);
    MYSQL_TIME time{};
    time.year = static_cast<unsigned int>(parts.year);
    time.month = static_cast<unsigned int>(parts.month);
    time.day = static_cast<unsigned int>(parts.day);
    time.hour = static_cast<unsigned int>(parts.hour);
    time.minute = static_cast<unsigned int>(parts.minute);
    time.second = static_cast<unsigned int>(parts.second);
    time.second_part = static_cast<unsigned long>(parts.millisecond) * 1000;
    time.neg = 0;
    time.time_type = MYSQL_TIMESTAMP_DATETIME;
    return time;
}

} // namespace dataaccess
