#include "components/uDAParams.h"
#include "components/uMyDataSetService.h"
#include "components/uMyQuery.h"
#include "components/uMySQLGenerator.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "platform/data/DataError.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace components {
namespace {

using testsupport::ErrorMessageOf;
using testsupport::RawSession;

// A query over t(id PRIMARY KEY, name, ts TIMESTAMP) of its own, open on the row id 1 (name "a");
// id 2 has a NULL name. The generator works over the query's descriptors and table.
class SQLGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        table = std::string("SQLGeneratorTest_") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table);
        raw->Execute(
            "CREATE TABLE " + table +
            " (id INT PRIMARY KEY, name VARCHAR(20), ts TIMESTAMP NOT NULL DEFAULT '2024-01-02 03:04:05')");
        raw->Execute("INSERT INTO " + table + " (id, name) VALUES (1, 'a'), (2, NULL)");
        connection = testing::NewConnection(settings);
        query = std::make_unique<TMyQuery>();
        query->SetConnection(connection.get());
        query->SetSQL("SELECT id, name, ts FROM " + table + " ORDER BY id");
        query->Open();
        generator = std::make_unique<TCustomMySQLGenerator>(query->DADataSetService());
        fields.KeyFieldDescs = {&Desc("id")};
        fields.DataFieldDescs = {&Desc("name")};
    }

    void TearDown() override {
        generator.reset();
        query.reset();
        connection.reset();
        if (raw) raw->Execute("DROP TABLE IF EXISTS " + table);
    }

    dataaccess::TFieldDesc& Desc(const char* name) { return query->RecordSet()->FieldDescByName(name); }

    dataaccess::TCRTableInfo& Table() {
        return *static_cast<dataaccess::TCRFieldDesc&>(Desc("id")).TableInfo();
    }

    std::string Generate(TStatementType type, TDAParams* params, bool modifiedOnly = false,
                         int recIndex = -1) {
        std::string sql;
        generator->GenerateFor(Table(), fields, sql, recIndex, params, modifiedOnly, type);
        return sql;
    }

    std::vector<std::string> ParamNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < params.Count(); ++i)
            names.push_back(params[i]->Name());
        return names;
    }

    std::string table;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyQuery> query;
    std::unique_ptr<TCustomMySQLGenerator> generator;
    TKeyAndDataFields fields;
    TDAParams params;
};

TEST_F(SQLGeneratorTest, UpdateOfAChangedColumnWithParameters) {
    query->Edit();
    query->FieldByName("name")->SetAsString("b");
    EXPECT_EQ(Generate(stUpdate, &params, true),
              "UPDATE " + table + "\r\nSET\r\n  name = ?\r\nWHERE\r\n  id = ?");
    EXPECT_EQ(ParamNames(), (std::vector<std::string>{"name", "Old_id"}));
    ASSERT_EQ(generator->ParamsInfo().Count(), 2);
    const TDAParamsInfo& infos = generator->ParamsInfo();
    EXPECT_EQ(infos.Items(0)->Field, query->FieldByName("name"));
    EXPECT_FALSE(infos.Items(0)->Old);
    EXPECT_EQ(infos.Items(1)->Field, query->FieldByName("id"));
    EXPECT_TRUE(infos.Items(1)->Old);

    EXPECT_EQ(Generate(stUpdate, nullptr, true),
              "UPDATE " + table + "\r\nSET\r\n  name = :name\r\nWHERE\r\n  id = :Old_id")
        << "markers by name without a parameter list";
    EXPECT_EQ(Generate(stUpdate, &params, true, 2),
              "UPDATE " + table + "\r\nSET\r\n  name = ?\r\nWHERE\r\n  id = ?");
    EXPECT_EQ(ParamNames(), (std::vector<std::string>{"P_2_name", "P_2_Old_id"}));
    query->Cancel();
    EXPECT_EQ(Generate(stUpdate, &params, true), "") << "nothing changed";
    EXPECT_EQ(params.Count(), 0);
}

