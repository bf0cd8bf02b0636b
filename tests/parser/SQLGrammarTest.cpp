#include "SQLTreeTesting.h"

#include "core/uStringUtils.h"
#include "parser/uMySqlDataTypes.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLStatements.h"
#include "parser/uTokenizer.h"
#include "platform/rtl/StringList.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser::testing {
namespace {

using ::testing::ElementsAre;

// ---- root and parse modes

TEST(SQLGrammarModes, DefaultModePrefersAStatementToAnExpression) {
    auto select = ParseMySql("SELECT 1", pmDefault);
    auto* statement = dynamic_cast<TStatement*>(select->Children()[0]);
    ASSERT_NE(statement, nullptr);
    EXPECT_NE(dynamic_cast<TMySQLStatement*>(statement->Children()[0]), nullptr);

    auto expression = ParseMySql("1 + 1", pmDefault);
    EXPECT_NE(dynamic_cast<TExpression*>(expression->Children()[0]), nullptr);
}

TEST(SQLGrammarModes, SyntaxErrors) {
    EXPECT_EQ(SyntaxError("SELECT 1 FROM", pmDefault), "You have an error in your syntax near '' at line 1");
    EXPECT_EQ(SyntaxError("SELECT a FROM t", pmExpression),
              "You have an error in your syntax near 'SELECT' at line 1");
    EXPECT_EQ(SyntaxError("SELECT 1\n FROM t\n WHERE )", pmDefault),
              "You have an error in your syntax near ')' at line 3");
    // A mode outside 0-7 has no alternative: the error is at the first token.
    EXPECT_EQ(SyntaxError("1", 8), "You have an error in your syntax near '1' at line 1");
}

// ---- tokenizer settings

std::vector<std::string> TokenTexts(TGrammar& grammar, std::u16string_view text) {
    auto tokenizer = ParserFactory().CreateTokenizer();
    grammar.ConfigureTokenizer(*tokenizer);
    TCompositeToken tokens;
    tokenizer->Tokenize(tokens, text);
    std::vector<std::string> texts;
    for (int i = 0; i < tokens.Count(); ++i) {
        if (IsSignificantToken(tokens.Items(i)) && !tokens.Items(i)->Is<TEOFToken>())
            texts.push_back(tokens.Items(i)->GetText());
    }
    return texts;
}

TEST(SQLGrammarTokenizer, CommonAndMySqlOperatorsAndQuotes) {
    TCommonSQLGrammar common;
    TMySqlGrammar mysql;
    EXPECT_THAT(TokenTexts(common, u"a <=> b && c"), ElementsAre("a", "<=", ">", "b", "&", "&", "c"));
    EXPECT_THAT(TokenTexts(mysql, u"a <=> b && c || d"), ElementsAre("a", "<=>", "b", "&&", "c", "||", "d"));

    auto tokenizer = ParserFactory().CreateTokenizer();
    mysql.ConfigureTokenizer(*tokenizer);
    TCompositeToken tokens;
    tokenizer->Tokenize(tokens, u"`a b` \"a b\" 'a b'");
    EXPECT_TRUE(tokens.Items(0)->Is<TQuotedIdentifierToken>());
    EXPECT_TRUE(tokens.Items(2)->Is<TQuotedStringToken>());
    EXPECT_TRUE(tokens.Items(4)->Is<TQuotedStringToken>());
}

TEST(SQLGrammarTokenizer, MySqlReservedWords) {
    auto& words = GrammarParserCache().GetParser<TMySqlGrammar>().Tokenizer().ReservedWords();
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end(), ReservedWordLess));
    for (size_t i = 1; i < words.size(); ++i)
        EXPECT_FALSE(core::SameText(words[i - 1], words[i])) << words[i];
    for (const std::string& word : words)
        EXPECT_EQ(word.find_first_of(kBreakCharacters), std::string::npos) << word;
    for (const char* word : {"SELECT", "FROM", "LEFT", "INTERVAL", "_UTF8MB4", "_UTF8MB3", "_LATIN1", "SET"})
        EXPECT_TRUE(GrammarParserCache().GetParser<TMySqlGrammar>().Tokenizer().IsReservedWord(word)) << word;
}

// ---- object builder

TEST(SQLObjectBuilder, DialectAnswers) {
    TCommonObjectBuilder common;
    TMySqlObjectBuilder mysql;
    EXPECT_EQ(&mysql.CastTypeClass(), &TMySQLCastType::StaticClass());
    EXPECT_EQ(&mysql.DataTypeClass(), &TMySqlType::StaticClass());
    EXPECT_EQ(&common.DeleteFromClauseClass(), &TStandardFromClause::StaticClass());
    EXPECT_EQ(&mysql.ValueClass(), &TMyValue::StaticClass());
    EXPECT_EQ(&mysql.ExpressionClass(), &TExpression::StaticClass());
    for (auto position : {&TCommonObjectBuilder::DataTypeClass, &TCommonObjectBuilder::CastTypeClass}) {
        try {
            (common.*position)();
            ADD_FAILURE() << "answered a data type";
        } catch (const rtl::Exception& e) {
            EXPECT_EQ(e.Message(), "Data type class not defined");
        }
    }
}

