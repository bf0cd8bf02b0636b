// The base of connection components and the clients that follow their state.
#pragma once

#include "platform/data/Component.h"

#include <functional>
#include <string>
#include <vector>

namespace data {

class TDataSet;
class TCustomConnection;

// A component that connects to a server and keeps a list of the clients (data sets, commands) that
// want to hear when it connects or disconnects. A descendant disconnects in its own destructor.
class TCustomConnection : public TComponent {
public:
    using TNotifyEvent = std::function<void(TCustomConnection* sender)>;
    using TConnectChangeEvent = std::function<void(TCustomConnection* sender, bool connecting)>;
    using TLoginEvent = std::function<void(TCustomConnection* sender, const std::string& username,
                                           const std::string& password)>;

    explicit TCustomConnection(TComponent* owner);

    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    bool Connected() const { return GetConnected(); }
    // Connecting: BeforeConnect, DoConnect, clients told, AfterConnect. Disconnecting:
    // BeforeDisconnect, clients told, DoDisconnect, AfterDisconnect. Nothing when it already is so.
    virtual void SetConnected(bool value);

    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool value) { loginPrompt_ = value; }

    // Registers a client once; `onConnectChange` (may be empty) hears of every connect and disconnect.
    virtual void RegisterClient(TComponent* client, TConnectChangeEvent onConnectChange = {});
    virtual void UnRegisterClient(TComponent* client);
    int DataSetCount() const { return GetDataSetCount(); }
    TDataSet* DataSets(int index) const { return GetDataSet(index); }

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
    // Kept for descendants; the base never calls it.
    TLoginEvent OnLogin;

protected:
    virtual bool GetConnected() const { return false; }
    virtual void DoConnect() {}
    virtual void DoDisconnect() {}
    // The registered clients that are data sets, in registration order.
    virtual int GetDataSetCount() const;
    virtual TDataSet* GetDataSet(int index) const;
    // Calls the connect-change callback of every registered client.
    virtual void SendConnectEvent(bool connecting);
    // The same; when a client raises, `onClientError` runs inside the handler (it may rethrow with
    // `throw;`) and the remaining clients are still told.
    void SendConnectEvent(bool connecting, const std::function<void()>& onClientError);

private:
    struct Client {
        TComponent* client;
        TConnectChangeEvent onConnectChange;
    };
    std::vector<Client> clients_;
    bool loginPrompt_ = false;
};

} // namespace data
