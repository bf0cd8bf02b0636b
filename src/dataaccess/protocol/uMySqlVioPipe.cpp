#include "dataaccess/protocol/uMySqlVioPipe.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dataaccess {

TMySqlVioPipe::TMySqlVioPipe(std::string host, int port, std::string pipeName)
    : host_(std::move(host)), port_(port), pipeName_(std::move(pipeName)) {}

TMySqlVioPipe::~TMySqlVioPipe() {
    Close();
}

void TMySqlVioPipe::SetTimeout(int seconds) {
    timeout_ = seconds;
    if (handle_ != -1) SetSocketTimeouts(handle_, timeout_);
}

void TMySqlVioPipe::Connect() {
    RTL_ASSERT(handle_ == -1);
    TCRVio::Connect();
    if (pipeName_.empty()) pipeName_ = kDefaultSocketPath;
    if (host_.empty() || SameTextAnsi(host_, "localhost")) host_ = ".";
    if (host_ != ".")
        throw EMySqlException(kCrNamedPipeOpenError, "A socket file reaches the local host only");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (pipeName_.size() >= sizeof(address.sun_path))
        throw EMySqlException(kCrNamedPipeOpenError, std::strerror(ENAMETOOLONG));
    std::memcpy(address.sun_path, pipeName_.c_str(), pipeName_.size() + 1);

    int error = 0;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        const int handle = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (handle == -1) throw EMySqlException(kCrNamedPipeOpenError, std::strerror(errno));
        // A server whose backlog is full makes connect wait, up to the send timeout, for a free slot.
        {
            rtl::UndoGuard closeSocket([handle] { ::close(handle); });
            SetSocketTimeouts(handle, timeout_);
            closeSocket.Dismiss();
        }
        if (connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            handle_ = handle;
            return;
        }
        error = errno;
        ::close(handle);
        if (error == EAGAIN) throw EMySqlException(kCrNamedPipeWaitError, std::strerror(error));
        if (error != EINTR) throw EMySqlException(kCrNamedPipeOpenError, std::strerror(error));
    }
    throw EMySqlException(kCrNamedPipeOpenError, std::strerror(error));
}

void TMySqlVioPipe::Close() {
    if (handle_ == -1) return;
    ::close(handle_);
    handle_ = -1;
}

int TMySqlVioPipe::ReadNoWait(uint8_t* buffer, int offset, int count) {
    return ReceiveOnce(handle_, buffer, offset, count);
}

int TMySqlVioPipe::WriteNoWait(const uint8_t* buffer, int offset, int count) {
    return SendOnce(handle_, buffer, offset, std::min(count, kMaxWrite));
}

} // namespace dataaccess
