// Finds the local variables an SQL statement uses and writes its server-side text.
#pragma once

#include <memory>
#include <string>

#include "engine/model/uStatements.h"
#include "engine/server/uDBAExpressions.h"
#include "parser/uSQLProductionVisitor.h"

namespace engine {

class TDBAProgram;

// Whether the identifier is the count of a LIMIT or OFFSET.
bool IsLimitCount(const parser::TIdentifierTerminal& terminal);

// Finds the names in a parse tree that refer to mirrored local variables and renames their tokens,
// in the tree itself, to the variables' session variable names, so that the tree's source text is
// what the server runs. A reference is a bare name in an expression, a SET target or an INTO
// target; a qualified name, an UPDATE ... SET column, an INSERT column and the argument of VALUES()
// are the server's. Names the block does not declare as mirrored variables stay as written.
// A read becomes a CAST of the session variable to the declared type where CAST has that type, so
// that the server derives the same types from it; CALL arguments stay bare, as OUT arguments must. A
// select list item that reads a local is named as the server names it, by its text as written.
class TLocalVariableFinder : public parser::TSQLProductionVisitor {
public:
    // Each variable found is added to `variables` once. With `limitParameters`, a variable that
    // gives a LIMIT or OFFSET count becomes a "?" placeholder and is added there in placeholder
    // order, because the server takes no user variable in LIMIT; without it, it is renamed too.
    // `targets` gets the variables the statement may write: INTO and SET targets.
    TLocalVariableFinder(TDBAVariables& variables, std::shared_ptr<IBlock> block,
                         TDBAVariables* limitParameters = nullptr, TDBAProgram* program = nullptr,
                         TDBAVariables* targets = nullptr);

    void VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) override;
    // With a program, ROW_COUNT() and FOUND_ROWS() become the session names of its mirrors of them.
    void VisitFunction(parser::TSQLProduction* production) override;
    void VisitColumnItem(parser::TSQLProduction* production) override;
    void VisitRoutineCallStatement(parser::TSQLProduction* production) override;

private:
    TDBAVariables& variables_;
    std::shared_ptr<IBlock> block_;
    TDBAVariables* limitParameters_;
    TDBAProgram* program_;
    TDBAVariables* targets_;
    // How many references were renamed so far.
    int renamed_ = 0;
    bool insideCall_ = false;
};

// The source text of a statement or expression as the server must receive it, comments and line
// breaks kept: mirrored local variables renamed to their session names and collected into the list
// (without a block nothing is renamed). Where a LIMIT or OFFSET count is a local variable and
// `limitAsParameter` is set, the text is run as a prepared statement with the count as its
// parameter: EXECUTE IMMEDIATE '...' USING @name. With a program, the statement counts a routine
// reads are its mirrors of them; `targets`, where given, gets the variables the statement may write.
std::string ServerSideText(parser::TSymbol& symbol, const std::shared_ptr<IBlock>& block,
                           TDBAVariables& variables, bool limitAsParameter, TDBAProgram* program = nullptr,
                           TDBAVariables* targets = nullptr);

} // namespace engine
