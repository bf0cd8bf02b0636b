#include "dataaccess/DirectSwitch.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLClient.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/protocol/uMySqlDirect.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/TestConnection.h"
#include "platform/data/Component.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Eventually.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace dataaccess {
namespace {

using ::testing::MatchesRegex;

std::unique_ptr<TMySQLConnection> NewConnection(const testsupport::ServerSettings& s) {
    return testing::NewTestConnection(s);
}

// The first column of the first row, read through the connection's own handle.
std::string Scalar(TMySQLConnection& connection, const std::string& sql) {
    TMySQLAPI& api = *connection.API();
    EXPECT_EQ(api.mysql_real_query(connection.Handle(), sql.data(), sql.size()), 0)
        << api.mysql_error(connection.Handle());
    PMYSQL_RES result = api.mysql_use_result(connection.Handle());
    std::string text;
    if (PMYSQL_ROW row = api.FetchRow(result)) api.GetFieldString(row, 0, text);
    api.mysql_free_result(result);
    return text;
}

EMyError ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EMyError& e) {
        return e;
    }
    ADD_FAILURE() << "no EMyError";
    return EMyError(0, "", "");
}

TEST(MySQLConnectionTest, ConnectsThroughTheClientLibrary) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    const bool direct = testsupport::TestDirect();
    EXPECT_EQ(connection->API(),
              direct ? static_cast<TMySQLAPI*>(&MySQLAPIDirectInstance()) : &MySQLAPIClient());
    connection->Connect("");
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_EQ(connection->ServerMajor(), 10);
    EXPECT_THAT(connection->GetServerVersion(), MatchesRegex("10\\.11\\.[0-9]+"));
    EXPECT_THAT(connection->GetServerVersionFull(), ::testing::StartsWith(connection->GetServerVersion()));
    EXPECT_THAT(connection->GetClientVersion(), ::testing::StartsWith(direct ? "4.1.3 Direct" : "3.3."));
    EXPECT_TRUE(connection->IsClient41());
    EXPECT_TRUE(connection->IsServer41());
    EXPECT_EQ(Scalar(*connection, "SELECT DATABASE()"), settings.database);
    connection->Connect(""); // connected already: nothing happens
    connection->Disconnect();
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_EQ(connection->Handle(), nullptr);
}

TEST(MySQLConnectionTest, CharacterSetOfTheSession) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    struct Case {
        bool useUnicode;
        const char* charset;
        const char* clientCharset; // empty: whatever the library chose
        const char* setStatements;
    };
    for (const Case& c :
         {Case{true, "", "utf8mb4", "1"}, Case{false, "latin1", "latin1", "1"}, Case{false, "", "", "0"}}) {
        SCOPED_TRACE(c.charset);
        auto connection = NewConnection(settings);
        connection->SetProp(prUseUnicode, c.useUnicode);
        connection->SetProp(prCharset, c.charset);
        connection->Connect("");
        // SET NAMES counts as a set option; nothing else of the connect does.
        EXPECT_EQ(Scalar(*connection, "SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                                      "WHERE VARIABLE_NAME = 'COM_SET_OPTION'"),
                  c.setStatements);
        if (*c.clientCharset) {
            EXPECT_EQ(Scalar(*connection, "SELECT @@character_set_client"), c.clientCharset);
        }
    }
    // Four-byte characters survive the Unicode session.
    auto connection = NewConnection(settings);
    connection->SetProp(prUseUnicode, true);
    connection->Connect("");
    EXPECT_EQ(Scalar(*connection, "SELECT HEX('\xF0\x9F\x98\x80')"), "F09F9880");
}

