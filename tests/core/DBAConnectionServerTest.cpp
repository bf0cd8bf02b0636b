#include "core/uDBAConnection.h"

#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/ServerConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace core {
namespace {

using testing::ElementsAre;
using testsupport::kServerConnectionTag;
using testsupport::NewServerConnection;
using testsupport::RawSession;
using testsupport::SQLMonitorLog;

std::string Text(const std::shared_ptr<IRODataValue>& value) {
    return value->AsString().AsString();
}

// The code of the exception `action` raises as a server error or a lost connection; 0 without one.
template <class Exception, class Action>
int ErrorCodeOf(Action action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.ErrorCode();
    }
    return 0;
}

TEST(DBAConnectionServerTest, ConnectsInUtf8mb4) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    SQLMonitorLog log;
    const auto connection = NewServerConnection(server);
    EXPECT_FALSE(connection->GetConnected());
    EXPECT_EQ(connection->GetDataConverter().DefaultCodePage(), 1252);
    connection->Connect();
    EXPECT_TRUE(connection->GetConnected());
    EXPECT_THAT(log.lines, ElementsAre("SET NAMES utf8mb4", "SHOW VARIABLES like 'character_set_database'"));
    EXPECT_EQ(connection->GetDataConverter().DefaultCodePage(), 65001);
    EXPECT_EQ(Text(connection->Evaluate(u"@@character_set_client", true, 0)), "utf8mb4");
    EXPECT_EQ(connection->GetCurrentDatabase(), server.database);
    EXPECT_EQ(connection->GetDescription(), server.database + " at " + server.host);
}

// A database of the test's own, dropped with the object.
class TOwnDatabase {
public:
    TOwnDatabase(const testsupport::ServerSettings& server, const std::string& name,
                 const std::string& options = {})
        : name(name + kServerConnectionTag), quoted(QuotedName(this->name)), session_(server) {
        session_.Execute("CREATE DATABASE IF NOT EXISTS " + quoted + " " + options);
    }
    ~TOwnDatabase() { session_.Execute("DROP DATABASE IF EXISTS " + quoted); }

    const std::string name;
    const std::string quoted;

private:
    static std::string QuotedName(const std::string& name) {
        std::string text = "`";
        for (const char c : name)
            text += c == '`' ? "``" : std::string(1, c);
        return text + "`";
    }

    RawSession session_;
};

struct CharsetCase {
    const char* charset;
    // The default code page, or the error of the connect.
    const char* outcome;
};

class DatabaseCharsetTest : public testing::TestWithParam<CharsetCase> {};

TEST_P(DatabaseCharsetTest, GivesTheDefaultCodePage) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const TOwnDatabase database(server, std::string("DBAConnectionServerTest_") + GetParam().charset,
                                std::string("CHARACTER SET ") + GetParam().charset);
    const auto connection = NewServerConnection(server, database.name);
    const std::string error = testsupport::ErrorMessageOf([&] { connection->Connect(); });
    EXPECT_EQ(error == "no error" ? std::to_string(connection->GetDataConverter().DefaultCodePage()) : error,
              GetParam().outcome);
}

// utf16 is not in the catalogue: its text would be read wrongly, so the connection is refused.
INSTANTIATE_TEST_SUITE_P(Charsets, DatabaseCharsetTest,
                         testing::Values(CharsetCase{"latin1", "1252"}, CharsetCase{"utf8mb3", "65001"},
                                         CharsetCase{"cp1251", "1251"},
                                         CharsetCase{"utf16", "Unknown character set utf16"}));

TEST(DBAConnectionServerTest, FourByteCharactersRoundTrip) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    const std::u16string emoji = u"\U0001F600";
    EXPECT_EQ(connection->Evaluate(u"'" + emoji + u"'", true, 0)->AsWideString().AsWideString(), emoji);
    EXPECT_EQ(Text(connection->Evaluate(u"hex('" + emoji + u"')", true, 0)), "F09F9880");
    const auto result = connection->Execute("select '\xF0\x9F\x98\x80' as e");
    EXPECT_EQ(result->GetDataSet()->Fields()[0]->AsString(), "\xF0\x9F\x98\x80");
}

