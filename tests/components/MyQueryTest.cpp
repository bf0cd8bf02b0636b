#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "platform/data/DataError.h"
#include "platform/data/FieldClasses.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(MyQueryDefaultsTest, FreshQueryHasTheDocumentedDefaults) {
    TMyQuery query;
    EXPECT_TRUE(query.FetchAll());
    EXPECT_FALSE(query.UniDirectional());
    EXPECT_EQ(query.FetchRows(), 25);
    EXPECT_EQ(query.CommandTimeout(), 0);
    EXPECT_EQ(query.RowsAffected(), -1);
    const TMyDataSetOptions& options = query.Options();
    EXPECT_FALSE(options.RequiredFields());
    EXPECT_TRUE(options.LongStrings());
    EXPECT_TRUE(options.FieldsOrigin());
    EXPECT_TRUE(options.NullForZeroDate());
    EXPECT_TRUE(options.EnableBoolean());
    EXPECT_TRUE(options.BinaryAsString());
    EXPECT_TRUE(options.CreateConnection());
    EXPECT_FALSE(options.FieldsAsString());
}

TEST(MyQueryDefaultsTest, FetchSettingsExcludeEachOther) {
    TMyQuery query;
    query.SetUniDirectional(true);
    EXPECT_FALSE(query.FetchAll());
    query.SetFetchAll(true);
    EXPECT_FALSE(query.UniDirectional());
}

TEST(MyQueryDefaultsTest, FetchRowsOutsideTheRangeIsRefused) {
    TMyQuery query;
    for (int value : {0, 10001, -5})
        EXPECT_EQ(ErrorMessageOf([&] { query.SetFetchRows(value); }), "FetchRows must be 1..10000") << value;
    for (int value : {1, 10000}) {
        query.SetFetchRows(value);
        EXPECT_EQ(query.FetchRows(), value);
    }
}

TEST(MyQueryDefaultsTest, WithoutConnectionOpenAndExecuteRefuse) {
    TMyQuery query;
    query.SetSQL("SELECT 1");
    EXPECT_EQ(ErrorMessageOf([&] { query.Execute(); }), "Connection is not defined");
    EXPECT_EQ(ErrorMessageOf([&] { query.Open(); }), "Connection is not defined");
}

// A query over a table of its own (id auto-increment, name, flag TINYINT(1), d DATE).
class MyQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        const std::string suffix = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        table = "MyQueryTest_" + suffix;
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table);
        raw->Execute("CREATE TABLE " + table +
                     " (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20), flag TINYINT(1), d DATE)");
        raw->Execute("SET SESSION sql_mode = ''");
        raw->Execute(
            "INSERT INTO " + table +
            " (name, flag, d) VALUES ('', 1, '0000-00-00'), (NULL, 0, '2024-02-29'), ('c', NULL, NULL)");
        connection = NewConnection(settings);
        query = std::make_unique<TMyQuery>();
        query->SetConnection(connection.get());
    }

    void TearDown() override {
        query.reset();
        connection.reset();
        if (raw) raw->Execute("DROP TABLE IF EXISTS " + table);
    }

    void Run(const std::string& sql) {
        query->SetSQL(sql);
        query->Execute();
    }

    // The session a fully read query runs in: the connection's own.
    int64_t SessionOfQuery() {
        const bool fetchAll = query->FetchAll();
        query->SetFetchAll(true);
        Run("SELECT CONNECTION_ID()");
        const int64_t id = query->Fields()[0]->AsLargeInt();
        query->Close();
        query->SetFetchAll(fetchAll);
        return id;
    }

    // Whether the server lets go of a session within a second (a kill takes effect asynchronously).
    bool SessionEnds(unsigned long id) {
        for (int i = 0; i < 50; ++i) {
            const auto ids = raw->SessionIds();
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string table;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyQuery> query;
};

TEST_F(MyQueryTest, SelectOpensWithAllRows) {
    Run("SELECT id, name FROM " + table + " ORDER BY id");
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->RowsAffected(), -1);
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(query->FieldCount(), 2);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 1);
    query->Last();
    EXPECT_EQ(query->FieldByName("name")->AsString(), "c");
}

