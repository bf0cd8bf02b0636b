#include "engine/server/uLocalVariableFinder.h"

#include "core/uStringUtils.h"
#include "engine/local/uStrictAssignment.h"
#include "engine/server/uDBAProgram.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uMySqlStatements.h"
#include "parser/uSQLDataChange.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLStatements.h"
#include "parser/uSQLValues.h"

namespace engine {

namespace {

enum class TReference { None, Read, Write };

// Whether the production or one of its owners in the same statement is a T. None of the classes
// asked for holds a statement list, and lists nest one level per statement: a walk to the root
// would make compiling quadratic in the routine's length.
template <class T>
bool LiesIn(parser::TProduction* production) {
    for (parser::TProduction* p = production; p && !p->Is<parser::TStatementList>(); p = p->Owner())
        if (p->Is<T>()) return true;
    return false;
}

// Whether the identifier names a variable, and whether the statement may write it there.
TReference ReferenceKind(parser::TIdentifierTerminal& terminal) {
    parser::TProduction* p = terminal.Owner();
    if (LiesIn<parser::TgrmValuesFunc>(p)) return TReference::None;
    while (p) {
        if (p->Is<parser::TAssignation>()) return TReference::Write;
        if (p->Children().Count() != 1) return TReference::None;
        p = p->Owner();
        if (!p) return TReference::None;
        // The tables a multi-table DELETE deletes from are written as columns.
        if (p->Is<parser::TReceiverColumnReference>() ||
            (p->Is<parser::TColumnReference>() &&
             (LiesIn<parser::TInsertColumnReference>(p) || LiesIn<parser::TMyDeleteStatementHead>(p))))
            return TReference::None;
        if (LiesIn<parser::TIntoClause>(p)) return TReference::Write;
        if (p->Is<parser::TColumnReference>()) return TReference::Read;
    }
    return TReference::None;
}

// A string literal that reads back byte-identical whatever the sql_mode: quotes doubled, or, when
// a backslash would be read differently with and without NO_BACKSLASH_ESCAPES, the bytes in hex.
std::string StatementLiteral(const std::string& text) {
    if (text.find('\\') == std::string::npos) return core::QuoteEscapedBuffer(text, core::TEscapeMode::Quote);
    return "CONVERT(X'" + core::BytesToHex(text) + "' USING utf8mb4)";
}

// The tokens of the symbol's terminals, in order.
template <class TAction>
void ForEachToken(parser::TSymbol& symbol, const TAction& action) {
    if (auto* terminal = dynamic_cast<parser::TTerminal*>(&symbol)) {
        if (terminal->Token()) action(*terminal->Token());
    } else if (auto* production = dynamic_cast<parser::TProduction*>(&symbol)) {
        for (parser::TSymbol* child : production->Children())
            ForEachToken(*child, action);
    }
}

// The last token of the symbol; none when it has none.
parser::TToken* LastToken(parser::TSymbol& symbol) {
    parser::TToken* last = nullptr;
    ForEachToken(symbol, [&](parser::TToken& token) { last = &token; });
    return last;
}

std::string BackQuoted(std::string_view name) {
    std::string quoted = "`";
    for (char c : name)
        quoted += c == '`' ? std::string("``") : std::string(1, c);
    return quoted + '`';
}

// A read of the variable's session variable, as the declared type where CAST has it.
std::string TypedRead(const TDBAVariable& variable) {
    const std::string type = ExactCastType(variable.GetValue()->GetCharacteristics());
    return type.empty() ? variable.SessionName() : "CAST(" + variable.SessionName() + " AS " + type + ")";
}

} // namespace

bool IsLimitCount(const parser::TIdentifierTerminal& terminal) {
    return terminal.Owner() && terminal.Owner()->Is<parser::TLimitValue>();
}

TLocalVariableFinder::TLocalVariableFinder(TDBAVariables& variables, std::shared_ptr<IBlock> block,
                                           TDBAVariables* limitParameters, TDBAProgram* program,
                                           TDBAVariables* targets)
    : variables_(variables), block_(std::move(block)), limitParameters_(limitParameters), program_(program),
      targets_(targets) {
    RTL_ASSERT(block_);
}

void TLocalVariableFinder::VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) {
    const bool limitCount = IsLimitCount(*terminal);
    const TReference reference = limitCount ? TReference::Read : ReferenceKind(*terminal);
    if (reference == TReference::None) return;
    auto variable =
        std::dynamic_pointer_cast<TDBAVariable>(block_->FindSymbol(parser::GetSymbolText(*terminal)));
    if (!variable) return;
    if (limitCount && limitParameters_) {
        terminal->Token()->SetText("?");
        limitParameters_->Add(variable);
    } else if (limitCount || insideCall_ || reference == TReference::Write) {
        terminal->Token()->SetText(variable->SessionName());
    } else {
        terminal->Token()->SetText(TypedRead(*variable));
    }
    ++renamed_;
    if (!variables_.Contains(variable)) variables_.Add(variable);
    if (targets_ && reference == TReference::Write && !targets_->Contains(variable)) targets_->Add(variable);
}

