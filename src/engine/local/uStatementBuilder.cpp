#include "engine/local/uStatementBuilder.h"

#include <vector>

#include "core/uStringUtils.h"
#include "parser/uParser.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLRoutines.h"
#include "parser/uSQLStatements.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"

namespace engine {

namespace {

template <class T>
T& As(parser::TSQLProduction* production) {
    return static_cast<T&>(*production);
}

} // namespace

TParameterScope ParameterScope(std::string_view text) {
    if (core::SameText(text, "OUT")) return psOut;
    if (core::SameText(text, "INOUT")) return psInOut;
    return psIn;
}

std::shared_ptr<IDebugInfo> DebugInfoOf(const parser::TSymbol& symbol) {
    const parser::TToken* first = parser::ParserFactory().FirstToken(&symbol);
    const parser::TToken* last = parser::ParserFactory().LastToken(&symbol);
    RTL_ASSERT(first && last);
    return std::make_shared<TDebugInfo>(first->Line(), last->Line());
}

TStatementBuilder::TStatementBuilder(TRoutine& routine, std::shared_ptr<ICompositeStatement> statements,
                                     std::shared_ptr<IBlock> block)
    : routine_(routine), statements_(std::move(statements)), block_(std::move(block)) {
    RTL_ASSERT(statements_);
    RTL_ASSERT(block_);
}

void TStatementBuilder::Build(parser::TSymbol& symbol) {
    symbol.Accept(*this);
}

// ---- factory operations

std::shared_ptr<ISymbol> TStatementBuilder::CreateParameter(const std::string&,
                                                            std::shared_ptr<core::IRWDataValue>,
                                                            const parser::TgrmParameterDefinition&,
                                                            TParameterScope) {
    return nullptr;
}

std::shared_ptr<ISymbol> TStatementBuilder::CreateVariable(const std::string& name,
                                                           std::shared_ptr<core::IRWDataValue> value,
                                                           std::shared_ptr<IExpression> defaultExpression) {
    return std::make_shared<TVariable>(name, core::NullDataValue(), std::move(value),
                                       std::move(defaultExpression));
}

std::unique_ptr<TExpressionBuilder>
TStatementBuilder::CreateExpressionBuilder(const std::shared_ptr<IBlock>& block) {
    return std::make_unique<TExpressionBuilder>(Program(), block);
}

std::unique_ptr<TStatementBuilder>
TStatementBuilder::CreateNestedBuilder(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                                       std::shared_ptr<ICompositeStatement> statements) {
    return std::make_unique<TStatementBuilder>(routine, std::move(statements), block);
}

std::shared_ptr<IBlock> TStatementBuilder::CreateBlock(std::shared_ptr<IDebugInfo> debugInfo,
                                                       const std::shared_ptr<IBlock>& parent,
                                                       std::string label) {
    return std::make_shared<TBlock>(std::move(debugInfo), parent, std::move(label),
                                    &Program().IdentifierManager());
}

std::shared_ptr<IExpression> TStatementBuilder::ResolveIdentifier(const std::string& name,
                                                                  const parser::TSymbol& symbol) {
    return ResolveSymbol(*block_, name, symbol);
}

std::shared_ptr<IExpression> TStatementBuilder::ResolveAssignable(const std::string& name,
                                                                  const parser::TSymbol& symbol) {
    return ResolveIdentifier(name, symbol);
}

// ---- helpers

std::shared_ptr<IExpression> TStatementBuilder::BuildExpression(parser::TSymbol& symbol) {
    return CreateExpressionBuilder(block_)->Build(symbol);
}

void TStatementBuilder::AddStatement(std::shared_ptr<IStatement> statement) {
    statements_->Add(statement);
}

void TStatementBuilder::AddSymbol(std::shared_ptr<ISymbol> symbol, const parser::TSymbol& name) {
    RTL_ASSERT(symbol);
    if (block_->FindLocalSymbol(symbol->GetName()))
        RaiseCompileError(rtl::Format("Identifier redeclared: '%s'", symbol->GetName()), name);
    block_->AddSymbol(symbol);
}

void TStatementBuilder::BuildInto(parser::TSymbol* symbol, const std::shared_ptr<ICompositeStatement>& list) {
    BuildNested(symbol, block_, list);
}

void TStatementBuilder::BuildNested(parser::TSymbol* symbol, const std::shared_ptr<IBlock>& block,
                                    const std::shared_ptr<ICompositeStatement>& list) {
    if (symbol) CreateNestedBuilder(routine_, block, list)->Build(*symbol);
}

std::shared_ptr<ICompositeStatement> TStatementBuilder::BuildList(parser::TSymbol* symbol) {
    auto list = std::make_shared<TCompositeStatement>();
    BuildInto(symbol, list);
    return list;
}

std::shared_ptr<ISymbol> TStatementBuilder::DeclareVariable(const std::string& name,
                                                            const core::TDatatypeCharacteristics& type,
                                                            std::shared_ptr<IExpression> defaultExpression) {
    return CreateVariable(name, Program().ValueFactory().CreateVariableValue(type),
                          std::move(defaultExpression));
}

std::shared_ptr<ISymbol>
TStatementBuilder::DeclareParameter(const std::string& name, const core::TDatatypeCharacteristics& type,
                                    const parser::TgrmParameterDefinition& definition,
                                    TParameterScope scope) {
    return CreateParameter(name, Program().ValueFactory().CreateVariableValue(type), definition, scope);
}

std::string TStatementBuilder::Label(const std::string& text) const {
    return Program().IdentifierManager().UnquoteIdentifier(text);
}

void TStatementBuilder::CompileRoutine(parser::TgrmCreateRoutine& routine) {
    if (block_->GetParent())
        RaiseCompileError("Can't create a ROUTINE from within another stored routine", routine);
    std::vector<parser::TgrmParameterDefinition*> parameters;
    routine.GetParameters(&parameters);
    for (parser::TgrmParameterDefinition* definition : parameters) {
        const auto type = AtSymbol(*definition, [&] { return definition->GetDataType(); });
        auto parameter = DeclareParameter(definition->GetName(), type, *definition,
                                          ParameterScope(definition->GetScope()));
        // Without a builder that supplies parameters, a routine that has any cannot be run here.
        if (!parameter) RaiseNotAllowed(*definition);
        AddSymbol(std::move(parameter), *definition);
    }
    if (routine.IsFunction())
        Routine().SetReturnType(AtSymbol(routine, [&] { return routine.GetReturnType(); }));
    routine.GetBody()->Accept(*this);
}

// ---- statements

void TStatementBuilder::VisitAssignationStatement(parser::TSQLProduction* production) {
    // SET target = value, ...: each target is resolved before its value is built.
    struct TPair {
        std::shared_ptr<IAssignable> Target;
        std::shared_ptr<IExpression> Value;
    };
    std::vector<TPair> pairs;
    for (auto* list = production->Children().Find<parser::TAssignationList>(); list;
         list = list->Children().Find<parser::TAssignationList>()) {
        const auto* assignation = list->Children().Find<parser::TAssignation>();
        RTL_ASSERT(assignation);
        const parser::TSymbol& receiver = *assignation->Children().Items(0);
        auto target = std::dynamic_pointer_cast<IAssignable>(
            ResolveAssignable(assignation->GetReceiverName(), receiver));
        if (!target) RaiseCompileError("Interface not supported", receiver);
        pairs.push_back({std::move(target), BuildExpression(*assignation->GetExpression())});
    }
    RTL_ASSERT(!pairs.empty());
    const auto debugInfo = DebugInfoOf(*production);
    if (pairs.size() == 1)
        return AddStatement(std::make_shared<TAssignation>(debugInfo, pairs[0].Target, pairs[0].Value));
    auto multi = std::make_shared<TMultiAssignation>(debugInfo, pairs[0].Target, pairs[0].Value);
    for (size_t i = 1; i < pairs.size(); ++i)
        multi->Add(pairs[i].Target, pairs[i].Value);
    AddStatement(multi);
}

void TStatementBuilder::VisitVariableDeclaration(parser::TSQLProduction* production) {
    // DECLARE names type [DEFAULT value]: no statement. The default is kept as an expression, which
    // the interpreter evaluates for each variable at every entry of the block; it sees only what was
    // declared before, because the names are declared after it is built.
    const auto& declaration = As<parser::TVariableDeclaration>(production);
    parser::TSymbol* defaultSymbol = declaration.GetDefaultValue();
    const auto defaultExpression = defaultSymbol ? BuildExpression(*defaultSymbol) : nullptr;
    const auto type = AtSymbol(*declaration.Children().Items(2), [&] { return declaration.GetDataType(); });
    rtl::TStringList names;
    declaration.GetNames(names);
    for (int i = 0; i < names.Count(); ++i) {
        const auto* name = static_cast<const parser::TSymbol*>(names.Objects(i));
        AddSymbol(DeclareVariable(names[i], type, defaultExpression), name ? *name : declaration);
    }
}

void TStatementBuilder::VisitIFStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TIFStatement>(production);
    auto condition = BuildExpression(*statement.GetCondition());
    auto thenList = BuildList(statement.GetThenStatements());
    // The ELSE list exists even when it stays empty.
    auto elseList = std::make_shared<TCompositeStatement>();
    auto chain =
        std::make_shared<TConditionChain>(DebugInfoOf(statement), std::move(condition), thenList, elseList);
    for (const parser::TELSEIFChain* link = statement.GetElseIfChain(); link; link = link->GetNext()) {
        auto branchCondition = BuildExpression(*link->GetCondition());
        chain->AddItem(std::make_shared<TConditionChainItem>(std::move(branchCondition),
                                                             BuildList(link->GetStatements())));
    }
    BuildInto(statement.GetElseStatements(), elseList);
    AddStatement(chain);
}