// The added condition is bracketed: unbracketed, "OR id = 1" would bring back the first row.
TEST_F(MyQueryTest, FilterSQLNarrowsTheWhereClause) {
    query->SetFilterSQL("id = 3 OR id = 1");
    Run("SELECT id FROM " + table + " WHERE id > 1 ORDER BY id");
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->RecordCount(), 1);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 3);
}

TEST_F(MyQueryTest, StatementsWithoutRowsLeaveTheQueryClosed) {
    Run("UPDATE " + table + " SET name = 'x'");
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->RowsAffected(), 3);
    Run("INSERT INTO " + table + " (name) VALUES ('new')");
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->RowsAffected(), 1);
    EXPECT_EQ(query->LastInsertId(), 4);
    Run("CREATE TEMPORARY TABLE MyQueryTest_tmp (a INT)");
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->RowsAffected(), 0);
    // The temporary table lives in the connection's session, where the next statement runs.
    Run("SELECT COUNT(*) FROM MyQueryTest_tmp");
    EXPECT_EQ(query->Fields()[0]->AsInteger(), 0);
}

TEST_F(MyQueryTest, AfterExecuteReportsTheOutcome) {
    std::vector<bool> results;
    query->AfterExecute = [&](TCustomDADataSet*, bool result) { results.push_back(result); };
    Run("UPDATE " + table + " SET flag = 0");
    EXPECT_EQ(query->RowsAffected(), 3);
    query->SetSQL("UPDATE no_such_table_MyQueryTest SET a = 1");
    EXPECT_NE(ErrorMessageOf([&] { query->Execute(); }).find("doesn't exist"), std::string::npos);
    EXPECT_EQ(results, (std::vector<bool>{true, false}));
    EXPECT_EQ(query->RowsAffected(), 3);
    EXPECT_FALSE(query->Active());
}

// Every statement kind, successful or not, gives back exactly the connection uses it took.
TEST_F(MyQueryTest, ConnectionUsesAreBalanced) {
    connection->Connect();
    const int before = connection->ConnectCount();
    struct Case {
        std::string sql;
        bool fails;
    };
    const std::vector<Case> cases = {
        {"SELECT id FROM " + table, false},
        {"UPDATE " + table + " SET flag = 1", false},
        {"DO 1", false},
        {"SELEC 1", true},
        {"SELECT nope FROM " + table, true},
        {"CALL no_such_proc_MyQueryTest()", true},
    };
    for (const Case& c : cases) {
        query->Close();
        query->SetSQL(c.sql);
        if (c.fails)
            EXPECT_THROW(query->Execute(), dataaccess::EMyError) << c.sql;
        else
            query->Execute();
        EXPECT_EQ(connection->ConnectCount(), before) << c.sql;
        if (!c.fails) continue;
        query->Close();
        EXPECT_THROW(query->Open(), dataaccess::EMyError) << c.sql;
        EXPECT_EQ(connection->ConnectCount(), before) << "Open " << c.sql;
    }
    query->SetSQL("SELECT id FROM " + table);
    query->Open();
    query->Close();
    EXPECT_EQ(connection->ConnectCount(), before);
}

TEST_F(MyQueryTest, ValuesKeepEmptyStringsNullsBooleansAndZeroDates) {
    Run("SELECT name, flag, d FROM " + table + " ORDER BY id");
    data::TField* name = query->FieldByName("name");
    data::TField* flag = query->FieldByName("flag");
    data::TField* d = query->FieldByName("d");
    EXPECT_NE(dynamic_cast<data::TBooleanField*>(flag), nullptr);
    EXPECT_FALSE(name->IsNull());
    EXPECT_EQ(name->AsString(), "");
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_TRUE(d->IsNull());
    query->Next();
    EXPECT_TRUE(name->IsNull());
    EXPECT_FALSE(flag->AsBoolean());
    EXPECT_FALSE(d->IsNull());
    query->Next();
    EXPECT_TRUE(flag->IsNull());
}

