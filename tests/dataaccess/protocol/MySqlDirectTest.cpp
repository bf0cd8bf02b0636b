#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLClient.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/protocol/uCRVioHandler.h"
#include "dataaccess/protocol/uMySqlDirect.h"
#include "dataaccess/protocol/uMySqlResultSet.h"
#include "dataaccess/protocol/uMySqlSession.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataTypes.h"
#include "dataaccess/TestConnection.h"
#include "platform/rtl/Streams.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mariadb/mysql.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::MatchesRegex;
using ::testing::StartsWith;

constexpr unsigned long kFlagCompress = 32;
constexpr unsigned long kFlagMultiStatements = 65536;
constexpr int kOptLocalInfile = 8;
constexpr int kOptProtocol = 9;
constexpr unsigned int kProtocolSocket = 2;

using Row = std::vector<std::optional<std::string>>;

// A wire-protocol session to the test server, closed with the test.
class DirectSession {
public:
    DirectSession() : api_(MySQLAPIDirectInstance()), handle_(api_.mysql_init(nullptr)) {}
    ~DirectSession() { api_.mysql_close(handle_); }

    // True when the login succeeded.
    bool Connect(const testsupport::ServerSettings& s, unsigned long flags = kFlagMultiStatements,
                 const char* host = nullptr, const char* password = nullptr) {
        return api_.mysql_real_connect(handle_, host ? host : s.host.c_str(), s.user.c_str(),
                                       password ? password : s.password.c_str(), s.database.c_str(), s.port,
                                       nullptr, flags) != nullptr;
    }
    int Query(const std::string& sql) { return api_.mysql_real_query(handle_, sql.data(), sql.size()); }
    // Every row of the query's first result.
    std::vector<Row> Rows(const std::string& sql) {
        EXPECT_EQ(Query(sql), 0) << Error();
        std::vector<Row> rows;
        PMYSQL_RES result = api_.mysql_use_result(handle_);
        if (!result) return rows;
        const unsigned int columns = api_.mysql_num_fields(result);
        while (PMYSQL_ROW row = api_.FetchRow(result)) {
            Row& values = rows.emplace_back();
            for (unsigned int i = 0; i < columns; ++i) {
                if (api_.FieldIsNull(row, static_cast<int>(i))) {
                    values.emplace_back();
                    continue;
                }
                std::string text;
                api_.GetFieldString(row, static_cast<int>(i), text);
                values.emplace_back(text);
            }
        }
        EXPECT_EQ(api_.mysql_errno(handle_), 0u) << Error();
        api_.mysql_free_result(result);
        return rows;
    }
    std::string Scalar(const std::string& sql) {
        const auto rows = Rows(sql);
        return rows.empty() || !rows[0][0] ? std::string() : *rows[0][0];
    }
    std::string Error() { return api_.mysql_error(handle_); }

    TMySQLAPIDirect& Api() { return api_; }
    PMYSQL_CON Handle() const { return handle_; }
    TMySqlSession& Session() const { return *reinterpret_cast<TMySqlSession*>(handle_); }

private:
    TMySQLAPIDirect& api_;
    PMYSQL_CON handle_;
};

TEST(MySqlDirectTest, ClientVersionAndLayout) {
    TMySQLAPIDirect& api = MySQLAPIDirectInstance();
    EXPECT_EQ(api.mysql_get_client_info(), "4.1.3 Direct");
    api.Init();
    EXPECT_EQ(api.ClientVersion(), "4.1.3 Direct");
    EXPECT_EQ(api.Layout(), mlDirect);
    EXPECT_TRUE(api.IsProtocol41());
    TMySQLConnection connection; // Direct is on by default
    EXPECT_EQ(connection.API(), &api);
    connection.SetProp(prDirect, false);
    EXPECT_EQ(connection.API(), &MySQLAPIClient());
    EXPECT_THROW(api.mysql_fetch_lengths(nullptr), rtl::EAssertionFailed);
}

