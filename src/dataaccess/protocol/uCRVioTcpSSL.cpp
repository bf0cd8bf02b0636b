#include "dataaccess/protocol/uCRVioTcpSSL.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>

namespace dataaccess {

namespace {

using namespace openssl;

// OpenSSL writes to the socket with plain write(), which raises SIGPIPE on a closed peer. The signal is
// held back for the calling thread during a TLS call and dropped when the call caused it.
class SigPipeBlock {
public:
    SigPipeBlock() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~SigPipeBlock() {
        if (!wasPending_) {
            const timespec noWait{};
            const int savedErrno = errno;
            while (sigtimedwait(&pipe_, nullptr, &noWait) == SIGPIPE) {
            }
            errno = savedErrno;
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigPipeBlock(const SigPipeBlock&) = delete;
    SigPipeBlock& operator=(const SigPipeBlock&) = delete;

private:
    sigset_t pipe_;
    sigset_t previous_;
    bool wasPending_ = false;
};

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

} // namespace

TCRVioTcpSSL::TCRVioTcpSSL(std::string host, int port, std::string keyFile, std::string certFile,
                           std::string caFile, std::string caPath, std::string cipherList)
    : TCRVioTcp(std::move(host), port), lib_(LoadSSLLib()), keyFile_(std::move(keyFile)),
      certFile_(std::move(certFile)), caFile_(std::move(caFile)), caPath_(std::move(caPath)),
      cipherList_(std::move(cipherList)) {}

TCRVioTcpSSL::~TCRVioTcpSSL() {
    FreeTls();
}

void TCRVioTcpSSL::FreeTls() {
    active_ = false;
    if (ssl_) lib_.SSL_free(ssl_);
    ssl_ = nullptr;
    if (context_) lib_.SSL_CTX_free(context_);
    context_ = nullptr;
}

void TCRVioTcpSSL::Close() {
    FreeTls();
    TCRVioTcp::Close();
}

void TCRVioTcpSSL::CreateContext() {
    if (lib_.OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) != 1)
        throw rtl::Exception("SSL library initialization failed");
    context_ = lib_.SSL_CTX_new(lib_.TLS_client_method());
    RTL_ASSERT(context_);
    // Older protocol versions are refused by current servers and broken anyway.
    lib_.SSL_CTX_ctrl(context_, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
    if (!IsBlank(cipherList_)) lib_.SSL_CTX_set_cipher_list(context_, cipherList_.c_str());
    lib_.SSL_CTX_set_verify(context_, Verifying() ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    // A client certificate that fails to load is left for the server to judge.
    if (!certFile_.empty()) lib_.SSL_CTX_use_certificate_file(context_, certFile_.c_str(), SSL_FILETYPE_PEM);
    const std::string& keyFile = keyFile_.empty() ? certFile_ : keyFile_;
    if (!keyFile.empty()) {
        lib_.SSL_CTX_use_PrivateKey_file(context_, keyFile.c_str(), SSL_FILETYPE_PEM);
        lib_.SSL_CTX_check_private_key(context_);
    }
    if (lib_.SSL_CTX_load_verify_locations(context_, OrNull(caFile_), OrNull(caPath_)) != 1)
        RTL_ASSERT(lib_.SSL_CTX_set_default_verify_paths(context_) == 1);
}

void TCRVioTcpSSL::ExpectServerHost() {
    in_addr address{};
    const bool isAddress = inet_pton(AF_INET, Host().c_str(), &address) == 1;
    const int ok = isAddress ? lib_.X509_VERIFY_PARAM_set1_ip_asc(lib_.SSL_get0_param(ssl_), Host().c_str())
                             : lib_.SSL_set1_host(ssl_, Host().c_str());
    RTL_ASSERT(ok == 1);
}

void TCRVioTcpSSL::StartSSL(bool isClient) {
    RTL_ASSERT(isClient);
    RTL_ASSERT(GetSocket() != -1 && !ssl_);
    rtl::UndoGuard freeTls([this] { FreeTls(); });
    CreateContext();
    ssl_ = lib_.SSL_new(context_);
    RTL_ASSERT_MSG(ssl_, "SSL_new failure");
    if (Verifying()) ExpectServerHost();
    lib_.SSL_set_fd(ssl_, GetSocket());
    lib_.SSL_set_connect_state(ssl_);
    // Failed certificate loads above leave entries that would be taken for handshake errors.
    lib_.ERR_clear_error();
    int result;
    {
        SigPipeBlock block;
        result = lib_.SSL_do_handshake(ssl_);
    }
    if (result != 1) {
        std::string text = rtl::Format("SSL_do_handshake = %d\r\nSSL_get_error(..., r2) = %d\r\nr2 = %d",
                                       result, lib_.SSL_get_error(ssl_, result), result);
        const long verdict = lib_.SSL_get_verify_result(ssl_);
        const std::string reason =
            verdict != X509_V_OK ? lib_.X509_verify_cert_error_string(verdict) : QueuedReason();
        if (!reason.empty()) text += "\r\n" + reason;
        throw rtl::Exception(text);
    }
    freeTls.Dismiss();
    active_ = true;
}

std::string TCRVioTcpSSL::QueuedReason() const {
    const unsigned long queued = lib_.ERR_get_error();
    if (queued == 0) return {};
    char reason[256];
    lib_.ERR_error_string_n(queued, reason, sizeof(reason));
    return reason;
}

std::string TCRVioTcpSSL::FailureText(const char* operation, int result, int systemError) const {
    const int code = lib_.SSL_get_error(ssl_, result);
    if (code == SSL_ERROR_ZERO_RETURN) return {}; // the peer closed the connection
    const std::string reason = QueuedReason();
    if (!reason.empty()) return rtl::Format("SSL error on %s. %s", operation, reason);
    // A timeout (a read or write the library wants to retry) or a failed socket call.
    if (systemError != 0) return SocketErrorText(operation, systemError);
    return rtl::Format("SSL error on %s. SSL_get_error return %d", operation, code);
}

int TCRVioTcpSSL::ReadNoWait(uint8_t* buffer, int offset, int count) {
    if (!active_) return TCRVioTcp::ReadNoWait(buffer, offset, count);
    SetLastError({});
    lib_.ERR_clear_error();
    errno = 0;
    const int n = lib_.SSL_read(ssl_, buffer + offset, count);
    if (n > 0) return n;
    SetLastError(FailureText("read", n, errno));
    return 0;
}

int TCRVioTcpSSL::WriteNoWait(const uint8_t* buffer, int offset, int count) {
    if (!active_) return TCRVioTcp::WriteNoWait(buffer, offset, count);
    SetLastError({});
    lib_.ERR_clear_error();
    errno = 0;
    int n;
    int systemError;
    {
        SigPipeBlock block;
        n = lib_.SSL_write(ssl_, buffer + offset, count);
        systemError = errno;
    }
    if (n > 0) return n;
    SetLastError(FailureText("write", n, systemError));
    return 0;
}

bool TCRVioTcpSSL::WaitForData(int seconds) {
    // Records already decrypted do not show on the socket.
    if (active_ && lib_.SSL_pending(ssl_) > 0) return true;
    return TCRVioTcp::WaitForData(seconds);
}

std::string TCRVioTcpSSL::TlsVersion() const {
    return active_ ? lib_.SSL_get_version(ssl_) : std::string();
}

} // namespace dataaccess
