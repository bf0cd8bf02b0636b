#include "core/uDBAConnection.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"
#include "support/FakeConnection.h"
#include "support/SQLMonitorLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace core {
namespace {

using testing::ElementsAre;
using testsupport::FakeConnection;
using testsupport::FetchedColumn;
using testsupport::SQLMonitorLog;

// MySQL column type codes used below.
constexpr std::uint8_t kLong = 3, kDouble = 5, kNewDecimal = 246, kEnum = 247, kSet = 248, kBlob = 252,
                       kVarString = 253;

std::vector<std::string> StringsOf(const rtl::TStringList& list) {
    std::vector<std::string> strings;
    for (int i = 0; i < list.Count(); ++i)
        strings.push_back(list[i]);
    return strings;
}

// ---- errors ----

TEST(DBAConnectionExceptionTest, CarriesCodeStateAndMessage) {
    const EDBAConnectionException error("x", 1146, "42S02");
    EXPECT_EQ(error.Message(), "Error code: 1146, SQLState: 42S02, Message: x");
    EXPECT_EQ(error.ErrorCode(), 1146);
    EXPECT_EQ(error.SQLState(), "42S02");
    EXPECT_EQ(error.ErrorMessage(), "x");
    EXPECT_FALSE(error.Handled());
    EXPECT_STREQ(error.ClassName(), "EDBAConnectionException");
}

TEST(DBAConnectionExceptionTest, RaiseMySQLErrorTakesTheTablesState) {
    try {
        RaiseMySQLError("Cursor is not open", 1326);
        FAIL() << "no error";
    } catch (const EDBAConnectionException& e) {
        EXPECT_EQ(e.Message(), "Error code: 1326, SQLState: 24000, Message: Cursor is not open");
    }
    try {
        RaiseDBAError("custom", 1644, "45001");
        FAIL() << "no error";
    } catch (const EDBAConnectionException& e) {
        EXPECT_EQ(e.SQLState(), "45001");
        EXPECT_EQ(e.ErrorCode(), 1644);
    }
}

struct SQLStateCase {
    int errorCode;
    const char* sqlState;
};

class MySQLErrorSQLStateTest : public testing::TestWithParam<SQLStateCase> {};

TEST_P(MySQLErrorSQLStateTest, MapsTheErrorNumber) {
    EXPECT_EQ(MySQLErrorSQLState(GetParam().errorCode), GetParam().sqlState);
}

INSTANTIATE_TEST_SUITE_P(Table, MySQLErrorSQLStateTest,
                         testing::Values(SQLStateCase{1146, "42S02"}, SQLStateCase{1064, "42000"},
                                         SQLStateCase{2013, "HY000"}, SQLStateCase{1, "HY000"},
                                         SQLStateCase{1021, "HY000"}, SQLStateCase{1022, "23000"},
                                         SQLStateCase{1630, "42000"}, SQLStateCase{1631, "HY000"},
                                         SQLStateCase{1062, "23000"}, SQLStateCase{1213, "40001"},
                                         SQLStateCase{1329, "02000"}, SQLStateCase{1365, "22012"},
                                         SQLStateCase{1568, "25001"}, SQLStateCase{1613, "XA106"},
                                         SQLStateCase{1614, "XA102"}, SQLStateCase{1644, "HY000"},
                                         // Only the low 16 bits count.
                                         SQLStateCase{65536 + 1146, "42S02"}));

TEST(MySQLErrorSQLStateTest, KnowsExactlyTheServerErrorsOfTheTable) {
    int mapped = 0;
    for (int code = 0; code <= 0xFFFF; ++code)
        if (MySQLErrorSQLState(code) != "HY000") {
            ++mapped;
            EXPECT_TRUE(code >= 1022 && code <= 1630) << code;
        }
    EXPECT_EQ(mapped, 209);
}

// ---- the SQL monitor ----

TEST(SQLMonitorTest, PassesTextOnlyWithCallbackAndSwitchOn) {
    SQLMonitorLog log;
    MonitorSQL("one");
    SetSQLMonitorEnabled(false);
    MonitorSQL("switched off");
    SetSQLMonitorEnabled(true);
    MonitorSQL("two");
    SetSQLMonitor({});
    MonitorSQL("no callback");
    EXPECT_THAT(log.lines, ElementsAre("one", "two"));
}

TEST(SQLMonitorTest, SwitchAndCallbackMayChangeWhileAnotherThreadSends) {
    std::atomic<int> seen{0};
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop)
            MonitorSQL("select 1");
    });
    for (int i = 0; i < 2000; ++i) {
        // Each callback owns state that goes away when the next one replaces it.
        auto calls = std::make_shared<int>(0);
        SetSQLMonitor([calls, &seen](const std::string&) {
            ++*calls;
            ++seen;
        });
        SetSQLMonitorEnabled(i % 2 == 0);
    }
    SetSQLMonitorEnabled(true);
    while (seen == 0)
        std::this_thread::yield();
    stop = true;
    sender.join();
    SetSQLMonitor({});
    EXPECT_GT(seen, 0);
}

