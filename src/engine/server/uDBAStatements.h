// Statements of the server-side layer: server-side SQL, routine calls and cursors.
#pragma once

#include <memory>
#include <string>

#include "engine/model/uStatements.h"
#include "engine/server/uDBAExpressions.h"
#include "platform/data/DataSet.h"

namespace engine {

// Statements of the server-side layer.

class TDBAServerSideStatement;
class TDBAOpenCursor;
class TDBAFetchCursor;
class TDBACloseCursor;
class TDBASignal;
class TDBAResignal;

// An extension that a statement visitor implements to see the statements of the server-side layer;
// without it they reach the visitor's VisitStatement.
class IDBAStatementVisitor {
public:
    virtual ~IDBAStatementVisitor() = default;
    virtual void VisitServerSideStatement(const std::shared_ptr<TDBAServerSideStatement>& statement) = 0;
    virtual void VisitOpenCursor(const std::shared_ptr<TDBAOpenCursor>& statement) = 0;
    virtual void VisitFetchCursor(const std::shared_ptr<TDBAFetchCursor>& statement) = 0;
    virtual void VisitCloseCursor(const std::shared_ptr<TDBACloseCursor>& statement) = 0;
    virtual void VisitSignal(const std::shared_ptr<TDBASignal>& statement) = 0;
    virtual void VisitResignal(const std::shared_ptr<TDBAResignal>& statement) = 0;
};

// An SQL statement that the server executes: its text, with session variable names in place of the
// local variables, and those variables in order of first use.
class TDBAServerSideStatement : public TCustomStatement {
public:
    // Keeps a copy of the list.
    TDBAServerSideStatement(std::shared_ptr<IDebugInfo> debugInfo, std::u16string text,
                            const TDBAVariables& variables, const TDBAVariables& targets);

    void Accept(TStatementVisitor& visitor) override;
    const std::u16string& Text() const { return text_; }
    const TDBAVariables& Variables() const { return variables_; }
    // The variables the statement can write (INTO and SET targets), which alone are read back.
    const TDBAVariables& Targets() const { return targets_; }

private:
    std::u16string text_;
    TDBAVariables variables_{false};
    TDBAVariables targets_{false};
};

// CALL with the routine name as written; the compiler appends the arguments to GetArguments.
class TDBARoutineCall : public TCustomStatement, public virtual IRoutineCall {
public:
    TDBARoutineCall(std::shared_ptr<IDebugInfo> debugInfo, std::string routineName);

    void Accept(TStatementVisitor& visitor) override;
    std::string GetRoutineName() const override { return routineName_; }
    std::shared_ptr<IExpressionList> GetArguments() const override { return arguments_; }

private:
    std::string routineName_;
    std::shared_ptr<IExpressionList> arguments_;
};

// A declared cursor: its query, made when the routine is compiled and opened by OPEN, and the
// mirrored variables its SELECT uses. It belongs to its block.
class TDBACursor {
public:
    TDBACursor(std::string name, std::unique_ptr<data::TDataSet> dataSet, const TDBAVariables& variables);

    const std::string& Name() const { return name_; }
    data::TDataSet& DataSet() const { return *dataSet_; }
    const TDBAVariables& Variables() const { return variables_; }

private:
    std::string name_;
    std::unique_ptr<data::TDataSet> dataSet_;
    TDBAVariables variables_{false};
};

// OPEN, FETCH or CLOSE of a cursor, which its block keeps alive.
class TDBACursorOperation : public TCustomStatement {
public:
    TDBACursorOperation(std::shared_ptr<IDebugInfo> debugInfo, TDBACursor* cursor);

    TDBACursor& Cursor() const { return *cursor_; }

private:
    TDBACursor* cursor_;
};

class TDBAOpenCursor : public TDBACursorOperation {
public:
    using TDBACursorOperation::TDBACursorOperation;
    void Accept(TStatementVisitor& visitor) override;
};

class TDBACloseCursor : public TDBACursorOperation {
public:
    using TDBACursorOperation::TDBACursorOperation;
    void Accept(TStatementVisitor& visitor) override;
};

class TDBAFetchCursor : public TDBACursorOperation {
public:
    using TDBACursorOperation::TDBACursorOperation;

    void Accept(TStatementVisitor& visitor) override;
    // The INTO targets in order; one variable may be named twice.
    TDBAVariables& Targets() { return targets_; }
    const TDBAVariables& Targets() const { return targets_; }

private:
    TDBAVariables targets_{true};
};

// SIGNAL and RESIGNAL.
class TDBACustomSignal : public TCustomStatement {
public:
    // The SQLSTATE is empty for a RESIGNAL that names none; either expression may be null.
    TDBACustomSignal(std::shared_ptr<IDebugInfo> debugInfo, std::string sqlState,
                     std::shared_ptr<IExpression> errorNumber, std::shared_ptr<IExpression> messageText);

    const std::string& SQLState() const { return sqlState_; }
    // MYSQL_ERRNO.
    const std::shared_ptr<IExpression>& ErrorNumber() const { return errorNumber_; }
    // MESSAGE_TEXT.
    const std::shared_ptr<IExpression>& MessageText() const { return messageText_; }

private:
    std::string sqlState_;
    std::shared_ptr<IExpression> errorNumber_;
    std::shared_ptr<IExpression> messageText_;
};

class TDBASignal : public TDBACustomSignal {
public:
    using TDBACustomSignal::TDBACustomSignal;
    void Accept(TStatementVisitor& visitor) override;
};

class TDBAResignal : public TDBACustomSignal {
public:
    using TDBACustomSignal::TDBACustomSignal;
    void Accept(TStatementVisitor& visitor) override;
};

} // namespace engine