TEST(MySqlDirectTest, LogsInOverEachTransport) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    const char* ca = std::getenv("VELTRANE_TEST_SSL_CA");
    struct Case {
        const char* name;
        const char* host;
        bool socket, tls;
        unsigned long flags;
        const char* hostInfo;
    };
    for (const Case& c : {Case{"tcp", nullptr, false, false, 0, "127.0.0.1 via TCP/IP"},
                          Case{"socket", "localhost", true, false, 0, "Localhost via UNIX socket"},
                          Case{"tls", nullptr, false, true, 0, "127.0.0.1 via SSL"},
                          Case{"compressed", nullptr, false, false, kFlagCompress, "127.0.0.1 via TCP/IP"}}) {
        SCOPED_TRACE(c.name);
        if (c.tls && !ca) continue;
        DirectSession session;
        TMySQLAPIDirect& api = session.Api();
        if (c.socket) api.mysql_options(session.Handle(), kOptProtocol, &kProtocolSocket);
        if (c.tls) api.mysql_ssl_set(session.Handle(), nullptr, nullptr, ca, nullptr, nullptr);
        const bool connected =
            c.socket ? api.mysql_real_connect(session.Handle(), c.host, settings.user.c_str(),
                                              settings.password.c_str(), settings.database.c_str(), 0,
                                              settings.socket.c_str(), 0) != nullptr
                     : session.Connect(settings, c.flags);
        ASSERT_TRUE(connected) << session.Error();
        // The "5.5.5-" that MariaDB shows old clients is gone, as with the client library.
        EXPECT_THAT(api.mysql_get_server_info(session.Handle()), MatchesRegex("10\\.11\\.[0-9]+-MariaDB.*"));
        EXPECT_EQ(api.mysql_get_host_info(session.Handle()), c.hostInfo);
        EXPECT_EQ(session.Scalar("SELECT DATABASE()"), settings.database);
        EXPECT_EQ(session.Scalar("SELECT CONNECTION_ID()"),
                  std::to_string(api.mysql_thread_id(session.Handle())));
        const std::string cipher =
            session.Scalar("SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                           "WHERE VARIABLE_NAME = 'SSL_CIPHER'");
        EXPECT_EQ(cipher.empty(), !c.tls);
        EXPECT_EQ(session.Scalar("SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                                 "WHERE VARIABLE_NAME = 'COMPRESSION'"),
                  c.flags & kFlagCompress ? "ON" : "OFF");
        // Large values cross packet and frame boundaries.
        EXPECT_EQ(session.Scalar("SELECT LENGTH(REPEAT('ab', 100000))"), "200000");
        std::string pairs;
        for (int i = 0; i < 50000; ++i)
            pairs += "ab";
        EXPECT_EQ(session.Scalar("SELECT REPEAT('ab', 50000)"), pairs);
        EXPECT_EQ(api.mysql_ping(session.Handle()), 0);
    }
}

TEST(MySqlDirectTest, AWrongPasswordGives1045) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    EXPECT_FALSE(session.Connect(settings, 0, nullptr, "wrong"));
    TMySQLAPIDirect& api = session.Api();
    EXPECT_EQ(api.mysql_errno(session.Handle()), 1045u);
    EXPECT_EQ(api.mysql_sqlstate(session.Handle()), "28000");
    EXPECT_THAT(session.Error(), StartsWith("Access denied for user '" + settings.user + "'"));
}

TEST(MySqlDirectTest, ServerErrorsKeepCodeSqlStateAndText) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    TMySQLAPIDirect& api = session.Api();
    EXPECT_EQ(session.Query("SELECT * FROM MySqlDirectTest_nope"), 1146);
    EXPECT_EQ(api.mysql_errno(session.Handle()), 1146u);
    EXPECT_EQ(api.mysql_sqlstate(session.Handle()), "42S02");
    EXPECT_EQ(session.Error(), "Table '" + settings.database + ".MySqlDirectTest_nope' doesn't exist");
    EXPECT_EQ(session.Query("DO 1"), 0);
    EXPECT_EQ(api.mysql_errno(session.Handle()), 0u);
    EXPECT_EQ(api.mysql_sqlstate(session.Handle()), "00000");
    EXPECT_EQ(api.mysql_select_db(session.Handle(), "MySqlDirectTest_nodb"), 1049);
    EXPECT_EQ(api.mysql_sqlstate(session.Handle()), "42000");
}

