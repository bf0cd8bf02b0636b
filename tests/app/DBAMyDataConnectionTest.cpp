#include "app/uDBAMyDataConnection.h"

#include "core/uDataTypes.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/DebugThreadTestSupport.h"
#include "platform/data/FieldClassTable.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/ServerConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"
#include "widecontrols/uUcDB.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace app {
namespace {

using testing::ElementsAre;
using testsupport::ErrorMessageOf;
using testsupport::RawSession;
using testsupport::ServerSettings;

std::shared_ptr<core::IDBAConnection> Connected(const ServerSettings& s, const std::string& database = {}) {
    auto connection = CreateDBAConnection(s.host, s.user, s.password,
                                          database.empty() ? s.database : database, static_cast<int>(s.port));
    connection->Connect();
    return connection;
}

TEST(DBAMyDataConnectionTest, ConnectsInUtf8mb4AndKeepsNonLatinText) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    testsupport::SQLMonitorLog log;
    const auto connection = Connected(server);
    EXPECT_THAT(log.lines, ElementsAre("SET NAMES utf8mb4", "SHOW VARIABLES like 'character_set_database'"));
    for (const std::u16string text : {u"привет", u"\U0001F600", u"a&b :c ?"}) {
        const auto value = connection->Evaluate(u"'" + text + u"'", true, 0);
        EXPECT_EQ(value->AsWideString().AsWideString(), text);
        EXPECT_EQ(value->GetCharacteristics().CodePage, 65001);
    }
    EXPECT_EQ(connection->Evaluate(u"char_length('привет')", true, 0)->AsInteger().AsInt64(), 6);
}

struct ScaleCase {
    const char* expression;
    std::uint8_t scale;
};

class FieldScaleTest : public testing::TestWithParam<ScaleCase> {};

TEST_P(FieldScaleTest, ComesFromTheValueText) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = Connected(server);
    EXPECT_EQ(
        connection->Evaluate(rtl::Utf8ToUtf16(GetParam().expression), true, 0)->GetCharacteristics().Scale,
        GetParam().scale);
    const auto query = connection->CreateQuery(std::string("select ") + GetParam().expression, false);
    query->Open();
    EXPECT_EQ(connection->FieldDataType(query->Fields()[0]).Scale, GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Numbers, FieldScaleTest,
                         testing::Values(ScaleCase{"cast(12.5 as decimal(10,3))", 3},
                                         ScaleCase{"cast(12 as decimal(10,0))", 0},
                                         ScaleCase{"cast(1 as float)", core::kScaleNotSpecified},
                                         ScaleCase{"cast(1 as double)", core::kScaleNotSpecified},
                                         ScaleCase{"cast(0.25 as double)", 2}));

TEST(DBAMyDataConnectionTest, NullFieldsAndTextColumns) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = Connected(server);
    connection->ExecSQL("create temporary table DBAMyDataConnectionTest_t (t text, d decimal(10,3))");
    connection->ExecSQL("insert into DBAMyDataConnectionTest_t values ('x', null)");
    const auto query = connection->CreateQuery("select t, d from DBAMyDataConnectionTest_t", false);
    query->Open();
    EXPECT_EQ(connection->FieldDataType(query->Fields()[0]).Length, core::kUnlimitedLength);
    EXPECT_EQ(connection->FieldDataValue(query->Fields()[1]), core::NullDataValue());
    EXPECT_EQ(connection->FieldDataType(query->Fields()[1]).Scale, 0);
    EXPECT_EQ(connection->Evaluate(u"select t, d from DBAMyDataConnectionTest_t", false, 1),
              core::NullDataValue());
}

TEST(DBAMyDataConnectionTest, ResultsUseWideFieldsWithoutChangingTheDefaults) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = Connected(server);
    const data::TFieldClass before = data::DefaultFieldClass(data::ftString);
    const auto result = connection->Execute("select 'привет' as s, repeat('я', 70000) as m");
    EXPECT_EQ(data::DefaultFieldClass(data::ftString), before);
    data::TField* text = result->GetDataSet()->Fields()[0];
    EXPECT_NE(dynamic_cast<widecontrols::TUcStringField*>(text), nullptr);
    EXPECT_EQ(text->Value().AsWideString(), u"привет");
    EXPECT_EQ(result->GetDataSet()->Fields()[1]->Value().AsWideString().size(), 70000u);
}

