#include "dataaccess/protocol/uCRVio.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Threads.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace dataaccess {

std::string SocketErrorText(const char* operation, int code) {
    return rtl::Format("Socket error on %s. WSAGetLastError return %d($%X)", operation, code, code);
}

void SetSocketTimeouts(int socket, int seconds) {
    timeval tv{};
    tv.tv_sec = std::max(seconds, 0);
    if (setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) != 0 ||
        setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv)) != 0)
        throw rtl::EOSError(rtl::Format("System Error.  Code: %d.\n%s", errno, std::strerror(errno)));
}

// ---- TCRVio

void TCRVio::Connect() {
    bufferedLength_ = 0;
    bufferedPosition_ = 0;
    readAhead_.assign(kReadAheadSize, 0);
}

int TCRVio::Read(uint8_t* buffer, int offset, int count) {
    int done = 0;
    bool refilled = false;
    for (;;) {
        const int fromBuffer = std::min(count - done, BufferedCount());
        if (fromBuffer > 0) {
            std::memcpy(buffer + offset + done, readAhead_.data() + bufferedPosition_, fromBuffer);
            bufferedPosition_ += fromBuffer;
            done += fromBuffer;
        }
        if (bufferedPosition_ == bufferedLength_) bufferedLength_ = bufferedPosition_ = 0;
        if (done == count) return done;
        RTL_ASSERT(bufferedLength_ == 0);
        if (refilled || count - done >= kReadAheadThreshold) break;
        // A small read: one raw read fills the buffer, so a header and a short payload cost one call.
        refilled = true;
        bufferedLength_ = ReadNoWait(readAhead_.data(), 0, kReadAheadSize);
        if (bufferedLength_ == 0) {
            // The stream ended or failed; reading on would only wait out the timeout a second time.
            rtl::Sleep(kRetryPauseMs);
            return done;
        }
    }
    while (done < count) {
        const int n = ReadNoWait(buffer, offset + done, count - done);
        if (n == 0) {
            rtl::Sleep(kRetryPauseMs);
            break;
        }
        done += n;
    }
    return done;
}

int TCRVio::Write(const uint8_t* buffer, int offset, int count) {
    int done = 0;
    int failures = 0;
    while (done < count) {
        const int n = WriteNoWait(buffer, offset + done, count - done);
        if (n > 0) {
            done += n;
        } else {
            if (++failures >= kWriteAttempts) break;
            rtl::Sleep(kRetryPauseMs);
        }
    }
    return done;
}

int TCRVio::ReceiveOnce(int socket, uint8_t* buffer, int offset, int count) {
    SetLastError({});
    ssize_t n;
    do {
        n = recv(socket, buffer + offset, static_cast<size_t>(count), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        SetLastError(SocketErrorText("read", errno));
        return 0;
    }
    return static_cast<int>(n);
}

int TCRVio::SendOnce(int socket, const uint8_t* buffer, int offset, int count) {
    SetLastError({});
    ssize_t n;
    do {
        n = send(socket, buffer + offset, static_cast<size_t>(count), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        SetLastError(SocketErrorText("write", errno));
        return 0;
    }
    return static_cast<int>(n);
}

bool TCRVio::WaitForData(int) {
    RTL_ASSERT_MSG(false, "WaitForData is not supported by this transport");
    return false;
}

// ---- TCRVioTcp

namespace {

// The first IPv4 address of a dotted address or a host name; false with the resolver's error code.
bool ResolveIPv4(const std::string& host, in_addr& address, int& errorCode) {
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
    hostent entry{};
    hostent* result = nullptr;
    std::vector<char> work(8192);
    int rc = 0;
    while ((rc = gethostbyname_r(host.c_str(), &entry, work.data(), work.size(), &result, &errorCode)) ==
           ERANGE)
        work.resize(work.size() * 2);
    if (rc != 0 || !result || !result->h_addr_list[0]) {
        if (rc != 0 && errorCode == 0) errorCode = rc;
        return false;
    }
    std::memcpy(&address, result->h_addr_list[0], sizeof(address));
    return true;
}

} // namespace

TCRVioTcp::TCRVioTcp(std::string host, int port) : host_(std::move(host)), port_(port) {}

TCRVioTcp::~TCRVioTcp() {
    Close();
}

void TCRVioTcp::SetTimeout(int seconds) {
    if (seconds == timeout_) return;
    timeout_ = seconds;
    // Sends get the same bound as receives, so a peer that stops reading cannot hang a write.
    if (socket_ != -1) SetSocketTimeouts(socket_, timeout_);
}

void TCRVioTcp::Connect() {
    RTL_ASSERT(socket_ == -1);
    TCRVio::Connect();
    if (host_.empty()) host_ = "localhost";
    socket_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ == -1) {
        SetLastError(SocketErrorText("socket", errno));
        throw SocketException(kCrUnknownHost, LastError());
    }
    rtl::UndoGuard closeSocket([this] {
        ::close(socket_);
        socket_ = -1;
    });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port_));
    int errorCode = 0;
    if (!ResolveIPv4(host_, address.sin_addr, errorCode)) {
        SetLastError(SocketErrorText("connect", errorCode));
        throw SocketException(kCrUnknownHost, LastError());
    }
    // Before connecting, so that the timeout also bounds the connect.
    SetSocketTimeouts(socket_, timeout_);
    if (connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        SetLastError(SocketErrorText("connect", errno));
        throw SocketException(kCrConnHostError, LastError());
    }
    // Packets are written whole, so nothing is gained by holding back small segments.
    const int on = 1;
    if (setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on)) != 0 ||
        setsockopt(socket_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on)) != 0) {
        SetLastError(SocketErrorText("connect", errno));
        throw SocketException(kCrConnHostError, LastError());
    }
    closeSocket.Dismiss();
}

void TCRVioTcp::Close() {
    if (socket_ == -1) return;
    shutdown(socket_, SHUT_RDWR);
    ::close(socket_);
    socket_ = -1;
}

int TCRVioTcp::ReadNoWait(uint8_t* buffer, int offset, int count) {
    return ReceiveOnce(socket_, buffer, offset, count);
}

int TCRVioTcp::WriteNoWait(const uint8_t* buffer, int offset, int count) {
    return SendOnce(socket_, buffer, offset, count);
}

int TCRVioTcp::Write(const uint8_t* buffer, int offset, int count) {
    if (socket_ == -1) return 0;
    return TCRVio::Write(buffer, offset, count);
}

bool TCRVioTcp::WaitForData(int seconds) {
    if (BufferedCount() > 0) return true;
    if (socket_ == -1) return false;
    pollfd fd{socket_, POLLIN, 0};
    int rc;
    do {
        rc = poll(&fd, 1, seconds < 0 ? -1 : seconds * 1000);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        SetLastError(SocketErrorText("select", errno));
        throw SocketException(kCrServerGone, LastError());
    }
    return rc > 0;
}

} // namespace dataaccess
