#include "dataaccess/mysql/uMyMetaData.h"
#include "dataaccess/mysql/uMySQLClient.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataHelper.h"
#include "dataaccess/TestConnection.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;
using Rows = std::vector<std::vector<std::string>>;

struct Restrictions : rtl::TStringList {
    explicit Restrictions(std::initializer_list<const char*> lines) {
        for (const char* line : lines)
            Add(line);
    }
};

// The named columns of every row of an answer; NULL reads as "<null>".
Rows Read(TData& answer, const std::vector<const char*>& columns) {
    TDataHelper row(answer);
    row.AllocBuffer();
    answer.SetToBegin();
    Rows rows;
    while (row.NextRecord()) {
        std::vector<std::string> values;
        for (const char* column : columns) {
            const rtl::Variant value = row.GetFieldValue(answer.FieldDescByName(column).FieldNumber);
            values.push_back(value.IsNull() || value.IsEmpty() ? "<null>" : value.AsString());
        }
        rows.push_back(std::move(values));
    }
    return rows;
}

// A database of the test's own with tables, a view and two routines, and a metadata object on a
// connection to it.
class MetaDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto s = VELTRANE_REQUIRE_SERVER();
        database_ =
            "metadata_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::transform(database_.begin(), database_.end(), database_.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        raw_ = std::make_unique<testsupport::RawSession>(s);
        raw_->Execute("DROP DATABASE IF EXISTS " + database_);
        raw_->Execute("CREATE DATABASE " + database_);
        raw_->Execute("USE " + database_);
        raw_->Execute("CREATE TABLE orders (id INT PRIMARY KEY, code VARCHAR(20) NOT NULL DEFAULT 'x', "
                      "note TEXT, KEY by_code (code DESC, id))");
        raw_->Execute("CREATE VIEW order_codes AS SELECT code FROM orders");
        raw_->Execute("CREATE TABLE `odd name` (`first col` INT, UNIQUE KEY `odd key` (`first col`))");
        raw_->Execute("CREATE TABLE `tail\\` (only_col INT)");
        raw_->Execute("CREATE PROCEDURE fill(IN a INT, OUT b VARCHAR(20), INOUT c DECIMAL(10,2)) BEGIN END");
        raw_->Execute("CREATE FUNCTION twice(x INT) RETURNS BIGINT RETURN x * 2");

        settings_ = s;
        Connect(std::make_unique<TMySQLConnection>());
    }

    void Connect(std::unique_ptr<TMySQLConnection> connection) {
        connection_ = std::move(connection);
        testing::UseTestServer(*connection_, settings_, false);
        connection_->SetProp(prDatabase, database_);
        connection_->Connect("");
    }

    void TearDown() override {
        if (raw_) raw_->Execute("DROP DATABASE IF EXISTS " + database_);
    }

    TData& Get(const std::string& kind, std::initializer_list<const char*> restrictions = {}) {
        return metaData_.GetMetaData(connection_.get(), nullptr, kind, Restrictions(restrictions));
    }
    // The rows of this test's database only.
    Rows Own(TData& answer, const char* schemaColumn, std::initializer_list<const char*> columns) {
        std::vector<const char*> withSchema = {schemaColumn};
        withSchema.insert(withSchema.end(), columns);
        Rows own;
        for (const auto& row : Read(answer, withSchema))
            if (row.front() == database_) own.emplace_back(row.begin() + 1, row.end());
        return own;
    }
    std::string LastSQL() const { return metaData_.RecordSet().Command()->SQL(); }

    testsupport::ServerSettings settings_;
    std::string database_;
    std::unique_ptr<testsupport::RawSession> raw_;
    std::unique_ptr<TMySQLConnection> connection_;
    TMySQLMetaData metaData_;
};

// ---- Tables, columns, routines

