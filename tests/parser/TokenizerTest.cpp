#include "parser/uParser.h"
#include "parser/uTokenizer.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A tokenizer set up the way the MySQL grammar sets up its own.
std::unique_ptr<TTokenizer> MySqlTokenizer() {
    auto tokenizer = ParserFactory().CreateTokenizer();
    tokenizer->StringQuotes().AddQuote("'");
    tokenizer->StringQuotes().AddQuote("\"");
    tokenizer->IdentifierQuotes().AddQuote("`");
    for (const char* op : {"<=>", "<>", "!=", "::", ">=", "<=", "->", "==", ":=", "<<", ">>", "||", "&&"})
        tokenizer->CompositeOperations().push_back({op});
    tokenizer->ReservedWords() = {"SELECT", "FROM", "SET"};
    SortReservedWords(tokenizer->ReservedWords());
    return tokenizer;
}

const char* KindName(TTokenKind kind) {
    switch (kind) {
    case TTokenKind::ReservedWord:
        return "Reserved";
    case TTokenKind::Text:
        return "Text";
    case TTokenKind::WhiteSpace:
        return "Space";
    case TTokenKind::LineComment:
        return "Line";
    case TTokenKind::BlockComment:
        return "Block";
    case TTokenKind::Numeric:
        return "Num";
    case TTokenKind::Hexadecimal:
        return "Hex";
    case TTokenKind::Binary:
        return "Bin";
    case TTokenKind::UserVariable:
        return "Var";
    case TTokenKind::QuotedString:
        return "Str";
    case TTokenKind::QuotedIdentifier:
        return "Id";
    case TTokenKind::Break:
        return "Break";
    case TTokenKind::CompositeOperation:
        return "Op";
    case TTokenKind::EndOfInput:
        return "EOF";
    default:
        return "?";
    }
}

// "Kind:text" for every token, the final end-of-input token left out.
std::vector<std::string> Describe(const TCompositeToken& tokens) {
    std::vector<std::string> result;
    for (int i = 0; i < tokens.Count(); ++i) {
        const TToken* t = tokens.Items(i);
        if (t->Is<TEOFToken>()) {
            EXPECT_EQ(i, tokens.Count() - 1) << "end of input must come last";
            continue;
        }
        result.push_back(std::string(KindName(t->Kind())) + ":" + t->GetText());
    }
    return result;
}

std::vector<std::string> Tokens(std::u16string_view text) {
    TCompositeToken tokens;
    MySqlTokenizer()->Tokenize(tokens, text);
    EXPECT_TRUE(tokens.Last() && tokens.Last()->Is<TEOFToken>());
    return Describe(tokens);
}

struct TTokenCase {
    std::u16string text;
    std::vector<std::string> tokens;
};

class TokenizerCases : public ::testing::TestWithParam<TTokenCase> {};

TEST_P(TokenizerCases, SplitsAsTheServerReads) {
    EXPECT_THAT(Tokens(GetParam().text), ElementsAreArray(GetParam().tokens))
        << rtl::Utf16ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Quotes, TokenizerCases,
    ::testing::Values(TTokenCase{u"'it''s'", {"Str:'it''s'"}},
                      TTokenCase{u"'it\\'s' x", {"Str:'it\\'s'", "Space: ", "Text:x"}},
                      TTokenCase{u"'a\\\\' x", {"Str:'a\\\\'", "Space: ", "Text:x"}},
                      TTokenCase{u"'abc", {"Str:'abc"}}, TTokenCase{u"`a b`", {"Id:`a b`"}},
                      TTokenCase{u"`a``b`", {"Id:`a``b`"}},
                      // A backslash is itself inside a quoted identifier, as on the server.
                      TTokenCase{u"`a\\` x", {"Id:`a\\`", "Space: ", "Text:x"}},
                      TTokenCase{u"\"a b\"", {"Str:\"a b\""}}));

INSTANTIATE_TEST_SUITE_P(Variables, TokenizerCases,
                         ::testing::Values(TTokenCase{u"@x", {"Var:@x"}},
                                           TTokenCase{u"@@global.x", {"Var:@@global", "Break:.", "Text:x"}},
                                           TTokenCase{u"a@b", {"Text:a@b"}},
                                           TTokenCase{u"'a'@b", {"Str:'a'", "Text:@b"}},
                                           TTokenCase{u"(@`a b`)", {"Break:(", "Var:@`a b`", "Break:)"}},
                                           TTokenCase{u"@ x", {"Text:@", "Space: ", "Text:x"}},
                                           TTokenCase{u"@", {"Text:@"}}));