void TLocalVariableFinder::VisitFunction(parser::TSQLProduction* production) {
    const auto& function = static_cast<const parser::TFunction&>(*production);
    std::vector<parser::TExpression*> arguments;
    function.GetArguments(&arguments);
    const auto count =
        program_ && arguments.empty() ? program_->StatementCountVariable(function.GetName()) : nullptr;
    if (!count) return TSQLProductionVisitor::VisitFunction(production);
    bool first = true;
    ForEachToken(*production, [&](parser::TToken& token) {
        token.SetText(first ? count->SessionName() : "");
        first = false;
    });
    ++renamed_;
    if (!variables_.Contains(count)) variables_.Add(count);
}

void TLocalVariableFinder::VisitColumnItem(parser::TSQLProduction* production) {
    const auto* item = production->Children().Find<parser::TColumnItem_Sub_1>();
    const auto* alias = item ? item->Children().Find<parser::TAliasIdOpt>() : nullptr;
    auto* source = item ? item->Children().Find<parser::TColumnSource>() : nullptr;
    if (!source || (alias && !alias->GetAlias().empty()))
        return TSQLProductionVisitor::VisitColumnItem(production);
    const std::string name = parser::GetSourceText(*source, false, true);
    // A LIMIT count marked for its value (a NUL-framed marker) has lost its written text.
    if (name.find('\0') != std::string::npos) return TSQLProductionVisitor::VisitColumnItem(production);
    const int renamedBefore = renamed_;
    TSQLProductionVisitor::VisitColumnItem(production);
    if (renamed_ == renamedBefore) return;
    parser::TToken* last = LastToken(*source);
    last->SetText(last->GetText() + " AS " + BackQuoted(name));
}

void TLocalVariableFinder::VisitRoutineCallStatement(parser::TSQLProduction* production) {
    insideCall_ = true;
    TSQLProductionVisitor::VisitRoutineCallStatement(production);
    insideCall_ = false;
}

std::string ServerSideText(parser::TSymbol& symbol, const std::shared_ptr<IBlock>& block,
                           TDBAVariables& variables, bool limitAsParameter, TDBAProgram* program,
                           TDBAVariables* targets) {
    TDBAVariables limitParameters(true);
    if (block) {
        TLocalVariableFinder finder(variables, block, limitAsParameter ? &limitParameters : nullptr, program,
                                    targets);
        symbol.Accept(finder);
    }
    std::string text = parser::GetSourceText(symbol, false, true);
    if (limitParameters.Count() == 0) return text;
    std::string names;
    // As the server reads a local in LIMIT: a negative count wraps to a huge unsigned one, NULL is 0.
    for (const auto& variable : limitParameters)
        core::AppendWithDelimiter(names, "IFNULL(" + variable->SessionName() + ", 0) & 18446744073709551615",
                                  ", ");
    return "EXECUTE IMMEDIATE " + StatementLiteral(text) + " USING " + names;
}

} // namespace engine
