#include "components/uMyConnection.h"
#include "components/uMyDataSetService.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "platform/data/FieldClasses.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using testsupport::ErrorMessageOf;
using testsupport::RawSession;

using testing::NewConnection;

// A query over tables of its own: t with an auto-increment primary key, a one-column and a
// two-column unique key and column defaults; u joined to it; w with only a two-column unique key.
class DataSetServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        const std::string suffix = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        t = "Svc_t_" + suffix;
        u = "Svc_u_" + suffix;
        w = "Svc_w_" + suffix;
        raw = std::make_unique<RawSession>(settings, settings.database);
        DropTables();
        raw->Execute(
            "CREATE TABLE " + t +
            " (id INT AUTO_INCREMENT PRIMARY KEY, code VARCHAR(10) NOT NULL UNIQUE, a INT, b INT,"
            " name VARCHAR(20) DEFAULT 'it''s', ts TIMESTAMP(3) NULL DEFAULT '2006-01-02 03:04:05.678',"
            " d DATE DEFAULT '2006-01-02', tm TIME DEFAULT '-01:30:00', y YEAR DEFAULT 2024,"
            " n INT DEFAULT 7, created TIMESTAMP(6) NOT NULL DEFAULT CURRENT_TIMESTAMP(6),"
            " UNIQUE KEY ab (a, b))");
        raw->Execute(
            "INSERT INTO " + t +
            " (code, a, b) VALUES ('c1', 1, 1), ('c2', 1, 2), ('c3', 2, 1), ('c4', 2, 2), ('c5', 3, 1)");
        raw->Execute("CREATE TABLE " + u + " (uid INT PRIMARY KEY, tid INT, label VARCHAR(10))");
        raw->Execute("INSERT INTO " + u + " VALUES (1, 1, 'one')");
        raw->Execute("CREATE TABLE " + w + " (a INT NOT NULL, b INT NOT NULL, c INT, UNIQUE KEY ab (a, b))");
        connection = NewConnection(settings);
        query = std::make_unique<TMyQuery>();
        query->SetName("Q");
        query->SetConnection(connection.get());
    }

    void TearDown() override {
        query.reset();
        connection.reset();
        if (raw) DropTables();
    }

    void DropTables() { raw->Execute("DROP TABLE IF EXISTS " + t + ", " + u + ", " + w); }

    TCustomMyDataSetService& Service() const {
        return static_cast<TCustomMyDataSetService&>(*query->DADataSetService());
    }

    // The server names of the key columns.
    std::vector<std::string> KeyNames(bool allTables = false) const {
        std::vector<std::string> names;
        for (const dataaccess::TFieldDesc* desc : Service().GetKeyFieldDescs(allTables))
            names.push_back(desc->ServerName);
        return names;
    }

    void Open(const std::string& sql) {
        query->Close();
        query->SetSQL(sql);
        query->Open();
    }

    std::string t, u, w;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyQuery> query;
};

// Each table entry carries the table's own name and the alias the statement gives it, however the
// tables are listed; edits go to the table, never to a table named like the alias.
TEST_F(DataSetServiceTest, UpdatingTableByNameOrAliasAndUnknownIsRefused) {
    for (const std::string& sql : {
             "SELECT x.id, v.label FROM " + t + " x, " + u + " v WHERE v.tid = x.id",
             "SELECT x.id, v.label FROM " + t + " x JOIN " + u + " v ON v.tid = x.id",
             "SELECT x.id, v.label FROM " + t + " AS x LEFT OUTER JOIN " + u + " AS v ON v.tid = x.id",
         }) {
        SCOPED_TRACE(sql);
        query->SetUpdatingTable("");
        Open(sql);
        EXPECT_EQ(Service().UpdatingTableIndex(), 0);
        const dataaccess::TCRTablesInfo& tables = query->RecordSet()->TablesInfo();
        ASSERT_EQ(tables.Count(), 2);
        EXPECT_EQ(tables.Items(0)->TableName(), t);
        EXPECT_EQ(tables.Items(0)->TableAlias(), "x");
        EXPECT_EQ(tables.Items(1)->TableName(), u);
        EXPECT_EQ(tables.Items(1)->TableAlias(), "v");
        for (const std::string& name : {u, std::string("v")}) {
            query->Close();
            query->SetUpdatingTable(name);
            Open(sql);
            EXPECT_EQ(Service().UpdatingTableIndex(), 1) << name;
        }
        query->Close();
        query->SetUpdatingTable("nosuch");
        EXPECT_EQ(ErrorMessageOf([&] { Open(sql); }), "Wrong UpdatingTable value - table nosuch is unknown");
        EXPECT_FALSE(query->Active());
    }
    EXPECT_EQ(connection->ConnectCount(), 0);
}

