#include "dataaccess/protocol/uSSLLib.h"

#include "platform/rtl/DynLib.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Threads.h"

#include <memory>

namespace dataaccess::openssl {

namespace {

constexpr const char* kCryptoLibrary = "libcrypto.so.3";
constexpr const char* kSslLibrary = "libssl.so.3";

template <class R, class... A>
R NotLinked(A...) {
    throw rtl::Exception("SSL function is not linked. You should update SSL client library.");
}

template <class R, class... A>
void Bind(R (*&function)(A...), const rtl::TDynLib& library, const char* name) {
    void* address = library.FindSymbol(name);
    function = address ? reinterpret_cast<R (*)(A...)>(address) : &NotLinked<R, A...>;
}

rtl::TCriticalSection loadLock;
std::unique_ptr<rtl::TDynLib> cryptoLibrary;
std::unique_ptr<rtl::TDynLib> sslLibrary;
TSSLLib entries;

void BindAll(const rtl::TDynLib& ssl, const rtl::TDynLib& crypto) {
    Bind(entries.OPENSSL_init_ssl, ssl, "OPENSSL_init_ssl");
    Bind(entries.TLS_client_method, ssl, "TLS_client_method");
    Bind(entries.SSL_CTX_new, ssl, "SSL_CTX_new");
    Bind(entries.SSL_CTX_free, ssl, "SSL_CTX_free");
    Bind(entries.SSL_CTX_ctrl, ssl, "SSL_CTX_ctrl");
    Bind(entries.SSL_CTX_set_cipher_list, ssl, "SSL_CTX_set_cipher_list");
    Bind(entries.SSL_CTX_set_verify, ssl, "SSL_CTX_set_verify");
    Bind(entries.SSL_CTX_load_verify_locations, ssl, "SSL_CTX_load_verify_locations");
    Bind(entries.SSL_CTX_set_default_verify_paths, ssl, "SSL_CTX_set_default_verify_paths");
    Bind(entries.SSL_CTX_use_certificate_file, ssl, "SSL_CTX_use_certificate_file");
    Bind(entries.SSL_CTX_use_PrivateKey_file, ssl, "SSL_CTX_use_PrivateKey_file");
    Bind(entries.SSL_CTX_check_private_key, ssl, "SSL_CTX_check_private_key");
    Bind(entries.SSL_new, ssl, "SSL_new");
    Bind(entries.SSL_free, ssl, "SSL_free");
    Bind(entries.SSL_set_fd, ssl, "SSL_set_fd");
    Bind(entries.SSL_set_connect_state, ssl, "SSL_set_connect_state");
    Bind(entries.SSL_do_handshake, ssl, "SSL_do_handshake");
    Bind(entries.SSL_get_error, ssl, "SSL_get_error");
    Bind(entries.SSL_read, ssl, "SSL_read");
    Bind(entries.SSL_write, ssl, "SSL_write");
    Bind(entries.SSL_pending, ssl, "SSL_pending");
    Bind(entries.SSL_get_verify_result, ssl, "SSL_get_verify_result");
    Bind(entries.SSL_set1_host, ssl, "SSL_set1_host");
    Bind(entries.SSL_get0_param, ssl, "SSL_get0_param");
    Bind(entries.SSL_get_version, ssl, "SSL_get_version");
    Bind(entries.X509_VERIFY_PARAM_set1_ip_asc, crypto, "X509_VERIFY_PARAM_set1_ip_asc");
    Bind(entries.X509_verify_cert_error_string, crypto, "X509_verify_cert_error_string");
    Bind(entries.ERR_clear_error, crypto, "ERR_clear_error");
    Bind(entries.ERR_get_error, crypto, "ERR_get_error");
    Bind(entries.ERR_error_string_n, crypto, "ERR_error_string_n");
}

} // namespace

const TSSLLib& LoadSSLLib() {
    rtl::TCriticalSection::Guard guard(loadLock);
    if (cryptoLibrary && sslLibrary) return entries;
    cryptoLibrary = rtl::TDynLib::TryLoad(kCryptoLibrary);
    sslLibrary = rtl::TDynLib::TryLoad(kSslLibrary);
    if (!cryptoLibrary || !sslLibrary) {
        cryptoLibrary.reset();
        sslLibrary.reset();
        throw rtl::EOSError("OpenSSL client library couldn't be loaded. Please place libcrypto.so.3 and "
                            "libssl.so.3 to a folder of the library search path.");
    }
    BindAll(*sslLibrary, *cryptoLibrary);
    return entries;
}

} // namespace dataaccess::openssl