void TStatementBuilder::VisitCaseStatement(parser::TSQLProduction* production) {
    // CASE [selector] WHEN ... [ELSE ...] END CASE; without a selector each WHEN is a condition. An
    // ELSE without statements still catches every value.
    const auto& statement = As<parser::TCaseStatement>(production);
    parser::TExpression* selectorSymbol = statement.GetSelector();
    auto selector = selectorSymbol ? BuildExpression(*selectorSymbol) : nullptr;
    const parser::TCaseStatementWhenChain* link = statement.GetWhenChain();
    RTL_ASSERT(link);
    auto when = BuildExpression(*link->GetCondition());
    auto then = BuildList(link->GetStatements());
    std::vector<std::pair<std::shared_ptr<IExpression>, std::shared_ptr<IStatement>>> more;
    for (link = link->GetNext(); link; link = link->GetNext()) {
        auto branchCondition = BuildExpression(*link->GetCondition());
        more.emplace_back(std::move(branchCondition), BuildList(link->GetStatements()));
    }
    const parser::TCaseStatementElse* elsePart = statement.GetElse();
    auto otherwise = elsePart ? BuildList(elsePart->GetStatements()) : nullptr;
    auto caseStatement = std::make_shared<TCase>(DebugInfoOf(statement), std::move(selector),
                                                 std::move(otherwise), then, when);
    for (const auto& [branchWhen, branchThen] : more)
        caseStatement->AddItem(branchWhen, branchThen);
    AddStatement(caseStatement);
}