TEST_F(MetaDataTest, TablesByTypeListAndScope) {
    TData& all = Get(" Tables", {"TABLE_TYPE=view, base table,VIEW"});
    EXPECT_THAT(LastSQL(), HasSubstr("WHERE TABLE_TYPE IN ('BASE TABLE', 'VIEW')"));
    // Ordered by the server's collation of the catalog.
    EXPECT_THAT(Own(all, "TABLE_SCHEMA", {"TABLE_NAME", "TABLE_TYPE"}),
                UnorderedElementsAreArray(Rows{{"odd name", "BASE TABLE"},
                                               {"order_codes", "VIEW"},
                                               {"orders", "BASE TABLE"},
                                               {"tail\\", "BASE TABLE"}}));

    TData& local = Get("tables", {"TABLE_SCHEMA=mysql", "SCOPE=local", "TABLE_TYPE=view"});
    EXPECT_THAT(LastSQL(), HasSubstr("WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE IN ('VIEW')"));
    EXPECT_EQ(Read(local, {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME"}),
              (Rows{{"", database_, "order_codes"}}));
}

TEST_F(MetaDataTest, ColumnsWithoutRestrictionsAreThoseOfTheCurrentDatabase) {
    TData& columns = Get("columns");
    EXPECT_THAT(LastSQL(), HasSubstr("WHERE TABLE_SCHEMA = '" + database_ + "'"));
    const Rows rows = Read(columns, {"TABLE_SCHEMA", "TABLE_NAME", "COLUMN_NAME", "POSITION", "DATA_TYPE",
                                     "DATA_LENGTH", "NULLABLE", "DEFAULT_VALUE"});
    ASSERT_EQ(rows.size(), 6u);
    for (const auto& row : rows)
        EXPECT_EQ(row[0], database_);
    EXPECT_THAT(rows, Contains(std::vector<std::string>{database_, "orders", "code", "2", "varchar", "20",
                                                        "0", "'x'"}));
    EXPECT_THAT(rows, Contains(std::vector<std::string>{database_, "orders", "note", "3", "text", "65535",
                                                        "1", "NULL"}));
}

TEST_F(MetaDataTest, BackquotedRestrictionsAreUnquoted) {
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME= `odd name` "}), {"TABLE_NAME", "COLUMN_NAME"}),
              (Rows{{"odd name", "first col"}}));
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME=`orders`", "COLUMN_NAME=`id`"}), {"COLUMN_NAME"}),
              (Rows{{"id"}}));
    EXPECT_EQ(Read(Get("indexes", {"TABLE_NAME=`odd name`", ("TABLE_SCHEMA=`" + database_ + "`").c_str()}),
                   {"TABLE_SCHEMA", "TABLE_NAME", "INDEX_NAME", "UNIQUE"}),
              (Rows{{database_, "odd name", "odd key", "1"}}));
}

TEST_F(MetaDataTest, ValuesEndingInABackslashNeitherBreakNorInject) {
    // Written by doubling quotes only, the first value would swallow the next condition's opening
    // quote, leaving OR 1=1 as SQL and the rest of the query as a comment: every column of the server.
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME=\\", "COLUMN_NAME=OR 1=1 #"}), {"COLUMN_NAME"}), Rows{});
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME=tail\\"}), {"TABLE_NAME", "COLUMN_NAME"}),
              (Rows{{"tail\\", "only_col"}}));

    // Without backslash escapes the backslash is an ordinary character of the literal.
    connection_->ExecSQL("SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')");
    ASSERT_FALSE(connection_->BackslashEscapes());
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME=tail\\"}), {"COLUMN_NAME"}), (Rows{{"only_col"}}));
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME=\\", "COLUMN_NAME=OR 1=1 #"}), {"COLUMN_NAME"}), Rows{});
    EXPECT_EQ(Read(Get("indexcolumns", {"TABLE_NAME=tail\\"}), {"COLUMN_NAME"}), Rows{});
}

