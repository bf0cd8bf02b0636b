#include "parser/uGrammar.h"
#include "parser/uParser.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using ::testing::ElementsAre;

// ---- a toy grammar

// Counts its DoMatch calls, to see the memo at work.
class TCounted : public TProduction {
    PARSER_SYMBOL_CLASS(TCounted, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TIdentifierTerminal>(); }
    bool DoMatch(TTokenIterator& iterator) override {
        ++calls;
        return TProduction::DoMatch(iterator);
    }
    static inline int calls = 0;
};

class TCountedFailure : public TProduction {
    PARSER_SYMBOL_CLASS(TCountedFailure, TProduction)
    PARSER_RULE(Sequence) { rule.Const("NOPE"); }
    bool DoMatch(TTokenIterator& iterator) override {
        ++calls;
        return TProduction::DoMatch(iterator);
    }
    // Tried wherever it stands, so that only the memo spares a second attempt.
    bool StartsAsItsRule() const override { return false; }
    static inline int calls = 0;
};

// Counts its attempts; it starts only with NOPE, or may also match nothing.
template <bool MayMatchNothing>
class TCountedNope : public TProduction {
    PARSER_SYMBOL_CLASS(TCountedNope, TProduction)
    PARSER_RULE(Sequence) { rule.Const("NOPE", !MayMatchNothing); }
    bool DoMatch(TTokenIterator& iterator) override {
        ++calls;
        return TProduction::DoMatch(iterator);
    }
    static inline int calls = 0;
};

class TBang : public TProduction {
    PARSER_SYMBOL_CLASS(TBang, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TCounted>().Const("!"); }
};

class TQuery : public TProduction {
    PARSER_SYMBOL_CLASS(TQuery, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TCounted>().Const("?"); }
};

class TIdList : public TProduction {
    PARSER_SYMBOL_CLASS(TIdList, TProduction)
    PARSER_RULE(DelimitedList) { rule.Add<TIdentifierTerminal>().Const(",").Add<TIdList>(); }
};

class TIdComma : public TProduction {
    PARSER_SYMBOL_CLASS(TIdComma, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TIdentifierTerminal>().Const(","); }
};

// SELECT [DISTINCT] list
class TSelect : public TProduction {
    PARSER_SYMBOL_CLASS(TSelect, TProduction)
    PARSER_RULE(Sequence) { rule.Reserved("SELECT").Const("DISTINCT", kOptional).Add<TIdList>(); }
};

// "(" list ")"; in tolerant mode the ")" is optional
class TParens : public TProduction {
    PARSER_SYMBOL_CLASS(TParens, TProduction)
    PARSER_RULE(Sequence) { rule.Const("(").Add<TIdList>().Const(")"); }
};

class TTolerantPair : public TProduction {
    PARSER_SYMBOL_CLASS(TTolerantPair, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TIdentifierTerminal>().Const("+").Add<TIdentifierTerminal>(); }
    bool SucceedsWhenTolerant() const override { return true; }
};

// Two classes with one name: their results must not mix.
namespace first {
class TSame : public TProduction {
    PARSER_SYMBOL_CLASS(TSame, TProduction)
    PARSER_RULE(Sequence) { rule.Const("x"); }
};
} // namespace first
namespace second {
class TSame : public TProduction {
    PARSER_SYMBOL_CLASS(TSame, TProduction)
    PARSER_RULE(Sequence) { rule.Const("y"); }
};
} // namespace second

// Matches a name only when it is the one its owner expects, as an end label must repeat its begin
// label: its result depends on the owner, so it must not be remembered per token.
class TExpectedName : public TProduction {
    PARSER_SYMBOL_CLASS(TExpectedName, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TIdentifierTerminal>(); }
    bool DoMatch(TTokenIterator& iterator) override;
    bool Memoised() const override { return false; }
};
class TExpectsOne : public TProduction {
    PARSER_SYMBOL_CLASS(TExpectsOne, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TExpectedName>(); }
};
class TExpectsTwo : public TProduction {
    PARSER_SYMBOL_CLASS(TExpectsTwo, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TExpectedName>(); }
};
bool TExpectedName::DoMatch(TTokenIterator& iterator) {
    const char* expected = Owner()->Is<TExpectsOne>() ? "one" : "two";
    return !iterator.Eof() && iterator.Current()->GetText() == expected && TProduction::DoMatch(iterator);
}

