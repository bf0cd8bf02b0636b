// Values, literals and comparisons checked against the real server.
#include <limits>
#include <optional>

#include <gtest/gtest.h>

#include "core/uDataConverter.h"
#include "core/uDataValues.h"
#include "core/uMySQLTypes.h"
#include "DataValueTesting.h"
#include "platform/rtl/Format.h"
#include "support/TestServer.h"

namespace core {
namespace {

using rtl::Variant;
using testsupport::RawSession;

constexpr std::uint64_t kUInt64Max = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// The connection's converter: what only the server can convert, it asks the server.
class TServerConverter : public TDataConverter {
public:
    explicit TServerConverter(RawSession& session) : session_(session) {}

    std::shared_ptr<IRODataValue> ConvertToTime(const Variant& value,
                                                const TDatatypeCharacteristics& c) override {
        return Evaluate("cast(%s as time)+0", value, c);
    }
    std::shared_ptr<IRODataValue> ConvertToDate(const Variant& value,
                                                const TDatatypeCharacteristics& c) override {
        return Evaluate("cast(%s as date)+0", value, c);
    }
    std::shared_ptr<IRODataValue> ConvertToDateTime(const Variant& value,
                                                    const TDatatypeCharacteristics& c) override {
        return Evaluate("cast(%s as datetime)+0", value, c);
    }

private:
    std::shared_ptr<IRODataValue> Evaluate(const char* expression, const Variant& value,
                                           const TDatatypeCharacteristics& c) {
        const auto rows = session_.Query("select " + rtl::Format(expression, ToSQL(value, c)));
        const std::optional<std::string>& field = rows.at(0).at(0);
        const Variant number = field ? Variant(StrToExtended(*field)) : Variant::Null();
        return std::make_shared<TRODataValue>(number, FloatCharacteristics(kScaleNotSpecified), this);
    }