INSTANTIATE_TEST_SUITE_P(
    Numbers, TokenizerCases,
    ::testing::Values(TTokenCase{u"1.2.3", {"Num:1.2", "Break:.", "Num:3"}},
                      TTokenCase{u"0X1F", {"Num:0X1F"}}, TTokenCase{u"0x1f", {"Hex:0x1f"}},
                      TTokenCase{u"x'1F'", {"Hex:x'1F'"}}, TTokenCase{u"0b101", {"Bin:0b101"}},
                      TTokenCase{u"B'101'", {"Bin:B'101'"}}, TTokenCase{u"12abc", {"Text:12abc"}},
                      // A sign belongs to the number only right after the exponent letter.
                      TTokenCase{u"1e5+3", {"Num:1e5", "Break:+", "Num:3"}},
                      TTokenCase{u"1e+5", {"Num:1e+5"}},
                      TTokenCase{u"1.5E-3*2", {"Num:1.5E-3", "Break:*", "Num:2"}},
                      TTokenCase{u"1-2", {"Num:1", "Break:-", "Num:2"}}));

INSTANTIATE_TEST_SUITE_P(Comments, TokenizerCases,
                         ::testing::Values(
                             // "--" needs a blank after it: 5--1 is 5 - (-1).
                             TTokenCase{u"5--1", {"Num:5", "Break:-", "Break:-", "Num:1"}},
                             TTokenCase{u"y--1;", {"Text:y", "Break:-", "Break:-", "Num:1", "Break:;"}},
                             TTokenCase{u"a-- b", {"Text:a", "Line:-- b\r\n"}},
                             TTokenCase{u"a--\tb\nc", {"Text:a", "Line:--\tb\r\n", "Text:c"}},
                             TTokenCase{u"x--", {"Text:x", "Line:--\r\n"}},
                             TTokenCase{u"x--\r\ny", {"Text:x", "Line:--\r\n", "Text:y"}},
                             // "//" is division twice, never a comment.
                             TTokenCase{u"a//b", {"Text:a", "Break:/", "Break:/", "Text:b"}},
                             TTokenCase{u"#c\nx", {"Line:#c\r\n", "Text:x"}},
                             TTokenCase{u"/* a */b", {"Block:/* a */", "Text:b"}},
                             TTokenCase{u"x/* open", {"Text:x", "Block:/* open"}}));

INSTANTIATE_TEST_SUITE_P(WordsAndOperators, TokenizerCases,
                         ::testing::Values(TTokenCase{u"a<=>b", {"Text:a", "Op:<=>", "Text:b"}},
                                           TTokenCase{u"a<=b", {"Text:a", "Op:<=", "Text:b"}},
                                           TTokenCase{u"a:=b", {"Text:a", "Op::=", "Text:b"}},
                                           // "%" and "^" are operators, so they end words.
                                           TTokenCase{u"x%2", {"Text:x", "Break:%", "Num:2"}},
                                           TTokenCase{u"a^b", {"Text:a", "Break:^", "Text:b"}},
                                           TTokenCase{u"select x FROM t",
                                                      {"Reserved:select", "Space: ", "Text:x",
                                                       "Space: ", "Reserved:FROM", "Space: ", "Text:t"}},
                                           TTokenCase{u"a$b#c?", {"Text:a$b#c?"}},
                                           TTokenCase{u"a\u00A0b", {"Text:a", "Space:\u00A0", "Text:b"}},
                                           TTokenCase{u"caf\u00E9\u00A0", {"Text:caf\u00E9", "Space:\u00A0"}},
                                           TTokenCase{u"\u00E0b", {"Text:\u00E0b"}}));

TEST(Tokenizer, CommonOperatorsSplitTheMySqlComparison) {
    auto tokenizer = ParserFactory().CreateTokenizer();
    for (const char* op : {"<>", "!=", "::", ">=", "<=", "->", "==", ":=", "<<", ">>", "||"})
        tokenizer->CompositeOperations().push_back({op});
    TCompositeToken tokens;
    tokenizer->Tokenize(tokens, u"a<=>b");
    EXPECT_THAT(Describe(tokens), ElementsAre("Text:a", "Op:<=", "Break:>", "Text:b"));
}

