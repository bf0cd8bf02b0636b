#include "core/uStringUtils.h"
#include "parser/uParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace parser {
namespace {

// SELECT list FROM name
class TPList : public TProduction {
    PARSER_SYMBOL_CLASS(TPList, TProduction)
    PARSER_RULE(DelimitedList) { rule.Add<TIdentifierTerminal>().Const(",").Add<TPList>(); }
};

class TPSelect : public TProduction {
    PARSER_SYMBOL_CLASS(TPSelect, TProduction)
    PARSER_RULE(Sequence) {
        rule.Reserved("SELECT").Add<TPList>().Reserved("FROM").Add<TIdentifierTerminal>();
    }
};

// Never matches real text; it is there for the reserved words it names.
class TPOther : public TProduction {
    PARSER_SYMBOL_CLASS(TPOther, TProduction)
    PARSER_RULE(Sequence) {
        rule.ReservedSeq("END IF").Reserved("<>").Reserved(")").Reserved("select").Reserved("Zeta");
        rule.ReservedOr("alpha _under").Add<TPOther>(kOptional).Add<TPSelect>();
    }
};

class TPGrammar : public TGrammar {
    PARSER_GRAMMAR_CLASS(TPGrammar, TGrammar)
    PARSER_RULE(Choice) { rule.Add<TPSelect>().Add<TPOther>(); }
    void ConfigureTokenizer(TTokenizer& tokenizer) override { tokenizer.StringQuotes().AddQuote("'"); }
};

class TFailingRule : public TProduction {
    PARSER_SYMBOL_CLASS(TFailingRule, TProduction)
    void DefineRule(TRule&) override { throw rtl::Exception("broken rule"); }
};

class TBrokenGrammar : public TGrammar {
    PARSER_GRAMMAR_CLASS(TBrokenGrammar, TGrammar)
    PARSER_RULE(Sequence) { rule.Add<TIdentifierTerminal>().Add<TFailingRule>(); }
    // Reserved words are collected without matching, so build the failing rule only when matching.
    void GetReservedWords(std::vector<std::string>& list) override { list.clear(); }
};

EGrammarError ParseError(std::u16string_view text, int& furthest) {
    TPGrammar grammar;
    try {
        GrammarParserCache().GetParser<TPGrammar>().Parse(grammar, text, furthest);
    } catch (const EGrammarError& e) {
        return e;
    }
    ADD_FAILURE() << "parsed";
    return EGrammarError("", -1, -1);
}

TEST(GrammarParser, ParsesAndReportsTheFurthestToken) {
    TPGrammar grammar;
    int furthest = -1;
    GrammarParserCache().GetParser<TPGrammar>().Parse(grammar, u"select a , b from t", furthest);
    EXPECT_EQ(furthest, grammar.Tokens().Count() - 1);
    EXPECT_EQ(GetSymbolText(grammar), "selecta,bfromt");
    EXPECT_TRUE(grammar.Children()[0]->Is<TPSelect>());
}

TEST(GrammarParser, ErrorAtTheEndOfInputHasNoText) {
    int furthest = -1;
    EGrammarError e = ParseError(u"SELECT a FROM", furthest);
    EXPECT_STREQ(e.what(), "You have an error in your syntax near '' at line 1");
    EXPECT_STREQ(e.ClassName(), "EGrammarError");
    EXPECT_EQ(e.StartPosition(), 13);
    EXPECT_EQ(e.EndPosition(), 13);
    EXPECT_EQ(furthest, 5);

    e = ParseError(u"SELECT a,\nb FROM\n", furthest);
    EXPECT_STREQ(e.what(), "You have an error in your syntax near '' at line 3");
}

TEST(GrammarParser, ErrorNamesTheFurthestTokenAndItsLine) {
    int furthest = -1;
    // The list gives up after "a,", but its attempt at FROM is the furthest any match got.
    EGrammarError e = ParseError(u"/* one\n two */\nSELECT a, FROM t", furthest);
    EXPECT_STREQ(e.what(), "You have an error in your syntax near 'FROM' at line 3");
    EXPECT_EQ(e.StartPosition(), 25);
    EXPECT_EQ(e.EndPosition(), 29);

    e = ParseError(u"SELECT a FROM t )", furthest);
    EXPECT_STREQ(e.what(), "You have an error in your syntax near ')' at line 1");
    EXPECT_EQ(e.StartPosition(), 16);
}

TEST(GrammarParser, RuleErrorsPassThrough) {
    TBrokenGrammar grammar;
    int furthest = -1;
    EXPECT_THROW(GrammarParserCache().GetParser<TBrokenGrammar>().Parse(grammar, u"a b", furthest),
                 rtl::Exception);
    EXPECT_EQ(furthest, 2);
}

TEST(GrammarParserCache, KeepsOneConfiguredParserPerGrammarClass) {
    TGrammarParser& parser = GrammarParserCache().GetParser<TPGrammar>();
    EXPECT_EQ(&parser, &GrammarParserCache().GetParser(TPGrammar::StaticClass()));
    EXPECT_NE(&parser, &GrammarParserCache().GetParser<TBrokenGrammar>());

    auto& words = parser.Tokenizer().ReservedWords();
    for (const char* w : {"select", "FROM", "end", "IF", "zeta", "ALPHA", "_under"})
        EXPECT_TRUE(parser.Tokenizer().IsReservedWord(w)) << w;
    EXPECT_FALSE(parser.Tokenizer().IsReservedWord("t"));
    // Texts made of break characters are no words, and "select" and "SELECT" are one.
    EXPECT_EQ(words.size(), 7u);
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end(), ReservedWordLess));
    EXPECT_TRUE(parser.Tokenizer().StringQuotes().IsQuote("'"));

    // The configured tokenizer reads reserved words, which names no longer match.
    int furthest = 0;
    TPGrammar grammar;
    EXPECT_THROW(parser.Parse(grammar, u"SELECT from FROM t", furthest), EGrammarError);
}

TEST(GrammarParserCache, IsSafeAcrossThreads) {
    std::atomic<int> failures{0};
    auto work = [&](int seed) {
        for (int i = 0; i < 200; ++i) {
            TPGrammar grammar;
            bool valid = (i + seed) % 3 != 0;
            try {
                GrammarParserCache().GetParser<TPGrammar>().Parse(grammar, valid ? u"SELECT a, b FROM t"
                                                                                 : u"SELECT a b");
                if (!valid) ++failures;
            } catch (const EGrammarError& e) {
                if (valid || std::string(e.what()) != "You have an error in your syntax near 'b' at line 1")
                    ++failures;
            }
        }
    };
    std::thread a(work, 0), b(work, 1), c(work, 2);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(ParserFactory, TokenizerReadsSqlComments) {
    auto tokenizer = ParserFactory().CreateTokenizer();
    TCompositeToken tokens;
    tokenizer->Tokenize(tokens, u"a -- x\n# y\n/* z */ 1//2 3--4");
    std::vector<std::string> significant;
    for (int i = 0; i < tokens.Count(); ++i) {
        if (IsSignificantToken(tokens.Items(i))) significant.push_back(tokens.Items(i)->GetText());
    }
    EXPECT_THAT(significant, ::testing::ElementsAre("a", "1", "/", "/", "2", "3", "-", "-", "4", ""));
}

} // namespace
} // namespace parser
