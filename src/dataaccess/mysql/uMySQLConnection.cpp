#include "dataaccess/mysql/uMySQLConnection.h"

#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMySQLClient.h"
#include "dataaccess/mysql/uMySQLEmbedded.h"
#include "dataaccess/server/uCRAccess.h"
#include "platform/data/Component.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <mariadb/mysql.h>

#include <algorithm>
#include <sstream>
#include <utility>

namespace dataaccess {

namespace {

constexpr unsigned long kClientFoundRows = 2;
constexpr unsigned long kClientCompress = 0x20;
constexpr unsigned long kClientMultiStatements = 0x10000;
static_assert(kClientFoundRows == CLIENT_FOUND_ROWS && kClientCompress == CLIENT_COMPRESS &&
              kClientMultiStatements == CLIENT_MULTI_STATEMENTS);

std::string WithSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

const char* TextOrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

std::vector<std::string> TrimmedLines(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    std::istringstream lines(text.substr(first, last - first + 1));
    std::vector<std::string> result;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
    }
    return result;
}

// utf8mb4 exists from MySQL 5.5.3 on; MariaDB 10 and later are newer than every 5.x.
bool HasUtf8mb4(const TMySqlVersion& v) {
    if (v.Major != 5) return v.Major > 5;
    return v.Minor > 5 || (v.Minor == 5 && v.Release >= 3);
}

} // namespace

TMySQLConnection::TMySQLConnection() {
    SelectAPI();
}

TMySQLConnection::~TMySQLConnection() {
    Disconnect();
}

void TMySQLConnection::HandleError(EDAError& error, bool& fail) {
    if (!errorsToHandler_) return TCRConnection::HandleError(error, fail);
    if (!OnError) return;
    bool reconnect = false;
    bool reexecute = false;
    TConnLostCause cause = clUnknown;
    OnError(error, fail, reconnect, reexecute, 0, cause);
}

TCRTransactionClass TMySQLConnection::GetTransactionClass() const {
    return &TMySQLTransaction::Create;
}

void TMySQLConnection::SelectAPI() {
    if (embedded_)
        api_ = &MySQLAPIEmbeddedServer();
    else if (direct_)
        api_ = &MySQLAPIDirect();
    else
        api_ = &MySQLAPIClient();
}

bool TMySQLConnection::IsClient41() const {
    RTL_ASSERT(api_);
    return api_->IsProtocol41();
}

bool TMySQLConnection::IsServer41() const {
    RTL_ASSERT(api_);
    return serverVersion_.Major > 4 || (serverVersion_.Major == 4 && serverVersion_.Minor > 0);
}

void TMySQLConnection::Connect(const std::string& connectString) {
    if (connected_) return;
    serverVersionText_.clear();
    serverVersion_ = {};
    rtl::UndoGuard disconnect([this] { Disconnect(); });
    try {
        if (handle_) Disconnect();
        auto* embeddedServer = dynamic_cast<TMySQLAPIEmbedded*>(api_);
        if (embeddedServer) embeddedServer->SetParams(embParams_);
        api_->Init();
        embeddedServer_ = embeddedServer;
        handle_ = api_->mysql_init(nullptr);
        RTL_ASSERT_MSG(handle_, "mysql_init"); // fails only when out of memory
        SetConnectionOptions();
        const std::string host = server_.empty() ? "localhost" : server_;
        CheckHandle(api_->mysql_real_connect(handle_, host.c_str(), username_.c_str(), password_.c_str(),
                                             database_.c_str(), port_, nullptr, ClientFlags()),
                    Component());
        connected_ = true;
        ownsHandle_ = true;
        TCRConnection::Connect(connectString);
        serverVersionText_ = api_->mysql_get_server_info(handle_);
        serverVersion_ = ParseServerVersion(serverVersionText_);
        ApplyCharset();
    } catch (const EFailOver&) {
        // A reconnect inside the error handling has connected already.
    }
    disconnect.Dismiss();
}

