#include "dataaccess/Owned.h"

#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRCommand.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::HasSubstr;
using testing::Owned;

// ---- Literals

TEST(MyHelpersTest, EscapingInBothModes) {
    const std::string tricky("\0\n\r\x1A\"'\\x", 8);
    EXPECT_EQ(MyEscapeAnsiBuffer(tricky, true), "\\0\\n\\r\\Z\\\"\\'\\\\x");
    EXPECT_EQ(MyEscapeAnsiBuffer(tricky, false), std::string("\0\n\r\x1A\"''\\x", 9));
    EXPECT_EQ(MyQuoteAnsiString("it's", false), "'it''s'");
    EXPECT_EQ(MyQuoteAnsiString("a\\b", false), "'a\\b'");
    EXPECT_EQ(MyQuoteAnsiString("it's", true), "'it\\'s'");
    EXPECT_EQ(MyQuoteWideString(u"\u00e9'\n", true), u"'\u00e9\\'\\n'");
    EXPECT_EQ(MyQuoteWideString(u"it's", false), u"'it''s'");
    EXPECT_EQ(MyQuoteAnsiString("", true), "''");
}

TEST(MyHelpersTest, LiteralsByInternalType) {
    struct Case {
        TMySqlParam param;
        const char* expected;
    };
    const rtl::TDateTime leapDay = rtl::EncodeDate(2024, 2, 29);
    const std::vector<Case> cases = {
        {{.DataType = dtString, .Value = "x", .IsNull = true}, "NULL"},
        {{.DataType = dtInt32, .Value = rtl::Variant::Null()}, "NULL"},
        {{.DataType = dtTime, .Value = -0.5}, "'-12:00:00'"},
        {{.DataType = dtTime, .Value = 0.0001}, "'0:00:09'"},
        {{.DataType = dtTime, .Value = 1.5}, "'36:00:00'"},
        {{.DataType = dtDate, .Value = kMyZeroDate}, "'0000-00-00 00:00:00'"},
        {{.DataType = dtTime, .Value = kMyZeroDate}, "'0000-00-00 00:00:00'"},
        {{.DataType = dtDateTime, .Value = kMyZeroDate}, "'0000-00-00 00:00:00'"},
        {{.DataType = dtDate, .Value = leapDay + 0.75}, "'2024-02-29'"},
        {{.DataType = dtDate, .Value = rtl::EncodeDate(1850, 6, 1)}, "'1850-06-01'"},
        {{.DataType = dtDateTime, .Value = leapDay + rtl::EncodeTime(13, 4, 5, 0)}, "'2024-02-29 13:04:05'"},
        {{.DataType = dtFloat, .Value = 1.5}, "1.5"},
        {{.DataType = dtFloat, .Value = "-2.5e3"}, "-2.5e3"},
        {{.DataType = dtBCD, .Value = 12.34567}, "12.3457"},
        {{.DataType = dtBCD, .Value = -3.0}, "-3"},
        {{.DataType = dtFMTBCD, .Value = "123456789012345678901234.5"}, "123456789012345678901234.5"},
        {{.DataType = dtBoolean, .Value = true}, "1"},
        {{.DataType = dtBoolean, .Value = false}, "0"},
        {{.DataType = dtInt32, .Value = -42}, "-42"},
        {{.DataType = dtInt64, .Value = uint64_t{18446744073709551615ULL}}, "18446744073709551615"},
        {{.DataType = dtString, .Value = "it's"}, "'it\\'s'"},
        {{.DataType = dtWideString, .Value = std::u16string(u"\U0001F600")}, "'\xF0\x9F\x98\x80'"},
        {{.DataType = dtVarBytes, .Value = std::string("\xFF\x00", 2)}, "'\xFF\\0'"},
        {{.DataType = dtGuid, .Value = "{1}"}, "'{1}'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(GetValueSQLText(c.param, {}), c.expected);
    }
    AnsiStringBuilder sql(4);
    sql.Append("v=");
    AppendValueSQLText(sql, {.DataType = dtString, .Value = "it's"}, {.BackslashEscapes = false});
    EXPECT_EQ(sql.AsString(), "v='it''s'");
}

TEST(MyHelpersTest, NumbersGivenAsTextMustBeNumbers) {
    for (const auto& [type, text] : std::vector<std::pair<int, const char*>>{
             {dtFloat, "1; DROP TABLE t"}, {dtFMTBCD, "1e"}, {dtInt32, "1 OR 1=1"}, {dtFloat, "."}}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(GetValueSQLText({.DataType = type, .Value = text}, {}), rtl::EConversionError);
    }
}

TEST(MyHelpersTest, BlobLiterals) {
    Owned<TBlob> empty(new TBlob());
    EXPECT_EQ(GetValueSQLText({.DataType = dtBlob, .Blob = empty.get()}, {}), "''");

    Owned<TBlob> bytes(new TBlob());
    bytes->WriteAsAnsi(std::string("a'\0", 3));
    EXPECT_EQ(GetValueSQLText({.DataType = dtBlob, .Blob = bytes.get()}, {}), "'a\\'\\0'");

    Owned<TBlob> wide(new TBlob(true));
    wide->WriteAsWide(u"\u00e9");
    EXPECT_EQ(GetValueSQLText({.DataType = dtWideMemo, .Blob = wide.get()}, {.UseUnicode = true}),
              "'\xC3\xA9'");
    EXPECT_EQ(GetValueSQLText({.DataType = dtWideMemo, .Blob = wide.get()}, {.UseUnicode = false}),
              std::string("'\xE9\\0'", 5)); // its UTF-16 bytes

    // Compressed on the server: the compressed form goes; otherwise the content.
    const std::string text(200, 'z');
    Owned<TBlob> large(new TBlob());
    large->WriteAsAnsi(text);
    const std::string compressed =
        GetValueSQLText({.DataType = dtMemo, .Blob = large.get()}, {.CompressOnServer = true});
    EXPECT_LT(compressed.size(), text.size());
    EXPECT_EQ(large->ReadAsAnsi(), text); // the blob itself is not changed
    Owned<TCompressedBlob> stored(new TCompressedBlob());
    stored->WriteAsAnsi(text);
    stored->SetCompressed(true);
    EXPECT_EQ(GetValueSQLText({.DataType = dtMemo, .Blob = stored.get()}, {}), "'" + text + "'");
}

// What the literal writer produces must read back byte for byte, whatever the session's sql_mode.
TEST(MyHelpersTest, TrickyLiteralsRoundTripThroughTheServer) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings);
    const std::string tricky = std::string("\0\n\r\x1A\"'\\", 7) + "\\'x\\" + "\xF0\x9F\x98\x80" + "\\";
    for (const bool noBackslashEscapes : {false, true}) {
        SCOPED_TRACE(noBackslashEscapes);
        session.Execute(noBackslashEscapes ? "SET SESSION sql_mode = 'NO_BACKSLASH_ESCAPES'"
                                           : "SET SESSION sql_mode = ''");
        session.Execute("CREATE OR REPLACE TEMPORARY TABLE MyHelpersTest_t (v LONGBLOB)");
        const TMyLiteralOptions options{.BackslashEscapes = !noBackslashEscapes};
        session.Execute("INSERT INTO MyHelpersTest_t VALUES (" +
                        GetValueSQLText({.DataType = dtBlob, .Value = tricky}, options) + ")");
        const auto rows = session.Query("SELECT v FROM MyHelpersTest_t");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], tricky);
    }
}