TEST(DBAConnectionServerTest, EvaluatesAnExpression) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    SQLMonitorLog log;
    const auto value = connection->Evaluate(u"1+1", true, 0);
    EXPECT_EQ(value->GetCharacteristics().DataType, dtInteger);
    EXPECT_EQ(value->AsInteger().AsInt64(), 2);
    EXPECT_THAT(log.lines, ElementsAre("select (1+1) as ExpressionValue"));
    EXPECT_EQ(connection->Evaluate(u"null", true, 0), NullDataValue());
    EXPECT_EQ(Text(connection->Evaluate(u"select 'a', 'b'", false, 1)), "b");
}

TEST(DBAConnectionServerTest, ServerErrorsCarryTheServersStateAndReachTheMonitor) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    SQLMonitorLog log;
    try {
        connection->Execute("SELECT * FROM nope");
        FAIL() << "no error";
    } catch (const EDBAConnectionException& e) {
        EXPECT_EQ(e.ErrorCode(), 1146);
        EXPECT_EQ(e.SQLState(), "42S02");
    }
    EXPECT_THAT(log.lines, ElementsAre("SELECT * FROM nope",
                                       "ERROR: Table '" + server.database + ".nope' doesn't exist"));
    try {
        connection->ExecSQL("SIGNAL SQLSTATE '45001' SET MYSQL_ERRNO = 1644, MESSAGE_TEXT = 'custom'");
        FAIL() << "no error";
    } catch (const EDBAConnectionException& e) {
        EXPECT_EQ(e.Message(), "Error code: 1644, SQLState: 45001, Message: custom");
    }
    EXPECT_EQ(ErrorCodeOf<EDBAConnectionException>([&] { connection->CreateQuery("selec 1", true)->Open(); }),
              1064);
    // The session is still usable.
    EXPECT_EQ(Text(connection->Evaluate(u"1", true, 0)), "1");
}

TEST(DBAConnectionServerTest, SystemVariablesAreAskedOnce) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    SQLMonitorLog log;
    auto* variables = dynamic_cast<IDBASystemVariables*>(connection.get());
    ASSERT_NE(variables, nullptr);
    EXPECT_TRUE(variables->IsSystemVariable("AUTOCOMMIT"));
    EXPECT_TRUE(variables->IsSystemVariable("sql_mode"));
    EXPECT_FALSE(variables->IsSystemVariable("debugger_internal_variable_1"));
    EXPECT_THAT(log.lines, ElementsAre("show variables"));
}

class KilledConnectionTest : public testing::Test {
protected:
    // Kills the connection's session from another one.
    static void Kill(const testsupport::ServerSettings& server, IDBAConnection& connection) {
        const unsigned long session = testsupport::SessionIdOf(connection);
        RawSession(server).Kill(session);
    }
};

TEST_F(KilledConnectionTest, CallsTheHandlerAndStillRaises) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    std::vector<IDBAConnection*> senders;
    connection->SetOnConnectionLost([&](IDBAConnection* sender) { senders.push_back(sender); });
    Kill(server, *connection);
    SQLMonitorLog log;
    const int code = ErrorCodeOf<EDBAConnectionLost>([&] { connection->ExecSQL("do 1"); });
    EXPECT_THAT(code, testing::AnyOf(2006, 2013));
    EXPECT_THAT(senders, ElementsAre(connection.get()));
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_THAT(log.lines[1], testing::StartsWith("ERROR: "));
    // Reconnecting makes it usable again.
    connection->Disconnect();
    connection->Connect();
    EXPECT_EQ(Text(connection->Evaluate(u"1+1", true, 0)), "2");
}

TEST_F(KilledConnectionTest, WithoutHandlerRaisesAServerError) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    Kill(server, *connection);
    try {
        connection->Evaluate(u"1", true, 0);
        FAIL() << "no error";
    } catch (const EDBAConnectionException& e) {
        EXPECT_THAT(e.ErrorCode(), testing::AnyOf(2006, 2013));
        EXPECT_EQ(e.SQLState(), "HY000");
    }
}

