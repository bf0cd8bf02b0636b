#include "dataaccess/DirectSwitch.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataTypes.h"
#include "dataaccess/TestConnection.h"
#include "platform/rtl/Threads.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;

using testing::ConnectTestConnection;

// A record set on its own connection; reads on the main connection unless a test asks otherwise.
struct Fixture {
    explicit Fixture(const testsupport::ServerSettings& s, bool useUnicode = false)
        : connection(ConnectTestConnection(s, useUnicode)), recordSet(std::make_unique<TMySQLRecordset>()) {
        recordSet->SetConnection(connection.get());
        recordSet->SetProp(prCreateConnection, false);
    }
    TMySQLRecordset& rs() { return *recordSet; }
    // As the data set does when its SQL changes.
    void SetSQL(const std::string& sql) {
        rs().SetSQL(sql);
        rs().ResetForNewSQL();
    }
    void Open(const std::string& sql) {
        SetSQL(sql);
        rs().Open();
    }
    // Every row's values, all rows fetched.
    std::vector<std::vector<rtl::Variant>> Rows() {
        rs().FetchAll();
        std::vector<std::vector<rtl::Variant>> rows;
        for (PItemHeader item = rs().FirstItem(); item; item = item->Next) {
            void* record = TBlockManager::ItemRecord(item);
            std::vector<rtl::Variant> row;
            for (int i = 1; i <= rs().FieldCount(); ++i)
                row.push_back(rs().IsFieldNull(i, record) ? rtl::Variant::Null()
                                                          : rs().ReadFieldAsVariant(i, record));
            rows.push_back(std::move(row));
        }
        return rows;
    }
    std::vector<std::string> FirstColumn() {
        std::vector<std::string> values;
        for (const auto& row : Rows())
            values.push_back(row[0].AsString());
        return values;
    }
    void Close() {
        rs().Close();
        rs().Unprepare();
    }

    std::unique_ptr<TMySQLConnection> connection;
    std::unique_ptr<TMySQLRecordset> recordSet;
};

// ---- Results of multi-statement texts

TEST(MySQLRecordsetTest, ShowsTheRowsOfTheFirstStatementThatHasRows) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.Open("SET @rs_a = 1; SELECT @rs_a + 1 AS v UNION ALL SELECT 7; SET @rs_b = 2");
    EXPECT_EQ(f.rs().FieldDescByName("v").FieldName, "v");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("2", "7"));
    f.rs().DrainResults();
    EXPECT_EQ(f.rs().OpenNextState(), onNoMoreResults);
    f.Close();
    // Every statement ran and the session is in sync again.
    f.Open("SELECT @rs_b");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("2"));
}

TEST(MySQLRecordsetTest, DrainResultsReadsEveryFurtherResult) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.Open("SELECT 1; SELECT 2; SELECT 3");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("1"));
    EXPECT_EQ(f.rs().OpenNextState(), onMoreResults);
    rtl::Variant more;
    f.rs().GetProp(prHasMoreResults, more);
    EXPECT_TRUE(more.AsBoolean());
    f.rs().DrainResults();
    EXPECT_EQ(f.rs().OpenNextState(), onNoMoreResults);
    EXPECT_EQ(f.rs().MyCommand().SQLResult(), nullptr);
    f.Close();
    f.Open("SELECT 4");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("4"));
}

TEST(MySQLRecordsetTest, StatementsWithoutRows) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.rs().SetSQL("SET @rs_c = 1");
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { f.rs().Open(); }),
              "Query must return exactly result set - use Execute");

    // Executing a data change reports its count and no error (the end of the results reads as -1).
    Fixture g(settings);
    g.rs().SetSQL("CREATE TEMPORARY TABLE rs_ins (a INT)");
    g.rs().ExecCommand();
    g.rs().SetSQL("INSERT INTO rs_ins VALUES (1), (2)");
    EXPECT_NO_THROW(g.rs().ExecCommand());
    EXPECT_EQ(g.rs().CommandType(), ctStatement);
    EXPECT_EQ(g.rs().MyCommand().RowsAffected(), 2);
    EXPECT_EQ(g.rs().OpenNextState(), onNoMoreResults);
}

