#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMySQLClient.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mariadb/mysql.h>

#include <cstring>
#include <optional>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

// A session on the test server through the process-wide client-library API.
class Session {
public:
    explicit Session(const testsupport::ServerSettings& s) : api_(MySQLAPIClient()) {
        api_.Init();
        handle_ = api_.mysql_init(nullptr);
        if (!api_.mysql_real_connect(handle_, s.host.c_str(), s.user.c_str(), s.password.c_str(),
                                     s.database.c_str(), s.port, nullptr, CLIENT_MULTI_STATEMENTS))
            ADD_FAILURE() << api_.mysql_error(handle_);
    }
    ~Session() { api_.mysql_close(handle_); }

    TMySQLAPI& Api() { return api_; }
    PMYSQL_CON Handle() { return handle_; }

    // Runs statements and drops their results.
    void Execute(const std::string& sql) {
        ASSERT_EQ(api_.mysql_real_query(handle_, sql.data(), sql.size()), 0) << api_.mysql_error(handle_);
        do {
            if (PMYSQL_RES result = api_.mysql_use_result(handle_)) api_.mysql_free_result(result);
        } while (api_.mysql_next_result(handle_) == 0);
    }

    PMYSQL_STMT Prepare(const std::string& sql) {
        PMYSQL_STMT stmt = api_.mysql_stmt_init(handle_);
        EXPECT_EQ(api_.mysql_stmt_prepare(stmt, sql.data(), sql.size()), 0) << api_.mysql_stmt_error(stmt);
        return stmt;
    }

private:
    TMySQLAPI& api_;
    PMYSQL_CON handle_ = nullptr;
};

// One string column of a prepared statement's single row; nothing for NULL.
std::optional<std::string> FetchText(TMySQLAPI& api, PMYSQL_STMT stmt) {
    char buffer[256] = {};
    unsigned long length = 0;
    my_bool isNull = 0;
    TMYSQL_BINDS binds(1);
    std::memset(binds.data(), 0, sizeof(MYSQL_BIND));
    binds[0].buffer_type = MYSQL_TYPE_STRING;
    binds[0].buffer = buffer;
    binds[0].buffer_length = sizeof(buffer);
    binds[0].length = &length;
    binds[0].is_null = &isNull;
    EXPECT_FALSE(api.StmtBindResult(stmt, binds));
    EXPECT_EQ(api.mysql_stmt_fetch(stmt), 0) << api.mysql_stmt_error(stmt);
    api.mysql_stmt_free_result(stmt);
    if (isNull) return std::nullopt;
    return std::string(buffer, length);
}

TEST(MySQLClientTest, TheClientLibraryLoadsAsANativeProtocol41Client) {
    TMySQLAPIClient& api = MySQLAPIClient();
    api.Init();
    EXPECT_TRUE(api.Loaded());
    EXPECT_THAT(api.ClientVersion(), StartsWith("3.3."));
    EXPECT_EQ(api.Layout(), mlNative);
    EXPECT_TRUE(api.IsProtocol41());
    api.Init(); // a second time only re-reads the version
    EXPECT_THAT(api.ClientVersion(), StartsWith("3.3."));
}

TEST(MySQLClientTest, AMissingEntryPointFailsOnlyWhenCalled) {
    TMySQLAPIClient api(VELTRANE_MYSQL_STUB);
    api.Init();
    EXPECT_EQ(api.ClientVersion(), "3.3.20-stub");
    try {
        api.mysql_next_result(nullptr);
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(),
                  std::string("MySQL API function is not linked. You should update MySQL client library (") +
                      VELTRANE_MYSQL_STUB + ").");
    }
    // Unloading unbinds the entry points, so a late call raises instead of jumping into nothing.
    api.FreeLib();
    EXPECT_FALSE(api.Loaded());
    EXPECT_THROW(api.mysql_get_client_info(), rtl::Exception);
}

