// The base connection component: options, pooling, transactions, lost-connection handling and errors.
#pragma once

#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/store/uSortColumn.h"
#include "platform/data/CustomConnection.h"
#include "platform/rtl/Threads.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
class EDAError;
class TCRCommand;
class TCRIOHandler;
class TCRMetaData;
} // namespace dataaccess

namespace rtl {
class TStringList;
}

namespace components {

class TCustomDAConnection;
class TCustomDASQL;
class TDAConnectionClient;
class TDAOneShotCommand;
class TDATransaction;

using dataaccess::TConnLostCause;
using dataaccess::TSortType;

// What a handler of a lost connection asks for.
enum TRetryMode : uint8_t { rmRaise, rmReconnect, rmReconnectExecute };

// Every server error of a connection or transaction passes this event before it is raised; clearing
// `fail` turns the error into a silent abort.
using TDAConnectionErrorEvent =
    std::function<void(data::TComponent* sender, dataaccess::EDAError& error, bool& fail)>;
// Asked under local failover when the server connection was lost during `component`'s operation.
using TConnectionLostEvent = std::function<void(TCustomDAConnection* sender, data::TComponent* component,
                                                TConnLostCause connLostCause, TRetryMode& retryMode)>;

// The options every connection has. Writers that reach the server connection pass the value to it
// at once when one exists.
class TDAConnectionOptions : public data::TPersistent {
public:
    explicit TDAConnectionOptions(TCustomDAConnection* connection) : connection_(connection) {}

    // Kept for connections read from stored forms; nothing here reads forms.
    bool KeepDesignConnected() const { return keepDesignConnected_; }
    void SetKeepDesignConnected(bool value) { keepDesignConnected_ = value; }
    // The connection stays open only while an operation, an explicit connect or a transaction holds it.
    bool DisconnectedMode() const { return disconnectedMode_; }
    void SetDisconnectedMode(bool value);
    // Enables the operations stack and OnConnectionLost.
    bool LocalFailover() const { return localFailover_; }
    void SetLocalFailover(bool value) { localFailover_ = value; }
    TSortType DefaultSortType() const { return defaultSortType_; }
    void SetDefaultSortType(TSortType value);
    bool EnableBCD() const { return enableBCD_; }
    void SetEnableBCD(bool value);
    bool EnableFMTBCD() const { return enableFMTBCD_; }
    void SetEnableFMTBCD(bool value);

protected:
    void AssignTo(data::TPersistent* dest) const override;
    TCustomDAConnection* Connection() const { return connection_; }
    // Passes a value to the server connection when one exists.
    void WriteProp(int prop, const rtl::Variant& value) const;

private:
    TCustomDAConnection* connection_;
    bool keepDesignConnected_ = true;
    bool disconnectedMode_ = false;
    bool localFailover_ = false;
    TSortType defaultSortType_ = dataaccess::stCaseSensitive;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
};

// Settings of a pooled connection. Plain values.
class TPoolingOptions : public data::TPersistent {
public:
    int32_t MaxPoolSize = 100;
    int32_t MinPoolSize = 0;
    // Milliseconds a pooled connection may live; 0 is unlimited.
    int32_t ConnectionLifetime = 0;
    bool Validate = false;

protected:
    void AssignTo(data::TPersistent* dest) const override;
};

// The connection component: log-in data, connect and disconnect with their events, counted use for
// the disconnected mode, the transactions that work over it, local failover and the error hook that
// every server error of its server connection passes. A server descendant creates the server
// connection (EnsureServerConnection) and the server commands of its clients.
//
// Commands and data sets join through their connection-client links (AddClient), which are all
// the connection knows of them; they wrap each server operation in AcquireConnection/
// ReleaseConnection, run it over IConnection() in CurrentTransaction()'s server transaction, and
// push their operation around it for local failover.
class TCustomDAConnection : public data::TCustomConnection {
public:
    ~TCustomDAConnection() override;

    void Connect() { SetConnected(true); }
    void Disconnect() { SetConnected(false); }
    // A connect counts as one user; a disconnect drops every user and events fire once.
    void SetConnected(bool value) override;
    void SetName(const std::string& name) override;

    const std::string& Username() const { return username_; }
    const std::string& Password() const { return password_; }
    const std::string& Server() const { return server_; }
    // A different text disconnects first; the same text keeps the connection.
    void SetUsername(const std::string& value);
    void SetPassword(const std::string& value);
    virtual void SetServer(const std::string& value);

    // Copies the log-in data of another connection.
    virtual void AssignConnectParams(const TCustomDAConnection& source);

    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool value);
    // Commands turn CR LF into LF in the blobs they send and back in those they read.
    bool ConvertLineBreaks() const { return convertLineBreaks_; }
    void SetConvertLineBreaks(bool value);
    // Copied into the internal command when it is made.
    bool Debug() const { return debug_; }
    void SetDebug(bool value) { debug_ = value; }