TEST(Tokenizer, OperatorEntryMayNameItsTokenClass) {
    auto tokenizer = ParserFactory().CreateTokenizer();
    tokenizer->CompositeOperations().push_back({"=>", TTokenKind::Text});
    TCompositeToken tokens;
    tokenizer->Tokenize(tokens, u"=>");
    EXPECT_TRUE(tokens.Items(0)->Is<TTextToken>());
}

struct TPosition {
    std::string text;
    int32_t start;
    int32_t end;
    int32_t line;
};

std::vector<TPosition> Positions(std::u16string_view text) {
    TCompositeToken tokens;
    MySqlTokenizer()->Tokenize(tokens, text);
    std::vector<TPosition> result;
    for (int i = 0; i < tokens.Count(); ++i) {
        const TToken* t = tokens.Items(i);
        result.push_back({t->GetText(), t->StartPosition(), t->EndPosition(), t->Line()});
    }
    return result;
}

MATCHER_P4(At, text, start, end, line, "") {
    return arg.text == text && arg.start == start && arg.end == end && arg.line == line;
}

TEST(Tokenizer, PositionsCountUtf16Units) {
    EXPECT_THAT(Positions(u"\u00E9 x"),
                ElementsAre(At("\u00E9", 0, 1, 1), At(" ", 1, 2, 1), At("x", 2, 3, 1), At("", 3, 3, 1)));
    // A character outside the basic plane takes two units.
    EXPECT_THAT(Positions(u"'\U0001F600' x"), ElementsAre(At("'\U0001F600'", 0, 4, 1), At(" ", 4, 5, 1),
                                                          At("x", 5, 6, 1), At("", 6, 6, 1)));
    EXPECT_THAT(Positions(u"abc"), ElementsAre(At("abc", 0, 3, 1), At("", 3, 3, 1)));
    EXPECT_THAT(Positions(u""), ElementsAre(At("", 0, 0, 1)));
}

TEST(Tokenizer, CountsLines) {
    // The comment ends with its line break; the empty line follows as whitespace.
    EXPECT_THAT(Positions(u"-- x\n\nSELECT"), ElementsAre(At("-- x\r\n", 0, 5, 1), At("\n", 5, 6, 2),
                                                          At("SELECT", 6, 12, 3), At("", 12, 12, 3)));
    // A comment at the end still ends with CR LF, so the end of input is one line further.
    EXPECT_THAT(Positions(u"x -- c"),
                ElementsAre(At("x", 0, 1, 1), At(" ", 1, 2, 1), At("-- c\r\n", 2, 6, 1), At("", 6, 6, 2)));
    EXPECT_THAT(Positions(u"/* a\r\nb */\r\nx"),
                ElementsAre(At("/* a\r\nb */", 0, 10, 1), At("\r\n", 10, 12, 2), At("x", 12, 13, 3),
                            At("", 13, 13, 3)));
    // A comment's own line break may be LF CR; it is consumed as one.
    EXPECT_THAT(Positions(u"#c\n\rx"), ElementsAre(At("#c\r\n", 0, 4, 1), At("x", 4, 5, 2), At("", 5, 5, 2)));
}

// Any text: tokens cover it without gaps, each token's text is its part of the input (line
// comments aside, which end with CR LF whatever ended their line), and lines never go back.
TEST(Tokenizer, TokensCoverAnyText) {
    const std::u16string alphabet = u"a1ex'\"`\\@-#/*\n\r .()%^<=>\u00A0\u00E9\U0001F600bB0";
    auto tokenizer = MySqlTokenizer();
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::u16string text;
        int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) {
            char16_t c = alphabet[random() % alphabet.size()];
            if (c >= 0xD800 && c <= 0xDFFF) {
                text += u"\U0001F600"; // keep surrogate pairs whole
            } else {
                text += c;
            }
        }
        TCompositeToken tokens;
        tokenizer->Tokenize(tokens, text);
        int32_t position = 0, line = 1;
        for (int i = 0; i < tokens.Count(); ++i) {
            const TToken* t = tokens.Items(i);
            ASSERT_EQ(t->StartPosition(), position) << rtl::Utf16ToUtf8(text);
            ASSERT_GE(t->Line(), line) << rtl::Utf16ToUtf8(text);
            std::string source = rtl::Utf16ToUtf8(text.substr(position, t->EndPosition() - position));
            if (t->Is<TLineComment>()) {
                ASSERT_EQ(t->GetText().substr(0, t->GetText().size() - 2),
                          source.substr(0, source.find_first_of("\r\n")));
            } else {
                ASSERT_EQ(t->GetText(), source) << rtl::Utf16ToUtf8(text);
            }
            position = t->EndPosition();
            line = t->Line();
        }
        ASSERT_TRUE(tokens.Last()->Is<TEOFToken>());
        ASSERT_EQ(position, static_cast<int32_t>(text.size()));
    }
}