// A table joined to itself under two aliases: two entries, and only the updating one's
// auto-increment column is the identity.
TEST_F(DataSetServiceTest, SelfJoinKeepsOneEntryPerAlias) {
    query->SetUpdatingTable("y");
    Open("SELECT x.code, y.id FROM " + t + " x JOIN " + t + " y ON y.a = x.b");
    const dataaccess::TCRTablesInfo& tables = query->RecordSet()->TablesInfo();
    ASSERT_EQ(tables.Count(), 2);
    EXPECT_EQ(Service().UpdatingTableInfo()->TableName(), t);
    EXPECT_EQ(Service().UpdatingTableInfo()->TableAlias(), "y");
    ASSERT_NE(Service().IdentityField(), nullptr);
    EXPECT_EQ(Service().IdentityField()->FieldName, "id");
    query->Close();
    query->SetUpdatingTable("x");
    query->Open();
    EXPECT_EQ(Service().IdentityField(), nullptr);
    EXPECT_EQ(KeyNames(), std::vector<std::string>{"code"});
}

TEST_F(DataSetServiceTest, StatementWithoutTablesHasNoUpdatingTableOrIdentity) {
    Open("SELECT 1 AS one");
    EXPECT_EQ(Service().UpdatingTableIndex(), -1);
    EXPECT_EQ(Service().IdentityField(), nullptr);
    EXPECT_TRUE(KeyNames().empty());
    EXPECT_TRUE(KeyNames(true).empty());
}

// The debugger evaluates expressions with a query like this one: opening it asks the server nothing
// but the statement, whatever the options that read the statement's tables.
TEST_F(DataSetServiceTest, ExpressionSelectOpensWithOneStatement) {
    TMyQuery status;
    status.SetConnection(connection.get());
    status.SetSQL("SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS WHERE VARIABLE_NAME = "
                  "'QUESTIONS'");
    const auto questions = [&status] {
        status.Close();
        status.Open();
        return status.Fields()[0]->AsInteger();
    };
    query->Options().SetDefaultValues(true);
    query->Options().SetFieldsOrigin(true);
    query->Options().SetSetFieldsReadOnly(true);
    query->SetSQL("select (1+1) as ExpressionValue");
    const int64_t before = questions();
    query->Open();
    EXPECT_EQ(query->Fields()[0]->AsInteger(), 2);
    EXPECT_FALSE(Service().CanModify());
    EXPECT_EQ(questions() - before, 2) << "the expression and the second status question";
}

TEST_F(DataSetServiceTest, NamedKeyFieldsAreLookedUp) {
    query->SetKeyFields("id; code");
    Open("SELECT id, code, a FROM " + t);
    EXPECT_EQ(KeyNames(), (std::vector<std::string>{"id", "code"}));
    query->Close();
    query->SetKeyFields("id;nosuch");
    Open("SELECT id, code, a FROM " + t);
    EXPECT_EQ(ErrorMessageOf([&] { Service().GetKeyFieldDescs(); }), "Q: Key field 'nosuch' not found");
}