TEST_F(SQLGeneratorTest, InsertDeleteAndLock) {
    fields.DataFieldDescs = {&Desc("id"), &Desc("name")};
    EXPECT_EQ(Generate(stInsert, &params), "INSERT INTO " + table + "\r\n  (id, name)\r\nVALUES\r\n  (?, ?)");
    EXPECT_EQ(ParamNames(), (std::vector<std::string>{"id", "name"}));
    EXPECT_EQ(Generate(stDelete, &params), "DELETE FROM " + table + "\r\nWHERE\r\n  id = ?");
    EXPECT_EQ(ParamNames(), std::vector<std::string>{"Old_id"});
    EXPECT_EQ(Generate(stLock, &params), "SELECT * FROM " + table + "\r\nWHERE\r\n  id = ?\r\nFOR UPDATE");
    generator->SetLockType(1);
    EXPECT_EQ(Generate(stLock, &params),
              "SELECT * FROM " + table + "\r\nWHERE\r\n  id = ?\r\nLOCK IN SHARE MODE");
}

// Without a key every non-blob column is a condition; a NULL old value is matched with IS NULL, and
// at most one of several equal rows changes.
TEST_F(SQLGeneratorTest, KeylessConditionsLimitTheChangeToOneRow) {
    fields.KeyFieldDescs.clear();
    fields.DataFieldDescs = {&Desc("id"), &Desc("name")};
    query->Next();
    const std::string sql = Generate(stDelete, &params);
    EXPECT_EQ(sql, "DELETE FROM " + table + "\r\nWHERE\r\n  id = ? AND name IS NULL\r\nLIMIT 1");
    EXPECT_EQ(ParamNames(), std::vector<std::string>{"Old_id"});
    fields.KeyFieldDescs = {&Desc("name")};
    EXPECT_EQ(Generate(stDelete, &params), "DELETE FROM " + table + "\r\nWHERE\r\n  name IS NULL")
        << "a NULL key";
    EXPECT_EQ(params.Count(), 0);
    raw->Execute("ALTER TABLE " + table + " DROP PRIMARY KEY");
    raw->Execute("INSERT INTO " + table + " (id, name) VALUES (2, NULL)");
    std::string statement = sql;
    statement.replace(statement.find('?'), 1, "2");
    raw->Execute(statement);
    EXPECT_EQ(raw->Scalar("SELECT COUNT(*) FROM " + table + " WHERE id = 2"), "1");
}

TEST_F(SQLGeneratorTest, RefreshStatements) {
    const std::string t = table;
    EXPECT_EQ(Generate(stRefresh, &params),
              "SELECT " + t + ".name AS _1 FROM " + t + "\r\nWHERE\r\n  " + t + ".id = ?");
    EXPECT_EQ(ParamNames(), std::vector<std::string>{"id"});
    EXPECT_EQ(Generate(stRefreshCheckDeleted, &params), "SELECT id FROM " + t + " ORDER BY id");
    EXPECT_EQ(ErrorMessageOf([&] { Generate(stRefreshQuick, &params); }), "Timestamp field required");
    fields.DataFieldDescs.push_back(&Desc("ts"));
    EXPECT_EQ(Generate(stRefreshQuick, &params)
                  .rfind("SELECT id, name, ts FROM " + t + "\rWHERE " + t + ".ts >= '", 0),
              0u);
    query->Options().SetFullRefresh(true);
    EXPECT_EQ(Generate(stRefresh, &params),
              "SELECT id, name, ts FROM " + t + "\rWHERE \r\n  " + t + ".id = :id  ORDER BY id")
        << "the query's own text, markers by name";
}

TEST_F(SQLGeneratorTest, RowVersionChecksTheTimestampOnly) {
    static_cast<TMyDataSetOptions&>(query->Options()).SetCheckRowVersion(true);
    fields.DataFieldDescs = {&Desc("name"), &Desc("ts")};
    query->Edit();
    query->FieldByName("name")->SetAsString("b");
    EXPECT_EQ(Generate(stUpdate, &params, true),
              "UPDATE " + table + "\r\nSET\r\n  name = ?\r\nWHERE\r\n  id = ? AND ts = ?");
    EXPECT_EQ(ParamNames(), (std::vector<std::string>{"name", "Old_id", "Old_ts"}));
}

