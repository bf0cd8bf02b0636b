// A transport through a user-written I/O handler component.
#pragma once

#include "dataaccess/protocol/uCRVio.h"
#include "platform/data/Component.h"

#include <cstdint>
#include <string>

namespace dataaccess {

// What a user-written transport hands out for one connection; 0 means none.
using TCRIOHandle = intptr_t;

// A user-written transport component (a tunnel, a proxy, a TLS stack of its own). Connections that
// use it register with it; the wire protocol reaches the server only through these operations.
class TCRIOHandler : public data::TComponent {
public:
    explicit TCRIOHandler(data::TComponent* owner) : data::TComponent(owner) {}

    virtual void RegisterClient(data::TComponent* client) {}
    virtual void UnRegisterClient(data::TComponent* client) {}
    // Called during the login's switch to TLS.
    virtual void RenegotiateSSL(TCRIOHandle handle, bool isClient) {}

    virtual TCRIOHandle Connect(const std::string& host, int port, const std::string& keyFile,
                                const std::string& certFile, const std::string& caFile) = 0;
    virtual void Disconnect(TCRIOHandle handle) = 0;
    virtual int ReadNoWait(TCRIOHandle handle, uint8_t* buffer, int offset, int count) = 0;
    virtual int Read(TCRIOHandle handle, uint8_t* buffer, int offset, int count) = 0;
    virtual int Write(TCRIOHandle handle, const uint8_t* buffer, int offset, int count) = 0;
    virtual int GetTimeout(TCRIOHandle handle) = 0;
    virtual void SetTimeout(TCRIOHandle handle, int seconds) = 0;
};

// What the data-access components call when a connection starts or stops using a handler.
struct TCRIOHandlerUtils {
    static void RegisterClient(TCRIOHandler* handler, data::TComponent* client) {
        handler->RegisterClient(client);
    }
    static void UnRegisterClient(TCRIOHandler* handler, data::TComponent* client) {
        handler->UnRegisterClient(client);
    }
};

// A transport that forwards every call to a TCRIOHandler (not owned). The handler does its own
// buffering, so Read and Write bypass the read-ahead and retry loops.
class TCRVioHandler : public TCRVio {
public:
    TCRVioHandler(TCRIOHandler* handler, std::string host, int port, std::string keyFile,
                  std::string certFile, std::string caFile);
    ~TCRVioHandler() override;

    // The handler's timeout while connected, the kept one otherwise.
    int GetTimeout() const override;
    void SetTimeout(int seconds) override;
    // A kept timeout above 0 is passed on once the handler has connected.
    void Connect() override;
    void Close() override;
    int ReadNoWait(uint8_t* buffer, int offset, int count) override;
    // Not offered: writes go through Write.
    int WriteNoWait(const uint8_t* buffer, int offset, int count) override;
    int Read(uint8_t* buffer, int offset, int count) override;
    int Write(const uint8_t* buffer, int offset, int count) override;

    TCRIOHandler* Handler() const { return handler_; }
    TCRIOHandle Handle() const { return handle_; }

private:
    TCRIOHandler* handler_;
    TCRIOHandle handle_ = 0;
    int timeout_ = 0;
    std::string host_;
    int port_;
    std::string keyFile_;
    std::string certFile_;
    std::string caFile_;
};

} // namespace dataaccess