TEST_F(MyQueryTest, FieldsAsStringMakesStringFieldsAndIsRefusedWhileOpen) {
    query->Options().SetFieldsAsString(true);
    Run("SELECT id FROM " + table + " ORDER BY id");
    data::TField* id = query->FieldByName("id");
    EXPECT_EQ(id->DataType(), data::ftString);
    EXPECT_EQ(id->AsString(), "1");
    EXPECT_EQ(ErrorMessageOf([&] { query->Options().SetFieldsAsString(false); }),
              "Cannot perform this operation on an open dataset");
    query->Close();
    query->Options().SetFieldsAsString(false);
    query->Open();
    EXPECT_EQ(query->FieldByName("id")->DataType(), data::ftInteger);
}

TEST_F(MyQueryTest, FieldDescriptorGivesTheMySQLTypeAndFlags) {
    Run("SELECT id, name FROM " + table);
    auto* id = dynamic_cast<dataaccess::TMySQLFieldDesc*>(query->GetFieldDesc(query->FieldByName("id")));
    auto* name = dynamic_cast<dataaccess::TMySQLFieldDesc*>(query->GetFieldDesc(query->FieldByName("name")));
    ASSERT_NE(id, nullptr);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(id->MySQLType, 3); // LONG
    EXPECT_TRUE(id->IsPrimaryKey);
    EXPECT_TRUE(id->IsAutoIncrement);
    EXPECT_EQ(name->MySQLType, 253); // VAR_STRING
    EXPECT_FALSE(name->IsPrimaryKey);
    EXPECT_EQ(query->FieldByName("id")->Origin(), table + ".id");
}

TEST_F(MyQueryTest, OpenWithoutLinesRefusesAndEmptyTextGoesToTheServer) {
    EXPECT_EQ(ErrorMessageOf([&] { query->Open(); }), "No SQL statement provided");
    int code = 0;
    connection->OnError = [&](data::TComponent*, dataaccess::EDAError& e, bool&) { code = e.ErrorCode(); };
    query->SetSQL("   ");
    EXPECT_THROW(query->Execute(), dataaccess::EMyError);
    EXPECT_EQ(code, 1065);
}

TEST_F(MyQueryTest, MultiStatementTextOpensOnTheResultWithRows) {
    raw->Execute("DROP PROCEDURE IF EXISTS " + table + "_p");
    raw->Execute("CREATE PROCEDURE " + table + "_p() BEGIN UPDATE " + table +
                 " SET flag = 1; SELECT COUNT(*) AS n FROM " + table + " WHERE flag = 1; END");
    Run("CALL " + table + "_p()");
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->FieldByName("n")->AsInteger(), 3);
    query->Close();
    Run("DO 1; SELECT 7 AS seven");
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->FieldByName("seven")->AsInteger(), 7);
    raw->Execute("DROP PROCEDURE IF EXISTS " + table + "_p");
}

TEST_F(MyQueryTest, UniDirectionalReadsForwardInTheConnectionsSession) {
    raw->Execute("INSERT INTO " + table + " (name) SELECT CONCAT('n', seq) FROM seq_1_to_60");
    query->SetUniDirectional(true);
    query->Options().SetCreateConnection(false);
    query->SetFetchRows(10);
    connection->ExecuteSQL("SET @MyQueryTest_v = 42");
    Run("SELECT id, @MyQueryTest_v AS v, CONNECTION_ID() AS cid FROM " + table + " ORDER BY id");
    ASSERT_TRUE(query->Active());
    EXPECT_FALSE(query->FetchAll());
    EXPECT_EQ(query->FieldByName("v")->AsInteger(), 42);
    int rows = 1;
    int64_t last = query->FieldByName("id")->AsInteger();
    for (query->Next(); !query->Eof(); query->Next()) {
        EXPECT_GT(query->FieldByName("id")->AsInteger(), last);
        last = query->FieldByName("id")->AsInteger();
        ++rows;
    }
    EXPECT_EQ(rows, 63);
    // Only the block being read is kept: moving back reports the beginning.
    query->Prior();
    query->Prior();
    EXPECT_TRUE(query->Bof());
    query->Close();
    // The session the query used is the connection's own.
    query->SetUniDirectional(false);
    Run("SELECT CONNECTION_ID()");
    const int64_t own = query->Fields()[0]->AsLargeInt();
    query->Close();
    query->SetUniDirectional(true);
    Run("SELECT CONNECTION_ID()");
    EXPECT_EQ(query->Fields()[0]->AsLargeInt(), own);
}