// The key is the first unique index the statement selects whole, the primary key first; a unique
// index with a column missing identifies no row.
TEST_F(DataSetServiceTest, KeyIsAWholeUniqueIndexWithThePrimaryKeyFirst) {
    struct Case {
        std::string sql;
        std::vector<std::string> key;
    };
    const std::vector<Case> cases = {
        {"SELECT id, code, a, b FROM " + t, {"id"}},
        {"SELECT b, a, code FROM " + t, {"code"}},
        {"SELECT b, name FROM " + t, {}},
        {"SELECT c, b, a FROM " + w, {"a", "b"}},
        {"SELECT c, b FROM " + w, {}},
    };
    for (const Case& c : cases) {
        Open(c.sql);
        EXPECT_EQ(KeyNames(), c.key) << c.sql;
    }
}

TEST_F(DataSetServiceTest, KeysOfAllTablesComeFromEachTable) {
    query->Options().SetFullRefresh(true);
    Open("SELECT x.code, v.uid, v.label FROM " + t + " x, " + u + " v WHERE v.tid = x.id");
    EXPECT_EQ(KeyNames(false), std::vector<std::string>{"code"});
    EXPECT_EQ(KeyNames(true), (std::vector<std::string>{"code", "uid"}));
}

TEST_F(DataSetServiceTest, AutoIncrementIsIdentityAndReadOnlyJoinedColumnsAreReadOnly) {
    query->Options().SetSetFieldsReadOnly(true);
    Open("SELECT x.id, x.name, v.label FROM " + t + " x, " + u + " v WHERE v.tid = x.id");
    ASSERT_NE(Service().IdentityField(), nullptr);
    EXPECT_EQ(Service().IdentityField()->ServerName, "id");
    EXPECT_TRUE(query->FieldByName("id")->ReadOnly());
    EXPECT_EQ(query->FieldByName("id")->AutoGenerateValue(), data::arAutoInc);
    EXPECT_FALSE(query->FieldByName("name")->ReadOnly());
    EXPECT_TRUE(query->FieldByName("label")->ReadOnly());
    EXPECT_TRUE(Service().CanModify());
    std::vector<std::string> data;
    for (const dataaccess::TFieldDesc* desc : Service().GetDataFieldDescs())
        data.push_back(desc->ServerName);
    // The identity stays a data field: AutoIncrementReadOnly decides whether it is written.
    EXPECT_EQ(data, (std::vector<std::string>{"id", "name"}));

    query->Close();
    Service().SetProp(prAutoIncrementReadOnly, false);
    query->Open();
    EXPECT_FALSE(query->FieldByName("id")->ReadOnly());
    EXPECT_EQ(query->FieldByName("id")->AutoGenerateValue(), data::arAutoInc);

    query->Close();
    query->SetReadOnly(true);
    query->Open();
    EXPECT_FALSE(Service().CanModify());
}

TEST_F(DataSetServiceTest, TimestampFieldIsTheFirstTimestampColumn) {
    Open("SELECT id, created, ts FROM " + t);
    ASSERT_NE(Service().TimestampField(), nullptr);
    EXPECT_EQ(Service().TimestampField()->ServerName, "created");
    query->Close();
    EXPECT_EQ(Service().TimestampField(), nullptr);
}

TEST_F(DataSetServiceTest, FieldOriginsNameTableAndColumn) {
    Open("SELECT x.id, x.a + 1 AS e FROM " + t + " x");
    EXPECT_EQ(query->FieldByName("id")->Origin(), t + ".id");
    EXPECT_EQ(query->FieldByName("e")->Origin(), "e");
}

