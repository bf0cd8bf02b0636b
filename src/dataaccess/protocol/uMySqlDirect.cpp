#include "dataaccess/protocol/uMySqlDirect.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlResultSet.h"
#include "dataaccess/protocol/uMySqlSession.h"
#include "dataaccess/protocol/uMySqlStmt.h"
#include "platform/rtl/Exception.h"

#include <algorithm>
#include <cstring>

namespace dataaccess {

namespace {

enum : int {
    kOptConnectTimeout = 0,
    kOptNamedPipe = 2,
    kOptLocalInfile = 8,
    kOptProtocol = 9,
    kOptReadTimeout = 11,
    kOptWriteTimeout = 12,
};

constexpr int kNoMoreResults = -1;
constexpr int kMySqlNoData = 100;

TMySqlSession& Session(PMYSQL_CON mysql) {
    RTL_ASSERT(mysql);
    return *reinterpret_cast<TMySqlSession*>(mysql);
}
TMySqlResultSet& Result(PMYSQL_RES result) {
    RTL_ASSERT(result);
    return *reinterpret_cast<TMySqlResultSet*>(result);
}
TMySqlBinds& Row(PMYSQL_ROW row) {
    RTL_ASSERT(row);
    return *reinterpret_cast<TMySqlBinds*>(row);
}
TMySqlStmt& Stmt(PMYSQL_STMT stmt) {
    RTL_ASSERT(stmt);
    return *reinterpret_cast<TMySqlStmt*>(stmt);
}
PMYSQL_RES Handle(TMySqlResultSet* result) {
    return reinterpret_cast<PMYSQL_RES>(result);
}

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

[[noreturn]] void Unsupported() {
    rtl::AssertionFailed("Not supported by the wire protocol", __FILE__, __LINE__);
}

// Runs a call on a handle: its error is cleared first and a protocol error is kept on it; the
// result is 0 or the error code.
template <class F>
int Guarded(TMySqlError& error, F&& call) {
    error.Clear();
    try {
        call();
        return 0;
    } catch (const EMySqlException& e) {
        error.Store(e);
        return e.ErrorCode();
    }
}

// After a failed read the session takes commands again, unless the server has more results coming.
void EndReading(TMySqlSession* session, const EMySqlException& e, TMySqlError& error) {
    error.Store(e);
    if (session && !(session->ServerStatus() & srvMoreResultsExist)) session->SetState(ssReady);
}

const uint8_t* ValueAddress(const TMySqlBinds& binds, int index) {
    const TMySqlBind& bind = binds[index];
    return bind.Offset == 0 ? nullptr : binds.Row() + bind.Offset;
}

} // namespace

unsigned int TMySQLAPIDirect::mysql_num_fields(PMYSQL_RES result) {
    return static_cast<unsigned int>(Result(result).ColumnCount());
}

st_mysql_field* TMySQLAPIDirect::mysql_fetch_field_direct(PMYSQL_RES, unsigned int) {
    Unsupported();
}

unsigned int TMySQLAPIDirect::mysql_field_count(PMYSQL_CON mysql) {
    return Session(mysql).ColumnCount();
}

uint64_t TMySQLAPIDirect::mysql_affected_rows(PMYSQL_CON mysql) {
    return static_cast<uint64_t>(Session(mysql).AffectedRows());
}

unsigned int TMySQLAPIDirect::mysql_warning_count(PMYSQL_CON mysql) {
    return Session(mysql).WarningCount();
}

uint64_t TMySQLAPIDirect::mysql_insert_id(PMYSQL_CON mysql) {
    return static_cast<uint64_t>(Session(mysql).InsertId());
}

unsigned int TMySQLAPIDirect::mysql_errno(PMYSQL_CON mysql) {
    return static_cast<unsigned int>(Session(mysql).Error().Code);
}

std::string TMySQLAPIDirect::mysql_error(PMYSQL_CON mysql) {
    return Session(mysql).Error().Text;
}

std::string TMySQLAPIDirect::mysql_sqlstate(PMYSQL_CON mysql) {
    const TMySqlError& error = Session(mysql).Error();
    return error.Code == 0 ? "00000" : error.SqlState;
}

std::string TMySQLAPIDirect::mysql_info(PMYSQL_CON mysql) {
    return Session(mysql).Info();
}

unsigned long TMySQLAPIDirect::mysql_thread_id(PMYSQL_CON mysql) {
    return Session(mysql).ThreadId();
}

std::string TMySQLAPIDirect::mysql_character_set_name(PMYSQL_CON mysql) {
    return Session(mysql).CharsetName();
}

PMYSQL_CON TMySQLAPIDirect::mysql_init(PMYSQL_CON) {
    return reinterpret_cast<PMYSQL_CON>(new TMySqlSession());
}

int TMySQLAPIDirect::mysql_ssl_set(PMYSQL_CON mysql, const char* key, const char* cert, const char* ca,
                                   const char* caPath, const char* cipher) {
    TMySqlSession& session = Session(mysql);
    session.SetProtocol(mtSsl);
    session.SetSslOptions(Text(key), Text(cert), Text(ca), Text(caPath), Text(cipher));
    return 0;
}

PMYSQL_CON TMySQLAPIDirect::mysql_real_connect(PMYSQL_CON mysql, const char* host, const char* user,
                                               const char* password, const char* db, unsigned int port,
                                               const char* unixSocket, unsigned long clientFlag) {
    TMySqlSession& session = Session(mysql);
    const int failed = Guarded(session.Error(), [&] {
        session.Connect(Text(host), Text(user), Text(password), Text(db), static_cast<int>(port),
                        Text(unixSocket), static_cast<uint32_t>(clientFlag));
    });
    if (failed == 0) return mysql;
    session.Net().Close();
    return nullptr;
}

void TMySQLAPIDirect::mysql_close(PMYSQL_CON mysql) {
    if (!mysql) return;
    auto* session = &Session(mysql);
    try {
        session->Close();
    } catch (const std::exception&) {
        // Closing never fails for the caller; the transport is closed either way.
    }
    delete session;
}

int TMySQLAPIDirect::mysql_select_db(PMYSQL_CON mysql, const char* db) {
    TMySqlSession& session = Session(mysql);
    return Guarded(session.Error(), [&] { session.SelectDb(Text(db)); });
}

// Each call sends from the caller's own text, so no buffer is shared between connections.
int TMySQLAPIDirect::mysql_real_query(PMYSQL_CON mysql, const char* query, unsigned long length) {
    TMySqlSession& session = Session(mysql);
    return Guarded(session.Error(), [&] {
        session.SetLastQuery(query, length);
        session.SimpleCommand(cmdQuery, reinterpret_cast<const uint8_t*>(query), static_cast<int>(length),
                              true);
        session.ReadQueryResult();
    });
}

int TMySQLAPIDirect::mysql_kill(PMYSQL_CON mysql, unsigned long threadId) {
    TMySqlSession& session = Session(mysql);
    return Guarded(session.Error(), [&] {
        uint8_t id[4];
        for (int i = 0; i < 4; ++i)
            id[i] = static_cast<uint8_t>(threadId >> (8 * i));
        session.SimpleCommand(cmdProcessKill, id, 4, false);
    });
}

int TMySQLAPIDirect::mysql_ping(PMYSQL_CON mysql) {
    TMySqlSession& session = Session(mysql);
    return Guarded(session.Error(), [&] { session.Ping(); });
}

std::string TMySQLAPIDirect::mysql_get_server_info(PMYSQL_CON mysql) {
    return Session(mysql).ServerVersion();
}

std::string TMySQLAPIDirect::mysql_get_client_info() {
    return kClientVersion;
}

std::string TMySQLAPIDirect::mysql_get_host_info(PMYSQL_CON mysql) {
    return Session(mysql).HostInfo();
}

PMYSQL_RES TMySQLAPIDirect::mysql_use_result(PMYSQL_CON mysql) {
    TMySqlSession& session = Session(mysql);
    session.Error().Clear();
    if (session.ColumnCount() == 0) return nullptr;
    if (session.State() != ssResultPending) {
        session.Error().Store(EMySqlException(2014, "mysql.status = " + std::to_string(session.State())));
        return nullptr;
    }
    auto* result = new TMySqlResultSet(&session);
    result->SetHandedOut(true);
    session.SetCurrentResult(result);
    session.SetState(ssReadingRows);
    return Handle(result);
}

int TMySQLAPIDirect::mysql_options(PMYSQL_CON mysql, int option, const void* arg) {
    TMySqlSession& session = Session(mysql);
    const auto value = [&] { return arg ? *static_cast<const unsigned int*>(arg) : 1u; };
    switch (option) {
    case kOptConnectTimeout:
        session.SetConnectTimeout(static_cast<int>(value()));
        break;
    case kOptNamedPipe:
        session.SetProtocol(mtPipe);
        break;
    case kOptLocalInfile:
        session.SetLocalInfile(value() != 0);
        break;
    case kOptProtocol:
        session.SetProtocol(static_cast<uint8_t>(value()));
        break;
    case kOptReadTimeout:
    case kOptWriteTimeout:
        session.SetReadTimeout(static_cast<int>(value()));
        break;
    default:
        break;
    }
    return 0;
}

void TMySQLAPIDirect::mysql_free_result(PMYSQL_RES result) {
    if (!result) return;
    TMySqlResultSet& rs = Result(result);
    TMySqlSession* session = rs.Session();
    try {
        rs.Close();
    } catch (const EMySqlException& e) {
        // An error that ended the dropped rows (a killed query) comes from the next mysql_next_result.
        if (session) {
            session->Error().Store(e);
            session->Error().Deferred = true;
        }
    }
    if (!rs.HandedOut()) return; // a statement's result stays with its statement
    if (session && session->CurrentResult() == &rs) session->SetCurrentResult(nullptr);
    delete &rs;
}

PMYSQL_ROW TMySQLAPIDirect::mysql_fetch_row(PMYSQL_RES result) {
    TMySqlResultSet& rs = Result(result);
    TMySqlBinds* binds = rs.Binds();
    TMySqlSession* session = rs.Session();
    if (session) session->Error().Clear();
    try {
        return rs.Fetch(binds) ? reinterpret_cast<PMYSQL_ROW>(binds) : nullptr;
    } catch (const EMySqlException& e) {
        if (session) EndReading(session, e, session->Error());
        return nullptr;
    }
}

unsigned long* TMySQLAPIDirect::mysql_fetch_lengths(PMYSQL_RES) {
    Unsupported();
}

int TMySQLAPIDirect::mysql_server_init(int, char**, char**) {
    Unsupported();
}

void TMySQLAPIDirect::mysql_server_end() {
    Unsupported();
}

PMYSQL_STMT TMySQLAPIDirect::mysql_stmt_init(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_STMT>(new TMySqlStmt(&Session(mysql)));
}

int TMySQLAPIDirect::mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, unsigned long length) {
    TMySqlStmt& statement = Stmt(stmt);
    return Guarded(statement.Error(), [&] {
        statement.Prepare(reinterpret_cast<const uint8_t*>(query), static_cast<int>(length));
    });
}

