#include "engine/uCompiler.h"

#include "engine/uExpressionBuilder.h"
#include "engine/uStatementBuilder.h"
#include "engine/uStatements.h"
#include "parser/uCommonSQLGrammar.h"
#include "parser/uParser.h"
#include "platform/rtl/Format.h"

namespace engine {

namespace {

const parser::TToken& EdgeToken(const parser::TSymbol& symbol, bool last) {
    const parser::TToken* token =
        last ? parser::ParserFactory().LastToken(&symbol) : parser::ParserFactory().FirstToken(&symbol);
    RTL_ASSERT_MSG(token, "A compile error needs the tokens of its symbol");
    return *token;
}

// A grammar of the class, parsed from the text in the mode.
std::unique_ptr<parser::TGrammar> Parse(std::u16string_view text, const parser::TGrammarClass& grammarClass,
                                        parser::TParseMode mode) {
    parser::TGrammarParser& parser = parser::GrammarParserCache().GetParser(grammarClass);
    std::unique_ptr<parser::TGrammar> grammar = grammarClass.NewGrammar();
    auto* sqlGrammar = dynamic_cast<parser::TCommonSQLGrammar*>(grammar.get());
    RTL_ASSERT_MSG(sqlGrammar, "The compiler reads SQL grammars");
    sqlGrammar->SetParseMode(mode);
    parser.Parse(*grammar, text);
    return grammar;
}

} // namespace

ECompileError::ECompileError(std::string message, const parser::TSymbol& symbol)
    : ECompileError(std::move(message), EdgeToken(symbol, false).StartPosition(),
                    EdgeToken(symbol, true).EndPosition()) {}

EUndeclaredIdentifierCompileError::EUndeclaredIdentifierCompileError(std::string_view name,
                                                                     const parser::TSymbol& symbol)
    : ECompileError(rtl::Format("Undeclared identifier: '%s'", name), symbol) {}

ENotAllowed::ENotAllowed(const parser::TSymbol& symbol)
    : ECompileError(rtl::Format("'%s' is not allowed here", parser::GetSourceText(symbol, false, true)),
                    symbol) {}

void RaiseCompileError(const std::string& message, const parser::TSymbol& symbol) {
    throw ECompileError(message, symbol);
}

void RaiseNotAllowed(const parser::TSymbol& symbol) {
    throw ENotAllowed(symbol);
}

void RaiseUnknownSymbol(const parser::TSymbol& symbol) {
    RaiseCompileError(rtl::Format("Unknown symbol %s[%s]", symbol.Name(), parser::GetSymbolText(symbol)),
                      symbol);
}

std::shared_ptr<ISymbol> ResolveSymbol(const IBlock& block, std::string_view name,
                                       const parser::TSymbol& symbol) {
    auto found = block.FindSymbol(name);
    if (!found) throw EUndeclaredIdentifierCompileError(name, symbol);
    return found;
}

std::shared_ptr<IExpression> CompileExpression(std::u16string_view text,
                                               const parser::TGrammarClass& grammarClass,
                                               TExpressionBuilder& builder) {
    const auto grammar = Parse(text, grammarClass, parser::pmExpression);
    return builder.Build(*grammar);
}

void CompileStatements(std::u16string_view text, const parser::TGrammarClass& grammarClass,
                       TStatementBuilder& builder) {
    const auto grammar = Parse(text, grammarClass, parser::pmStatements);
    builder.Build(*grammar);
}

} // namespace engine
