#pragma once

// Parsing with the MySQL grammar and reading the trees, for the grammar tests.

#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "platform/rtl/Utf.h"

#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace parser::testing {

// Raises EGrammarError for a text that does not match.
inline std::unique_ptr<TMySqlGrammar> ParseMySql(std::string_view text, uint8_t mode = pmExpression) {
    auto grammar = std::make_unique<TMySqlGrammar>();
    grammar->SetParseMode(mode);
    GrammarParserCache().GetParser<TMySqlGrammar>().Parse(*grammar, rtl::Utf8ToUtf16(text));
    return grammar;
}

// The syntax error of a text, or "" when it parses.
inline std::string SyntaxError(std::string_view text, uint8_t mode = pmExpression) {
    try {
        ParseMySql(text, mode);
    } catch (const EGrammarError& e) {
        return e.Message();
    }
    return {};
}

// A MySQL grammar whose root is one production class, for the parts no parse mode reaches alone.
class TRootedMySqlGrammar : public TMySqlGrammar {
    PARSER_GRAMMAR_CLASS(TRootedMySqlGrammar, TMySqlGrammar)
    const TSymbolClass* root = nullptr;
    void DefineRule(TRule& rule) override { rule.Add(*root); }
};

template <class Root>
std::unique_ptr<TRootedMySqlGrammar> ParseAs(std::string_view text, bool tolerant = false) {
    auto grammar = std::make_unique<TRootedMySqlGrammar>();
    grammar->root = &Root::StaticClass();
    grammar->SetTolerant(tolerant);
    GrammarParserCache().GetParser<TMySqlGrammar>().Parse(*grammar, rtl::Utf8ToUtf16(text));
    return grammar;
}

template <class Root>
Root& RootOf(TGrammar& grammar) {
    auto* root = dynamic_cast<Root*>(grammar.Children()[0]);
    if (!root) throw std::runtime_error("root is not a " + std::string(Root::StaticClass().Name));
    return *root;
}

// The first symbol of the class in the tree, depth first; fails the test when there is none.
template <class T>
T& Find(const TProduction& tree) {
    T* found = FindChildSymbol<T>(tree);
    if (!found) throw std::runtime_error("no " + std::string(T::StaticClass().Name) + " in the tree");
    return *found;
}

inline std::string Text(const TSymbol* symbol) {
    return symbol ? GetSymbolText(*symbol) : std::string("<none>");
}

// The classes that stand for one operation of an expression.
inline bool IsOperationNode(const TSymbol& symbol) {
    for (const TSymbolClass* cls :
         {&TOrOperation::StaticClass(), &TXOROperation::StaticClass(), &TAndOperation::StaticClass(),
          &TNotExp::StaticClass(), &TIsExp::StaticClass(), &TDistinctExp::StaticClass(),
          &TComparisonExp::StaticClass(), &TInExp::StaticClass(), &TBetweenExp::StaticClass(),
          &TgrmLikeExp::StaticClass(), &TgrmRegexpExpression::StaticClass(), &TBitBinaryExp::StaticClass(),
          &TgrmDateTimeBinaryExp::StaticClass(), &TAddBinaryExp::StaticClass(), &TMultExp_01::StaticClass(),
          &TNegateExp::StaticClass(), &TPositiveExp::StaticClass(), &TBitUnaryExp::StaticClass()}) {
        if (&symbol.ClassType() == cls) return true;
    }
    return false;
}

// The expression with every operation in parentheses, as the tree groups it: operations show their
// parts separated by blanks, single-child levels pass through, and anything else is its source.
inline std::string Grouped(const TSymbol& symbol) {
    const auto* production = dynamic_cast<const TProduction*>(&symbol);
    if (production && production->Children().Count() == 1) return Grouped(*production->Children()[0]);
    if (production && IsOperationNode(symbol)) {
        std::string text = "(";
        for (const TSymbol* child : production->Children()) {
            if (text.size() > 1) text += ' ';
            text += Grouped(*child);
        }
        return text + ")";
    }
    return GetSourceText(symbol, true, false);
}

inline std::string GroupedExpression(std::string_view text) {
    return Grouped(*ParseMySql(text));
}

} // namespace parser::testing