// ---- QueryColumnToStrings ----

class QueryColumnToStringsTest : public testing::Test {
protected:
    void SetUp() override { connection_.Connect(); }

    FakeConnection connection_;
    rtl::TStringList list_;
};

TEST_F(QueryColumnToStringsTest, AppendsTheColumnOfEveryRowInOrder) {
    connection_.AnswerRows("show databases", {{"Database", kVarString}, {"Other", kVarString}},
                           {{"shop", "1"}, {"mysql", std::nullopt}, {"test", "3"}});
    list_.Add("kept");
    QueryColumnToStrings(&connection_, "show databases", 1, &list_);
    EXPECT_THAT(StringsOf(list_), ElementsAre("kept", "1", "", "3"));
}

TEST_F(QueryColumnToStringsTest, NoRowsLeaveTheListAlone) {
    connection_.AnswerRows("select a from empty", {{"a", kLong}}, {});
    list_.Add("kept");
    QueryColumnToStrings(&connection_, "select a from empty", 0, &list_);
    EXPECT_THAT(StringsOf(list_), ElementsAre("kept"));
}

TEST_F(QueryColumnToStringsTest, ServerErrorsPassThrough) {
    connection_.Fail("select a from nope", 1146, "42S02", "Table 'fake_db.nope' doesn't exist");
    EXPECT_THROW(QueryColumnToStrings(&connection_, "select a from nope", 0, &list_),
                 EDBAConnectionException);
    EXPECT_EQ(list_.Count(), 0);
}

TEST_F(QueryColumnToStringsTest, NeedsConnectionAndList) {
    EXPECT_THROW(QueryColumnToStrings(nullptr, "show databases", 0, &list_), rtl::EAssertionFailed);
    EXPECT_THROW(QueryColumnToStrings(&connection_, "show databases", 0, nullptr), rtl::EAssertionFailed);
}

// ---- the connection contract, on the scripted connection ----

class FakeConnectionTest : public testing::Test {
protected:
    void SetUp() override { connection_.Connect(); }

    FakeConnection connection_;
    SQLMonitorLog log_;
};

// Each operation that sends SQL, sending `sql`.
const std::vector<std::pair<const char*, std::function<void(IDBAConnection&, const std::string&)>>>&
SendingOperations() {
    static const std::vector<std::pair<const char*, std::function<void(IDBAConnection&, const std::string&)>>>
        operations = {
            {"ExecSQL", [](IDBAConnection& c, const std::string& sql) { c.ExecSQL(sql); }},
            {"Execute", [](IDBAConnection& c, const std::string& sql) { c.Execute(sql); }},
            {"CreateQuery",
             [](IDBAConnection& c, const std::string& sql) { c.CreateQuery(sql, false)->Open(); }},
            {"Evaluate",
             [](IDBAConnection& c, const std::string& sql) { c.Evaluate(rtl::Utf8ToUtf16(sql), false, 0); }},
        };
    return operations;
}

TEST_F(FakeConnectionTest, ServerErrorsRaiseWithTheReportedStateAfterTheMonitorLine) {
    const std::string sql = "SIGNAL SQLSTATE '45001'";
    connection_.Fail(sql, 1644, "45001", "custom");
    for (const auto& [name, operation] : SendingOperations()) {
        SCOPED_TRACE(name);
        log_.lines.clear();
        try {
            operation(connection_, sql);
            ADD_FAILURE() << "no error";
        } catch (const EDBAConnectionException& e) {
            EXPECT_EQ(e.ErrorCode(), 1644);
            EXPECT_EQ(e.SQLState(), "45001");
            EXPECT_EQ(e.ErrorMessage(), "custom");
        }
        EXPECT_THAT(log_.lines, ElementsAre(sql, "ERROR: custom"));
    }
}