unsigned long TMySQLAPIDirect::mysql_stmt_param_count(PMYSQL_STMT stmt) {
    return static_cast<unsigned long>(Stmt(stmt).ParamCount());
}

unsigned int TMySQLAPIDirect::mysql_stmt_field_count(PMYSQL_STMT stmt) {
    return static_cast<unsigned int>(Stmt(stmt).ColumnCount());
}

bool TMySQLAPIDirect::mysql_stmt_close(PMYSQL_STMT stmt) {
    delete &Stmt(stmt);
    return false;
}

bool TMySQLAPIDirect::mysql_stmt_free_result(PMYSQL_STMT stmt) {
    TMySqlStmt& statement = Stmt(stmt);
    return Guarded(statement.Error(), [&] { statement.FreeResult(); }) != 0;
}

unsigned int TMySQLAPIDirect::mysql_stmt_errno(PMYSQL_STMT stmt) {
    return static_cast<unsigned int>(Stmt(stmt).Error().Code);
}

std::string TMySQLAPIDirect::mysql_stmt_error(PMYSQL_STMT stmt) {
    return Stmt(stmt).Error().Text;
}

int TMySQLAPIDirect::mysql_stmt_fetch(PMYSQL_STMT) {
    Unsupported();
}

bool TMySQLAPIDirect::mysql_stmt_send_long_data(PMYSQL_STMT, unsigned int, const char*, unsigned long) {
    Unsupported();
}