TEST(Tokenizer, TokenizeReplacesTheList) {
    auto tokenizer = MySqlTokenizer();
    TCompositeToken tokens;
    tokenizer->Tokenize(tokens, u"a b c d");
    tokenizer->Tokenize(tokens, u"x");
    EXPECT_THAT(Describe(tokens), ElementsAre("Text:x"));
    for (int i = 0; i < tokens.Count(); ++i) {
        EXPECT_EQ(tokens.Items(i)->Owner(), &tokens);
        EXPECT_EQ(tokens.IndexOf(tokens.Items(i)), i);
    }
}

TEST(TokenList, InsertKeepsIndexesAndDescribes) {
    TCompositeToken tokens;
    MySqlTokenizer()->Tokenize(tokens, u"a b");
    auto* cursor = tokens.InsertToken<TCursorToken>(2);
    EXPECT_EQ(tokens.IndexOf(cursor), 2);
    EXPECT_EQ(tokens.IndexOf(tokens.Last()), 4);
    EXPECT_EQ(tokens.Items(1)->GetDescription(), "Space");
    EXPECT_EQ(tokens.Last()->GetDescription(), "EOF");
    EXPECT_EQ(tokens.GetDescription(), "(a - EOF)");
    EXPECT_EQ(tokens.GetText(), "a b");
    EXPECT_EQ(cursor->Depth(), 1);
    EXPECT_THROW(tokens.Items(5), rtl::EListError);
    EXPECT_EQ(GetTokensText(tokens, -3, 1), u"a ");
    EXPECT_EQ(GetTokensText(tokens, 2, 99), u"b");
    tokens.SetText("zz");
    ASSERT_EQ(tokens.Count(), 1);
    EXPECT_TRUE(tokens.First()->Is<TTextToken>());
}

// A token's memo keeps every key through its table's growth, and a table another token gave back
// comes to the next one empty.
TEST(TokenList, MemoTablesGrowAndAreReusedEmpty) {
    TCompositeToken tokens;
    MySqlTokenizer()->Tokenize(tokens, u"a b c");
    std::vector<int> keys(200);
    auto* symbol = reinterpret_cast<TSymbol*>(&keys); // never followed
    auto fill = [&](TToken& token, int count) {
        for (int i = 0; i < count; ++i) {
            bool added = false;
            const uint32_t slot = token.Memo().Claim(&keys[i], added, tokens.MemoStorage());
            EXPECT_TRUE(added);
            if (i % 2) token.Memo().At(slot).symbol = symbol;
        }
    };
    TToken& first = *tokens.Items(0);
    fill(first, 200);
    ASSERT_EQ(first.Memo().Count(), 200);
    for (int i = 0; i < 200; ++i) {
        const auto* entry = first.Memo().Find(&keys[i]);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->symbol, i % 2 ? symbol : nullptr);
    }
    // The next token's tables come from those the first gave back on its way up.
    TToken& second = *tokens.Items(2);
    EXPECT_EQ(second.Memo().Find(&keys[0]), nullptr);
    fill(second, 100);
    EXPECT_EQ(second.Memo().Count(), 100);
    EXPECT_EQ(second.Memo().Find(&keys[151]), nullptr);
    EXPECT_EQ(first.Memo().Find(&keys[151])->symbol, symbol);
}

