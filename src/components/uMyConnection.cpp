#include "components/uMyConnection.h"

#include "components/uMyCommand.h"
#include "dataaccess/mysql/uMyConnectionPool.h"
#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMyMetaData.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/server/uCRAccess.h"
#include "platform/data/DataError.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringList.h"

namespace components {

using namespace dataaccess;

namespace {

constexpr const char* SConnectionOpen = "Cannot perform this operation on an open connection";

// The first column of every row of a query, read through the connection's own client handle.
std::vector<std::string> QueryFirstColumn(TMySQLConnection& connection, const std::string& sql, int timeout) {
    TMySQLAPI& api = *connection.API();
    SetMySQLTimeouts(api, connection.Handle(), static_cast<unsigned>(timeout));
    connection.CheckStatus(
        api.mysql_real_query(connection.Handle(), sql.data(), static_cast<unsigned long>(sql.size())),
        connection.Component());
    PMYSQL_RES result = api.mysql_use_result(connection.Handle());
    connection.CheckHandle(result, connection.Component());
    std::vector<std::string> values;
    rtl::Finally(
        [&] {
            while (PMYSQL_ROW row = api.FetchRow(result)) {
                std::string text;
                api.GetFieldString(row, 0, text);
                values.push_back(std::move(text));
            }
            connection.CheckLastError(connection.Component());
        },
        [&] { api.mysql_free_result(result); });
    return values;
}

} // namespace

// ---- options

TCustomMyConnectionOptions::TCustomMyConnectionOptions(TCustomMyConnection* connection)
    : TDAConnectionOptions(connection) {}

template <class T>
void TCustomMyConnectionOptions::SetGuarded(T& field, const T& value, int prop) {
    if (field == value) return;
    static_cast<TCustomMyConnection*>(Connection())->CheckInactive();
    field = value;
    WriteProp(prop, value);
}

void TCustomMyConnectionOptions::SetUseUnicode(bool value) {
    SetGuarded(useUnicode_, value, prUseUnicode);
}

void TCustomMyConnectionOptions::SetCharset(const std::string& value) {
    SetGuarded(charset_, value, prCharset);
}

void TCustomMyConnectionOptions::SetOptimizedBigInt(bool value) {
    SetGuarded(optimizedBigInt_, value, prOptimizedBigInt);
}

TDANumericType TCustomMyConnectionOptions::NumericType() const {
    if (EnableFMTBCD()) return ntFmtBCD;
    return EnableBCD() ? ntBCD : ntFloat;
}

void TCustomMyConnectionOptions::SetNumericType(TDANumericType value) {
    SetEnableBCD(value == ntBCD);
    SetEnableFMTBCD(value == ntFmtBCD);
}

void TCustomMyConnectionOptions::AssignTo(data::TPersistent* dest) const {
    TDAConnectionOptions::AssignTo(dest);
    if (auto* other = dynamic_cast<TCustomMyConnectionOptions*>(dest)) {
        other->SetUseUnicode(useUnicode_);
        other->SetCharset(charset_);
        other->SetOptimizedBigInt(optimizedBigInt_);
    }
}

void TMyConnectionOptions::SetCompress(bool value) {
    SetGuarded(compress_, value, prCompress);
}

void TMyConnectionOptions::SetProtocol(TMyProtocol value) {
    if (value == protocol_) return;
    static_cast<TCustomMyConnection*>(Connection())->CheckInactive();
    protocol_ = value;
    WriteProp(prProtocol, static_cast<int>(value));
}

void TMyConnectionOptions::SetEmbedded(bool value) {
    SetGuarded(embedded_, value, prEmbedded);
}

void TMyConnectionOptions::SetDirect(bool value) {
    SetGuarded(direct_, value, prDirect);
}

void TMyConnectionOptions::SetCheckBackslashes(bool value) {
    if (value == checkBackslashes_) return;
    checkBackslashes_ = value;
    WriteProp(prCheckBackslashes, value);
}

void TMyConnectionOptions::AssignTo(data::TPersistent* dest) const {
    TCustomMyConnectionOptions::AssignTo(dest);
    if (auto* other = dynamic_cast<TMyConnectionOptions*>(dest)) {
        other->SetCompress(compress_);
        other->SetProtocol(protocol_);
    }
}

void TMyConnectionSSLOptions::SetGuarded(std::string& field, const std::string& value, int prop) {
    if (field == value) return;
    connection_->CheckInactive();
    field = value;
    if (connection_->IConnection()) connection_->IConnection()->SetProp(prop, value);
}

void TMyConnectionSSLOptions::SetChipherList(const std::string& value) {
    SetGuarded(chipherList_, value, prChipherList);
}

void TMyConnectionSSLOptions::SetCACert(const std::string& value) {
    SetGuarded(caCert_, value, prCACert);
}

void TMyConnectionSSLOptions::SetKey(const std::string& value) {
    SetGuarded(key_, value, prKey);
}

void TMyConnectionSSLOptions::SetCert(const std::string& value) {
    SetGuarded(cert_, value, prCert);
}

void TMyConnectionSSLOptions::AssignTo(data::TPersistent* dest) const {
    auto* other = dynamic_cast<TMyConnectionSSLOptions*>(dest);
    if (!other) return data::TPersistent::AssignTo(dest);
    other->SetChipherList(chipherList_);
    other->SetCACert(caCert_);
    other->SetKey(key_);
    other->SetCert(cert_);
}

TCRTransactionClass TMyTransaction::GetITransactionClass() const {
    return &TMySQLTransaction::Create;
}

// ---- TCustomMyConnection

TCustomMyConnection::TCustomMyConnection(data::TComponent* owner,
                                         std::unique_ptr<TCustomMyConnectionOptions> options)
    : TCustomDAConnection(owner, std::move(options), std::make_unique<TMyTransaction>(nullptr)) {}

TCustomMyConnectionOptions& TCustomMyConnection::MyOptions() const {
    return static_cast<TCustomMyConnectionOptions&>(TCustomDAConnection::Options());
}

TMySQLConnection* TCustomMyConnection::MyIConnection() const {
    return static_cast<TMySQLConnection*>(IConnection());
}

void TCustomMyConnection::AssignConnectParams(const TCustomDAConnection& source) {
    TCustomDAConnection::AssignConnectParams(source);
    if (auto* my = dynamic_cast<const TCustomMyConnection*>(&source)) SetDatabase(my->database_);
}

void TCustomMyConnection::CheckInactive() const {
    if (Connected()) data::DatabaseError(SConnectionOpen, this);
}

void TCustomMyConnection::SetDatabase(const std::string& value) {
    if (value == database_) return;
    // The server connection keeps the name it was given: a rejected one gives it the old one back.
    rtl::UndoGuard undo([this] { WriteProp(prDatabase, database_); });
    WriteProp(prDatabase, value);
    undo.Dismiss();
    database_ = value;
}

void TCustomMyConnection::SetConnectionTimeout(int value) {
    if (value == connectionTimeout_) return;
    connectionTimeout_ = value;
    WriteProp(prConnectionTimeout, value);
}

TMyIsolationLevel TCustomMyConnection::IsolationLevel() const {
    return UsedTransaction()->IsolationLevel();
}

void TCustomMyConnection::SetIsolationLevel(TMyIsolationLevel value) {
    UsedTransaction()->SetIsolationLevel(value);
}

std::unique_ptr<TCRCommand> TCustomMyConnection::CreateServerCommand() const {
    return std::make_unique<TMySQLCommand>();
}

std::unique_ptr<TDAOneShotCommand> TCustomMyConnection::CreateSQL() const {
    return std::make_unique<TMyCommand>();
}

std::unique_ptr<TCRMetaData> TCustomMyConnection::CreateServerMetaData() const {
    return std::make_unique<TMySQLMetaData>();
}

bool TCustomMyConnection::IsServerCommand(const TCRCommand& command) const {
    return dynamic_cast<const TMySQLCommand*>(&command) != nullptr;
}

void TCustomMyConnection::EnsureServerConnection() {
    if (IConnection()) return;
    std::unique_ptr<TMySQLConnection> connection = CreateIConnection();
    // The core opens helper connections (a second session for fetching) through these.
    connection->OnGetFetchConnection = [this] { return CreateIConnection().release(); };
    connection->OnReleaseFetchConnection = [](TMySQLConnection* helper) {
        if (helper->Pool())
            helper->ReturnToPool();
        else
            delete helper;
    };
    AttachServerConnection(std::move(connection));
}

std::unique_ptr<TMySQLConnection> TCustomMyConnection::CreateIConnection() {
    std::unique_ptr<TMySQLConnection> connection;
    if (Pooling()) {
        TMyConnectionParameters key;
        FillConnectionParameters(key);
        // The pool hands out connected sessions of its own class.
        connection.reset(
            static_cast<TMySQLConnection*>(TMyConnectionPoolManager::AcquireConnection(key).release()));
    } else {
        connection = std::make_unique<TMySQLConnection>();
        SetIConnection(*connection);
    }
    connection->SetProp(prEnableBCD, Options().EnableBCD());
    connection->SetProp(prEnableFMTBCD, Options().EnableFMTBCD());
    connection->SetProp(prAutoCommit, AutoCommit());
    connection->SetProp(prConvertEOL, ConvertLineBreaks());
    connection->SetProp(prOptimizedBigInt, MyOptions().OptimizedBigInt());
    if (TMySQLConnection* current = MyIConnection()) connection->CopySettings(*current);
    return connection;
}

void TCustomMyConnection::SetIConnection(TMySQLConnection& connection) {
    connection.SetProp(prDatabase, database_);
    connection.SetProp(prConnectionTimeout, connectionTimeout_);
    connection.SetProp(prUseUnicode, MyOptions().UseUnicode());
    connection.SetProp(prCharset, MyOptions().Charset());
}

void TCustomMyConnection::FillConnectionParameters(TMyConnectionParameters& key) const {
    const TPoolingOptions& pooling = PoolingOptions();
    key.MinPoolSize = pooling.MinPoolSize;
    key.MaxPoolSize = pooling.MaxPoolSize;
    key.ConnectionLifetime = pooling.ConnectionLifetime;
    key.Validate = pooling.Validate;
    key.Username = Username();
    key.Server = GetServer();
    key.Password = Password();
    key.Database = database_;
    key.ConnectionTimeout = connectionTimeout_;
    key.UseUnicode = MyOptions().UseUnicode();
    key.Charset = MyOptions().Charset();
    key.Port = 0;
    key.Compress = false;
    key.Embedded = false;
    key.Direct = true;
}

rtl::Variant TCustomMyConnection::ExecuteSQL(const std::string& text, const rtl::VariantArray& values) {
    if (!values.empty()) {
        auto& command = static_cast<TMyCommand&>(EnsureInternalCommand());
        command.SetSQL(std::string());
        command.SetSQL(text);
        command.SetCommandTimeout(connectionTimeout_);
        for (int i = 0; i < command.ParamCount(); ++i)
            command.Params()[i]->SetValue(static_cast<size_t>(i) < values.size()
                                              ? values[static_cast<size_t>(i)]
                                              : rtl::Variant::Null());
        command.Execute();
        return rtl::Variant::Null();
    }
    AcquireConnection();
    rtl::Finally(
        [&] {
            Connect();
            MyIConnection()->ExecSQL(text);
        },
        [&] { ReleaseConnection(); });
    return rtl::Variant::Null();
}

void TCustomMyConnection::ListStoredProcNames(rtl::TStringList& list, bool allProcs) {
    if (allProcs) return TCustomDAConnection::ListStoredProcNames(list, true);
    list.Clear();
    const bool wasConnected = Connected();
    const std::string database = database_;
    // Connect without a database, so that a database that went away does not stop the list.
    if (!wasConnected) SetDatabase(std::string());
    auto restore = [&] {
        if (!wasConnected) Disconnect();
        SetDatabase(database);
    };
    rtl::Finally(
        [&] {
            Connect();
            TMySQLConnection& connection = *MyIConnection();
            const int major = connection.ServerMajor(), minor = connection.ServerMinor();
            const int release = connection.ServerRelease();
            if (major > 4) {
                // The name is compared as a string literal, never as a quoted identifier.
                const std::string name =
                    database.empty() ? "'mysql'" : MyQuoteAnsiString(database, connection.BackslashEscapes());
                std::string sql;
                if (major == 5 && minor == 0 && release == 0)
                    sql = "SELECT name FROM mysql.proc ORDER BY name";
                else if (major == 5 && minor == 0 && release <= 3)
                    sql = "SELECT name FROM mysql.proc WHERE LOWER(db) = LOWER(" + name + ") ORDER BY name";
                else
                    sql =
                        "SELECT ROUTINE_NAME FROM information_schema.routines WHERE LOWER(routine_schema) = "
                        "LOWER(" +
                        name + ") ORDER BY ROUTINE_NAME";
                for (const std::string& routine : QueryFirstColumn(connection, sql, ConnectionTimeout()))
                    list.Add(routine);
            }
        },
        restore);
}

// ---- TMyConnection

TMyConnection::TMyConnection(data::TComponent* owner)
    : TCustomMyConnection(owner, std::make_unique<TMyConnectionOptions>(this)),
      sslOptions_(std::make_unique<TMyConnectionSSLOptions>(this)) {}

TMyConnection::~TMyConnection() {
    Destroying();
    try {
        Disconnect();
    } catch (...) {
        // A destructor has nobody to tell; the connection goes all the same.
    }
}

TMyConnectionOptions& TMyConnection::Options() const {
    return static_cast<TMyConnectionOptions&>(TCustomDAConnection::Options());
}

void TMyConnection::SetPort(int value) {
    if (value == port_) return;
    Disconnect();
    port_ = value;
    WriteProp(prPort, value);
}

bool TMyConnection::Embedded() const {
    return Options().Embedded();
}

void TMyConnection::SetEmbedded(bool value) {
    Options().SetEmbedded(value);
}

std::string TMyConnection::GetClientVersion() {
    if (Options().Direct() && !Options().Embedded()) return "4.1.3 Direct";
    if (Connected()) return IConnection()->GetClientVersion();
    TMySQLConnection probe;
    probe.SetProp(prEmbedded, Options().Embedded());
    probe.SetProp(prDirect, false);
    return probe.GetClientVersion();
}

void TMyConnection::SetIConnection(TMySQLConnection& connection) {
    TCustomMyConnection::SetIConnection(connection);
    connection.SetIOHandler(IOHandler());
    connection.SetProp(prPort, port_);
    connection.SetProp(prEmbedded, Options().Embedded());
    connection.SetProp(prDirect, Options().Direct());
    connection.SetProp(prCompress, Options().Compress());
    connection.SetProp(prProtocol, static_cast<int>(Options().Protocol()));
    connection.SetProp(prChipherList, sslOptions_->ChipherList());
    connection.SetProp(prCACert, sslOptions_->CACert());
    connection.SetProp(prKey, sslOptions_->Key());
    connection.SetProp(prCert, sslOptions_->Cert());
}

void TMyConnection::FillConnectionParameters(TMyConnectionParameters& key) const {
    TCustomMyConnection::FillConnectionParameters(key);
    key.Port = port_;
    key.Compress = Options().Compress();
    key.Protocol = static_cast<int32_t>(Options().Protocol());
    key.Embedded = Options().Embedded();
    key.Direct = Options().Direct();
    key.IOHandler = IOHandler();
    key.ChipherList = sslOptions_->ChipherList();
    key.CACert = sslOptions_->CACert();
    key.Key = sslOptions_->Key();
    key.Cert = sslOptions_->Cert();
}

void TMyConnection::AssignTo(data::TPersistent* dest) const {
    auto* other = dynamic_cast<TMyConnection*>(dest);
    if (!other) return TCustomMyConnection::AssignTo(dest);
    other->SetPort(port_);
    other->SetSSLOptions(*sslOptions_);
    TCustomMyConnection::AssignTo(dest);
    other->SetDatabase(Database());
    other->SetConnectionTimeout(ConnectionTimeout());
    other->SetIsolationLevel(IsolationLevel());
}

} // namespace components