TEST(MySQLRecordsetTest, ProbeDescribesWithoutRowsAndRestoresTheSQL) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.rs().SetSQL("CREATE TEMPORARY TABLE rs_probe (a INT, b VARCHAR(5))");
    f.rs().ExecCommand();
    f.rs().SetSQL("INSERT INTO rs_probe VALUES (1, 'x'), (2, 'y')");
    f.rs().ExecCommand();

    for (const std::string sql :
         {"SELECT a, b FROM rs_probe LIMIT 10", "SELECT a, b FROM rs_probe",
          "SELECT a, b FROM rs_probe FOR UPDATE", "SELECT a, b FROM rs_probe; SELECT 1"}) {
        SCOPED_TRACE(sql);
        std::vector<std::string> traced;
        f.rs().MyCommand().OnTrace = [&](const std::string& text) { traced.push_back(text); };
        f.SetSQL(sql);
        f.rs().InitFields();
        ASSERT_EQ(f.rs().FieldCount(), 2);
        EXPECT_EQ(f.rs().Fields().Items(1).FieldName, "b");
        EXPECT_EQ(f.rs().MyCommand().SQL(), sql);
        EXPECT_EQ(f.rs().MyCommand().GetCursorState(), csInactive);
        ASSERT_EQ(traced.size(), 1u);
        EXPECT_NE(traced[0].find("LIMIT 0"), std::string::npos) << traced[0];
        f.rs().MyCommand().OnTrace = nullptr;
        f.rs().Open();
        EXPECT_EQ(f.Rows().size(), 2u);
        f.Close();
    }

    // Statements that change data are not run to be described.
    f.SetSQL("UPDATE rs_probe SET a = a + 1");
    f.rs().InitFields();
    EXPECT_EQ(f.rs().FieldCount(), 0);
    f.Open("SELECT SUM(a) FROM rs_probe");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("3"));
}

TEST(MySQLRecordsetTest, UniDirectionalReadingReusesOneBlock) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.rs().SetProp(prUniDirectional, true);
    f.rs().SetSQL("SELECT seq FROM seq_1_to_60");
    f.rs().Open();
    const PItemHeader first = f.rs().FirstItem();
    std::vector<PItemHeader> blockStarts = {first};
    int count = 0, last = 0;
    for (;;) {
        f.rs().GetNextRecord(nullptr);
        if (!f.rs().CurrentItem()) break;
        ++count;
        last = static_cast<int>(
            f.rs().ReadFieldAsVariant(1, TBlockManager::ItemRecord(f.rs().CurrentItem())).AsInt64());
        if (f.rs().FirstItem() != blockStarts.back()) blockStarts.push_back(f.rs().FirstItem());
        EXPECT_LE(f.rs().GetRecordCount(), 25);
    }
    EXPECT_EQ(count, 60);
    EXPECT_EQ(last, 60);
    // Three blocks were read, each into the items of the first.
    EXPECT_EQ(std::count(blockStarts.begin(), blockStarts.end(), first), 1);
    EXPECT_EQ(blockStarts.size(), 1u);
}