TEST_F(DataSetServiceTest, DefaultValuesFollowTheColumnDefaults) {
    query->Options().SetDefaultValues(true);
    Open("SELECT id, code, name, ts, d, tm, y, n, created FROM " + t);
    const std::vector<std::pair<const char*, std::string>> expected = {
        {"id", ""},
        {"code", ""},
        {"name", "'it''s'"},
        {"ts", "'2006-01-02 03:04:05.678'"},
        {"d", "'2006-01-02'"},
        {"tm", "'-01:30:00'"},
        {"y", "'2024'"},
        {"n", "'7'"},
        {"created", "CURRENT_TIMESTAMP"},
    };
    for (const auto& [name, expression] : expected)
        EXPECT_EQ(query->FieldByName(name)->DefaultExpression(), expression) << name;
}

TEST_F(DataSetServiceTest, NumberRangesAreTheServerLimits) {
    raw->Execute("CREATE TABLE " + w +
                 "_r (ti TINYINT, tu TINYINT UNSIGNED, si SMALLINT, mi MEDIUMINT,"
                 " i INT, bi BIGINT, y YEAR, dc DECIMAL(5,2), du DECIMAL(4,1) UNSIGNED, f DOUBLE)");
    query->Options().SetNumberRange(true);
    Open("SELECT * FROM " + w + "_r");
    using TRange = std::pair<int64_t, int64_t>;
    const auto range = [&](const char* name) {
        auto* field = dynamic_cast<data::TIntegerField*>(query->FieldByName(name));
        EXPECT_NE(field, nullptr) << name;
        return field ? TRange(field->MinValue(), field->MaxValue()) : TRange(0, 0);
    };
    EXPECT_EQ(range("ti"), TRange(-128, 127));
    EXPECT_EQ(range("tu"), TRange(0, 255));
    EXPECT_EQ(range("si"), TRange(-32768, 32767));
    EXPECT_EQ(range("mi"), TRange(-8388608, 8388607));
    EXPECT_EQ(range("i"), TRange(-2147483648LL, 2147483647));
    EXPECT_EQ(range("bi"), TRange(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()));
    EXPECT_EQ(range("y"), TRange(0, 2155));
    auto* decimal = dynamic_cast<data::TFloatField*>(query->FieldByName("dc"));
    ASSERT_NE(decimal, nullptr);
    EXPECT_DOUBLE_EQ(decimal->MaxValue(), 999.99);
    EXPECT_DOUBLE_EQ(decimal->MinValue(), -999.99);
    auto* unsignedDecimal = dynamic_cast<data::TFloatField*>(query->FieldByName("du"));
    ASSERT_NE(unsignedDecimal, nullptr);
    EXPECT_DOUBLE_EQ(unsignedDecimal->MaxValue(), 999.9);
    EXPECT_DOUBLE_EQ(unsignedDecimal->MinValue(), 0);
    query->Close();
    raw->Execute("DROP TABLE " + w + "_r");
}

TEST_F(DataSetServiceTest, YearsTheServerTakesAreInsideTheRange) {
    // The server's own verdict on the edges of the YEAR range (strict mode).
    raw->Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
    raw->Execute("CREATE TEMPORARY TABLE yr (y YEAR)");
    for (int year : {0, 99, 1901, 2155})
        EXPECT_NO_THROW(raw->Execute("INSERT INTO yr VALUES (" + std::to_string(year) + ")")) << year;
    for (int year : {-1, 2156})
        EXPECT_ANY_THROW(raw->Execute("INSERT INTO yr VALUES (" + std::to_string(year) + ")")) << year;
}

TEST_F(DataSetServiceTest, RecordCountTexts) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SELECT DISTINCT a FROM t", "SELECT COUNT( DISTINCT a ) FROM t"},
        {"SELECT a, b FROM t WHERE a > 1", "SELECT COUNT(*) FROM t WHERE a > 1"},
        {"SELECT * FROM t LIMIT 5", "SELECT COUNT(*) FROM (SELECT  * FROM t LIMIT 5) q"},
        {"SELECT a, COUNT(*) FROM t GROUP BY a",
         "SELECT COUNT(*) FROM (SELECT  a, COUNT(*) FROM t GROUP BY a) q"},
        {"SELECT (SELECT b FROM u LIMIT 1) AS x FROM t", "SELECT COUNT(*) FROM t"},
        {"SHOW TABLES", ""},
        {"SELECT 1", ""},
    };
    for (const auto& [sql, count] : cases) {
        query->SetSQL(sql);
        EXPECT_EQ(Service().RecCountSQL(), count) << sql;
    }
}