// The root: mode picks the rule, as the SQL grammar does with its parse modes.
class TToyGrammar : public TGrammar {
    PARSER_GRAMMAR_CLASS(TToyGrammar, TGrammar)
    enum TMode { Choice, List, Select, Parens, Pair, Same, Words, Failures, OptionalTail, Owners, Starts };
    TMode mode = Choice;
    bool requireEOF = true;

    const TProductionMatchingStrategy& StrategyClass() const override {
        return mode == List || mode == Select || mode == Parens || mode == Pair || mode == OptionalTail
                   ? TProductionMatchingStrategy::Sequence()
                   : TProductionMatchingStrategy::Choice();
    }
    void DefineRule(TRule& rule) override {
        switch (mode) {
        case Choice:
            rule.Add<TBang>().Add<TQuery>();
            break;
        case List:
            rule.Add<TIdList>();
            break;
        case Select:
            rule.Add<TSelect>();
            break;
        case Parens:
            rule.Add<TParens>();
            break;
        case Pair:
            rule.Add<TTolerantPair>().Const(";");
            break;
        case Same:
            rule.Add<first::TSame>().Add<second::TSame>();
            break;
        case Words:
            rule.ConstSeq("A  B").ConstOr("A B");
            break;
        case Failures:
            rule.Add<TCountedFailure>().Add<TCountedFailure>().Add<TIdList>().Add<TIdComma>();
            break;
        case OptionalTail:
            rule.Add<TIdentifierTerminal>().Const("THEN", kOptional);
            break;
        case Owners:
            rule.Add<TExpectsOne>().Add<TExpectsTwo>();
            break;
        case Starts:
            rule.Add<TCountedNope<false>>().Add<TCountedNope<true>>();
            break;
        }
    }
    bool RequireEOF() const override { return requireEOF; }
    void ConfigureTokenizer(TTokenizer& tokenizer) override { tokenizer.StringQuotes().AddQuote("'"); }
};

struct GrammarTest : ::testing::Test {
    void SetUp() override {
        TCounted::calls = 0;
        TCountedFailure::calls = 0;
    }

    // Tokenizes with the cached parser and matches directly, without raising.
    bool MatchText(TToyGrammar::TMode mode, std::u16string_view text) {
        grammar = std::make_unique<TToyGrammar>();
        grammar->mode = mode;
        GrammarParserCache().GetParser<TToyGrammar>().Tokenize(grammar->Tokens(), text);
        iterator = std::make_unique<TTokenIterator>(grammar->Tokens());
        return Match(*grammar, *iterator);
    }

    std::unique_ptr<TToyGrammar> grammar;
    std::unique_ptr<TTokenIterator> iterator;
};

TEST_F(GrammarTest, RepeatedAttemptIsAnsweredFromTheMemo) {
    ASSERT_TRUE(MatchText(TToyGrammar::Choice, u"a ?"));
    // TBang tried TCounted at "a" first; TQuery got the remembered result.
    EXPECT_EQ(TCounted::calls, 1);
    auto* query = dynamic_cast<TQuery*>(grammar->Children()[0]);
    ASSERT_NE(query, nullptr);
    auto* counted = query->Children().Find<TCounted>();
    ASSERT_NE(counted, nullptr);
    EXPECT_EQ(counted->Owner(), query);
    EXPECT_EQ(GetSymbolText(*counted), "a");
    EXPECT_EQ(counted->EndIndex(), 2);
    EXPECT_EQ(GetSymbolText(*grammar), "a?");
}

// A rule element is tried only where the token can start it, or where it may match nothing.
TEST_F(GrammarTest, OnlyWhatCanStartAtTheTokenIsTried) {
    TCountedNope<false>::calls = TCountedNope<true>::calls = 0;
    MatchText(TToyGrammar::Starts, u"a");
    EXPECT_EQ(TCountedNope<false>::calls, 0);
    EXPECT_EQ(TCountedNope<true>::calls, 1);
    ASSERT_TRUE(MatchText(TToyGrammar::Starts, u"nope"));
    EXPECT_EQ(TCountedNope<false>::calls, 1);
}

TEST_F(GrammarTest, FailureIsRememberedToo) {
    ASSERT_TRUE(MatchText(TToyGrammar::Failures, u"a, b"));
    EXPECT_EQ(TCountedFailure::calls, 1);
    // Failed attempts that matched nothing are freed at once: only the list "a , (b)" is left.
    EXPECT_EQ(grammar->SymbolCount(), 5);
}

