#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLAPI.h"
#include "platform/data/Component.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
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

// Kills a session and waits until the server has dropped it.
void KillSession(testsupport::RawSession& admin, unsigned long id) {
    admin.Kill(id);
    for (int i = 0; i < 200; ++i) {
        const auto ids = admin.SessionIds();
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FAIL() << "session " << id << " still there";
}

void KillSession(testsupport::RawSession& admin, TMyConnection& connection) {
    KillSession(admin, std::stoul(SessionId(connection)));
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

// Prepared statements and unread rows live in the session: while a data set holds one, a lost
// session is not replaced under it. The component ends disconnected, the data sets closed, and the
// next connect gives every data set the new session.
TEST(MyConnectionLostTest, DataSetsThatNeedTheSessionKeepItFromBeingReplaced) {
    struct Case {
        const char* name;
        std::function<void(TMyQuery&)> use;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"rows still to read",
         [](TMyQuery& q) {
             // More rows than the socket buffers hold: reading on meets the lost session.
             q.SetSQL("SELECT seq, REPEAT('x', 1000) FROM seq_1_to_100000");
             q.SetFetchAll(false);
             q.SetFetchRows(100);
             q.Open();
         },
         false},
        {"prepared", [](TMyQuery& q) { q.Prepare(); }, false},
        {"every row read",
         [](TMyQuery& q) {
             q.SetFetchAll(true);
             q.Open();
         },
         true},
        {"closed after reading",
         [](TMyQuery& q) {
             q.Open();
             q.Last();
             q.Close();
         },
         true},
    };
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto connection = NewConnection(settings);
        ApplicationHandler handler;
        handler.Install(*connection);
        TMyQuery query;
        query.SetConnection(connection.get());
        query.Options().SetCreateConnection(false);
        query.SetSQL("SELECT seq FROM seq_1_to_20");
        connection->Connect();
        const unsigned long id = std::stoul(SessionId(*connection));
        c.use(query);
        const bool rowsPending = query.Active() && !query.Fetched();
        const bool wasActive = query.Active();
        KillSession(admin, id);

        // With rows pending only reading on can use the session.
        EXPECT_THROW(rowsPending ? query.Last() : (void)connection->ExecuteSQL("DO 1"), data::EAbort);
        EXPECT_EQ(handler.codes.size(), 1u);
        EXPECT_EQ(connection->Connected(), c.replaced);
        EXPECT_EQ(query.Active(), c.replaced && wasActive);
        EXPECT_FALSE(query.Prepared());
        EXPECT_EQ(connection->ConnectCount(), c.replaced ? 1 : 0);

        // The server connection of the lost session is gone after the next connect; the data set
        // works on the new one.
        connection->Connect();
        query.Close();
        query.SetSQL("SELECT seq FROM seq_1_to_3");
        query.Open();
        query.Last();
        EXPECT_EQ(query.RecordCount(), 3);
    }
}

// Under local failover a data set's statement lost with its session runs again on the new session
// when the handler asks for it, and the uses of the connection balance.
TEST(MyConnectionLostTest, LocalFailoverRepeatsADataSetsStatement) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings, settings.database);
    admin.Execute("CREATE OR REPLACE TABLE MyConnectionLostTest_failover (id INT)");
    auto connection = NewConnection(settings);
    connection->Options().SetLocalFailover(true);
    std::vector<dataaccess::TConnLostCause> causes;
    connection->OnConnectionLost = [&](TCustomDAConnection*, data::TComponent*,
                                       dataaccess::TConnLostCause cause, TRetryMode& mode) {
        causes.push_back(cause);
        mode = rmReconnectExecute;
    };
    TMyQuery insert, select;
    insert.SetConnection(connection.get());
    insert.SetSQL("INSERT INTO MyConnectionLostTest_failover VALUES (1)");
    select.SetConnection(connection.get());
    select.SetFetchAll(true);
    select.SetSQL("SELECT id FROM MyConnectionLostTest_failover");
    connection->Connect();

    KillSession(admin, *connection);
    insert.Execute();
    KillSession(admin, *connection);
    select.Open();

    EXPECT_THAT(causes, ::testing::ElementsAre(dataaccess::clExecute, dataaccess::clOpen));
    EXPECT_EQ(select.RecordCount(), 1); // the insert ran once
    EXPECT_EQ(connection->ConnectCount(), 1);
    select.Close();
    EXPECT_EQ(connection->ConnectCount(), 1);
    admin.Execute("DROP TABLE MyConnectionLostTest_failover");
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
