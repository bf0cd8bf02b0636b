#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "platform/data/DataLink.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace components {
namespace {

using testsupport::ErrorMessageOf;
using testsupport::RawSession;
using testsupport::ServerSettings;

using testing::NewConnection;

TEST(DADataSetTextTest, FinalTextKeepsMacroAndParameterTextWhenChecksAreOff) {
    TMyQuery query;
    query.SetSQL("SELECT flags&mask, :p FROM f \r\n\t ");
    EXPECT_EQ(query.Macros().Count(), 1);
    EXPECT_EQ(query.FinalSQL(), "SELECT flags, :p FROM f");
    query.SetMacroCheck(false);
    query.SetParamCheck(false);
    EXPECT_EQ(query.Macros().Count(), 0);
    EXPECT_EQ(query.FinalSQL(), "SELECT flags&mask, :p FROM f");
}

TEST(DADataSetTextTest, FilterSQLIsStoredWithoutSurroundingBlanks) {
    TMyQuery query;
    query.SetFilterSQL("  a = 1 \n");
    EXPECT_EQ(query.FilterSQL(), "a = 1");
}

TEST(DADataSetTextTest, UpdateStatementsExistForTheEditingTypes) {
    TMyQuery query;
    for (TStatementType type : {stInsert, stUpdate, stDelete, stLock, stRefresh})
        EXPECT_NE(query.GetUpdateSQL(type), nullptr) << static_cast<int>(type);
    for (TStatementType type : {stQuery, stCustom, stBatchUpdate})
        EXPECT_EQ(query.GetUpdateSQL(type), nullptr) << static_cast<int>(type);
    rtl::TStringList lines;
    lines.SetText("UPDATE t SET a = &value");
    query.SetUpdateSQL(stUpdate, lines);
    EXPECT_NE(query.Macros().FindMacro("value"), nullptr);
}

// A query over 63 rows of a table of its own.
class DADataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        const std::string suffix = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        table = "DADataSetTest_" + suffix;
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table);
        raw->Execute("CREATE TABLE " + table + " (id INT PRIMARY KEY)");
        raw->Execute("INSERT INTO " + table + " SELECT seq FROM seq_1_to_63");
        connection = NewConnection(settings);
        query = std::make_unique<TMyQuery>();
        query->SetConnection(connection.get());
        query->SetSQL("SELECT id FROM " + table + " ORDER BY id");
    }

    void TearDown() override {
        query.reset();
        connection.reset();
        if (raw) raw->Execute("DROP TABLE IF EXISTS " + table);
    }

    std::string table;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyQuery> query;
};

// Rows still to be read hold one use of the connection; reading the last one or closing gives it
// back.
TEST_F(DADataSetTest, PendingRowsHoldTheConnectionUntilReadOrClosed) {
    query->SetFetchAll(false);
    query->SetFetchRows(10);
    query->Options().SetCreateConnection(false);
    int fetches = 0;
    query->AfterFetch = [&](TCustomDADataSet*) { ++fetches; };
    connection->Connect();
    const int base = connection->ConnectCount();
    query->Open();
    EXPECT_EQ(connection->ConnectCount(), base + 1);
    EXPECT_FALSE(query->Fetched());
    query->Close();
    EXPECT_EQ(connection->ConnectCount(), base);

    query->Open();
    query->Last();
    EXPECT_EQ(query->RecordCount(), 63);
    EXPECT_TRUE(query->Fetched());
    EXPECT_EQ(connection->ConnectCount(), base);
    EXPECT_GE(fetches, 7);
    query->Close();
    EXPECT_EQ(connection->ConnectCount(), base);
}

TEST_F(DADataSetTest, PrepareHoldsOneUseUntilUnPrepare) {
    connection->Connect();
    const int base = connection->ConnectCount();
    query->Prepare();
    EXPECT_TRUE(query->Prepared());
    EXPECT_EQ(connection->ConnectCount(), base + 1);
    query->Prepare();
    EXPECT_EQ(connection->ConnectCount(), base + 1);
    query->UnPrepare();
    EXPECT_FALSE(query->Prepared());
    EXPECT_EQ(connection->ConnectCount(), base);
}

TEST_F(DADataSetTest, OpenOptionsAreRefusedWhileOpen) {
    query->Open();
    const std::string open = "Cannot perform this operation on an open dataset";
    EXPECT_EQ(ErrorMessageOf([&] { query->Options().SetLongStrings(false); }), open);
    EXPECT_EQ(ErrorMessageOf([&] { query->SetUniDirectional(true); }), open);
    EXPECT_EQ(ErrorMessageOf([&] { query->SetFetchRows(5); }), open);
    EXPECT_EQ(ErrorMessageOf([&] { query->Options().SetEnableBoolean(false); }), open);
}

TEST_F(DADataSetTest, RefreshReadsTheRowsAgain) {
    query->Open();
    raw->Execute("DELETE FROM " + table + " WHERE id > 3");
    query->Refresh();
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(query->RowsAffected(), -1);
}

// With CreateConnection on, a query that does not fetch all rows reads over a session of its own.
TEST_F(DADataSetTest, SecondSession) {
    connection->Connect();
    query->SetSQL("SELECT CONNECTION_ID()");
    query->Open();
    const int64_t own = query->Fields()[0]->AsLargeInt();
    query->Close();
    query->SetUniDirectional(true);
    query->Open();
    EXPECT_NE(query->Fields()[0]->AsLargeInt(), own);
}

TEST_F(DADataSetTest, ConnectionGoingFirstLeavesTheQueryUsable) {
    query->Open();
    connection.reset();
    EXPECT_EQ(query->Connection(), nullptr);
    EXPECT_EQ(ErrorMessageOf([&] { query->Execute(); }), "Connection is not defined");
}

} // namespace
} // namespace components
