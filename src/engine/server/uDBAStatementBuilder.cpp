#include "engine/server/uDBAStatementBuilder.h"

#include <charconv>
#include <vector>

#include "engine/local/uCompiler.h"
#include "engine/server/uDBAExpressionBuilder.h"
#include "engine/server/uDBAProgram.h"
#include "engine/server/uDBAStatements.h"
#include "engine/server/uLocalVariableFinder.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLRoutines.h"
#include "parser/uSQLSignals.h"
#include "parser/uSQLStatements.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

template <class T>
T& As(parser::TSQLProduction* production) {
    return static_cast<T&>(*production);
}

int ErrorCodeOf(const std::string& text, const parser::TSymbol& symbol) {
    int code = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (error != std::errc() || end != text.data() + text.size())
        RaiseCompileError(rtl::Format("'%s' is not a valid error code", text), symbol);
    return code;
}

} // namespace

TDBAStatementBuilder::TDBAStatementBuilder(TRoutine& routine, std::shared_ptr<ICompositeStatement> statements,
                                           std::shared_ptr<IBlock> block)
    : TStatementBuilder(routine, std::move(statements), std::move(block)) {
    RTL_ASSERT(dynamic_cast<TDBAProgram*>(&Program()));
    RTL_ASSERT(std::dynamic_pointer_cast<IDBABlock>(Block()));
}

TDBAProgram& TDBAStatementBuilder::DBAProgram() const {
    return static_cast<TDBAProgram&>(Program());
}

IDBABlock& TDBAStatementBuilder::DBABlock() const {
    return dynamic_cast<IDBABlock&>(*Block());
}

// ---- factory operations

std::shared_ptr<ISymbol>
TDBAStatementBuilder::CreateParameter(const std::string& name, std::shared_ptr<core::IRWDataValue> value,
                                      const parser::TgrmParameterDefinition& definition,
                                      TParameterScope scope) {
    switch (scope) {
    case psIn:
        return std::make_shared<TDBAInputParameter>(name, std::move(value));
    case psOut:
        return std::make_shared<TDBAOutputParameter>(name, std::move(value));
    case psInOut:
        return std::make_shared<TDBAInputOutputParameter>(name, std::move(value));
    }
    RaiseCompileError("Unknown parameter scope", definition);
}

std::shared_ptr<ISymbol>
TDBAStatementBuilder::CreateVariable(const std::string& name, std::shared_ptr<core::IRWDataValue> value,
                                     std::shared_ptr<IExpression> defaultExpression) {
    return std::make_shared<TDBAVariable>(name, core::NullDataValue(), std::move(value),
                                          std::move(defaultExpression));
}

std::unique_ptr<TExpressionBuilder>
TDBAStatementBuilder::CreateExpressionBuilder(const std::shared_ptr<IBlock>& block) {
    return std::make_unique<TDBAExpressionBuilder>(DBAProgram(), block);
}

std::unique_ptr<TStatementBuilder>
TDBAStatementBuilder::CreateNestedBuilder(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                                          std::shared_ptr<ICompositeStatement> statements) {
    return std::make_unique<TDBAStatementBuilder>(routine, std::move(statements), block);
}

std::shared_ptr<IBlock> TDBAStatementBuilder::CreateBlock(std::shared_ptr<IDebugInfo> debugInfo,
                                                          const std::shared_ptr<IBlock>& parent,
                                                          std::string label) {
    return std::make_shared<TDBABlock>(std::move(debugInfo), parent, std::move(label),
                                       &Program().IdentifierManager(), DBAProgram().Connection());
}

std::shared_ptr<IExpression> TDBAStatementBuilder::ResolveIdentifier(const std::string& name,
                                                                     const parser::TSymbol& symbol) {
    if (auto variable = ResolveUserVariable(DBAProgram(), name)) return variable;
    return TStatementBuilder::ResolveIdentifier(name, symbol);
}

