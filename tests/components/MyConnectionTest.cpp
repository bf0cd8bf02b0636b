#include "components/uMyConnection.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLAPI.h"
#include "platform/data/Component.h"
#include "platform/rtl/StringList.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using dataaccess::EDAError;
using dataaccess::EMyError;
using testsupport::ErrorMessageOf;
using testsupport::ServerSettings;

using testing::NewConnection;

// The first column of the first row, read over the component's own session.
std::string Scalar(TMyConnection& connection, const std::string& sql) {
    dataaccess::TMySQLConnection& session = *connection.MyIConnection();
    dataaccess::TMySQLAPI& api = *session.API();
    EXPECT_EQ(api.mysql_real_query(session.Handle(), sql.data(), sql.size()), 0)
        << api.mysql_error(session.Handle());
    dataaccess::PMYSQL_RES result = api.mysql_use_result(session.Handle());
    std::string text;
    if (dataaccess::PMYSQL_ROW row = api.FetchRow(result)) api.GetFieldString(row, 0, text);
    api.mysql_free_result(result);
    return text;
}

// Counts the four connect events.
struct EventLog {
    int beforeConnect = 0, afterConnect = 0, beforeDisconnect = 0, afterDisconnect = 0;

    void Attach(TMyConnection& connection) {
        connection.BeforeConnect = [this](data::TCustomConnection*) { ++beforeConnect; };
        connection.AfterConnect = [this](data::TCustomConnection*) { ++afterConnect; };
        connection.BeforeDisconnect = [this](data::TCustomConnection*) { ++beforeDisconnect; };
        connection.AfterDisconnect = [this](data::TCustomConnection*) { ++afterDisconnect; };
    }
};

TEST(MyConnectionTest, DefaultsNeedNoServer) {
    TMyConnection connection;
    EXPECT_EQ(connection.Port(), 3306);
    EXPECT_EQ(connection.ConnectionTimeout(), 15);
    EXPECT_TRUE(connection.Options().Direct());
    EXPECT_TRUE(connection.LoginPrompt());
    EXPECT_TRUE(connection.AutoCommit());
    EXPECT_EQ(connection.IsolationLevel(), dataaccess::ilReadCommitted);
    EXPECT_EQ(connection.GetClientVersion(), "4.1.3 Direct");
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.IConnection(), nullptr);
    EXPECT_EQ(connection.ConnectCount(), 0);

    connection.Options().SetDirect(false);
    EXPECT_THAT(connection.GetClientVersion(), ::testing::StartsWith("3."));
}

TEST(MyConnectionTest, NumericTypeIsTheTwoDecimalFlags) {
    TMyConnection connection;
    struct Case {
        TDANumericType set;
        bool bcd, fmtBcd;
    };
    for (const Case& c :
         {Case{ntFmtBCD, false, true}, Case{ntBCD, true, false}, Case{ntFloat, false, false}}) {
        connection.Options().SetNumericType(c.set);
        EXPECT_EQ(connection.Options().NumericType(), c.set);
        EXPECT_EQ(connection.Options().EnableBCD(), c.bcd);
        EXPECT_EQ(connection.Options().EnableFMTBCD(), c.fmtBcd);
    }
}

TEST(MyConnectionTest, InternalTransactionIsNamedAfterTheConnection) {
    TMyConnection connection;
    connection.SetName("Main");
    EXPECT_EQ(connection.InternalTransaction()->Name(), "trMain");
    EXPECT_TRUE(connection.InternalTransaction()->Shared());
    EXPECT_EQ(connection.UsedTransaction(), connection.InternalTransaction());
    EXPECT_EQ(connection.InternalTransaction()->DefaultConnection(), &connection);
}

