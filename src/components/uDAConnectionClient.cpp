#include "components/uDAConnectionClient.h"

#include "components/uDAConnection.h"
#include "components/uDATransaction.h"

namespace components {

TDAConnectionClient::TDAConnectionClient(data::TComponent& owner,
                                         data::TCustomConnection::TConnectChangeEvent onConnectChange)
    : owner_(owner), onConnectChange_(std::move(onConnectChange)) {}

void TDAConnectionClient::SetConnection(TCustomDAConnection* value) {
    UnregisterConnection();
    connection_ = value;
    if (value) RegisterWith(value);
}

void TDAConnectionClient::RegisterWith(TCustomDAConnection* connection) {
    connection->AddClient(*this, onConnectChange_);
    owner_.FreeNotification(connection);
    registeredWith_ = connection;
}

void TDAConnectionClient::UnregisterConnection() {
    if (!registeredWith_) return;
    registeredWith_->RemoveClient(*this);
    owner_.RemoveFreeNotification(registeredWith_);
    registeredWith_ = nullptr;
}

void TDAConnectionClient::SetTransaction(TDATransaction* value) {
    if (value == transaction_) return;
    if (transaction_) owner_.RemoveFreeNotification(transaction_);
    transaction_ = value;
    if (transaction_) owner_.FreeNotification(transaction_);
}

TDATransaction* TDAConnectionClient::UsedTransaction(const TCustomDAConnection* used) const {
    if (!used) return nullptr;
    if (transaction_ && used->IsMultipleTransactionsSupported()) return transaction_;
    return used->CurrentTransaction();
}

bool TDAConnectionClient::Forget(const data::TComponent* component) {
    if (component == transaction_) transaction_ = nullptr;
    if (component != registeredWith_) return false;
    registeredWith_ = nullptr;
    if (connection_ == component) connection_ = nullptr;
    return true;
}

void TDAConnectionClient::Release() {
    UnregisterConnection();
    SetTransaction(nullptr);
}

} // namespace components