std::shared_ptr<IExpression> TDBAStatementBuilder::ResolveAssignable(const std::string& name,
                                                                     const parser::TSymbol& symbol) {
    try {
        return TStatementBuilder::ResolveAssignable(name, symbol);
    } catch (const EUndeclaredIdentifierCompileError&) {
        const auto& connection = DBAProgram().Connection();
        auto* systemVariables = dynamic_cast<core::IDBASystemVariables*>(connection.get());
        if (!systemVariables || !systemVariables->IsSystemVariable(name)) throw;
        return std::make_shared<TDBASystemVariable>(name, connection);
    }
}

// ---- statements the server runs

void TDBAStatementBuilder::AddServerSideStatement(parser::TSQLProduction& production) {
    TDBAVariables variables(false);
    TDBAVariables targets(false);
    const std::string text = ServerSideText(production, Block(), variables, true, &DBAProgram(), &targets);
    AddStatement(std::make_shared<TDBAServerSideStatement>(DebugInfoOf(production), rtl::Utf8ToUtf16(text),
                                                           variables, targets));
}

void TDBAStatementBuilder::VisitSQLStatement(parser::TSQLProduction* production) {
    AddServerSideStatement(*production);
}

void TDBAStatementBuilder::VisitGrmSimpleServerSideStatement(parser::TSQLProduction* production) {
    AddServerSideStatement(*production);
}

void TDBAStatementBuilder::VisitGrmDishonestStatement(parser::TSQLProduction* production) {
    // A routine may not switch the database; the server refuses USE inside one.
    if (As<parser::TgrmDishonestStatement>(production).IsUse()) RaiseNotAllowed(*production);
    AddServerSideStatement(*production);
}

void TDBAStatementBuilder::VisitRoutineCallStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TRoutineCallStatement>(production);
    auto call = std::make_shared<TDBARoutineCall>(DebugInfoOf(statement), statement.GetRoutineName());
    std::vector<parser::TExpression*> arguments;
    statement.GetArguments(&arguments);
    for (parser::TExpression* argument : arguments)
        call->GetArguments()->Add(BuildExpression(*argument));
    AddStatement(call);
}

// ---- cursors

void TDBAStatementBuilder::VisitCursorDeclaration(parser::TSQLProduction* production) {
    // The query is made now, with its text as it will run; OPEN runs it.
    const auto& declaration = As<parser::TCursorDeclaration>(production);
    parser::TSelectStatement* select = declaration.GetSelect();
    RTL_ASSERT(select);
    TDBAVariables variables(false);
    const std::string text = ServerSideText(*select, Block(), variables, true, &DBAProgram());
    AtSymbol(declaration, [&] { return DBABlock().AddCursor(declaration.GetCursorName(), text, variables); });
}

TDBACursor* TDBAStatementBuilder::Cursor(parser::TSQLProduction& production) const {
    const std::string name = static_cast<const parser::TCursorOperation&>(production).GetCursorName();
    TDBACursor* cursor = DBABlock().FindCursor(name);
    if (!cursor) RaiseCompileError(rtl::Format("Undefined CURSOR: %s", name), production);
    return cursor;
}

void TDBAStatementBuilder::VisitOpenCursor(parser::TSQLProduction* production) {
    AddStatement(std::make_shared<TDBAOpenCursor>(DebugInfoOf(*production), Cursor(*production)));
}

void TDBAStatementBuilder::VisitCloseCursor(parser::TSQLProduction* production) {
    AddStatement(std::make_shared<TDBACloseCursor>(DebugInfoOf(*production), Cursor(*production)));
}

void TDBAStatementBuilder::VisitFetchCursor(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TFetchCursor>(production);
    auto fetch = std::make_shared<TDBAFetchCursor>(DebugInfoOf(statement), Cursor(*production));
    rtl::TStringList targets;
    statement.GetTargets(targets);
    for (int i = 0; i < targets.Count(); ++i) {
        const auto* terminal = static_cast<const parser::TSymbol*>(targets.Objects(i));
        const parser::TSymbol& at = terminal ? *terminal : statement;
        auto variable = std::dynamic_pointer_cast<TDBAVariable>(ResolveIdentifier(targets[i], at));
        if (!variable) RaiseCompileError(rtl::Format("Undeclared variable: %s", targets[i]), at);
        fetch->Targets().Add(variable);
    }
    AddStatement(fetch);
}

// ---- conditions and handlers