TEST(DBAConnectionServerTest, UseDatabaseQuotesTheName) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const TOwnDatabase database(server, "DBAConnectionServerTest-db`1");
    const auto connection = NewServerConnection(server);
    connection->Connect();
    struct Listener {
        void HandleEvent(const std::shared_ptr<IEvent>& event) { senders.push_back(event->GetSender()); }
        std::vector<void*> senders;
    } listener;
    connection->GetDatabaseNotifier().AddHandler(TEventHandler::Of<&Listener::HandleEvent>(&listener));
    SQLMonitorLog log;
    connection->UseDatabase(database.name);
    EXPECT_EQ(log.lines.at(0), "use " + database.quoted);
    EXPECT_EQ(connection->GetCurrentDatabase(), database.name);
    EXPECT_EQ(connection->GetDatabase(), server.database);
    EXPECT_THAT(listener.senders, ElementsAre(connection.get()));
}

// Each value must read as the server shows it.
struct ValueCase {
    const char* expression;
    TDataType kind;
    int codePage;
};

class FieldValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(FieldValueTest, EvaluateAndQueriesAgreeWithTheServer) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const ValueCase& c = GetParam();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    const std::string expression = c.expression;
    const std::string shown = RawSession(server).Scalar("select cast((" + expression + ") as char)");

    const auto evaluated = connection->Evaluate(rtl::Utf8ToUtf16(expression), true, 0);
    const auto query = connection->CreateQuery("select " + expression, false);
    query->Open();
    const auto fetched = connection->FieldDataValue(query->Fields()[0]);
    for (const auto& value : {evaluated, fetched}) {
        EXPECT_EQ(value->GetCharacteristics().DataType, c.kind);
        EXPECT_EQ(value->GetCharacteristics().CodePage, c.codePage);
        EXPECT_EQ(Text(value), shown);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, FieldValueTest,
                         testing::Values(ValueCase{"1+1", dtInteger, -1},
                                         ValueCase{"-9223372036854775807", dtInteger, -1},
                                         ValueCase{"cast(18446744073709551615 as unsigned)", dtInteger, -1},
                                         ValueCase{"12.500", dtFloat, -1}, ValueCase{"1e0", dtFloat, -1},
                                         ValueCase{"0.25e0", dtFloat, -1},
                                         ValueCase{"cast('2024-01-31 10:20:30' as datetime)", dtDateTime, -1},
                                         ValueCase{"cast('2024-01-31' as date)", dtDate, -1},
                                         ValueCase{"cast('-12:34:56' as time)", dtTime, -1},
                                         ValueCase{"'text'", dtString, 65001},
                                         ValueCase{"'x' collate utf8mb4_bin", dtString, 65001},
                                         ValueCase{"_binary'ab'", dtString, -1}));

TEST(DBAConnectionServerTest, EnumAndSetColumnsReadAsText) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    connection->ExecSQL(
        "create temporary table DBAConnectionServerTest_es (e enum('a','b'), s set('x','y'))");
    connection->ExecSQL("insert into DBAConnectionServerTest_es values ('b', 'x,y')");
    const auto query = connection->CreateQuery("select e, s from DBAConnectionServerTest_es", true);
    query->Open();
    for (data::TField* field : query->Fields()) {
        // Whatever code the column reports, ENUM and SET included, the value is the member text.
        for (int typeCode : {field->MySQLType(), 247, 248}) {
            field->SetMySQLType(typeCode, false);
            const auto value = connection->FieldDataValue(field);
            EXPECT_EQ(value->GetCharacteristics().DataType, dtString);
            EXPECT_EQ(Text(value), field->FieldName() == "e" ? "b" : "x,y");
        }
    }
}

