// The expression builder of the server-side layer: which parts run on the server.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/local/uExpressionBuilder.h"
#include "engine/server/uDBAExpressions.h"

namespace engine {

class TDBAProgram;

// A server-side expression whose LIMIT or OFFSET counts are local variables. The server takes no
// variable there, so each count is written into the text as an integer literal when the expression
// runs; Text shows the counts by their session names.
class TDBALimitedServerSideExpression : public TDBAServerSideExpression {
public:
    // The text around the counts, one piece more than there are counts.
    TDBALimitedServerSideExpression(std::vector<std::string> pieces,
                                    std::vector<std::shared_ptr<TDBAVariable>> counts);

    // The text with the counts' current values.
    std::u16string RunText() const;

private:
    std::vector<std::string> pieces_;
    std::vector<std::shared_ptr<TDBAVariable>> counts_;
};

// The expression builder of the server-side program: built-in functions, sub-selects, LIKE, REGEXP,
// interval arithmetic and IN with a sub-select become expressions that the server evaluates from
// their SQL text; a call of any other function is a call of a stored function; "@name" is a user
// variable. Everything else is built locally.
class TDBAExpressionBuilder : public TExpressionBuilder {
public:
    // The block may be null; then server-side texts keep every name as written.
    TDBAExpressionBuilder(TDBAProgram& program, std::shared_ptr<IBlock> block);

    std::unique_ptr<TExpressionBuilder> CreateNestedBuilder() override;
    // Also the functions the server calls without parentheses, such as CURRENT_DATE, unless the
    // block declares the name.
    std::shared_ptr<IExpression> ResolveIdentifier(const std::string& name,
                                                   const parser::TSymbol& symbol) override;

    void VisitFunction(parser::TSQLProduction* production) override;
    // A comparison with ANY, SOME or ALL and a sub-select is the server's as a whole.
    void VisitComparisonExp(parser::TSQLProduction* production) override;
    void VisitInExp(parser::TSQLProduction* production) override;
    void VisitSelectTuple(parser::TSQLProduction* production) override;
    void VisitSelectStatement(parser::TSQLProduction* production) override;
    void VisitSubQuery(parser::TSQLProduction* production) override;
    void VisitGrmRegexpExpression(parser::TSQLProduction* production) override;
    void VisitGrmLikeExp(parser::TSQLProduction* production) override;
    void VisitGrmDateTimeBinaryExp(parser::TSQLProduction* production) override;
    void VisitGrmServerSideExpression(parser::TSQLProduction* production) override;

private:
    TDBAProgram& DBAProgram() const;
    void BuildServerSide(parser::TSymbol& symbol);
};

// "@name" as a user variable of the connection; null for any other name.
std::shared_ptr<IExpression> ResolveUserVariable(TDBAProgram& program, const std::string& name);

} // namespace engine
