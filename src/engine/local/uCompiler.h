// The compiler's entry points from parsed SQL to expressions and statements, and its errors.
#pragma once

// The compiler's entry points and its errors. A compile error carries the character range of the
// symbol it is about, which the editor selects.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/model/uExpressions.h"
#include "engine/model/uLineBreaks.h"
#include "parser/uGrammar.h"
#include "platform/rtl/Exception.h"

namespace engine {

class IBlock;
class TExpressionBuilder;
class TStatementBuilder;

// A construct that cannot be compiled, at the range of the offending symbol in the compiled text:
// from the start of its first token to the end of its last, in UTF-16 characters.
class ECompileError : public rtl::Exception {
public:
    // The symbol must have matched tokens.
    ECompileError(std::string message, const parser::TSymbol& symbol);
    ECompileError(std::string message, std::int32_t startPosition, std::int32_t endPosition)
        : rtl::Exception(std::move(message)), endPosition_(endPosition), startPosition_(startPosition) {}
    const char* ClassName() const override { return "ECompileError"; }

    std::int32_t StartPosition() const { return startPosition_; }
    std::int32_t EndPosition() const { return endPosition_; }

private:
    std::int32_t endPosition_;
    std::int32_t startPosition_;
};

// "Undeclared identifier: '%s'", with the name as written.
class EUndeclaredIdentifierCompileError : public ECompileError {
public:
    EUndeclaredIdentifierCompileError(std::string_view name, const parser::TSymbol& symbol);
    const char* ClassName() const override { return "EUndeclaredIdentifierCompileError"; }
};

// "'%s' is not allowed here", with the statement's text as written, comments included.
class ENotAllowed : public ECompileError {
public:
    explicit ENotAllowed(const parser::TSymbol& symbol);
    const char* ClassName() const override { return "ENotAllowed"; }
};

[[noreturn]] void RaiseCompileError(const std::string& message, const parser::TSymbol& symbol);
[[noreturn]] void RaiseNotAllowed(const parser::TSymbol& symbol);
// "Unknown symbol %s[%s]": a construct the builder has no model for.
[[noreturn]] void RaiseUnknownSymbol(const parser::TSymbol& symbol);
// The symbol the block or an enclosing one declares under the name; "Undeclared identifier" at the
// symbol otherwise.
std::shared_ptr<ISymbol> ResolveSymbol(const IBlock& block, std::string_view name,
                                       const parser::TSymbol& symbol);

// Runs a reading of the tree that may fail with a plain error (an unknown type or character set,
// a number out of range) and reports such an error at the symbol it concerns.
template <class Action>
auto AtSymbol(const parser::TSymbol& symbol, Action&& action) -> decltype(action()) {
    try {
        return action();
    } catch (const ECompileError&) {
        throw;
    } catch (const rtl::Exception& error) {
        throw ECompileError(error.Message(), symbol);
    }
}

// Compiles the text as one expression of the grammar (watches, evaluation, breakpoint conditions).
// A syntax error raises parser::EGrammarError.
std::shared_ptr<IExpression> CompileExpression(std::u16string_view text,
                                               const parser::TGrammarClass& grammarClass,
                                               TExpressionBuilder& builder);
// Compiles a routine text, a CREATE PROCEDURE or CREATE FUNCTION text, or statements, into what the
// builder builds. The text has CR LF line breaks; the pieces of it that the builder takes (literals,
// statements for the server) carry the given line breaks instead.
void CompileStatements(std::u16string_view text, const parser::TGrammarClass& grammarClass,
                       TStatementBuilder& builder, const TLineBreaks* lineBreaks = nullptr);

} // namespace engine
