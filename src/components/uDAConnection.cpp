#include "components/uDAConnection.h"

#include "components/uDAConnectionClient.h"
#include "components/uDASQLMonitor.h"
#include "components/uDATransaction.h"
#include "dataaccess/protocol/uCRVioHandler.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRMetaData.h"
#include "dataaccess/store/uDAError.h"
#include "dataaccess/store/uDataHelper.h"
#include "platform/data/DataError.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringList.h"

#include <algorithm>
#include <exception>

namespace components {

namespace {

constexpr const char* SInvalidNamedParams =
    "Invalid Params array. Valid format: <Name1>,<Value1>[,<Name2>,<Value2>[...]]";

// Adds one line per row of a metadata answer: the `name` column, preceded by the non-empty values
// of the `prefixes` columns the answer has, each followed by ".".
void AddNames(dataaccess::TData& answer, rtl::TStringList& list, const char* name,
              std::initializer_list<const char*> prefixes) {
    dataaccess::TDataHelper row(answer);
    row.AllocBuffer();
    answer.SetToBegin();
    auto text = [&](const char* column) {
        const dataaccess::TFieldDesc* desc = answer.FindFieldDesc(column);
        if (!desc) return std::string();
        const rtl::Variant value = row.GetFieldValue(desc->FieldNumber);
        return value.IsNull() || value.IsEmpty() ? std::string() : value.AsString();
    };
    while (row.NextRecord()) {
        std::string line;
        for (const char* prefix : prefixes)
            if (std::string part = text(prefix); !part.empty()) line += part + ".";
        list.Add(line + text(name));
    }
}

} // namespace

// ---- options

void TDAConnectionOptions::WriteProp(int prop, const rtl::Variant& value) const {
    connection_->WriteProp(prop, value);
}

void TDAConnectionOptions::SetDisconnectedMode(bool value) {
    if (value == disconnectedMode_) return;
    connection_->Disconnect();
    disconnectedMode_ = value;
    WriteProp(dataaccess::prDisconnectedMode, value);
}

void TDAConnectionOptions::SetDefaultSortType(TSortType value) {
    defaultSortType_ = value;
    WriteProp(dataaccess::prDefaultSortType, static_cast<int>(value));
}

void TDAConnectionOptions::SetEnableBCD(bool value) {
    enableBCD_ = value;
    WriteProp(dataaccess::prEnableBCD, value);
}

void TDAConnectionOptions::SetEnableFMTBCD(bool value) {
    enableFMTBCD_ = value;
    WriteProp(dataaccess::prEnableFMTBCD, value);
}

void TDAConnectionOptions::AssignTo(data::TPersistent* dest) const {
    auto* other = dynamic_cast<TDAConnectionOptions*>(dest);
    if (!other) return data::TPersistent::AssignTo(dest);
    other->keepDesignConnected_ = keepDesignConnected_;
    other->localFailover_ = localFailover_;
    other->SetDisconnectedMode(disconnectedMode_);
    other->SetEnableBCD(enableBCD_);
    other->SetEnableFMTBCD(enableFMTBCD_);
}

void TPoolingOptions::AssignTo(data::TPersistent* dest) const {
    auto* other = dynamic_cast<TPoolingOptions*>(dest);
    if (!other) return data::TPersistent::AssignTo(dest);
    other->MaxPoolSize = MaxPoolSize;
    other->MinPoolSize = MinPoolSize;
    other->ConnectionLifetime = ConnectionLifetime;
    other->Validate = Validate;
}

// ---- construction

TCustomDAConnection::TCustomDAConnection(data::TComponent* owner,
                                         std::unique_ptr<TDAConnectionOptions> options,
                                         std::unique_ptr<TDATransaction> internalTransaction)
    : data::TCustomConnection(owner), options_(std::move(options)),
      poolingOptions_(std::make_unique<TPoolingOptions>()),
      internalTransaction_(std::move(internalTransaction)) {
    internalTransaction_->SetDefaultConnection(this);
    internalTransaction_->SetShared(true);
    SetLoginPrompt(true);
}

TCustomDAConnection::~TCustomDAConnection() {
    Destroying();
    try {
        Disconnect();
    } catch (...) {
        // A destructor has nobody to tell; the connection goes all the same.
    }
    if (ioHandler_) dataaccess::TCRIOHandlerUtils::UnRegisterClient(ioHandler_, this);
    internalCommand_.reset();
    internalTransaction_.reset();
    while (!transactions_.empty())
        RemoveTransaction(transactions_.back());
    FreeServerConnection();
}

void TCustomDAConnection::SetName(const std::string& name) {
    data::TCustomConnection::SetName(name);
    internalTransaction_->SetName(name.empty() ? std::string() : "tr" + name);
}

void TCustomDAConnection::AssignTo(data::TPersistent* dest) const {
    auto* other = dynamic_cast<TCustomDAConnection*>(dest);
    if (!other) return data::TCustomConnection::AssignTo(dest);
    other->SetUsername(username_);
    other->SetPassword(password_);
    other->SetServer(server_);
    other->SetLoginPrompt(LoginPrompt());
    other->SetPoolingOptions(*poolingOptions_);
    other->SetPooling(pooling_);
    other->OnError = OnError;
    other->SetConvertLineBreaks(convertLineBreaks_);
    other->SetOptions(*options_);
    other->SetAutoCommit(autoCommit_);
    other->AfterConnect = AfterConnect;
    other->BeforeConnect = BeforeConnect;
    other->AfterDisconnect = AfterDisconnect;
    other->BeforeDisconnect = BeforeDisconnect;
    other->OnLogin = OnLogin;
}

// ---- log-in data and settings

void TCustomDAConnection::SetUsername(const std::string& value) {
    if (value == username_) return;
    Disconnect();
    username_ = value;
}

void TCustomDAConnection::SetPassword(const std::string& value) {
    if (value == password_) return;
    Disconnect();
    password_ = value;
}

void TCustomDAConnection::SetServer(const std::string& value) {
    if (value == server_) return;
    Disconnect();
    server_ = value;
}

void TCustomDAConnection::AssignConnectParams(const TCustomDAConnection& source) {
    SetUsername(source.username_);
    SetPassword(source.password_);
    SetServer(source.server_);
}

void TCustomDAConnection::SetAutoCommit(bool value) {
    autoCommit_ = value;
    WriteProp(dataaccess::prAutoCommit, value);
}

void TCustomDAConnection::SetConvertLineBreaks(bool value) {
    convertLineBreaks_ = value;
    WriteProp(dataaccess::prConvertEOL, value);
}

void TCustomDAConnection::SetPooling(bool value) {
    if (value == pooling_) return;
    Disconnect();
    FreeServerConnection();
    pooling_ = value;
}

void TCustomDAConnection::SetIOHandler(dataaccess::TCRIOHandler* value) {
    if (value == ioHandler_) return;
    if (ioHandler_) {
        dataaccess::TCRIOHandlerUtils::UnRegisterClient(ioHandler_, this);
        RemoveFreeNotification(ioHandler_);
    }
    Disconnect();
    ioHandler_ = value;
    if (ioHandler_) {
        dataaccess::TCRIOHandlerUtils::RegisterClient(ioHandler_, this);
        FreeNotification(ioHandler_);
    }
    if (iConnection_) iConnection_->SetIOHandler(ioHandler_);
}

void TCustomDAConnection::WriteProp(int prop, const rtl::Variant& value) const {
    if (iConnection_) iConnection_->SetProp(prop, value);
}

void TCustomDAConnection::Notification(data::TComponent* component, data::TOperation operation) {
    data::TCustomConnection::Notification(component, operation);
    if (operation != data::opRemove) return;
    if (component == defaultTransaction_) SetDefaultTransaction(nullptr);
    if (component == ioHandler_) SetIOHandler(nullptr);
}

// ---- connecting

bool TCustomDAConnection::GetConnected() const {
    return iConnection_ && iConnection_->IsConnected();
}

void TCustomDAConnection::SetConnected(bool value) {
    if (value == GetConnected()) return;
    if (value) {
        // An explicit connect is one user; the increment PerformConnect makes is not kept.
        const int count = ++connectCount_;
        rtl::UndoGuard uncount([&] { connectCount_ = GetConnected() ? count : count - 1; });
        PerformConnect(false);
        uncount.Dismiss();
        connectCount_ = count;
        return;
    }
    rtl::FlagScope disconnecting(disconnecting_);
    connectCount_ = 0;
    promptFlag_ = true;
    std::exception_ptr error;
    try {
        if (BeforeDisconnect) BeforeDisconnect(this);
        SendConnectEvent(false);
    } catch (...) {
        error = std::current_exception();
    }
    // The framework's disconnect tells the clients again and fires AfterDisconnect; BeforeDisconnect
    // has fired already.
    TNotifyEvent beforeDisconnect = std::move(BeforeDisconnect);
    BeforeDisconnect = nullptr;
    rtl::Finally([&] { data::TCustomConnection::SetConnected(false); },
                 [&] { BeforeDisconnect = std::move(beforeDisconnect); });
    if (error) std::rethrow_exception(error);
}

void TCustomDAConnection::SendConnectEvent(bool connecting) {
    if (connecting) return data::TCustomConnection::SendConnectEvent(true);
    // A client that cannot close because the server is gone is as closed as it gets; every client
    // is told once, so a client that always fails cannot hold the disconnect up.
    data::TCustomConnection::SendConnectEvent(false, [] {
        try {
            throw;
        } catch (const dataaccess::EDAError& e) {
            if (!e.IsConnectionLostError()) throw;
        }
    });
}

void TCustomDAConnection::PerformConnect(bool retry) {
    if (GetConnected()) return;
    if (!retry && BeforeConnect) BeforeConnect(this);
    DoConnect();
    ++connectCount_;
    SendConnectEvent(true);
    if (AfterConnect) AfterConnect(this);
}

void TCustomDAConnection::DoConnect() {
    TCustomDASQLMonitor::TraceConnect(this, true);
    // A server connection whose session failed is not reused: its session state and server
    // transaction went with it.
    if (iConnection_ && !iConnection_->IsValid()) FreeServerConnection();
    EnsureServerConnection();
    RTL_ASSERT(iConnection_);
    {
        const OperationScope operation(this, dataaccess::clConnect, true);
        internalTransaction_->PrepareTransaction();
        iConnection_->SetUsername(username_);
        iConnection_->SetPassword(password_);
        iConnection_->SetServer(GetServer());
        iConnection_->Connect(std::string());
    }
    TCustomDASQLMonitor::TraceConnect(this, false);
}

void TCustomDAConnection::DoDisconnect() {
    try {
        std::exception_ptr error;
        try {
            CloseTransactions();
        } catch (...) {
            error = std::current_exception();
        }
        if (GetConnected()) {
            TCustomDASQLMonitor::TraceDisconnect(this, true);
            if (iConnection_->Pool() && iConnection_->IsValid()) {
                iConnection_->ReturnToPool();
                iConnection_.release(); // the pool has it now
                AttachServerConnection(nullptr);
            } else {
                iConnection_->Disconnect();
            }
            TCustomDASQLMonitor::TraceDisconnect(this, false);
        }
        if (error) std::rethrow_exception(error);
    } catch (const dataaccess::EDAError& e) {
        // A connection that goes away over a lost session has nothing left to close on the server.
        if (!IsDestroying() || !e.IsConnectionLostError()) throw;
    }
}

void TCustomDAConnection::AttachServerConnection(std::unique_ptr<dataaccess::TCRConnection> connection) {
    iConnection_ = std::move(connection);
    for (TDAConnectionClient* client : clients_)
        client->ServerConnectionChanged(iConnection_.get());
    if (!iConnection_) return;
    iConnection_->SetComponent(this);
    iConnection_->OnError = [this](dataaccess::EDAError& error, bool& fail, bool& reconnect, bool& reexecute,
                                   int attempt, TConnLostCause& cause) {
        HandleConnectionError(error, fail, reconnect, reexecute, attempt, cause);
    };
    iConnection_->OnReconnectError = [this] { Disconnect(); };
    iConnection_->OnReconnected = [this] {
        if (AfterConnect) AfterConnect(this);
    };
}

std::unique_ptr<dataaccess::TCRMetaData> TCustomDAConnection::CreateServerMetaData() const {
    RTL_ASSERT_MSG(false, "Must be overrided");
    return nullptr;
}

void TCustomDAConnection::FreeServerConnection() {
    if (!iConnection_) return;
    DetachTransactions();
    if (iConnection_->Pool()) {
        iConnection_->ReturnToPool();
        iConnection_.release(); // the pool has it now
    }
    AttachServerConnection(nullptr);
}

// ---- counted use

void TCustomDAConnection::AcquireConnection() {
    int count = ++connectCount_;
    const bool loginPrompt = LoginPrompt();
    // The login prompt shows only for the first connect after an explicit disconnect.
    SetLoginPrompt(loginPrompt && promptFlag_);
    const rtl::ScopeExit restore([&] {
        connectCount_ = count;
        SetLoginPrompt(loginPrompt);
        promptFlag_ = !GetConnected();
    });
    try {
        Connect();
    } catch (const dataaccess::EFailOver&) {
        // The failover reconnected already: the connect it interrupted has nothing left to do.
    } catch (...) {
        if (!GetConnected()) --count;
        throw;
    }
}

void TCustomDAConnection::ReleaseConnection() {
    connectCount_ = std::max(0, connectCount_ - 1);
    if (connectCount_ == 0 && options_->DisconnectedMode() && !InTransaction()) Disconnect();
    promptFlag_ = false;
}

// ---- transactions

void TCustomDAConnection::SetDefaultTransaction(TDATransaction* value) {
    if (value == internalTransaction_.get()) value = nullptr;
    if (value == defaultTransaction_) return;
    if (defaultTransaction_) {
        RemoveFreeNotification(defaultTransaction_);
        TDATransaction* old = defaultTransaction_;
        defaultTransaction_ = nullptr;
        RemoveTransaction(old);
    }
    if (value) {
        AddTransaction(value);
        FreeNotification(value);
    }
    defaultTransaction_ = value;
}

TDATransaction* TCustomDAConnection::UsedTransaction() const {
    return defaultTransaction_ ? defaultTransaction_ : internalTransaction_.get();
}

TDATransaction* TCustomDAConnection::CurrentTransaction() const {
    if (!IsMultipleTransactionsSupported())
        for (TDATransaction* transaction : transactions_)
            if (transaction->Active()) return transaction;
    return UsedTransaction();
}

bool TCustomDAConnection::InTransaction() const {
    return std::any_of(transactions_.begin(), transactions_.end(),
                       [](const TDATransaction* t) { return t->Active(); });
}

TDATransaction* TCustomDAConnection::Transactions(int index) const {
    if (index < 0 || index >= TransactionCount()) rtl::ListIndexError(index);
    return transactions_[static_cast<size_t>(index)];
}

int TCustomDAConnection::AddTransaction(TDATransaction* transaction) {
    auto it = std::find(transactions_.begin(), transactions_.end(), transaction);
    if (it == transactions_.end()) it = transactions_.insert(transactions_.end(), transaction);
    const int index = static_cast<int>(it - transactions_.begin());
    if (transaction) transaction->AddConnection(this);
    return index;
}

void TCustomDAConnection::RemoveTransaction(TDATransaction* transaction) {
    if (std::find(transactions_.begin(), transactions_.end(), transaction) == transactions_.end()) return;
    std::erase(transactions_, transaction);
    if (transaction == defaultTransaction_) {
        RemoveFreeNotification(defaultTransaction_);
        defaultTransaction_ = nullptr;
    }
    transaction->RemoveConnection(this);
}

void TCustomDAConnection::StartTransaction() {
    UsedTransaction()->StartTransaction();
}

void TCustomDAConnection::Commit() {
    UsedTransaction()->Commit();
}

void TCustomDAConnection::Rollback() {
    UsedTransaction()->Rollback();
}

void TCustomDAConnection::CommitRetaining() {
    UsedTransaction()->CommitRetaining();
}

void TCustomDAConnection::RollbackRetaining() {
    UsedTransaction()->RollbackRetaining();
}

void TCustomDAConnection::Savepoint(const std::string& name) {
    UsedTransaction()->Savepoint(name);
}

void TCustomDAConnection::RollbackToSavepoint(const std::string& name) {
    UsedTransaction()->RollbackToSavepoint(name);
}

void TCustomDAConnection::ReleaseSavepoint(const std::string& name) {
    UsedTransaction()->ReleaseSavepoint(name);
}

void TCustomDAConnection::CloseTransactions() {
    const std::vector<TDATransaction*> transactions = transactions_;
    for (TDATransaction* transaction : transactions)
        transaction->CloseTransaction(true);
    DetachTransactions();
}

void TCustomDAConnection::DetachTransactions() {
    for (TDATransaction* transaction : transactions_) {
        if (!transaction->ITransaction()) continue;
        if (transaction->Shared())
            transaction->DetachITransaction();
        else
            transaction->DetachConnection(this);
    }
}

// ---- clients

void TCustomDAConnection::AddClient(TDAConnectionClient& client, TConnectChangeEvent onConnectChange) {
    rtl::TCriticalSection::Guard guard(clientLock_);
    RegisterClient(&client.Owner(), std::move(onConnectChange));
    if (std::find(clients_.begin(), clients_.end(), &client) != clients_.end()) return;
    clients_.push_back(&client);
    if (TCustomDASQL* command = client.Command()) sqlClients_.push_back(command);
}

void TCustomDAConnection::RemoveClient(TDAConnectionClient& client) {
    rtl::TCriticalSection::Guard guard(clientLock_);
    UnRegisterClient(&client.Owner());
    std::erase(clients_, &client);
    std::erase(sqlClients_, client.Command());
}

// ---- failover

int TCustomDAConnection::PushOperation(TConnLostCause operation, bool allowFailOver) {
    if (!options_->LocalFailover()) return 0;
    operations_.push_back({operation, allowFailOver});
    return static_cast<int>(operations_.size()) - 1;
}

void TCustomDAConnection::PopOperation() {
    if (options_->LocalFailover() && !operations_.empty()) operations_.pop_back();
}

bool TCustomDAConnection::IsFailOverAllowed() const {
    return std::none_of(transactions_.begin(), transactions_.end(), [](const TDATransaction* t) {
        return t->ITransaction() && t->ITransaction()->GetInTransaction() &&
               !t->ITransaction()->CanRestoreAfterFailover();
    });
}

void TCustomDAConnection::ResetOnFatalError() {
    const std::vector<TDATransaction*> transactions = transactions_;
    for (TDATransaction* transaction : transactions)
        transaction->ResetOnFatalError();
}

void TCustomDAConnection::RestoreAfterFailOver() {
    const std::vector<TDATransaction*> transactions = transactions_;
    for (TDATransaction* transaction : transactions)
        transaction->RestoreAfterFailOver();
}

TConnLostCause TCustomDAConnection::DetectConnLostCause(data::TComponent* component) {
    TConnLostCause result = dataaccess::clUnknown;
    bool allowFailOver = true;
    for (auto it = operations_.rbegin(); it != operations_.rend(); ++it) {
        if (it->operation > result) {
            result = it->operation;
            allowFailOver = it->allowFailOver;
        }
        if (result == dataaccess::clConnect) {
            // A first connect (after an explicit disconnect) is the user's to retry.
            auto* connection = dynamic_cast<TCustomDAConnection*>(component);
            if (connection && connection->promptFlag_) result = dataaccess::clUnknown;
            break;
        }
    }
    if (!allowFailOver) return dataaccess::clUnknown;
    switch (result) {
    case dataaccess::clExecute:
    case dataaccess::clOpen:
    case dataaccess::clServiceQuery:
    case dataaccess::clTransStart:
        return IsFailOverAllowed() ? result : dataaccess::clUnknown;
    default:
        return result;
    }
}

bool TCustomDAConnection::ClientsNeedSession(TConnLostCause connLostCause,
                                             const data::TComponent* refreshing) const {
    // A prepared statement and unread rows live in the old session: a new session would not know
    // them.
    return std::any_of(clients_.begin(), clients_.end(), [&](const TDAConnectionClient* client) {
        return client->NeedsSession(connLostCause == dataaccess::clRefresh && &client->Owner() == refreshing);
    });
}

void TCustomDAConnection::HandleConnectionError(dataaccess::EDAError& error, bool& fail, bool& reconnect,
                                                bool& reexecute, int reconnectAttempt,
                                                TConnLostCause& connLostCause) {
    connLostCause = dataaccess::clUnknown;
    TCustomDASQLMonitor::TraceError(error);
    const bool fatal = error.IsConnectionLostError();
    if (fatal) {
        connLostCause = DetectConnLostCause(error.Component());
        reconnect = (GetConnected() || (reconnectAttempt > 0 && options_->LocalFailover()) ||
                     (connLostCause == dataaccess::clConnect && options_->DisconnectedMode())) &&
                    (IsFailOverAllowed() || connLostCause == dataaccess::clConnectionApply);
        if (reconnect) reconnect = !ClientsNeedSession(connLostCause, error.Component());
    }
    if (reconnect && options_->LocalFailover()) {
        TRetryMode retryMode =
            connLostCause == dataaccess::clUnknown || connLostCause == dataaccess::clExecute
                ? rmRaise
                : rmReconnectExecute;
        if (OnConnectionLost) OnConnectionLost(this, error.Component(), connLostCause, retryMode);
        reconnect = retryMode != rmRaise;
        reexecute = (retryMode == rmReconnectExecute && connLostCause != dataaccess::clUnknown) ||
                    (connLostCause == dataaccess::clConnect && retryMode != rmRaise);
        fail = !reexecute;
    }
    // The clean-up after a lost connection runs also when OnError raises an exception of its own;
    // that exception leaves before any reconnect, so the component then disconnects: it must never
    // report itself connected over a dead session.
    auto cleanUp = [&](bool reconnecting) {
        if (!fatal) return;
        if (iConnection_) iConnection_->SetIsValid(false);
        if (reconnectAttempt != 0) return;
        ResetOnFatalError();
        if (!reconnecting && !disconnecting_) {
            rtl::FlagScope disconnecting(disconnecting_);
            try {
                Disconnect();
            } catch (...) {
                // The fatal error in hand is the one to report; a broken session often fails to close.
            }
        }
    };
    bool reconnecting = false;
    rtl::Finally(
        [&] {
            if (!reexecute && OnError) OnError(this, error, fail);
            reconnecting = reconnect;
        },
        [&] { cleanUp(reconnecting); });
}

// ---- one-shot execution

TDAOneShotCommand& TCustomDAConnection::EnsureInternalCommand() {
    if (!internalCommand_) {
        internalCommand_ = CreateSQL();
        internalCommand_->BindTo(this, debug_);
    }
    return *internalCommand_;
}

rtl::Variant TCustomDAConnection::ExecuteSQL(const std::string& text, const rtl::VariantArray& values) {
    return EnsureInternalCommand().ExecuteSQLOnce(text, values);
}

rtl::Variant TCustomDAConnection::ExecuteSQLNamed(const std::string& text, const rtl::VariantArray& pairs) {
    return EnsureInternalCommand().ExecuteSQLNamedOnce(text, pairs);
}

rtl::Variant TCustomDAConnection::ExecuteProc(const std::string& name, const rtl::VariantArray& values) {
    return EnsureInternalCommand().ExecuteProcOnce(name, values);
}

rtl::Variant TCustomDAConnection::ExecuteProcNamed(const std::string& name, const rtl::VariantArray& pairs) {
    return EnsureInternalCommand().ExecuteProcNamedOnce(name, pairs);
}

// ---- name lists

void TCustomDAConnection::ListTableNames(rtl::TStringList& list, bool allTables) {
    rtl::TStringList restrictions;
    if (!allTables) restrictions.Add("SCOPE=LOCAL");
    ListNames("tables", restrictions, list, "TABLE_NAME",
              allTables ? std::initializer_list<const char*>{"TABLE_CATALOG", "TABLE_SCHEMA"}
                        : std::initializer_list<const char*>{});
}

void TCustomDAConnection::ListDatabaseNames(rtl::TStringList& list) {
    ListNames("databases", rtl::TStringList(), list, "DATABASE_NAME", {});
}

void TCustomDAConnection::ListStoredProcNames(rtl::TStringList& list, bool allProcs) {
    rtl::TStringList restrictions;
    if (!allProcs) restrictions.Add("SCOPE=LOCAL");
    ListNames("procedures", restrictions, list, "PROCEDURE_NAME",
              allProcs ? std::initializer_list<const char*>{"PROCEDURE_CATALOG", "PROCEDURE_SCHEMA",
                                                            "PROCEDURE_PACKAGE"}
                       : std::initializer_list<const char*>{"PROCEDURE_PACKAGE"});
}

void TCustomDAConnection::ListNames(const std::string& kind, const rtl::TStringList& restrictions,
                                    rtl::TStringList& list, const char* name,
                                    std::initializer_list<const char*> prefixes) {
    std::unique_ptr<dataaccess::TCRMetaData> metaData = CreateServerMetaData();
    AcquireConnection();
    rtl::Finally(
        [&] {
            list.Clear();
            TDATransaction* transaction = UsedTransaction();
            AddNames(metaData->GetMetaData(iConnection_.get(),
                                           transaction ? transaction->ITransaction() : nullptr, kind,
                                           restrictions),
                     list, name, prefixes);
        },
        [&] { ReleaseConnection(); });
}

// ---- applying cached updates

void TCustomDAConnection::ApplyUpdates() {
    ApplyUpdatesOfClients(clients_);
}

void TCustomDAConnection::ApplyUpdatesOf(const std::vector<data::TDataSet*>& dataSets) {
    std::vector<TDAConnectionClient*> clients;
    for (data::TDataSet* dataSet : dataSets) {
        const auto it =
            std::find_if(clients_.begin(), clients_.end(),
                         [dataSet](TDAConnectionClient* client) { return &client->Owner() == dataSet; });
        if (it == clients_.end())
            data::DatabaseError(
                rtl::Format("Cannot update, %s is not owned by %s", dataSet->Name().c_str(), Name().c_str()));
        clients.push_back(*it);
    }
    ApplyUpdatesOfClients(clients);
}

void TCustomDAConnection::ApplyUpdatesOfClients(const std::vector<TDAConnectionClient*>& clients) {
    std::vector<TDAConnectionClient*> cached;
    std::vector<TDATransaction*> transactions;
    for (TDAConnectionClient* client : clients) {
        if (!client->HoldsCachedUpdates()) continue;
        // With one transaction per connection the update transaction is the used one.
        TDATransaction* transaction = client->UsedTransaction(this);
        if (!transaction) throw rtl::Exception("Transaction not assigned");
        cached.push_back(client);
        if (std::find(transactions.begin(), transactions.end(), transaction) == transactions.end())
            transactions.push_back(transaction);
    }
    // Which transactions this call started; the others were running before and only go on.
    std::vector<bool> startedHere(transactions.size());
    auto endTransactions = [&](bool commit) {
        for (size_t i = 0; i < transactions.size(); ++i) {
            TDATransaction* transaction = transactions[i];
            if (!commit && !transaction->Active()) continue;
            const bool retaining = IsMultipleTransactionsSupported() && !startedHere[i];
            if (commit)
                retaining ? transaction->CommitRetaining() : transaction->Commit();
            else
                retaining ? transaction->RollbackRetaining() : transaction->Rollback();
        }
    };
    {
        const OperationScope operation(this, dataaccess::clConnectionApply, IsFailOverAllowed());
        for (bool firstPass = true;; firstPass = false) {
            try {
                for (size_t i = 0; i < transactions.size(); ++i) {
                    if (firstPass) startedHere[i] = !transactions[i]->Active();
                    if (!transactions[i]->Active()) transactions[i]->StartTransaction();
                }
                for (TDAConnectionClient* client : cached)
                    client->ApplyCachedUpdates();
                if (autoCommit_) endTransactions(true);
                break;
            } catch (const dataaccess::EFailOver&) {
                RestoreAfterFailOver();
            } catch (...) {
                std::exception_ptr error = std::current_exception();
                try {
                    endTransactions(false);
                } catch (...) {
                    // The failure of the apply is the one to report, not that of undoing it.
                }
                std::rethrow_exception(error);
            }
        }
    }
    for (TDAConnectionClient* client : cached)
        client->CommitCachedUpdates();
}

void TCustomDAConnection::CheckNamedParams(const rtl::VariantArray& pairs) {
    if (pairs.size() == 1 && pairs.front().IsNull()) return;
    bool valid = pairs.size() % 2 == 0;
    for (size_t i = 0; valid && i < pairs.size(); i += 2)
        valid = pairs[i].Type() == rtl::varString || pairs[i].Type() == rtl::varWideString;
    if (!valid) throw rtl::Exception(SInvalidNamedParams);
}

} // namespace components
