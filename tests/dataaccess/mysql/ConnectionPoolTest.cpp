#include "dataaccess/mysql/uMyConnectionPool.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnectionPool.h"
#include "dataaccess/server/uCRTransaction.h"
#include "platform/rtl/Threads.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::StartsWith;

// What the fake connections of one pool did.
struct Tally {
    std::atomic<int> created{0};
    std::atomic<int> freed{0};
    std::atomic<int> checks{0};
    std::atomic<bool> serverAlive{true};
    std::atomic<bool> connectFails{false};
};

class TFakeConnection : public TCRConnection {
public:
    explicit TFakeConnection(Tally& tally) : tally_(tally) {
        ++tally_.created;
        TCRConnection::Connect(std::string());
    }
    ~TFakeConnection() override { ++tally_.freed; }
    TCRTransactionClass GetTransactionClass() const override { return &TCRTransaction::Create; }
    void Disconnect() override {}
    void AssignConnect(TCRConnection*) override {}
    void CheckIsValid() override {
        ++tally_.checks;
        isValid_ = tally_.serverAlive;
    }
    std::string GetServerVersion() override { return "10.11"; }
    std::string GetServerVersionFull() override { return "10.11"; }
    std::string GetClientVersion() override { return "3.3"; }

private:
    Tally& tally_;
};

class TFakePool : public TCRLocalConnectionPool {
public:
    TFakePool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& key, Tally& tally)
        : TCRLocalConnectionPool(manager, key), tally_(tally) {}

protected:
    std::unique_ptr<TCRConnection> CreateNewConnection() override {
        if (tally_.connectFails) throw EDAError(2003, "Can't connect");
        return std::make_unique<TFakeConnection>(tally_);
    }

private:
    Tally& tally_;
};

class TFakeManager : public TCRConnectionPoolManager {
public:
    TFakeManager(Tally& tally, uint32_t intervalMs) : TCRConnectionPoolManager(intervalMs), tally_(tally) {}
    std::unique_ptr<TCRConnectionPool> CreateNewPool(const TCRConnectionParameters& key) override {
        return std::make_unique<TFakePool>(this, key, tally_);
    }

private:
    Tally& tally_;
};

struct Key : TCRConnectionParameters {
    explicit Key(int maxPoolSize, int minPoolSize = 0) {
        MaxPoolSize = maxPoolSize;
        MinPoolSize = minPoolSize;
        Username = "bob";
        Server = "db1";
        Password = "secret";
    }
};

void Return(std::unique_ptr<TCRConnection> connection) {
    connection.release()->ReturnToPool();
}

// ---- Getting and returning

TEST(ConnectionPoolTest, AFullPoolWaitsForAReturnOrGivesUp) {
    Tally tally;
    TFakePool pool(nullptr, Key(1), tally);
    pool.SetBusyWait(10000);
    auto first = pool.GetConnection();
    TCRConnection* const firstAddress = first.get();

    std::thread returner([&] {
        rtl::Sleep(30);
        Return(std::move(first));
    });
    const uint64_t start = rtl::GetTickCount();
    auto second = pool.GetConnection();
    returner.join();
    EXPECT_LT(rtl::GetTickCount() - start, 5000u);
    EXPECT_EQ(second.get(), firstAddress); // the returned one, not a new one
    EXPECT_EQ(tally.created, 1);

    // Nobody returns it now: the wait ends with the error.
    pool.SetBusyWait(40);
    const uint64_t before = rtl::GetTickCount();
    EXPECT_EQ(testsupport::ErrorOf([&] { pool.GetConnection(); }),
              "Exception: Maximum connections reached in pool");
    EXPECT_GE(rtl::GetTickCount() - before, 40u);
    EXPECT_EQ(pool.ConnectionCount(), 1);
    Return(std::move(second));
    EXPECT_EQ(pool.ConnectionCount(), 1); // idle now
}

TEST(ConnectionPoolTest, AFailedConnectGivesItsPlaceBack) {
    Tally tally;
    TFakePool pool(nullptr, Key(1), tally);
    pool.SetBusyWait(10);
    tally.connectFails = true;
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { pool.GetConnection(); }), "Can't connect");
    tally.connectFails = false;
    auto connection = pool.GetConnection();
    EXPECT_EQ(connection->Pool(), &pool);
    EXPECT_EQ(pool.ConnectionCount(), 1);
    Return(std::move(connection));
}

TEST(ConnectionPoolTest, ClearLaterDropsConnectionsInUseAndIdle) {
    Tally tally;
    TFakePool pool(nullptr, Key(5), tally);
    auto inUse = pool.GetConnection();
    auto idle = pool.GetConnection();
    Return(std::move(idle));
    pool.ClearLater();

    Return(std::move(inUse));
    EXPECT_EQ(tally.freed, 1);
    auto next = pool.GetConnection(); // the idle one is dropped too
    EXPECT_EQ(tally.freed, 2);
    EXPECT_EQ(tally.created, 3);
    EXPECT_EQ(pool.ConnectionCount(), 1);

    // Connections handed out after the clear are kept again.
    Return(std::move(next));
    EXPECT_EQ(tally.freed, 2);
    EXPECT_EQ(pool.ConnectionCount(), 1);
}

