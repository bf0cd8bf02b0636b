#include "core/uStringUtils.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/StringList.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <vector>

namespace core {
namespace {

using namespace std::string_literals;

// Byte strings that stress literals: quotes, backslashes, control bytes, LIKE wildcards and
// multi-byte UTF-8 up to four bytes.
const std::string kAwkwardValues[] = {
    "O'Brien",
    "a\"b",
    "back\\slash",
    "nul\0byte"s,
    "cr\rlf\n",
    "ctrl-z\x1A",
    "100%_\\%\\_",
    "''",
    "\\'",
    "caf\xC3\xA9",
    "\xE6\x97\xA5\xE6\x9C\xAC",
    "emoji \xF0\x9F\x98\x80",
    "",
};

TEST(StringUtilsTest, BackslashModeEscapesMySqlSpecialBytes) {
    EXPECT_EQ(QuoteEscapedString("O'B\n"), R"('O\'B\n')");
    EXPECT_EQ(QuoteEscapedString("\0\r\x1A\"\\"s), R"('\0\r\Z\"\\')");
    EXPECT_EQ(QuoteEscapedString("caf\xC3\xA9 \t%_"), "'caf\xC3\xA9 \t%_'");
    EXPECT_EQ(QuoteEscapedBuffer("O'B\n", TEscapeMode::Quote), "'O''B\n'");
}

TEST(StringUtilsTest, EscapeStringBufferFillsAtMostTwiceTheInputPlusZero) {
    for (const std::string& input : {"'\\\"\0"s, "abc"s, ""s}) {
        for (TEscapeMode mode : {TEscapeMode::Backslash, TEscapeMode::Quote}) {
            std::vector<char> buffer(2 * input.size() + 1, '#'); // ASan watches the exact size
            const size_t written = EscapeStringBuffer(input.data(), input.size(), buffer.data(), mode);
            ASSERT_LT(written, buffer.size());
            EXPECT_EQ(buffer[written], '\0');
            EXPECT_EQ("'" + std::string(buffer.data(), written) + "'", QuoteEscapedBuffer(input, mode));
        }
    }
}

// What the server makes of the literals. Each mode gives back the bytes in the session it is made
// for: backslash mode without NO_BACKSLASH_ESCAPES, quote mode with it. Quote mode suits both kinds of
// session as long as the value holds no backslash.
TEST(StringUtilsTest, ServerReadsLiteralsBackByteIdentical) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(server);
    auto readBack = [&](const std::string& literal) { return session.Scalar("SELECT HEX(" + literal + ")"); };
    for (const bool noBackslashEscapes : {false, true}) {
        session.Execute(noBackslashEscapes ? "SET SESSION sql_mode = 'NO_BACKSLASH_ESCAPES'"
                                           : "SET SESSION sql_mode = ''");
        for (const std::string& value : kAwkwardValues) {
            const std::string hex = BytesToHex(value);
            if (noBackslashEscapes || !CharInString('\\', value)) {
                EXPECT_EQ(readBack(QuoteEscapedBuffer(value, TEscapeMode::Quote)), hex) << value;
            }
            if (!noBackslashEscapes) {
                EXPECT_EQ(readBack(QuoteEscapedString(value)), hex) << value;
            }
        }
    }
}

TEST(StringUtilsTest, UnescapesLiteralContent) {
    const struct {
        std::string content;
        char quote;
        std::string value;
    } cases[] = {
        {"''abc", '\'', "'abc"},    {"''''", '\'', "''"},
        {"a\\nb", '\'', "a\nb"},    {"\\0\\b\\r\\t\\Z", '\'', "\0\b\r\t\x1A"s},
        {"\\%\\_", '\'', "\\%\\_"}, {"\\'\\\"\\\\\\x", '\'', "'\"\\x"},
        {"\\''", '\'', "''"}, // the escaped quote does not pair with the next one
        {"a\"\"b", '"', "a\"b"},    {"a''b", '"', "a''b"}, // only the literal's own quote is doubled
        {"a\"\"b", '\'', "a\"\"b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnescapeStringLiteral(c.content, c.quote), c.value) << c.content;
}

TEST(StringUtilsTest, UnescapingAgreesWithTheServer) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(server);
    session.Execute("SET SESSION sql_mode = ''"); // double quotes delimit strings, backslashes escape
    const struct {
        std::string content;
        char quote;
    } cases[] = {
        {"''abc", '\''},         {"a\\nb\\0\\b\\r\\t\\Z", '\''},
        {"\\%\\_\\x\\\\", '\''}, {"\\'''", '\''},
        {"a\"\"b", '"'},         {"a''b", '"'},
    };
    for (const auto& c : cases) {
        const std::string literal = c.quote + c.content + c.quote;
        EXPECT_EQ(session.Scalar("SELECT HEX(" + literal + ")"),
                  BytesToHex(UnescapeStringLiteral(c.content, c.quote)))
            << literal;
    }
}

TEST(StringUtilsTest, RecognisesAndStripsQuotedStrings) {
    const struct {
        const char* text;
        bool quoted;
        const char* unquoted;
        const char* requoted;
    } cases[] = {
        {"'a'", true, "a", "'a'"}, {"\"a\"", true, "a", "\"a\""},     {"''", true, "", "''"},
        {"'", false, "'", "'''"},  {"'a\"", false, "'a\"", "''a\"'"}, {"abc", false, "abc", "'abc'"},
        {"", false, "", "''"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsQuotedString(c.text), c.quoted) << c.text;
        EXPECT_EQ(UnquoteString(c.text), c.unquoted) << c.text;
        EXPECT_EQ(QuoteString(c.text), c.requoted) << c.text;
    }
}

TEST(StringUtilsTest, HexConversions) {
    EXPECT_EQ(BytesToHex("\x00\x7F\xFF"s), "007FFF");
    EXPECT_EQ(HexToBytes("007fFF"), "\x00\x7F\xFF"s);
    EXPECT_EQ(HexToBytes("123"), "\x01\x23"); // as the server reads 0x123
    EXPECT_EQ(HexToBytes(""), "");
    try {
        HexToBytes("12GZ");
        FAIL() << "no error";
    } catch (const rtl::EConversionError& e) {
        EXPECT_EQ(e.Message(), "'GZ' is not a valid integer value");
    }

    const struct {
        const char* hex;
        int64_t value;
    } cases[] = {
        {"0100", 256},
        {"ff", 255},
        {"1G", 0},
        {"", 0},
        {" 1", 0},
        {"7FFFFFFFFFFFFFFF", INT64_MAX},
        {"FFFFFFFFFFFFFFFF", -1},
        {"10000000000000001", 1}, // 17 digits: the first is pushed out
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexToInt64(c.hex), c.value) << c.hex;
}

TEST(StringUtilsTest, BitStrings) {
    EXPECT_EQ(BitStringToBytes("101"), "\x05");
    EXPECT_EQ(BitStringToBytes("100000001"), "\x01\x01");
    EXPECT_EQ(BitStringToBytes("11111111"), "\xFF");
    EXPECT_EQ(BitStringToBytes(""), "");
    EXPECT_THROW(BitStringToBytes("1x"), rtl::EConversionError);
    EXPECT_THROW(BitStringToBytes("102"), rtl::EConversionError);
}

TEST(StringUtilsTest, HexAndBitLiteralsMatchTheServer) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(server);
    for (const char* digits : {"123", "0100", "F", "00FF"})
        EXPECT_EQ(session.Scalar("SELECT HEX(0x"s + digits + ")"), BytesToHex(HexToBytes(digits))) << digits;
    for (const char* bits : {"101", "100000001", "0"})
        EXPECT_EQ(session.Scalar("SELECT HEX(b'"s + bits + "')"), BytesToHex(BitStringToBytes(bits))) << bits;
    // An odd X'...' literal is not a shorter 0x: the server refuses it, so its reader must too.
    EXPECT_THROW(session.Scalar("SELECT X'123'"), testsupport::ServerError);
}

TEST(StringUtilsTest, XorScrambling) {
    const std::string text = "s3cret p\xC3\xA4ss";
    EXPECT_EQ(XorString(text, text), std::string(text.size(), '\0'));
    EXPECT_EQ(XorString("\x01\x02\x03", "\x01"), "\x00\x03\x02"s); // the key repeats
    const std::string encoded = HexXorEncode(text, "key");
    EXPECT_EQ(encoded.size(), 2 * text.size());
    EXPECT_EQ(HexXorDecode(encoded, "key"), text);
    EXPECT_THROW(XorString("a", ""), rtl::EAssertionFailed);
}

TEST(StringUtilsTest, CodePageConversions) {
    EXPECT_EQ(CodePageToUtf8("\xE9", 1252), "\xC3\xA9");
    EXPECT_EQ(CodePageToWide("\x80", 1252), u"\u20AC");
    EXPECT_EQ(WideToCodePage(u"\u20AC", 1252), "\x80");
    EXPECT_EQ(WideToCodePage(u"e\u0301", 1252), "\xE9"); // composed before converting
    EXPECT_EQ(WideToCodePage(u"a\u65E5", 1252), "a?");   // the code page's default character
    EXPECT_EQ(WideToCodePage(u"\U0001F600", 65001), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToCodePage(u"", 1252), "");
    EXPECT_EQ(Utf8ToCodePage("\xD0\x90", 1251), "\xC0");
    EXPECT_EQ(ConvertCodePage("\xC0", 1251, 20866), "\xE1"); // Cyrillic A in KOI8-R
    EXPECT_EQ(ConvertCodePage("\xE9", 1252, 1251), "?");
    EXPECT_EQ(ConvertCodePage("\x93\xFA", 932, 65001), "\xE6\x97\xA5");
    EXPECT_THROW(CodePageToWide("a", 12345), rtl::EOSError);
}

TEST(StringUtilsTest, BinaryCodePageIsAnAssertion) {
    auto expectAssertion = [](auto&& convert) {
        try {
            convert();
            ADD_FAILURE() << "no assertion";
        } catch (const rtl::EAssertionFailed& e) {
            EXPECT_EQ(e.Message().rfind("Binary code page detected", 0), 0u) << e.Message();
        }
    };
    expectAssertion([] { CodePageToWide("a", -1); });
    expectAssertion([] { CodePageToUtf8("a", -1); });
    expectAssertion([] { WideToCodePage(u"", -1); });
    expectAssertion([] { Utf8ToCodePage("a", -1); });
    expectAssertion([] { ConvertCodePage("a", 1252, -1); });
    expectAssertion([] { ConvertCodePage("a", -1, 1252); });
}

TEST(StringUtilsTest, SplitsAtEveryDelimiter) {
    const struct {
        const char* text;
        const char* delimiter;
        TStringArray items;
    } cases[] = {
        {"a,,b", ",", {"a", "", "b"}},  {"", ",", {""}},      {"a,", ",", {"a", ""}},
        {"a::b:c", "::", {"a", "b:c"}}, {"a,b", "", {"a,b"}}, {",", ",", {"", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitString(c.text, c.delimiter), c.items) << c.text;
}

TEST(StringUtilsTest, CopiesStringListItems) {
    rtl::TStringList list;
    list.Add("b");
    list.Add("");
    list.Add("a");
    EXPECT_EQ(StringsToArray(list), (TStringArray{"b", "", "a"}));
}

TEST(StringUtilsTest, AppendsWithDelimiter) {
    std::string text;
    AppendWithDelimiter(text, "a", ", ");
    AppendWithDelimiter(text, "", ", ");
    AppendWithDelimiter(text, "b", ", ");
    EXPECT_EQ(text, "a, b");
    std::u16string wide = u"x";
    WideAppendWithDelimiter(wide, u"", u";");
    WideAppendWithDelimiter(wide, u"\u00E9", u";");
    EXPECT_EQ(wide, u"x;\u00E9");
}

TEST(StringUtilsTest, PrefixesLines) {
    EXPECT_EQ(PrefixLines("a\r\nb\nc\rd", "-- "), "-- a\r\n-- b\r\n-- c\r\n-- d");
    EXPECT_EQ(PrefixLines("a\n\n", "-- "), "-- a\r\n--"); // blanks at the end go
    EXPECT_EQ(PrefixLines("", "-- "), "");
}

TEST(StringUtilsTest, NormalizesLineBreaks) {
    EXPECT_EQ(NormalizeLineBreaks(u"a\nb\r"), u"a\r\nb");
    EXPECT_EQ(NormalizeLineBreaks(u"a\r\nb\vc\fd\u2028e\u2029f"), u"a\r\nb\r\nc\r\nd\r\ne\r\nf");
    EXPECT_EQ(NormalizeLineBreaks(u"a\n\nb"), u"a\r\n\r\nb");
}

TEST(StringUtilsTest, TrimsAndCompressesBlanks) {
    EXPECT_EQ(CompressSpaces(" \t a  \r\n b\x01"
                             "c  "),
              "a b c");
    EXPECT_EQ(CompressSpaces("   "), "");
    EXPECT_EQ(WideTrimSpaces(u"\t a b \u00A0\n"), u"a b \u00A0");
}

TEST(StringUtilsTest, SmallTests) {
    EXPECT_EQ(DupeChar('-', 3), "---");
    EXPECT_EQ(DupeChar('-', 0), "");
    EXPECT_TRUE(CharInString('b', "abc"));
    EXPECT_FALSE(CharInString('d', "abc"));
    EXPECT_TRUE(IsDigits("0123456789"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsDigits("12a"));
    EXPECT_FALSE(IsDigits("-1"));
    EXPECT_TRUE(SameText("Straße", "STRAßE"));
    EXPECT_FALSE(SameText("caf\xC3\xA9", "CAF\xC3\x89")); // ASCII letters only
    EXPECT_TRUE(StringInArray("Select", {"insert", "SELECT"}));
    EXPECT_FALSE(StringInArray("selec", {"insert", "SELECT"}));
}

TEST(StringUtilsTest, FormatsMillisecondsAsSeconds) {
    const struct {
        int64_t ms;
        const char* text;
    } cases[] = {
        {0, "0.00"},    {4, "0.00"},      {5, "0.01"},         {1234, "1.23"},
        {1235, "1.24"}, {60000, "60.00"}, {999995, "1000.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatMilliseconds(c.ms), c.text) << c.ms;
}

TEST(StringUtilsTest, RegExprMatchGivesTheRequestedSubmatch) {
    std::string sub = "stale";
    EXPECT_TRUE(RegExprMatch(R"(^(\d+)\.(\d+)\.)", "5.1.30-community", 2, sub));
    EXPECT_EQ(sub, "1");
    EXPECT_TRUE(RegExprMatch(R"(^([-+]?[0-9]+))", "42abc", 0, sub));
    EXPECT_EQ(sub, "42");
    EXPECT_FALSE(RegExprMatch(R"(^([-+]?[0-9]+))", "abc", 1, sub));
    EXPECT_EQ(sub, "");
}

} // namespace
} // namespace core