TEST(MySqlDirectTest, CommandsOutOfSyncWhileRowsArePending) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    TMySQLAPIDirect& api = session.Api();
    ASSERT_EQ(session.Query("SELECT 1 UNION SELECT 2"), 0);
    PMYSQL_RES result = api.mysql_use_result(session.Handle());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(api.mysql_use_result(session.Handle()), nullptr); // the same result again
    EXPECT_EQ(api.mysql_errno(session.Handle()), 2014u);
    EXPECT_EQ(session.Error(), "Commands out of sync;  You can't run this command now\r\nmysql.status = 2");
    EXPECT_EQ(session.Query("SELECT 3"), 2014);
    EXPECT_EQ(session.Error(), "Commands out of sync;  You can't run this command now");
    EXPECT_EQ(api.mysql_sqlstate(session.Handle()), "HY000");
    ASSERT_NE(api.FetchRow(result), nullptr);
    api.mysql_free_result(result); // the second row is skipped
    EXPECT_EQ(session.Scalar("SELECT 3"), "3");
}

TEST(MySqlDirectTest, TextRowsAndTheirAccessors) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    TMySQLAPIDirect& api = session.Api();
    ASSERT_EQ(session.Query("SELECT NULL AS n, 'ab' AS s, '' AS e, 42 AS i"), 0);
    PMYSQL_RES result = api.mysql_use_result(session.Handle());
    ASSERT_NE(result, nullptr);
    TMYSQL_FIELD field;
    api.ReadFieldDesc(result, 3, true, field);
    EXPECT_EQ(field.Name, "i");
    EXPECT_EQ(field.OrgName, "i");
    EXPECT_TRUE(field.Flags & kNumFlag);
    api.ReadFieldDesc(result, 1, true, field);
    EXPECT_EQ(field.FieldType, 253);
    EXPECT_THROW(api.ReadFieldDesc(result, 4, true, field), rtl::EAssertionFailed);

    PMYSQL_ROW row = api.FetchRow(result);
    ASSERT_NE(row, nullptr);
    TLenArr lengths;
    api.GetFieldLengths(result, lengths);
    EXPECT_EQ(lengths, (TLenArr{0, 2, 0, 2}));
    EXPECT_TRUE(api.FieldIsNull(row, 0));
    EXPECT_EQ(api.GetFieldBuf(result, row, 0), nullptr);
    EXPECT_FALSE(api.FieldIsNull(row, 2)); // empty is not NULL
    int offset = -1;
    const auto* base = static_cast<const char*>(api.GetFieldBufOffset(row, 1, offset, 2));
    EXPECT_EQ(offset, 2); // after the single NULL byte and the value's length byte
    EXPECT_EQ(std::string(base + offset, 2), "ab");
    char text[8] = "xxxxxxx";
    api.CopyFieldStr(row, 1, text, 7);
    EXPECT_STREQ(text, "ab");
    api.CopyFieldStrAt(row, 3, text, 1, 1);
    EXPECT_STREQ(text, "a4");
    EXPECT_EQ(api.FetchRow(result), nullptr);
    api.mysql_free_result(result);
}

TEST(MySqlDirectTest, MultipleResultsAndNextResult) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    TMySQLAPIDirect& api = session.Api();
    ASSERT_EQ(session.Query("SELECT 1; SELECT 2 UNION SELECT 3; DO 4"), 0);
    api.mysql_free_result(api.mysql_use_result(session.Handle())); // unread rows are skipped
    EXPECT_TRUE(api.mysql_more_results(session.Handle()));
    ASSERT_EQ(api.mysql_next_result(session.Handle()), 0);
    PMYSQL_RES second = api.mysql_use_result(session.Handle());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(api.mysql_next_result(session.Handle()), 2014); // rows still pending
    while (api.FetchRow(second)) {
    }
    api.mysql_free_result(second);
    ASSERT_EQ(api.mysql_next_result(session.Handle()), 0);
    EXPECT_EQ(api.mysql_use_result(session.Handle()), nullptr);
    EXPECT_EQ(api.mysql_field_count(session.Handle()), 0u);
    EXPECT_FALSE(api.mysql_more_results(session.Handle()));
    EXPECT_EQ(api.mysql_next_result(session.Handle()), -1);
    EXPECT_EQ(api.mysql_affected_rows(session.Handle()), static_cast<uint64_t>(-1));
    // An error in a later statement comes from next_result.
    ASSERT_EQ(session.Query("DO 1; SELECT * FROM MySqlDirectTest_nope"), 0);
    EXPECT_EQ(api.mysql_next_result(session.Handle()), 1146);
    EXPECT_EQ(session.Scalar("SELECT 5"), "5");
}