    RawSession& session_;
};

TDatatypeCharacteristics Text(std::int32_t codePage, std::int64_t length = kUnlimitedLength) {
    return StringCharacteristics(codePage, length);
}

TDatatypeCharacteristics Column(std::uint8_t code, bool isUnsigned = false, std::int64_t length = -1,
                                std::uint8_t scale = 0, std::int32_t codePage = kCodePageConnectionDefault,
                                const std::vector<std::string>& values = {}) {
    return MySQLTypeCharacteristics(code, values, isUnsigned, codePage, length, scale, "");
}

struct TypedValue {
    TDatatypeCharacteristics characteristics;
    Variant value;
};

// The strongest check of literals: every value written with ToSQL comes back from "SELECT <literal>"
// as its own text, whatever the session's sql_mode and whether or not its character set is the
// converter's default.
TEST(DataServerTest, LiteralsReadBackAsTheirTextUnderEveryMode) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    RawSession session(settings);
    const std::vector<TypedValue> values = {
        {Text(65001), Variant("it's")},
        {Text(65001), Variant("''")},
        {Text(65001), Variant("back\\slash\\")},
        {Text(65001), Variant("\\'")},
        {Text(65001), Variant(std::string("nul\0byte", 8))},
        {Text(65001), Variant("cr\rlf\n")},
        {Text(65001), Variant("ctrl-z\x1A")},
        {Text(65001), Variant("tab\t\"double\"")},
        {Text(65001), Variant("é")},
        {Text(65001), Variant("日本")},
        {Text(65001), Variant("emoji 😀")},
        {Text(65001), Variant("%_")},
        {Text(65001), Variant("")},
        {Text(1200), Variant("ucs2 text é")},
        {Text(1252), Variant("caf\xE9")},
        {Text(1252), Variant("O'Neil")},
        {Text(1251), Variant("\xCF\xF0\xE8\xE2\xE5\xF2")},
        {Text(-1), Variant("bytes")},
        {Text(-1), Variant(std::string("\0\x7F\x1A'\\\"", 6))},
        {Column(3), Variant(-42)},
        {Column(8), Variant(kInt64Min)},
        {Column(8, true), Variant(kUInt64Max)},
        {FloatCharacteristics(2), Variant(3.14159)},
        {FloatCharacteristics(2), Variant(-2.5)},
        {FloatCharacteristics(254), Variant(0.5)},
        {FloatCharacteristics(254), Variant(-1234.25)},
        {FloatCharacteristics(254), Variant(1e20)},
        {BareCharacteristics(dtBoolean), Variant(true)},
        {BareCharacteristics(dtBoolean), Variant(false)},
        {Column(10), Variant(20240131)},
        {Column(12), Variant(20240131102030.0)},
        {Column(7), Variant(19700101000001.0)},
        {Column(11), Variant(1234.5)},
        {Column(11), Variant(-1234)},
        {Column(11), Variant(8385959.123456)},
        {Column(13), Variant(2024)},
        {EnumCharacteristics({"x", "it's"}, 65001), Variant(2)},
        {EnumCharacteristics({"é", "b"}, 1252), Variant(1)},
        {SetCharacteristics({"a", "b", "c"}, 65001), Variant(5)},
        {SetCharacteristics({"a", "b"}, 65001), Variant(0)},
    };
    for (const char* mode :
         {"", "NO_BACKSLASH_ESCAPES", "ANSI_QUOTES,NO_BACKSLASH_ESCAPES,PIPES_AS_CONCAT"}) {
        session.Execute(rtl::Format("SET SESSION sql_mode = '%s'", mode));
        for (std::int32_t defaultCodePage : {65001, 1252}) {
            TServerConverter converter(session);
            converter.SetDefaultCodePage(defaultCodePage);
            std::string select = "SELECT ";
            std::vector<std::string> literals;
            for (const TypedValue& v : values) {
                const TRODataValue value(v.value, v.characteristics, &converter);
                literals.push_back(value.AsSQL());
                select += (literals.size() > 1 ? ", " : "") + literals.back();
            }
            const auto rows = session.Query(select);
            ASSERT_EQ(rows.size(), 1u);
            ASSERT_EQ(rows[0].size(), values.size());
            for (std::size_t i = 0; i < values.size(); ++i) {
                const TRODataValue value(values[i].value, values[i].characteristics, &converter);
                EXPECT_EQ(rows[0][i], std::optional<std::string>(value.AsString().AsString()))
                    << literals[i] << " with sql_mode '" << mode << "', default code page "
                    << defaultCodePage;
            }
        }
    }
}

// The text the server needs to see a value with its own type, not as a string or number literal.
std::string TypedSQL(const IRODataValue& value) {
    const std::string literal = value.AsSQL();
    switch (value.GetCharacteristics().DataType) {
    case dtDate:
        return "CAST(" + literal + " AS DATE)";
    case dtTime:
        return "CAST(" + literal + " AS TIME(6))";
    case dtDateTime:
    case dtTimestamp:
        return "CAST(" + literal + " AS DATETIME)";
    default:
        return literal;
    }
}

TEST(DataServerTest, ComparisonsAgreeWithTheServer) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    RawSession session(settings);
    TServerConverter converter(session);
    converter.SetDefaultCodePage(65001);
    const TDatatypeCharacteristics utf8 = Text(65001);
    struct Case {
        TypedValue a;
        TypedValue b;
    };
    const std::vector<Case> cases = {
        {{utf8, Variant(" abc")}, {utf8, Variant("abc")}},
        {{utf8, Variant("abc  ")}, {utf8, Variant("ABC")}},
        {{utf8, Variant("é")}, {utf8, Variant("E")}},
        {{utf8, Variant("ß")}, {utf8, Variant("s")}},
        {{utf8, Variant("Ǆ")}, {utf8, Variant("ǆ")}},
        {{utf8, Variant("a\t")}, {utf8, Variant("a")}},
        {{utf8, Variant("😀")}, {utf8, Variant("😁")}},
        {{utf8, Variant("a")}, {utf8, Variant("ab")}},
        {{utf8, Variant("Zebra")}, {utf8, Variant("apple")}},
        {{Text(1252), Variant("caf\xE9")}, {utf8, Variant("CAFE")}},
        {{Text(-1), Variant("abc")}, {utf8, Variant("ABC")}},
        {{Column(3), Variant(10)}, {utf8, Variant("9")}},
        {{utf8, Variant("10abc")}, {Column(3), Variant(10)}},
        {{utf8, Variant(" 1e1")}, {Column(3), Variant(10)}},
        {{Column(3), Variant(5)}, {FloatCharacteristics(1), Variant(5.0)}},
        {{Column(8, true), Variant(kUInt64Max)}, {Column(8), Variant(kInt64Max)}},
        {{Column(8), Variant(9007199254740993)}, {Column(8), Variant(9007199254740992)}},
        {{Column(10), Variant(20240131)}, {utf8, Variant("2024-01-31")}},
        {{Column(10), Variant(20240131)}, {utf8, Variant("2024-01-31 10:00")}},
        {{Column(10), Variant(20240131)}, {utf8, Variant("2024/1/31")}},
        {{Column(10), Variant(20240131)}, {utf8, Variant("abc")}},
        {{Column(10), Variant(20240131)}, {Column(12), Variant(20240131000000.0)}},
        {{Column(12), Variant(20240131100000.0)}, {utf8, Variant("2024-01-31 09:59:59")}},
        {{Column(11), Variant(100000)}, {utf8, Variant("9:00:00")}},
        {{Column(11), Variant(100000)}, {utf8, Variant("10:00")}},
        {{Column(13), Variant(2024)}, {Column(3), Variant(2024)}},
        {{BareCharacteristics(dtBoolean), Variant(true)}, {Column(3), Variant(1)}},
        {{FloatCharacteristics(2), Variant(10.0 / 3)}, {FloatCharacteristics(2), Variant(3.33)}},
    };
    for (const Case& c : cases) {
        const auto a = std::make_shared<TRODataValue>(c.a.value, c.a.characteristics, &converter);
        const auto b = std::make_shared<TRODataValue>(c.b.value, c.b.characteristics, &converter);
        const std::string sqlA = TypedSQL(*a);
        const std::string sqlB = TypedSQL(*b);
        const std::string expected =
            session.Scalar(rtl::Format("SELECT (%s > %s) - (%s < %s)", sqlA, sqlB, sqlA, sqlB));
        const int order = a->Compare(b);
        EXPECT_EQ(std::to_string((order > 0) - (order < 0)), expected) << sqlA << " vs " << sqlB;
        EXPECT_EQ(a->Equals(b), expected == "0") << sqlA << " vs " << sqlB;
    }
}