TEST_F(GrammarTest, DelimitedListAcceptsItemsAndRejectsATrailingDelimiter) {
    for (std::u16string_view text : {u"a", u"a, b", u"a , b,c"})
        EXPECT_TRUE(MatchText(TToyGrammar::List, text));
    EXPECT_FALSE(MatchText(TToyGrammar::List, u"a,"));
    EXPECT_FALSE(MatchText(TToyGrammar::List, u"a b"));

    ASSERT_TRUE(MatchText(TToyGrammar::List, u"a, b, c"));
    // Right-recursive: a "," (b "," (c))
    auto* list = grammar->Children().Find<TIdList>();
    ASSERT_EQ(list->Children().Count(), 3);
    EXPECT_EQ(GetSymbolText(*list->Children()[0]), "a");
    auto* rest = dynamic_cast<TIdList*>(list->Children()[2]);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(GetSymbolText(*rest), "b,c");
    EXPECT_EQ(rest->Owner(), list);
}

TEST_F(GrammarTest, FailedListLetsTheParentChoiceTryTheNextAlternative) {
    // The list does not stop at "a": it fails as a whole, so "a ," is found instead.
    ASSERT_TRUE(MatchText(TToyGrammar::Failures, u"a ,"));
    EXPECT_NE(grammar->Children().Find<TIdComma>(), nullptr);
}

TEST_F(GrammarTest, OptionalElementIsSkippedWithoutConsuming) {
    ASSERT_TRUE(MatchText(TToyGrammar::Select, u"SELECT a, b"));
    auto* select = grammar->Children().Find<TSelect>();
    ASSERT_EQ(select->Children().Count(), 2);
    EXPECT_TRUE(select->Children()[1]->Is<TIdList>());

    ASSERT_TRUE(MatchText(TToyGrammar::Select, u"select distinct a"));
    EXPECT_EQ(grammar->Children().Find<TSelect>()->Children().Count(), 3);

    // At the end of input the optional tail is skipped too.
    ASSERT_TRUE(MatchText(TToyGrammar::OptionalTail, u"x"));
    EXPECT_EQ(grammar->Children().Count(), 1);
}

TEST_F(GrammarTest, ChoiceThatFailsLeavesTheIteratorWhereItStarted) {
    grammar = std::make_unique<TToyGrammar>();
    GrammarParserCache().GetParser<TToyGrammar>().Tokenize(grammar->Tokens(), u"  a b");
    TTokenIterator it(grammar->Tokens());
    int start = it.Position();
    EXPECT_FALSE(Match(*grammar, it)); // "a b" is neither "a !" nor "a ?"
    EXPECT_EQ(it.Position(), start);
    EXPECT_EQ(grammar->Tokens().Items(it.MaxPosition())->GetText(), "b");
}

TEST_F(GrammarTest, EndOfInputIsRequiredUnlessTheGrammarSaysOtherwise) {
    EXPECT_FALSE(MatchText(TToyGrammar::List, u"a, b )"));
    EXPECT_EQ(grammar->Tokens().Items(iterator->MaxPosition())->GetText(), ")");
    grammar->requireEOF = false;
    grammar->Tokens().Clear(); // fresh tokens, fresh memo
    GrammarParserCache().GetParser<TToyGrammar>().Tokenize(grammar->Tokens(), u"a, b )");
    TTokenIterator it(grammar->Tokens());
    EXPECT_TRUE(Match(*grammar, it));
}

TEST_F(GrammarTest, KeysAreClassesNotNames) {
    EXPECT_STREQ(first::TSame::StaticClass().Name, second::TSame::StaticClass().Name);
    ASSERT_TRUE(MatchText(TToyGrammar::Same, u"y"));
    EXPECT_TRUE(grammar->Children()[0]->Is<second::TSame>());
}

TEST_F(GrammarTest, OwnerDependentSymbolIsNotRemembered) {
    ASSERT_TRUE(MatchText(TToyGrammar::Owners, u"two"));
    EXPECT_TRUE(grammar->Children()[0]->Is<TExpectsTwo>());
}

TEST_F(GrammarTest, WordSequenceAndWordChoiceHaveTheirOwnKeys) {
    // ("A" "B") fails at "A"; ("A" | "B") must still be tried there.
    ASSERT_TRUE(MatchText(TToyGrammar::Words, u"a"));
    auto* words = dynamic_cast<TConstantProduction*>(grammar->Children()[0]);
    ASSERT_NE(words, nullptr);
    EXPECT_TRUE(words->ByOr());
    EXPECT_EQ(words->GetKey(), "A B");
    EXPECT_TRUE(IsAlternativeProduction(*words));

    ASSERT_TRUE(MatchText(TToyGrammar::Words, u"a  b"));
    words = dynamic_cast<TConstantProduction*>(grammar->Children()[0]);
    EXPECT_FALSE(words->ByOr());
    EXPECT_EQ(words->Children().Count(), 2);
}

