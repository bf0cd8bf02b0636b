#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/store/uCRParser.h"
#include "dataaccess/store/uEncoding.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dataaccess {
namespace {

using Lexemes = std::vector<std::pair<int, std::string>>;

Lexemes LexAll(TParser& parser) {
    Lexemes result;
    std::string text;
    for (int code = parser.NextLexem(text); code != lxEnd; code = parser.NextLexem(text))
        result.emplace_back(code, text);
    return result;
}

enum class Dialect { Generic, SQL, My };

std::unique_ptr<TParser> MakeParser(Dialect dialect, std::string text) {
    switch (dialect) {
    case Dialect::Generic:
        return std::make_unique<TParser>(std::move(text));
    case Dialect::SQL:
        return std::make_unique<TSQLParser>(std::move(text));
    case Dialect::My:
        return std::make_unique<TMyParser>(std::move(text));
    }
    return nullptr;
}

struct LexCase {
    const char* name;
    Dialect dialect;
    std::string text;
    Lexemes expected;
    std::function<void(TParser&)> setup = nullptr;
};

class LexerCaseTest : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerCaseTest, GivesTheLexemes) {
    const LexCase& c = GetParam();
    auto parser = MakeParser(c.dialect, c.text);
    if (c.setup) c.setup(*parser);
    EXPECT_EQ(LexAll(*parser), c.expected);
}

const LexCase kLexCases[] = {
    {"SqlDashCommentWithoutSpace", Dialect::SQL, "a--b", {{lxIdent, "a"}, {lxComment, "--b"}}},
    {"MyDashCommentNeedsBlank", Dialect::My, "a-- b", {{lxIdent, "a"}, {lxComment, "-- b"}}},
    {"MyDashesWithoutBlankAreSymbols",
     Dialect::My,
     "a--b",
     {{lxIdent, "a"}, {lxSymbol, "-"}, {lxSymbol, "-"}, {lxIdent, "b"}}},
    {"MyDashCommentWithTab",
     Dialect::My,
     "a--\tb\nc",
     {{lxIdent, "a"}, {lxComment, "--\tb"}, {lxIdent, "c"}}},
    {"MyDashesAtTheEndAreAComment", Dialect::My, "a--", {{lxIdent, "a"}, {lxComment, "--"}}},
    {"MyHashAtTheVeryEnd", Dialect::My, "a#", {{lxIdent, "a"}, {lxComment, "#"}}},
    {"MyHashCommentRunsToTheLineBreak",
     Dialect::My,
     "a#x y\nb",
     {{lxIdent, "a"}, {lxComment, "#x y"}, {lxIdent, "b"}}},
    {"GenericMarkerAtTheEndIsNoComment", Dialect::Generic, "a//", {{lxIdent, "a"}, {15, "/"}, {15, "/"}}},
    {"SqlMarkerAtTheEndIsNoComment", Dialect::SQL, "a--", {{lxIdent, "a"}, {13, "-"}, {13, "-"}}},
    {"MyLessEqual", Dialect::My, "<=", {{lxSymbol, "<"}, {2, "="}}},
    {"DoubledQuoteEndsTheString", Dialect::My, "'it''s'", {{lxString, "it"}, {lxString, "s"}}},
    {"BackslashEscapedQuoteStaysInside",
     Dialect::My,
     R"('it\'s' x)",
     {{lxString, R"(it\'s)"}, {lxIdent, "x"}}},
    {"EvenBackslashesEndTheString", Dialect::My, R"('a\\' x)", {{lxString, R"(a\\)"}, {lxIdent, "x"}}},
    {"SqlHasNoBackslashEscape", Dialect::SQL, R"('a\' x)", {{lxString, R"(a\)"}, {lxIdent, "x"}}},
    {"UnterminatedStringRunsToTheEnd", Dialect::My, "x 'abc", {{lxIdent, "x"}, {lxString, "abc"}}},
    {"KeepQuotes",
     Dialect::My,
     "'a' \"b\" 'c",
     {{lxString, "'a'"}, {lxString, "\"b\""}, {lxString, "'c"}},
     [](TParser& p) { p.SetKeepQuotes(true); }},
    {"QuotedIdentifiersKeepTheirQuotes",
     Dialect::My,
     "`a b` `select`",
     {{lxIdent, "`a b`"}, {lxIdent, "`select`"}}},
    {"SqlDoubleQuoteIsAnIdentifier", Dialect::SQL, "\"a\" 'b'", {{lxIdent, "\"a\""}, {lxString, "b"}}},
    {"BlanksKeptCommentsSkipped",
     Dialect::My,
     "x /*c*/ y",
     {{lxIdent, "x"}, {lxBlank, " "}, {lxBlank, "/*c*/ "}, {lxIdent, "y"}},
     [](TParser& p) {
         p.SetSkipBlanks(false);
         p.SetSkipComments(true);
     }},
    {"BlanksAndCommentsKept",
     Dialect::My,
     "x /*c*/ y",
     {{lxIdent, "x"}, {lxBlank, " "}, {lxComment, "/*c*/"}, {lxBlank, " "}, {lxIdent, "y"}},
     [](TParser& p) { p.SetSkipBlanks(false); }},
    {"CommentWithoutTheBlanksBeforeIt",
     Dialect::My,
     "x  /*c*/ y",
     {{lxIdent, "x"}, {lxComment, "/*c*/"}, {lxIdent, "y"}}},
    {"SkippedCommentsAndBlanks",
     Dialect::My,
     "x /*c*/ -- d\n y",
     {{lxIdent, "x"}, {lxIdent, "y"}},
     [](TParser& p) { p.SetSkipComments(true); }},
    {"SlashStarSlashDoesNotCloseAComment",
     Dialect::My,
     "1 /*/ 2 */ 3",
     {{lxNumber, "1"}, {lxComment, "/*/ 2 */"}, {lxNumber, "3"}}},
    {"UnterminatedCommentRunsToTheEnd", Dialect::My, "1 /* 2", {{lxNumber, "1"}, {lxComment, "/* 2"}}},
    {"DecimalNumber", Dialect::My, "1.5", {{lxNumber, "1.5"}}},
    {"NumberThenSeparatorThenLetter", Dialect::My, "1.a", {{lxNumber, "1"}, {5, "."}, {lxIdent, "a"}}},
    {"KeywordsInAnyCaseComeUpperCased",
     Dialect::My,
     "select x From",
     {{42, "SELECT"}, {lxIdent, "x"}, {22, "FROM"}}},
    {"KeywordsKeepTheirCase",
     Dialect::My,
     "select",
     {{42, "select"}},
     [](TParser& p) { p.SetUpperKeywords(false); }},
    {"IdentifiersWithDigitsUnderscoreAndUtf8",
     Dialect::My,
     "_a1 b$c été $d",
     {{lxIdent, "_a1"}, {lxIdent, "b$c"}, {lxIdent, "été"}, {lxSymbol, "$"}, {lxIdent, "d"}}},
    {"SqlHashIsALetterInsideIdentifiers", Dialect::SQL, "a#b", {{lxIdent, "a#b"}}},
    {"MyHashStartsACommentInsideIdentifiers", Dialect::My, "a#b", {{lxIdent, "a"}, {lxComment, "#b"}}},
    {"GenericKeywords",
     Dialect::Generic,
     "a and not b or c",
     {{lxIdent, "a"}, {29, "AND"}, {30, "NOT"}, {lxIdent, "b"}, {31, "OR"}, {lxIdent, "c"}}},
    {"GenericSymbolCodes",
     Dialect::Generic,
     "! ( ; = `",
     {{1, "!"}, {8, "("}, {17, ";"}, {19, "="}, {28, "`"}}},
    {"SqlKeywords", Dialect::SQL, "union minus", {{41, "UNION"}, {35, "MINUS"}}},
};