// Reading on demand over a second session: a close with rows unread kills that session, and
// reopening and refreshing after it work on a fresh one while the connection's own stays.
TEST_F(MyQueryTest, FetchSessionSurvivesReopenAndRefresh) {
    raw->Execute("INSERT INTO " + table + " (name) SELECT CONCAT('n', seq) FROM seq_1_to_200");
    const int64_t own = SessionOfQuery();
    query->SetFetchAll(false);
    query->SetFetchRows(10);
    query->SetSQL("SELECT id, CONNECTION_ID() AS cid FROM " + table + " ORDER BY id");
    query->Open();
    const auto first = static_cast<unsigned long>(query->FieldByName("cid")->AsLargeInt());
    EXPECT_NE(first, static_cast<unsigned long>(own));
    query->Close();
    EXPECT_TRUE(SessionEnds(first));
    query->Open();
    query->Next();
    query->Refresh();
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 2); // the current record is kept
    EXPECT_NE(query->FieldByName("cid")->AsLargeInt(), own);
    int rows = 0;
    for (; !query->Eof(); query->Next())
        ++rows;
    EXPECT_EQ(rows, 202);
    query->Close();
    EXPECT_EQ(SessionOfQuery(), own);
}

// Asked for one session, a query reading on demand never opens another: the server runs the
// statement, its rows still unread, in the connection's own session only.
TEST_F(MyQueryTest, WithoutCreateConnectionRowsComeOverTheOwnSession) {
    const int64_t own = SessionOfQuery();
    query->SetFetchAll(false);
    query->Options().SetCreateConnection(false);
    query->SetFetchRows(10);
    // Far more than the socket buffers hold: the server keeps writing while the query is open.
    const std::string marker = table + "_marker";
    query->SetSQL("SELECT seq, REPEAT('x', 1000) AS pad, '" + marker + "' AS m FROM seq_1_to_20000");
    query->Open();
    const auto sessions = raw->Query("SELECT ID FROM information_schema.PROCESSLIST WHERE INFO LIKE '%" +
                                     marker + "%' AND ID <> CONNECTION_ID()");
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0][0], std::to_string(own));
    query->Close();
    EXPECT_EQ(SessionOfQuery(), own);
}

TEST_F(MyQueryTest, ExecuteWhileExecutingRaises) {
    query->SetSQL("SELECT SLEEP(1)");
    std::thread worker([&] { query->Execute(); });
    while (!query->Executing())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string error = ErrorMessageOf([&] { query->Execute(); });
    worker.join();
    EXPECT_EQ(error, "Cannot execute a statement that is still executing");
    EXPECT_TRUE(query->Active());
}

TEST_F(MyQueryTest, StringAndMemoFieldsComeFromTheDefaultClassTable) {
    struct WideString : data::TStringField {
        using TStringField::TStringField;
    };
    struct WideMemo : data::TMemoField {
        using TMemoField::TMemoField;
    };
    const data::TFieldClass oldString = data::DefaultFieldClass(data::ftString);
    const data::TFieldClass oldMemo = data::DefaultFieldClass(data::ftMemo);
    data::SetDefaultFieldClass(data::ftString, &data::FieldClassOf<WideString>);
    data::SetDefaultFieldClass(data::ftMemo, &data::FieldClassOf<WideMemo>);
    try {
        Run("SELECT name, CAST(name AS CHAR(70000)) AS memo FROM " + table + " ORDER BY id");
    } catch (...) {
        data::SetDefaultFieldClass(data::ftString, oldString);
        data::SetDefaultFieldClass(data::ftMemo, oldMemo);
        throw;
    }
    data::SetDefaultFieldClass(data::ftString, oldString);
    data::SetDefaultFieldClass(data::ftMemo, oldMemo);
    EXPECT_NE(dynamic_cast<WideString*>(query->FieldByName("name")), nullptr);
    EXPECT_NE(dynamic_cast<WideMemo*>(query->FieldByName("memo")), nullptr);
}

} // namespace
} // namespace components