TEST_F(GrammarTest, TolerantModeMakesTheClosingParenthesisOptional) {
    EXPECT_FALSE(MatchText(TToyGrammar::Parens, u"(a, b"));

    grammar = std::make_unique<TToyGrammar>();
    grammar->mode = TToyGrammar::Parens;
    grammar->SetTolerant(true);
    GrammarParserCache().GetParser<TToyGrammar>().Tokenize(grammar->Tokens(), u"(a, b");
    TTokenIterator it(grammar->Tokens());
    EXPECT_TRUE(Match(*grammar, it));
    auto* close = ParserFactory().CreateConstantTerminal(grammar.get(), ")");
    EXPECT_FALSE(close->Required());
    EXPECT_TRUE(ParserFactory().CreateConstantTerminal(grammar.get(), "(")->Required());
}

// One grammar matching in both modes: rules kept from the first match must not carry over.
TEST_F(GrammarTest, RulesFollowTheToleranceOfTheGrammar) {
    grammar = std::make_unique<TToyGrammar>();
    grammar->mode = TToyGrammar::Parens;
    auto matches = [&](bool tolerant) {
        grammar->SetTolerant(tolerant);
        GrammarParserCache().GetParser<TToyGrammar>().Tokenize(grammar->Tokens(), u"(a, b");
        TTokenIterator it(grammar->Tokens());
        return Match(*grammar, it);
    };
    EXPECT_FALSE(matches(false));
    EXPECT_TRUE(matches(true));
    EXPECT_FALSE(matches(false));
}

TEST_F(GrammarTest, CursorTokenCollectsTheSymbolsTriedThere) {
    grammar = std::make_unique<TToyGrammar>();
    grammar->mode = TToyGrammar::Pair;
    grammar->SetTolerant(true);
    GrammarParserCache().GetParser<TToyGrammar>().Tokenize(grammar->Tokens(), u"a + ;");
    // The caret after "+ ": before ";".
    auto* cursor = grammar->Tokens().InsertToken<TCursorToken>(4);
    TTokenIterator it(grammar->Tokens());
    EXPECT_FALSE(Match(*grammar, it)); // the cursor matches nothing

    // The pair's second name was tried at the cursor; the pair reported success with what it had,
    // so the grammar tried its ";" at the cursor too.
    ASSERT_EQ(cursor->Symbols().size(), 2u);
    EXPECT_TRUE(cursor->Symbols()[0]->Is<TIdentifierTerminal>());
    EXPECT_TRUE(cursor->Symbols()[0]->Owner()->Is<TTolerantPair>());
    EXPECT_EQ(cursor->Symbols()[1]->GetKey(), ";");
    EXPECT_EQ(cursor->Symbols()[1]->Owner(), grammar.get());
    auto* pair = grammar->Children().Find<TTolerantPair>();
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(pair->Children().Count(), 2);
    EXPECT_EQ(cursor->Memo().Count(), 0);
}

TEST_F(GrammarTest, TreeHelpers) {
    ASSERT_TRUE(MatchText(TToyGrammar::Select, u"SELECT /* c */ a,\n  b"));
    auto* select = grammar->Children().Find<TSelect>();
    EXPECT_EQ(GetSymbolText(*select), "SELECTa,b");
    EXPECT_EQ(GetSourceText(*select, false, true), "SELECT /* c */ a,\n  b");
    EXPECT_EQ(GetSourceText(*select, true, false), "SELECT  a, b");
    EXPECT_EQ(ParserFactory().FirstToken(select)->GetText(), "SELECT");
    EXPECT_EQ(ParserFactory().LastToken(select)->GetText(), "b");

    auto* list = select->Children().Find<TIdList>();
    auto* b = FindChildSymbol<TIdList>(*list); // the nested list
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetSymbolText(*b), "b");
    EXPECT_EQ(b->FindOwner<TSelect>(), select);
    EXPECT_EQ(b->FindOwner<TIdList>(), b);
    EXPECT_EQ(b->FindOwner<TBang>(), nullptr);
    EXPECT_EQ(FindChildSymbol<TReservedTerminal>(*grammar)->GetKey(), "<SELECT>");
    EXPECT_EQ(select->Children().Find(TTerminal::StaticClass(), true), nullptr);
    EXPECT_NE(select->Children().Find(TReservedTerminal::StaticClass(), true), nullptr);
    EXPECT_FALSE(IsAlternativeProduction(*select));
}

