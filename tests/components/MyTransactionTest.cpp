#include "components/uMyConnection.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/server/uCRAccess.h"
#include "platform/data/Component.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Eventually.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace components {
namespace {

using dataaccess::EDAError;
using dataaccess::EMyError;
using testsupport::ErrorMessageOf;
using testsupport::ServerSettings;

constexpr const char* SActive = "Can't perform operation on active transaction";

using testing::NewConnection;

// A table of the suite's own, empty.
class MyTransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto& server = testsupport::TestServer();
        if (!server) return;
        admin_ = std::make_unique<testsupport::RawSession>(*server, server->database);
        admin_->Execute("CREATE OR REPLACE TABLE " + table_ + " (id INT PRIMARY KEY) ENGINE=InnoDB");
    }
    void TearDown() override {
        if (admin_) admin_->Execute("DROP TABLE IF EXISTS " + table_);
    }
    std::string Count() { return admin_->Scalar("SELECT COUNT(*) FROM " + table_); }

    std::string table_ =
        std::string("MyTransactionTest_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::unique_ptr<testsupport::RawSession> admin_;
};

TEST_F(MyTransactionTest, RollbackAndCommitOnTheConnection) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect();

    connection->StartTransaction();
    EXPECT_TRUE(connection->InTransaction());
    EXPECT_EQ(ErrorMessageOf([&] { connection->StartTransaction(); }), SActive);
    EXPECT_EQ(ErrorMessageOf([&] { connection->SetIsolationLevel(dataaccess::ilSerializable); }), SActive);
    connection->ExecuteSQL("INSERT INTO " + table_ + " VALUES (1)");
    connection->Rollback();
    EXPECT_FALSE(connection->InTransaction());
    EXPECT_EQ(Count(), "0");

    connection->StartTransaction();
    connection->ExecuteSQL("INSERT INTO " + table_ + " VALUES (2)");
    EXPECT_EQ(Count(), "0"); // not visible to others before the commit
    connection->Commit();
    EXPECT_EQ(Count(), "1");
    EXPECT_TRUE(connection->IConnection()->AutoCommit()); // back from the transaction's false
    EXPECT_EQ(connection->ConnectCount(), 1); // the explicit connect's use, untouched by the transaction
    EXPECT_TRUE(connection->Connected());
}

TEST_F(MyTransactionTest, DisconnectRollsBackAnOpenTransaction) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect();
    connection->StartTransaction();
    connection->ExecuteSQL("INSERT INTO " + table_ + " VALUES (1)");
    connection->Disconnect();
    EXPECT_FALSE(connection->InTransaction());
    EXPECT_EQ(Count(), "0");

    connection->Connect(); // the internal transaction runs on the server connection again
    connection->StartTransaction();
    connection->ExecuteSQL("INSERT INTO " + table_ + " VALUES (1)");
    connection->Commit();
    EXPECT_EQ(Count(), "1");
}

TEST_F(MyTransactionTest, IsolationLevelIsSentWithTheStart) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect();
    dataaccess::TMySQLConnection& session = *connection->MyIConnection();
    const auto sessionId = session.API()->mysql_thread_id(session.Handle());
    // The server refreshes this table on its own schedule; other tests' transactions are in it too.
    const auto levelOfOpenTransaction = [&](const std::string& expected) {
        return testsupport::Eventually(
            [&] {
                return admin_->Scalar("SELECT trx_isolation_level FROM information_schema.INNODB_TRX WHERE "
                                      "trx_mysql_thread_id = " +
                                      std::to_string(sessionId));
            },
            expected);
    };
    struct Case {
        TMyIsolationLevel level;
        const char* server;
    };
    for (const Case& c : {Case{dataaccess::ilSerializable, "SERIALIZABLE"},
                          Case{dataaccess::ilReadCommitted, "READ COMMITTED"},
                          Case{dataaccess::ilRepeatableRead, "REPEATABLE READ"}}) {
        connection->SetIsolationLevel(c.level);
        connection->StartTransaction();
        connection->ExecuteSQL("INSERT INTO " + table_ + " VALUES (1)");
        EXPECT_EQ(levelOfOpenTransaction(c.server), c.server);
        connection->Rollback();
    }
}

TEST_F(MyTransactionTest, TwoMySQLConnectionsCannotShareOne) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto first = NewConnection(settings);
    auto second = NewConnection(settings);
    first->Connect();
    second->Connect();
    TMyTransaction transaction(nullptr);
    transaction.AddConnection(first.get());
    transaction.AddConnection(second.get());
    EXPECT_EQ(transaction.ConnectionCount(), 2);
    EXPECT_EQ(ErrorMessageOf([&] { transaction.StartTransaction(); }), "multiple transaction");
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(first->ConnectCount(), 1);

    // One of them alone works, and the other sees it as a transaction of the first.
    transaction.RemoveConnection(second.get());
    transaction.StartTransaction();
    EXPECT_TRUE(first->InTransaction());
    EXPECT_FALSE(second->InTransaction());
    EXPECT_EQ(ErrorMessageOf([&] { first->StartTransaction(); }),
              "Multiple transactions are not supported by the database");
    transaction.Commit();
}

TEST_F(MyTransactionTest, StartNeedsAnOpenConnection) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    TMyTransaction transaction(nullptr);
    transaction.SetDefaultConnection(connection.get());
    EXPECT_EQ(ErrorMessageOf([&] { transaction.StartTransaction(); }),
              "One of the connections in the transaction is not active");
    EXPECT_EQ(ErrorMessageOf([&] { transaction.Commit(); }),
              "One of the connections in the transaction is not active");

    // In the disconnected mode the transaction holds the connection open until it ends.
    connection->Options().SetDisconnectedMode(true);
    transaction.StartTransaction();
    EXPECT_TRUE(connection->Connected());
    transaction.Rollback();
    EXPECT_FALSE(connection->Connected());
}

TEST_F(MyTransactionTest, DestroyingTheConnectionDetachesItsTransactions) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    TMyTransaction transaction(nullptr);
    {
        auto connection = NewConnection(settings);
        transaction.SetDefaultConnection(connection.get());
        connection->Connect();
        transaction.StartTransaction();
        connection->ExecuteSQL("INSERT INTO " + table_ + " VALUES (1)");
    }
    EXPECT_EQ(transaction.ConnectionCount(), 0);
    EXPECT_EQ(transaction.DefaultConnection(), nullptr);
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(Count(), "0");
}

} // namespace
} // namespace components