// Set at the size where the table grows: the entry must land in the grown table, not in the one it
// left (which another token may already hold).
TEST(TokenList, MemoSetWhereTheTableGrowsKeepsEveryEntry) {
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "replacing" : "adding");
        TCompositeToken tokens;
        MySqlTokenizer()->Tokenize(tokens, u"a b");
        TToken& token = *tokens.Items(0);
        std::vector<int> keys(400);
        std::vector<TSymbol*> symbols(keys.size(), nullptr);
        auto* matched = reinterpret_cast<TSymbol*>(&keys); // never followed
        int count = 0;
        for (const uint32_t capacity : {32u, 64u, 128u, 256u}) {
            // Fill up to the last entry the table takes before it grows.
            while ((count + 1) * 4 <= static_cast<int>(capacity) * 3) {
                bool added = false;
                token.Memo().Claim(&keys[count++], added, tokens.MemoStorage());
            }
            ASSERT_EQ(token.Memo().Capacity(), capacity);
            const int key = existing ? count / 2 : count++;
            token.Memo().Set(&keys[key], matched, tokens.MemoStorage());
            symbols[key] = matched;
            // The table given back goes to the next token that grows.
            TToken& other = *tokens.Items(2);
            for (int i = 0; i < static_cast<int>(capacity) / 2; ++i) {
                bool added = false;
                other.Memo().Claim(&keys[keys.size() - 1 - i], added, tokens.MemoStorage());
            }
            for (int i = 0; i < count; ++i) {
                const auto* entry = token.Memo().Find(&keys[i]);
                ASSERT_NE(entry, nullptr) << i;
                EXPECT_EQ(entry->symbol, symbols[i]) << i;
            }
        }
    }
}

TEST(TokenIterator, SkipsWhitespaceAndCommentsAndKeepsTheFurthestIndex) {
    TCompositeToken tokens;
    MySqlTokenizer()->Tokenize(tokens, u" a /* c */ b -- d\n");
    TTokenIterator it(tokens);
    EXPECT_EQ(it.Current()->GetText(), "a");
    EXPECT_EQ(it.Position(), 1);
    it.Next();
    EXPECT_EQ(it.Current()->GetText(), "b");
    it.Next();
    EXPECT_TRUE(it.Current()->Is<TEOFToken>());
    int eof = it.Position();
    EXPECT_EQ(it.MaxPosition(), eof);
    it.SetPosition(0); // no skipping here
    EXPECT_TRUE(it.Current()->Is<TWhiteSpace>());
    EXPECT_EQ(it.MaxPosition(), eof);
    it.Reset();
    EXPECT_EQ(it.Position(), 1);
    it.SetPosition(eof);
    it.Next();
    EXPECT_TRUE(it.Eof());
    EXPECT_EQ(it.MaxPosition(), tokens.Count());
    EXPECT_THROW(it.Current(), rtl::EAssertionFailed);
}

struct TExpressionCase {
    std::u16string text;
    int position;
    std::u16string expected;
};

class ExpressionAtPosition : public ::testing::TestWithParam<TExpressionCase> {};

TEST_P(ExpressionAtPosition, FindsTheNameOrCallUnderTheCaret) {
    TCompositeToken tokens;
    MySqlTokenizer()->Tokenize(tokens, GetParam().text);
    EXPECT_EQ(rtl::Utf16ToUtf8(GetExpressionAtPosition(tokens, GetParam().position)),
              rtl::Utf16ToUtf8(GetParam().expected))
        << rtl::Utf16ToUtf8(GetParam().text) << " at " << GetParam().position;
}

// "SET v = COUNT(x) + a.b;": C=8, (=13, x=14, )=15, blank=16, +=17, a=19, .=20, b=21, ;=22
INSTANTIATE_TEST_SUITE_P(Cases, ExpressionAtPosition,
                         ::testing::Values(TExpressionCase{u"SET v = COUNT(x) + a.b;", 21, u"a.b"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 19, u"a"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 20, u"a.b"},
                                           // Right after ")" the caret still belongs to the call.
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 16, u"COUNT(x)"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 15, u"COUNT(x)"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 8, u"COUNT"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 14, u"x"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 13, u"x"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 4, u"v"},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 17, u""},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 23, u""},
                                           TExpressionCase{u"SET v = COUNT(x) + a.b;", 99, u""},
                                           TExpressionCase{u"a:=b", 3, u"a:=b"},
                                           TExpressionCase{u"f(g(x), y)", 9, u"f(g(x), y)"},
                                           TExpressionCase{u"v  ", 1, u"v"}, TExpressionCase{u"v  ", 2, u""},
                                           TExpressionCase{u"v", 1, u"v"}, TExpressionCase{u"x)", 1, u""},
                                           TExpressionCase{u"a /* c */ . b", 12, u"b"},
                                           TExpressionCase{u"", 0, u""}));

} // namespace
} // namespace parser