INSTANTIATE_TEST_SUITE_P(Lexer, LexerCaseTest, ::testing::ValuesIn(kLexCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LexerTest, GenericBackquoteIsAnUnterminatedSymbol) {
    // The backquote is a symbol of the generic table (code 28), not an identifier quote.
    TParser parser("`");
    EXPECT_EQ(LexAll(parser), (Lexemes{{28, "`"}}));
}

TEST(LexerTest, UnknownCharacterRaisesAndStaysThere) {
    TMyParser parser(std::string("a\x01", 2));
    EXPECT_EQ(parser.NextCode(), lxIdent);
    try {
        parser.NextCode();
        FAIL() << "no error";
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Message(), std::string("Parser: The unknown symbol '\x01'  $0001"));
    }
    EXPECT_EQ(parser.CurrentOffset(), 1);
}

TEST(LexerTest, LineBreaksCountOnceEach) {
    // CR LF, CR and LF each count one line; two LF two lines; also inside comments and strings.
    TMyParser parser("a\r\nb\rc\nd\n\ne /*\r\n\n*/ f '\n\r\n' g");
    parser.SetTrackStringLines(true);
    struct Step {
        std::string text;
        int64_t line;
    };
    const std::vector<Step> steps = {{"a", 0},          {"b", 1}, {"c", 2},      {"d", 3}, {"e", 5},
                                     {"/*\r\n\n*/", 7}, {"f", 7}, {"\n\r\n", 9}, {"g", 9}};
    std::string text;
    for (const Step& step : steps) {
        parser.NextLexem(text);
        EXPECT_EQ(text, step.text);
        EXPECT_EQ(parser.CurrentLine(), step.line) << step.text;
    }
    EXPECT_EQ(parser.NextCode(), lxEnd);
}