TEST(MySQLConnectionTest, ServerErrorsBecomeMySqlErrors) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect("");
    data::TComponent* const component = reinterpret_cast<data::TComponent*>(connection.get());
    connection->SetComponent(component);
    const EMyError missing = ErrorOf([&] { connection->ExecSQL("SELECT * FROM nope"); });
    EXPECT_EQ(missing.ErrorCode(), 1146);
    EXPECT_EQ(missing.SqlState(), "42S02");
    EXPECT_EQ(missing.Message(), "Table '" + settings.database + ".nope' doesn't exist");
    EXPECT_EQ(missing.Component(), component);

    const EMyError syntax = ErrorOf([&] { connection->ExecSQL("SELECT 1\nFROM\n  WHERE 2"); });
    EXPECT_EQ(syntax.ErrorCode(), 1064);
    EXPECT_EQ(syntax.ErrorLine(), 3);
    // The session goes on after errors.
    connection->ExecSQL("DO 1; DO 2");
}

TEST(MySQLConnectionTest, ConnectFailures) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto badPassword = NewConnection(settings);
    badPassword->SetPassword("wrong");
    const EMyError denied = ErrorOf([&] { badPassword->Connect(""); });
    EXPECT_EQ(denied.ErrorCode(), 1045);
    EXPECT_EQ(denied.SqlState(), "28000");
    EXPECT_FALSE(badPassword->IsConnected());
    EXPECT_EQ(badPassword->Handle(), nullptr);

    auto closedPort = NewConnection(settings);
    closedPort->SetProp(prPort, 1);
    const EMyError refused = ErrorOf([&] { closedPort->Connect(""); });
    // The client library reports a refused TCP connection as 2002, the wire protocol as 2003.
    EXPECT_EQ(refused.ErrorCode(), testsupport::TestDirect() ? 2003 : 2002);
    EXPECT_TRUE(refused.IsConnectionLostError());

    auto memory = NewConnection(settings);
    memory->SetProp(prProtocol, int{mpMemory});
    EXPECT_THROW(memory->Connect(""), data::EDatabaseError);
    EXPECT_FALSE(memory->IsConnected());
}

TEST(MySQLConnectionTest, AHandlerThatClearsFailGivesASilentAbort) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect("");
    int calls = 0;
    connection->OnError = [&](EDAError& error, bool& fail, bool&, bool&, int, TConnLostCause&) {
        ++calls;
        EXPECT_EQ(error.ErrorCode(), 1146);
        fail = false;
    };
    EXPECT_THROW(connection->ExecSQL("SELECT * FROM nope"), data::EAbort);
    EXPECT_EQ(calls, 1);
}

TEST(MySQLConnectionTest, KilledSessionIsInvalidAndReconnectsForReexecution) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->Connect("");
    connection->CheckIsValid();
    EXPECT_TRUE(connection->IsValid());

    testsupport::RawSession killer(settings);
    killer.Kill(connection->API()->mysql_thread_id(connection->Handle()));
    connection->CheckIsValid();
    EXPECT_FALSE(connection->IsValid());

    std::vector<int> codes;
    connection->OnError = [&](EDAError& error, bool& fail, bool& reconnect, bool& reexecute, int attempt,
                              TConnLostCause& cause) {
        codes.push_back(error.ErrorCode());
        if (error.IsConnectionLostError() && attempt == 0) {
            reconnect = true;
            reexecute = true;
            fail = false;
            cause = clExecute;
        }
    };
    try {
        connection->ExecSQL("SET @MySQLConnectionTest_x = 1");
        FAIL() << "no fail-over";
    } catch (const EFailOver& e) {
        EXPECT_EQ(e.ConnLostCause(), clExecute);
    }
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_TRUE(codes[0] == 2006 || codes[0] == 2013) << codes[0];
    EXPECT_TRUE(connection->IsConnected());
    connection->ExecSQL("SET @MySQLConnectionTest_x = 1"); // the same statement again
    EXPECT_EQ(Scalar(*connection, "SELECT @MySQLConnectionTest_x"), "1");
}

TEST(MySQLConnectionTest, BackslashEscapesFollowTheSessionsSqlMode) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    rtl::Variant value;
    connection->GetProp(prBackslashEscapes, value);
    EXPECT_TRUE(value.AsBoolean());
    connection->Connect("");
    EXPECT_TRUE(connection->BackslashEscapes());
    connection->ExecSQL("SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')");
    connection->GetProp(prBackslashEscapes, value);
    EXPECT_FALSE(value.AsBoolean());
    connection->ExecSQL("SET SESSION sql_mode = ''");
    EXPECT_TRUE(connection->BackslashEscapes());
}

