#include "core/uDataConverter.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "core/uMySQLTypes.h"
#include "DataValueTesting.h"

namespace core {
namespace {

using rtl::Variant;
using valuetest::ErrorMessage;

constexpr std::uint64_t kUInt64Max = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

TDatatypeCharacteristics Declared(TDataType kind, std::string typeName) {
    TDatatypeCharacteristics c = BareCharacteristics(kind);
    c.TypeName = std::move(typeName);
    return c;
}

TDatatypeCharacteristics Bare(TDataType kind) {
    return BareCharacteristics(kind);
}

TDatatypeCharacteristics Text(std::int32_t codePage, std::int64_t length = kUnlimitedLength) {
    return StringCharacteristics(codePage, length);
}

// A column type of the catalogue without a character set.
TDatatypeCharacteristics Column(std::uint8_t code, bool isUnsigned = false, std::int64_t length = -1,
                                std::uint8_t scale = 0) {
    return MySQLTypeCharacteristics(code, {}, isUnsigned, kCodePageConnectionDefault, length, scale, "");
}

const TDatatypeCharacteristics kTinyInt = Column(1);
const TDatatypeCharacteristics kInt = Column(3);
const TDatatypeCharacteristics kBigIntUnsigned = Column(8, true);
const TDatatypeCharacteristics kYear = Column(13);
const TDatatypeCharacteristics kTime = Column(11);
const TDatatypeCharacteristics kDate = Column(10);
const TDatatypeCharacteristics kDateTime = Column(12);
const TDatatypeCharacteristics kTimestamp = Column(7);

class DataConverterTest : public ::testing::Test {
protected:
    TDataConverter converter;
};

// ---- NormalizeValue

struct NormalizeCase {
    const char* name;
    TDatatypeCharacteristics characteristics;
    Variant input;
    Variant expected;
};

class DataConverterNormalizeTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(DataConverterNormalizeTest, FitsTheValueIntoItsType) {
    TDataConverter converter;
    const NormalizeCase& c = GetParam();
    const Variant result = converter.NormalizeValue(c.input, c.characteristics);
    EXPECT_EQ(result, c.expected) << c.name;
    EXPECT_EQ(result.Type(), c.expected.Type()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, DataConverterNormalizeTest,
    ::testing::Values(
        NormalizeCase{"tinyint above", kTinyInt, Variant(300), Variant(127)},
        NormalizeCase{"tinyint below", kTinyInt, Variant(-1000), Variant(-128)},
        NormalizeCase{"tinyint inside", kTinyInt, Variant(-5), Variant(-5)},
        NormalizeCase{"unsigned max kept", kBigIntUnsigned, Variant(kUInt64Max), Variant(kUInt64Max)},
        NormalizeCase{"unsigned negative", kBigIntUnsigned, Variant(-5), Variant(0)},
        NormalizeCase{"signed bigint from unsigned", Column(8), Variant(kUInt64Max), Variant(kInt64Max)},
        NormalizeCase{"int from float", kInt, Variant(1e30), Variant(2147483647)},
        NormalizeCase{"int from string", kInt, Variant("-1e30"), Variant(-2147483648LL)},
        NormalizeCase{"year 69", kYear, Variant(69), Variant(2069)},
        NormalizeCase{"year 70", kYear, Variant(70), Variant(1970)},
        NormalizeCase{"year 99", kYear, Variant(99), Variant(1999)},
        NormalizeCase{"year 0 is the zero year", kYear, Variant(0), Variant(0)},
        NormalizeCase{"year 1", kYear, Variant(1), Variant(2001)},
        NormalizeCase{"year 1900", kYear, Variant(1900), Variant(0)},
        NormalizeCase{"year 1901", kYear, Variant(1901), Variant(1901)},
        NormalizeCase{"year 2155", kYear, Variant(2155), Variant(2155)},
        NormalizeCase{"year 2156", kYear, Variant(2156), Variant(0)},
        NormalizeCase{"timestamp before", kTimestamp, Variant(19700101000000.0), Variant(0.0)},
        NormalizeCase{"timestamp first", kTimestamp, Variant(19700101000001.0), Variant(19700101000001.0)},
        NormalizeCase{"timestamp last", kTimestamp, Variant(20380119031407.0), Variant(20380119031407.0)},
        NormalizeCase{"timestamp after", kTimestamp, Variant(20380119031408.0), Variant(0.0)},
        NormalizeCase{"time lowest", kTime, Variant(-8385959), Variant(-8385959.0)},
        NormalizeCase{"time below", kTime, Variant(-8385960), Variant(0.0)},
        NormalizeCase{"time fraction", kTime, Variant(1234.5), Variant(1234.5)},
        NormalizeCase{"date below", kDate, Variant(10000100), Variant(0.0)},
        NormalizeCase{"date last", kDate, Variant(99991231), Variant(99991231.0)},
        NormalizeCase{"datetime after", kDateTime, Variant(99991231235960.0), Variant(0.0)},
        NormalizeCase{"datetime last microsecond", kDateTime, Variant("99991231235959.999999"),
                      Variant("99991231235959.999999")},
        NormalizeCase{"fraction cut to the type", Declared(dtDateTime, "DATETIME(2)"),
                      Variant("20240131102030.129"), Variant("20240131102030.12")},
        NormalizeCase{"fraction cut away", Declared(dtTime, "TIME(0)"), Variant("-101112.9"),
                      Variant(-101112.0)},
        NormalizeCase{"decimal rounds half away", FloatCharacteristics(2), Variant(3.145), Variant(3.15)},
        NormalizeCase{"negative decimal", FloatCharacteristics(2), Variant(-3.145), Variant(-3.15)},
        NormalizeCase{"decimal carry", FloatCharacteristics(1), Variant(9.96), Variant(10.0)},
        NormalizeCase{"unspecified scale", FloatCharacteristics(254), Variant(3.14159), Variant(3.14159)},
        NormalizeCase{"boolean", Bare(dtBoolean), Variant(2), Variant(true)}));

INSTANTIATE_TEST_SUITE_P(
    Strings, DataConverterNormalizeTest,
    ::testing::Values(
        NormalizeCase{"utf8 cut in characters", Text(65001, 5), Variant("héllo wörld"), Variant("héllo")},
        NormalizeCase{"emoji kept whole", Text(65001, 2), Variant("a😀b"), Variant("a😀")},
        NormalizeCase{"utf16 becomes utf8", Text(65001, 3), Variant(u"日本語です"), Variant("日本語")},
        NormalizeCase{"ucs2 held as utf8", Text(1200, 1), Variant(u"éa"), Variant("é")},
        NormalizeCase{"latin1 cut in bytes", Text(1252, 3), Variant("caf\xE9s"), Variant("caf")},
        NormalizeCase{"utf16 into latin1", Text(1252), Variant(u"café"), Variant("caf\xE9")},
        NormalizeCase{"no length given", Text(65001, -1), Variant("abcdef"), Variant("abcdef")},
        NormalizeCase{"binary bytes", Text(-1, 2), Variant(std::string("\0\xFFz", 3)),
                      Variant(std::string("\0\xFF", 2))}));

TEST_F(DataConverterTest, NormalizeKeepsNullAndRejectsTypelessValues) {
    EXPECT_TRUE(converter.NormalizeValue(Variant::Null(), kTinyInt).IsNull());
    EXPECT_TRUE(converter.NormalizeValue(Variant::Null(), Bare(dtUnknown)).IsNull());
    EXPECT_EQ(ErrorMessage([&] { converter.NormalizeValue(Variant(1), Bare(dtUnknown)); }),
              "Unsupported data type Unknown");
}

TEST_F(DataConverterTest, CodePageMinusTwoIsTheDefault) {
    EXPECT_EQ(converter.DefaultCodePage(), 1252);
    EXPECT_EQ(converter.ResolveCodePage(-2), 1252);
    converter.SetDefaultCodePage(65001);
    EXPECT_EQ(converter.ResolveCodePage(-2), 65001);
    EXPECT_EQ(converter.ResolveCodePage(-1), -1);
    // Cut in characters, because the default is Unicode now.
    EXPECT_EQ(converter.NormalizeValue(Variant("ééé"), Text(-2, 2)), Variant("éé"));
}

// ---- Numbers

TEST_F(DataConverterTest, DoublesBecomeIntegersRoundingHalfToEvenAndSaturating) {
    struct Case {
        double input;
        Variant expected;
    };
    for (const Case& c :
         {Case{2.5, Variant(2)}, Case{-2.5, Variant(-2)}, Case{3.5, Variant(4)}, Case{2.4999, Variant(2)},
          Case{1e30, Variant(kUInt64Max)}, Case{1.8446744073709552e19, Variant(kUInt64Max)},
          Case{9.3e18, Variant(std::uint64_t{9300000000000000000u})}, Case{-1e30, Variant(kInt64Min)},
          Case{std::numeric_limits<double>::quiet_NaN(), Variant(0)}}) {
        const Variant result = converter.ToInteger(Variant(c.input), FloatCharacteristics(254), false);
        EXPECT_EQ(result, c.expected) << c.input;
        EXPECT_EQ(result.Type(), c.expected.Type()) << c.input;
    }
    // A float with a scale is a DECIMAL, which rounds half away from zero.
    EXPECT_EQ(converter.ToInteger(Variant(2.5), FloatCharacteristics(1), false), Variant(3));
    EXPECT_EQ(converter.ToInteger(Variant(-2.5), FloatCharacteristics(1), false), Variant(-3));
    EXPECT_EQ(converter.ToInteger(Variant(2.45), FloatCharacteristics(2), false), Variant(2));
    EXPECT_EQ(converter.ToInteger(Variant(1e30), FloatCharacteristics(0), false), Variant(kUInt64Max));
    // Dates and times round the same way.
    EXPECT_EQ(converter.ToInteger(Variant(1234.5), kTime, false), Variant(1234));
}

TEST_F(DataConverterTest, StringsBecomeIntegersAsTheServerReadsThem) {
    struct Case {
        const char* text;
        Variant expected;
    };
    for (const Case& c : {Case{"  42abc", Variant(42)},
                          Case{"abc", Variant(0)},
                          Case{"", Variant(0)},
                          Case{"12.7", Variant(13)},
                          Case{"12.5", Variant(13)},
                          Case{"-12.5", Variant(-13)},
                          Case{"12.4", Variant(12)},
                          Case{"1e3", Variant(1000)},
                          Case{"1.5e1x", Variant(15)},
                          Case{".5", Variant(1)},
                          Case{"+7", Variant(7)},
                          Case{"0x10", Variant(0)},
                          Case{"\t\n-3 ", Variant(-3)},
                          Case{"9223372036854775808", Variant(std::uint64_t{9223372036854775808u})},
                          Case{"18446744073709551615", Variant(kUInt64Max)},
                          Case{"99999999999999999999", Variant(kUInt64Max)},
                          Case{"-99999999999999999999", Variant(kInt64Min)},
                          Case{"12345678901234567.5", Variant(12345678901234568)},
                          Case{"1e999", Variant(kUInt64Max)},
                          Case{"1e-999", Variant(0)}}) {
        const Variant result = converter.ToInteger(Variant(c.text), Text(65001), false);
        EXPECT_EQ(result, c.expected) << c.text;
        EXPECT_EQ(result.Type(), c.expected.Type()) << c.text;
    }
}

TEST_F(DataConverterTest, StringsBecomeFloatsFromTheirNumericPrefix) {
    struct Case {
        const char* text;
        double expected;
    };
    for (const Case& c : {Case{"1e3x", 1000}, Case{".", 0}, Case{"12.5abc", 12.5}, Case{" 12", 12},
                          Case{"-.5", -0.5}, Case{"5.", 5}, Case{"0x10", 0}, Case{"inf", 0}, Case{"nan", 0},
                          Case{"1e999", std::numeric_limits<double>::max()},
                          Case{"-1e999", -std::numeric_limits<double>::max()}, Case{"1e-999", 0}}) {
        EXPECT_EQ(converter.ToFloat(Variant(c.text), Text(65001), false), Variant(c.expected)) << c.text;
    }
    EXPECT_EQ(ErrorMessage([] { TDataConverter::StrToExtended("abc"); }),
              "string to extended converion error 'abc'");
    EXPECT_EQ(ErrorMessage([] { TDataConverter::StrToInt64("x1"); }),
              "string to integer converion error 'x1'");
    EXPECT_THROW(TDataConverter::StrToInt64(""), rtl::EConversionError);
}

TEST_F(DataConverterTest, OtherKindsAsNumbers) {
    EXPECT_EQ(converter.ToFloat(Variant(true), Bare(dtBoolean), false), Variant(1.0));
    EXPECT_EQ(converter.ToFloat(Variant(2024), kYear, false), Variant(2024.0));
    EXPECT_EQ(converter.ToFloat(Variant(kUInt64Max), kBigIntUnsigned, false), Variant(1.8446744073709552e19));
    EXPECT_EQ(converter.ToInteger(Variant(false), Bare(dtBoolean), false), Variant(0));
    EXPECT_EQ(converter.ToInteger(Variant(kUInt64Max), kBigIntUnsigned, false).Type(), rtl::varUInt64);
    const TDatatypeCharacteristics set64 = SetCharacteristics(std::vector<std::string>(64, "m"), 65001);
    EXPECT_EQ(converter.ToFloat(Variant(kUInt64Max), set64, false), Variant(1.8446744073709552e19));

    EXPECT_EQ(converter.ToBoolean(Variant("0.001"), Text(65001)), Variant(true));
    EXPECT_EQ(converter.ToBoolean(Variant("abc"), Text(65001)), Variant(false));
    EXPECT_EQ(converter.ToBoolean(Variant(0), Bare(dtInteger)), Variant(false));
    EXPECT_TRUE(converter.ToBoolean(Variant::Null(), Bare(dtInteger)).IsNull());
}

TEST_F(DataConverterTest, BinaryLiteralsReadAsBigEndianNumbers) {
    const TDatatypeCharacteristics binary = Text(-1);
    const Variant bytes(std::string("\x01\x00", 2));
    EXPECT_EQ(converter.ToInteger(bytes, binary, true), Variant(256));
    EXPECT_EQ(converter.ToFloat(bytes, binary, true), Variant(256.0));
    // Without the flag the bytes are text that is no number.
    EXPECT_EQ(converter.ToInteger(bytes, binary, false), Variant(0));
    EXPECT_EQ(converter.ToInteger(Variant(std::string(8, '\xFF')), binary, true), Variant(kUInt64Max));
    // Only binary strings are literals of that kind.
    EXPECT_EQ(converter.ToInteger(Variant("12"), Text(65001), true), Variant(12));
}

TEST_F(DataConverterTest, TypelessValuesAreRejected) {
    const Variant one(1);
    const TDatatypeCharacteristics unknown = Bare(dtUnknown);
    for (const auto& action : std::vector<std::function<void()>>{
             [&] { converter.ToFloat(one, unknown, false); },
             [&] { converter.ToInteger(one, unknown, false); },
             [&] { converter.ToStringValue(one, unknown); }, [&] { converter.ToSQL(one, unknown); }})
        EXPECT_EQ(ErrorMessage(action), "Unsupported type Unknown");
    EXPECT_EQ(converter.ToSQL(Variant::Null(), unknown), "NULL");
    EXPECT_EQ(ErrorMessage([&] { converter.ConvertValue(one, Bare(dtInteger), unknown); }),
              "Incompatible types Unknown and Integer");
}

TEST_F(DataConverterTest, ServerConversionsAreUnsupportedInTheBase) {
    const Variant text("2024-01-31");
    try {
        converter.ToTime(text, Text(65001));
        FAIL() << "no error";
    } catch (const rtl::EConversionError& e) {
        EXPECT_EQ(e.Message(), "Unsupported to time conversion");
    }
    EXPECT_EQ(ErrorMessage([&] { converter.ToDate(text, Text(65001)); }), "Unsupported to date conversion");
    EXPECT_EQ(ErrorMessage([&] { converter.ToDateTime(text, kDate); }), "Unsupported to datetime conversion");
    // A value already of the kind needs no server.
    EXPECT_EQ(converter.ToDateTime(Variant(20240131101010.0), kTimestamp), Variant(20240131101010.0));
    EXPECT_EQ(converter.ToDate(Variant(20240131), kDate), Variant(20240131));
}

// ---- Text

TEST_F(DataConverterTest, TextForms) {
    struct Case {
        TDatatypeCharacteristics characteristics;
        Variant value;
        std::string expected;
    };
    const TDatatypeCharacteristics members = EnumCharacteristics({"x", "y"}, 65001);
    for (const Case& c : {
             Case{FloatCharacteristics(2), Variant(3.14159), "3.14"},
             Case{FloatCharacteristics(254), Variant(3.14159), "3.14159"},
             Case{FloatCharacteristics(254), Variant(1e20), "1e20"},
             Case{FloatCharacteristics(254), Variant(-0.5), "-0.5"},
             Case{FloatCharacteristics(3), Variant(2.0), "2.000"},
             Case{FloatCharacteristics(0), Variant(2.5), "3"},
             Case{FloatCharacteristics(2), Variant(-0.001), "0.00"},
             Case{kTime, Variant(1234.5), "00:12:34.500000"},
             Case{kTime, Variant(-1234), "-00:12:34"},
             Case{kTime, Variant(8385959), "838:59:59"},
             Case{kTime, Variant(123456.123456), "12:34:56.123456"},
             Case{kTime, Variant(-0.25), "-00:00:00.250000"},
             Case{kDate, Variant(20240131), "2024-01-31"},
             Case{kDate, Variant(0), "0000-00-00"},
             Case{kDateTime, Variant(20240131102030.0), "2024-01-31 10:20:30"},
             Case{kTimestamp, Variant(19700101000001.0), "1970-01-01 00:00:01"},
             // Fractional seconds: the payload's exact digits, as many as the type declares.
             Case{Declared(dtDateTime, "DATETIME(6)"), Variant("99991231235959.999999"),
                  "9999-12-31 23:59:59.999999"},
             Case{Declared(dtDateTime, "DATETIME(3)"), Variant("20240131102030.5"),
                  "2024-01-31 10:20:30.500"},
             Case{Declared(dtDateTime, "DATETIME(2)"), Variant(20240131102030.0), "2024-01-31 10:20:30.00"},
             Case{Declared(dtTimestamp, "TIMESTAMP(0)"), Variant("20240131102030.5"), "2024-01-31 10:20:30"},
             Case{Declared(dtTime, "TIME(1)"), Variant("-8385959.5"), "-838:59:59.5"},
             Case{Declared(dtDate, "DATE"), Variant(20240131), "2024-01-31"},
             Case{kDateTime, Variant("20240131102030.25"), "2024-01-31 10:20:30.25"},
             Case{kYear, Variant(2024), "2024"},
             Case{kYear, Variant(0), "0000"},
             Case{Bare(dtBoolean), Variant(true), "1"},
             Case{Bare(dtBoolean), Variant(false), "0"},
             Case{kBigIntUnsigned, Variant(kUInt64Max), "18446744073709551615"},
             Case{kInt, Variant(-42), "-42"},
             Case{members, Variant(2), "y"},
             Case{members, Variant(0), ""},
             Case{members, Variant(3), ""},
             Case{SetCharacteristics({"a", "b", "c"}, 65001), Variant(5), "a,c"},
             Case{SetCharacteristics({"a", "", "c"}, 65001), Variant(7), "a,c"},
             Case{Text(1252), Variant("caf\xE9"), "café"},
             Case{Text(1251), Variant("\xCF\xF0\xE8"), "При"},
             Case{Text(65001), Variant("日本"), "日本"},
             Case{Text(-1), Variant(std::string("\0\xFF", 2)), std::string("\0\xFF", 2)},
         }) {
        EXPECT_EQ(converter.ToStringValue(c.value, c.characteristics), Variant(c.expected)) << c.expected;
    }
    EXPECT_EQ(converter.ToWideStringValue(Variant("caf\xE9"), Text(1252)), Variant(u"café"));
    EXPECT_TRUE(converter.ToStringValue(Variant::Null(), kInt).IsNull());
    EXPECT_TRUE(converter.ToWideStringValue(Variant::Null(), kInt).IsNull());
}

TEST_F(DataConverterTest, SqlLiterals) {
    struct Case {
        TDatatypeCharacteristics characteristics;
        Variant value;
        std::string expected;
    };
    for (const Case& c : {
             Case{Text(65001), Variant("abc"), "_utf8mb4'abc'"},
             Case{Text(1200), Variant("abc"), "_utf8mb4'abc'"},
             Case{Text(65001), Variant("O'Brien"), "_utf8mb4'O''Brien'"},
             Case{Text(65001), Variant("a\\b"), "_utf8mb4 X'615C62'"},
             Case{Text(65001), Variant("a\nb"), "_utf8mb4 X'610A62'"},
             Case{Text(65001), Variant("é"), "_utf8mb4'é'"},
             Case{Text(65001), Variant(""), "_utf8mb4''"},
             Case{Text(65001), Variant("\xFF"), "_utf8mb4 X'FF'"},
             Case{Text(1252), Variant("abc"), "'abc'"},
             Case{Text(-2), Variant("it's"), "'it''s'"},
             Case{Text(1252), Variant("caf\xE9"), "_latin1 X'636166E9'"},
             Case{Text(1250), Variant("x"), "_latin2'x'"},
             Case{Text(-1), Variant("ab"), "_binary'ab'"},
             Case{Text(-1), Variant(std::string("\0'", 2)), "_binary X'0027'"},
             Case{kInt, Variant(-42), "-42"},
             Case{kBigIntUnsigned, Variant(kUInt64Max), "18446744073709551615"},
             Case{kYear, Variant(69), "69"},
             Case{FloatCharacteristics(2), Variant(3.14159), "3.14"},
             Case{FloatCharacteristics(254), Variant(0.1), "0.1"},
             Case{Bare(dtBoolean), Variant(true), "TRUE"},
             Case{Bare(dtBoolean), Variant(false), "FALSE"},
             Case{kDate, Variant(20240131), "'2024-01-31'"},
             Case{kTime, Variant(-1234.5), "'-00:12:34.500000'"},
             Case{kDateTime, Variant(20240131102030.0), "'2024-01-31 10:20:30'"},
             Case{EnumCharacteristics({"x", "it's"}, 1252), Variant(2), "_utf8mb4'it''s'"},
             Case{SetCharacteristics({"a", "b", "c"}, 65001), Variant(6), "_utf8mb4'b,c'"},
             Case{kInt, Variant::Null(), "NULL"},
         }) {
        EXPECT_EQ(converter.ToSQL(c.value, c.characteristics), c.expected) << c.expected;
    }
}

TEST_F(DataConverterTest, SqlLiteralsNeedNoIntroducerInTheDefaultCharacterSet) {
    converter.SetDefaultCodePage(65001);
    EXPECT_EQ(converter.ToSQL(Variant("abc"), Text(65001)), "'abc'");
    EXPECT_EQ(converter.ToSQL(Variant("abc"), Text(1200)), "'abc'");
    EXPECT_EQ(converter.ToSQL(Variant("abc"), Text(1252)), "_latin1'abc'");
    // Hexadecimal literals always name their character set: without it they are binary.
    EXPECT_EQ(converter.ToSQL(Variant("\\"), Text(65001)), "_utf8mb4 X'5C'");
    EXPECT_EQ(ErrorMessage([&] { converter.ToSQL(Variant("x"), Text(437)); }), "Unknown codepage 437");
}

// ---- Comparing

struct CompareCase {
    const char* name;
    TDatatypeCharacteristics c1;
    Variant v1;
    TDatatypeCharacteristics c2;
    Variant v2;
    int expected;
};

class DataConverterCompareTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(DataConverterCompareTest, ComparesAsTheServer) {
    TDataConverter converter;
    const CompareCase& c = GetParam();
    const int result = converter.Compare(c.v1, c.v2, c.c1, c.c2);
    EXPECT_EQ((result > 0) - (result < 0), c.expected) << c.name;
    const int reverse = converter.Compare(c.v2, c.v1, c.c2, c.c1);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.expected) << c.name << " reversed";
}

const TDatatypeCharacteristics kUtf8 = Text(65001);
const TDatatypeCharacteristics kXY = EnumCharacteristics({"x", "y"}, 65001);

INSTANTIATE_TEST_SUITE_P(
    Values, DataConverterCompareTest,
    ::testing::Values(
        CompareCase{"trailing spaces pad", kUtf8, Variant("abc  "), kUtf8, Variant("ABC"), 0},
        CompareCase{"microseconds count", kDateTime, Variant("99991231235959.999999"), kDateTime,
                    Variant("99991231235959.999998"), 1},
        CompareCase{"date as midnight", kDate, Variant(20240131), kDateTime, Variant("20240131000000.000001"),
                    -1},
        CompareCase{"exact and rounded payloads", kDateTime, Variant("20240131102030.500"), kDateTime,
                    Variant(20240131102030.5), 0},
        CompareCase{"leading spaces count", kUtf8, Variant(" abc"), kUtf8, Variant("abc"), -1},
        CompareCase{"accents fold", kUtf8, Variant("é"), kUtf8, Variant("E"), 0},
        CompareCase{"sharp s", kUtf8, Variant("ß"), kUtf8, Variant("s"), 0},
        CompareCase{"tab below the pad", kUtf8, Variant("a\t"), kUtf8, Variant("a"), -1},
        CompareCase{"prefix", kUtf8, Variant("a"), kUtf8, Variant("ab"), -1},
        CompareCase{"emoji weigh alike", kUtf8, Variant("😀"), kUtf8, Variant("😁"), 0},
        CompareCase{"latin1 and utf8", Text(1252), Variant("caf\xE9"), kUtf8, Variant("CAFE"), 0},
        CompareCase{"binary is exact", Text(-1), Variant("abc"), kUtf8, Variant("ABC"), 1},
        CompareCase{"binary prefix", Text(-1), Variant("ab"), Text(-1), Variant("ab "), -1},
        CompareCase{"null and null", kInt, Variant::Null(), kUtf8, Variant::Null(), 0},
        CompareCase{"null first", kInt, Variant::Null(), kInt, Variant(0), -1},
        CompareCase{"null and empty text", kUtf8, Variant::Null(), kUtf8, Variant(""), -1},
        CompareCase{"number and text", kInt, Variant(10), kUtf8, Variant("9"), 1},
        CompareCase{"number and prefix", kUtf8, Variant("10abc"), kInt, Variant(10), 0},
        CompareCase{"integer and float", kInt, Variant(5), FloatCharacteristics(1), Variant(5.0), 0},
        CompareCase{"unsigned above signed", kBigIntUnsigned, Variant(kUInt64Max), Column(8),
                    Variant(kInt64Max), 1},
        CompareCase{"exact big integers", Column(8), Variant(9007199254740993), Column(8),
                    Variant(9007199254740992), 1},
        CompareCase{"year as number", kYear, Variant(2024), kInt, Variant(2024), 0},
        CompareCase{"boolean as number", Bare(dtBoolean), Variant(true), kInt, Variant(1), 0},
        CompareCase{"date and datetime", kDate, Variant(20240131), kDateTime, Variant(20240131000000.0), 0},
        CompareCase{"date before datetime", kDate, Variant(20240131), kTimestamp, Variant(20240131000001.0),
                    -1},
        CompareCase{"times", kTime, Variant(100000), kTime, Variant(90000), 1},
        CompareCase{"enum and number", kXY, Variant(2), kInt, Variant(2), 0},
        CompareCase{"enum and text", kXY, Variant(2), kUtf8, Variant("Y"), 0},
        CompareCase{"enum and digits", kXY, Variant(2), kUtf8, Variant("2"), 1},
        CompareCase{"enums by name", kXY, Variant(2), EnumCharacteristics({"b", "a"}, 65001), Variant(2), 1},
        CompareCase{"set and text", SetCharacteristics({"a", "b"}, 65001), Variant(3), kUtf8, Variant("A,B"),
                    0},
        CompareCase{"set in member order", SetCharacteristics({"a", "b"}, 65001), Variant(3), kUtf8,
                    Variant("b,a"), -1}));

// ---- Members

TEST_F(DataConverterTest, EnumMembersByNameOrIndex) {
    const TDatatypeCharacteristics xy = EnumCharacteristics({"x", "y"}, 65001);
    struct Case {
        TDatatypeCharacteristics source;
        Variant value;
        std::int64_t expected;
    };
    for (const Case& c :
         {Case{kUtf8, Variant("2"), 2}, Case{kUtf8, Variant("3"), 0}, Case{kUtf8, Variant("0"), 0},
          Case{kUtf8, Variant("Y  "), 2}, Case{kUtf8, Variant(" Y "), 0}, Case{kUtf8, Variant("z"), 0},
          Case{kUtf8, Variant(""), 0}, Case{kUtf8, Variant("99999999999999999999"), 0},
          Case{kInt, Variant(1), 1}, Case{kInt, Variant(-1), 0},
          Case{FloatCharacteristics(1), Variant(1.6), 1},
          Case{EnumCharacteristics({"y"}, 65001), Variant(1), 2}}) {
        EXPECT_EQ(converter.ToEnum(c.value, c.source, xy), Variant(c.expected)) << c.value.AsString();
    }
    // A member's name wins over the index it spells.
    const TDatatypeCharacteristics digits = EnumCharacteristics({"2", "1"}, 65001);
    EXPECT_EQ(converter.ToEnum(Variant("1"), kUtf8, digits), Variant(2));
    EXPECT_EQ(converter.ToEnum(Variant(1), kInt, digits), Variant(1));
}

TEST_F(DataConverterTest, SetMembersByNamesOrMask) {
    const TDatatypeCharacteristics abc = SetCharacteristics({"a", "b", "c", "a b"}, 65001);
    struct Case {
        TDatatypeCharacteristics source;
        Variant value;
        std::int64_t expected;
    };
    for (const Case& c :
         {Case{kUtf8, Variant("a,c"), 5}, Case{kUtf8, Variant("A,C"), 5}, Case{kUtf8, Variant("a b"), 8},
          Case{kUtf8, Variant("c, a"), 4}, Case{kUtf8, Variant("c ,a"), 5}, Case{kUtf8, Variant("a,,c"), 5},
          Case{kUtf8, Variant("a,zz,c"), 5}, Case{kUtf8, Variant("5"), 5}, Case{kUtf8, Variant("255"), 15},
          Case{kUtf8, Variant(""), 0}, Case{kInt, Variant(7), 7},
          Case{FloatCharacteristics(1), Variant(2.6), 2}}) {
        EXPECT_EQ(converter.ToSet(c.value, c.source, abc), Variant(c.expected)) << c.value.AsString();
    }
    const TDatatypeCharacteristics twoMembers = SetCharacteristics({"a", "b"}, 65001);
    EXPECT_EQ(converter.ToSet(Variant(7), kInt, twoMembers), Variant(3));
    const TDatatypeCharacteristics digits = SetCharacteristics({"1", "2", "3"}, 65001);
    EXPECT_EQ(converter.ToSet(Variant("3"), kUtf8, digits), Variant(4));
    EXPECT_EQ(converter.ToSet(Variant("4"), kUtf8, digits), Variant(4));
    EXPECT_EQ(converter.ToSet(Variant(3), kInt, digits), Variant(3));
}

TEST_F(DataConverterTest, SetOfManyMembersUsesEveryBit) {
    std::vector<std::string> names;
    for (int i = 0; i < 70; ++i)
        names.push_back("m" + std::to_string(i));
    const TDatatypeCharacteristics forty = SetCharacteristics({names.begin(), names.begin() + 40}, 65001);
    const Variant mask = converter.ToSet(Variant("m0,m35"), kUtf8, forty);
    EXPECT_EQ(mask, Variant((std::int64_t{1} << 35) | 1));
    EXPECT_EQ(TDataConverter::SetMemberNames(forty.Values, static_cast<std::uint64_t>(mask.AsInt64())),
              "m0,m35");

    // The 64th member is the sign bit of the mask; members past it are never set or listed.
    const TDatatypeCharacteristics seventy = SetCharacteristics(names, 65001);
    const Variant high = converter.ToSet(Variant("m63,m64"), kUtf8, seventy);
    EXPECT_EQ(high, Variant(std::uint64_t{1} << 63));
    EXPECT_EQ(converter.ToStringValue(high, seventy), Variant("m63"));
    const std::string all = TDataConverter::SetMemberNames(names, kUInt64Max);
    EXPECT_EQ(std::count(all.begin(), all.end(), ','), 63);
    EXPECT_TRUE(all.ends_with(",m63"));
}

TEST_F(DataConverterTest, MemberNameHelpers) {
    const std::vector<std::string> names{"x", "y"};
    EXPECT_EQ(TDataConverter::EnumMemberName(1, names), "x");
    EXPECT_EQ(TDataConverter::EnumMemberName(0, names), "");
    EXPECT_EQ(TDataConverter::EnumMemberName(3, names), "");
    EXPECT_EQ(TDataConverter::EnumMemberName(-1, names), "");
    EXPECT_TRUE(IsBitSet(SetBit(0, 63), 63));
    EXPECT_FALSE(IsBitSet(SetBit(0, 62), 63));
    EXPECT_THROW(SetBit(0, 64), rtl::EAssertionFailed);
}

// ---- Converting between kinds

TEST_F(DataConverterTest, ConvertValueToEachKind) {
    EXPECT_EQ(converter.ConvertValue(Variant(20240131), kDate, kYear), Variant(2024));
    EXPECT_EQ(converter.ConvertValue(Variant(20240131102030.0), kDateTime, kYear), Variant(2024));
    EXPECT_EQ(converter.ConvertValue(Variant(103000), kTime, kYear), Variant(10));
    EXPECT_EQ(converter.ConvertValue(Variant("2024"), kUtf8, kYear), Variant(2024));
    for (const char* zero : {"0", "00", "000", " 0", "0.0", "00abc"})
        EXPECT_EQ(converter.ConvertValue(Variant(zero), kUtf8, kYear), Variant(2000)) << zero;
    EXPECT_EQ(converter.ConvertValue(Variant("0000"), kUtf8, kYear), Variant(0));
    EXPECT_EQ(converter.ConvertValue(Variant("abc"), kUtf8, kYear), Variant(0));
    EXPECT_EQ(converter.ConvertValue(Variant("12.7"), kUtf8, kInt), Variant(13));
    EXPECT_EQ(converter.ConvertValue(Variant(7), kInt, FloatCharacteristics(2)), Variant(7.0));
    EXPECT_EQ(converter.ConvertValue(Variant("x"), kUtf8, Bare(dtBoolean)), Variant(false));
    EXPECT_EQ(converter.ConvertValue(Variant(3.5), FloatCharacteristics(254), kUtf8), Variant("3.5"));
    EXPECT_EQ(converter.ConvertValue(Variant(20240131), kDate, Text(1252)), Variant("2024-01-31"));
    // Text moves between code pages; other kinds' text is UTF-8 and is moved too.
    EXPECT_EQ(converter.ConvertValue(Variant("café"), kUtf8, Text(1252)), Variant("caf\xE9"));
    EXPECT_EQ(converter.ConvertValue(Variant("caf\xE9"), Text(1252), kUtf8), Variant("café"));
    const TDatatypeCharacteristics accented = EnumCharacteristics({"é"}, 65001);
    EXPECT_EQ(converter.ConvertValue(Variant(1), accented, Text(1252)), Variant("\xE9"));
    EXPECT_EQ(converter.ConvertValue(Variant("B"), kUtf8, EnumCharacteristics({"a", "b"}, 65001)),
              Variant(2));
    EXPECT_EQ(converter.ConvertValue(Variant("b,a"), kUtf8, SetCharacteristics({"a", "b"}, 65001)),
              Variant(3));
    EXPECT_TRUE(converter.ConvertValue(Variant::Null(), kUtf8, Bare(dtUnknown)).IsNull());
}

TEST_F(DataConverterTest, RecodeString) {
    EXPECT_EQ(converter.RecodeString(Variant("é"), 65001, 1252), Variant("\xE9"));
    EXPECT_EQ(converter.RecodeString(Variant("\xE9"), 1252, 65001), Variant("é"));
    EXPECT_EQ(converter.RecodeString(Variant("\xE9"), 1252, 1251), Variant("?"));     // no é in cp1251
    EXPECT_EQ(converter.RecodeString(Variant("\xC0"), 1251, 20866), Variant("\xE1")); // А in KOI8-R
    EXPECT_EQ(converter.RecodeString(Variant("é"), 65001, 1200), Variant("é"));
    EXPECT_EQ(converter.RecodeString(Variant("\xE9"), -1, 65001), Variant("\xE9"));
    EXPECT_EQ(converter.RecodeString(Variant("é"), 65001, -1), Variant("é"));
    EXPECT_EQ(converter.RecodeString(Variant(u"é"), 65001, 1252), Variant("\xE9"));
    EXPECT_EQ(converter.RecodeString(Variant("\xE9"), -2, 65001), Variant("é"));
}

// ---- Date helpers

TEST(DataConverterDatesTest, TextAndNumbers) {
    EXPECT_EQ(DateTextToNumber("2024-01-31"), 20240131);
    EXPECT_EQ(DateTextToNumber("junk"), 0);
    EXPECT_EQ(DateTimeTextToNumber("2024-01-31 10:20:30"), 20240131102030.0);
    // A fraction stays exact, as the text of the number.
    EXPECT_EQ(DateTimeTextToNumber("2024-01-31 10:20:30.5"), Variant("20240131102030.5"));
    EXPECT_EQ(DateTimeTextToNumber("9999-12-31 23:59:59.999999"), Variant("99991231235959.999999"));
    EXPECT_EQ(DateTimeTextToNumber("2024-01-31 10:20:30.000"), 20240131102030.0);
    EXPECT_EQ(TimeTextToNumber("-00:12:34"), -1234);
    EXPECT_EQ(TimeTextToNumber("-838:59:59.5"), Variant("-8385959.5"));
    EXPECT_EQ(TimeTextToNumber(""), 0);
    EXPECT_EQ(TimeTextToNumber("x"), 0);
    EXPECT_EQ(DateNumberToYear(20240131), 2024);
    EXPECT_EQ(DateNumberToYear(0), 0);
    EXPECT_EQ(DateTimeNumberToYear(19991231235959.0), 1999);
    EXPECT_EQ(DateNumberToText(240131), "0024-01-31");
    EXPECT_EQ(DateTimeNumberToText(0), "0000-00-00 00:00:00");
}

} // namespace
} // namespace core