TEST_F(MetaDataTest, ProceduresAndTheirParameters) {
    const std::string schema = "PROCEDURE_SCHEMA=" + database_;
    EXPECT_EQ(Read(Get("procedures", {schema.c_str()}), {"PROCEDURE_NAME", "PROCEDURE_TYPE"}),
              (Rows{{"fill", "PROCEDURE"}, {"twice", "FUNCTION"}}));
    EXPECT_EQ(Read(Get("procedures", {"SCOPE=Local", "PROCEDURE_TYPE=function"}), {"PROCEDURE_NAME"}),
              (Rows{{"twice"}}));

    EXPECT_EQ(
        Read(Get("procedureparameters", {"PROCEDURE_NAME=fill"}),
             {"PROCEDURE_SCHEMA", "PROCEDURE_NAME", "PARAMETER_NAME", "POSITION", "DIRECTION", "DATA_TYPE"}),
        (Rows{{database_, "fill", "a", "1", "IN", "INT"},
              {database_, "fill", "b", "2", "OUT", "VARCHAR"},
              {database_, "fill", "c", "3", "IN/OUT", "DECIMAL(10,2)"}}));
    EXPECT_EQ(Read(Get("procedureparameters", {schema.c_str(), "PROCEDURE_NAME=`twice`"}),
                   {"PARAMETER_NAME", "POSITION", "DIRECTION", "DATA_TYPE"}),
              (Rows{{"Result", "0", "OUT", "BIGINT"}, {"x", "1", "IN", "INT"}}));
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { Get("procedureparameters", {schema.c_str()}); }),
              "PROCEDURE_NAME restriction must be set");
}

// ---- Indexes and constraints

TEST_F(MetaDataTest, IndexesNeedATableAndNameEachIndexOnce) {
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { Get("indexes"); }), "TABLE_NAME restriction must be set");
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { Get("indexcolumns", {"INDEX_NAME=by_code"}); }),
              "TABLE_NAME restriction must be set");

    EXPECT_EQ(
        Read(Get("indexes", {"TABLE_NAME=orders"}), {"TABLE_SCHEMA", "INDEX_SCHEMA", "INDEX_NAME", "UNIQUE"}),
        (Rows{{database_, database_, "PRIMARY", "1"}, {database_, database_, "by_code", "0"}}));
    EXPECT_EQ(Read(Get("indexcolumns", {"TABLE_NAME=orders"}),
                   {"TABLE_NAME", "INDEX_NAME", "COLUMN_NAME", "COLUMN_POSITION", "SORT_ORDER"}),
              (Rows{{"orders", "PRIMARY", "id", "1", "ASC"},
                    {"orders", "by_code", "code", "1", "DESC"},
                    {"orders", "by_code", "id", "2", "ASC"}}));
}

TEST_F(MetaDataTest, ConstraintsNameTheirSeventhColumnIndexOwner) {
    const std::string schema = "TABLE_SCHEMA=" + database_;
    TData& constraints = Get("constraints", {schema.c_str(), "CONSTRAINT_TYPE=primary key, unique"});
    EXPECT_EQ(constraints.FieldByNo(7).FieldName, "INDEX_OWNER");
    EXPECT_EQ(Read(constraints, {"TABLE_NAME", "CONSTRAINT_NAME", "CONSTRAINT_TYPE"}),
              (Rows{{"odd name", "odd key", "UNIQUE"}, {"orders", "PRIMARY", "PRIMARY KEY"}}));
}

// ---- Servers before INFORMATION_SCHEMA

// The client library talking to the real server, but reporting a 4.1 server, so that the SHOW
// paths run against real SHOW output.
class TOldServerAPI : public TMySQLAPIClient {
public:
    std::string mysql_get_server_info(PMYSQL_CON) override { return "4.1.22-log"; }
};

class TOldServerConnection : public TMySQLConnection {
public:
    ~TOldServerConnection() override { Disconnect(); } // while the API is still there
    void SelectAPI() override { SetAPI(&api_); }

private:
    TOldServerAPI api_;
};