TEST(MySQLClientTest, AMissingLibraryFailsInit) {
    TMySQLAPIClient api("/nonexistent/libmariadb.so.3");
    try {
        api.Init();
        FAIL() << "no error";
    } catch (const rtl::EOSError& e) {
        EXPECT_EQ(e.Message(),
                  "MySQL client library couldn't be loaded. Please place /nonexistent/libmariadb.so.3 "
                  "file to system folder (included to PATH) or to the folder with executable unit of "
                  "main program.");
    }
    EXPECT_FALSE(api.Loaded());
    EXPECT_FALSE(api.LastLoadError().empty());
}

TEST(MySQLClientTest, ColumnsLengthsAndNulls) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Session session(settings);
    TMySQLAPI& api = session.Api();
    session.Execute("DROP TABLE IF EXISTS MySQLClientTest_t;"
                    "CREATE TABLE MySQLClientTest_t (id INT NOT NULL, body LONGTEXT) CHARSET utf8mb4;"
                    "INSERT INTO MySQLClientTest_t VALUES (7, 'hello')");
    const std::string sql =
        "SELECT 1 AS a, 'xy' AS b, NULL AS c, u.id AS n, body FROM MySQLClientTest_t AS u";
    ASSERT_EQ(api.mysql_real_query(session.Handle(), sql.data(), sql.size()), 0);
    PMYSQL_RES result = api.mysql_use_result(session.Handle());
    ASSERT_TRUE(result);
    ASSERT_EQ(api.mysql_num_fields(result), 5u);

    TMYSQL_FIELD a, b, c, n, body;
    api.ReadFieldDesc(result, 0, true, a);
    api.ReadFieldDesc(result, 1, true, b);
    api.ReadFieldDesc(result, 2, true, c);
    api.ReadFieldDesc(result, 3, true, n);
    api.ReadFieldDesc(result, 4, true, body);
    EXPECT_EQ(a.Name, "a");
    EXPECT_EQ(a.OrgName, "a"); // an expression has no source name
    EXPECT_EQ(a.FieldType, MYSQL_TYPE_LONG);
    EXPECT_TRUE(a.Flags & NOT_NULL_FLAG);
    EXPECT_EQ(a.CharsetNr, 63u);
    EXPECT_EQ(b.FieldType, MYSQL_TYPE_VAR_STRING);
    EXPECT_EQ(c.FieldType, MYSQL_TYPE_NULL);
    EXPECT_EQ(n.Name, "n");
    EXPECT_EQ(n.OrgName, "id");
    EXPECT_EQ(n.Table, "u");
    EXPECT_EQ(n.OrgTable, "MySQLClientTest_t");
    EXPECT_EQ(n.FieldType, MYSQL_TYPE_LONG);
    EXPECT_EQ(n.Length, 11u);
    EXPECT_EQ(body.FieldType, MYSQL_TYPE_BLOB);
    EXPECT_EQ(body.Length, 65535u); // 4294967295 on the wire
    EXPECT_EQ(body.CharsetNr, 45u);

    PMYSQL_ROW row = api.FetchRow(result);
    ASSERT_TRUE(row);
    TLenArr lengths;
    api.GetFieldLengths(result, lengths);
    EXPECT_THAT(lengths, ElementsAre(1u, 2u, 0u, 1u, 5u));
    EXPECT_TRUE(api.FieldIsNull(row, 2));
    EXPECT_FALSE(api.FieldIsNull(row, 1));
    std::string text;
    api.GetFieldString(row, 4, text);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(api.FetchRow(result), nullptr);
    api.mysql_free_result(result);
    EXPECT_EQ(api.mysql_info(session.Handle()), ""); // a null text
}

TEST(MySQLClientTest, NextResultIsMinusOneWhenThereIsNone) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Session session(settings);
    TMySQLAPI& api = session.Api();
    session.Execute("CREATE TEMPORARY TABLE t (v INT)");
    const std::string insert = "INSERT INTO t VALUES (1), (2)";
    ASSERT_EQ(api.mysql_real_query(session.Handle(), insert.data(), insert.size()), 0);
    EXPECT_EQ(api.mysql_affected_rows(session.Handle()), 2u);
    EXPECT_FALSE(api.mysql_more_results(session.Handle()));
    EXPECT_EQ(api.mysql_next_result(session.Handle()), -1);

    const std::string two = "DO 1; SELECT 2";
    ASSERT_EQ(api.mysql_real_query(session.Handle(), two.data(), two.size()), 0);
    EXPECT_TRUE(api.mysql_more_results(session.Handle()));
    EXPECT_EQ(api.mysql_next_result(session.Handle()), 0);
    PMYSQL_RES result = api.mysql_use_result(session.Handle());
    ASSERT_TRUE(result);
    api.mysql_free_result(result);
    EXPECT_EQ(api.mysql_next_result(session.Handle()), -1);
}