TEST_F(SQLGeneratorTest, Errors) {
    fields.KeyFieldDescs.clear();
    fields.DataFieldDescs.clear();
    EXPECT_EQ(ErrorMessageOf([&] { Generate(stDelete, &params); }), "Key fields not found");
    dataaccess::TCRTablesInfo tables(dataaccess::TCRTableInfo::Class());
    dataaccess::TCRTableInfo* unnamed = tables.NewItem();
    std::string sql;
    EXPECT_EQ(
        ErrorMessageOf([&] { generator->GenerateFor(*unnamed, fields, sql, -1, &params, false, stUpdate); }),
        "TableInfo name must be provided");
    EXPECT_EQ(ErrorMessageOf([&] { Generate(stCustom, &params); }), "Bad statement type");
}

// Every marker stands where ParamPosition says: on the "?" that ends it.
TEST_F(SQLGeneratorTest, ParamPositionPointsAtEachMarker) {
    fields.DataFieldDescs = {&Desc("id"), &Desc("name")};
    query->Edit();
    query->FieldByName("name")->SetAsString("b");
    for (const TStatementType type : {stInsert, stUpdate, stDelete, stLock, stRefresh}) {
        SCOPED_TRACE(type);
        const std::string sql = Generate(type, &params);
        ASSERT_GT(params.Count(), 0);
        ASSERT_EQ(generator->ParamsInfo().Count(), params.Count());
        size_t marker = 0;
        for (int i = 0; i < params.Count(); ++i) {
            marker = sql.find('?', marker) + 1;
            EXPECT_EQ(generator->ParamPosition(i), static_cast<int>(marker)) << params[i]->Name();
        }
        EXPECT_EQ(sql.find('?', marker), std::string::npos);
    }
    query->Cancel();
}

// The blob column cannot identify a row.
TEST_F(SQLGeneratorTest, KeylessBlobColumnsGiveNoConditions) {
    raw->Execute("ALTER TABLE " + table + " ADD b BLOB");
    query->Close();
    query->SetSQL("SELECT id, b FROM " + table);
    query->Open();
    fields.KeyFieldDescs.clear();
    fields.DataFieldDescs = {&Desc("b")};
    EXPECT_EQ(ErrorMessageOf([&] { Generate(stDelete, &params); }), "Key fields not found");
}

// Names the tables and columns a data set service would find, so each rule of GenerateSQL shows
// on its own.
class FixedTablesService : public TMyDataSetService {
public:
    using TMyDataSetService::TMyDataSetService;
    dataaccess::TCRTableInfo* UpdatingTableInfo() const override { return table; }
    dataaccess::TCRFieldDesc* IdentityField() const override { return identity; }
    TKeyAndDataFields GetKeyAndDataFields(bool allTables) override {
        askedForAllTables = allTables;
        return fields;
    }

    dataaccess::TCRTableInfo* table = nullptr;
    dataaccess::TCRFieldDesc* identity = nullptr;
    TKeyAndDataFields fields;
    bool askedForAllTables = false;
};

class SQLGeneratorServiceTest : public SQLGeneratorTest {
protected:
    void SetUp() override {
        SQLGeneratorTest::SetUp();
        if (IsSkipped()) return;
        service = std::make_unique<FixedTablesService>(query.get());
        generator = std::make_unique<TCustomMySQLGenerator>(service.get());
        service->table = &Table();
        service->fields = fields;
    }

    void TearDown() override {
        generator.reset();
        service.reset();
        SQLGeneratorTest::TearDown();
    }

    std::string GenerateSQL(TStatementType type) {
        std::string sql = "stale";
        generator->GenerateSQL(type, false, sql, &params, -1);
        return sql;
    }

    std::unique_ptr<FixedTablesService> service;
};