// Assigning a value to a declared variable: the stored routine and the local value agree.
TEST(DataServerTest, AssignmentsFitValuesAsTheServerDoes) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    RawSession session(settings);
    TServerConverter converter(session);
    converter.SetDefaultCodePage(65001);
    const TDatatypeCharacteristics utf8 = Text(65001);
    const std::vector<std::string> xy{"x", "y"};
    const std::vector<std::string> abc{"a", "b", "c", "a b"};
    struct Case {
        std::string declaredType;
        TDatatypeCharacteristics target;
        TypedValue source;
        std::string sourceSQL; // when the server must read the source some other way than AsSQL
    };
    const std::vector<Case> cases = {
        {"TINYINT", Column(1), {Column(3), Variant(300)}, ""},
        {"TINYINT", Column(1), {Column(3), Variant(-1000)}, ""},
        {"INT", Column(3), {utf8, Variant("12.7")}, ""},
        {"INT", Column(3), {utf8, Variant("-12.5")}, ""},
        {"INT", Column(3), {utf8, Variant("  42abc")}, ""},
        {"INT", Column(3), {utf8, Variant("1e3")}, ""},
        {"INT", Column(3), {FloatCharacteristics(1), Variant(2.5)}, ""},
        {"INT", Column(3), {FloatCharacteristics(254), Variant(2.5)}, "2.5e0"},
        {"INT", Column(3), {FloatCharacteristics(254), Variant(3.5)}, "3.5e0"},
        {"INT", Column(3), {FloatCharacteristics(254), Variant(1e30)}, ""},
        {"INT UNSIGNED", Column(3, true), {Column(3), Variant(-5)}, ""},
        {"BIGINT UNSIGNED", Column(8, true), {utf8, Variant("18446744073709551615")}, ""},
        {"BIGINT UNSIGNED", Column(8, true), {utf8, Variant("99999999999999999999")}, ""},
        {"BIGINT", Column(8), {utf8, Variant("-99999999999999999999")}, ""},
        {"YEAR", Column(13), {Column(3), Variant(69)}, ""},
        {"YEAR", Column(13), {Column(3), Variant(70)}, ""},
        {"YEAR", Column(13), {Column(3), Variant(0)}, ""},
        {"YEAR", Column(13), {utf8, Variant("0")}, ""},
        {"YEAR", Column(13), {utf8, Variant("0000")}, ""},
        {"YEAR", Column(13), {Column(3), Variant(2156)}, ""},
        {"VARCHAR(5)", Column(253, false, 5, 0, 65001), {utf8, Variant("abcdéfg")}, ""},
        {"VARCHAR(3)", Column(253, false, 3, 0, 65001), {utf8, Variant("a😀bc")}, ""},
        {"CHAR(3) CHARACTER SET latin1", Column(254, false, 3, 0, 1252), {utf8, Variant("héllo")}, ""},
        {"VARCHAR(10)", Column(253, false, 10, 0, 65001), {Column(10), Variant(20240131)}, ""},
        {"DECIMAL(10,2)", Column(246, false, 10, 2), {FloatCharacteristics(3), Variant(3.145)}, ""},
        {"DECIMAL(10,2)", Column(246, false, 10, 2), {FloatCharacteristics(3), Variant(-3.145)}, ""},
        {"DECIMAL(10,2)", Column(246, false, 10, 2), {FloatCharacteristics(4), Variant(10.0 / 3)}, ""},
        {"ENUM('x','y')", Column(247, false, 0, 0, -2, xy), {utf8, Variant("Y  ")}, ""},
        {"ENUM('x','y')", Column(247, false, 0, 0, -2, xy), {utf8, Variant(" Y ")}, ""},
        {"ENUM('x','y')", Column(247, false, 0, 0, -2, xy), {utf8, Variant("2")}, ""},
        {"ENUM('x','y')", Column(247, false, 0, 0, -2, xy), {Column(3), Variant(1)}, ""},
        {"ENUM('x','y')", Column(247, false, 0, 0, -2, xy), {FloatCharacteristics(1), Variant(1.6)}, ""},
        {"SET('a','b','c','a b')", Column(248, false, 0, 0, -2, abc), {utf8, Variant("c, a")}, ""},
        {"SET('a','b','c','a b')", Column(248, false, 0, 0, -2, abc), {utf8, Variant("A,C")}, ""},
        {"SET('a','b','c','a b')", Column(248, false, 0, 0, -2, abc), {utf8, Variant("a b")}, ""},
        {"SET('a','b','c','a b')", Column(248, false, 0, 0, -2, abc), {utf8, Variant("255")}, ""},
        {"SET('a','b','c','a b')", Column(248, false, 0, 0, -2, abc), {Column(3), Variant(6)}, ""},
        {"DATE", Column(10), {utf8, Variant("2024-1-31")}, ""},
        {"TIME", Column(11), {utf8, Variant("10:20")}, ""},
        {"DATETIME", Column(12), {utf8, Variant("2024-01-31 10:20:30")}, ""},
        {"DATETIME", Column(12), {Column(10), Variant(20240131)}, ""},
    };

    std::string declarations, assignments, selection;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const auto source =
            std::make_shared<TRODataValue>(c.source.value, c.source.characteristics, &converter);
        const auto target = std::make_shared<TRWDataValue>(Variant::Null(), c.target, &converter);
        target->Assign(source);
        expected.push_back(target->AsString().AsString());
        declarations += rtl::Format("DECLARE v%d %s; ", i, c.declaredType);
        assignments += rtl::Format("SET v%d = %s; ", i, c.sourceSQL.empty() ? source->AsSQL() : c.sourceSQL);
        selection += rtl::Format("%sv%d", i ? ", " : "", i);
    }
    // Outside strict mode the server fits values instead of refusing them, as the debugger does.
    session.Execute("SET SESSION sql_mode = ''");
    session.Execute("DROP PROCEDURE IF EXISTS DataServerTest_assign");
    session.Execute("CREATE PROCEDURE DataServerTest_assign() BEGIN " + declarations + assignments +
                    "SELECT " + selection + "; END");
    const auto rows = session.Query("CALL DataServerTest_assign()");
    session.Execute("DROP PROCEDURE DataServerTest_assign");
    ASSERT_EQ(rows.size(), 1u);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(rows[0].at(i), std::optional<std::string>(expected[i]))
            << c.declaredType
            << " := " << TRODataValue(c.source.value, c.source.characteristics, &converter).AsSQL();
    }
}

} // namespace
} // namespace core