// The debug thread and the user interface share one connection: their calls must not interleave.
TEST(DBAMyDataConnectionTest, CallsFromTwoThreadsAreSerialised) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = Connected(server);
    std::vector<std::string> errors;
    const auto work = [&](int base) {
        for (int i = 0; i < 50; ++i) {
            const std::string expected = std::to_string(base + i);
            const std::string got =
                connection->Evaluate(rtl::Utf8ToUtf16(expected), true, 0)->AsString().AsString();
            if (got != expected) errors.push_back(got + " for " + expected);
        }
    };
    std::thread other(work, 1000);
    work(5000);
    other.join();
    EXPECT_THAT(errors, testing::IsEmpty());
}

TEST(DBAMyDataConnectionTest, DescriptionAndCurrentDatabase) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection =
        CreateDBAConnection(server.host, server.user, server.password, "", static_cast<int>(server.port));
    EXPECT_FALSE(connection->GetConnected());
    connection->Connect();
    EXPECT_EQ(connection->GetCurrentDatabase(), "");
    EXPECT_EQ(connection->GetDescription(), " at " + server.host);
}

// A lost session is not silently replaced, and the data sets made over it work over the next one.
TEST(DBAMyDataConnectionTest, ReconnectingAfterALossLeavesEarlierResultsSound) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = Connected(server);
    const auto result = connection->Execute("select 1 as a");
    const auto query = connection->CreateQuery("select 2 as b", false);
    query->Open();
    // Never opened again: it goes with the test, and must not reach for the freed session then.
    const auto untouched = connection->CreateQuery("select 3 as c", false);
    untouched->Open();
    RawSession(server).Kill(testsupport::SessionIdOf(*connection));
    EXPECT_THAT(ErrorMessageOf([&] { connection->ExecSQL("do 1"); }),
                testing::MatchesRegex("Error code: 20(06|13), SQLState: HY000, Message: .*"));
    EXPECT_FALSE(connection->GetConnected());
    // A new session would have none of the old one's state: only Connect opens one.
    EXPECT_EQ(ErrorMessageOf([&] { connection->Evaluate(u"1", true, 0); }), "Not connected");
    connection->Connect();
    EXPECT_EQ(connection->Evaluate(u"1+1", true, 0)->AsString().AsString(), "2");
    query->Close();
    query->Open();
    EXPECT_EQ(query->Fields()[0]->AsString(), "2");
    // Closed with the lost session, and reopened over the new one.
    data::TDataSet* earlier = result->GetDataSet();
    EXPECT_FALSE(earlier->Active());
    earlier->Open();
    EXPECT_EQ(earlier->Fields()[0]->AsString(), "1");
}

// The user interface's database work never slips in between the statements of a busy run; once the
// run stops at a statement, it is served.
TEST(DBAMyDataConnectionTest, UserInterfaceWorkIsRefusedWhileARunIsBusy) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = Connected(server);
    std::vector<std::string> refusals;
    const auto deadline = engine::TimeLimitedTick();
    engine::TVeltrane veltrane(
        connection, nullptr, nullptr, nullptr,
        [&](engine::TVeltrane&) {
            deadline();
            if (refusals.empty())
                refusals.push_back(ErrorMessageOf([&] { connection->Evaluate(u"1", true, 0); }));
        },
        nullptr);
    engine::TRoutine& main = veltrane.MainRoutine();
    main.SetText(u"BEGIN\n  DECLARE i INT DEFAULT 0;\n  DO SLEEP(0.5);\n  SET i = i + 1;\nEND");
    main.Compile();
    veltrane.BreakPoints().Add("", engine::rkAnonymousBlock, 4);
    veltrane.Start(false);
    ASSERT_EQ(veltrane.CurrentLine(), 4);
    EXPECT_THAT(refusals,
                ElementsAre("The connection is in use by the running debugger: pause or stop it first"));
    EXPECT_EQ(connection->Evaluate(u"2", true, 0)->AsString().AsString(), "2");
    veltrane.Run();
    engine::PumpUntil([&] { return !veltrane.IsRunning(); });
    EXPECT_NO_THROW(veltrane.CheckError());
    EXPECT_EQ(connection->Evaluate(u"3", true, 0)->AsString().AsString(), "3");
}

} // namespace
} // namespace app