TEST(DBAConnectionServerTest, ExecuteReportsRowsOrAffectedRows) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    EXPECT_EQ(connection->ExecSQL("create temporary table DBAConnectionServerTest_r (a int, t varchar(10))"),
              0);
    const auto insert =
        connection->Execute("insert into DBAConnectionServerTest_r values (1,'x'),(2,'y'),(3,null)");
    EXPECT_FALSE(insert->HasResultSet());
    EXPECT_EQ(insert->RowCount(), 3);
    EXPECT_EQ(connection->ExecSQL("update DBAConnectionServerTest_r set a = a + 1 where a > 1"), 2);

    const auto select = connection->Execute("select a, t from DBAConnectionServerTest_r order by a");
    ASSERT_TRUE(select->HasResultSet());
    EXPECT_EQ(select->RowCount(), 3);
    EXPECT_FALSE(select->HasMoreResults());
    data::TDataSet* rows = select->GetDataSet();
    // Text columns read as UTF-16.
    EXPECT_EQ(rows->Fields()[1]->Value().Type(), rtl::varWideString);
    std::vector<std::string> texts;
    for (rows->First(); !rows->Eof(); rows->Next())
        texts.push_back(rows->Fields()[0]->AsString() + ":" +
                        (rows->Fields()[1]->IsNull() ? "NULL" : rows->Fields()[1]->AsString()));
    EXPECT_THAT(texts, ElementsAre("1:x", "3:y", "4:NULL"));
    EXPECT_THROW(
        {
            try {
                select->NextResult();
            } catch (const rtl::Exception& e) {
                EXPECT_EQ(e.Message(), "No more results");
                throw;
            }
        },
        rtl::Exception);
}

// A CALL's results one at a time, each a result of its own, or all skipped together.
TEST(DBAConnectionServerTest, PendingResults) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    RawSession setup(server);
    const std::string procedure = std::string("DBAConnectionServerTest_two") + kServerConnectionTag;
    setup.Execute("CREATE OR REPLACE PROCEDURE " + procedure +
                  "() BEGIN SET @calls = IFNULL(@calls, 0) + 1; SELECT 1 AS a; SELECT 2 AS b, 3 AS c; END");
    struct Drop {
        RawSession& session;
        std::string procedure;
        ~Drop() { session.Execute("DROP PROCEDURE IF EXISTS " + procedure); }
    } drop{setup, procedure};

    const auto connection = NewServerConnection(server);
    connection->Connect();
    const auto result = connection->Execute("CALL " + procedure + "()");
    ASSERT_TRUE(result->HasResultSet());
    EXPECT_TRUE(result->HasMoreResults());
    EXPECT_EQ(result->GetDataSet()->Fields()[0]->FieldName(), "a");
    const auto second = result->GetNextResult();
    ASSERT_TRUE(second->HasResultSet());
    EXPECT_EQ(second->GetDataSet()->FieldCount(), 2);
    EXPECT_EQ(second->GetDataSet()->Fields()[1]->AsString(), "3");
    // The first keeps its rows and has handed on what was pending.
    EXPECT_EQ(result->GetDataSet()->Fields()[0]->AsString(), "1");
    EXPECT_FALSE(result->HasMoreResults());
    // The CALL's own status comes last, without a result set.
    ASSERT_TRUE(second->HasMoreResults());
    const auto status = second->GetNextResult();
    EXPECT_FALSE(status->HasResultSet());
    EXPECT_FALSE(status->HasMoreResults());
    try {
        status->GetNextResult();
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "No more results");
    }
    // Each result was taken from the session, none by running the statement again.
    EXPECT_EQ(Text(connection->Evaluate(u"@calls", true, 0)), "1");

    // Past both pending results (the second SELECT and the CALL's own status) at once.
    const auto skipped = connection->Execute("CALL " + procedure + "()");
    skipped->NextResult();
    EXPECT_FALSE(skipped->HasResultSet());
    EXPECT_FALSE(skipped->HasMoreResults());
    EXPECT_EQ(skipped->RowCount(), 0);

    const auto batch = connection->Execute("select 1 as a; select 2 as b, 3 as c");
    batch->NextResult();
    ASSERT_TRUE(batch->HasResultSet());
    EXPECT_EQ(batch->GetDataSet()->FieldCount(), 2);
    EXPECT_EQ(batch->GetDataSet()->Fields()[1]->AsString(), "3");
    // The session was left in step.
    EXPECT_EQ(Text(connection->Evaluate(u"4", true, 0)), "4");
}