void TMySQLConnection::SetConnectionOptions() {
    CheckStatus(api_->mysql_options(handle_, MYSQL_OPT_CONNECT_TIMEOUT, &connectionTimeout_), Component());
    if (protocol_ == mpDefault) return;
    if (protocol_ == mpSSL) {
        const std::string key = WithSlashes(key_), cert = WithSlashes(cert_), ca = WithSlashes(caCert_);
        api_->mysql_ssl_set(handle_, TextOrNull(key), TextOrNull(cert), TextOrNull(ca), nullptr,
                            TextOrNull(chipherList_));
        return;
    }
    unsigned int protocol = 0;
    switch (protocol_) {
    case mpTCP:
        protocol = MYSQL_PROTOCOL_TCP;
        break;
    case mpSocket:
    case mpPipe: // a named pipe is the Unix socket here
        protocol = MYSQL_PROTOCOL_SOCKET;
        break;
    case mpMemory:
        data::DatabaseError("Shared memory connections are not supported", Component());
    default:
        data::DatabaseError("Wrong protocol", Component());
    }
    CheckStatus(api_->mysql_options(handle_, MYSQL_OPT_PROTOCOL, &protocol), Component());
}

unsigned long TMySQLConnection::ClientFlags() const {
    unsigned long flags = kClientFoundRows;
    if (compress_) flags |= kClientCompress;
    if (IsClient41()) flags |= kClientMultiStatements;
    return flags;
}

void TMySQLConnection::Disconnect() {
    if (handle_ && ownsHandle_) api_->mysql_close(handle_);
    handle_ = nullptr;
    connected_ = false;
    // The shared embedded server stops with its last client.
    if (embeddedServer_) std::exchange(embeddedServer_, nullptr)->FreeLib();
}

void TMySQLConnection::AssignConnect(TCRConnection* source) {
    if (source == this) return;
    Disconnect();
    if (!source) return;
    auto* other = dynamic_cast<TMySQLConnection*>(source);
    RTL_ASSERT(other);
    CopySettings(*other);
    handle_ = other->handle_;
    serverVersionText_ = other->serverVersionText_;
    serverVersion_ = other->serverVersion_;
    connected_ = true;
    ownsHandle_ = false;
}

void TMySQLConnection::CopySettings(const TMySQLConnection& source) {
    connectionTimeout_ = source.connectionTimeout_;
    server_ = source.server_;
    username_ = source.username_;
    password_ = source.password_;
    database_ = source.database_;
    port_ = source.port_;
    compress_ = source.compress_;
    useUnicode_ = source.useUnicode_;
    charset_ = source.charset_;
    OnError = source.OnError;
    protocol_ = source.protocol_;
    api_ = source.api_;
    direct_ = source.direct_;
    embedded_ = source.embedded_;
    optimizedBigInt_ = source.optimizedBigInt_;
    decimalPrecision_ = source.decimalPrecision_;
    enableBCD_ = source.enableBCD_;
    enableFMTBCD_ = source.enableFMTBCD_;
}

void TMySQLConnection::CheckIsValid() {
    isValid_ = api_ && handle_ && api_->mysql_ping(handle_) == 0 && api_->mysql_ping(handle_) == 0;
}

std::string TMySQLConnection::GetServerVersion() {
    return rtl::Format("%d.%d.%d", serverVersion_.Major, serverVersion_.Minor, serverVersion_.Release);
}

std::string TMySQLConnection::GetServerVersionFull() {
    return serverVersionText_;
}

std::string TMySQLConnection::GetClientVersion() {
    RTL_ASSERT(api_);
    if (api_->Loaded()) return api_->ClientVersion();
    api_->Init();
    std::string version = api_->ClientVersion();
    api_->FreeLib();
    return version;
}

void TMySQLConnection::CheckHandle(const void* value, data::TComponent* component) {
    if (!value) RaiseError(component);
}

void TMySQLConnection::CheckStatus(int value, data::TComponent* component) {
    if (value != 0) RaiseError(component);
}

