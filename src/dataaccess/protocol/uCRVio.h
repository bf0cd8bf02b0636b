// The transport of the wire protocol: the base class and plain TCP sockets.
#pragma once

#include "dataaccess/store/uMarshal.h"
#include "platform/rtl/Exception.h"

#include <cstdint>
#include <string>

namespace dataaccess {

// A failed socket call of a transport, with the client error code the session reports.
class SocketException : public rtl::Exception {
public:
    SocketException(int errorCode, std::string message)
        : rtl::Exception(std::move(message)), errorCode_(errorCode) {}

    int ErrorCode() const { return errorCode_; }
    const char* ClassName() const override { return "SocketException"; }

private:
    int errorCode_;
};

// "Socket error on <operation>. WSAGetLastError return <code>(<$hex>)": the shape users and logs know,
// with the system's error number.
std::string SocketErrorText(const char* operation, int code);

// Bounds receiving and sending (and so a blocking connect) on a socket; 0 waits without limit. Raises
// EOSError when the system refuses.
void SetSocketTimeouts(int socket, int seconds);

// A byte transport of the wire protocol: a read-ahead buffer and retrying loops over four raw
// operations of the subclass. Offsets are added to the buffer address.
class TCRVio {
public:
    static constexpr int kReadAheadSize = 16384;
    // Reads of fewer bytes than this are served through the read-ahead buffer.
    static constexpr int kReadAheadThreshold = 2048;
    static constexpr int kRetryPauseMs = 10;
    static constexpr int kWriteAttempts = 3;

    TCRVio() = default;
    virtual ~TCRVio() = default;
    TCRVio(const TCRVio&) = delete;
    TCRVio& operator=(const TCRVio&) = delete;

    virtual int GetTimeout() const = 0;
    virtual void SetTimeout(int seconds) = 0;
    // Empties and allocates the read-ahead buffer; subclasses call it first.
    virtual void Connect();
    virtual void Close() = 0;
    // One raw call: the bytes moved, 0 on failure or end of stream.
    virtual int ReadNoWait(uint8_t* buffer, int offset, int count) = 0;
    virtual int WriteNoWait(const uint8_t* buffer, int offset, int count) = 0;
    // The bytes delivered; fewer than `count` when the stream ended or failed.
    virtual int Read(uint8_t* buffer, int offset, int count);
    // The bytes written; fewer than `count` after the third call that wrote nothing.
    virtual int Write(const uint8_t* buffer, int offset, int count);
    // True when data can be read within `seconds` (no limit when negative).
    virtual bool WaitForData(int seconds);

    // The description of the last failed call, for the packet layer's error messages.
    const std::string& LastError() const { return lastError_; }

protected:
    void SetLastError(std::string text) { lastError_ = std::move(text); }
    // One recv or send on a socket of the subclass; a failure is kept as LastError and gives 0.
    int ReceiveOnce(int socket, uint8_t* buffer, int offset, int count);
    int SendOnce(int socket, const uint8_t* buffer, int offset, int count);
    // Bytes received ahead and not yet handed out.
    int BufferedCount() const { return bufferedLength_ - bufferedPosition_; }

private:
    std::string lastError_;
    TBytes readAhead_;
    int bufferedLength_ = 0;
    int bufferedPosition_ = 0;
};

// TCP over IPv4 with blocking calls; the timeout bounds connecting, receiving and sending.
class TCRVioTcp : public TCRVio {
public:
    static constexpr int kDefaultTimeout = 30;

    TCRVioTcp(std::string host, int port);
    ~TCRVioTcp() override;

    int GetTimeout() const override { return timeout_; }
    void SetTimeout(int seconds) override;
    // Raises SocketException: 2005 when no socket can be made or the host is unknown, 2003 when the
    // connect fails; the text of the failed call is also kept as LastError.
    void Connect() override;
    void Close() override;
    int ReadNoWait(uint8_t* buffer, int offset, int count) override;
    int WriteNoWait(const uint8_t* buffer, int offset, int count) override;
    int Write(const uint8_t* buffer, int offset, int count) override;
    // Raises SocketException 2006 when waiting fails.
    bool WaitForData(int seconds) override;

    int GetSocket() const { return socket_; }
    const std::string& Host() const { return host_; }
    int Port() const { return port_; }

private:
    std::string host_;
    int port_;
    int timeout_ = kDefaultTimeout;
    int socket_ = -1;
};

} // namespace dataaccess