TEST(MySQLRecordsetTest, ShowProcesslistTextsGetThreeTimesTheRoom) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    // The lengths as the server reports them.
    TMySQLCommand probe;
    probe.SetConnection(f.connection.get());
    probe.SetRequestResultSet(true);
    probe.SetSQL("SHOW PROCESSLIST");
    probe.Execute();
    TMySQLAPI& api = *f.connection->API();
    std::vector<uint32_t> reported;
    for (unsigned int i = 0; i < api.mysql_num_fields(probe.SQLResult()); ++i) {
        TMYSQL_FIELD column;
        api.ReadFieldDesc(probe.SQLResult(), i, false, column);
        reported.push_back(column.Length);
    }
    while (api.FetchRow(probe.SQLResult())) {
    }
    api.mysql_free_result(probe.SQLResult());
    probe.SetSQLResult(nullptr);

    f.Open("SHOW PROCESSLIST");
    const TFieldDesc& command = f.rs().FieldDescByName("Command");
    const TFieldDesc& state = f.rs().FieldDescByName("State");
    EXPECT_EQ(command.ValueLength, 3 * reported[static_cast<size_t>(command.ServerNumber)]);
    EXPECT_EQ(state.ValueLength, 3 * reported[static_cast<size_t>(state.ServerNumber)]);
    EXPECT_EQ(f.rs().FieldDescByName("Id").ValueLength, reported[0]);
    EXPECT_FALSE(f.Rows().empty());
}

TEST(MySQLRecordsetTest, LongColumnTypeTextsLoadWhole) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    const std::string x(150, 'x'), y(150, 'y');
    const std::string type = "enum('" + x + "','" + y + "')";
    f.SetSQL("CREATE TEMPORARY TABLE rs_cols (a " + type + ", b INT)");
    f.rs().ExecCommand();
    for (const std::string sql : {"SHOW COLUMNS FROM rs_cols", "DESC rs_cols"}) {
        SCOPED_TRACE(sql);
        f.Open(sql);
        const auto rows = f.Rows();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0][1].AsString(), type);
        f.Close();
    }
}

TEST(MySQLRecordsetTest, LongRoutineTextsLoadWhole) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession raw(settings, settings.database);
    std::string body = "BEGIN\n";
    for (int i = 0; i < 200; ++i)
        body += "  SET @rs_long_" + std::to_string(i) + " = " + std::to_string(i) + "; -- padding padding\n";
    body += "END";
    raw.Execute("DROP PROCEDURE IF EXISTS rs_long");
    raw.Execute("CREATE PROCEDURE rs_long() " + body);
    Fixture f(settings);
    f.Open("SHOW CREATE PROCEDURE rs_long");
    const auto rows = f.Rows();
    ASSERT_EQ(rows.size(), 1u);
    const std::string text = rows[0][2].AsString();
    EXPECT_GT(text.size(), 8000u);
    EXPECT_NE(text.find("@rs_long_199"), std::string::npos);
    EXPECT_TRUE(text.ends_with("END"));
    f.Close();
    raw.Execute("DROP PROCEDURE rs_long");
}

TEST(MySQLRecordsetTest, RoutineCallReadsOutputParameters) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession raw(settings, settings.database);
    raw.Execute("DROP PROCEDURE IF EXISTS rs_out");
    raw.Execute("CREATE PROCEDURE rs_out(IN a INT, OUT b DATE, INOUT c VARCHAR(10)) "
                "BEGIN SET b = '2020-01-02'; SET c = CONCAT(c, a); END");
    Fixture f(settings);
    TMySQLCommand& command = f.rs().MyCommand();
    command.SetProp(prIsStoredProc, true);
    command.CreateProcCall("rs_out", true);
    ASSERT_EQ(command.ParamCount(), 3);
    command.GetParam(0)->SetValue(5);
    command.GetParam(2)->SetValue(std::string("x"));
    f.rs().Open();
    f.rs().FetchAll();
    EXPECT_EQ(f.rs().GetRecordCount(), 1);
    EXPECT_EQ(command.GetParam(1)->GetValue().AsDateTime(), rtl::EncodeDate(2020, 1, 2));
    EXPECT_EQ(command.GetParam(2)->GetValue().AsString(), "x5");
    EXPECT_TRUE(command.CanReadParams());
    f.Close();
    raw.Execute("DROP PROCEDURE rs_out");
}

