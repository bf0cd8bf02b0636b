#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace components {
namespace {

using testsupport::ErrorMessageOf;
using testsupport::RawSession;
using testsupport::ServerSettings;

using testing::NewConnection;

// A command over a table (id auto-increment, name) and a procedure that adds a row to it.
class MyCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        // Test cases run in parallel: each has objects of its own.
        const std::string suffix = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        table = "MyCommandTest_" + suffix;
        proc = "MyCommandTest_add_" + suffix;
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table);
        raw->Execute("CREATE TABLE " + table + " (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20))");
        raw->Execute("DROP PROCEDURE IF EXISTS " + proc);
        raw->Execute("CREATE PROCEDURE " + proc + "(IN a INT, IN n VARCHAR(20)) INSERT INTO " + table +
                     " VALUES (a, IFNULL(n, 'none'))");
        connection = NewConnection(settings);
        command = std::make_unique<TMyCommand>();
        command->SetConnection(connection.get());
    }

    void TearDown() override {
        command.reset();
        connection.reset();
        if (raw) {
            raw->Execute("DROP TABLE IF EXISTS " + table);
            raw->Execute("DROP PROCEDURE IF EXISTS " + proc);
        }
    }

    std::string Rows() {
        std::string text;
        for (const auto& row : raw->Query("SELECT id, name FROM " + table + " ORDER BY id"))
            text += *row[0] + "=" + row[1].value_or("NULL") + ";";
        return text;
    }

    std::string table, proc;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyCommand> command;
};

TEST_F(MyCommandTest, InsertsWithParameters) {
    command->SetSQL("INSERT INTO " + table + " VALUES (:id, :name)");
    ASSERT_EQ(command->ParamCount(), 2);
    command->ParamByName("id")->Clear();
    command->ParamByName("name")->SetAsString("ann");
    command->Execute();
    EXPECT_EQ(command->RowsAffected(), 1);
    EXPECT_EQ(command->InsertId(), 1);
    command->ParamByName("id")->SetAsInteger(7);
    command->ParamByName("name")->SetAsString("it's");
    command->Execute();
    EXPECT_EQ(command->InsertId(), 7);
    command->ParamByName("id")->Clear();
    command->ParamByName("name")->Clear();
    command->Execute();
    EXPECT_EQ(command->InsertId(), 8);
    EXPECT_EQ(Rows(), "1=ann;7=it's;8=NULL;");
    EXPECT_EQ(connection->ConnectCount(), 0) << "every execution gives its use back";
}

TEST_F(MyCommandTest, EmptyMemoIsSentAsEmptyString) {
    command->SetSQL("INSERT INTO " + table + " (name) VALUES (:memo)");
    command->ParamByName("memo")->SetAsMemo("");
    command->Execute();
    command->ParamByName("memo")->Clear();
    command->Execute();
    EXPECT_EQ(Rows(), "1=;2=NULL;");
}

TEST_F(MyCommandTest, SendsTheTextWithoutTrailingBreaks) {
    std::vector<std::string> sent;
    command->MyICommand()->OnTrace = [&](const std::string& sql) { sent.push_back(sql); };
    command->SetSQL("UPDATE " + table + " SET name = :n  \r\n\r\n");
    command->ParamByName("n")->SetAsString("x");
    command->Execute();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "UPDATE " + table + " SET name = 'x'");
}

TEST_F(MyCommandTest, ServerErrorEndsTheExecutionCleanly) {
    connection->Connect();
    std::vector<bool> results;
    command->AfterExecute = [&](TCustomDASQL*, bool result) { results.push_back(result); };
    command->SetSQL("INSERT INTO MyCommandTest_missing VALUES (1)");
    try {
        command->Execute();
        FAIL() << "no error";
    } catch (const dataaccess::EMyError& error) {
        EXPECT_EQ(error.ErrorCode(), 1146);
    }
    EXPECT_EQ(results, std::vector<bool>{false});
    EXPECT_EQ(connection->ConnectCount(), 1) << "only the explicit connect holds it";
    command->SetSQL("INSERT INTO " + table + " (name) VALUES ('after')");
    command->Execute();
    EXPECT_EQ(results, (std::vector<bool>{false, true}));
    EXPECT_EQ(connection->ConnectCount(), 1);
}