// A SET sent ahead in the same text: the result, its affected rows and its warnings are those of the
// statement after it; an error is the failing statement's, and one in the SET runs nothing after it.
TEST(DBAConnectionServerTest, LeadingStatementsWithoutRowsAreSteppedOver) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    connection->ExecSQL("create temporary table DBAConnectionServerTest_s (a int primary key, t varchar(2))");
    connection->ExecSQL("insert into DBAConnectionServerTest_s values (1,'x'),(2,'y'),(3,'z')");

    // The SET warns about the cut value; the UPDATE, whose reply this is, does not.
    const auto update = connection->Execute("SET @s1 = cast('7z' as signed), @s2 = 2;"
                                            "update DBAConnectionServerTest_s set t = @s1 where a >= @s2");
    EXPECT_FALSE(update->HasResultSet());
    EXPECT_EQ(update->RowCount(), 2);
    EXPECT_EQ(update->WarningCount(), 0);

    const auto select = connection->Execute(
        "SET @s2 = 3; select t, cast('1x' as signed) as c from DBAConnectionServerTest_s where a = @s2");
    ASSERT_TRUE(select->HasResultSet());
    EXPECT_FALSE(select->HasMoreResults());
    EXPECT_EQ(select->GetDataSet()->Fields()[0]->AsString(), "7");
    EXPECT_EQ(select->WarningCount(), 1);

    const auto errorCode = [&](const std::string& sql) {
        try {
            connection->Execute(sql);
        } catch (const core::EDBAConnectionException& e) {
            return e.ErrorCode();
        }
        return 0;
    };
    EXPECT_EQ(errorCode("SET @s3 = 5; insert into DBAConnectionServerTest_s values (1, 'd')"), 1062);
    EXPECT_EQ(Text(connection->Evaluate(u"@s3", true, 0)), "5");
    EXPECT_EQ(errorCode("SET @s4 = (select a from DBAConnectionServerTest_s);"
                        "insert into DBAConnectionServerTest_s values (9, 'n')"),
              1242);
    EXPECT_EQ(
        Text(connection->Evaluate(u"(select count(*) from DBAConnectionServerTest_s where a = 9)", true, 0)),
        "0");
}

TEST(DBAConnectionServerTest, ScriptsBypassTheMonitor) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    char fileName[] = "/tmp/DBAConnectionServerTestXXXXXX";
    const int fd = mkstemp(fileName);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(fileName) << "create temporary table DBAConnectionServerTest_s (a int);\n"
                               "insert into DBAConnectionServerTest_s values (1), (2);\n";
    const auto connection = NewServerConnection(server);
    connection->Connect();
    SQLMonitorLog log;
    connection->ExecScript(fileName);
    std::remove(fileName);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(Text(connection->Evaluate(u"select count(*) from DBAConnectionServerTest_s", false, 0)), "2");
}

TEST(DBAConnectionServerTest, TheConverterAsksTheServerForDatesAndTimes) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = NewServerConnection(server);
    connection->Connect();
    TDataConverter& converter = connection->GetDataConverter();
    const TDatatypeCharacteristics text = Utf8StringCharacteristics();
    EXPECT_EQ(converter.ConvertToDate("2024-1-31", text)->AsInteger().AsInt64(), 20240131);
    EXPECT_EQ(converter.ConvertToDateTime("2024-01-31 10:20:30", text)->AsInteger().AsInt64(),
              20240131102030);
    EXPECT_EQ(converter.ConvertToTime("-1:02:03", text)->AsInteger().AsInt64(), -10203);
    EXPECT_TRUE(converter.ConvertToDate("not a date", text)->IsNull());
}

} // namespace
} // namespace core