TEST(MySQLRecordsetTest, FetchConnectionIsKilledWhenClosedEarly) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession raw(settings);
    Fixture f(settings);
    f.rs().SetProp(prCreateConnection, true);
    const auto before = raw.SessionIds();
    f.rs().SetSQL("SELECT seq FROM seq_1_to_5000");
    f.rs().Open();
    TMySQLConnection* fetch = f.rs().FetchConnection();
    ASSERT_NE(fetch, nullptr);
    ASSERT_NE(fetch, f.connection.get());
    const auto fetchId = fetch->API()->mysql_thread_id(fetch->Handle());
    auto during = raw.SessionIds();
    EXPECT_NE(std::find(during.begin(), during.end(), fetchId), during.end());
    // A session of its own (other tests open sessions in parallel, so counts prove nothing).
    EXPECT_EQ(std::find(before.begin(), before.end(), fetchId), before.end());

    f.rs().Close();
    EXPECT_EQ(f.rs().FetchConnection(), nullptr);
    EXPECT_EQ(f.rs().MyCommand().MyConnection(), f.connection.get());
    for (int i = 0; i < 50; ++i) {
        during = raw.SessionIds();
        if (std::find(during.begin(), during.end(), fetchId) == during.end()) break;
        rtl::Sleep(20);
    }
    EXPECT_EQ(std::find(during.begin(), during.end(), fetchId), during.end());
    // The main connection is untouched.
    f.Open("SELECT 9");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("9"));
}

// The data set binds its connection again on every use (a refresh too): that keeps the fetch
// session; another connection ends it, as the session belongs to the old one.
TEST(MySQLRecordsetTest, BindingConnectionsWhileReadingOverTheFetchSession) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto other = ConnectTestConnection(settings);
    Fixture f(settings);
    f.rs().SetProp(prCreateConnection, true);
    f.Open("SELECT seq FROM seq_1_to_1000");
    TMySQLConnection* fetch = f.rs().FetchConnection();
    ASSERT_NE(fetch, nullptr);
    f.rs().SetConnection(f.connection.get());
    EXPECT_EQ(f.rs().FetchConnection(), fetch);
    EXPECT_EQ(f.rs().MyCommand().MyConnection(), fetch);
    EXPECT_EQ(f.Rows().size(), 1000u);
    f.Close();

    f.Open("SELECT seq FROM seq_1_to_1000");
    ASSERT_NE(f.rs().FetchConnection(), nullptr);
    f.rs().SetConnection(other.get());
    EXPECT_EQ(f.rs().FetchConnection(), nullptr);
    EXPECT_EQ(f.rs().MyCommand().MyConnection(), other.get());
    f.Close();
    f.Open("SELECT 9");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("9"));
    // Both sessions stay usable.
    f.Close();
    f.rs().SetConnection(f.connection.get());
    f.Open("SELECT 8");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("8"));
}

TEST(MySQLRecordsetTest, FetchConnectionComesFromTheProviderAndGoesBackMarked) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    auto spare = std::make_unique<TMySQLConnection>();
    spare->CopySettings(*f.connection);
    std::vector<std::pair<TMySQLConnection*, bool>> returned;
    f.connection->OnGetFetchConnection = [&] { return spare.get(); };
    f.connection->OnReleaseFetchConnection = [&](TMySQLConnection* c) {
        returned.emplace_back(c, c->IsValid());
    };
    f.rs().SetProp(prCreateConnection, true);

    f.Open("SELECT seq FROM seq_1_to_10"); // read to the end: handed back valid
    EXPECT_EQ(f.Rows().size(), 10u);
    ASSERT_EQ(returned.size(), 1u);
    EXPECT_EQ(returned[0], std::make_pair(spare.get(), true));
    f.Close();

    spare->Disconnect();
    f.Open("SELECT seq FROM seq_1_to_1000"); // closed early: killed, handed back invalid
    f.rs().Close();
    ASSERT_EQ(returned.size(), 2u);
    EXPECT_EQ(returned[1], std::make_pair(spare.get(), false));
}

