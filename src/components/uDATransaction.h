// The transaction component: starts, commits and rolls back over its connections.
#pragma once

#include "components/uDAConnection.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/server/uCRTransaction.h"
#include "platform/data/Component.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace components {

// How a transaction that is still open ends when it is closed without an explicit commit.
enum TCRTransactionAction : uint8_t { taCommit, taRollback };

// The transaction component: starts, commits and rolls back a transaction over its connections
// through a server transaction, and counts the implicit users (data sets and commands) so that
// they can start and finish it for themselves. Every connection has one internal, shared
// transaction, which runs on its server connection's own server transaction.
class TDATransaction : public data::TComponent {
public:
    explicit TDATransaction(data::TComponent* owner);
    ~TDATransaction() override;

    TCustomDAConnection* DefaultConnection() const { return defaultConnection_; }
    void SetDefaultConnection(TCustomDAConnection* value);
    int ConnectionCount() const { return static_cast<int>(connections_.size()); }
    TCustomDAConnection* Connections(int index) const;
    // The transaction side of a connection joining or leaving, then the connection side.
    void AddConnection(TCustomDAConnection* connection);
    void RemoveConnection(TCustomDAConnection* connection);
    // The default connection, else the first one, else none.
    TCustomDAConnection* UsedConnection() const;

    bool Active() const { return GetInTransaction(); }
    virtual bool GetInTransaction() const;
    dataaccess::TCRIsolationLevel IsolationLevel() const { return isolationLevel_; }
    // Refused while active.
    void SetIsolationLevel(dataaccess::TCRIsolationLevel value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    TCRTransactionAction DefaultCloseAction() const { return defaultCloseAction_; }
    void SetDefaultCloseAction(TCRTransactionAction value) { defaultCloseAction_ = value; }
    // A shared transaction runs on its default connection's server transaction and never frees it.
    bool Shared() const { return shared_; }
    void SetShared(bool value) { shared_ = value; }

    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(const std::string& name);
    virtual void ReleaseSavepoint(const std::string& name);
    virtual void RollbackToSavepoint(const std::string& name);
    // Ends an active transaction by the close action. With `force` its errors are swallowed.
    virtual void CloseTransaction(bool force = false);

    // Implicit use by data sets and commands.
    virtual void AutoStartTransaction();
    virtual void AutoCommitTransaction(bool needCommit);
    virtual void AutoFinishTransaction();
    virtual bool CommitsExplicitTransactions() const { return true; }

    // The connection lost its server session: finish the transaction (remembering whether a
    // reconnect may restore it), and restart it after the reconnect.
    void ResetOnFatalError();
    void RestoreAfterFailOver();

    // Installs the server transaction this component works on: the server connection's own for a
    // shared one, else a new one of GetITransactionClass.
    void PrepareTransaction();
    // The server transaction, or none before it is prepared.
    dataaccess::TCRTransaction* ITransaction() const { return iTransaction_; }
    // Lets go of the server transaction (a shared one belongs to its server connection).
    void DetachITransaction() { SetITransaction(nullptr); }
    // The connection's end of the server transaction goes away with its server connection.
    void DetachConnection(TCustomDAConnection* connection);

    TDAConnectionErrorEvent OnError;

protected:
    virtual dataaccess::TCRTransactionClass GetITransactionClass() const = 0;
    void Notification(data::TComponent* component, data::TOperation operation) override;

private:
    void SetITransaction(std::unique_ptr<dataaccess::TCRTransaction> owned,
                         dataaccess::TCRTransaction* shared);
    void SetITransaction(std::nullptr_t) { SetITransaction(nullptr, nullptr); }
    void DoError(dataaccess::EDAError& error, bool& fail);
    void CheckActive() const;
    void CheckInactive() const;
    void PrepareConnections(bool noAcquire);
    void UnprepareConnections();
    void ReleaseConnections();
    // The commands that run in this transaction lose their prepared statements, which the end of
    // the transaction would invalidate.
    void DisconnectClients(bool ignoreErrors);
    // The core transaction can no longer be trusted (its server session failed): let go of it.
    void ResetITransaction();

    TCustomDAConnection* defaultConnection_ = nullptr;
    int startCount_ = 0;
    int unCommittedStatementCount_ = 0;
    bool explicitlyStarted_ = false;
    bool disconnectedMode_ = false;
    int failOverStatus_ = 0;
    bool prepared_ = false;
    TCRTransactionAction defaultCloseAction_ = taRollback;
    dataaccess::TCRIsolationLevel isolationLevel_ = dataaccess::ilReadCommitted;
    bool readOnly_ = false;
    bool inError_ = false;
    dataaccess::TCRTransaction* iTransaction_ = nullptr;
    std::unique_ptr<dataaccess::TCRTransaction> ownedITransaction_;
    bool shared_ = false;
    std::vector<TCustomDAConnection*> connections_;
};

} // namespace components
