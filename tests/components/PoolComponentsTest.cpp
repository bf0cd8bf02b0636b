#include "components/uMyConnection.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyConnectionPool.h"
#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/server/uCRAccess.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace components {
namespace {

using dataaccess::TMyConnectionParameters;
using testsupport::ServerSettings;

std::unique_ptr<TMyConnection> NewPooledConnection(const ServerSettings& s) {
    auto connection = testing::NewConnection(s);
    connection->SetPooling(true);
    return connection;
}

unsigned long SessionId(TMyConnection& connection) {
    dataaccess::TMySQLConnection& session = *connection.MyIConnection();
    return session.API()->mysql_thread_id(session.Handle());
}

TEST(PoolComponentsTest, TLSTextsSeparatePoolsWhateverTheProtocol) {
    TMyConnectionParameters plain;
    plain.Server = "db";
    struct Case {
        int prop;
        const char* value;
    };
    const Case cases[] = {{dataaccess::prChipherList, "AES256-SHA"},
                          {dataaccess::prCACert, "/etc/ca.pem"},
                          {dataaccess::prKey, "/etc/key.pem"},
                          {dataaccess::prCert, "/etc/cert.pem"}};
    for (int protocol : {int(dataaccess::mpDefault), int(dataaccess::mpTCP), int(dataaccess::mpSSL)}) {
        plain.SetProp(dataaccess::prProtocol, protocol);
        for (const Case& c : cases) {
            auto tls = plain.Clone();
            tls->SetProp(c.prop, c.value);
            EXPECT_FALSE(plain.SameAs(tls.get())) << protocol << " " << c.value;
            EXPECT_TRUE(tls->SameAs(tls->Clone().get()));
        }
    }
    // A pooled session keeps its current database, and names differing in case are different
    // databases here: no sharing.
    auto upper = plain.Clone();
    plain.Database = "shop";
    static_cast<TMyConnectionParameters&>(*upper).Database = "Shop";
    EXPECT_FALSE(plain.SameAs(upper.get()));
}

class PoolComponentsLiveTest : public ::testing::Test {
protected:
    void TearDown() override { dataaccess::TMyConnectionPoolManager::FreeProcessPools(); }
};

TEST_F(PoolComponentsLiveTest, ConnectionsWithTheSameSettingsShareSessions) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    auto first = NewPooledConnection(s);
    auto second = NewPooledConnection(s);
    first->Connect();
    const unsigned long session = SessionId(*first);
    first->Disconnect();
    EXPECT_EQ(first->IConnection(), nullptr) << "a pooled session goes back on disconnect";

    second->Connect();
    EXPECT_EQ(SessionId(*second), session);
    first->Connect();
    EXPECT_NE(SessionId(*first), session) << "a session in use is never handed out twice";
    EXPECT_TRUE(first->ExecuteSQL("SELECT 1").IsNull());

    // Another port is another key: a fresh session, and the server refuses it.
    auto other = NewPooledConnection(s);
    other->SetPort(1);
    EXPECT_NE(testsupport::ErrorMessageOf([&] { other->Connect(); }), "no error");
}

TEST_F(PoolComponentsLiveTest, AFailedConnectReachesTheCallerAndLeavesThePoolAsItWas) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    const std::string database = "PoolComponentsLiveTest_late";
    testsupport::RawSession raw(s);
    raw.Execute("DROP DATABASE IF EXISTS " + database);

    auto connection = NewPooledConnection(s);
    connection->PoolingOptions().MaxPoolSize = 1;
    connection->SetDatabase(database);
    EXPECT_THAT(testsupport::ErrorMessageOf([&] { connection->Connect(); }),
                ::testing::HasSubstr("Unknown database"));
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(connection->ConnectCount(), 0);
    EXPECT_EQ(connection->IConnection(), nullptr);

    // The only place of the pool was given back: the same key connects at once.
    raw.Execute("CREATE DATABASE " + database);
    try {
        connection->Connect();
        EXPECT_TRUE(connection->Connected());
        connection->Disconnect();
    } catch (...) {
        raw.Execute("DROP DATABASE IF EXISTS " + database);
        throw;
    }
    raw.Execute("DROP DATABASE IF EXISTS " + database);
}

TEST_F(PoolComponentsLiveTest, SwitchingPoolingOffGivesTheSessionBack) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    auto connection = NewPooledConnection(s);
    connection->Connect();
    const unsigned long pooled = SessionId(*connection);
    connection->SetPooling(false);
    EXPECT_FALSE(connection->Connected());
    connection->Connect();
    EXPECT_NE(SessionId(*connection), pooled) << "without pooling the connection opens its own session";
    connection->Disconnect();
    EXPECT_NE(connection->IConnection(), nullptr) << "an own session object is kept for reuse";

    auto pooledAgain = NewPooledConnection(s);
    pooledAgain->Connect();
    EXPECT_EQ(SessionId(*pooledAgain), pooled);
}

} // namespace
} // namespace components