    TDAConnectionOptions& Options() const { return *options_; }
    void SetOptions(const TDAConnectionOptions& value) { options_->Assign(&value); }
    TPoolingOptions& PoolingOptions() const { return *poolingOptions_; }
    void SetPoolingOptions(const TPoolingOptions& value) { poolingOptions_->Assign(&value); }
    bool Pooling() const { return pooling_; }
    // A change disconnects and frees the server connection.
    void SetPooling(bool value);
    dataaccess::TCRIOHandler* IOHandler() const { return ioHandler_; }
    void SetIOHandler(dataaccess::TCRIOHandler* value);

    // Counted use around an operation of a client: connects when needed; the release disconnects at
    // the last user in the disconnected mode outside a transaction.
    virtual void AcquireConnection();
    virtual void ReleaseConnection();
    int ConnectCount() const { return connectCount_; }

    // The server connection, or none before the first connect.
    dataaccess::TCRConnection* IConnection() const { return iConnection_.get(); }
    // A new, unconnected server command of this connection's server class, and the test for it.
    virtual std::unique_ptr<dataaccess::TCRCommand> CreateServerCommand() const = 0;
    virtual bool IsServerCommand(const dataaccess::TCRCommand& command) const = 0;
    // A new metadata provider of this connection's server class.
    virtual std::unique_ptr<dataaccess::TCRMetaData> CreateServerMetaData() const;

    // Transactions.
    virtual bool IsMultipleTransactionsSupported() const { return false; }
    TDATransaction* InternalTransaction() const { return internalTransaction_.get(); }
    TDATransaction* DefaultTransaction() const { return defaultTransaction_; }
    void SetDefaultTransaction(TDATransaction* value);
    // DefaultTransaction, else the internal transaction.
    TDATransaction* UsedTransaction() const;
    // The first active transaction, else UsedTransaction.
    virtual TDATransaction* CurrentTransaction() const;
    bool InTransaction() const;
    int TransactionCount() const { return static_cast<int>(transactions_.size()); }
    TDATransaction* Transactions(int index) const;
    // The connection side of a transaction joining or leaving; AddTransaction answers the index.
    int AddTransaction(TDATransaction* transaction);
    void RemoveTransaction(TDATransaction* transaction);
    // Forwarded to UsedTransaction.
    void StartTransaction();
    void Commit();
    void Rollback();
    void CommitRetaining();
    void RollbackRetaining();
    void Savepoint(const std::string& name);
    void RollbackToSavepoint(const std::string& name);
    void ReleaseSavepoint(const std::string& name);

    // Local failover: inert unless Options().LocalFailover().
    int PushOperation(TConnLostCause operation, bool allowFailOver);
    void PopOperation();
    // False while a transaction holds a server transaction that a reconnect would lose.
    bool IsFailOverAllowed() const;
    void ResetOnFatalError();
    void RestoreAfterFailOver();
    // The operation the lost connection interrupted, from the operations stack.
    TConnLostCause DetectConnLostCause(data::TComponent* component);
    // Whether a client still needs the present session: a prepared command or data set, or an open
    // data set with rows to fetch (except `refreshing`, whose refresh starts afresh).
    bool ClientsNeedSession(TConnLostCause connLostCause, const data::TComponent* refreshing) const;
    // The server connection's error handler (see TCRConnection::HandleError).
    void HandleConnectionError(dataaccess::EDAError& error, bool& fail, bool& reconnect, bool& reexecute,
                               int reconnectAttempt, TConnLostCause& connLostCause);

    // One-shot execution through the internal command; parameter i takes values[i]. The answer is
    // Null (no command class here has a result parameter; the named and procedure forms: Empty).
    virtual rtl::Variant ExecuteSQL(const std::string& text, const rtl::VariantArray& values = {});
    // `pairs` alternates parameter names and values; one Null element means none.
    rtl::Variant ExecuteSQLNamed(const std::string& text, const rtl::VariantArray& pairs);
    rtl::Variant ExecuteProc(const std::string& name, const rtl::VariantArray& values = {});
    rtl::Variant ExecuteProcNamed(const std::string& name, const rtl::VariantArray& pairs);
    // Raises "Invalid Params array. ..." unless `pairs` alternates names and values (or is one Null).
    static void CheckNamedParams(const rtl::VariantArray& pairs);
    // Names read from the server's metadata, one a line. With `allTables` (`allProcs`) every schema
    // is listed and the non-empty catalog and schema go in front, each followed by ".".
    void ListTableNames(rtl::TStringList& list, bool allTables = false);
    void ListDatabaseNames(rtl::TStringList& list);
    virtual void ListStoredProcNames(rtl::TStringList& list, bool allProcs = false);