void TMySQLConnection::CheckLastError(data::TComponent* component) {
    if (api_->mysql_errno(handle_) != 0) RaiseError(component);
}

void TMySQLConnection::CheckStmtStatus(PMYSQL_STMT stmt, int value, data::TComponent* component) {
    if (value != 0) RaiseStmtError(stmt, component);
}

namespace {

// Lets the handler decide; a cleared fail flag turns the error into a silent abort.
[[noreturn]] void Raise(TMySQLConnection& connection, EMyError& error, data::TComponent* component) {
    error.SetComponent(component);
    bool fail = true;
    if (connection.OnError) connection.HandleError(error, fail);
    if (fail) throw error;
    data::Abort();
}

} // namespace

void TMySQLConnection::RaiseError(data::TComponent* component) {
    // Messages are UTF-8, the program's 8-bit text, with or without UseUnicode.
    EMyError error(static_cast<int32_t>(api_->mysql_errno(handle_)), api_->mysql_sqlstate(handle_),
                   api_->mysql_error(handle_));
    Raise(*this, error, component);
}

void TMySQLConnection::RaiseStmtError(PMYSQL_STMT stmt, data::TComponent* component) {
    EMyError error(static_cast<int32_t>(api_->mysql_stmt_errno(stmt)), std::string(),
                   api_->mysql_stmt_error(stmt));
    Raise(*this, error, component);
}

void TMySQLConnection::SetDatabase(const std::string& value) {
    if (value == database_) return;
    database_ = value;
    if (connected_ && !value.empty()) CheckStatus(api_->mysql_select_db(handle_, value.c_str()), Component());
}

void TMySQLConnection::ApplyCharset() {
    if (serverVersion_.Major < 4 || (serverVersion_.Major == 4 && serverVersion_.Minor == 0)) {
        useUnicode_ = false;
    } else if (useUnicode_) {
        ExecSQL(HasUtf8mb4(serverVersion_) ? "SET NAMES utf8mb4" : "SET NAMES utf8");
    } else if (!charset_.empty()) {
        ExecSQL("SET NAMES " + MyQuoteName(charset_));
    }
}

void TMySQLConnection::ExecSQL(const std::string& sql) {
    RTL_ASSERT(connected_ && handle_);
    SetMySQLTimeouts(*api_, handle_, connectionTimeout_);
    CheckStatus(api_->mysql_real_query(handle_, sql.data(), static_cast<unsigned long>(sql.size())),
                Component());
    for (;;) {
        if (PMYSQL_RES result = api_->mysql_use_result(handle_))
            api_->mysql_free_result(result); // discards the rows
        else
            CheckLastError(Component());
        const int next = api_->mysql_next_result(handle_);
        if (next < 0) return;
        if (next > 0) RaiseError(Component());
    }
}

bool TMySQLConnection::BackslashEscapes() const {
    if (!connected_ || !handle_) return true;
    return (api_->GetServerStatus(handle_) & SERVER_STATUS_NO_BACKSLASH_ESCAPES) == 0;
}

bool TMySQLConnection::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prDatabase:
        SetDatabase(value.AsString());
        break;
    case prPort:
        port_ = static_cast<unsigned int>(value.AsInt64());
        break;
    case prConnectionTimeout:
        connectionTimeout_ = static_cast<unsigned int>(value.AsInt64());
        break;
    case prCompress:
        compress_ = value.AsBoolean();
        break;
    case prCharset:
        charset_ = value.AsString();
        break;
    case prProtocol:
        protocol_ = static_cast<TMyProtocol>(value.AsInt64());
        break;
    case prUseUnicode: {
        const bool changed = useUnicode_ != value.AsBoolean();
        useUnicode_ = value.AsBoolean();
        if (changed && connected_) ApplyCharset();
        break;
    }
    case prEmbParams:
        embParams_ = TrimmedLines(value.AsString());
        break;
    case prChipherList:
        chipherList_ = value.AsString();
        break;
    case prCACert:
        caCert_ = value.AsString();
        break;
    case prKey:
        key_ = value.AsString();
        break;
    case prCert:
        cert_ = value.AsString();
        break;
    case prEmbedded:
        embedded_ = value.AsBoolean();
        SelectAPI();
        break;
    case prDirect:
        direct_ = value.AsBoolean();
        SelectAPI();
        break;
    case prDecimalPrecision:
        decimalPrecision_ = value.AsBoolean();
        break;
    case prOptimizedBigInt:
        optimizedBigInt_ = value.AsBoolean();
        break;
    case prCheckBackslashes:
        // Kept for the components; the escape mode is read from every server reply anyway.
        checkBackslashes_ = value.AsBoolean();
        break;
    default:
        return TCRConnection::SetProp(prop, value);
    }
    return true;
}

