#include "engine/uLocalVariableFinder.h"

#include "core/uStringUtils.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uMySqlStatements.h"
#include "parser/uSQLDataChange.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLStatements.h"

namespace engine {

namespace {

bool IsVariableReference(parser::TIdentifierTerminal& terminal) {
    parser::TProduction* p = terminal.Owner();
    if (p && p->FindOwner<parser::TgrmValuesFunc>()) return false;
    while (p) {
        if (p->Is<parser::TAssignation>()) return true;
        if (p->Children().Count() != 1) return false;
        p = p->Owner();
        if (!p) return false;
        // The tables a multi-table DELETE deletes from are written as columns.
        if (p->Is<parser::TReceiverColumnReference>() ||
            (p->Is<parser::TColumnReference>() && (p->FindOwner<parser::TInsertColumnReference>() ||
                                                   p->FindOwner<parser::TMyDeleteStatementHead>())))
            return false;
        if (p->Is<parser::TColumnReference>() || p->FindOwner<parser::TIntoClause>()) return true;
    }
    return false;
}

// A string literal that reads back byte-identical whatever the sql_mode: quotes doubled, or, when
// a backslash would be read differently with and without NO_BACKSLASH_ESCAPES, the bytes in hex.
std::string StatementLiteral(const std::string& text) {
    if (text.find('\\') == std::string::npos) return core::QuoteEscapedBuffer(text, core::TEscapeMode::Quote);
    return "CONVERT(X'" + core::BytesToHex(text) + "' USING utf8mb4)";
}

} // namespace

bool IsLimitCount(const parser::TIdentifierTerminal& terminal) {
    return terminal.Owner() && terminal.Owner()->Is<parser::TLimitValue>();
}

TLocalVariableFinder::TLocalVariableFinder(TDBAVariables& variables, std::shared_ptr<IBlock> block,
                                           TDBAVariables* limitParameters)
    : variables_(variables), block_(std::move(block)), limitParameters_(limitParameters) {
    RTL_ASSERT(block_);
}

void TLocalVariableFinder::VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) {
    const bool limitCount = IsLimitCount(*terminal);
    if (!limitCount && !IsVariableReference(*terminal)) return;
    auto variable =
        std::dynamic_pointer_cast<TDBAVariable>(block_->FindSymbol(parser::GetSymbolText(*terminal)));
    if (!variable) return;
    if (limitCount && limitParameters_) {
        terminal->Token()->SetText("?");
        limitParameters_->Add(variable);
    } else {
        terminal->Token()->SetText(variable->SessionName());
    }
    if (!variables_.Contains(variable)) variables_.Add(variable);
}

std::string ServerSideText(parser::TSymbol& symbol, const std::shared_ptr<IBlock>& block,
                           TDBAVariables& variables, bool limitAsParameter) {
    TDBAVariables limitParameters(true);
    if (block) {
        TLocalVariableFinder finder(variables, block, limitAsParameter ? &limitParameters : nullptr);
        symbol.Accept(finder);
    }
    std::string text = parser::GetSourceText(symbol, false, true);
    if (limitParameters.Count() == 0) return text;
    std::string names;
    // As the server reads a local in LIMIT: a negative count wraps to a huge unsigned one, NULL is 0.
    for (const auto& variable : limitParameters)
        core::AppendWithDelimiter(names, "IFNULL(" + variable->SessionName() + ", 0) & 18446744073709551615", ", ");
    return "EXECUTE IMMEDIATE " + StatementLiteral(text) + " USING " + names;
}

} // namespace engine
