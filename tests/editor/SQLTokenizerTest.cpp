#include "editor/uSQLTokenizer.h"

#include <gtest/gtest.h>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"

#include <string>
#include <utility>
#include <vector>

namespace editor {
namespace {

struct TToken {
    int Kind;
    std::u16string Text;
    bool operator==(const TToken&) const = default;
};

void PrintTo(const TToken& token, std::ostream* os) {
    *os << "{" << token.Kind << ", \"" << rtl::Utf16ToUtf8(token.Text) << "\"}";
}

rtl::TMemoryStream Utf16Stream(std::u16string_view text) {
    rtl::TMemoryStream stream;
    stream.Write(text.data(), static_cast<std::int64_t>(text.size() * sizeof(char16_t)));
    stream.SetPosition(0);
    return stream;
}

// Every token up to the end, white space left out, and the state after the last one.
std::pair<std::vector<TToken>, TSQLScanState> Scan(std::u16string_view text, TSQLScanState start) {
    rtl::TMemoryStream stream = Utf16Stream(text);
    TSQLTokenizer tokenizer;
    tokenizer.Open(stream, start);
    std::vector<TToken> tokens;
    for (int kind = tokenizer.NextToken(); kind != tkEnd; kind = tokenizer.NextToken())
        if (kind != tkWhiteSpace) tokens.push_back({kind, tokenizer.TokenText()});
    return {tokens, tokenizer.State()};
}

struct TScanCase {
    const char* Name;
    std::u16string Text;
    TSQLScanState Start;
    std::vector<TToken> Tokens;
    TSQLScanState End;
};

void PrintTo(const TScanCase& c, std::ostream* os) {
    *os << c.Name;
}

class SQLTokenizerScan : public testing::TestWithParam<TScanCase> {};

TEST_P(SQLTokenizerScan, GivesTheTokensAndTheEndState) {
    const TScanCase& c = GetParam();
    const auto [tokens, end] = Scan(c.Text, c.Start);
    EXPECT_EQ(tokens, c.Tokens);
    EXPECT_EQ(end, c.End);
}

const TScanCase kScanCases[] = {
    {"SemicolonOnlyOutsideTheString",
     u"SELECT 'a;b'; SELECT 2",
     ssNone,
     {{tkWord, u"SELECT"}, {tkString, u"'a;b'"}, {';', u";"}, {tkWord, u"SELECT"}, {tkInteger, u"2"}},
     ssNone},
    {"OpenStringEndsInItsState",
     u"SELECT 'abc",
     ssNone,
     {{tkWord, u"SELECT"}, {tkString, u"'abc"}},
     ssSingleQuoted},
    {"ContinuedString",
     u"def'; X",
     ssSingleQuoted,
     {{tkString, u"def'"}, {';', u";"}, {tkWord, u"X"}},
     ssNone},
    {"ContinuedQuotedName", u"b`;", ssBackQuoted, {{tkString, u"b`"}, {';', u";"}}, ssNone},
    {"ContinuedDoubleQuoted", u"x\" ;", ssDoubleQuoted, {{tkString, u"x\""}, {';', u";"}}, ssNone},
    {"MinusMinusLetterIsTwoMinuses", u"--x", ssNone, {{'-', u"-"}, {'-', u"-"}, {tkWord, u"x"}}, ssNone},
    {"MinusMinusBlankIsAComment", u"a -- b;c", ssNone, {{tkWord, u"a"}, {tkLineComment, u"-- b;c"}}, ssNone},
    {"FinalMinusMinusIsAComment", u"a --", ssNone, {{tkWord, u"a"}, {tkLineComment, u"--"}}, ssNone},
    {"FinalMinus", u"a-", ssNone, {{tkWord, u"a"}, {'-', u"-"}}, ssNone},
    {"HashComment", u"# a;b", ssNone, {{tkLineComment, u"# a;b"}}, ssNone},
    {"DigitsThenLettersAreAWord", u"1abc", ssNone, {{tkWord, u"1abc"}}, ssNone},
    // A word needs two characters left after the digits.
    {"DigitAndOneLastLetter", u"1a", ssNone, {{tkInteger, u"1"}, {tkWord, u"a"}}, ssNone},
    {"Float", u"1.5e-3", ssNone, {{tkFloat, u"1.5e-3"}}, ssNone},
    {"ExponentAfterDigits", u"2e10;", ssNone, {{tkFloat, u"2e10"}, {';', u";"}}, ssNone},
    {"HexNumber", u"0x1F", ssNone, {{tkHexNumber, u"0x1F"}}, ssNone},
    {"SignedInteger", u"+5", ssNone, {{tkInteger, u"+5"}}, ssNone},
    {"NegativeInteger", u"-12", ssNone, {{tkInteger, u"-12"}}, ssNone},
    {"PlusBeforeALetter", u"+a", ssNone, {{'+', u"+"}, {tkWord, u"a"}}, ssNone},
    {"FinalPlus", u"+", ssNone, {{'+', u"+"}}, ssNone},
    {"SystemVariableStopsAtTheDot",
     u"@@global.x",
     ssNone,
     {{tkSystemVariable, u"@@global"}, {'.', u"."}, {tkWord, u"x"}},
     ssNone},
    {"UserVariable",
     u"@v1:=2",
     ssNone,
     {{tkUserVariable, u"@v1"}, {':', u":"}, {'=', u"="}, {tkInteger, u"2"}},
     ssNone},
    {"LoneAt", u"@ x", ssNone, {{'@', u"@"}, {tkWord, u"x"}}, ssNone},
    {"QualifiedNameIsOneWord", u"db1.t1", ssNone, {{tkWord, u"db1.t1"}}, ssNone},
    {"HexString", u"X'0F';", ssNone, {{tkHexString, u"X'0F'"}, {';', u";"}}, ssNone},
    {"OpenHexStringWithDoubleQuote", u"x\"0F", ssNone, {{tkHexString, u"x\"0F"}}, ssHexString},
    // A hexadecimal string continued on the next line closes with a single quote, whatever opened it.
    {"ContinuedHexStringLooksForSingleQuote",
     u"a\" b';",
     ssHexString,
     {{tkString, u"a\" b'"}, {';', u";"}},
     ssNone},
    {"XBeforeALetterIsAWord", u"xyz", ssNone, {{tkWord, u"xyz"}}, ssNone},
    {"BlockComment", u"/* ; */;", ssNone, {{tkBlockComment, u"/* ; */"}, {';', u";"}}, ssNone},
    {"OpenBlockComment", u"a /* ;", ssNone, {{tkWord, u"a"}, {tkBlockComment, u"/* ;"}}, ssBlockComment},
    {"ContinuedBlockComment", u"; */ ;", ssBlockComment, {{tkBlockComment, u"; */"}, {';', u";"}}, ssNone},
    {"StarInsideABlockComment", u"/* a*b */", ssNone, {{tkBlockComment, u"/* a*b */"}}, ssNone},
    {"ExecutableComment",
     u"/*!40101 SET x=1 */;",
     ssNone,
     {{tkExecutableComment, u"/*!40101 SET x=1 */"}, {';', u";"}},
     ssNone},
    {"OpenExecutableComment", u"/*! a", ssNone, {{tkExecutableComment, u"/*! a"}}, ssExecutableComment},
    {"ContinuedExecutableComment", u"b */", ssExecutableComment, {{tkBlockComment, u"b */"}}, ssNone},
    {"Slash", u"a/b", ssNone, {{tkWord, u"a"}, {'/', u"/"}, {tkWord, u"b"}}, ssNone},
    {"DollarsEndAWord", u"END$$", ssNone, {{tkWord, u"END"}, {'$', u"$"}, {'$', u"$"}}, ssNone},
    {"BackslashHidesAQuote", u"'a\\';' ;", ssNone, {{tkString, u"'a\\';'"}, {';', u";"}}, ssNone},
    // The server takes a backslash literally inside back quotes.
    {"BackslashInAQuotedName", u"`a\\`;", ssNone, {{tkString, u"`a\\`"}, {';', u";"}}, ssNone},
    // A backslash that ends the text steps over nothing more.
    {"BackslashAtTheEnd", u"'a\\", ssNone, {{tkString, u"'a\\"}}, ssSingleQuoted},
    {"DoubledQuotes", u"'it''s';", ssNone, {{tkString, u"'it'"}, {tkString, u"'s'"}, {';', u";"}}, ssNone},
    {"StateAboveTheTableReadsNothing",
     u"SELECT 1;",
     static_cast<TSQLScanState>(7),
     {},
     static_cast<TSQLScanState>(7)},
    {"Empty", u"", ssNone, {}, ssNone},
    {"NonAsciiWord", u"ÄÖ_1 ;", ssNone, {{tkWord, u"ÄÖ_1"}, {';', u";"}}, ssNone},
};

INSTANTIATE_TEST_SUITE_P(Cases, SQLTokenizerScan, testing::ValuesIn(kScanCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SQLTokenizer, PositionsCountCharactersFromTheStreamStart) {
    rtl::TMemoryStream stream = Utf16Stream(u"--x ; 'a'");
    TSQLTokenizer tokenizer;
    tokenizer.Open(stream, ssNone);
    EXPECT_EQ(tokenizer.TokenKind(), '-'); // the first token is read on demand
    EXPECT_EQ(tokenizer.TokenPosition(), 0);
    EXPECT_EQ(tokenizer.TokenKind(), '-');
    EXPECT_EQ(tokenizer.NextToken(), '-');
    EXPECT_EQ(tokenizer.TokenPosition(), 1);
    tokenizer.NextToken(); // x
    tokenizer.NextToken(); // blank
    EXPECT_EQ(tokenizer.NextToken(), ';');
    EXPECT_EQ(tokenizer.TokenPosition(), 4);
    tokenizer.NextToken();
    EXPECT_EQ(tokenizer.NextToken(), tkString);
    EXPECT_EQ(tokenizer.TokenPosition(), 6);
    EXPECT_EQ(tokenizer.NextToken(), tkEnd);
    EXPECT_EQ(tokenizer.NextToken(), tkEnd);
}

TEST(SQLTokenizer, IsWordIgnoresCaseAndNeedsAWholeWord) {
    rtl::TMemoryStream stream = Utf16Stream(u"delimiter 'use' useful");
    TSQLTokenizer tokenizer;
    tokenizer.Open(stream, ssNone);
    tokenizer.NextToken();
    EXPECT_TRUE(tokenizer.IsWord(u"DELIMITER"));
    tokenizer.NextToken();
    tokenizer.NextToken();
    EXPECT_FALSE(tokenizer.IsWord(u"'use'"));
    tokenizer.NextToken();
    tokenizer.NextToken();
    EXPECT_FALSE(tokenizer.IsWord(u"USE"));
    EXPECT_TRUE(tokenizer.IsWord(u"Useful"));
}

// A native mark is dropped; its swapped form is dropped and turns swapping on.
TEST(SQLTokenizer, ByteOrderMarks) {
    struct {
        std::u16string Text;
        std::u16string FirstWord;
    } cases[] = {
        {u"\uFEFFab;", u"ab"},
        {std::u16string{char16_t(0xFFFE), char16_t(0x6100), char16_t(0x6200), char16_t(0x3B00)}, u"ab"},
        {u"ab;", u"ab"},
    };
    for (const auto& c : cases) {
        rtl::TMemoryStream stream = Utf16Stream(c.Text);
        TSQLTokenizer tokenizer;
        tokenizer.Open(stream, ssNone);
        EXPECT_EQ(tokenizer.NextToken(), tkWord);
        EXPECT_EQ(tokenizer.TokenText(), c.FirstWord);
        EXPECT_EQ(tokenizer.TokenPosition(), 0);
        EXPECT_EQ(tokenizer.NextToken(), ';');
    }
    // A stream of one byte is given back whole.
    rtl::TMemoryStream oneByte;
    oneByte.WriteString("a");
    oneByte.SetPosition(0);
    TSQLTokenizer tokenizer;
    tokenizer.Open(oneByte, ssNone);
    EXPECT_EQ(oneByte.Position(), 0);
    EXPECT_EQ(tokenizer.NextToken(), tkEnd);
}

// Tokens that cross refills keep their whole text and their position.
TEST(SQLTokenizer, TokensLongerThanTheBuffer) {
    const std::u16string longString = u"'" + std::u16string(TSQLTokenizer::kBufferSize + 100, u'x') + u"'";
    const std::u16string prefix = std::u16string(TSQLTokenizer::kBufferSize - 3, u' ') + u"ab";
    const std::u16string text = prefix + u";" + longString + u";";
    rtl::TMemoryStream stream = Utf16Stream(text);
    TSQLTokenizer tokenizer;
    tokenizer.Open(stream, ssNone);
    std::vector<std::pair<int, std::int64_t>> seen;
    for (int kind = tokenizer.NextToken(); kind != tkEnd; kind = tokenizer.NextToken()) {
        if (kind == tkWhiteSpace) continue;
        seen.emplace_back(kind, tokenizer.TokenPosition());
        if (kind == tkString) {
            EXPECT_EQ(tokenizer.TokenText(), longString);
        }
        if (kind == tkWord) {
            EXPECT_EQ(tokenizer.TokenText(), u"ab");
        }
    }
    const auto at = [](std::size_t n) { return static_cast<std::int64_t>(n); };
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::int64_t>>{{tkWord, at(prefix.size() - 2)},
                                                               {';', at(prefix.size())},
                                                               {tkString, at(prefix.size() + 1)},
                                                               {';', at(text.size() - 1)}}));
}

// An unclosed comment on one line of a longer stream ends with the line, and the scan goes on.
TEST(SQLTokenizer, CommentsAndStringsAcrossLinesOfOneStream) {
    const auto [tokens, end] = Scan(u"/* a\r\nb */ 'c\nd';", ssNone);
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens.back(), (TToken{';', u";"}));
    EXPECT_EQ(end, ssNone);
}