bool TMySQLConnection::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prDatabase:
        value = database_;
        break;
    case prPort:
        value = port_;
        break;
    case prLastInsertId:
        value = handle_ ? api_->mysql_insert_id(handle_) : 0;
        break;
    case prConnectionTimeout:
        value = connectionTimeout_;
        break;
    case prCompress:
        value = compress_;
        break;
    case prCharset:
        value = charset_;
        break;
    case prUseUnicode:
        value = useUnicode_;
        break;
    case prCheckBackslashes:
        value = checkBackslashes_;
        break;
    case prBackslashEscapes:
        value = BackslashEscapes();
        break;
    case prDecimalPrecision:
        value = decimalPrecision_;
        break;
    case prOptimizedBigInt:
        value = optimizedBigInt_;
        break;
    default:
        return TCRConnection::GetProp(prop, value);
    }
    return true;
}

// ---- TMySQLTransaction

TMySQLConnection* TMySQLTransaction::GetConnection() const {
    if (Connections().Count() == 0) throw rtl::Exception("There are no connections in the transaction");
    if (Connections().Count() > 1) throw rtl::Exception("multiple transaction");
    auto* connection = dynamic_cast<TMySQLConnection*>(Connections().Items(0));
    if (!connection || !connection->IsConnected())
        throw rtl::Exception("One of the connections in the transaction is not active");
    return connection;
}

void TMySQLTransaction::StartTransaction() {
    if (ReadOnly()) throw rtl::Exception("Readonly transactions are not supported by the database");
    CheckInactive();
    TMySQLConnection* connection = GetConnection();
    static const char* const levels[] = {"READ COMMITTED", "READ UNCOMMITTED", "REPEATABLE READ",
                                         "SERIALIZABLE"};
    if (IsolationLevel() > ilSerializable) throw rtl::Exception("Unsupported transaction isolation level");
    const std::string isolation =
        rtl::Format("SET TRANSACTION ISOLATION LEVEL %s; ", levels[IsolationLevel()]);
    if (connection->IsServer41()) {
        connection->ExecSQL(isolation + "BEGIN");
    } else {
        connection->ExecSQL(isolation);
        connection->ExecSQL("BEGIN");
    }
    active_ = true;
}

void TMySQLTransaction::Commit() {
    CheckActive();
    GetConnection()->ExecSQL("COMMIT");
    active_ = false;
}

void TMySQLTransaction::Rollback() {
    CheckActive();
    GetConnection()->ExecSQL("ROLLBACK");
    active_ = false;
}

void TMySQLTransaction::Savepoint(const std::string& name) {
    CheckActive();
    GetConnection()->ExecSQL("SAVEPOINT " + MyQuoteName(name));
}

void TMySQLTransaction::ReleaseSavepoint(const std::string& name) {
    CheckActive();
    GetConnection()->ExecSQL("RELEASE SAVEPOINT " + MyQuoteName(name));
}

void TMySQLTransaction::RollbackToSavepoint(const std::string& name) {
    CheckActive();
    GetConnection()->ExecSQL("ROLLBACK TO SAVEPOINT " + MyQuoteName(name));
}

} // namespace dataaccess
