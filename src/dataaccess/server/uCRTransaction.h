// The abstract server transaction over one or more connections, with isolation levels.
#pragma once

#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/server/uDTCLoader.h"
#include "dataaccess/store/uDAError.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace data {
class TComponent;
}

namespace dataaccess {

// Isolation levels of property 35.
enum TCRIsolationLevel : uint8_t {
    ilReadCommitted = 0,
    ilReadUncommitted = 1,
    ilRepeatableRead = 2,
    ilSerializable = 3,
};

// The server-neutral transaction: the connections it covers, its isolation level and read-only
// flag, and the operations a server class implements. Every connection owns one as its internal
// transaction; the transaction component drives it.
class TCRTransaction {
public:
    TCRTransaction() = default;
    virtual ~TCRTransaction() = default;
    TCRTransaction(const TCRTransaction&) = delete;
    TCRTransaction& operator=(const TCRTransaction&) = delete;

    static std::unique_ptr<TCRTransaction> Create() { return std::make_unique<TCRTransaction>(); }

    // True when the connection was not in the list yet.
    virtual bool AddConnection(TCRConnection* connection);
    // True when the connection was in the list.
    virtual bool RemoveConnection(TCRConnection* connection);
    virtual bool SetProp(int prop, const rtl::Variant& value);
    virtual bool GetProp(int prop, rtl::Variant& value);
    virtual bool GetInTransaction() const { return active_; }
    virtual bool GetActive() const { return GetInTransaction(); }
    // Server classes implement these three; the base fails an assertion.
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    // The savepoint and retaining operations raise "Operation is not supported by the database"
    // unless a server class supports them.
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(const std::string& name);
    virtual void ReleaseSavepoint(const std::string& name);
    virtual void RollbackToSavepoint(const std::string& name);
    virtual void NoOperation() {}
    // Forgets a transaction whose session is gone (the server ended it with the session): it counts
    // as inactive again, so the next one can start.
    virtual void Reset() { active_ = false; }
    // Whether the transaction component may keep its start count across a reconnect.
    virtual bool CanRestoreAfterFailover() const { return false; }

    // Raises "Can't perform operation on active transaction".
    void CheckInactive() const;
    // Raises "Can't perform operation on inactive transaction".
    void CheckActive() const;

    TCRConnections& Connections() { return connections_; }
    const TCRConnections& Connections() const { return connections_; }
    uint8_t IsolationLevel() const { return isolationLevel_; }
    bool ReadOnly() const { return readOnly_; }
    // The transaction component; not owned.
    data::TComponent* Component() const { return component_; }
    void SetComponent(data::TComponent* component) { component_ = component; }

    // Installed by the transaction component; the classes of this layer do not call it.
    std::function<void(EDAError& error, bool& fail)> OnError;

protected:
    bool active_ = false;

private:
    data::TComponent* component_ = nullptr;
    TCRConnections connections_;
    uint8_t isolationLevel_ = ilReadCommitted;
    bool readOnly_ = false;
};

// A distributed transaction run by the coordinator (uDTCLoader.h): every connection enlists in
// it. MySQL connections refuse to enlist, so with them starting fails and the coordinator
// transaction is aborted.
class TMTSTransaction : public TCRTransaction {
public:
    static std::unique_ptr<TCRTransaction> Create() { return std::make_unique<TMTSTransaction>(); }

    // While active the connection enlists (leaves) too.
    bool AddConnection(TCRConnection* connection) override;
    bool RemoveConnection(TCRConnection* connection) override;
    // Every connection must be connected; when one fails to enlist the transaction is rolled back.
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    // Forwarded to the internal transaction of every connection.
    void Savepoint(const std::string& name) override;
    void ReleaseSavepoint(const std::string& name) override;
    void RollbackToSavepoint(const std::string& name) override;

    virtual void StartMTSTransaction();
    virtual void CompleteMTSTransaction(bool commit);
    virtual void Enlist(TCRConnection* connection);
    virtual void UnEnlist(TCRConnection* connection);

    // The coordinator's isolation constant of a level; raises "Transaction isolation level is not
    // supported with MTS".
    static int32_t CoordinatorIsolationLevel(uint8_t level);
    ICRTransactionSC* CoordinatorTransaction() const { return transaction_.get(); }

private:
    std::shared_ptr<ICRTransactionDispenserSC> dispenser_;
    std::shared_ptr<ICRTransactionSC> transaction_;
};

} // namespace dataaccess