void TDBAStatementBuilder::VisitConditionDeclaration(parser::TSQLProduction* production) {
    const auto& declaration = As<parser::TConditionDeclaration>(production);
    AtSymbol(declaration, [&] {
        DBABlock().AddCondition(declaration.GetConditionName(), declaration.GetSQLState(),
                                declaration.GetErrorCode());
    });
}

std::unique_ptr<TConditionValue> TDBAStatementBuilder::ConditionValue(int kind, const std::string& text,
                                                                      const parser::TSymbol& symbol) const {
    switch (kind) {
    case parser::hckSQLState:
        return std::make_unique<TSQLStateConditionValue>(text);
    case parser::hckErrorCode:
        return std::make_unique<TErrorCodeConditionValue>(ErrorCodeOf(text, symbol));
    case parser::hckSQLWarning:
        return std::make_unique<TSQLWarningConditionValue>();
    case parser::hckNotFound:
        return std::make_unique<TNotFoundConditionValue>();
    case parser::hckSQLException:
        return std::make_unique<TSQLExceptionConditionValue>();
    case parser::hckConditionName:
        if (const TNamedCondition* condition = DBABlock().FindCondition(text))
            return std::make_unique<TNamedConditionConditionValue>(*condition);
        RaiseCompileError(rtl::Format("Undefined CONDITION: %s", text), symbol);
    default:
        RaiseCompileError("Unknown condition value", symbol);
    }
}

void TDBAStatementBuilder::VisitHandlerDeclaration(parser::TSQLProduction* production) {
    const auto& declaration = As<parser::THandlerDeclaration>(production);
    const THandlerKind kind = declaration.IsContinue() ? hkContinue : hkExit;
    const std::vector<parser::THandlerCondition> conditions = declaration.GetConditions();
    RTL_ASSERT(!conditions.empty());
    auto body = BuildList(declaration.GetStatement());
    std::vector<std::unique_ptr<TConditionValue>> values;
    for (const parser::THandlerCondition& condition : conditions)
        values.push_back(ConditionValue(condition.Kind, condition.Text, declaration));
    AtSymbol(declaration, [&] {
        TDBAHandler& handler = DBABlock().AddHandler(kind, std::move(values[0]), body);
        for (size_t i = 1; i < values.size(); ++i)
            handler.AddCondition(std::move(values[i]));
    });
}

// ---- SIGNAL and RESIGNAL

std::string TDBAStatementBuilder::SignalState(parser::TSQLProduction& production) const {
    const auto& signal = static_cast<const parser::TgrmCustomSignal&>(production);
    if (!signal.IsConditionName()) return signal.GetSQLState();
    const std::string name = signal.GetConditionName();
    const TNamedCondition* condition = DBABlock().FindCondition(name);
    if (!condition) RaiseCompileError(rtl::Format("Undefined CONDITION: %s", name), production);
    const auto* state = dynamic_cast<const TSQLStateConditionValue*>(&condition->Value());
    if (!state)
        RaiseCompileError("SIGNAL/RESIGNAL can only use a CONDITION defined with SQLSTATE", production);
    return state->SQLState();
}

template <class Signal>
void TDBAStatementBuilder::AddSignal(parser::TSQLProduction& production) {
    const auto& signal = static_cast<const parser::TgrmCustomSignal&>(production);
    std::string sqlState = SignalState(production);
    parser::TSymbol* errorNumber = signal.GetErrorNumberExpression();
    parser::TSymbol* messageText = signal.GetMessageTextExpression();
    auto errorNumberExpression = errorNumber ? BuildExpression(*errorNumber) : nullptr;
    auto messageTextExpression = messageText ? BuildExpression(*messageText) : nullptr;
    AddStatement(std::make_shared<Signal>(DebugInfoOf(production), std::move(sqlState),
                                          std::move(errorNumberExpression),
                                          std::move(messageTextExpression)));
}

void TDBAStatementBuilder::VisitGrmSignal(parser::TSQLProduction* production) {
    AddSignal<TDBASignal>(*production);
}

void TDBAStatementBuilder::VisitGrmResignal(parser::TSQLProduction* production) {
    AddSignal<TDBAResignal>(*production);
}

} // namespace engine