// The count the server gives for the rewritten text is the number of rows the statement gives. The
// first group of a has two rows and there are three groups, so counting inside the groups shows.
TEST_F(DataSetServiceTest, RecordCountMatchesTheRowsOfTheStatement) {
    query->SetFetchAll(false);
    query->Options().SetCreateConnection(false);
    query->Options().SetQueryRecCount(true);
    const std::vector<std::string> statements = {
        "SELECT * FROM " + t + " WHERE a >= :lowest ORDER BY id",
        "SELECT DISTINCT a FROM " + t + " WHERE a >= :lowest",
        "SELECT a, COUNT(*) FROM " + t + " WHERE a >= :lowest GROUP BY a",
        "SELECT a FROM " + t + " WHERE a >= :lowest GROUP BY a HAVING COUNT(*) > 1",
        "SELECT id FROM " + t + " WHERE a >= :lowest LIMIT 2",
        "SELECT a FROM " + t + " WHERE a >= :lowest UNION SELECT tid FROM " + u,
    };
    for (const std::string& sql : statements) {
        query->Close();
        query->SetSQL(sql);
        query->Params()[0]->SetValue(int64_t{1});
        query->SetFetchAll(true);
        query->Open();
        const int rows = query->RecordCount();
        query->Close();
        query->SetFetchAll(false);
        EXPECT_EQ(Service().GetRecCount(), rows) << sql;
    }
    query->Options().SetQueryRecCount(false);
    EXPECT_EQ(Service().GetRecCount(), 0);
    EXPECT_EQ(connection->ConnectCount(), 0);
}

TEST_F(DataSetServiceTest, OpenNextStepsThroughResults) {
    raw->Execute("CREATE OR REPLACE PROCEDURE " + t + "_p() BEGIN SELECT 1 AS a; SELECT 2 AS b, 3 AS c; END");
    query->SetSQL("CALL " + t + "_p()");
    EXPECT_EQ(ErrorMessageOf([&] {
                  query->Open();
                  Service().OpenNext();
              }),
              "OpenNext is not compatible with FetchAll = True");
    query->Close();
    query->SetFetchAll(false);
    query->Options().SetCreateConnection(false);
    EXPECT_TRUE(Service().OpenNext());
    EXPECT_EQ(query->Fields()[0]->FieldName(), "a");
    EXPECT_TRUE(Service().OpenNext());
    EXPECT_EQ(query->FieldByName("c")->AsInteger(), 3);
    EXPECT_FALSE(Service().OpenNext());
    EXPECT_FALSE(query->Active());

    query->Prepare();
    query->Open();
    EXPECT_EQ(ErrorMessageOf([&] { Service().OpenNext(); }), "Cannot OpenNext if statement is Prepared");
    query.reset();
    raw->Execute("DROP PROCEDURE " + t + "_p");
}

TEST(DataSetServiceNamesTest, NamesAreBackquotedWhereNeededOrAlways) {
    TMyQuery query;
    auto& service = static_cast<TCustomMyDataSetService&>(*query.DADataSetService());
    EXPECT_EQ(service.QuoteName("abc"), "abc");
    EXPECT_EQ(service.QuoteName("a b"), "`a b`");
    EXPECT_EQ(service.QuoteName("a`b"), "`a``b`");
    EXPECT_EQ(service.UnquoteName("`abc`"), "abc");
    query.Options().SetQuoteNames(true);
    EXPECT_EQ(service.QuoteName("abc"), "`abc`");
    EXPECT_EQ(service.QuoteName("db.t"), "`db`.`t`");
}

} // namespace
} // namespace components
