// Builds expression trees from parsed SQL expressions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/local/uCompiler.h"
#include "engine/local/uProgram.h"
#include "engine/model/uDataValueManager.h"
#include "engine/model/uExpressions.h"
#include "engine/model/uStatements.h"
#include "parser/uSQLProductionVisitor.h"

namespace engine {

// The binary operator written as `text`: words ignoring case, symbols exactly. Any other text is a
// compile error "Unknown operator %s" at the symbol.
std::uint8_t OperatorCode(std::string_view text, const parser::TSymbol& symbol);

// Builds the model of one expression from its parse tree, resolving names in the block the
// expression stands in. Every operand is built by a nested builder, so a builder produces exactly
// one node. A construct without a model here is the compile error "Unknown symbol %s[%s]"; the
// server-side builder derives from this class and takes over what only the server evaluates.
class TExpressionBuilder : public parser::TSQLProductionVisitor {
public:
    // The program must outlive the builder. The block may be null for an expression that names
    // nothing.
    TExpressionBuilder(TProgram& program, std::shared_ptr<IBlock> block);

    std::shared_ptr<IExpression> Build(parser::TSymbol& symbol);

    // A new builder of this class over the same program and block.
    virtual std::unique_ptr<TExpressionBuilder> CreateNestedBuilder();
    // What a name in an expression stands for: the variable the block or an enclosing one declares.
    virtual std::shared_ptr<IExpression> ResolveIdentifier(const std::string& name,
                                                           const parser::TSymbol& symbol);
    // What a name that is assigned to stands for.
    virtual std::shared_ptr<IExpression> ResolveAssignable(const std::string& name,
                                                           const parser::TSymbol& symbol);

    void VisitSymbol(parser::TSymbol* symbol) override;
    void VisitGrammar(parser::TGrammar* grammar) override;
    void VisitTextTerminal(parser::TTextTerminal* terminal) override;
    void VisitNumericTerminal(parser::TNumericTerminal* terminal) override;
    void VisitHexadecimalTerminal(parser::THexadecimalTerminal* terminal) override;
    void VisitBinaryTerminal(parser::TBinaryTerminal* terminal) override;
    void VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) override;

    void VisitIdentifier(parser::TSQLProduction* production) override;
    void VisitExpressionTuple(parser::TSQLProduction* production) override;
    void VisitCaseClause(parser::TSQLProduction* production) override;
    void VisitCaseWhen(parser::TSQLProduction* production) override;
    void VisitAddBinaryExp(parser::TSQLProduction* production) override;
    void VisitMultExp_01(parser::TSQLProduction* production) override;
    void VisitComparisonExp(parser::TSQLProduction* production) override;
    void VisitBitBinaryExp(parser::TSQLProduction* production) override;
    void VisitOrOperation(parser::TSQLProduction* production) override;
    void VisitAndOperation(parser::TSQLProduction* production) override;
    void VisitXOROperation(parser::TSQLProduction* production) override;
    void VisitBetweenExp(parser::TSQLProduction* production) override;
    void VisitNegateExp(parser::TSQLProduction* production) override;
    void VisitPositiveExp(parser::TSQLProduction* production) override;
    void VisitNotExp(parser::TSQLProduction* production) override;
    void VisitBitUnaryExp(parser::TSQLProduction* production) override;
    void VisitLiteralTrue(parser::TSQLProduction* production) override;
    void VisitLiteralFalse(parser::TSQLProduction* production) override;
    void VisitLiteralNull(parser::TSQLProduction* production) override;
    void VisitLiteralDefault(parser::TSQLProduction* production) override;
    void VisitIsExp(parser::TSQLProduction* production) override;
    void VisitGrmAssignationExpression(parser::TSQLProduction* production) override;
    void VisitStringLiteral(parser::TSQLProduction* production) override;
    void VisitInExp(parser::TSQLProduction* production) override;
    void VisitGrmCustomTypeCast(parser::TSQLProduction* production) override;

protected:
    TProgram& Program() const { return program_; }
    const std::shared_ptr<IBlock>& Block() const { return block_; }
    const TDataValueManager& ValueFactory() const { return program_.ValueFactory(); }

    // The node of a sub-expression, built by a nested builder.
    std::shared_ptr<IExpression> BuildOperand(parser::TSymbol& symbol);
    // The one node of this builder; setting it twice is an internal error.
    void SetResult(std::shared_ptr<IExpression> expression);
    void SetLiteral(std::shared_ptr<core::IRODataValue> value);

private:
    // Operands children 0 and 2.
    void BuildBinary(parser::TSQLProduction& production, std::uint8_t op);
    // The operator and its operand, or, for a plain operand, the operand itself.
    void BuildUnary(parser::TSQLProduction& production, std::uint8_t op);

    TProgram& program_;
    std::shared_ptr<IBlock> block_;
    std::shared_ptr<IExpression> result_;
};

} // namespace engine