TEST(MySQLConnectionTest, SettingsAndSharedHandles) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = NewConnection(settings);
    connection->SetProp(prConnectionTimeout, 7);
    connection->SetProp(prUseUnicode, true);
    connection->Connect("");
    connection->ExecSQL(
        "CREATE OR REPLACE TABLE MySQLConnectionTest_ids (id INT AUTO_INCREMENT PRIMARY KEY)");
    connection->ExecSQL("INSERT INTO MySQLConnectionTest_ids VALUES (NULL), (NULL)");
    rtl::Variant value;
    connection->GetProp(prLastInsertId, value);
    EXPECT_EQ(value.AsInt64(), 1);

    TMySQLConnection copy;
    copy.CopySettings(*connection);
    copy.GetProp(prConnectionTimeout, value);
    EXPECT_EQ(value.AsInt64(), 7);
    copy.GetProp(prUseUnicode, value);
    EXPECT_TRUE(value.AsBoolean());
    EXPECT_EQ(copy.API(), connection->API());
    copy.Connect("");
    EXPECT_NE(Scalar(copy, "SELECT CONNECTION_ID()"), Scalar(*connection, "SELECT CONNECTION_ID()"));

    // A shared handle is not closed by the borrower.
    {
        TMySQLConnection borrower;
        borrower.AssignConnect(connection.get());
        EXPECT_TRUE(borrower.IsConnected());
        EXPECT_EQ(borrower.Handle(), connection->Handle());
        EXPECT_EQ(borrower.ServerMajor(), 10);
    }
    EXPECT_EQ(Scalar(*connection, "SELECT 5"), "5");

    connection->SetProp(prDatabase, "information_schema");
    EXPECT_EQ(Scalar(*connection, "SELECT DATABASE()"), "information_schema");
    const EMyError unknown = ErrorOf([&] { connection->SetProp(prDatabase, "MySQLConnectionTest_nodb"); });
    EXPECT_EQ(unknown.ErrorCode(), 1049);
    connection->SetProp(prEmbParams, "  --a=1\n--b=2\r\n ");
    EXPECT_EQ(connection->EmbeddedParams(), (std::vector<std::string>{"--a=1", "--b=2"}));
    EXPECT_THROW(connection->SetProp(9999, 1), rtl::EAssertionFailed);
}

TEST(MySQLConnectionTest, TlsConnection) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    const char* ca = std::getenv("VELTRANE_TEST_SSL_CA");
    if (!ca) GTEST_SKIP() << "no CA of the test server";
    auto connection = NewConnection(settings);
    connection->SetProp(prProtocol, int{mpSSL});
    connection->SetProp(prCACert, ca);
    connection->Connect("");
    EXPECT_NE(Scalar(*connection, "SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                                  "WHERE VARIABLE_NAME = 'SSL_CIPHER'"),
              "");
}

// ---- Transactions

class MySQLTransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = VELTRANE_REQUIRE_SERVER();
        connection_ = NewConnection(settings_);
        connection_->Connect("");
        connection_->ExecSQL("CREATE OR REPLACE TABLE " + table_ + " (v INT) ENGINE=InnoDB");
        transaction_ = connection_->InternalTransaction();
    }

    std::string Values() {
        testsupport::RawSession other(settings_);
        std::string values;
        for (const auto& row : other.Query("SELECT v FROM " + table_ + " ORDER BY v"))
            values += *row[0] + " ";
        return values;
    }

    // Tests run in parallel: a table for each.
    const std::string table_ = std::string("MySQLTransactionTest_") +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    testsupport::ServerSettings settings_;
    std::unique_ptr<TMySQLConnection> connection_;
    TCRTransaction* transaction_ = nullptr;
};

