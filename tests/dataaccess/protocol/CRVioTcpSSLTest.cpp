#include "dataaccess/ServerLogin.h"

#include "dataaccess/protocol/uCRVioTcpSSL.h"
#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlNet.h"
#include "platform/rtl/Threads.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace dataaccess {
namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string ServerCaFile() {
    const char* file = std::getenv("VELTRANE_TEST_SSL_CA");
    return file ? file : "";
}

// A TLS transport connected to the test server, switched to TLS the way the login does it: the fixed
// login fields with the TLS flag go out in plain text, then the handshake runs.
class VioTcpSSLTest : public ::testing::Test {
protected:
    TCRVioTcpSSL& Open(const testsupport::ServerSettings& server, const std::string& host,
                       const std::string& caFile,
                       uint32_t flags = testing::kClientBasicFlags | testing::kClientSsl) {
        auto vio =
            std::make_unique<TCRVioTcpSSL>(host, static_cast<int>(server.port), "", "", caFile, "", "");
        TCRVioTcpSSL& tls = *vio;
        net_.SetVio(std::move(vio));
        tls.Connect();
        greeting_ = testing::ReadGreeting(net_);
        EXPECT_TRUE(greeting_.capabilities & testing::kClientSsl);
        testing::WriteLoginFields(net_, flags);
        net_.Flush();
        return tls;
    }

    TMySqlNet net_;
    testing::Greeting greeting_;
};

TEST_F(VioTcpSSLTest, HandshakeThenLoginAndQueriesOverTls) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    const uint32_t flags = testing::kClientBasicFlags | testing::kClientSsl;
    TCRVioTcpSSL& tls = Open(server, server.host, "", flags);
    EXPECT_FALSE(tls.IsSecure());
    tls.StartSSL(true);
    EXPECT_TRUE(tls.IsSecure());
    EXPECT_THAT(tls.TlsVersion(), AnyOf("TLSv1.2", "TLSv1.3"));
    testing::Login(net_, flags, server, greeting_);
    const auto row = testing::QueryRow(net_, "SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                                             "WHERE VARIABLE_NAME = 'SSL_VERSION'");
    EXPECT_EQ(row.at(0), tls.TlsVersion()); // the server sees the same session
    // Large transfers cross many TLS records.
    EXPECT_EQ(testing::QueryRow(net_, "SELECT LENGTH(REPEAT('z', 300000))")[0], "300000");
    EXPECT_EQ(testing::QueryRow(net_, "SELECT LENGTH('" + std::string(100000, 'y') + "')")[0], "100000");
    // Timeouts hold under TLS too.
    tls.SetTimeout(1);
    try {
        net_.ReadPacket();
        FAIL() << "read";
    } catch (const EMySqlException& e) {
        EXPECT_EQ(e.ErrorCode(), 2013);
        EXPECT_EQ(e.Message(), "Lost connection to MySQL server during query\r\nSocket error on read. "
                               "WSAGetLastError return 11($B)");
    }
}

TEST_F(VioTcpSSLTest, WritesToAKilledSessionFailWithoutASignal) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    const uint32_t flags = testing::kClientBasicFlags | testing::kClientSsl;
    Open(server, server.host, "", flags).StartSSL(true);
    testing::Login(net_, flags, server, greeting_);
    const auto id = std::stoul(testing::QueryRow(net_, "SELECT CONNECTION_ID()").at(0).value());
    testsupport::RawSession(server).Kill(id);
    rtl::Sleep(100);
    // The client library ignores SIGPIPE for the whole process; the transport must not rely on that.
    struct sigaction deflt {
    }, previous{};
    deflt.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &deflt, &previous);
    // Writing on, without reading, meets the closed socket: SIGPIPE, unless the transport holds it back.
    const std::string query = "SELECT 1";
    int failures = 0;
    for (int i = 0; i < 4; ++i) {
        try {
            net_.NewCommand();
            net_.WriteByte(3);
            net_.WriteBytes(reinterpret_cast<const uint8_t*>(query.data()), 0,
                            static_cast<int>(query.size()));
            net_.Flush();
        } catch (const EMySqlException& e) {
            EXPECT_EQ(e.ErrorCode(), 2013);
            ++failures;
        }
        rtl::Sleep(20);
    }
    sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_GT(failures, 0);
}

TEST_F(VioTcpSSLTest, ServerVerifiedWithItsCa) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    ASSERT_FALSE(ServerCaFile().empty()) << "VELTRANE_TEST_SSL_CA is not set";
    for (const std::string& host : {server.host, std::string("localhost")}) { // certificate IP and DNS names
        TCRVioTcpSSL& tls = Open(server, host, ServerCaFile());
        tls.StartSSL(true);
        EXPECT_TRUE(tls.IsSecure()) << host;
    }
}

TEST_F(VioTcpSSLTest, VerificationFailuresStopTheHandshake) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    ASSERT_FALSE(ServerCaFile().empty()) << "VELTRANE_TEST_SSL_CA is not set";
    struct Case {
        std::string host;
        std::string caFile;
        ::testing::Matcher<std::string> reason;
    };
    const Case cases[] = {
        // Public authorities did not sign the test server's certificate (the server may send its CA along).
        {server.host, "/etc/ssl/certs/ca-certificates.crt",
         AnyOf(HasSubstr("unable to get local issuer certificate"),
               HasSubstr("self-signed certificate in certificate chain"))},
        // The loopback address in a spelling the certificate does not name.
        {"127.1", ServerCaFile(), HasSubstr("hostname mismatch")},
    };
    for (const Case& c : cases) {
        TCRVioTcpSSL& tls = Open(server, c.host, c.caFile);
        try {
            tls.StartSSL(true);
            ADD_FAILURE() << c.host << " accepted";
        } catch (const EMySqlException&) {
            ADD_FAILURE() << "wrong class";
        } catch (const rtl::Exception& e) {
            EXPECT_THAT(e.Message(), StartsWith("SSL_do_handshake = "));
            EXPECT_THAT(e.Message(), HasSubstr("\r\nSSL_get_error(..., r2) = "));
            EXPECT_THAT(e.Message(), c.reason);
        }
        EXPECT_FALSE(tls.IsSecure());
        EXPECT_EQ(tls.TlsVersion(), "");
    }
}

TEST_F(VioTcpSSLTest, PlainServerBytesFailTheHandshake) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    auto vio = std::make_unique<TCRVioTcpSSL>(server.host, static_cast<int>(server.port), "", "", "", "", "");
    TCRVioTcpSSL& tls = *vio;
    net_.SetVio(std::move(vio));
    tls.Connect();
    // The unread greeting is not a TLS record.
    EXPECT_THROW(tls.StartSSL(true), rtl::Exception);
    EXPECT_FALSE(tls.IsSecure());
}

} // namespace
} // namespace dataaccess