TEST(MySQLRecordsetTest, PreparedStatementsReadTheSameValues) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.SetSQL("SELECT :p + 1 AS v, REPEAT('x', 1000) AS long_text, NULL AS n, "
             "CAST('2024-01-02 03:04:05' AS DATETIME) AS dt, -2.5 AS d FROM seq_1_to_30");
    TMySQLCommand& command = f.rs().MyCommand();
    ASSERT_EQ(command.ParamCount(), 1);
    command.GetParam(0)->SetDataType(dtInt32);
    command.GetParam(0)->SetValue(41);
    f.rs().Prepare();
    ASSERT_TRUE(command.GetPrepared());
    EXPECT_EQ(f.rs().FieldCount(), 5);
    for (int run : {41, 9}) {
        command.GetParam(0)->SetValue(run);
        f.rs().Open();
        const auto rows = f.Rows();
        ASSERT_EQ(rows.size(), 30u);
        EXPECT_EQ(rows[29][0].AsInt64(), run + 1);
        EXPECT_EQ(rows[0][1].AsString(), std::string(1000, 'x'));
        EXPECT_TRUE(rows[0][2].IsNull());
        EXPECT_EQ(rows[0][3].AsDateTime(), rtl::EncodeDate(2024, 1, 2) + rtl::EncodeTime(3, 4, 5, 0));
        EXPECT_DOUBLE_EQ(rows[0][4].AsDouble(), -2.5);
        EXPECT_TRUE(f.rs().IsFetchComplete());
        f.rs().Close();
    }
    f.rs().Unprepare();
    EXPECT_FALSE(command.GetPrepared());

    // Freed while prepared and in the middle of a result.
    f.SetSQL("SELECT seq FROM seq_1_to_100");
    f.rs().Prepare();
    f.rs().Open();
    f.recordSet.reset();
}

// Closing drains the results of a record set that fetches all; the prepared statement's column
// description must not be dropped unfreed there (the leak checker sees it).
TEST(MySQLRecordsetTest, APreparedRecordSetThatFetchesAllOpensAgainAfterClose) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.rs().SetProp(prFetchAll, true);
    f.SetSQL("SELECT seq, CONCAT('row ', seq) AS name FROM seq_1_to_20");
    f.rs().Prepare();
    for (int run = 0; run < 2; ++run) {
        f.rs().Open();
        const auto rows = f.Rows();
        ASSERT_EQ(rows.size(), 20u) << run;
        EXPECT_EQ(rows[19][1].AsString(), "row 20") << run;
        f.rs().Close();
        EXPECT_EQ(f.rs().MyCommand().SQLResult(), nullptr) << run;
    }
    f.Close();
}

TEST(MySQLRecordsetTest, ABrokenFetchStopsTheRestOfTheResultOnTheServer) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.Open("SET @rs_kept = 5; SELECT a.seq FROM seq_1_to_100000 a, seq_1_to_100000 b");
    EXPECT_EQ(f.rs().GetRecordCount(), 25);
    f.rs().BreakFetch();
    const uint64_t start = rtl::GetTickCount();
    f.rs().Close();
    EXPECT_LT(rtl::GetTickCount() - start, 3000u);
    f.Open("SELECT @rs_kept");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("5"));
}

TEST(MySQLRecordsetTest, AFreedRecordSetLeavesItsSessionInStep) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.Open("SELECT seq FROM seq_1_to_100; SELECT 2; SELECT 3");
    EXPECT_EQ(f.rs().GetRecordCount(), 25);
    f.recordSet = std::make_unique<TMySQLRecordset>();
    f.recordSet->SetConnection(f.connection.get());
    f.recordSet->SetProp(prCreateConnection, false);
    f.Open("SELECT 4");
    EXPECT_THAT(f.FirstColumn(), ElementsAre("4"));
}

} // namespace
} // namespace dataaccess