TEST(ConnectionPoolTest, ConnectionsPastTheirLifetimeAreFreedOnReturn) {
    Tally tally;
    Key key(5);
    key.ConnectionLifetime = 5;
    TFakePool shortLived(nullptr, key, tally);
    auto connection = shortLived.GetConnection();
    rtl::Sleep(20);
    Return(std::move(connection));
    EXPECT_EQ(tally.freed, 1);
    EXPECT_EQ(shortLived.ConnectionCount(), 0);

    key.ConnectionLifetime = 60000;
    TFakePool longLived(nullptr, key, tally);
    Return(longLived.GetConnection());
    EXPECT_EQ(tally.freed, 1);
    EXPECT_EQ(longLived.ConnectionCount(), 1);
}

TEST(ConnectionPoolTest, InvalidatedOrValidatedConnectionsAreCheckedBeforeUse) {
    Tally tally;
    TFakePool pool(nullptr, Key(5), tally);
    Return(pool.GetConnection());
    pool.Invalidate();
    tally.serverAlive = false;
    auto replacement = pool.GetConnection(); // the idle one fails its check
    EXPECT_EQ(tally.checks, 1);
    EXPECT_EQ(tally.freed, 1);
    EXPECT_EQ(tally.created, 2);

    // The new one carries the current stamp: no check until the next Invalidate.
    tally.serverAlive = true;
    Return(std::move(replacement));
    Return(pool.GetConnection());
    EXPECT_EQ(tally.checks, 1);

    Key key(5);
    key.Validate = true;
    TFakePool validating(nullptr, key, tally);
    Return(validating.GetConnection());
    Return(validating.GetConnection());
    EXPECT_EQ(tally.checks, 2);
}

TEST(ConnectionPoolTest, AConnectionOfAnotherPoolIsRefused) {
    Tally tally;
    TFakePool pool(nullptr, Key(5), tally);
    TFakeConnection stranger(tally);
    EXPECT_THAT(testsupport::ErrorOf([&] { pool.PutConnection(&stranger); }),
                StartsWith("EAssertionFailed: Assertion failure"));
}

// ---- Validation passes

TEST(ConnectionPoolTest, AnIdleConnectionIsClosedAtTheNinthPassWhateverMinPoolSize) {
    Tally tally;
    TFakePool pool(nullptr, Key(5, 5), tally);
    Return(pool.GetConnection());
    for (int pass = 1; pass <= kPoolIdlePasses; ++pass) {
        pool.ValidatePool();
        ASSERT_EQ(pool.ConnectionCount(), 1) << "pass " << pass;
    }
    // Returned before the first pass it needed no check there; later ones ask the server.
    EXPECT_EQ(tally.checks, kPoolIdlePasses - 1);
    pool.ValidatePool();
    EXPECT_EQ(pool.ConnectionCount(), 0);
    EXPECT_EQ(tally.freed, 1);
}

TEST(ConnectionPoolTest, PassesCloseFailingConnectionsAndTrimTheSurplus) {
    Tally tally;
    TFakePool pool(nullptr, Key(20), tally);
    {
        std::vector<std::unique_ptr<TCRConnection>> taken;
        for (int i = 0; i < 8; ++i)
            taken.push_back(pool.GetConnection());
        for (auto& connection : taken)
            Return(std::move(connection));
    }
    // (surplus + 6) / 8 of the previous pass's surplus goes each pass.
    const int expectedIdle[] = {8, 7, 6, 5, 4};
    for (int expected : expectedIdle) {
        pool.ValidatePool();
        EXPECT_EQ(pool.ConnectionCount(), expected);
    }
    tally.serverAlive = false;
    pool.ValidatePool(); // all of them were returned before the last pass: each is asked
    EXPECT_EQ(pool.ConnectionCount(), 0);
    EXPECT_EQ(tally.freed, 8);
}

// ---- Keys

TEST(ConnectionPoolTest, KeysCompareServerIgnoringCaseUserAndPasswordExactly) {
    struct Case {
        const char* what;
        void (*change)(TCRConnectionParameters&);
        bool same;
    };
    const Case cases[] = {
        {"equal", [](TCRConnectionParameters&) {}, true},
        {"server case", [](TCRConnectionParameters& k) { k.Server = "DB1"; }, true},
        {"user case", [](TCRConnectionParameters& k) { k.Username = "BOB"; }, false},
        {"password case", [](TCRConnectionParameters& k) { k.Password = "Secret"; }, false},
        {"max size", [](TCRConnectionParameters& k) { k.MaxPoolSize = 7; }, false},
        {"min size", [](TCRConnectionParameters& k) { k.MinPoolSize = 1; }, false},
        {"lifetime", [](TCRConnectionParameters& k) { k.ConnectionLifetime = 1; }, false},
        {"validate", [](TCRConnectionParameters& k) { k.Validate = true; }, false},
    };
    const Key base(5);
    for (const Case& c : cases) {
        auto other = base.Clone();
        c.change(*other);
        EXPECT_EQ(base.SameAs(other.get()), c.same) << c.what;
    }
    EXPECT_FALSE(base.SameAs(nullptr));
}