TEST_F(SQLGeneratorServiceTest, GenerateSQLUsesTheServiceTablesAndColumns) {
    EXPECT_EQ(GenerateSQL(stDelete), "DELETE FROM " + table + "\r\nWHERE\r\n  id = ?");
    EXPECT_FALSE(service->askedForAllTables);
    query->Options().SetFullRefresh(true);
    GenerateSQL(stRefresh);
    EXPECT_FALSE(service->askedForAllTables) << "one table";
    query->Close();
    query->SetSQL("SELECT a.id, a.name, b.ts FROM " + table + " a JOIN " + table + " b ON b.id = a.id");
    query->Open();
    service->table = static_cast<dataaccess::TCRFieldDesc&>(Desc("id")).TableInfo();
    service->fields = {{&Desc("id")}, {&Desc("name")}};
    GenerateSQL(stRefresh);
    EXPECT_TRUE(service->askedForAllTables) << "a join";
    service->table = nullptr;
    EXPECT_EQ(GenerateSQL(stUpdate), "") << "no updating table";
}

// Without a key the identity column identifies the row, so no LIMIT is needed.
TEST_F(SQLGeneratorServiceTest, IdentityStandsInForAMissingKey) {
    service->fields.KeyFieldDescs.clear();
    service->identity = &static_cast<dataaccess::TCRFieldDesc&>(Desc("id"));
    EXPECT_EQ(GenerateSQL(stDelete), "DELETE FROM " + table + "\r\nWHERE\r\n  id = ?");
    EXPECT_EQ(ParamNames(), std::vector<std::string>{"Old_id"});
    service->identity = nullptr;
    EXPECT_EQ(GenerateSQL(stDelete), "DELETE FROM " + table + "\r\nWHERE\r\n  name = ?\r\nLIMIT 1");
}

// The query's own service finds the updating table, its primary key and its columns; the
// statements it gives run on the server and change the row they name.
TEST_F(SQLGeneratorTest, QueryServiceGivesTheStatementsOfItsTable) {
    TDASQLGenerator& own = *query->DADataSetService()->SQLGenerator();
    const auto generate = [&](TStatementType type, bool modifiedOnly) {
        std::string sql;
        own.GenerateSQL(type, modifiedOnly, sql, nullptr, -1);
        return sql;
    };
    const std::string t = table;
    query->Edit();
    query->FieldByName("name")->SetAsString("b");
    EXPECT_EQ(generate(stUpdate, true),
              "UPDATE " + t + "\r\nSET\r\n  name = :name\r\nWHERE\r\n  id = :Old_id");
    query->Cancel();
    EXPECT_EQ(generate(stInsert, false),
              "INSERT INTO " + t + "\r\n  (id, name, ts)\r\nVALUES\r\n  (:id, :name, :ts)");
    EXPECT_EQ(generate(stDelete, false), "DELETE FROM " + t + "\r\nWHERE\r\n  id = :Old_id");
    EXPECT_EQ(generate(stRefresh, false), "SELECT " + t + ".id AS _0, " + t + ".name AS _1, " + t +
                                              ".ts AS _2 FROM " + t + "\r\nWHERE\r\n  " + t + ".id = :id");

    // Through a join, the alias's table takes the edits, in its own database.
    const std::string database = t + "_db";
    const std::string other = database + ".labels";
    raw->Execute("DROP DATABASE IF EXISTS " + database);
    raw->Execute("CREATE DATABASE " + database);
    raw->Execute("CREATE TABLE " + other + " (oid INT PRIMARY KEY, label VARCHAR(10))");
    raw->Execute("INSERT INTO " + other + " VALUES (1, 'one')");
    query->Close();
    query->SetSQL("SELECT a.id, a.name, b.oid, b.label AS text FROM " + t + " a JOIN " + other +
                  " b ON b.oid = a.id");
    query->SetUpdatingTable("b");
    query->Open();
    query->Edit();
    query->FieldByName("text")->SetAsString("uno");
    std::string sql = generate(stUpdate, true);
    EXPECT_EQ(sql, "UPDATE " + other + "\r\nSET\r\n  label = :text\r\nWHERE\r\n  oid = :Old_oid");
    query->Cancel();
    query->Close();
    sql.replace(sql.find(":text"), 5, "'uno'");
    sql.replace(sql.find(":Old_oid"), 8, "1");
    raw->Execute(sql);
    EXPECT_EQ(raw->Scalar("SELECT label FROM " + other + " WHERE oid = 1"), "uno");
    raw->Execute("DROP DATABASE " + database);
}

