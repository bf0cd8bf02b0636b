#include "SQLTreeTesting.h"

#include "core/uMySQLTypes.h"
#include "parser/uMySqlDataTypes.h"
#include "platform/rtl/Format.h"
#include "support/TestServer.h"

#include <limits>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser::testing {
namespace {

using ::testing::ElementsAre;

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

core::TDatatypeCharacteristics Declared(std::string_view text, bool tolerant = false) {
    auto grammar = ParseAs<TMySqlType>(text, tolerant);
    return RootOf<TMySqlType>(*grammar).GetCharacteristics(false);
}

core::TDatatypeCharacteristics CastTarget(std::string_view text) {
    auto grammar = ParseAs<TMySQLCastType>(text);
    return RootOf<TMySQLCastType>(*grammar).GetCharacteristics(true);
}

std::string Failure(std::string_view text) {
    try {
        Declared(text);
    } catch (const rtl::Exception& e) {
        return e.Message();
    }
    return {};
}

struct TypeCase {
    const char* text;
    core::TDataType kind;
    int32_t codePage;
    int64_t length; // strings only
    uint8_t scale;
    uint64_t maxValue;
    int64_t minValue;
};

class MySqlDeclaredType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(MySqlDeclaredType, Characteristics) {
    const TypeCase& c = GetParam();
    core::TDatatypeCharacteristics type = Declared(c.text);
    EXPECT_EQ(type.DataType, c.kind);
    EXPECT_EQ(type.CodePage, c.codePage);
    if (c.kind == core::dtString) {
        EXPECT_EQ(type.Length, c.length);
    }
    EXPECT_EQ(type.Scale, c.scale);
    if (c.kind == core::dtInteger) {
        EXPECT_EQ(type.MaxValue, c.maxValue);
        EXPECT_EQ(type.MinValue, c.minValue);
    }
}

const TypeCase kDeclaredTypes[] = {
    {"INT(11) UNSIGNED", core::dtInteger, -2, 0, 0, 4294967295u, 0},
    {"INT", core::dtInteger, -2, 0, 0, 2147483647, -2147483648LL},
    {"SERIAL", core::dtInteger, -2, 0, 0, std::numeric_limits<uint64_t>::max(), 0},
    {"MEDIUMINT ZEROFILL", core::dtInteger, -2, 0, 0, 16777215, 0},
    {"INT8", core::dtInteger, -2, 0, 0, kInt64Max, kInt64Min},
    {"INT1", core::dtInteger, -2, 0, 0, 127, -128},
    {"DECIMAL(10,2)", core::dtFloat, -2, 0, 2, 0, 0},
    {"DECIMAL", core::dtFloat, -2, 0, 0, 0, 0},
    {"DEC(5)", core::dtFloat, -2, 0, 0, 0, 0},
    {"FIXED(6,3)", core::dtFloat, -2, 0, 3, 0, 0},
    {"FLOAT", core::dtFloat, -2, 0, 254, 0, 0},
    {"REAL", core::dtFloat, -2, 0, 254, 0, 0},
    {"DOUBLE PRECISION", core::dtFloat, -2, 0, 254, 0, 0},
    {"DOUBLE  /* wide */  PRECISION", core::dtFloat, -2, 0, 254, 0, 0},
    {"VARCHAR(20) CHARACTER SET latin1", core::dtString, 1252, 20, 0, 0, 0},
    {"varchar(10) CHARSET utf8mb4 COLLATE utf8mb4_general_ci", core::dtString, 65001, 10, 0, 0, 0},
    {"TEXT CHARACTER SET utf8mb3", core::dtString, 65001, 65535, 0, 0, 0},
    {"NCHAR(5) CHARACTER SET latin1", core::dtString, 65001, 5, 0, 0, 0},
    {"NATIONAL CHARACTER(3)", core::dtString, 65001, 3, 0, 0, 0},
    {"CHAR(3) ASCII", core::dtString, 1252, 3, 0, 0, 0},
    {"CHAR(2) UNICODE", core::dtString, 1200, 2, 0, 0, 0},
    {"VARCHAR(20) BINARY", core::dtString, -1, 20, 0, 0, 0},
    {"VARBINARY(5)", core::dtString, -1, 5, 0, 0, 0},
    {"BINARY(4)", core::dtString, -1, 4, 0, 0, 0},
    {"CHAR BYTE", core::dtString, -1, 1, 0, 0, 0},
    {"BLOB CHARACTER SET latin1", core::dtString, -1, 65535, 0, 0, 0},
    {"JSON", core::dtString, 65001, 4294967295LL, 0, 0, 0},
    {"CHAR", core::dtString, -2, 1, 0, 0, 0},
    {"DATETIME", core::dtDateTime, -2, 0, 0, 0, 0},
    {"TIMESTAMP(3)", core::dtTimestamp, -2, 0, 0, 0, 0},
    {"YEAR", core::dtYear, -2, 0, 0, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, MySqlDeclaredType, ::testing::ValuesIn(kDeclaredTypes));

TEST(MySqlDataTypes, Members) {
    core::TDatatypeCharacteristics type = Declared("ENUM('a', 'b', 'it''s')");
    EXPECT_EQ(type.DataType, core::dtEnum);
    EXPECT_THAT(type.Values, ElementsAre("a", "b", "it's"));
    EXPECT_EQ(Declared("SET('x','y')").DataType, core::dtSet);
}

TEST(MySqlDataTypes, TypeTextIsTheSourceWithoutComments) {
    EXPECT_EQ(Declared("varchar(10)  /* c */ CHARSET\n utf8mb4").TypeName, "varchar(10) CHARSET utf8mb4");
    auto grammar = ParseAs<TMySqlType>("national   char (4)");
    EXPECT_EQ(RootOf<TMySqlType>(*grammar).GetTypeName(), "NATIONAL CHAR");
}

TEST(MySqlDataTypes, Failures) {
    EXPECT_EQ(Failure("FOO(5)"), "Unknown column type FOO");
    EXPECT_EQ(Failure("VARCHAR(10) CHARACTER SET nosuch"), "Unknown character set nosuch");
    EXPECT_THROW(Declared("VARCHAR(99999999999999999999)"), rtl::EConversionError);
    EXPECT_EQ(Declared("FOO(5)", true).DataType, core::dtUnknown) << "tolerant mode keeps the NULL type";
}

TEST(MySqlDataTypes, CastTargets) {
    EXPECT_EQ(CastTarget("CHAR").Length, -1) << "no limit";
    EXPECT_EQ(CastTarget("CHAR(3)").Length, 3);
    EXPECT_EQ(CastTarget("CHAR CHARACTER SET utf8mb4").CodePage, 65001);

    core::TDatatypeCharacteristics signedType = CastTarget("SIGNED");
    EXPECT_EQ(signedType.MinValue, kInt64Min);
    // The server casts to INT as to SIGNED: 5000000000 stays whole.
    core::TDatatypeCharacteristics intType = CastTarget("INT");
    EXPECT_EQ(intType.MaxValue, static_cast<uint64_t>(kInt64Max));
    EXPECT_EQ(CastTarget("UNSIGNED INTEGER").MaxValue, std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(CastTarget("UNSIGNED INT").MinValue, 0);
    EXPECT_EQ(CastTarget("DECIMAL(10,2)").Scale, 2);
    EXPECT_EQ(CastTarget("DOUBLE").Scale, 254);
    EXPECT_EQ(CastTarget("BINARY").CodePage, -1);
    EXPECT_THROW(ParseAs<TMySQLCastType>("BIGINT"), EGrammarError) << "the server does not cast to BIGINT";
}

// Every type the server writes back for a declared parameter reads as the declaration did.
TEST(MySqlDataTypesServer, ServerDescriptionsReadAsTheDeclarations) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings, settings.database);
    const char* declarations[] = {
        "INT(11) UNSIGNED",
        "DECIMAL(10,2)",
        "ENUM('a','it''s')",
        "VARBINARY(5)",
        "VARCHAR(10) CHARSET utf8mb4 COLLATE utf8mb4_general_ci",
        "DOUBLE PRECISION",
        "DEC(5)",
        "REAL",
        "INT8",
        "JSON",
        "NATIONAL CHARACTER(3)",
        "CHAR BYTE",
        "BOOL",
        "TEXT CHARACTER SET latin1",
        "SET('x','y')",
        "FIXED(6,3)",
        "INT1",
        "MIDDLEINT",
        "TIMESTAMP(3)",
        "NUMERIC",
        "BIT(3)",
        "YEAR",
        "LONGBLOB",
        "NVARCHAR(4)",
        "TINYTEXT",
        "MEDIUMINT ZEROFILL",
        "DATETIME",
        "TIME(2)",
        "BIGINT SIGNED",
        "FLOAT(7,3)",
        "CHAR(3) ASCII",
        "CHAR(2) UNICODE",
        "BINARY(4)",
        "SMALLINT UNSIGNED",
    };
    std::string parameters;
    for (size_t i = 0; i < std::size(declarations); ++i)
        parameters += rtl::Format("%sp%d %s", i ? ", " : "", static_cast<int>(i), declarations[i]);
    session.Execute("DROP PROCEDURE IF EXISTS MySqlDataTypesServer_types");
    session.Execute("CREATE PROCEDURE MySqlDataTypesServer_types(" + parameters + ") BEGIN END");
    auto rows = session.Query(
        "SELECT DTD_IDENTIFIER, CHARACTER_SET_NAME FROM information_schema.PARAMETERS WHERE SPECIFIC_SCHEMA "
        "= "
        "DATABASE() AND SPECIFIC_NAME = 'MySqlDataTypesServer_types' ORDER BY ORDINAL_POSITION");
    session.Execute("DROP PROCEDURE MySqlDataTypesServer_types");
    ASSERT_EQ(rows.size(), std::size(declarations));

    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string described = *rows[i][0];
        SCOPED_TRACE(std::string(declarations[i]) + " / " + described);
        core::TDatatypeCharacteristics written = Declared(declarations[i]);
        core::TDatatypeCharacteristics server = Declared(described);
        EXPECT_EQ(written.DataType, server.DataType);
        EXPECT_EQ(written.MaxValue, server.MaxValue);
        EXPECT_EQ(written.MinValue, server.MinValue);
        EXPECT_EQ(written.Scale, server.Scale);
        EXPECT_EQ(written.Values, server.Values);
        if (written.DataType == core::dtString && written.CodePage != core::kCodePageConnectionDefault &&
            std::string_view(declarations[i]).find(" BINARY") == std::string_view::npos) {
            // Bytes have no character set on the server; text has the one written.
            const auto& charset = rows[i][1];
            int32_t expected = charset ? core::CharsetCodePages[core::CharsetIndexByName(*charset)] : -1;
            EXPECT_EQ(written.CodePage, expected);
        }
    }
}

} // namespace
} // namespace parser::testing