PMYSQL_RES TMySQLAPIDirect::mysql_stmt_result_metadata(PMYSQL_STMT stmt) {
    TMySqlStmt& statement = Stmt(stmt);
    return statement.ColumnCount() > 0 ? Handle(statement.Result()) : nullptr;
}

PMYSQL_RES TMySQLAPIDirect::mysql_stmt_param_metadata(PMYSQL_STMT) {
    Unsupported();
}

uint64_t TMySQLAPIDirect::mysql_stmt_affected_rows(PMYSQL_STMT stmt) {
    return static_cast<uint64_t>(Stmt(stmt).AffectedRows());
}

bool TMySQLAPIDirect::mysql_more_results(PMYSQL_CON mysql) {
    return (Session(mysql).ServerStatus() & srvMoreResultsExist) != 0;
}

int TMySQLAPIDirect::mysql_next_result(PMYSQL_CON mysql) {
    TMySqlSession& session = Session(mysql);
    if (session.Error().Deferred) {
        session.Error().Deferred = false;
        return session.Error().Code;
    }
    session.Error().Clear();
    if (session.State() != ssReady) {
        session.Error().Store(EMySqlException(2014, "mysql.status = " + std::to_string(session.State())));
        return 2014;
    }
    session.SetAffectedRows(-1);
    if (!(session.ServerStatus() & srvMoreResultsExist)) return kNoMoreResults;
    return Guarded(session.Error(), [&] { session.ReadQueryResult(); });
}

