#include "app/uDBAMyDataConnection.h"
#include "app/uUcFields.h"

#include "core/uDataTypes.h"
#include "platform/data/FieldClassTable.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

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

TEST(DBAMyDataConnectionTest, UnknownDatabaseCharacterSetIsRefused) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    RawSession setup(server);
    setup.Execute("CREATE DATABASE IF NOT EXISTS DBAMyDataConnectionTest_utf16 CHARACTER SET utf16");
    struct Drop {
        RawSession& session;
        ~Drop() { session.Execute("DROP DATABASE IF EXISTS DBAMyDataConnectionTest_utf16"); }
    } drop{setup};
    const auto connection =
        CreateDBAConnection(server.host, server.user, server.password, "DBAMyDataConnectionTest_utf16",
                            static_cast<int>(server.port));
    EXPECT_EQ(ErrorMessageOf([&] { connection->Connect(); }), "Unknown character set utf16");
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
    EXPECT_NE(dynamic_cast<TUcStringField*>(text), nullptr);
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

} // namespace
} // namespace app
