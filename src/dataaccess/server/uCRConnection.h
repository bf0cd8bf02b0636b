// The abstract server connection: connect, disconnect, transactions and lost-connection handling.
#pragma once

#include "dataaccess/store/uDAError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace data {
class TComponent;
}

namespace dataaccess {

class TCRConnection;
class TCRIOHandler;
class TCRTransaction;

// The operation a lost server connection interrupted.
enum TConnLostCause : uint8_t {
    clUnknown,
    clExecute,
    clOpen,
    clRefresh,
    clApply,
    clServiceQuery,
    clTransStart,
    clConnectionApply,
    clConnect,
};

// Not an error for the user: the server connection was re-established and the interrupted
// operation must run again. The data-access components catch it and repeat the operation.
class EFailOver : public rtl::Exception {
public:
    explicit EFailOver(TConnLostCause cause) : rtl::Exception(std::string()), connLostCause_(cause) {}
    const char* ClassName() const override { return "EFailOver"; }
    TConnLostCause ConnLostCause() const { return connLostCause_; }

private:
    TConnLostCause connLostCause_;
};

// Called on every server error by the owning component. `fail` true means the error is raised;
// `reconnect` asks for a reconnect (preset to true on later attempts), `reexecute` for running the
// failed operation again; `reconnectAttempt` is 0 on the first call.
using TErrorProc = std::function<void(EDAError& error, bool& fail, bool& reconnect, bool& reexecute,
                                      int reconnectAttempt, TConnLostCause& connLostCause)>;

// Makes a transaction of a server's class.
using TCRTransactionClass = std::unique_ptr<TCRTransaction> (*)();

// The connection pool as a connection sees it: the place it goes back to. The pool classes
// derive from it.
class TCRConnectionReturn {
public:
    // Keeps `connection` for reuse or frees it.
    virtual void ReturnConnection(TCRConnection* connection) = 0;

protected:
    ~TCRConnectionReturn() = default;
};

// The server-neutral connection: log-in data, options under numeric property codes, the internal
// transaction, and the reconnect that follows a lost server connection. Server classes implement
// the abstract operations; a server class whose Disconnect does work calls it in its own
// destructor, since the base cannot reach it from there.
class TCRConnection {
public:
    TCRConnection() = default;
    virtual ~TCRConnection();
    TCRConnection(const TCRConnection&) = delete;
    TCRConnection& operator=(const TCRConnection&) = delete;

    // Raise "MS DTC transactions not supported".
    virtual void JoinDistributedTransaction(TCRTransaction* transaction);
    virtual void LeaveDistributedTransaction(TCRTransaction* transaction);

    // Lets the installed error handler decide about a server error and reconnects when it asks.
    // Raises EFailOver after a successful reconnect when the handler asked to re-execute; otherwise
    // returns, and the caller raises the error while `fail` is true. The loop has no bound of its
    // own: as long as the handler keeps asking and connects keep failing it runs again, so the
    // handler must stop asking (the components ask again only under their local failover option).
    virtual void HandleError(EDAError& error, bool& fail);

    virtual TCRTransactionClass GetTransactionClass() const = 0;
    // The base part, called by server classes after a successful connect: the connect time and the
    // valid flag. `connectString` is not read by any class.
    virtual void Connect(const std::string& connectString);
    virtual void Disconnect() = 0;
    // Shares the server connection of `source`; this object does not own the handle then.
    virtual void AssignConnect(TCRConnection* source) = 0;
    virtual void SetUsername(const std::string& value) { username_ = value; }
    virtual void SetPassword(const std::string& value) { password_ = value; }
    // Asks the server whether the connection still works and updates the valid flag.
    virtual void CheckIsValid() = 0;
    // Hands the connection back to its pool (which must be set) without the component's handler.
    virtual void ReturnToPool();
    virtual std::string GetServerVersion() = 0;
    virtual std::string GetServerVersionFull() = 0;
    virtual std::string GetClientVersion() = 0;
    // True when the code was handled.
    virtual bool SetProp(int prop, const rtl::Variant& value);
    virtual bool GetProp(int prop, rtl::Variant& value);

    bool IsConnected() const { return connected_; }
    // Created on first use from GetTransactionClass, with this connection in it.
    TCRTransaction* InternalTransaction();
    const std::string& Username() const { return username_; }
    const std::string& Password() const { return password_; }
    const std::string& Server() const { return server_; }
    void SetServer(const std::string& value) { server_ = value; }

    bool AutoCommit() const { return autoCommit_; }
    bool ConvertEOL() const { return convertEOL_; }
    bool DisconnectedMode() const { return disconnectedMode_; }
    bool EnableBCD() const { return enableBCD_; }
    bool EnableFMTBCD() const { return enableFMTBCD_; }
    int32_t DefaultSortType() const { return defaultSortType_; }

    // Milliseconds of the steady clock at the last successful connect.
    uint64_t ConnectTime() const { return connectTime_; }
    bool IsValid() const { return isValid_; }
    void SetIsValid(bool value) { isValid_ = value; }
    bool Reconnected() const { return reconnected_; }

    TCRConnectionReturn* Pool() const { return pool_; }
    void SetPool(TCRConnectionReturn* pool) { pool_ = pool; }
    // Stamped and compared by the pool only.
    int32_t PoolVersion() const { return poolVersion_; }
    void SetPoolVersion(int32_t value) { poolVersion_ = value; }

    // The component on whose behalf the connection works; put into its errors. Not owned.
    data::TComponent* Component() const { return component_; }
    void SetComponent(data::TComponent* component) { component_ = component; }
    // Used only by the library's own wire protocol. Not owned.
    TCRIOHandler* IOHandler() const { return ioHandler_; }
    void SetIOHandler(TCRIOHandler* handler) { ioHandler_ = handler; }

    // Installed by the owning component.
    TErrorProc OnError;
    // Called when a reconnect failed and the handler asks for no further one; the connected flag
    // is set during the call.
    std::function<void()> OnReconnectError;
    // Called after every successful reconnect.
    std::function<void()> OnReconnected;

protected:
    bool connected_ = false;
    // False after AssignConnect: Disconnect must not close a borrowed handle.
    bool ownsHandle_ = true;
    std::string username_;
    std::string password_;
    std::string server_;
    bool autoCommit_ = false;
    bool convertEOL_ = false;
    bool isValid_ = true;
    bool disconnectedMode_ = false;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
    // Set while the handler or a reconnect runs, so that their own server errors do not recurse.
    bool inProcessError_ = false;
    bool reconnected_ = false;
    int32_t defaultSortType_ = 0;

private:
    uint64_t connectTime_ = 0;
    std::unique_ptr<TCRTransaction> internalTransaction_;
    TCRConnectionReturn* pool_ = nullptr;
    int32_t poolVersion_ = 0;
    data::TComponent* component_ = nullptr;
    TCRIOHandler* ioHandler_ = nullptr;
};

// The connections a transaction covers; not owned.
class TCRConnections {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises "List index out of bounds (%d)".
    TCRConnection* Items(int index) const;
    int IndexOf(const TCRConnection* connection) const;
    void Add(TCRConnection* connection) { items_.push_back(connection); }
    void Delete(int index);

private:
    std::vector<TCRConnection*> items_;
};

} // namespace dataaccess