class LostConnectionTest : public FakeConnectionTest, public testing::WithParamInterface<unsigned> {};

TEST_P(LostConnectionTest, CallsTheHandlerAndStillRaises) {
    const unsigned code = GetParam();
    connection_.Fail("do 1", code, "HY000", "Lost connection to server during query");
    std::vector<IDBAConnection*> senders;
    connection_.SetOnConnectionLost([&](IDBAConnection* sender) { senders.push_back(sender); });
    for (const auto& [name, operation] : SendingOperations()) {
        SCOPED_TRACE(name);
        senders.clear();
        try {
            operation(connection_, "do 1");
            ADD_FAILURE() << "no error";
        } catch (const EDBAConnectionException&) {
            ADD_FAILURE() << "a lost connection must not reach condition handlers";
        } catch (const EDBAConnectionLost& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<int>(code));
        }
        EXPECT_THAT(senders, ElementsAre(static_cast<IDBAConnection*>(&connection_)));
    }
    EXPECT_EQ(log_.Count("ERROR: Lost connection to server during query"), 4);
}

TEST_P(LostConnectionTest, WithoutHandlerIsAServerError) {
    connection_.Fail("do 1", GetParam(), "HY000", "Lost connection to server during query");
    int calls = 0;
    connection_.SetOnConnectionLost([&](IDBAConnection*) { ++calls; });
    connection_.SetOnConnectionLost({});
    EXPECT_THROW(connection_.ExecSQL("do 1"), EDBAConnectionException);
    EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(ClientErrors, LostConnectionTest, testing::Values(2006u, 2013u));

TEST_F(FakeConnectionTest, OtherErrorsLeaveTheLostConnectionHandlerAlone) {
    connection_.Fail("select * from nope", 1146, "42S02", "Table 'fake_db.nope' doesn't exist");
    int calls = 0;
    connection_.SetOnConnectionLost([&](IDBAConnection*) { ++calls; });
    EXPECT_THROW(connection_.ExecSQL("select * from nope"), EDBAConnectionException);
    EXPECT_EQ(calls, 0);
}

TEST_F(FakeConnectionTest, UseDatabaseQuotesTheNameAndNotifies) {
    struct Listener {
        void HandleEvent(const std::shared_ptr<IEvent>& event) { senders.push_back(event->GetSender()); }
        std::vector<void*> senders;
    } listener;
    connection_.GetDatabaseNotifier().AddHandler(TEventHandler::Of<&Listener::HandleEvent>(&listener));
    const std::pair<const char*, const char*> cases[] = {
        {"shop", "use `shop`"},
        {"my-db", "use `my-db`"},
        {"a`b", "use `a``b`"},
        {"`quoted`", "use `quoted`"},
        {"x; drop database y", "use `x; drop database y`"},
    };
    for (const auto& [name, sql] : cases) {
        connection_.ClearStatements();
        log_.lines.clear();
        connection_.UseDatabase(name);
        EXPECT_THAT(connection_.Statements(), ElementsAre(sql));
        EXPECT_THAT(log_.lines, ElementsAre(sql));
    }
    EXPECT_EQ(listener.senders,
              std::vector<void*>(std::size(cases), static_cast<IDBAConnection*>(&connection_)));
}

TEST_F(FakeConnectionTest, CurrentDatabaseIsAskedEachTime) {
    const std::string sql = "select (database()) as ExpressionValue";
    connection_.AnswerRows(sql, {{"ExpressionValue", kVarString}}, {{"shop"}});
    EXPECT_EQ(connection_.GetCurrentDatabase(), "shop");
    connection_.AnswerRows(sql, {{"ExpressionValue", kVarString}}, {{std::nullopt}});
    EXPECT_EQ(connection_.GetCurrentDatabase(), "");
    EXPECT_THAT(connection_.Statements(), ElementsAre(sql, sql));
    EXPECT_EQ(connection_.GetDatabase(), "fake_db");
    EXPECT_EQ(connection_.GetDescription(), "fake_db at fakehost");
}

TEST_F(FakeConnectionTest, EvaluateWithoutRowsIsTheSharedNull) {
    connection_.AnswerRows("select a from empty", {{"a", kLong}}, {});
    EXPECT_EQ(connection_.Evaluate(u"select a from empty", false, 0), NullDataValue());
}

TEST_F(FakeConnectionTest, SystemVariablesAreReadOnceAndComparedIgnoringCase) {
    connection_.AnswerRows("show variables", {{"Variable_name", kVarString}, {"Value", kVarString}},
                           {{"autocommit", "ON"}, {"version", "10.11"}});
    auto* variables = dynamic_cast<IDBASystemVariables*>(static_cast<IDBAConnection*>(&connection_));
    ASSERT_NE(variables, nullptr);
    EXPECT_TRUE(variables->IsSystemVariable("AUTOCOMMIT"));
    EXPECT_TRUE(variables->IsSystemVariable("Version"));
    EXPECT_FALSE(variables->IsSystemVariable("no_such_variable"));
    EXPECT_THAT(connection_.Statements(), ElementsAre("show variables"));
}

TEST_F(FakeConnectionTest, AnEmptyVariableListIsReadAgain) {
    connection_.AnswerRows("show variables", {{"Variable_name", kVarString}, {"Value", kVarString}}, {});
    EXPECT_FALSE(connection_.IsSystemVariable("autocommit"));
    EXPECT_FALSE(connection_.IsSystemVariable("autocommit"));
    EXPECT_THAT(connection_.Statements(), ElementsAre("show variables", "show variables"));
}

TEST_F(FakeConnectionTest, ScaleComesFromTheValuesText) {
    connection_.AnswerRows("select numbers",
                           {{"d1", kNewDecimal},
                            {"d2", kNewDecimal},
                            {"f1", kDouble},
                            {"f2", kDouble},
                            {"d3", kNewDecimal},
                            {"i", kLong}},
                           {{"12.500", "12", "1", "2.25", std::nullopt, "7"}});
    const auto query = connection_.CreateQuery("select numbers", false);
    query->Open();
    std::vector<int> scales;
    for (data::TField* field : query->Fields())
        scales.push_back(connection_.FieldDataType(field).Scale);
    EXPECT_THAT(scales, ElementsAre(3, 0, kScaleNotSpecified, 2, 0, 0));
}

TEST_F(FakeConnectionTest, LengthCodePageAndKindFollowTheColumn) {
    connection_.AnswerRows(
        "select columns",
        {{"memo", kBlob}, {"bytes", kBlob, false, true}, {"text", kVarString, false, false, 40}},
        {{"long text", "\x01\x02", "abc"}});
    const auto query = connection_.CreateQuery("select columns", false);
    query->Open();
    const TDatatypeCharacteristics memo = connection_.FieldDataType(query->Fields()[0]);
    EXPECT_EQ(memo.Length, kUnlimitedLength);
    EXPECT_EQ(memo.CodePage, 65001);
    EXPECT_EQ(connection_.FieldDataType(query->Fields()[1]).CodePage, -1);
    const TDatatypeCharacteristics text = connection_.FieldDataType(query->Fields()[2]);
    EXPECT_EQ(text.DataType, dtString);
    EXPECT_GE(text.Length, 40);
}

TEST_F(FakeConnectionTest, EnumAndSetValuesReadAsText) {
    connection_.AnswerRows("select e, s", {{"e", kEnum}, {"s", kSet}}, {{"b", "x,y"}});
    for (int field = 0; field < 2; ++field) {
        const auto value = connection_.Evaluate(u"select e, s", false, field);
        EXPECT_EQ(value->GetCharacteristics().DataType, dtString);
        EXPECT_EQ(value->AsString().AsString(), field == 0 ? "b" : "x,y");
    }
}

TEST_F(FakeConnectionTest, FieldsOfOtherDataSetsAreRefused) {
    EXPECT_THROW(connection_.FieldDataValue(nullptr), rtl::EAssertionFailed);
    EXPECT_THROW(connection_.FieldDataType(nullptr), rtl::EAssertionFailed);
}

} // namespace
} // namespace core