void TStatementBuilder::VisitLoopStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TLoopStatement>(production);
    auto loop = std::make_shared<TLoop>(DebugInfoOf(statement), Label(statement.GetLabel()));
    BuildInto(statement.GetStatements(), loop->GetStatements());
    AddStatement(loop);
}

void TStatementBuilder::VisitLeaveStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TLeaveStatement>(production);
    AddStatement(std::make_shared<TBlockLeave>(DebugInfoOf(statement), Label(statement.GetLabel())));
}

void TStatementBuilder::VisitIterateStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TIterateStatement>(production);
    AddStatement(std::make_shared<TLoopContinuer>(DebugInfoOf(statement), Label(statement.GetLabel())));
}

void TStatementBuilder::VisitRepeatStatement(parser::TSQLProduction* production) {
    // The REPEAT stands on its UNTIL line: that is where the debugger stops before each test.
    const auto& statement = As<parser::TRepeatStatement>(production);
    parser::TExpression* conditionSymbol = statement.GetCondition();
    auto repeat = std::make_shared<TRepeat>(DebugInfoOf(*conditionSymbol), Label(statement.GetLabel()),
                                            BuildExpression(*conditionSymbol));
    BuildInto(statement.GetStatements(), repeat->GetStatements());
    AddStatement(repeat);
}

void TStatementBuilder::VisitWhileStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TWhileStatement>(production);
    auto condition = BuildExpression(*statement.GetCondition());
    AddStatement(std::make_shared<TWhile>(DebugInfoOf(statement), Label(statement.GetLabel()),
                                          BuildList(statement.GetStatements()), std::move(condition)));
}

void TStatementBuilder::VisitBlockStatement(parser::TSQLProduction* production) {
    // A block of its own: declarations inside land in it, and it is a statement of this list.
    const auto& statement = As<parser::TBlockStatement>(production);
    auto block = CreateBlock(DebugInfoOf(statement), block_, Label(statement.GetLabel()));
    BuildNested(statement.GetStatements(), block, block->GetStatements());
    AddStatement(block);
}

void TStatementBuilder::VisitReturnStatement(parser::TSQLProduction* production) {
    if (routine_.Kind() != rkFunction) RaiseNotAllowed(*production);
    const auto& statement = As<parser::TReturnStatement>(production);
    AddStatement(
        std::make_shared<TReturn>(DebugInfoOf(statement), BuildExpression(*statement.GetExpression())));
}

void TStatementBuilder::VisitGrmCreateProcedure(parser::TSQLProduction* production) {
    CompileRoutine(As<parser::TgrmCreateRoutine>(production));
}

void TStatementBuilder::VisitGrmCreateFunction(parser::TSQLProduction* production) {
    CompileRoutine(As<parser::TgrmCreateRoutine>(production));
}

void TStatementBuilder::VisitGrmDoStatement(parser::TSQLProduction* production) {
    const auto& statement = As<parser::TgrmDoStatement>(production);
    AddStatement(
        std::make_shared<TDOStatement>(DebugInfoOf(statement), BuildExpression(*statement.GetExpression())));
}

// ---- statements that need the server

void TStatementBuilder::VisitSQLStatement(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitGrmSimpleServerSideStatement(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitGrmDishonestStatement(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitRoutineCallStatement(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitCursorDeclaration(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitOpenCursor(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitFetchCursor(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitCloseCursor(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitConditionDeclaration(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitHandlerDeclaration(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitGrmSignal(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

void TStatementBuilder::VisitGrmResignal(parser::TSQLProduction* production) {
    RaiseNotAllowed(*production);
}

} // namespace engine
