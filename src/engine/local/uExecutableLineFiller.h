// Collects the lines of a routine where a run can stop.
#pragma once

#include <memory>

#include "core/uContainers.h"
#include "engine/model/uStatements.h"

namespace engine {

// Collects the lines of a routine where the statement interpreter calls a debugger hook, so where
// a run can stop: the first line of every statement, and the BEGIN and END lines of every block.
// Lines are kept in the order they are found, depth first, each once; statements without a position
// add nothing.
class TExecutableLineFiller : public TStatementVisitor {
public:
    // The list must outlive the filler.
    explicit TExecutableLineFiller(core::TIntegerList& lines) : lines_(lines) {}

    void VisitStatement(const std::shared_ptr<IStatement>& statement) override;
    void VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& statement) override;
    void VisitCondition(const std::shared_ptr<ICondition>& statement) override;
    void VisitConditionChain(const std::shared_ptr<IConditionChain>& statement) override;
    void VisitWhile(const std::shared_ptr<IWhile>& statement) override;
    void VisitCase(const std::shared_ptr<ICase>& statement) override;
    void VisitBlock(const std::shared_ptr<IBlock>& statement) override;
    void VisitLoop(const std::shared_ptr<ILoop>& statement) override;
    void VisitRepeat(const std::shared_ptr<IRepeat>& statement) override;

protected:
    // Adds the line unless it is below 1 or already listed.
    void AddLine(int line);
    void AddBeginLine(const IStatement& statement);
    void Visit(const std::shared_ptr<IStatement>& statement);

private:
    core::TIntegerList& lines_;
};

} // namespace engine
