// The local-server transport over a Unix domain socket.
#pragma once

#include "dataaccess/protocol/uCRVio.h"

#include <string>

namespace dataaccess {

// The local-server transport. Where the server offers a named pipe elsewhere, it offers a Unix domain
// socket here: the pipe name is the socket file's path, and only the local host can be reached.
class TMySqlVioPipe : public TCRVio {
public:
    static constexpr const char* kDefaultSocketPath = "/run/mysqld/mysqld.sock";
    static constexpr int kConnectAttempts = 100;
    static constexpr int kMaxWrite = 65535;

    // The port is kept only for the session's information.
    TMySqlVioPipe(std::string host, int port, std::string pipeName);
    ~TMySqlVioPipe() override;

    int GetTimeout() const override { return timeout_; }
    // Bounds the wait for a free connection slot of a busy server, and then receiving and sending.
    void SetTimeout(int seconds) override;
    // Raises EMySqlException 2017 with the system's reason when the socket cannot be opened (also for a
    // host other than the local one), 2016 when a busy server gives no slot within the timeout.
    void Connect() override;
    void Close() override;
    int ReadNoWait(uint8_t* buffer, int offset, int count) override;
    int WriteNoWait(const uint8_t* buffer, int offset, int count) override;

    const std::string& Host() const { return host_; }
    int Port() const { return port_; }
    const std::string& PipeName() const { return pipeName_; }

private:
    std::string host_;
    int port_;
    std::string pipeName_;
    int timeout_ = 30;
    int handle_ = -1;
};

} // namespace dataaccess
