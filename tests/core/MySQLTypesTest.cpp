#include "core/uMySQLTypes.h"

#include <limits>

#include <gtest/gtest.h>

#include "DataValueTesting.h"

namespace core {
namespace {

using valuetest::ErrorMessage;

constexpr std::uint64_t kUInt64Max = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

TEST(MySQLTypesTest, CharsetLookupByName) {
    EXPECT_EQ(CharsetIndexByName("UTF8"), 21);
    EXPECT_EQ(CharsetIndexByName("latin1"), 5);
    // Appended after the older entries, which keep their indexes.
    EXPECT_EQ(CharsetIndexByName("utf8mb4"), 36);
    EXPECT_EQ(CharsetIndexByName("UTF8MB3"), 37);
    EXPECT_EQ(CharsetCodePages[CharsetIndexByName("utf8mb4")], 65001);
    EXPECT_EQ(CharsetCodePages[CharsetIndexByName("utf8mb3")], 65001);
    EXPECT_EQ(CharsetNames[35], "eucjpms");
    EXPECT_EQ(ErrorMessage([] { CharsetIndexByName("klingon"); }), "Unknown character set klingon");
}

TEST(MySQLTypesTest, CharsetLookupByCodePageFindsTheFirstEntry) {
    EXPECT_EQ(CharsetIndexByCodePage(1250), 6); // latin2 before cp1250
    EXPECT_EQ(CharsetIndexByCodePage(-1), 32);
    EXPECT_EQ(CharsetIndexByCodePage(65001), 21);
    EXPECT_EQ(CharsetIndexByCodePage(10001), 10);
    EXPECT_EQ(ErrorMessage([] { CharsetIndexByCodePage(12345); }), "Unknown codepage 12345");
}

struct TypeCase {
    std::uint8_t code;
    bool isUnsigned;
    std::int32_t codePage;
    std::int64_t length;
    std::uint8_t scale;
    std::vector<std::string> values;
    TDataType kind;
    std::int64_t fittedLength;
    std::uint64_t maxValue;
    std::int64_t minValue;
    std::string text;
};

class MySQLTypeCharacteristicsTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(MySQLTypeCharacteristicsTest, DescribesTheColumnType) {
    const TypeCase& t = GetParam();
    const TDatatypeCharacteristics c =
        MySQLTypeCharacteristics(t.code, t.values, t.isUnsigned, t.codePage, t.length, t.scale, "");
    EXPECT_EQ(c.DataType, t.kind);
    EXPECT_EQ(c.Length, t.fittedLength);
    EXPECT_EQ(c.MaxValue, t.maxValue);
    EXPECT_EQ(c.MinValue, t.minValue);
    EXPECT_EQ(c.Values, t.values);
    EXPECT_EQ(c.TypeName, t.text);
    EXPECT_EQ(MySQLTypeText(t.code, t.values, t.isUnsigned, t.codePage, t.length, t.scale), t.text);
}

const std::uint64_t S = kInt64Max; // the unlimited upper bound
const std::int64_t L = kUnlimitedLength;

INSTANTIATE_TEST_SUITE_P(
    Catalogue, MySQLTypeCharacteristicsTest,
    ::testing::Values(
        TypeCase{3, true, -2, 11, 0, {}, dtInteger, L, 4294967295u, 0, "INTEGER(11) UNSIGNED"},
        TypeCase{3, false, -2, -1, 0, {}, dtInteger, L, 2147483647, -2147483648LL, "INTEGER"},
        TypeCase{1, false, -2, 4, 0, {}, dtInteger, L, 127, -128, "TINYINT(4)"},
        TypeCase{2, true, -2, -1, 0, {}, dtInteger, L, 65535, 0, "SMALLINT UNSIGNED"},
        TypeCase{9, false, -2, -1, 0, {}, dtInteger, L, 8388607, -8388608, "MEDIUMINT"},
        TypeCase{8, false, -2, 20, 0, {}, dtInteger, L, S, kInt64Min, "BIGINT(20)"},
        TypeCase{8, true, -2, -1, 0, {}, dtInteger, L, kUInt64Max, 0, "BIGINT UNSIGNED"},
        TypeCase{253, false, 65001, -1, 0, {}, dtString, 1, S, kInt64Min, "VARCHAR CHARACTER SET utf8"},
        TypeCase{253, false, 1252, 10, 0, {}, dtString, 10, S, kInt64Min, "VARCHAR(10) CHARACTER SET latin1"},
        TypeCase{254, false, -2, -2, 0, {}, dtString, -1, S, kInt64Min, "CHAR"},
        TypeCase{252, false, -1, -1, 0, {}, dtString, 65535, S, kInt64Min, "BLOB CHARACTER SET binary"},
        TypeCase{249, false, 1200, -1, 0, {}, dtString, 255, S, kInt64Min, "TINYBLOB CHARACTER SET ucs2"},
        TypeCase{251, false, -2, -1, 0, {}, dtString, 4294967295LL, S, kInt64Min, "LONGBLOB"},
        TypeCase{16, false, -2, 8, 0, {}, dtString, 8, S, kInt64Min, "BIT(8)"},
        TypeCase{255, false, 65001, -1, 0, {}, dtString, 2147483647, S, kInt64Min, "GEOMETRY"},
        TypeCase{5, false, -2, -1, 2, {}, dtFloat, L, S, kInt64Min, "DECIMAL(65, 2)"},
        TypeCase{4, true, -2, -1, 254, {}, dtFloat, L, S, kInt64Min, "DECIMAL(65, 254) UNSIGNED"},
        TypeCase{246, false, -2, 10, 0, {}, dtFloat, L, S, kInt64Min, "DECIMAL(65)"},
        TypeCase{247, false, -2, 0, 0, {"a", "b"}, dtEnum, 2147483647, 0, 0, "ENUM('a', 'b')"},
        TypeCase{248,
                 false,
                 65001,
                 0,
                 0,
                 {"'x'", "y"},
                 dtSet,
                 2147483647,
                 0,
                 0,
                 "SET('x', 'y') CHARACTER SET utf8"},
        TypeCase{7, false, -2, -1, 0, {}, dtTimestamp, L, S, kInt64Min, "TIMESTAMP"},
        TypeCase{10, false, -2, -1, 0, {}, dtDate, L, S, kInt64Min, "DATE"},
        TypeCase{14, false, -2, -1, 0, {}, dtDate, L, S, kInt64Min, "DATE"},
        TypeCase{11, false, -2, -1, 0, {}, dtTime, L, S, kInt64Min, "TIME"},
        TypeCase{12, false, -2, -1, 0, {}, dtDateTime, L, S, kInt64Min, "DATETIME"},
        TypeCase{13, false, -2, 4, 0, {}, dtYear, L, S, kInt64Min, "YEAR"},
        TypeCase{6, false, -2, -1, 0, {}, dtUnknown, L, S, kInt64Min, "UNKNOWN"}));

TEST(MySQLTypesTest, ScaleAndCodePageAndGivenTypeNameAreKept) {
    const TDatatypeCharacteristics c =
        MySQLTypeCharacteristics(5, {}, false, 1251, -1, 30, "double precision");
    EXPECT_EQ(c.Scale, 18);
    EXPECT_EQ(c.CodePage, 1251);
    EXPECT_EQ(c.TypeName, "double precision");
    EXPECT_EQ(MySQLTypeCharacteristics(4, {}, false, -2, -1, 254, "").Scale, 254);
}

TEST(MySQLTypesTest, CodesOutsideTheCatalogueAreRejected) {
    for (int code : {17, 100, 245}) {
        const std::string expected = "Unknown data type " + std::to_string(code);
        EXPECT_EQ(ErrorMessage([&] { MySQLTypeCharacteristics(code, {}, false, -2, -1, 0, ""); }), expected);
        EXPECT_EQ(ErrorMessage([&] { MySQLTypeText(code, {}, false, -2, -1, 0); }), expected);
    }
    // A code page the catalogue lacks cannot be written as a character-set clause.
    EXPECT_EQ(ErrorMessage([] { MySQLTypeText(253, {}, false, 437, 5, 0); }), "Unknown codepage 437");
}

} // namespace
} // namespace core