TEST(MySQLClientTest, PreparedStatementWithParameters) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Session session(settings);
    TMySQLAPI& api = session.Api();
    PMYSQL_STMT stmt = session.Prepare("SELECT ? + 1, ?");
    // A leading function result is not a parameter of the text.
    const std::vector<TMySqlParam> params = {
        {.DataType = dtInt32, .Direction = kParamDirectionResult},
        {.DataType = dtInt32, .Value = 41},
        {.DataType = dtString, .Value = "x"},
    };
    ASSERT_EQ(api.StmtExecuteParams(stmt, params, false), 0) << api.mysql_stmt_error(stmt);

    long long sum = 0;
    char text[8] = {};
    unsigned long textLength = 0;
    TMYSQL_BINDS binds(2);
    std::memset(binds.data(), 0, 2 * sizeof(MYSQL_BIND));
    binds[0].buffer_type = MYSQL_TYPE_LONGLONG;
    binds[0].buffer = &sum;
    binds[1].buffer_type = MYSQL_TYPE_STRING;
    binds[1].buffer = text;
    binds[1].buffer_length = sizeof(text);
    binds[1].length = &textLength;
    ASSERT_FALSE(api.StmtBindResult(stmt, binds));
    ASSERT_EQ(api.mysql_stmt_fetch(stmt), 0);
    EXPECT_EQ(sum, 42);
    EXPECT_EQ(std::string(text, textLength), "x");
    EXPECT_EQ(api.mysql_stmt_fetch(stmt), MYSQL_NO_DATA);
    api.mysql_stmt_close(stmt);
}

TEST(MySQLClientTest, ParameterValuesReachTheServerIntact) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Session session(settings);
    TMySQLAPI& api = session.Api();
    struct Case {
        TMySqlParam param;
        std::optional<std::string> expected;
    };
    const rtl::TDateTime leapDay = rtl::EncodeDate(2024, 2, 29);
    std::vector<Case> cases = {
        {{.DataType = dtUInt32, .Value = 3000000000LL}, "3000000000"},
        {{.DataType = dtInt64, .Value = -9000000000LL}, "-9000000000"},
        {{.DataType = dtInt16, .Value = -300}, "-300"},
        {{.DataType = dtInt8, .Value = -5}, "-5"},
        {{.DataType = dtBoolean, .Value = true}, "1"},
        {{.DataType = dtFloat, .Value = 2.5}, "2.5"},
        {{.DataType = dtDate, .Value = leapDay}, "2024-02-29"},
        {{.DataType = dtDateTime, .Value = leapDay + rtl::EncodeTime(13, 14, 15, 0)}, "2024-02-29 13:14:15"},
        {{.DataType = dtTime, .Value = 0.5}, "12:00:00"},
        {{.DataType = dtBCD, .Value = 12.34567}, "12.3457"},
        {{.DataType = dtFMTBCD, .Value = "-123456789012345678.25"}, "-123456789012345678.25"},
        {{.DataType = dtWideString, .Value = std::u16string(u"\u00e9t\u00e9 \U0001F600")},
         "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"},
        {{.DataType = dtVarBytes, .Value = std::string("a\0b", 3)}, std::string("a\0b", 3)},
        {{.DataType = dtString, .Value = "NULL flag", .IsNull = true}, std::nullopt},
        {{.DataType = dtUnknown, .Value = rtl::Variant::Null()}, std::nullopt},
    };
    TBlob* wide = new TBlob(true);
    wide->WriteAsWide(u"\u00e9\U0001F600");
    TCompressedBlob* packed = new TCompressedBlob();
    packed->WriteAsAnsi(std::string(100, 'q'));
    packed->SetCompressed(true);
    cases.push_back({{.DataType = dtWideMemo, .Blob = wide}, "\xC3\xA9\xF0\x9F\x98\x80"});
    cases.push_back({{.DataType = dtBlob, .Blob = packed}, std::string(100, 'q')});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.param.Value.TypeName());
        PMYSQL_STMT stmt = session.Prepare("SELECT CAST(? AS CHAR)");
        ASSERT_EQ(api.StmtExecuteParams(stmt, {&c.param, 1}, true), 0) << api.mysql_stmt_error(stmt);
        EXPECT_EQ(FetchText(api, stmt), c.expected);
        api.mysql_stmt_close(stmt);
    }
    wide->Release();
    packed->Release();

    // Types without a parameter form fail before anything is sent.
    PMYSQL_STMT stmt = session.Prepare("SELECT ?");
    for (const TMySqlParam& bad :
         {TMySqlParam{.DataType = dtExtString, .Value = "x"}, TMySqlParam{.DataType = dtUnknown, .Value = 1},
          TMySqlParam{.DataType = 15}}) {
        EXPECT_THROW(api.StmtExecuteParams(stmt, {&bad, 1}, false), rtl::EAssertionFailed) << bad.DataType;
    }
    api.mysql_stmt_close(stmt);
}

