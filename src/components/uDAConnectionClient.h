// The links a client of a connection (a command, a data set) keeps to its connection and transaction,
// and what the connection asks of its clients.
#pragma once

#include "platform/data/CustomConnection.h"
#include "platform/rtl/Variant.h"

#include <string>

namespace dataaccess {
class TCRConnection;
}

namespace components {

class TCustomDAConnection;
class TCustomDASQL;
class TDATransaction;

// The stored connection, the connection the owner is registered with as a client and the stored
// transaction, with the free notifications that keep each pointer valid. The owner forwards its
// removal notifications to Forget and calls Release when it is destroyed.
//
// The connection reaches its clients only through these links: a client class overrides what the
// connection asks of it; the defaults suit a client that holds no server state.
class TDAConnectionClient {
public:
    TDAConnectionClient(data::TComponent& owner,
                        data::TCustomConnection::TConnectChangeEvent onConnectChange);
    virtual ~TDAConnectionClient() = default;
    TDAConnectionClient(const TDAConnectionClient&) = delete;
    TDAConnectionClient& operator=(const TDAConnectionClient&) = delete;

    data::TComponent& Owner() const { return owner_; }
    TCustomDAConnection* Connection() const { return connection_; }
    TCustomDAConnection* RegisteredWith() const { return registeredWith_; }
    TDATransaction* Transaction() const { return transaction_; }

    // Leaves the connection it is registered with, stores `value` and registers with it.
    void SetConnection(TCustomDAConnection* value);
    void RegisterWith(TCustomDAConnection* connection);
    void UnregisterConnection();
    void SetTransaction(TDATransaction* value);
    // The transaction to work in on `used`: the stored one where the connection runs several
    // transactions at once and one is stored, else the connection's current one; null without a
    // connection.
    TDATransaction* UsedTransaction(const TCustomDAConnection* used) const;
    // Forgets a removed component without calling it (it is mostly gone by now); true when it was
    // the connection registered with.
    bool Forget(const data::TComponent* component);
    void Release();

    // ---- What the connection asks
    // The owner when it is a command, for the connection's list of commands.
    virtual TCustomDASQL* Command() const { return nullptr; }
    // The connection has a new server connection, or none: nothing of the client may keep the old
    // one, which may be freed now.
    virtual void ServerConnectionChanged(dataaccess::TCRConnection* connection) {}
    // Whether the client still needs the present session after it was lost: a prepared statement
    // or unread rows live in it. `refreshing`: the lost session interrupted the client's own
    // refresh, which starts afresh.
    virtual bool NeedsSession(bool refreshing) const { return false; }
    // Cached updates waiting in an open data set.
    virtual bool HoldsCachedUpdates() const { return false; }
    // Applies them in the transaction the connection runs, which commits or rolls back for all its
    // data sets together: the client's own auto-commit stays off meanwhile.
    virtual void ApplyCachedUpdates() {}
    // The updates went to the server: the cache lets go of them.
    virtual void CommitCachedUpdates() {}

private:
    data::TComponent& owner_;
    data::TCustomConnection::TConnectChangeEvent onConnectChange_;
    TCustomDAConnection* connection_ = nullptr;
    TCustomDAConnection* registeredWith_ = nullptr;
    TDATransaction* transaction_ = nullptr;
};

// The command a connection runs its one-shot statements through (ExecuteSQL and its siblings); the
// connection's class makes it. The answer of each execution is Null: no command class of this
// program has a result parameter; the named and procedure forms answer Empty.
class TDAOneShotCommand {
public:
    virtual ~TDAOneShotCommand() = default;

    // Binds the command to the connection it serves, with the connection's debug setting.
    virtual void BindTo(TCustomDAConnection* connection, bool debug) = 0;
    // The SQL is set anew (parameters scanned again); parameter i takes values[i].
    virtual rtl::Variant ExecuteSQLOnce(const std::string& text, const rtl::VariantArray& values) = 0;
    // `pairs` alternates names and values (one Null element: none).
    virtual rtl::Variant ExecuteSQLNamedOnce(const std::string& text, const rtl::VariantArray& pairs) = 0;
    // Calls the stored procedure with its description read from the server; values go to the
    // parameters in order and the input parameters left over are unbound.
    virtual rtl::Variant ExecuteProcOnce(const std::string& name, const rtl::VariantArray& values) = 0;
    virtual rtl::Variant ExecuteProcNamedOnce(const std::string& name, const rtl::VariantArray& pairs) = 0;
};

} // namespace components