TEST_F(SQLGeneratorTest, TableSelectRunsOnTheServer) {
    const auto ids = [this](const std::string& sql) {
        std::string result;
        for (const auto& row : raw->Query(sql))
            result += (result.empty() ? "" : ",") + row[0].value_or("NULL");
        return result;
    };
    TDASQLGenerator general(query->DADataSetService());
    EXPECT_EQ(general.GenerateTableSQL(table, " id DESC "),
              "SELECT * FROM " + table + "\rORDER BY id DESC\r");
    EXPECT_EQ(ids(general.GenerateTableSQL(table, "id DESC")), "2,1");
    EXPECT_EQ(general.GenerateTableSQL(table, ""), "SELECT * FROM " + table + "\r\r");

    EXPECT_EQ(generator->GenerateTableSQL(table, ""), "SELECT * FROM " + table);
    generator->SetOffset(1);
    EXPECT_EQ(ids(generator->GenerateTableSQL(table, "id")), "2") << "an offset without a row count";
    generator->SetLimit(1);
    generator->SetOffset(0);
    EXPECT_EQ(generator->GenerateTableSQL(table, "id DESC"),
              "SELECT * FROM " + table + " ORDER BY id DESC LIMIT 0, 1");
    EXPECT_EQ(ids(generator->GenerateTableSQL(table, "id DESC")), "2");
    EXPECT_EQ(generator->GenerateTableSQL("a b", ""), "SELECT * FROM `a b` LIMIT 0, 1");
}

// HANDLER reads, run statement by statement as a multi-statement batch would.
TEST_F(SQLGeneratorTest, HandlerTableSelectRunsOnTheServer) {
    generator->SetUseHandler(true);
    const std::string t = table;
    struct Case {
        const char* index;
        std::string sql;
        const char* firstId;
    } cases[] = {
        {"",
         "HANDLER " + t + " OPEN; HANDLER " + t + " READ FIRST LIMIT 0, 2147483647; HANDLER " + t + " CLOSE",
         "1"},
        {" `PRIMARY` ",
         "HANDLER " + t + " OPEN; HANDLER " + t + " READ `PRIMARY` FIRST LIMIT 0, 2147483647; HANDLER " + t +
             " CLOSE",
         "1"},
        {"`PRIMARY` = (2)",
         "HANDLER " + t + " OPEN; HANDLER " + t + " READ `PRIMARY` = (2) LIMIT 0, 2147483647; HANDLER " + t +
             " CLOSE",
         "2"},
        {"`PRIMARY` >= (2)",
         "HANDLER " + t + " OPEN; HANDLER " + t + " READ `PRIMARY` >= (2) LIMIT 0, 2147483647; HANDLER " + t +
             " CLOSE",
         "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        generator->SetHandlerIndex(c.index);
        const std::string sql = generator->GenerateTableSQL(table, "");
        EXPECT_EQ(sql, c.sql);
        const size_t read = sql.find("; ") + 2;
        const size_t close = sql.find("; ", read);
        raw->Execute(sql.substr(0, read - 2));
        const auto rows = raw->Query(sql.substr(read, close - read));
        raw->Execute(sql.substr(close + 2));
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0][0], c.firstId);
    }
    query->SetFilterSQL("name IS NULL");
    generator->SetHandlerIndex("");
    generator->SetLimit(5);
    EXPECT_EQ(generator->GenerateTableSQL(table, ""),
              "HANDLER " + t + " OPEN; HANDLER " + t + " READ FIRST WHERE name IS NULL LIMIT 0, 5; HANDLER " +
                  t + " CLOSE");
}

TEST(SQLGeneratorAliasTest, AliasIndexReadsOnlyUnderscoreNumbers) {
    EXPECT_EQ(TDASQLGenerator::FieldAlias("4"), "_4");
    EXPECT_EQ(TDASQLGenerator::FieldAliasIndex("_4"), 4);
    EXPECT_EQ(TDASQLGenerator::FieldAliasIndex("_12"), 12);
    for (const char* text : {"_", "4", "_x", "_4x", "", "x4"})
        EXPECT_EQ(TDASQLGenerator::FieldAliasIndex(text), -1) << text;
}

} // namespace
} // namespace components
