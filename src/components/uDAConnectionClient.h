// The links a client of a connection (a command, a data set) keeps to its connection and transaction.
#pragma once

#include "platform/data/CustomConnection.h"

namespace components {

class TCustomDAConnection;
class TDATransaction;

// The stored connection, the connection the owner is registered with as a client and the stored
// transaction, with the free notifications that keep each pointer valid. The owner forwards its
// removal notifications to Forget and calls Release when it is destroyed.
class TDAConnectionClient {
public:
    TDAConnectionClient(data::TComponent& owner,
                        data::TCustomConnection::TConnectChangeEvent onConnectChange);
    TDAConnectionClient(const TDAConnectionClient&) = delete;
    TDAConnectionClient& operator=(const TDAConnectionClient&) = delete;

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

private:
    data::TComponent& owner_;
    data::TCustomConnection::TConnectChangeEvent onConnectChange_;
    TCustomDAConnection* connection_ = nullptr;
    TCustomDAConnection* registeredWith_ = nullptr;
    TDATransaction* transaction_ = nullptr;
};

} // namespace components
