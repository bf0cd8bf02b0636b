#include "parser/uCommonSQLGrammar.h"

#include "parser/uParser.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLRoutines.h"
#include "parser/uSQLStatements.h"
#include "parser/uTokenizer.h"
#include "platform/rtl/StringList.h"

namespace parser {

const TCommonObjectBuilder& TSQLProduction::Builder() const {
    return SQLGrammarOf(*this).ObjectBuilder();
}

TCommonSQLGrammar& SQLGrammarOf(const TSymbol& symbol) {
    auto* grammar = dynamic_cast<TCommonSQLGrammar*>(symbol.GetGrammar());
    if (!grammar) throw EInvalidCast("Invalid class typecast");
    return *grammar;
}

// ---- TCommonSQLGrammar

TCommonSQLGrammar::TCommonSQLGrammar() = default;
TCommonSQLGrammar::~TCommonSQLGrammar() = default;

const TCommonObjectBuilder& TCommonSQLGrammar::ObjectBuilder() const {
    if (!objectBuilder_) objectBuilder_ = ObjectBuilderClass()();
    return *objectBuilder_;
}

TObjectBuilderClass TCommonSQLGrammar::ObjectBuilderClass() const {
    return &NewObjectBuilder<TCommonObjectBuilder>;
}

void TCommonSQLGrammar::GetCompositeOperations(std::vector<std::string>& list) const {
    list = {"<>", "!=", "::", ">=", "<=", "->", "==", ":=", "<<", ">>", "||"};
}

void TCommonSQLGrammar::ConfigureTokenizer(TTokenizer& tokenizer) {
    tokenizer.StringQuotes().Clear();
    tokenizer.StringQuotes().AddQuote("'");
    tokenizer.StringQuotes().AddQuote("\"");
    std::vector<std::string> operations;
    GetCompositeOperations(operations);
    tokenizer.CompositeOperations().clear();
    for (std::string& text : operations)
        tokenizer.CompositeOperations().push_back({std::move(text)});
}

void TCommonSQLGrammar::DefineRule(TRule& rule) {
    const TCommonObjectBuilder& builder = ObjectBuilder();
    switch (parseMode_) {
    case pmDefault:
        // A text that is both a statement and an expression is a statement.
        rule.Add<TgrmCreateProcedure>()
            .Add<TgrmCreateFunction>()
            .Add(builder.StatementClass())
            .Add<TExpression>()
            .Add(builder.SQLStatementClass());
        break;
    case pmRoutineHeader:
        rule.Add<TgrmRoutineHeader>();
        break;
    case pmExpression:
        rule.Add<TExpression>();
        break;
    case pmStatements:
        rule.Add<TgrmCreateProcedure>().Add<TgrmCreateFunction>().Add(builder.StatementClass());
        break;
    case pmCreateFunction:
        rule.Add<TgrmCreateFunction>();
        break;
    case pmCreateProcedure:
        rule.Add<TgrmCreateProcedure>();
        break;
    case pmStatement:
        rule.Add(builder.StatementClass());
        break;
    case pmBranch:
        rule.Add<TgrmCreateProcedure>()
            .Add<TgrmCreateFunction>()
            .Add(builder.StatementClass())
            .Add<TCaseStatementElse>()
            .Add<TCaseStatementWhenChain>()
            .Add<TELSEIFChain>();
        break;
    default:
        break;
    }
}

// ---- productions

void TSQLStatement::DefineRule(TRule& rule) {
    const TCommonObjectBuilder& builder = Builder();
    rule.Add(builder.SelectStatementClass())
        .Add(builder.InsertStatementClass())
        .Add(builder.DeleteStatementClass())
        .Add(builder.UpdateStatementClass());
}

namespace commonsql {

void TIdentifierList::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>().Const(",").Add<TIdentifierList>();
}

void TIdentifierList::GetIdentifiers(rtl::TStringList& list) const {
    for (const TIdentifierList* items = this; items;) {
        const TIdentifierList* rest = nullptr;
        for (TSymbol* child : items->Children()) {
            if (auto* terminal = dynamic_cast<TIdentifierTerminal*>(child))
                list.AddObject(GetSymbolText(*terminal), terminal);
            else if (auto* nested = dynamic_cast<TIdentifierList*>(child))
                rest = nested;
        }
        items = rest;
    }
}

} // namespace commonsql

} // namespace parser