    // Applies the cached updates of the given data sets (ApplyUpdates: of all of this connection's)
    // in their transactions: committed together when AutoCommit is on, rolled back on a failure.
    // "Cannot update, <data set> is not owned by <connection>" for a data set of another connection.
    void ApplyUpdates();
    void ApplyUpdatesOf(const std::vector<data::TDataSet*>& dataSets);

    // A client's links join (once) and leave; the owner is registered as a client alongside.
    void AddClient(TDAConnectionClient& client, TConnectChangeEvent onConnectChange);
    void RemoveClient(TDAConnectionClient& client);
    // The commands among the clients.
    const std::vector<TCustomDASQL*>& SQLClients() const { return sqlClients_; }

    TDAConnectionErrorEvent OnError;
    TConnectionLostEvent OnConnectionLost;

protected:
    // `options` and `internalTransaction` are the descendant's classes.
    TCustomDAConnection(data::TComponent* owner, std::unique_ptr<TDAConnectionOptions> options,
                        std::unique_ptr<TDATransaction> internalTransaction);

    // To another connection: log-in data, options, pooling, the error handler and the connect events.
    void AssignTo(data::TPersistent* dest) const override;
    bool GetConnected() const override;
    void DoConnect() override;
    void DoDisconnect() override;
    void Notification(data::TComponent* component, data::TOperation operation) override;
    void SendConnectEvent(bool connecting) override;

    void PerformConnect(bool retry);
    virtual std::string GetServer() const { return server_; }
    // Creates the server connection when there is none and attaches it.
    virtual void EnsureServerConnection() = 0;
    // Installs `connection` (or none) as the server connection and hands it to the clients.
    virtual void AttachServerConnection(std::unique_ptr<dataaccess::TCRConnection> connection);
    void FreeServerConnection();
    // Closes every transaction by its close action, then lets go of their server transactions.
    void CloseTransactions();
    void DetachTransactions();
    // Passes a setting to the server connection when one exists.
    void WriteProp(int prop, const rtl::Variant& value) const;
    // The command of ExecuteSQL and its siblings, made by CreateSQL on first use.
    TDAOneShotCommand& EnsureInternalCommand();
    // A new command of this connection's server class, not yet bound to it.
    virtual std::unique_ptr<TDAOneShotCommand> CreateSQL() const = 0;
    void ApplyUpdatesOfClients(const std::vector<TDAConnectionClient*>& clients);
    // Fills `list` from a metadata answer of `kind` (see ListTableNames).
    void ListNames(const std::string& kind, const rtl::TStringList& restrictions, rtl::TStringList& list,
                   const char* name, std::initializer_list<const char*> prefixes);

private:
    friend class TDAConnectionOptions;

    struct TOperationEntry {
        TConnLostCause operation;
        bool allowFailOver;
    };

    std::vector<TDATransaction*> transactions_;
    std::string username_, password_, server_;
    bool autoCommit_ = true;
    bool debug_ = false;
    bool convertLineBreaks_ = false;
    std::unique_ptr<TDAConnectionOptions> options_;
    std::unique_ptr<TPoolingOptions> poolingOptions_;
    bool pooling_ = false;
    rtl::TCriticalSection clientLock_;
    TDATransaction* defaultTransaction_ = nullptr;
    std::unique_ptr<TDATransaction> internalTransaction_;
    int connectCount_ = 0;
    // The links of the clients in the order they joined; sqlClients_ holds the commands among them.
    std::vector<TDAConnectionClient*> clients_;
    std::vector<TCustomDASQL*> sqlClients_;
    std::unique_ptr<dataaccess::TCRConnection> iConnection_;
    // Set after construction and every explicit disconnect: the next connect is a first one.
    bool promptFlag_ = true;
    std::vector<TOperationEntry> operations_;
    std::unique_ptr<TDAOneShotCommand> internalCommand_;
    dataaccess::TCRIOHandler* ioHandler_ = nullptr;
    // Set while a disconnect runs: a fatal error inside it starts no second one.
    bool disconnecting_ = false;
};

// Pushes an operation on a connection for the length of a scope and pops it however the scope
// ends; without a connection it does nothing.
class OperationScope {
public:
    OperationScope(TCustomDAConnection* connection, TConnLostCause operation, bool allowFailOver)
        : connection_(connection) {
        if (connection_) connection_->PushOperation(operation, allowFailOver);
    }
    ~OperationScope() {
        if (connection_) connection_->PopOperation();
    }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

private:
    TCustomDAConnection* connection_;
};

} // namespace components