TEST_F(MySQLTransactionTest, CommitMakesChangesVisible) {
    transaction_->SetProp(prIsolationLevel, int{ilRepeatableRead});
    transaction_->StartTransaction();
    EXPECT_TRUE(transaction_->GetActive());
    EXPECT_EQ(Scalar(*connection_, "SELECT @@in_transaction"), "1");
    connection_->ExecSQL("INSERT INTO " + table_ + " VALUES (1)");
    EXPECT_EQ(Values(), "");
    transaction_->Commit();
    EXPECT_FALSE(transaction_->GetActive());
    EXPECT_EQ(Values(), "1 ");
}

TEST_F(MySQLTransactionTest, TheIsolationLevelAppliesToTheTransaction) {
    const std::vector<std::pair<int, const char*>> levels = {{ilReadCommitted, "READ COMMITTED"},
                                                             {ilReadUncommitted, "READ UNCOMMITTED"},
                                                             {ilRepeatableRead, "REPEATABLE READ"},
                                                             {ilSerializable, "SERIALIZABLE"}};
    for (const auto& [level, name] : levels) {
        SCOPED_TRACE(name);
        transaction_->SetProp(prIsolationLevel, level);
        transaction_->StartTransaction();
        connection_->ExecSQL("INSERT INTO " + table_ + " VALUES (1)");
        // The server refreshes this table's snapshot on its own schedule, later on a loaded machine.
        EXPECT_EQ(testsupport::Eventually(
                      [&] {
                          return Scalar(*connection_,
                                        "SELECT trx_isolation_level FROM information_schema.INNODB_TRX "
                                        "WHERE trx_mysql_thread_id = CONNECTION_ID()");
                      },
                      name, std::chrono::seconds(20)),
                  name);
        transaction_->Rollback();
    }
    transaction_->SetProp(prIsolationLevel, 7);
    EXPECT_THROW(transaction_->StartTransaction(), rtl::Exception);
    EXPECT_FALSE(transaction_->GetActive());
}

TEST_F(MySQLTransactionTest, RollbackAndSavepoints) {
    transaction_->StartTransaction();
    connection_->ExecSQL("INSERT INTO " + table_ + " VALUES (1)");
    transaction_->Rollback();
    EXPECT_EQ(Values(), "");

    transaction_->StartTransaction();
    connection_->ExecSQL("INSERT INTO " + table_ + " VALUES (2)");
    transaction_->Savepoint("before three");
    connection_->ExecSQL("INSERT INTO " + table_ + " VALUES (3)");
    transaction_->RollbackToSavepoint("before three");
    transaction_->Savepoint("s2");
    transaction_->ReleaseSavepoint("s2");
    transaction_->Commit();
    EXPECT_EQ(Values(), "2 ");
}

TEST_F(MySQLTransactionTest, Messages) {
    const auto messageOf = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const rtl::Exception& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(messageOf([&] { transaction_->Commit(); }), "Can't perform operation on inactive transaction");
    EXPECT_EQ(messageOf([&] { transaction_->Savepoint("s"); }),
              "Can't perform operation on inactive transaction");

    transaction_->SetProp(prTransactionReadOnly, true);
    EXPECT_EQ(messageOf([&] { transaction_->StartTransaction(); }),
              "Readonly transactions are not supported by the database");
    transaction_->SetProp(prTransactionReadOnly, false);

    TMySQLTransaction two;
    TMySQLConnection other;
    two.AddConnection(connection_.get());
    two.AddConnection(&other);
    EXPECT_EQ(messageOf([&] { two.StartTransaction(); }), "multiple transaction");
    TMySQLTransaction none;
    EXPECT_EQ(messageOf([&] { none.StartTransaction(); }), "There are no connections in the transaction");
    TMySQLTransaction idle;
    idle.AddConnection(&other);
    EXPECT_EQ(messageOf([&] { idle.StartTransaction(); }),
              "One of the connections in the transaction is not active");

    transaction_->StartTransaction();
    EXPECT_EQ(messageOf([&] { transaction_->StartTransaction(); }),
              "Can't perform operation on active transaction");
    transaction_->Rollback();
}

} // namespace
} // namespace dataaccess