unsigned int TMySQLAPIDirect::GetServerStatus(PMYSQL_CON mysql) {
    return Session(mysql).ServerStatus();
}

void TMySQLAPIDirect::Init() {
    SetClientVersion(kClientVersion, mlDirect);
}

void TMySQLAPIDirect::ReadFieldDesc(PMYSQL_RES result, unsigned int index, bool utf8, TMYSQL_FIELD& field) {
    TMySqlResultSet& rs = Result(result);
    RTL_ASSERT(index < static_cast<unsigned int>(rs.ColumnCount()) && index < rs.Columns().size());
    const TMySqlFieldInfo& info = rs.Columns()[index];
    field.Name = info.Name;
    field.OrgName = info.OrgName.empty() ? info.Name : info.OrgName;
    field.Table = info.Table;
    field.OrgTable = info.OrgTable;
    field.Database = info.Database;
    field.Flags = info.Flags;
    field.FieldType = info.FieldType;
    field.CharsetNr = info.CharsetNr;
    field.Decimals = info.Decimals;
    field.Length = std::min(info.Length, kMaxFieldDisplayLength);
    // Old servers count characters where the UTF-8 session needs bytes.
    const uint8_t t = info.FieldType;
    const bool text = t == 15 || t == 247 || t == 248 || t == 253 || t == 254; // varchar, enum, set, strings
    if (utf8 && text && !info.Table.empty() && rs.Session() && !rs.Session()->IsProtocol41())
        field.Length = std::min(field.Length * 3, kMaxFieldDisplayLength);
}

int TMySQLAPIDirect::StmtFetch(PMYSQL_STMT stmt, PMYSQL_BINDSET& binds) {
    TMySqlStmt& statement = Stmt(stmt);
    TMySqlResultSet* rs = statement.Result();
    statement.Error().Clear();
    if (!rs || statement.ColumnCount() == 0) {
        binds = nullptr;
        return kMySqlNoData;
    }
    if (!rs->ResultBinds()) rs->SetResultBind(std::make_unique<TMySqlBinds>(rs->ColumnCount()));
    TMySqlBinds* row = nullptr;
    try {
        const bool fetched = rs->Fetch(row);
        binds = fetched ? reinterpret_cast<PMYSQL_BINDSET>(row) : nullptr;
        return fetched ? 0 : kMySqlNoData;
    } catch (const EMySqlException& e) {
        binds = nullptr;
        EndReading(statement.Session(), e, statement.Error());
        return e.ErrorCode();
    }
}

void TMySQLAPIDirect::GetFieldLengths(PMYSQL_RES result, TLenArr& lengths) {
    const TMySqlBinds& binds = *Result(result).Binds();
    lengths.resize(static_cast<size_t>(binds.Count()));
    for (int i = 0; i < binds.Count(); ++i)
        lengths[static_cast<size_t>(i)] = static_cast<unsigned long>(binds[i].Length);
}

bool TMySQLAPIDirect::FieldIsNull(PMYSQL_ROW row, int index) {
    return Row(row)[index].IsNull != 0;
}