// The 8-bit mode reads UTF-8; a character split by the buffer's end is kept whole.
TEST(SQLTokenizer, EightBitTextAcrossRefills) {
    const std::string padding(TSQLTokenizer::kBufferSize - 1, ' ');
    rtl::TMemoryStream stream;
    stream.WriteString(padding + "\xC3\xA4x;"); // "äx;"
    stream.SetPosition(0);
    TSQLTokenizer tokenizer;
    tokenizer.Open(stream, ssNone, true);
    int kind = tokenizer.NextToken();
    while (kind == tkWhiteSpace)
        kind = tokenizer.NextToken();
    EXPECT_EQ(kind, tkWord);
    EXPECT_EQ(tokenizer.TokenText(), u"äx");
    EXPECT_EQ(tokenizer.TokenPosition(), static_cast<std::int64_t>(padding.size()));
    EXPECT_EQ(tokenizer.NextToken(), ';');
}

// Any cut of a script only ends the tokens early.
TEST(SQLTokenizer, EveryPrefixOfAScriptEnds) {
    const std::u16string script = u"DELIMITER $$\r\nCREATE /*! x */ p() BEGIN SELECT 'a\\'', X\"0f\", `q\\`, "
                                  u"@@g.x, @u, -1.5e+3, 0x1f, 1abc -- c\r\n# d\r\n; END$$ /* open";
    for (std::size_t length = 0; length <= script.size(); ++length)
        for (int state = ssNone; state <= ssExecutableComment; ++state) {
            rtl::TMemoryStream stream = Utf16Stream(script.substr(0, length));
            TSQLTokenizer tokenizer;
            tokenizer.Open(stream, static_cast<TSQLScanState>(state));
            std::size_t count = 0;
            while (tokenizer.NextToken() != tkEnd)
                ASSERT_LE(++count, length) << "at length " << length;
        }
}

} // namespace
} // namespace editor