TEST(MySqlDirectTest, LocalInfile) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    const unsigned int on = 1;
    session.Api().mysql_options(session.Handle(), kOptLocalInfile, &on);
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    ASSERT_EQ(session.Query("CREATE OR REPLACE TABLE MySqlDirectTest_load (v VARCHAR(10))"), 0);
    const std::string path = rtl::CreateTempFile("MySqlDirectTest");
    {
        rtl::TFileStream file(path, rtl::fmOpenWrite);
        file.Write("a\nb\nc\n", 6);
    }
    ASSERT_EQ(session.Query("LOAD DATA LOCAL INFILE '" + path + "' INTO TABLE MySqlDirectTest_load"), 0)
        << session.Error();
    EXPECT_EQ(session.Api().mysql_affected_rows(session.Handle()), 3u);
    std::remove(path.c_str());

    // A missing file: the transfer ends empty, the server's reply is read, then the file error.
    EXPECT_THROW(session.Query("LOAD DATA LOCAL INFILE '/nonexistent/MySqlDirectTest' INTO TABLE "
                               "MySqlDirectTest_load"),
                 rtl::EFOpenError);
    EXPECT_EQ(session.Scalar("SELECT COUNT(*) FROM MySqlDirectTest_load"), "3");

    // Without the option the client does not offer local files, and the server refuses.
    DirectSession plain;
    ASSERT_TRUE(plain.Connect(settings)) << plain.Error();
    EXPECT_NE(plain.Query("LOAD DATA LOCAL INFILE '/etc/hostname' INTO TABLE MySqlDirectTest_load"), 0);
    EXPECT_EQ(plain.Scalar("SELECT COUNT(*) FROM MySqlDirectTest_load"), "3");
}

TEST(MySqlDirectTest, KillEndsTheOtherSession) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession victim, killer;
    ASSERT_TRUE(victim.Connect(settings) && killer.Connect(settings));
    TMySQLAPIDirect& api = killer.Api();
    EXPECT_EQ(api.mysql_kill(killer.Handle(), api.mysql_thread_id(victim.Handle())), 0);
    const int ping = api.mysql_ping(victim.Handle());
    EXPECT_TRUE(ping == 2013 || ping == 1927) << ping; // lost, or the server's "connection killed"
}

// ---- Prepared statements

// A transport component that forwards to TCP and keeps what was written: the packets as sent.
class TRecordingHandler : public TCRIOHandler {
public:
    TRecordingHandler() : TCRIOHandler(nullptr) {}

    TCRIOHandle Connect(const std::string& host, int port, const std::string&, const std::string&,
                        const std::string&) override {
        tcp_ = std::make_unique<TCRVioTcp>(host, port);
        tcp_->Connect();
        return 1;
    }
    void Disconnect(TCRIOHandle) override { tcp_->Close(); }
    int ReadNoWait(TCRIOHandle, uint8_t* buffer, int offset, int count) override {
        return tcp_->ReadNoWait(buffer, offset, count);
    }
    int Read(TCRIOHandle, uint8_t* buffer, int offset, int count) override {
        return tcp_->Read(buffer, offset, count);
    }
    int Write(TCRIOHandle, const uint8_t* buffer, int offset, int count) override {
        written.insert(written.end(), buffer + offset, buffer + offset + count);
        return tcp_->Write(buffer, offset, count);
    }
    int GetTimeout(TCRIOHandle) override { return tcp_->GetTimeout(); }
    void SetTimeout(TCRIOHandle, int seconds) override { tcp_->SetTimeout(seconds); }

    TBytes written;

private:
    std::unique_ptr<TCRVioTcp> tcp_;
};

TMySqlParam Param(int dataType, rtl::Variant value) {
    TMySqlParam param;
    param.DataType = dataType;
    param.Value = std::move(value);
    return param;
}

// The parameter block of each execute packet in `written`: the bytes after the statement id,
// flags and iteration count.
std::vector<TBytes> ExecuteBlocks(const TBytes& written) {
    std::vector<TBytes> blocks;
    for (size_t at = 0; at + 4 < written.size();) {
        const size_t length = written[at] | written[at + 1] << 8 | written[at + 2] << 16;
        if (written[at + 3] == 0 && written[at + 4] == cmdStmtExecute)
            blocks.emplace_back(written.begin() + static_cast<long>(at + 4 + 10),
                                written.begin() + static_cast<long>(at + 4 + length));
        at += 4 + length;
    }
    return blocks;
}