void* TMySQLAPIDirect::GetFieldBuf(PMYSQL_RES, PMYSQL_ROW row, int index) {
    return const_cast<uint8_t*>(ValueAddress(Row(row), index));
}

void TMySQLAPIDirect::CopyFieldValueAt(PMYSQL_ROW row, int index, void* destination, int offset, int count) {
    CopyFieldValue(row, index, static_cast<char*>(destination) + offset, count);
}

void TMySQLAPIDirect::CopyFieldValue(PMYSQL_ROW row, int index, void* destination, int count) {
    const uint8_t* source = ValueAddress(Row(row), index);
    if (source && count > 0) std::memcpy(destination, source, static_cast<size_t>(count));
}

void TMySQLAPIDirect::CopyFieldStrAt(PMYSQL_ROW row, int index, char* destination, int offset,
                                     int maxLength) {
    CopyFieldStr(row, index, destination + offset, maxLength);
}

void TMySQLAPIDirect::CopyFieldStr(PMYSQL_ROW row, int index, char* destination, int maxLength) {
    const TMySqlBinds& binds = Row(row);
    const uint8_t* source = ValueAddress(binds, index);
    const int count = source ? std::clamp(binds[index].Length, 0, std::max(maxLength, 0)) : 0;
    if (count > 0) std::memcpy(destination, source, static_cast<size_t>(count));
    destination[count] = '\0';
}

void* TMySQLAPIDirect::GetFieldBufOffset(PMYSQL_ROW row, int index, int& offset, int) {
    const TMySqlBinds& binds = Row(row);
    offset = binds[index].Offset;
    return const_cast<uint8_t*>(binds.Row());
}

void TMySQLAPIDirect::GetFieldString(PMYSQL_ROW row, int index, std::string& text) {
    const TMySqlBinds& binds = Row(row);
    const uint8_t* source = ValueAddress(binds, index);
    if (source)
        text.assign(reinterpret_cast<const char*>(source), static_cast<size_t>(binds[index].Length));
    else
        text.clear();
}

int TMySQLAPIDirect::StmtExecuteParams(PMYSQL_STMT stmt, std::span<const TMySqlParam> params,
                                       bool useUnicode) {
    TMySqlStmt& statement = Stmt(stmt);
    return Guarded(statement.Error(), [&] { statement.Execute(params, useUnicode); });
}

bool TMySQLAPIDirect::StmtBindResult(PMYSQL_STMT stmt, TMYSQL_BINDS&) {
    TMySqlStmt& statement = Stmt(stmt);
    return Guarded(statement.Error(), [&] {
               if (!statement.Prepared()) throw EMySqlException(2029);
               if (statement.ColumnCount() == 0) throw EMySqlException(kCrUnknownError);
               statement.Result()->SetResultBind(std::make_unique<TMySqlBinds>(statement.ColumnCount()));
           }) != 0;
}

int TMySQLAPIDirect::StmtFetchColumn(PMYSQL_STMT, TMYSQL_BINDS&, unsigned int, unsigned long) {
    Unsupported();
}

void TMySQLAPIDirect::StmtGetLengths(PMYSQL_BINDSET binds, TLenArr& lengths) {
    const TMySqlBinds& set = *reinterpret_cast<TMySqlBinds*>(binds);
    lengths.resize(static_cast<size_t>(set.Count()));
    for (int i = 0; i < set.Count(); ++i)
        lengths[static_cast<size_t>(i)] = static_cast<unsigned long>(set[i].Length);
}

void* TMySQLAPIDirect::StmtGetFieldBuf(PMYSQL_STMT stmt, int index) {
    TMySqlResultSet* rs = Stmt(stmt).Result();
    if (!rs || !rs->ResultBinds()) return nullptr;
    return const_cast<uint8_t*>(ValueAddress(*rs->ResultBinds(), index));
}

TMySQLAPIDirect& MySQLAPIDirectInstance() {
    static TMySQLAPIDirect instance;
    return instance;
}

TMySQLAPI& MySQLAPIDirect() {
    return MySQLAPIDirectInstance();
}

uint8_t DirectRowFieldType(PMYSQL_BINDSET row, int column) {
    return (*reinterpret_cast<TMySqlBinds*>(row))[column].FieldType;
}

void SetMySqlIOHandler(PMYSQL_CON mysql, TCRIOHandler* handler) {
    Session(mysql).SetIOHandler(handler);
}

} // namespace dataaccess
