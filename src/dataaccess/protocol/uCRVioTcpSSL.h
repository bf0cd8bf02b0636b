// The TLS transport over TCP, through OpenSSL loaded at run time.
#pragma once

#include "dataaccess/protocol/uCRVio.h"
#include "dataaccess/protocol/uSSLLib.h"

#include <string>

namespace dataaccess {

// TLS 1.2 or later over the TCP transport, through OpenSSL loaded at run time. The connection starts
// in plain TCP (the login's first packet) and switches with StartSSL. The server's certificate and
// host are verified when a CA file or CA path is given.
class TCRVioTcpSSL : public TCRVioTcp {
public:
    // Loads OpenSSL (see openssl::LoadSSLLib), so a missing library fails here.
    TCRVioTcpSSL(std::string host, int port, std::string keyFile, std::string certFile, std::string caFile,
                 std::string caPath, std::string cipherList);
    ~TCRVioTcpSSL() override;

    void Close() override;
    int ReadNoWait(uint8_t* buffer, int offset, int count) override;
    int WriteNoWait(const uint8_t* buffer, int offset, int count) override;
    bool WaitForData(int seconds) override;

    // Runs the client handshake on the connected socket. A failed handshake raises a plain exception
    // "SSL_do_handshake = ..." with the library's codes and reason; nothing of TLS stays behind.
    void StartSSL(bool isClient);

    bool IsSecure() const { return active_; }
    // The negotiated protocol ("TLSv1.3"), empty before StartSSL.
    std::string TlsVersion() const;

private:
    bool Verifying() const { return !caFile_.empty() || !caPath_.empty(); }
    void CreateContext();
    void ExpectServerHost();
    // The first entry of the library's error queue, or nothing.
    std::string QueuedReason() const;
    // The last error text of a failed read or write; empty when the peer closed the connection.
    std::string FailureText(const char* operation, int result, int systemError) const;
    void FreeTls();

    const openssl::TSSLLib& lib_;
    std::string keyFile_;
    std::string certFile_;
    std::string caFile_;
    std::string caPath_;
    std::string cipherList_;
    openssl::SSL_CTX* context_ = nullptr;
    openssl::SSL* ssl_ = nullptr;
    bool active_ = false;
};

} // namespace dataaccess