TEST(MySqlDirectTest, PreparedStatementsSendTypesOnlyWhenTheyChange) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    TRecordingHandler handler;
    DirectSession session;
    TMySQLAPIDirect& api = session.Api();
    SetMySqlIOHandler(session.Handle(), &handler);
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    EXPECT_EQ(api.mysql_get_host_info(session.Handle()), settings.host + " via TRecordingHandler");

    PMYSQL_STMT stmt = api.mysql_stmt_init(session.Handle());
    ASSERT_EQ(api.mysql_stmt_prepare(stmt, "SELECT CAST(? AS CHAR)", 22), 0) << api.mysql_stmt_error(stmt);
    EXPECT_EQ(api.mysql_stmt_param_count(stmt), 1u);
    EXPECT_EQ(api.mysql_stmt_field_count(stmt), 1u);
    const auto run = [&](const TMySqlParam& param) {
        EXPECT_EQ(api.StmtExecuteParams(stmt, std::span(&param, 1), true), 0) << api.mysql_stmt_error(stmt);
        PMYSQL_BINDSET binds = nullptr;
        EXPECT_EQ(api.StmtFetch(stmt, binds), 0);
        std::string value(static_cast<const char*>(api.StmtGetFieldBuf(stmt, 0)),
                          reinterpret_cast<TMySqlBinds*>(binds)->operator[](0).Length);
        EXPECT_EQ(api.StmtFetch(stmt, binds), 100);
        EXPECT_EQ(binds, nullptr);
        return value;
    };
    EXPECT_EQ(run(Param(dtInt32, 7)), "7");
    EXPECT_EQ(run(Param(dtInt32, -8)), "-8");
    // Above 2^31 an unsigned 32-bit value arrives as such.
    EXPECT_EQ(run(Param(dtUInt32, int64_t{3000000000})), "3000000000");
    const auto blocks = ExecuteBlocks(handler.written);
    ASSERT_EQ(blocks.size(), 3u);
    // NULL bitmap, then 1 with the types, or 0 without them.
    EXPECT_EQ(blocks[0], (TBytes{0, 1, 3, 0, 7, 0, 0, 0}));
    EXPECT_EQ(blocks[1], (TBytes{0, 0, 0xF8, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(blocks[2][1], 1);
    EXPECT_EQ(blocks[2][3], 0x80); // the unsigned flag
    api.mysql_stmt_close(stmt);
}

TEST(MySqlDirectTest, PreparedValuesOfEachTypeAndABinaryNullBitmap) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    TMySQLAPIDirect& api = session.Api();
    PMYSQL_STMT stmt = api.mysql_stmt_init(session.Handle());
    const std::string sql = "SELECT CAST(? AS CHAR), CAST(? AS CHAR), CAST(? AS CHAR), CAST(? AS CHAR), "
                            "CAST(? AS CHAR), CAST(? AS CHAR), ?";
    ASSERT_EQ(api.mysql_stmt_prepare(stmt, sql.data(), sql.size()), 0) << api.mysql_stmt_error(stmt);
    TMySqlParam result; // a leading function result is not sent
    result.Direction = kParamDirectionResult;
    TMySqlParam null = Param(dtInt32, 0);
    null.IsNull = true;
    const std::vector<TMySqlParam> params = {
        result,
        Param(dtInt64, int64_t{-9000000000}),
        Param(dtFloat, 2.5),
        Param(dtDateTime, rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(13, 14, 15, 0)),
        Param(dtTime, -1.5), // minus 36 hours
        Param(dtWideString, rtl::Variant(std::u16string(u"\u00e9t\u00e9 \U0001F600"))),
        Param(dtFMTBCD, std::string("12345.678")),
        null,
    };
    ASSERT_EQ(api.StmtExecuteParams(stmt, params, true), 0) << api.mysql_stmt_error(stmt);
    TMYSQL_BINDS unused;
    ASSERT_FALSE(api.StmtBindResult(stmt, unused));
    PMYSQL_BINDSET binds = nullptr;
    ASSERT_EQ(api.StmtFetch(stmt, binds), 0);
    TLenArr lengths;
    api.StmtGetLengths(binds, lengths);
    ASSERT_EQ(lengths.size(), 7u);
    std::vector<std::string> values;
    for (int i = 0; i < 6; ++i)
        values.emplace_back(static_cast<const char*>(api.StmtGetFieldBuf(stmt, i)), lengths[i]);
    EXPECT_EQ(values, (std::vector<std::string>{"-9000000000", "2.5", "2024-02-29 13:14:15", "-36:00:00",
                                                "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "12345.678"}));
    // Seven columns take two bitmap bytes (two bits are reserved): the first value follows them.
    const TMySqlBinds& row = *reinterpret_cast<TMySqlBinds*>(binds);
    EXPECT_EQ(row[0].Offset, 1 + 2 + 1);
    EXPECT_EQ(row[6].IsNull, 1);
    EXPECT_EQ(api.StmtGetFieldBuf(stmt, 6), nullptr);
    EXPECT_EQ(api.StmtFetch(stmt, binds), 100);
    api.mysql_stmt_close(stmt);
}

TEST(MySqlDirectTest, StatementErrors) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    DirectSession session;
    ASSERT_TRUE(session.Connect(settings)) << session.Error();
    TMySQLAPIDirect& api = session.Api();
    PMYSQL_STMT stmt = api.mysql_stmt_init(session.Handle());
    TMYSQL_BINDS none;
    EXPECT_TRUE(api.StmtBindResult(stmt, none));
    EXPECT_EQ(api.mysql_stmt_errno(stmt), 2029u);
    EXPECT_EQ(api.mysql_stmt_prepare(stmt, "SELEC 1", 7), 1064);
    EXPECT_THAT(api.mysql_stmt_error(stmt), StartsWith("You have an error in your SQL syntax"));
    ASSERT_EQ(api.mysql_stmt_prepare(stmt, "DO ?", 4), 0);
    EXPECT_EQ(api.mysql_stmt_result_metadata(stmt), nullptr);
    EXPECT_TRUE(api.StmtBindResult(stmt, none));
    EXPECT_EQ(api.mysql_stmt_errno(stmt), 2000u);
    // A parameter count that does not match sends none; the server answers with its error.
    EXPECT_NE(api.StmtExecuteParams(stmt, {}, true), 0);
    EXPECT_EQ(session.Scalar("SELECT 6"), "6");
    api.mysql_stmt_close(stmt);
}

// ---- The connection and command over the wire protocol

std::unique_ptr<TMySQLConnection> DirectConnection(const testsupport::ServerSettings& s) {
    return testing::ConnectTestConnection(s, true, true);
}

TEST(MySqlDirectTest, TheConnectionRunsOverTheWireProtocol) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    auto connection = DirectConnection(settings);
    EXPECT_EQ(connection->API(), &MySQLAPIDirectInstance());
    EXPECT_EQ(connection->GetClientVersion(), "4.1.3 Direct");
    EXPECT_THAT(connection->GetServerVersion(), MatchesRegex("10\\.11\\.[0-9]+"));
    try {
        connection->ExecSQL("SELECT * FROM MySqlDirectTest_nope");
        ADD_FAILURE() << "no error";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1146);
        EXPECT_EQ(e.SqlState(), "42S02");
        EXPECT_EQ(e.Message(), "Table '" + settings.database + ".MySqlDirectTest_nope' doesn't exist");
    }
    connection->ExecSQL("SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')");
    EXPECT_FALSE(connection->BackslashEscapes());
    connection->ExecSQL("SET SESSION sql_mode = ''; DO 1");
    EXPECT_TRUE(connection->BackslashEscapes());

    TMySQLCommand command;
    command.SetConnection(connection.get());
    command.SetSQL("SET @MySqlDirectTest_r = :x + 1");
    command.GetParam(0)->SetDataType(dtInt32);
    command.GetParam(0)->SetValue(rtl::Variant(41));
    command.Prepare();
    command.Execute();
    command.Unprepare();
    command.SetSQL("SELECT @MySqlDirectTest_r, '\xF0\x9F\x98\x80'");
    command.SetRequestResultSet(true);
    command.Execute();
    TMySQLAPI& api = *connection->API();
    PMYSQL_ROW row = api.FetchRow(command.SQLResult());
    ASSERT_NE(row, nullptr);
    std::string value, emoji;
    api.GetFieldString(row, 0, value);
    api.GetFieldString(row, 1, emoji);
    EXPECT_EQ(value, "42");
    EXPECT_EQ(emoji, "\xF0\x9F\x98\x80");
    api.mysql_free_result(command.SQLResult());
    command.SetSQLResult(nullptr);
}

} // namespace
} // namespace dataaccess