// The command's parameter descriptors reach the binder and the literal writer whole.
TEST(MyHelpersTest, ParameterDescriptors) {
    TParamDesc text;
    text.SetDataType(dtString);
    text.SetParamType(pdInputOutput);
    text.SetSize(10);
    text.SetValue("it's");
    const TMySqlParam fromText = MySqlParamOf(text);
    EXPECT_EQ(fromText.DataType, dtString);
    EXPECT_EQ(fromText.Direction, pdInputOutput);
    EXPECT_EQ(fromText.Size, 10);
    EXPECT_EQ(fromText.Blob, nullptr);
    EXPECT_FALSE(fromText.IsNull);
    EXPECT_EQ(GetValueSQLText(fromText, {}), "'it\\'s'");
    EXPECT_FALSE(IsBlobParam(text));

    Owned<TBlob> blob(new TBlob());
    blob->WriteAsAnsi("b");
    TParamDesc memo;
    memo.SetDataType(dtMemo);
    memo.SetObject(blob.get());
    const TMySqlParam fromMemo = MySqlParamOf(memo);
    EXPECT_EQ(fromMemo.Blob, blob.get());
    EXPECT_EQ(GetValueSQLText(fromMemo, {}), "'b'");
    EXPECT_TRUE(IsBlobParam(memo));

    TParamDesc null;
    null.SetDataType(dtInt32);
    null.SetValue(rtl::Variant::Null());
    EXPECT_EQ(GetValueSQLText(MySqlParamOf(null), {}), "NULL");

    TCRFieldDesc expression;
    EXPECT_EQ(GetFieldTableName(expression), "");
    TMyTableInfo table(nullptr);
    table.SetTableName("orders");
    TCRFieldDesc column;
    column.SetTableInfo(&table);
    EXPECT_EQ(GetFieldTableName(column), "orders");
}

