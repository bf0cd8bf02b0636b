// What completion reads from the statement at the caret: its context, tables and aliases.
#pragma once

#include "parser/uSQLProductionVisitor.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace parser {
class TCompositeToken;
class TCursorToken;
class TGrammar;
} // namespace parser

namespace app {

class TCodeCompletionItems;

// Longer statements are not analysed: completion and hints must never hold up typing.
inline constexpr int kMaxAnalysedStatementLength = 50000;

// Whether the text is one of the operator texts of the statement language; the cursor goes after an
// operator the caret stands right behind, and operators are never offered as keywords.
bool IsOperatorText(std::string_view text);

// What fits at the caret, as the grammar sees it.
struct TCompletionContext {
    bool Functions = false;
    bool Tables = false;
    bool Columns = false;
    // Keyword texts expected at the caret, each once, in the order they were met.
    std::vector<std::string> Keywords;
    // The identifier parts typed before the caret's part, outermost first (db1 and t1 for "db1.t1.").
    std::vector<std::string> Qualifiers;
    bool Nothing = false;
    // The INSERT's table when the caret is in its column list.
    std::string InsertTable;
    bool InValues = false;
    bool Locals = false;
    bool AfterInto = false;
    bool Procedures = false;
    bool Cursors = false;
    bool InCursorDeclaration = false;
    bool Conditions = false;
    bool JoinCondition = false;
    std::string JoinTable;
    std::string JoinAlias;
    bool Joins = false;
    bool IndexHint = false;
    std::string IndexTable;
};

// Inserts a cursor token where the caret is and answers it; none when the caret stands in a comment
// or string (unless strings are tolerated) or strictly inside or at the end of a number (unless numbers
// are tolerated).
parser::TCursorToken* PlaceCursorToken(parser::TCompositeToken& tokens, int caret, bool tolerateNumbers,
                                       bool tolerateStrings);

// Tokenizes the statement into the grammar, places the cursor token and matches the grammar tolerantly;
// `symbols` receives every symbol tried at the cursor. False when no cursor token could be placed.
bool ParseToCursor(std::u16string_view statement, parser::TGrammar& grammar, int caret, bool tolerateStrings,
                   bool tolerateNumbers, std::vector<parser::TSymbol*>& symbols);

// Whether the caret lies within the production's tokens, or after them with only blanks, comments and
// the cursor left in the statement.
bool ProductionHoldsCaret(const parser::TSymbol& production, int caret);

// Reads what fits at the caret from the symbols the grammar tried there.
class TCompletionContextFiller : public parser::TSQLProductionVisitor {
public:
    void Fill(std::u16string_view statement, parser::TGrammar& grammar, int caret);
    const TCompletionContext& Context() const { return context_; }

    void VisitProduction(parser::TProduction* production) override;
    void VisitConstantTerminal(parser::TConstantTerminal* terminal) override;
    void VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) override;
    void VisitFromTableReferenceList(parser::TSQLProduction* production) override;
    void VisitInsertTarget(parser::TSQLProduction* production) override;
    void VisitTableReference(parser::TSQLProduction* production) override;
    void VisitTableFactor(parser::TSQLProduction* production) override;
    void VisitColumnReference(parser::TSQLProduction* production) override;
    void VisitReceiverColumnReference(parser::TSQLProduction* production) override;
    void VisitInsertColumnReferenceList(parser::TSQLProduction* production) override;
    void VisitInsertValuesExpression(parser::TSQLProduction* production) override;
    void VisitFunction(parser::TSQLProduction* production) override;
    void VisitProcedureIdentifier(parser::TSQLProduction* production) override;
    void VisitAssignationReceiver(parser::TSQLProduction* production) override;
    void VisitCursorIdentifier(parser::TSQLProduction* production) override;
    void VisitConditionIdentifier(parser::TSQLProduction* production) override;
    void VisitAliasIdentifier(parser::TSQLProduction* production) override;
    void VisitJoinConditionExpression(parser::TSQLProduction* production) override;
    void VisitCustomIdentifier(parser::TSQLProduction* production) override;

private:
    // An INSERT's column list or receiver: its table's columns fit, nothing else is looked at.
    void InsertColumns(parser::TSQLProduction* production);
    void AddQualifiers(parser::TSQLProduction* production);

    TCompletionContext context_;
    std::unordered_set<const void*> visited_;
    std::unordered_set<std::string> keywords_;
    bool done_ = false;
};

// A table of the statement: a named table or a derived one (then `Table` is its SELECT text).
struct TRelation {
    std::string Table;
    std::string Alias;
    bool Derived = false;
};
using TRelations = std::vector<TRelation>;

// The tables of the statement at the caret's SELECT levels, in order.
void ExtractRelations(std::u16string_view statement, parser::TGrammar& grammar, int caret,
                      TRelations& relations);

// Which declarations of the routine text ExtractLocalSymbols offers.
enum TLocalSymbolsMode : uint8_t {
    lsmVariables = 0, // parameters and local variables
    lsmCursors = 1,
    lsmConditions = 2,
};

// Adds the names declared in the routine text before the statement that are in scope at its end: the
// routine's parameters and the declarations of the BEGIN blocks still open there.
void ExtractLocalSymbols(std::u16string_view textBefore, TCodeCompletionItems& items, TLocalSymbolsMode mode);

} // namespace app