TEST_F(MetaDataTest, OldServersAnswerFromShowStatements) {
    // Nothing may use the old connection once it is replaced.
    metaData_.RecordSet().Close();
    metaData_.RecordSet().SetConnection(nullptr);
    Connect(std::make_unique<TOldServerConnection>());
    ASSERT_EQ(connection_->ServerMajor(), 4);

    EXPECT_EQ(Read(Get("tables"), {"TABLE_SCHEMA", "TABLE_NAME"}), (Rows{{database_, "odd name"},
                                                                         {database_, "order_codes"},
                                                                         {database_, "orders"},
                                                                         {database_, "tail\\"}}));
    EXPECT_THAT(LastSQL(), HasSubstr("SHOW TABLES"));
    const std::string schema = "TABLE_SCHEMA=`" + database_ + "`";
    EXPECT_EQ(Read(Get("tables", {schema.c_str()}), {"TABLE_NAME"}).size(), 4u);

    EXPECT_EQ(testsupport::ErrorMessageOf([&] { Get("columns"); }), "TABLE_NAME restriction must be set");
    EXPECT_EQ(
        Read(Get("columns", {"TABLE_NAME=orders"}), {"TABLE_SCHEMA", "TABLE_NAME", "COLUMN_NAME", "POSITION",
                                                     "DATA_TYPE", "NULLABLE", "DEFAULT_VALUE"}),
        (Rows{{database_, "orders", "id", "1", "int(11)", "0", "<null>"},
              {database_, "orders", "code", "2", "varchar(20)", "0", "x"},
              {database_, "orders", "note", "3", "text", "1", "<null>"}}));
    EXPECT_EQ(Read(Get("columns", {"TABLE_NAME=tail\\"}), {"COLUMN_NAME"}), (Rows{{"only_col"}}));

    // Routines and constraints have no source there: empty answers.
    EXPECT_EQ(Read(Get("procedures"), {"PROCEDURE_NAME"}), Rows{});
    TData& constraints = Get("constraints");
    EXPECT_EQ(constraints.FieldByNo(7).FieldName, "INDEX_SCHEMA");
    EXPECT_EQ(Read(constraints, {"CONSTRAINT_NAME"}), Rows{});
}

// ---- Kinds

TEST_F(MetaDataTest, DatabasesAndUnsupportedKinds) {
    const Rows databases = Read(Get("Databases"), {"DATABASE_NAME"});
    // Other tests create and drop databases meanwhile: only those that stay are certain.
    for (const std::string& name : {database_, std::string("information_schema"), std::string("mysql")})
        EXPECT_EQ(std::count(databases.begin(), databases.end(), std::vector<std::string>{name}), 1) << name;
    for (const char* kind : {"users", "roles", "datatypes", "packages", "userdefinedtypes", "schemas"})
        EXPECT_EQ(testsupport::ErrorMessageOf([&] { Get(kind); }), "Unsupported metadata kind") << kind;
}

TEST(MetaDataKindsTest, KindsAndTheirRestrictions) {
    TMySQLMetaData metaData;
    const auto get = [&](const std::string& kind, std::initializer_list<const char*> restrictions) -> TData& {
        return metaData.GetMetaData(kind, Restrictions(restrictions));
    };
    EXPECT_EQ(Read(get("", {}), {"METADATA_NAME"}), (Rows{{"MetaDataKinds"},
                                                          {"Restrictions"},
                                                          {"Tables"},
                                                          {"Columns"},
                                                          {"Procedures"},
                                                          {"ProcedureParameters"},
                                                          {"Indexes"},
                                                          {"IndexColumns"},
                                                          {"Constraints"}}));
    const Rows tables = {{"tables", "TABLE_CATALOG"},
                         {"tables", "TABLE_SCHEMA"},
                         {"tables", "TABLE_NAME"},
                         {"tables", "TABLE_TYPE"}};
    EXPECT_EQ(Read(get("restrictions", {"METADATA_NAME= Tables "}), {"METADATA_NAME", "RESTRICTION_NAME"}),
              tables);
    EXPECT_EQ(Read(get("restrictions", {"METAINFO_NAME=TABLES"}), {"METADATA_NAME", "RESTRICTION_NAME"}),
              tables);

    const Rows all = Read(get("restrictions", {}), {"METADATA_NAME", "RESTRICTION_NAME"});
    EXPECT_EQ(all.size(), 30u);
    EXPECT_EQ(all.front(), (std::vector<std::string>{"Restrictions", "METADATA_NAME"}));
    EXPECT_EQ(all.back(), (std::vector<std::string>{"Constraints", "CONSTRAINT_TYPE"}));
}

} // namespace
} // namespace dataaccess