TEST(SQLObjectBuilder, CommonGrammarHasNoCachedParser) {
    // Collecting its reserved words builds every rule, CAST's data type included.
    try {
        GrammarParserCache().GetParser<TCommonSQLGrammar>();
        ADD_FAILURE() << "made a parser";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Data type class not defined");
    }
}

// An SQL production in a grammar that is not an SQL grammar.
class TPlainGrammar : public TGrammar {
    PARSER_GRAMMAR_CLASS(TPlainGrammar, TGrammar)
    PARSER_RULE(Sequence) { rule.Add<TExpression>(); }
};

TEST(SQLObjectBuilder, SQLProductionsNeedAnSQLGrammar) {
    TPlainGrammar grammar;
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(), u"1");
    TTokenIterator iterator(grammar.Tokens());
    EXPECT_THROW(Match(grammar, iterator), EInvalidCast);
}

// ---- visitor

// Records what it is called for.
struct TRecordingVisitor : TSQLProductionVisitor {
    std::vector<std::string> seen;
    void VisitIdentifierTerminal(TIdentifierTerminal* terminal) override { seen.push_back(Text(terminal)); }
    void VisitColumnReference(TSQLProduction* production) override {
        seen.push_back(std::string("column ") + production->Name());
    }
    void VisitExpression(TSQLProduction* production) override {
        seen.push_back(std::string("expression ") + production->Name());
        TSQLProductionVisitor::VisitExpression(production);
    }
    void VisitJoinCondition_02(TSQLProduction* production) override { seen.push_back("USING"); }
};

struct TIdentifierCollector : TSQLProductionVisitor {
    std::vector<std::string> names;
    void VisitIdentifierTerminal(TIdentifierTerminal* terminal) override { names.push_back(Text(terminal)); }
};

TEST(SQLProductionVisitor, DefaultsWalkEveryProduction) {
    auto grammar = ParseMySql("a + f(b, 2) * c.d - CASE WHEN e THEN 'x' END");
    TIdentifierCollector collector;
    grammar->Accept(collector);
    EXPECT_THAT(collector.names, ElementsAre("a", "f", "b", "c", "d", "e"));
}

TEST(SQLProductionVisitor, OperationsFallBackToTheirParents) {
    auto receiver = ParseAs<TReceiverColumnReference>("x");
    TRecordingVisitor visitor;
    receiver->Accept(visitor);
    EXPECT_THAT(visitor.seen, ElementsAre("column TReceiverColumnReference"));

    auto select = ParseMySql("SELECT * FROM a JOIN b ON a.x = b.y", pmDefault);
    TRecordingVisitor joins;
    select->Accept(joins);
    EXPECT_THAT(joins.seen, ::testing::Contains("expression TJoinConditionExpression"));
}

TEST(SQLProductionVisitor, UsingConditionIsWalkedBeforeItsOperation) {
    auto select = ParseMySql("SELECT * FROM a JOIN b USING (id)", pmDefault);
    TRecordingVisitor visitor;
    Find<TJoinCondition_02>(*select).Accept(visitor);
    EXPECT_THAT(visitor.seen, ElementsAre("id", "USING"));
}

TEST(SQLProductionVisitor, PlainSymbolVisitorIsIgnored) {
    struct TCounting : TSymbolVisitor {
        int productions = 0;
        void VisitProduction(TProduction* production) override {
            ++productions;
            TSymbolVisitor::VisitProduction(production);
        }
    } counting;
    auto grammar = ParseMySql("1 + 2");
    grammar->Children()[0]->Accept(counting);
    EXPECT_EQ(counting.productions, 0);
}

// ---- the names list of the common unit

TEST(SQLCommonIdentifierList, GetIdentifiers) {
    auto grammar = ParseAs<commonsql::TIdentifierList>("a, `b c`, d");
    rtl::TStringList list;
    RootOf<commonsql::TIdentifierList>(*grammar).GetIdentifiers(list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list[1], "`b c`");
    EXPECT_EQ(list[2], "d");
    EXPECT_EQ(Text(static_cast<TSymbol*>(list.Objects(2))), "d");
    EXPECT_THROW(ParseAs<commonsql::TIdentifierList>("a, b,"), EGrammarError);
}

} // namespace
} // namespace parser::testing