TEST(MyConnectionTest, AssignCopiesSettingsButNotDirect) {
    TMyConnection source;
    source.SetUsername("u");
    source.SetPassword("p");
    source.SetServer("s");
    source.SetPort(3307);
    source.SetDatabase("db");
    source.SetConnectionTimeout(30);
    source.SetIsolationLevel(dataaccess::ilSerializable);
    source.SetAutoCommit(false);
    source.Options().SetCompress(true);
    source.Options().SetDirect(false);
    source.Options().SetLocalFailover(true);
    source.Options().SetNumericType(ntBCD);
    source.SSLOptions().SetCert("cert.pem");
    source.PoolingOptions().MaxPoolSize = 7;

    TMyConnection copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.Username(), "u");
    EXPECT_EQ(copy.Password(), "p");
    EXPECT_EQ(copy.Server(), "s");
    EXPECT_EQ(copy.Port(), 3307);
    EXPECT_EQ(copy.Database(), "db");
    EXPECT_EQ(copy.ConnectionTimeout(), 30);
    EXPECT_EQ(copy.IsolationLevel(), dataaccess::ilSerializable);
    EXPECT_FALSE(copy.AutoCommit());
    EXPECT_TRUE(copy.Options().Compress());
    EXPECT_TRUE(copy.Options().Direct()); // not copied
    EXPECT_TRUE(copy.Options().LocalFailover());
    EXPECT_EQ(copy.Options().NumericType(), ntBCD);
    EXPECT_EQ(copy.SSLOptions().Cert(), "cert.pem");
    EXPECT_EQ(copy.PoolingOptions().MaxPoolSize, 7);

    TMyConnection params;
    params.AssignConnectParams(source);
    EXPECT_EQ(params.Username(), "u");
    EXPECT_EQ(params.Database(), "db");
    EXPECT_EQ(params.Port(), 3306);
}

TEST(MyConnectionTest, DefaultTransactionTakesTheInternalOnesPlace) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    auto transaction = std::make_unique<TMyTransaction>(nullptr);
    connection->SetDefaultTransaction(transaction.get());
    EXPECT_EQ(connection->UsedTransaction(), transaction.get());
    EXPECT_EQ(transaction->ConnectionCount(), 1);
    connection->SetIsolationLevel(dataaccess::ilRepeatableRead);
    EXPECT_EQ(transaction->IsolationLevel(), dataaccess::ilRepeatableRead);
    EXPECT_EQ(connection->InternalTransaction()->IsolationLevel(), dataaccess::ilReadCommitted);

    connection->Connect();
    connection->StartTransaction();
    EXPECT_TRUE(transaction->Active());
    EXPECT_EQ(connection->CurrentTransaction(), transaction.get());
    connection->Rollback();

    transaction.reset(); // the connection hears of it
    EXPECT_EQ(connection->DefaultTransaction(), nullptr);
    EXPECT_EQ(connection->UsedTransaction(), connection->InternalTransaction());
    EXPECT_EQ(connection->TransactionCount(), 1);
}

TEST(MyConnectionTest, ConnectAndDisconnectFireEachEventOnce) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    EventLog log;
    log.Attach(*connection);

    connection->Connect();
    EXPECT_TRUE(connection->Connected());
    EXPECT_EQ(connection->ConnectCount(), 1);
    EXPECT_EQ(Scalar(*connection, "SELECT DATABASE()"), settings.database);
    connection->Connect();
    EXPECT_EQ(log.beforeConnect, 1);
    EXPECT_EQ(log.afterConnect, 1);
    EXPECT_EQ(connection->ConnectCount(), 1);

    connection->Disconnect();
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(connection->ConnectCount(), 0);
    connection->Disconnect();
    EXPECT_EQ(log.beforeDisconnect, 1);
    EXPECT_EQ(log.afterDisconnect, 1);
    EXPECT_NE(connection->IConnection(), nullptr); // kept for the next connect
}

TEST(MyConnectionTest, WrongPasswordFailsThroughOnError) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->SetPassword(settings.password + "-wrong");
    EventLog log;
    log.Attach(*connection);
    std::vector<std::pair<int, bool>> errors;
    connection->OnError = [&](data::TComponent* sender, EDAError& e, bool& fail) {
        EXPECT_EQ(sender, connection.get());
        errors.emplace_back(e.ErrorCode(), fail);
    };

    EXPECT_THROW(connection->Connect(), EMyError);
    EXPECT_THAT(errors, ::testing::ElementsAre(std::pair(1045, true)));
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(connection->ConnectCount(), 0);
    EXPECT_EQ(log.beforeConnect, 1);
    EXPECT_EQ(log.afterConnect, 0);

    connection->SetPassword(settings.password); // the kept server connection takes the right one
    connection->Connect();
    EXPECT_TRUE(connection->Connected());
}