TEST_F(GrammarTest, VisitorWalksTheMatchedChildren) {
    struct TNames : TSymbolVisitor {
        std::vector<std::string> names;
        int productions = 0;
        void VisitIdentifierTerminal(TIdentifierTerminal* terminal) override {
            names.push_back(terminal->Token()->GetText());
        }
        void VisitProduction(TProduction* production) override {
            ++productions;
            TSymbolVisitor::VisitProduction(production);
        }
    } visitor;
    ASSERT_TRUE(MatchText(TToyGrammar::Select, u"SELECT a, b, c"));
    grammar->Accept(visitor);
    EXPECT_THAT(visitor.names, ElementsAre("a", "b", "c"));
    EXPECT_EQ(visitor.productions, 5); // grammar, select, three lists
}

TEST_F(GrammarTest, ClassReferences) {
    EXPECT_TRUE(TReservedTerminal::StaticClass().InheritsFrom(TConstantTerminal::StaticClass()));
    EXPECT_TRUE(TToyGrammar::StaticClass().InheritsFrom(TProduction::StaticClass()));
    EXPECT_FALSE(TTerminal::StaticClass().InheritsFrom(TProduction::StaticClass()));
    EXPECT_STREQ(TIdList::StaticClass().Name, "TIdList");
    grammar = std::make_unique<TToyGrammar>();
    EXPECT_THROW(TTerminal::StaticClass().Create(grammar.get()), rtl::EAssertionFailed);
    TSymbol* s = TIdList::StaticClass().Create(grammar.get(), false);
    EXPECT_TRUE(s->Is<TIdList>());
    EXPECT_FALSE(s->Required());
    EXPECT_EQ(s->GetGrammar(), grammar.get());
    EXPECT_EQ(s->EndIndex(), -1);
    EXPECT_STREQ(s->Name(), "TIdList");
    auto made = TToyGrammar::StaticClass().NewGrammar();
    EXPECT_TRUE(made->Is<TToyGrammar>());
}

// Statements "SET name = expression;" over an expression ladder, with the statement list nesting
// one level per statement, as stored routines are parsed.
class TExpr;
class TPrimary : public TProduction {
    PARSER_SYMBOL_CLASS(TPrimary, TProduction)
    PARSER_RULE(Choice);
};
class TMul : public TProduction {
    PARSER_SYMBOL_CLASS(TMul, TProduction)
    PARSER_RULE(Choice);
};
class TMulOp : public TProduction {
    PARSER_SYMBOL_CLASS(TMulOp, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TPrimary>().ConstOr("* /").Add<TMul>(); }
};
class TAddOp;
class TExpr : public TProduction {
    PARSER_SYMBOL_CLASS(TExpr, TProduction)
    PARSER_RULE(Choice);
};
class TAddOp : public TProduction {
    PARSER_SYMBOL_CLASS(TAddOp, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TMul>().ConstOr("+ -").Add<TExpr>(); }
};
class TCompare : public TProduction {
    PARSER_SYMBOL_CLASS(TCompare, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TExpr>().ConstOr("= < >").Add<TExpr>(); }
};
class TCall : public TProduction {
    PARSER_SYMBOL_CLASS(TCall, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TIdentifierTerminal>().Const("(").Add<TExpr>().Const(")"); }
};
class TParenthesised : public TProduction {
    PARSER_SYMBOL_CLASS(TParenthesised, TProduction)
    PARSER_RULE(Sequence) { rule.Const("(").Add<TExpr>().Const(")"); }
};
void TPrimary::DefineRule(TRule& rule) {
    rule.Add<TNumericTerminal>()
        .Add<TCall>()
        .Add<TIdentifierTerminal>()
        .Add<TStringTerminal>()
        .Add<TParenthesised>();
}
void TMul::DefineRule(TRule& rule) {
    rule.Add<TMulOp>().Add<TPrimary>();
}
void TExpr::DefineRule(TRule& rule) {
    rule.Add<TAddOp>().Add<TMul>();
}
class TSetStatement : public TProduction {
    PARSER_SYMBOL_CLASS(TSetStatement, TProduction)
    PARSER_RULE(Sequence) {
        rule.Reserved("SET").Add<TIdentifierTerminal>().Const("=").Add<TExpr>().Const(";");
    }
};
class TIfStatement;
class TStatement : public TProduction {
    PARSER_SYMBOL_CLASS(TStatement, TProduction)
    PARSER_RULE(Choice);
};
class TStatementList : public TProduction {
    PARSER_SYMBOL_CLASS(TStatementList, TProduction)
    PARSER_RULE(Sequence) { rule.Add<TStatement>().Add<TStatementList>(kOptional); }
};
class TIfStatement : public TProduction {
    PARSER_SYMBOL_CLASS(TIfStatement, TProduction)
    PARSER_RULE(Sequence) {
        rule.Reserved("IF")
            .Add<TCompare>()
            .Reserved("THEN")
            .Add<TStatementList>()
            .ReservedSeq("END IF")
            .Const(";");
    }
};
void TStatement::DefineRule(TRule& rule) {
    rule.Add<TSetStatement>().Add<TIfStatement>();
}
class TRoutineGrammar : public TGrammar {
    PARSER_GRAMMAR_CLASS(TRoutineGrammar, TGrammar)
    PARSER_RULE(Sequence) { rule.Reserved("BEGIN").Add<TStatementList>().Reserved("END"); }
    void ConfigureTokenizer(TTokenizer& tokenizer) override { tokenizer.StringQuotes().AddQuote("'"); }
};