// ---- Names

TEST(MyHelpersTest, QuotingNames) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"my table", "`my table`"},
        {"1abc", "`1abc`"},
        {"abc", "abc"},
        {"a$b#c@_1", "a$b#c@_1"},
        {"`my table`", "`my table`"},
        {"db.my table", "db.`my table`"},
        {".x", "`.x`"},
        {"my`table", "`my``table`"},
        {"`a.b`.c", "`a.b`.c"},
        {"\xC3\xA9t\xC3\xA9", "`\xC3\xA9t\xC3\xA9`"},
    };
    for (const auto& [name, quoted] : cases)
        EXPECT_EQ(MyQuoteName(name), quoted) << name;
    EXPECT_EQ(MyQuoteName("abc", true), "`abc`");
    EXPECT_EQ(MyQuoteNameWith("a b", '"', '"', false), "\"a b\"");
}

TEST(MyHelpersTest, EscapingBackquotesDoublesEveryOne) {
    EXPECT_EQ(MyEscapeBackquotes("a`b"), "a``b");
    EXPECT_EQ(MyEscapeBackquotes("a`"), "a``");
    EXPECT_EQ(MyEscapeBackquotes("``x"), "````x");
    EXPECT_EQ(MyEscapeBackquotes("`a`b`"), "`a``b`");
}

TEST(MyHelpersTest, UnquotingAndSplittingNames) {
    EXPECT_EQ(MyUnquoteName("`abc`"), "abc");
    EXPECT_EQ(MyUnquoteName("`a b`"), "`a b`");
    EXPECT_EQ(MyUnquoteName("`db`.`t`"), "db.t");
    EXPECT_EQ(MyUnquoteName("ab"), "ab");

    struct Case {
        const char* name;
        const char* schema;
        const char* object;
    };
    for (const Case& c :
         {Case{"db.proc", "db", "proc"}, Case{"proc", "", "proc"}, Case{"`db`.`my proc`", "db", "`my proc`"},
          Case{"`a.b`", "", "`a.b`"}, Case{"x.y.z", "y", "z"}, Case{"p", "", "p"}}) {
        SCOPED_TRACE(c.name);
        std::string schema = "old", object = "old";
        SplitObjectName(c.name, schema, object);
        EXPECT_EQ(schema, c.schema);
        EXPECT_EQ(object, c.object);
    }

    EXPECT_EQ(ComposeObjectName("db", "my proc", "other"), "db.`my proc`");
    EXPECT_EQ(ComposeObjectName("db", "proc", "db"), "proc");
    EXPECT_EQ(ComposeObjectName("", "proc", "db"), "proc");
}

// ---- Column types

