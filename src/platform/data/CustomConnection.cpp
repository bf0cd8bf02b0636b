#include "platform/data/CustomConnection.h"

#include "platform/data/DataSet.h"

#include <algorithm>

namespace data {

TCustomConnection::TCustomConnection(TComponent* owner) : TComponent(owner) {}

void TCustomConnection::SetConnected(bool value) {
    if (value == GetConnected()) return;
    if (value) {
        if (BeforeConnect) BeforeConnect(this);
        DoConnect();
        SendConnectEvent(true);
        if (AfterConnect) AfterConnect(this);
    } else {
        if (BeforeDisconnect) BeforeDisconnect(this);
        SendConnectEvent(false);
        DoDisconnect();
        if (AfterDisconnect) AfterDisconnect(this);
    }
}

void TCustomConnection::RegisterClient(TComponent* client, TConnectChangeEvent onConnectChange) {
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [client](const Client& c) { return c.client == client; });
    if (it != clients_.end())
        it->onConnectChange = std::move(onConnectChange);
    else
        clients_.push_back({client, std::move(onConnectChange)});
}

void TCustomConnection::UnRegisterClient(TComponent* client) {
    std::erase_if(clients_, [client](const Client& c) { return c.client == client; });
}

int TCustomConnection::GetDataSetCount() const {
    return static_cast<int>(std::count_if(clients_.begin(), clients_.end(), [](const Client& c) {
        return dynamic_cast<TDataSet*>(c.client) != nullptr;
    }));
}

TDataSet* TCustomConnection::GetDataSet(int index) const {
    int seen = 0;
    for (const Client& c : clients_)
        if (auto* dataSet = dynamic_cast<TDataSet*>(c.client))
            if (seen++ == index) return dataSet;
    rtl::ListIndexError(index);
}

void TCustomConnection::SendConnectEvent(bool connecting) {
    SendConnectEvent(connecting, nullptr);
}

void TCustomConnection::SendConnectEvent(bool connecting, const std::function<void()>& onClientError) {
    // Copy: a client may unregister while it is told.
    const std::vector<Client> clients = clients_;
    for (const Client& c : clients) {
        const bool registered = std::any_of(clients_.begin(), clients_.end(),
                                            [&](const Client& other) { return other.client == c.client; });
        if (!registered || !c.onConnectChange) continue;
        if (!onClientError) {
            c.onConnectChange(this, connecting);
            continue;
        }
        try {
            c.onConnectChange(this, connecting);
        } catch (...) {
            // The caller's handler decides: it may rethrow, and the remaining clients are still told.
            onClientError();
        }
    }
}

} // namespace data
