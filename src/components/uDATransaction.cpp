#include "components/uDATransaction.h"

#include "components/uDASQL.h"
#include "components/uDASQLMonitor.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDAError.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>

namespace components {

namespace {

constexpr const char* STransactionInProgress = "Can't perform operation on active transaction";
constexpr const char* STransactionNotActive = "Can't perform operation on inactive transaction";
constexpr const char* SMultipleTransactionsNotSupported =
    "Multiple transactions are not supported by the database";
constexpr const char* SConnectionInTransactionNotActive =
    "One of the connections in the transaction is not active";

} // namespace

TDATransaction::TDATransaction(data::TComponent* owner) : data::TComponent(owner) {}

TDATransaction::~TDATransaction() {
    Destroying();
    CloseTransaction(true);
    while (!connections_.empty())
        RemoveConnection(connections_.back());
    SetITransaction(nullptr);
}

TCustomDAConnection* TDATransaction::Connections(int index) const {
    if (index < 0 || index >= ConnectionCount()) rtl::ListIndexError(index);
    return connections_[static_cast<size_t>(index)];
}

void TDATransaction::SetDefaultConnection(TCustomDAConnection* value) {
    if (value == defaultConnection_) return;
    if (defaultConnection_) {
        RemoveFreeNotification(defaultConnection_);
        RemoveConnection(defaultConnection_);
    }
    if (value) {
        AddConnection(value);
        FreeNotification(value);
    }
    defaultConnection_ = value;
}

void TDATransaction::AddConnection(TCustomDAConnection* connection) {
    if (!connection || std::find(connections_.begin(), connections_.end(), connection) != connections_.end())
        return;
    // A native transaction cannot take a connection in while it runs.
    if (Active()) CloseTransaction();
    connections_.push_back(connection);
    connection->AddTransaction(this);
}

void TDATransaction::RemoveConnection(TCustomDAConnection* connection) {
    const auto it = std::find(connections_.begin(), connections_.end(), connection);
    if (it == connections_.end()) return;
    if (Active()) CloseTransaction();
    if (connection == defaultConnection_) {
        RemoveFreeNotification(defaultConnection_);
        defaultConnection_ = nullptr;
    }
    std::erase(connections_, connection);
    DetachConnection(connection);
    connection->RemoveTransaction(this);
}

void TDATransaction::DetachConnection(TCustomDAConnection* connection) {
    if (iTransaction_ && connection->IConnection())
        iTransaction_->RemoveConnection(connection->IConnection());
}

TCustomDAConnection* TDATransaction::UsedConnection() const {
    if (defaultConnection_) return defaultConnection_;
    return connections_.empty() ? nullptr : connections_.front();
}

bool TDATransaction::GetInTransaction() const {
    return iTransaction_ && iTransaction_->GetInTransaction();
}

void TDATransaction::SetIsolationLevel(dataaccess::TCRIsolationLevel value) {
    CheckInactive();
    if (iTransaction_) iTransaction_->SetProp(dataaccess::prIsolationLevel, static_cast<int>(value));
    isolationLevel_ = value;
}

void TDATransaction::SetReadOnly(bool value) {
    CheckInactive();
    if (iTransaction_) iTransaction_->SetProp(dataaccess::prTransactionReadOnly, value);
    readOnly_ = value;
}

void TDATransaction::CheckActive() const {
    if (!Active()) throw rtl::Exception(STransactionNotActive);
}

void TDATransaction::CheckInactive() const {
    if (Active()) throw rtl::Exception(STransactionInProgress);
}

// ---- server transaction

void TDATransaction::PrepareTransaction() {
    if (shared_) {
        RTL_ASSERT(defaultConnection_ && defaultConnection_->IConnection());
        dataaccess::TCRTransaction* own = defaultConnection_->IConnection()->InternalTransaction();
        if (iTransaction_ != own) SetITransaction(nullptr, own);
    } else if (!ownedITransaction_) {
        SetITransaction(GetITransactionClass()(), nullptr);
    }
}

void TDATransaction::SetITransaction(std::unique_ptr<dataaccess::TCRTransaction> owned,
                                     dataaccess::TCRTransaction* shared) {
    if (iTransaction_ && iTransaction_->Component() == this) {
        iTransaction_->SetComponent(nullptr);
        iTransaction_->OnError = nullptr;
    }
    ownedITransaction_ = std::move(owned);
    iTransaction_ = ownedITransaction_ ? ownedITransaction_.get() : shared;
    if (!iTransaction_) return;
    iTransaction_->SetProp(dataaccess::prIsolationLevel, static_cast<int>(isolationLevel_));
    iTransaction_->SetProp(dataaccess::prTransactionReadOnly, readOnly_);
    iTransaction_->SetComponent(this);
    iTransaction_->OnError = [this](dataaccess::EDAError& error, bool& fail) { DoError(error, fail); };
}

void TDATransaction::ResetITransaction() {
    // Whatever state the server transaction thinks it is in, its session is gone: a shared one is
    // picked up afresh from the next server connection, an own one is made anew.
    SetITransaction(nullptr);
}

void TDATransaction::DoError(dataaccess::EDAError& error, bool& fail) {
    TCustomDASQLMonitor::TraceError(error);
    if (OnError) OnError(this, error, fail);
    if (inError_ || !error.IsConnectionLostError()) return;
    const rtl::FlagScope inError(inError_);
    try {
        CloseTransaction(true);
    } catch (...) {
        // The lost connection is reported by the error in hand; closing over it may fail as well.
    }
}

// ---- connections

void TDATransaction::PrepareConnections(bool noAcquire) {
    for (TCustomDAConnection* connection : connections_)
        if ((noAcquire || !connection->Options().DisconnectedMode()) && !connection->Connected())
            throw rtl::Exception(SConnectionInTransactionNotActive);
    if (!noAcquire) {
        for (size_t i = 0; i < connections_.size(); ++i) {
            if (!connections_[i]->Options().DisconnectedMode()) continue;
            // What was acquired so far is given back when one connection fails.
            rtl::UndoGuard release([&] {
                for (size_t j = 0; j <= i; ++j)
                    if (connections_[j]->Options().DisconnectedMode() && connections_[j]->Connected())
                        connections_[j]->ReleaseConnection();
            });
            connections_[i]->AcquireConnection();
            release.Dismiss();
        }
    }
    PrepareTransaction();
    disconnectedMode_ = true;
    for (TCustomDAConnection* connection : connections_) {
        iTransaction_->AddConnection(connection->IConnection());
        disconnectedMode_ = disconnectedMode_ && connection->Options().DisconnectedMode();
    }
    prepared_ = !noAcquire;
}

void TDATransaction::UnprepareConnections() {
    if (!prepared_) return;
    prepared_ = false;
    startCount_ = 0;
    explicitlyStarted_ = false;
    unCommittedStatementCount_ = 0;
    for (TCustomDAConnection* connection : connections_)
        if (connection->IConnection())
            connection->IConnection()->SetProp(dataaccess::prAutoCommit, connection->AutoCommit());
    ReleaseConnections();
}

void TDATransaction::ReleaseConnections() {
    // Only the connections PrepareConnections acquired, so that an explicit connect keeps its count.
    for (TCustomDAConnection* connection : connections_)
        if (connection->Options().DisconnectedMode()) connection->ReleaseConnection();
}

void TDATransaction::DisconnectClients(bool ignoreErrors) {
    for (TCustomDAConnection* connection : connections_) {
        if (connection->IsMultipleTransactionsSupported() || connection->CurrentTransaction() != this)
            continue;
        const std::vector<TCustomDASQL*> commands = connection->SQLClients();
        for (TCustomDASQL* command : commands) {
            try {
                command->UnPrepare();
            } catch (...) {
                // After a fatal error the statements are unprepared over a dead session: each may fail.
                if (!ignoreErrors) throw;
            }
        }
    }
}

// ---- explicit use

void TDATransaction::StartTransaction() {
    CheckInactive();
    for (TCustomDAConnection* connection : connections_)
        if (connection->InTransaction()) throw rtl::Exception(SMultipleTransactionsNotSupported);
    PrepareConnections(false);
    TCustomDASQLMonitor::TraceStart(this, true);
    TCustomDAConnection* single = connections_.size() == 1 ? connections_.front() : nullptr;
    {
        rtl::UndoGuard release([this] {
            if (Active()) return;
            prepared_ = false;
            ReleaseConnections();
        });
        const OperationScope operation(single, dataaccess::clTransStart,
                                       single && single->IsFailOverAllowed());
        for (;;) {
            try {
                iTransaction_->StartTransaction();
                break;
            } catch (const dataaccess::EFailOver& e) {
                if (!single || e.ConnLostCause() != dataaccess::clTransStart) throw;
                single->RestoreAfterFailOver();
            }
        }
        release.Dismiss();
    }
    for (TCustomDAConnection* connection : connections_)
        connection->IConnection()->SetProp(dataaccess::prAutoCommit, false);
    startCount_ = 1;
    explicitlyStarted_ = true;
    TCustomDASQLMonitor::TraceStart(this, false);
}

void TDATransaction::Commit() {
    if (!prepared_) PrepareConnections(false);
    TCustomDASQLMonitor::TraceCommit(this, true);
    DisconnectClients(false);
    rtl::Finally([&] { iTransaction_->Commit(); },
                 [&] {
                     if (!Active()) UnprepareConnections();
                 });
    TCustomDASQLMonitor::TraceCommit(this, false);
}

void TDATransaction::Rollback() {
    if (!prepared_) PrepareConnections(false);
    TCustomDASQLMonitor::TraceRollback(this, true);
    DisconnectClients(false);
    rtl::Finally([&] { iTransaction_->Rollback(); },
                 [&] {
                     if (!Active()) UnprepareConnections();
                 });
    TCustomDASQLMonitor::TraceRollback(this, false);
}

void TDATransaction::CommitRetaining() {
    CheckActive();
    TCustomDASQLMonitor::TraceCommitRetaining(this, true);
    iTransaction_->CommitRetaining();
    unCommittedStatementCount_ = 0;
    TCustomDASQLMonitor::TraceCommitRetaining(this, false);
}

void TDATransaction::RollbackRetaining() {
    CheckActive();
    TCustomDASQLMonitor::TraceRollbackRetaining(this, true);
    iTransaction_->RollbackRetaining();
    unCommittedStatementCount_ = 0;
    TCustomDASQLMonitor::TraceRollbackRetaining(this, false);
}

void TDATransaction::Savepoint(const std::string& name) {
    if (!prepared_) PrepareConnections(true);
    iTransaction_->Savepoint(name);
    TCustomDASQLMonitor::TraceSavepoint(this, name);
}

void TDATransaction::ReleaseSavepoint(const std::string& name) {
    if (!prepared_) PrepareConnections(true);
    iTransaction_->ReleaseSavepoint(name);
    TCustomDASQLMonitor::TraceReleaseSavepoint(this, name);
}

void TDATransaction::RollbackToSavepoint(const std::string& name) {
    if (!prepared_) PrepareConnections(true);
    iTransaction_->RollbackToSavepoint(name);
    TCustomDASQLMonitor::TraceRollbackToSavepoint(this, name);
}

void TDATransaction::CloseTransaction(bool force) {
    if (!Active()) return;
    try {
        if (defaultCloseAction_ == taCommit)
            Commit();
        else
            Rollback();
    } catch (const dataaccess::EDAError& e) {
        if (IsDestroying() && e.IsConnectionLostError()) return;
        if (!force) throw;
        ResetITransaction();
    } catch (...) {
        // A forced close goes on: the transaction or its connection is going away regardless.
        if (!force) throw;
    }
}

// ---- implicit use

void TDATransaction::AutoStartTransaction() {
    if (startCount_++ == 0 && !Active()) {
        StartTransaction();
        explicitlyStarted_ = false;
    }
}

void TDATransaction::AutoCommitTransaction(bool needCommit) {
    if (!needCommit || (explicitlyStarted_ && !CommitsExplicitTransactions())) {
        ++unCommittedStatementCount_;
    } else if (startCount_ == 1) {
        Commit();
    } else if (startCount_ > 1) {
        CommitRetaining();
    }
}

void TDATransaction::AutoFinishTransaction() {
    if (startCount_ > 1) {
        --startCount_;
    } else if (startCount_ == 1 && disconnectedMode_) {
        if (unCommittedStatementCount_ > 0)
            startCount_ = 0;
        else
            CloseTransaction();
    }
}

// ---- failover

void TDATransaction::ResetOnFatalError() {
    const int startCount = startCount_;
    if (Active()) {
        failOverStatus_ = iTransaction_->CanRestoreAfterFailover() ? startCount_ : 0;
        DisconnectClients(true);
        try {
            if (defaultCloseAction_ == taCommit)
                iTransaction_->Commit();
            else
                iTransaction_->Rollback();
        } catch (...) {
            // Ending it over the lost session fails as a rule; the transaction goes with the session.
            ResetITransaction();
        }
        prepared_ = false;
        explicitlyStarted_ = false;
        if (startCount == 1) ReleaseConnections();
    } else {
        failOverStatus_ = 0;
    }
    startCount_ = 0;
    unCommittedStatementCount_ = 0;
}

void TDATransaction::RestoreAfterFailOver() {
    if (failOverStatus_ <= 0) return;
    PrepareTransaction();
    if (!iTransaction_->GetInTransaction()) iTransaction_->StartTransaction();
    startCount_ = failOverStatus_;
}

void TDATransaction::Notification(data::TComponent* component, data::TOperation operation) {
    data::TComponent::Notification(component, operation);
    if (operation == data::opRemove && component == defaultConnection_) SetDefaultConnection(nullptr);
}

} // namespace components
