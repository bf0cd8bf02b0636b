#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/uMyError.h"
#include "dataaccess/uMySQLAPI.h"
#include "platform/data/Component.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace components {
namespace {

using dataaccess::EDAError;
using dataaccess::EMyError;
using testsupport::ServerSettings;

RTL_DECLARE_EXCEPTION(EApplicationError, rtl::Exception);

// The application's error handler: every MySQL error is its own; a lost connection (2006, 2013)
// goes to its lost-connection callback and ends silently, anything else raises its own exception.
struct ApplicationHandler {
    std::vector<int> codes;
    bool lostConnectionCallback = true;

    void Install(TMyConnection& connection) {
        connection.OnError = [this](data::TComponent*, EDAError& e, bool& fail) {
            if (!dynamic_cast<EMyError*>(&e)) return;
            codes.push_back(e.ErrorCode());
            fail = false;
            const bool lost = e.ErrorCode() == 2006 || e.ErrorCode() == 2013;
            if (!lost || !lostConnectionCallback) throw EApplicationError("application: " + e.Message());
        };
    }
};

using testing::NewConnection;

std::string SessionId(TMyConnection& connection) {
    dataaccess::TMySQLConnection& session = *connection.MyIConnection();
    dataaccess::TMySQLAPI& api = *session.API();
    const std::string sql = "SELECT CONNECTION_ID()";
    EXPECT_EQ(api.mysql_real_query(session.Handle(), sql.data(), sql.size()), 0);
    dataaccess::PMYSQL_RES result = api.mysql_use_result(session.Handle());
    std::string text;
    if (dataaccess::PMYSQL_ROW row = api.FetchRow(result)) api.GetFieldString(row, 0, text);
    api.mysql_free_result(result);
    return text;
}

// Kills the component's session and waits until the server has dropped it.
void KillSession(testsupport::RawSession& admin, TMyConnection& connection) {
    const unsigned long id = std::stoul(SessionId(connection));
    admin.Kill(id);
    for (int i = 0; i < 200; ++i) {
        const auto ids = admin.SessionIds();
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FAIL() << "session " << id << " still there";
}

bool IsLostConnectionCode(int code) {
    return code == 2006 || code == 2013;
}

TEST(MyConnectionLostTest, KilledSessionIsReplacedSilently) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings);
    auto connection = NewConnection(settings);
    ApplicationHandler handler;
    handler.Install(*connection);
    int afterConnect = 0;
    connection->AfterConnect = [&](data::TCustomConnection*) { ++afterConnect; };
    connection->Connect();
    const std::string killed = SessionId(*connection);
    KillSession(admin, *connection);

    EXPECT_THROW(connection->ExecuteSQL("DO 1"), data::EAbort);
    ASSERT_EQ(handler.codes.size(), 1u);
    EXPECT_TRUE(IsLostConnectionCode(handler.codes[0])) << handler.codes[0];
    EXPECT_TRUE(connection->Connected());
    EXPECT_EQ(afterConnect, 2); // the reconnect tells the application too
    EXPECT_NE(SessionId(*connection), killed);
    EXPECT_TRUE(connection->ExecuteSQL("DO 1").IsNull()); // the statement is not repeated, the next one works
    EXPECT_EQ(handler.codes.size(), 1u);
}

TEST(MyConnectionLostTest, KilledSessionInsideATransactionEndsDisconnected) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings, settings.database);
    admin.Execute("CREATE OR REPLACE TABLE MyConnectionLostTest_t (id INT PRIMARY KEY) ENGINE=InnoDB");
    auto connection = NewConnection(settings);
    ApplicationHandler handler;
    handler.Install(*connection);
    TMyCommand command;
    command.SetConnection(connection.get());
    command.SetSQL("INSERT INTO MyConnectionLostTest_t VALUES (4)");
    connection->Connect();
    connection->StartTransaction();
    connection->ExecuteSQL("INSERT INTO MyConnectionLostTest_t VALUES (1)");
    KillSession(admin, *connection);

    EXPECT_THROW(connection->ExecuteSQL("INSERT INTO MyConnectionLostTest_t VALUES (2)"), data::EAbort);
    ASSERT_EQ(handler.codes.size(), 1u);
    EXPECT_TRUE(IsLostConnectionCode(handler.codes[0])) << handler.codes[0];
    EXPECT_FALSE(connection->Connected());
    EXPECT_FALSE(connection->InTransaction());
    EXPECT_EQ(connection->ConnectCount(), 0);

    // The next use gets a new session with a transaction that can start again, and a command made
    // before runs on it.
    connection->Connect();
    connection->StartTransaction();
    connection->ExecuteSQL("INSERT INTO MyConnectionLostTest_t VALUES (3)");
    command.Execute();
    connection->Commit();
    EXPECT_EQ(admin.Scalar("SELECT GROUP_CONCAT(id ORDER BY id) FROM MyConnectionLostTest_t"), "3,4");
    admin.Execute("DROP TABLE MyConnectionLostTest_t");
}

TEST(MyConnectionLostTest, HandlerRaisingItsOwnErrorStillLeavesNoDeadSession) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings);
    auto connection = NewConnection(settings);
    ApplicationHandler handler;
    handler.lostConnectionCallback = false; // the application raises for a lost connection too
    handler.Install(*connection);
    connection->Connect();
    KillSession(admin, *connection);

    EXPECT_THROW(connection->ExecuteSQL("DO 1"), EApplicationError);
    EXPECT_EQ(handler.codes.size(), 1u);
    EXPECT_FALSE(connection->Connected());
    connection->ExecuteSQL("DO 1"); // reconnects for the next statement
    EXPECT_TRUE(connection->Connected());
}

// A new session would not know the statement prepared in the old one.
TEST(MyConnectionLostTest, PreparedCommandKeepsTheLostSessionFromBeingReplaced) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings);
    auto connection = NewConnection(settings);
    ApplicationHandler handler;
    handler.Install(*connection);
    TMyCommand command;
    command.SetConnection(connection.get());
    command.SetSQL("DO 1");
    connection->Connect();
    command.Prepare();
    KillSession(admin, *connection);

    EXPECT_THROW(connection->ExecuteSQL("DO 1"), data::EAbort);
    EXPECT_FALSE(connection->Connected());
    EXPECT_FALSE(command.Prepared());
    EXPECT_EQ(connection->ConnectCount(), 0);
}

TEST(MyConnectionLostTest, SessionKilledDuringAStatement) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings);
    auto connection = NewConnection(settings);
    ApplicationHandler handler;
    handler.Install(*connection);
    connection->Connect();
    const unsigned long id = std::stoul(SessionId(*connection));
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        admin.Kill(id);
    });
    const std::string outcome = testsupport::ErrorOf([&] { connection->ExecuteSQL("DO SLEEP(5)"); });
    killer.join();
    ASSERT_EQ(handler.codes.size(), 1u) << outcome;
    EXPECT_TRUE(IsLostConnectionCode(handler.codes[0])) << handler.codes[0];
    EXPECT_EQ(outcome, "EAbort: Operation aborted");
    EXPECT_TRUE(connection->Connected());
    EXPECT_NE(SessionId(*connection), std::to_string(id));
}

} // namespace
} // namespace components
