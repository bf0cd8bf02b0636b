#include "engine/server/uDBAStatements.h"

#include "platform/rtl/Exception.h"

namespace engine {

namespace {

// The statement's own operation when the visitor implements the extension, else its generic one.
template <class Statement>
void AcceptExtension(TStatementVisitor& visitor, const std::shared_ptr<Statement>& statement,
                     void (IDBAStatementVisitor::*operation)(const std::shared_ptr<Statement>&)) {
    if (auto* extension = dynamic_cast<IDBAStatementVisitor*>(&visitor))
        (extension->*operation)(statement);
    else
        visitor.VisitStatement(statement);
}

} // namespace

TDBAServerSideStatement::TDBAServerSideStatement(std::shared_ptr<IDebugInfo> debugInfo, std::u16string text,
                                                 const TDBAVariables& variables, const TDBAVariables& targets)
    : TCustomStatement(std::move(debugInfo)), text_(std::move(text)) {
    variables_.Assign(variables);
    targets_.Assign(targets);
}

void TDBAServerSideStatement::Accept(TStatementVisitor& visitor) {
    AcceptExtension(visitor, SharedSelf(this), &IDBAStatementVisitor::VisitServerSideStatement);
}

TDBARoutineCall::TDBARoutineCall(std::shared_ptr<IDebugInfo> debugInfo, std::string routineName)
    : TCustomStatement(std::move(debugInfo)), routineName_(std::move(routineName)),
      arguments_(std::make_shared<TExpressionList>()) {}

void TDBARoutineCall::Accept(TStatementVisitor& visitor) {
    visitor.VisitRoutineCall(SharedSelf(this));
}

TDBACursor::TDBACursor(std::string name, std::unique_ptr<data::TDataSet> dataSet,
                       const TDBAVariables& variables)
    : name_(std::move(name)), dataSet_(std::move(dataSet)) {
    RTL_ASSERT(dataSet_);
    variables_.Assign(variables);
}

TDBACursorOperation::TDBACursorOperation(std::shared_ptr<IDebugInfo> debugInfo, TDBACursor* cursor)
    : TCustomStatement(std::move(debugInfo)), cursor_(cursor) {
    RTL_ASSERT(cursor_);
}

void TDBAOpenCursor::Accept(TStatementVisitor& visitor) {
    AcceptExtension(visitor, SharedSelf(this), &IDBAStatementVisitor::VisitOpenCursor);
}

void TDBACloseCursor::Accept(TStatementVisitor& visitor) {
    AcceptExtension(visitor, SharedSelf(this), &IDBAStatementVisitor::VisitCloseCursor);
}

void TDBAFetchCursor::Accept(TStatementVisitor& visitor) {
    AcceptExtension(visitor, SharedSelf(this), &IDBAStatementVisitor::VisitFetchCursor);
}

TDBACustomSignal::TDBACustomSignal(std::shared_ptr<IDebugInfo> debugInfo, std::string sqlState,
                                   std::shared_ptr<IExpression> errorNumber,
                                   std::shared_ptr<IExpression> messageText)
    : TCustomStatement(std::move(debugInfo)), sqlState_(std::move(sqlState)),
      errorNumber_(std::move(errorNumber)), messageText_(std::move(messageText)) {}

void TDBASignal::Accept(TStatementVisitor& visitor) {
    AcceptExtension(visitor, SharedSelf(this), &IDBAStatementVisitor::VisitSignal);
}

void TDBAResignal::Accept(TStatementVisitor& visitor) {
    AcceptExtension(visitor, SharedSelf(this), &IDBAStatementVisitor::VisitResignal);
}

} // namespace engine
