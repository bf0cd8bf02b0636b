#include "engine/local/uCompiler.h"

#include "engine/local/uExpressionBuilder.h"
#include "engine/local/uStatementBuilder.h"
#include "engine/model/uStatements.h"
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

// Token texts with the text's own line breaks; positions stay those of the CR LF text.
void RestoreLineBreaks(parser::TCompositeToken& tokens, const TLineBreaks& lineBreaks) {
    for (int i = 0; i < tokens.Count(); ++i) {
        parser::TToken& token = *tokens.Items(i);
        const std::string text = token.GetText();
        if (text.find('\n') == std::string::npos) continue;
        // Lines count from 1.
        token.SetText(WithLineBreaks(text, lineBreaks, static_cast<std::size_t>(token.Line() - 1)));
    }
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
                       TStatementBuilder& builder, const TLineBreaks* lineBreaks) {
    const auto grammar = Parse(text, grammarClass, parser::pmStatements);
    if (lineBreaks) RestoreLineBreaks(grammar->Tokens(), *lineBreaks);
    builder.Build(*grammar);
}

} // namespace engine