TEST(MyHelpersTest, MySqlTypeToInternalType) {
    struct Case {
        int mySqlType;
        uint32_t length, decimals, charset;
        bool isUnsigned, isBinary;
        TMyTypeOptions options;
        int expected;
        bool fixed;
    };
    const TMyTypeOptions none;
    const std::vector<Case> cases = {
        {1, 1, 0, 63, false, false, {.EnableBoolean = true}, dtBoolean, false},
        {1, 1, 0, 63, false, false, none, dtInt8, false},
        {1, 4, 0, 63, true, false, none, dtUInt16, false},
        {2, 6, 0, 63, false, false, none, dtInt16, false},
        {3, 10, 0, 63, true, false, none, dtUInt32, false},
        {8, 20, 0, 63, false, false, none, dtInt64, false},
        {8, 11, 0, 63, false, false, {.OptimizedBigInt = true}, dtInt32, false},
        {8, 20, 0, 63, true, false, {.UseUnicode = true}, dtWideString, false},
        {16, 64, 0, 63, true, false, none, dtInt64, false},
        {9, 8, 0, 63, false, false, none, dtInt32, false},
        {4, 12, 31, 63, false, false, none, dtFloat, false},
        {7, 19, 0, 63, false, false, none, dtDateTime, false},
        {10, 10, 0, 63, false, false, none, dtDate, false},
        {11, 10, 0, 63, false, false, none, dtTime, false},
        {13, 4, 0, 63, true, false, none, dtUInt16, false},
        {6, 0, 0, 63, false, false, none, dtString, false},
        {253, 40, 0, 45, false, false, none, dtString, false},
        {253, 40, 0, 45, false, false, {.UseUnicode = true}, dtWideString, false},
        {253, 40, 0, 46, false, true, none, dtString, false}, // a _bin collation
        {253, 4, 0, 63, false, true, none, dtVarBytes, false},
        {253, 4, 0, 63, false, true, {.BinaryAsString = true}, dtString, false},
        {254, 4, 0, 63, false, true, none, dtBytes, true},
        {254, 4, 0, 45, false, false, none, dtString, true},
        {247, 4, 0, 45, false, false, none, dtString, false},
        {252, 65535, 0, 63, false, true, none, dtBlob, false},
        {252, 65535, 0, 46, false, true, none, dtMemo, false},
        {252, 65535, 0, 45, false, false, {.UseUnicode = true}, dtWideMemo, false},
        {255, 65535, 0, 63, false, true, none, dtBlob, false},
        {246, 10, 2, 63, false, false, none, dtFloat, false},
        {246, 10, 2, 63, false, false, {.EnableBCD = true}, dtBCD, false},
        {246, 10, 2, 63, false, false, {.EnableBCD = true, .EnableFMTBCD = true}, dtFMTBCD, false},
        {246, 16, 2, 63, false, false, {.EnableBCD = true, .DecimalPrecision = true}, dtBCD, false},
        {246, 17, 2, 63, false, false, {.EnableBCD = true, .DecimalPrecision = true}, dtFloat, false},
        {246,
         10,
         5,
         63,
         false,
         false,
         {.EnableBCD = true, .EnableFMTBCD = true, .DecimalPrecision = true},
         dtFMTBCD,
         false},
        {0, 15, 0, 63, false, false, {.EnableBCD = true, .DecimalPrecision = true}, dtBCD, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mySqlType << "(" << c.length << "," << c.decimals << ")");
        int dataType = -1;
        bool fixed = !c.fixed;
        ASSERT_TRUE(MySqlTypeToInternalType(c.mySqlType, c.length, c.decimals, c.charset, c.isUnsigned,
                                            c.isBinary, c.options, dataType, fixed));
        EXPECT_EQ(dataType, c.expected);
        EXPECT_EQ(fixed, c.fixed);
    }
    int dataType = 0;
    bool fixed = false;
    EXPECT_FALSE(MySqlTypeToInternalType(245, 0, 0, 63, false, false, none, dataType, fixed));
    EXPECT_FALSE(MySqlTypeToInternalType(17, 0, 0, 63, false, false, none, dataType, fixed));
}

// ---- Errors

TEST(MyHelpersTest, MySqlErrors) {
    const EMyError syntax(1064, "42000", "You have an error in your SQL syntax; ... near 'x' at line 7");
    EXPECT_EQ(syntax.ErrorLine(), 7);
    EXPECT_EQ(syntax.SqlState(), "42000");
    EXPECT_EQ(syntax.ErrorCode(), 1064);
    EXPECT_STREQ(syntax.ClassName(), "EMyError");
    EXPECT_EQ(EMyError(1064, "42000", "no digits").ErrorLine(), 0);
    EXPECT_EQ(EMyError(1146, "42S02", "at line 7").ErrorLine(), 0);

    for (const int code : {1053, 2002, 2003, 2006, 2013})
        EXPECT_TRUE(EMyError(code, "", "").IsConnectionLostError()) << code;
    for (const int code : {1062, 2000, 1045})
        EXPECT_FALSE(EMyError(code, "", "").IsConnectionLostError()) << code;
    EXPECT_TRUE(EMyError(1062, "23000", "dup").IsDuplicateKeyError());
    EXPECT_FALSE(EMyError(1061, "", "").IsDuplicateKeyError());

    // The layer's base error, and through it the framework's database error.
    const EDAError& base = syntax;
    EXPECT_FALSE(EDAError(5, "x").IsConnectionLostError());
    EXPECT_EQ(base.Component(), nullptr);
    EXPECT_NE(dynamic_cast<const data::EDatabaseError*>(&base), nullptr);
}

TEST(MyHelpersTest, NeedsFetchBuffer) {
    std::vector<int> needing;
    for (int type = 0; type <= 31; ++type)
        if (NeedsFetchBuffer(type)) needing.push_back(type);
    EXPECT_THAT(needing, ::testing::ElementsAre(6, 7, 8, 13, 14, 20, 22, 23, 25, 26, 27, 28, 30));
}

} // namespace
} // namespace dataaccess