TEST(ConnectionPoolTest, MySQLKeysAddTheSessionSettings) {
    TMyConnectionParameters base;
    base.Username = "bob";
    base.Database = "shop";
    base.SetProp(prPort, 3306);
    base.SetProp(prCharset, "utf8mb4");
    auto copy = base.Clone();
    ASSERT_NE(dynamic_cast<TMyConnectionParameters*>(copy.get()), nullptr);
    EXPECT_TRUE(base.SameAs(copy.get()));

    struct Case {
        const char* what;
        int prop;
        rtl::Variant value;
    };
    const Case cases[] = {
        {"database case", prDatabase, "Shop"}, {"port", prPort, 3307},
        {"timeout", prConnectionTimeout, 30},  {"compress", prCompress, true},
        {"charset", prCharset, "latin1"},      {"protocol", prProtocol, int(mpTCP)},
        {"unicode", prUseUnicode, true},       {"embedded", prEmbedded, true},
        {"direct", prDirect, false},
    };
    for (const Case& c : cases) {
        auto other = base.Clone();
        other->SetProp(c.prop, c.value);
        EXPECT_FALSE(base.SameAs(other.get())) << c.what;
    }

    // The TLS texts count whatever the protocol: the client uses TLS whenever they are set.
    auto tls = base.Clone();
    tls->SetProp(prCACert, "/etc/ca.pem");
    EXPECT_FALSE(base.SameAs(tls.get()));
    base.SetProp(prProtocol, int(mpSSL));
    tls->SetProp(prProtocol, int(mpSSL));
    EXPECT_FALSE(base.SameAs(tls.get()));

    EXPECT_THAT(testsupport::ErrorOf([&] { base.SetProp(prAutoCommit, true); }),
                StartsWith("EAssertionFailed: 5 ("));
}

// ---- Manager

TEST(ConnectionPoolTest, TheManagerKeepsOnePoolPerKeyAndItsThreadDropsEmptyPools) {
    Tally tally;
    TFakeManager manager(tally, 5);
    Key bob(5), bobHost(5), upperBob(5);
    bobHost.Server = "DB1";
    upperBob.Username = "BOB";

    auto a = manager.GetConnection(bob);
    auto b = manager.GetConnection(bobHost);
    auto c = manager.GetConnection(upperBob);
    EXPECT_EQ(a->Pool(), b->Pool());
    EXPECT_NE(a->Pool(), c->Pool());
    EXPECT_EQ(manager.PoolCount(), 2);

    // Returned connections keep the pools alive; once cleared, the pools are empty and go.
    Return(std::move(a));
    Return(std::move(b));
    Return(std::move(c));
    rtl::Sleep(30);
    EXPECT_EQ(manager.PoolCount(), 2);
    tally.serverAlive = false;
    const uint64_t start = rtl::GetTickCount();
    while (manager.PoolCount() > 0 && rtl::GetTickCount() - start < 5000)
        rtl::Sleep(5);
    EXPECT_EQ(manager.PoolCount(), 0);
    EXPECT_EQ(tally.freed, 3);
}

// ---- MySQL

TEST(ConnectionPoolTest, MySQLPoolsHandOutConnectedSessionsOfTheirKey) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    TMyConnectionParameters key;
    key.Server = s.host;
    key.Username = s.user;
    key.Password = s.password;
    key.SetProp(prDatabase, s.database);
    key.SetProp(prPort, s.port);
    key.SetProp(prDirect, false);

    TMyConnectionPoolManager manager;
    auto first = manager.GetConnection(key);
    auto* session = dynamic_cast<TMySQLConnection*>(first.get());
    ASSERT_NE(session, nullptr);
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(session->Database(), s.database);
    const unsigned long threadId = session->API()->mysql_thread_id(session->Handle());
    Return(std::move(first));

    auto again = manager.GetConnection(key);
    auto* reused = dynamic_cast<TMySQLConnection*>(again.get());
    EXPECT_EQ(reused->API()->mysql_thread_id(reused->Handle()), threadId);
    Return(std::move(again));

    // The account of another case is another account: its own pool, and the server refuses it.
    TMyConnectionParameters upper;
    upper.Assign(&key);
    for (char& ch : upper.Username)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_NE(testsupport::ErrorMessageOf([&] { manager.GetConnection(upper); }), "no error");
    EXPECT_EQ(manager.PoolCount(), 2);
}

} // namespace
} // namespace dataaccess