TEST_F(MyCommandTest, ExecutingTwiceRaises) {
    connection->Connect();
    command->SetSQL("DO SLEEP(1)");
    std::thread first([&] { command->Execute(); });
    while (!command->Executing())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ErrorMessageOf([&] { command->Execute(); }),
              "Cannot execute a command that is already executing");
    first.join();
    EXPECT_FALSE(command->Executing());
    EXPECT_EQ(connection->ConnectCount(), 1);
}

TEST_F(MyCommandTest, PrepareHoldsTheConnection) {
    connection->Options().SetDisconnectedMode(true);
    command->SetSQL("INSERT INTO " + table + " (name) VALUES (:name)");
    command->Prepare();
    EXPECT_TRUE(command->Prepared());
    EXPECT_TRUE(connection->Connected());
    EXPECT_EQ(connection->ConnectCount(), 1);
    command->ParamByName("name")->SetAsString("prepared");
    command->Execute();
    EXPECT_EQ(connection->ConnectCount(), 1);
    command->UnPrepare();
    EXPECT_EQ(connection->ConnectCount(), 0);
    EXPECT_FALSE(connection->Connected()) << "the disconnected mode lets go after the last use";
    EXPECT_EQ(Rows(), "1=prepared;");
}

TEST_F(MyCommandTest, DisconnectUnprepares) {
    command->SetSQL("INSERT INTO " + table + " (name) VALUES ('x')");
    command->Prepare();
    ASSERT_TRUE(command->Prepared());
    connection->Disconnect();
    EXPECT_FALSE(command->Prepared());
    EXPECT_EQ(connection->ConnectCount(), 0);
    command->Execute();
    EXPECT_EQ(Rows(), "1=x;");
}

// A connection that offers no transaction.
class NoTransactionConnection : public TMyConnection {
public:
    TDATransaction* CurrentTransaction() const override { return nullptr; }
};

TEST_F(MyCommandTest, MissingTransactionReleasesTheUse) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    NoTransactionConnection bare;
    bare.SetServer(settings.host);
    bare.SetUsername(settings.user);
    bare.SetPassword(settings.password);
    bare.SetPort(static_cast<int>(settings.port));
    bare.SetDatabase(settings.database);
    bare.SetLoginPrompt(false);
    bare.Options().SetDirect(false);
    TMyCommand orphan;
    orphan.SetConnection(&bare);
    orphan.SetSQL("DO 1");
    EXPECT_EQ(ErrorMessageOf([&] { orphan.Execute(); }), "Transaction not assigned");
    EXPECT_EQ(bare.ConnectCount(), 0);
}

TEST_F(MyCommandTest, OneShotExecution) {
    command->ExecuteSQLOnce("INSERT INTO " + table + " VALUES (:id, :name)", {5, "five"});
    command->ExecuteSQLNamedOnce("INSERT INTO " + table + " VALUES (:id, :name)", {"name", "six", "id", 6});
    EXPECT_EQ(Rows(), "5=five;6=six;");
    EXPECT_EQ(ErrorMessageOf([&] {
                  command->ExecuteSQLNamedOnce("DO :a", {"a", 1, "b"});
              }),
              "Invalid Params array. Valid format: <Name1>,<Value1>[,<Name2>,<Value2>[...]]");

    command->ExecuteProcOnce(proc, {21, "proc"});
    EXPECT_EQ(command->StoredProcName(), proc);
    EXPECT_EQ(command->ParamCount(), 2);
    command->ExecuteProcOnce(proc, {22});
    command->ExecuteProcNamedOnce(proc, {"n", "named", "a", 23});
    EXPECT_EQ(Rows(), "5=five;6=six;21=proc;22=none;23=named;");
    connection->ExecuteSQL("INSERT INTO " + table + " VALUES (:id, :name)", {30, "via connection"});
    connection->ExecuteProc(proc, {31, "proc via connection"});
    EXPECT_EQ(raw->Scalar("SELECT GROUP_CONCAT(name ORDER BY id) FROM " + table + " WHERE id >= 30"),
              "via connection,proc via connection");
    EXPECT_EQ(connection->ConnectCount(), 0);
}

} // namespace
} // namespace components
