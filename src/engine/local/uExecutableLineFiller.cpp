#include "engine/local/uExecutableLineFiller.h"

namespace engine {

void TExecutableLineFiller::AddLine(int line) {
    if (line >= 1 && !lines_.Contains(line)) lines_.Add(line);
}

void TExecutableLineFiller::AddBeginLine(const IStatement& statement) {
    AddLine(statement.GetDebugInfo()->GetBeginLine());
}

void TExecutableLineFiller::Visit(const std::shared_ptr<IStatement>& statement) {
    if (statement) statement->Accept(*this);
}

void TExecutableLineFiller::VisitStatement(const std::shared_ptr<IStatement>& statement) {
    AddBeginLine(*statement);
}

void TExecutableLineFiller::VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& statement) {
    for (int i = 0; i < statement->Count(); ++i)
        Visit(statement->GetStatement(i));
}

void TExecutableLineFiller::VisitCondition(const std::shared_ptr<ICondition>& statement) {
    // The condition shares the statement's line.
    AddBeginLine(*statement);
    Visit(statement->GetThen());
    Visit(statement->GetElse());
}

void TExecutableLineFiller::VisitConditionChain(const std::shared_ptr<IConditionChain>& statement) {
    VisitCondition(statement);
    for (int i = 0; i < statement->Count(); ++i)
        Visit(statement->GetItem(i)->GetStatement());
}

void TExecutableLineFiller::VisitWhile(const std::shared_ptr<IWhile>& statement) {
    AddBeginLine(*statement);
    Visit(statement->GetStatements());
}

void TExecutableLineFiller::VisitCase(const std::shared_ptr<ICase>& statement) {
    AddBeginLine(*statement);
    for (int i = 0; i < statement->Count(); ++i)
        Visit(statement->GetThen(i));
    Visit(statement->GetElse());
}

void TExecutableLineFiller::VisitBlock(const std::shared_ptr<IBlock>& statement) {
    // A block stops on entering (BEGIN) and on leaving (END).
    AddBeginLine(*statement);
    Visit(statement->GetStatements());
    AddLine(statement->GetDebugInfo()->GetEndLine());
}

void TExecutableLineFiller::VisitLoop(const std::shared_ptr<ILoop>& statement) {
    AddBeginLine(*statement);
    Visit(statement->GetStatements());
}

void TExecutableLineFiller::VisitRepeat(const std::shared_ptr<IRepeat>& statement) {
    // A REPEAT's line is its UNTIL line.
    AddBeginLine(*statement);
    Visit(statement->GetStatements());
}

} // namespace engine
