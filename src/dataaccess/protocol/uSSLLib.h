// OpenSSL loaded at run time, with the entry points the TLS transport uses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dataaccess {

// OpenSSL 3 (libssl.so.3, libcrypto.so.3), loaded at run time and reached by name.
namespace openssl {

struct SSL_CTX;
struct SSL;
struct SSL_METHOD;
struct X509_VERIFY_PARAM;
struct OPENSSL_INIT_SETTINGS;

inline constexpr uint64_t OPENSSL_INIT_LOAD_CRYPTO_STRINGS = 0x00000002;
inline constexpr uint64_t OPENSSL_INIT_LOAD_SSL_STRINGS = 0x00200000;
inline constexpr int SSL_CTRL_SET_MIN_PROTO_VERSION = 123;
inline constexpr long TLS1_2_VERSION = 0x0303;
inline constexpr int SSL_VERIFY_NONE = 0;
inline constexpr int SSL_VERIFY_PEER = 1;
inline constexpr int SSL_FILETYPE_PEM = 1;
inline constexpr int SSL_ERROR_ZERO_RETURN = 6;
inline constexpr long X509_V_OK = 0;

using VerifyCallback = int (*)(int preverifyOk, void* storeContext);

// The entry points in use. One that the loaded library lacks raises "SSL function is not linked.
// You should update SSL client library." when called.
struct TSSLLib {
    // libssl
    int (*OPENSSL_init_ssl)(uint64_t options, const OPENSSL_INIT_SETTINGS* settings);
    const SSL_METHOD* (*TLS_client_method)();
    SSL_CTX* (*SSL_CTX_new)(const SSL_METHOD* method);
    void (*SSL_CTX_free)(SSL_CTX* context);
    long (*SSL_CTX_ctrl)(SSL_CTX* context, int command, long larg, void* parg);
    int (*SSL_CTX_set_cipher_list)(SSL_CTX* context, const char* ciphers);
    void (*SSL_CTX_set_verify)(SSL_CTX* context, int mode, VerifyCallback callback);
    int (*SSL_CTX_load_verify_locations)(SSL_CTX* context, const char* caFile, const char* caPath);
    int (*SSL_CTX_set_default_verify_paths)(SSL_CTX* context);
    int (*SSL_CTX_use_certificate_file)(SSL_CTX* context, const char* file, int type);
    int (*SSL_CTX_use_PrivateKey_file)(SSL_CTX* context, const char* file, int type);
    int (*SSL_CTX_check_private_key)(const SSL_CTX* context);
    SSL* (*SSL_new)(SSL_CTX* context);
    void (*SSL_free)(SSL* ssl);
    int (*SSL_set_fd)(SSL* ssl, int fd);
    void (*SSL_set_connect_state)(SSL* ssl);
    int (*SSL_do_handshake)(SSL* ssl);
    int (*SSL_get_error)(const SSL* ssl, int result);
    int (*SSL_read)(SSL* ssl, void* buffer, int count);
    int (*SSL_write)(SSL* ssl, const void* buffer, int count);
    int (*SSL_pending)(const SSL* ssl);
    long (*SSL_get_verify_result)(const SSL* ssl);
    int (*SSL_set1_host)(SSL* ssl, const char* host);
    X509_VERIFY_PARAM* (*SSL_get0_param)(SSL* ssl);
    const char* (*SSL_get_version)(const SSL* ssl);
    // libcrypto
    int (*X509_VERIFY_PARAM_set1_ip_asc)(X509_VERIFY_PARAM* param, const char* ip);
    const char* (*X509_verify_cert_error_string)(long code);
    void (*ERR_clear_error)();
    unsigned long (*ERR_get_error)();
    void (*ERR_error_string_n)(unsigned long code, char* buffer, size_t length);
};

// Loads both libraries once per process (under a lock) and returns the entry points. Raises EOSError
// when either library is missing.
const TSSLLib& LoadSSLLib();

} // namespace openssl

} // namespace dataaccess