TEST(MyConnectionTest, LogInChangesDisconnectOnlyWhenTheValueChanges) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect();
    const std::string session = Scalar(*connection, "SELECT CONNECTION_ID()");

    connection->SetUsername(settings.user);
    connection->SetPassword(settings.password);
    connection->SetServer(settings.host);
    connection->SetPort(static_cast<int>(settings.port));
    ASSERT_TRUE(connection->Connected());
    EXPECT_EQ(Scalar(*connection, "SELECT CONNECTION_ID()"), session);

    struct Case {
        const char* what;
        std::function<void(TMyConnection&)> change;
    };
    const std::vector<Case> changes = {
        {"Username", [&](TMyConnection& c) { c.SetUsername(settings.user + "x"); }},
        {"Password", [&](TMyConnection& c) { c.SetPassword(settings.password + "x"); }},
        {"Server", [&](TMyConnection& c) { c.SetServer("localhost"); }},
        {"Port", [&](TMyConnection& c) { c.SetPort(static_cast<int>(settings.port) + 1); }},
    };
    for (const Case& c : changes) {
        auto other = NewConnection(settings);
        other->Connect();
        c.change(*other);
        EXPECT_FALSE(other->Connected()) << c.what;
    }
}

TEST(MyConnectionTest, DatabaseSwitchesOnTheOpenSession) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect();
    const std::string session = Scalar(*connection, "SELECT CONNECTION_ID()");

    connection->SetDatabase("information_schema");
    EXPECT_TRUE(connection->Connected());
    EXPECT_EQ(Scalar(*connection, "SELECT DATABASE()"), "information_schema");
    EXPECT_EQ(Scalar(*connection, "SELECT CONNECTION_ID()"), session);

    // A name the server rejects is not kept, on the component or on its server connection.
    EXPECT_THROW(connection->SetDatabase("MyConnectionTest_no_such_db"), EMyError);
    EXPECT_EQ(connection->Database(), "information_schema");
    EXPECT_EQ(Scalar(*connection, "SELECT DATABASE()"), "information_schema");
    connection->Disconnect();
    connection->Connect();
    EXPECT_EQ(Scalar(*connection, "SELECT DATABASE()"), "information_schema");
}

TEST(MyConnectionTest, OptionsRefusedOnAnOpenConnection) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect();
    const std::string refused = "Cannot perform this operation on an open connection";
    connection->SetName("Conn");
    const std::vector<std::function<void()>> guarded = {
        [&] { connection->Options().SetCompress(true); },
        [&] { connection->Options().SetUseUnicode(true); },
        [&] { connection->Options().SetCharset("latin1"); },
        [&] { connection->Options().SetProtocol(dataaccess::mpTCP); },
        [&] { connection->Options().SetDirect(true); },
        [&] { connection->SSLOptions().SetCACert("ca.pem"); },
    };
    for (const auto& change : guarded)
        EXPECT_EQ(ErrorMessageOf(change), "Conn: " + refused);
    EXPECT_FALSE(connection->Options().Compress());
    EXPECT_FALSE(connection->Options().Direct());
    EXPECT_TRUE(connection->SSLOptions().CACert().empty());
    EXPECT_TRUE(connection->Connected());

    connection->Options().SetCheckBackslashes(true);
    EXPECT_TRUE(connection->Options().CheckBackslashes());
    connection->SetConnectionTimeout(20);
    EXPECT_TRUE(connection->Connected());

    // Closed, the same changes are taken and reach the server connection for the next connect.
    connection->Disconnect();
    connection->Options().SetCompress(true);
    rtl::Variant compress;
    connection->IConnection()->GetProp(dataaccess::prCompress, compress);
    EXPECT_TRUE(compress.AsBoolean());
    connection->Connect();
    EXPECT_EQ(Scalar(*connection, "SELECT 1"), "1");
}

TEST(MyConnectionTest, ExecuteSQLDrainsEveryResult) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    EXPECT_TRUE(connection->ExecuteSQL("DO 1").IsNull());
    EXPECT_TRUE(connection->Connected()); // connected by the call, which released its use
    EXPECT_EQ(connection->ConnectCount(), 0);

    connection->ExecuteSQL("DROP PROCEDURE IF EXISTS MyConnectionTest_two_results");
    connection->ExecuteSQL("CREATE PROCEDURE MyConnectionTest_two_results() BEGIN SELECT 1; SELECT 2; END");
    EXPECT_TRUE(connection->ExecuteSQL("CALL MyConnectionTest_two_results()").IsNull());
    EXPECT_TRUE(connection->ExecuteSQL("SELECT 1; SELECT 2").IsNull());
    // Nothing is left pending: the next statement runs ("Commands out of sync" otherwise).
    EXPECT_EQ(Scalar(*connection, "SELECT 3"), "3");
    connection->ExecuteSQL("DROP PROCEDURE MyConnectionTest_two_results");

    connection->Disconnect();
    connection->Connect();
    EXPECT_THAT(ErrorMessageOf([&] { connection->ExecuteSQL("SELEC 1"); }), ::testing::HasSubstr("syntax"));
    EXPECT_EQ(connection->ConnectCount(), 1); // the failed statement released its use
    EXPECT_TRUE(connection->Connected());
}