// Parses a routine of `statements` statements in one block; answers the symbols it kept.
int ParseRoutine(int statements) {
    std::u16string text = u"BEGIN\n";
    for (int i = 0; i < statements; ++i) {
        if (i % 10 == 0)
            text += u"  IF a < f(b) + 1 THEN SET x = 'y'; END IF;\n";
        else
            text += u"  SET v = (a + b * 2 - f(c / 3)) * d + 'x';\n";
    }
    text += u"END";
    TRoutineGrammar grammar;
    int furthest = -1;
    auto started = std::chrono::steady_clock::now();
    GrammarParserCache().GetParser<TRoutineGrammar>().Parse(grammar, text, furthest);
    auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(furthest, grammar.Tokens().Count() - 1);
    std::printf("%d statements, %d tokens: %d symbols, %.3f s\n", statements, grammar.Tokens().Count(),
                grammar.SymbolCount(), elapsed);
    return grammar.SymbolCount();
}

// Releasing to a mark and allocating again, across blocks kept from earlier releases that are too
// small for what comes: live allocations never overlap and keep what was written into them.
TEST(SymbolStorage, MarksSurviveBlocksKeptAndAdded) {
    TSymbolStorage storage;
    struct TLive {
        std::byte* data;
        size_t size;
        std::byte fill;
    };
    std::vector<TLive> live;
    auto allocate = [&](size_t size) {
        auto* data = static_cast<std::byte*>(storage.allocate(size, 16));
        const auto fill = static_cast<std::byte>(live.size() + 1);
        std::memset(data, static_cast<int>(fill), size);
        live.push_back({data, size, fill});
    };
    auto release = [&](TSymbolStorage::TMark mark, size_t keep) {
        storage.Release(mark);
        live.resize(keep);
    };
    auto check = [&] {
        for (size_t i = 0; i < live.size(); ++i) {
            for (size_t k = 0; k < live[i].size; ++k)
                ASSERT_EQ(live[i].data[k], live[i].fill) << "allocation " << i;
            for (size_t j = 0; j < i; ++j)
                EXPECT_TRUE(live[i].data >= live[j].data + live[j].size ||
                            live[j].data >= live[i].data + live[i].size);
        }
    };

    const auto empty = storage.Mark();
    allocate(100);
    const auto first = storage.Mark();
    allocate(12 * 1024);
    allocate(20 * 1024); // a second block
    allocate(40 * 1024); // a third
    release(first, 1);
    check();
    allocate(8 * 1024);
    allocate(150 * 1024); // larger than the blocks kept: a new one before them
    allocate(30 * 1024);
    check();
    release(empty, 0);
    for (size_t size : {size_t{16 * 1024}, size_t{40 * 1024}, size_t{300 * 1024}, size_t{64}})
        allocate(size);
    check();
}

TEST(GrammarScale, LongRoutineCostsLinearly) {
    // 5000 statements in one block nest 5000 statement lists deep.
    int small = ParseRoutine(1000);
    int large = ParseRoutine(5000);
    EXPECT_LT(large, small * 11 / 2);
}

} // namespace
} // namespace parser