TEST(MySQLClientTest, ServerColumnsMapToInternalTypes) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Session session(settings);
    TMySQLAPI& api = session.Api();
    session.Execute("DROP TABLE IF EXISTS MySQLClientTest_types;"
                    "CREATE TABLE MySQLClientTest_types (bin_text TEXT COLLATE utf8mb4_bin, doc JSON, "
                    "raw BLOB, big BIGINT UNSIGNED, code VARBINARY(4), flag TINYINT(1)) CHARSET utf8mb4");
    const std::string sql = "SELECT * FROM MySQLClientTest_types";
    ASSERT_EQ(api.mysql_real_query(session.Handle(), sql.data(), sql.size()), 0);
    PMYSQL_RES result = api.mysql_use_result(session.Handle());
    ASSERT_TRUE(result);
    std::vector<int> types;
    const TMyTypeOptions options{.UseUnicode = true, .EnableBoolean = true};
    for (unsigned int i = 0; i < api.mysql_num_fields(result); ++i) {
        TMYSQL_FIELD f;
        api.ReadFieldDesc(result, i, true, f);
        int dataType = -1;
        bool fixed = false;
        EXPECT_TRUE(MySqlTypeToInternalType(f.FieldType, f.Length, f.Decimals, f.CharsetNr,
                                            f.Flags & UNSIGNED_FLAG, f.Flags & BINARY_FLAG, options, dataType,
                                            fixed));
        types.push_back(dataType);
    }
    while (api.FetchRow(result)) {
    }
    api.mysql_free_result(result);
    // Text with a binary collation and JSON carry the binary flag but are text.
    EXPECT_THAT(types, ElementsAre(dtWideMemo, dtWideMemo, dtBlob, dtWideString, dtVarBytes, dtBoolean));
}

TEST(MySQLClientTest, BigUnsignedValuesKeepTheirDigits) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Session session(settings);
    TMySQLAPI& api = session.Api();
    const std::string sql = "SELECT CAST(18446744073709551615 AS UNSIGNED)";
    ASSERT_EQ(api.mysql_real_query(session.Handle(), sql.data(), sql.size()), 0);
    PMYSQL_RES result = api.mysql_use_result(session.Handle());
    TMYSQL_FIELD f;
    api.ReadFieldDesc(result, 0, false, f);
    int dataType = -1;
    bool fixed = false;
    ASSERT_TRUE(MySqlTypeToInternalType(f.FieldType, f.Length, f.Decimals, f.CharsetNr,
                                        f.Flags & UNSIGNED_FLAG, f.Flags & BINARY_FLAG, {}, dataType, fixed));
    EXPECT_EQ(dataType, dtString);
    PMYSQL_ROW row = api.FetchRow(result);
    std::string text;
    api.GetFieldString(row, 0, text);
    EXPECT_EQ(text, "18446744073709551615");
    while (api.FetchRow(result)) {
    }
    api.mysql_free_result(result);
}

} // namespace
} // namespace dataaccess