TEST(MyConnectionTest, ExecuteWithParametersThroughTheInternalCommand) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings, settings.database);
    admin.Execute("CREATE OR REPLACE TABLE MyConnectionTest_params (a INT, b VARCHAR(10), c INT)");
    admin.Execute("CREATE OR REPLACE PROCEDURE MyConnectionTest_add(x INT) "
                  "INSERT INTO MyConnectionTest_params VALUES (x, 'proc', NULL)");
    auto connection = NewConnection(settings);
    const std::string insert = "INSERT INTO MyConnectionTest_params VALUES (:a, :b, :c)";
    EXPECT_TRUE(connection->ExecuteSQL(insert, {1, "one", 1}).IsNull());
    EXPECT_TRUE(connection->ExecuteSQL(insert, {2, "two"}).IsNull()); // :c past the values is Null
    EXPECT_TRUE(connection->ExecuteSQLNamed(insert, {"c", 3, "a", 3, "b", "three"}).IsEmpty());
    EXPECT_EQ(ErrorMessageOf([&] {
                  connection->ExecuteSQLNamed(insert, {"a", 1, "b"});
              }),
              "Invalid Params array. Valid format: <Name1>,<Value1>[,<Name2>,<Value2>[...]]");
    connection->ExecuteProc("MyConnectionTest_add", {4});
    EXPECT_EQ(admin.Scalar("SELECT GROUP_CONCAT(CONCAT_WS(':', a, b, IFNULL(c, 'null')) ORDER BY a) "
                           "FROM MyConnectionTest_params"),
              "1:one:1,2:two:null,3:three:3,4:proc:null");
    EXPECT_EQ(connection->ConnectCount(), 0);
    admin.Execute("DROP PROCEDURE MyConnectionTest_add");
    admin.Execute("DROP TABLE MyConnectionTest_params");
}

TEST(MyConnectionTest, ExecuteSQLInDisconnectedModeClosesAfterTheStatement) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Options().SetDisconnectedMode(true);
    EventLog log;
    log.Attach(*connection);
    connection->ExecuteSQL("DO 1");
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(connection->ConnectCount(), 0);
    EXPECT_EQ(log.afterConnect, 1);
    EXPECT_EQ(log.afterDisconnect, 1);
}

TEST(MyConnectionTest, ListStoredProcNamesComparesTheDatabaseAsText) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession admin(settings);
    // A name that needs quoting as an identifier and holds a quote and a backslash.
    const std::string database = "MyConnectionTest-o'd\\b";
    admin.Execute("DROP DATABASE IF EXISTS `" + database + "`");
    admin.Execute("CREATE DATABASE `" + database + "`");
    admin.Execute("CREATE PROCEDURE `" + database + "`.p_two() BEGIN END");
    admin.Execute("CREATE FUNCTION `" + database + "`.f_one() RETURNS INT RETURN 1");

    auto connection = NewConnection(settings);
    connection->SetDatabase("MYCONNECTIONTEST-O'D\\B"); // mixed case on purpose
    rtl::TStringList names;
    connection->ListStoredProcNames(names);
    EXPECT_EQ(names.DelimitedText(), "f_one,p_two");
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(connection->Database(), "MYCONNECTIONTEST-O'D\\B");

    connection->SetDatabase(settings.database);
    connection->Connect();
    connection->ExecuteSQL("SET SESSION sql_mode = 'NO_BACKSLASH_ESCAPES'");
    connection->SetDatabase(database);
    connection->ListStoredProcNames(names);
    EXPECT_EQ(names.Count(), 2);
    EXPECT_TRUE(connection->Connected());
    admin.Execute("DROP DATABASE `" + database + "`");
}

} // namespace
} // namespace components