TEST(LexerTest, OffsetsAndColumns) {
    TMyParser parser("ab  cd\n  ef");
    std::string text;
    parser.NextLexem(text);
    EXPECT_EQ(parser.PrevOffset(), 0);
    EXPECT_EQ(parser.CurrentOffset(), 2);
    parser.NextLexem(text);
    EXPECT_EQ(text, "cd");
    EXPECT_EQ(parser.PrevOffset(), 2); // the scan began before the blanks
    EXPECT_EQ(parser.PrevPrevOffset(), 0);
    EXPECT_EQ(parser.CurrentOffset(), 6);
    EXPECT_EQ(parser.CurrentColumn(), 6);
    parser.NextLexem(text);
    EXPECT_EQ(text, "ef");
    EXPECT_EQ(parser.CurrentLine(), 1);
    EXPECT_EQ(parser.PrevLine(), 0);
    EXPECT_EQ(parser.CurrentColumn(), 4);
    EXPECT_EQ(parser.PrevColumn(), 6);

    parser.Back();
    EXPECT_EQ(parser.NextLexem(text), lxIdent);
    EXPECT_EQ(text, "ef");
    parser.ToBegin();
    EXPECT_EQ(parser.CurrentOffset(), 0);
    EXPECT_EQ(parser.CurrentLine(), 0);
    EXPECT_EQ(parser.NextLexem(text), lxIdent);
    EXPECT_EQ(text, "ab");
}

TEST(LexerTest, FindKeywordMatchesWholeWordsOnly) {
    TMyParser parser("create function r (x int) return returns int");
    EXPECT_TRUE(parser.FindKeyword("RETURNS"));
    std::string text;
    EXPECT_EQ(parser.NextLexem(text), lxIdent);
    EXPECT_EQ(text, "int");
    EXPECT_FALSE(parser.FindKeyword("returns"));

    TMyParser symbols("a ( b = 1.5");
    EXPECT_TRUE(symbols.FindKeyword("("));
    EXPECT_TRUE(symbols.FindKeyword("="));
    EXPECT_TRUE(symbols.FindKeyword("1.5"));
    TMyParser strings("'returns' `returns`");
    EXPECT_FALSE(strings.FindKeyword("returns"));
}

TEST(LexerTest, SkipToCodeAndSetText) {
    TMyParser parser("select a from t where b");
    EXPECT_EQ(parser.SkipToCode(parser.WhereCode()), 50);
    EXPECT_EQ(parser.SkipToCode(parser.FromCode()), lxEnd);
    parser.SetText("from x");
    EXPECT_EQ(parser.NextCode(), 22);
}

TEST(LexerTest, DialectCodesAndClauses) {
    TMyParser my("");
    EXPECT_EQ(my.SelectCode(), 42);
    EXPECT_EQ(my.FromCode(), 22);
    EXPECT_EQ(my.WhereCode(), 50);
    EXPECT_EQ(my.OrderCode(), 37);
    EXPECT_EQ(my.ByCode(), 10);
    TMyParser keywords("SELECT FROM WHERE ORDER BY LIMIT LOCK");
    EXPECT_EQ(keywords.NextCode(), my.SelectCode());
    EXPECT_EQ(keywords.NextCode(), my.FromCode());
    EXPECT_EQ(keywords.NextCode(), my.WhereCode());
    EXPECT_EQ(keywords.NextCode(), my.OrderCode());
    EXPECT_EQ(keywords.NextCode(), my.ByCode());
    const int limit = keywords.NextCode();
    const int lock = keywords.NextCode();
    EXPECT_EQ(limit, 33);
    EXPECT_EQ(lock, 34);

    EXPECT_TRUE(my.IsTerminator(7));
    EXPECT_TRUE(my.IsClauseLexem(my.WhereCode()));
    EXPECT_FALSE(my.IsClauseLexem(my.SelectCode()));
    EXPECT_EQ(my.CompareClauses(my.WhereCode(), my.OrderCode()), -1);
    EXPECT_EQ(my.CompareClauses(lock, limit), 1);
    EXPECT_EQ(my.CompareClauses(limit, limit), 0);
    EXPECT_EQ(my.CompareClauses(my.SelectCode(), limit), -2);
    EXPECT_FALSE(my.MacroAllowed(lxString));
    EXPECT_TRUE(my.MacroAllowed(lxIdent));
    EXPECT_FALSE(my.NumericMacroNames());

    TSQLParser sql("");
    EXPECT_EQ(sql.SelectCode(), 39);
    EXPECT_EQ(sql.FromCode(), 31);
    EXPECT_EQ(sql.WhereCode(), 40);
    EXPECT_EQ(sql.OrderCode(), 38);
    EXPECT_EQ(sql.ByCode(), 30);
    EXPECT_FALSE(sql.IsTerminator(17));
    // WHERE, GROUP, HAVING, UNION, INTERSECT, MINUS, ORDER
    EXPECT_EQ(sql.CompareClauses(41, 35), -1); // UNION before MINUS
    EXPECT_EQ(sql.CompareClauses(38, 33), 1);  // ORDER after HAVING
    EXPECT_EQ(sql.CompareClauses(39, 40), -2); // SELECT is no clause
}

// ---- Stream mode

struct Snapshot {
    int code;
    std::string text;
    int64_t prevOffset, offset, line, column, prevColumn;
    bool operator==(const Snapshot&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Snapshot& s) {
    return os << s.code << " '" << s.text << "' @" << s.prevOffset << ".." << s.offset << " line " << s.line;
}

std::vector<Snapshot> Record(TParser& parser) {
    parser.SetSkipBlanks(false);
    parser.SetTrackStringLines(true);
    std::vector<Snapshot> result;
    std::string text;
    for (int code = parser.NextLexem(text); code != lxEnd; code = parser.NextLexem(text))
        result.push_back({code, text, parser.PrevOffset(), parser.CurrentOffset(), parser.CurrentLine(),
                          parser.CurrentColumn(), parser.PrevColumn()});
    return result;
}

// About 200 KB of statements; a string lexeme straddles byte 65,536 of the UTF-8 text.
std::string LongText(const std::string& special) {
    std::string text;
    for (int i = 0; text.size() < 65000; ++i)
        text += "select `c" + std::to_string(i) + "`, 'v\r\n" + std::to_string(i) + "' from t -- note\r\n";
    text += "'" + std::string(1000, 'x') + special + "' /* long\ncomment */ ";
    for (int i = 0; text.size() < 200000; ++i)
        text += "insert into t values (" + std::to_string(i) + ".5, \"q\\\"" + special + "\");\n";
    return text;
}

TEST(LexerStreamTest, DefaultEncodingGivesTheSameLexemesAsText) {
    const std::string text = LongText("é");
    TMyParser textParser(text);
    const auto expected = Record(textParser);
    ASSERT_GT(expected.size(), 1000u);
    ASSERT_TRUE(std::any_of(expected.begin(), expected.end(), [](const Snapshot& s) {
        return s.prevOffset < kParserBlockSize && s.offset > kParserBlockSize + 10;
    }));

    rtl::TMemoryStream stream;
    stream.WriteString("skipped");
    stream.WriteString(text);
    stream.SetPosition(7);
    TMyParser streamParser(stream, Encoding::DefaultEncoding());
    EXPECT_EQ(Record(streamParser), expected);
    streamParser.ToBegin();
    std::string first;
    streamParser.NextLexem(first);
    EXPECT_EQ(first, "SELECT");
}

TEST(LexerStreamTest, Utf16StreamGivesTheSameLexemesAsUtf8Text) {
    std::string text = LongText("😀");
    // Put a surrogate pair across the first block boundary of the UTF-16 bytes.
    std::u16string wide = rtl::Utf8ToUtf16(text);
    const size_t boundary = kParserBlockSize / 2 - 1;
    wide.insert(boundary, u"\U0001F600");
    text = rtl::Utf16ToUtf8(wide);
    ASSERT_EQ(wide[boundary], 0xD83D);

    TMyParser textParser(text);
    const auto expected = Record(textParser);
    rtl::TMemoryStream stream;
    const TBytes bytes = Encoding::UnicodeInstance().GetWideBytes(wide);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    TMyParser streamParser(stream, Encoding::UnicodeInstance());
    EXPECT_EQ(Record(streamParser), expected);
}

TEST(LexerStreamTest, BackWorksAcrossABlockBoundary) {
    std::string text(kParserBlockSize - 2, ' ');
    text += "abcdef";
    rtl::TMemoryStream stream;
    stream.WriteString(text);
    stream.SetPosition(0);
    TParser parser(stream, Encoding::DefaultEncoding());
    std::string lexem;
    EXPECT_EQ(parser.NextLexem(lexem), lxIdent);
    EXPECT_EQ(lexem, "abcdef");
    parser.Back();
    EXPECT_EQ(parser.NextLexem(lexem), lxIdent);
    EXPECT_EQ(lexem, "abcdef");
    EXPECT_EQ(parser.NextCode(), lxEnd);
}

} // namespace
} // namespace dataaccess
