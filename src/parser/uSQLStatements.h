// The statements of stored programs: SET, DECLARE, IF, CASE, loops, blocks, CALL and cursors.
#pragma once

// The statements of stored programs: statement lists, SET, DECLARE (variables, conditions, handlers,
// cursors), IF, CASE, the loops and blocks with their labels, LEAVE and ITERATE, CALL, the cursor
// statements, RETURN, DO, CREATE TABLE ... SELECT, and the statements passed to the server as written.

#include "core/uDataTypes.h"
#include "parser/uCommonSQLGrammar.h"
#include "parser/uSQLValues.h"

#include <string>
#include <vector>

namespace rtl {
class TStringList;
}

namespace parser {

class TExpression;
class TSelectStatement;
class TStatementList;

// The matched child at the index; none when the match (a tolerant one) stopped before it.
TSymbol* ChildOrNone(const TProduction& production, int index);
// The text of that child; empty when there is none.
std::string ChildText(const TProduction& production, int index);

// ---- statement lists and the statement choice

// One statement and, nested, the rest.
class TStatementList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TStatementList, TSQLProduction)
    PARSER_RULE(Sequence);
};

// A statement and its ";" (optional in tolerant mode).
class TSingleStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSingleStatement, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TStatement, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(Statement)
};

// ---- SET

class TAssignation;

// SET name = value, ...
class TAssignationStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAssignationStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(AssignationStatement)
    // Appends each receiver name as written, with its assigned expression as the item's object.
    void GetAssignations(rtl::TStringList& list) const;
};

class TAssignationList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAssignationList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    void GetAssignations(rtl::TStringList& list) const;
};

class TAssignation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAssignation, TSQLProduction)
    PARSER_RULE(Sequence);
    std::string GetReceiverName() const { return ChildText(*this, 0); }
    TSymbol* GetExpression() const { return ChildOrNone(*this, 2); }
};

// A local name, a user variable or a system variable. A bare PASSWORD is none: the server reads
// SET PASSWORD = ... as the statement that changes a password, and wants such a local quoted.
class TAssignationReceiver : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAssignationReceiver, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(AssignationReceiver)
    bool DoMatch(TTokenIterator& iterator) override;
};

class TAssignOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAssignOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

// A statement the server runs as written, whose parts the program does not read.
class TgrmSimpleServerSideStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSimpleServerSideStatement, TSQLProduction)
    PARSER_SQL_ACCEPT(GrmSimpleServerSideStatement)
};

class TSpecialSETStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSpecialSETStatement, TSQLProduction)
    PARSER_RULE(Choice);
};

// SET NAMES charset [COLLATE collation]
class TSetNames : public TgrmSimpleServerSideStatement {
    PARSER_SYMBOL_CLASS(TSetNames, TgrmSimpleServerSideStatement)
    PARSER_RULE(Sequence);
};

class TCollateClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCollateClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

// SET CHARACTER SET charset
class TSetCharacterSet : public TgrmSimpleServerSideStatement {
    PARSER_SYMBOL_CLASS(TSetCharacterSet, TgrmSimpleServerSideStatement)
    PARSER_RULE(Sequence);
};

// SET CHARSET charset
class TSetCharSet : public TgrmSimpleServerSideStatement {
    PARSER_SYMBOL_CLASS(TSetCharSet, TgrmSimpleServerSideStatement)
    PARSER_RULE(Sequence);
};

// ---- declarations

// DECLARE names type [DEFAULT value]
class TVariableDeclaration : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TVariableDeclaration, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(VariableDeclaration)
    // Appends what follows the type; the completion grammar has its own.
    virtual void DefineTail(TRule& rule);
    // Appends the declared names as written, each with its terminal as the item's object.
    void GetNames(rtl::TStringList& list) const;
    core::TDatatypeCharacteristics GetDataType() const;
    // The DEFAULT expression; none without one.
    TSymbol* GetDefaultValue() const;
};

class TDefaultValueClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TDefaultValueClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmConditionValue;

// DECLARE name CONDITION FOR value
class TConditionDeclaration : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TConditionDeclaration, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(ConditionDeclaration)
    std::string GetConditionName() const { return ChildText(*this, 1); }
    // 0 for a SQLSTATE value.
    int GetErrorCode() const;
    // Without quotes; empty for an error code.
    std::string GetSQLState() const;
    // "error code 1062" or "sqlstate 45000".
    std::string GetValueText() const;

private:
    const TgrmConditionValue& ConditionValue() const;
};

// A SQLSTATE value or a MySQL error code.
class TgrmConditionValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmConditionValue, TSQLProduction)
    PARSER_RULE(Choice);
    int GetErrorCode() const;
    std::string GetSQLState() const;
};

// SQLSTATE [VALUE] '45000'
class TgrmSQLStateConditionValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSQLStateConditionValue, TSQLProduction)
    PARSER_RULE(Sequence);
    // The five characters without their quotes.
    std::string GetSQLState() const;
};

// A quoted string of exactly five characters between its quotes (seven bytes with them).
class TSQLStateValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSQLStateValue, TSQLProduction)
    PARSER_RULE(Sequence);
    bool DoMatch(TTokenIterator& iterator) override;
};

class TgrmErrorCodeConditionValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmErrorCodeConditionValue, TSQLProduction)
    PARSER_RULE(Sequence);
};

// The kinds of handler conditions; the server-side compiler maps them one to one.
enum THandlerConditionKind : int {
    hckSQLState = 1,
    hckErrorCode = 2,
    hckSQLWarning = 3,
    hckNotFound = 4,
    hckSQLException = 5,
    hckConditionName = 6,
};

struct THandlerCondition {
    THandlerConditionKind Kind;
    // The SQLSTATE without quotes, the error code or the condition name as written; empty otherwise.
    std::string Text;
};

// DECLARE CONTINUE | EXIT HANDLER FOR conditions statement
class THandlerDeclaration : public TSQLProduction {
    PARSER_SYMBOL_CLASS(THandlerDeclaration, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(HandlerDeclaration)
    // The conditions in written order.
    std::vector<THandlerCondition> GetConditions() const;
    // The handler's statement.
    TStatement* GetStatement() const;
    bool IsContinue() const;
};

class THandlerTypeClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(THandlerTypeClause, TSQLProduction)
    PARSER_RULE(Choice);
};

class THandlerConditionValueList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(THandlerConditionValueList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    void GetConditions(std::vector<THandlerCondition>& list) const;
};

class THandlerConditionValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(THandlerConditionValue, TSQLProduction)
    PARSER_RULE(Choice);
    THandlerConditionKind GetKind() const;
    std::string GetValueText() const;
};

// ---- cursors

// The cursor statements; the cursor's name is their first name.
class TCursorOperation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCursorOperation, TSQLProduction)
    std::string GetCursorName() const;
};

// DECLARE name CURSOR FOR query
class TCursorDeclaration : public TCursorOperation {
    PARSER_SYMBOL_CLASS(TCursorDeclaration, TCursorOperation)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CursorDeclaration)
    // Appends the cursor's query; the completion grammar has its own.
    virtual void DefineSelect(TRule& rule);
    TSelectStatement* GetSelect() const;
};

class TOpenCursor : public TCursorOperation {
    PARSER_SYMBOL_CLASS(TOpenCursor, TCursorOperation)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(OpenCursor)
};

// FETCH [[NEXT] FROM] cursor INTO names
class TFetchCursor : public TCursorOperation {
    PARSER_SYMBOL_CLASS(TFetchCursor, TCursorOperation)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(FetchCursor)
    // Appends the target names as written, each with its terminal as the item's object.
    void GetTargets(rtl::TStringList& list) const;
};

class TgrmFetchOptions : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmFetchOptions, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TCloseCursor : public TCursorOperation {
    PARSER_SYMBOL_CLASS(TCloseCursor, TCursorOperation)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CloseCursor)
};

// The name of a cursor. Its visit stops the walk, so that a cursor is never taken for a variable.
class TCursorIdentifier : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCursorIdentifier, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CursorIdentifier)
};

// The name of a declared condition; its visit stops the walk as well.
class TConditionIdentifier : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TConditionIdentifier, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(ConditionIdentifier)
};

class TFetchIntoIdentifierList : public commonsql::TIdentifierList {
    PARSER_SYMBOL_CLASS(TFetchIntoIdentifierList, commonsql::TIdentifierList)
    PARSER_SQL_ACCEPT(FetchIntoIdentifierList)
};

// ---- IF and CASE

class TELSEIFChain;

// IF condition THEN statements [ELSEIF ...] [ELSE statements] END IF
class TIFStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIFStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(IFStatement)
    TSymbol* GetCondition() const { return ChildOrNone(*this, 1); }
    TStatementList* GetThenStatements() const;
    TELSEIFChain* GetElseIfChain() const;
    // None without ELSE.
    TStatementList* GetElseStatements() const;
};

// One ELSEIF branch and, nested, the next.
class TELSEIFChain : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TELSEIFChain, TSQLProduction)
    PARSER_RULE(Sequence);
    TSymbol* GetCondition() const { return ChildOrNone(*this, 1); }
    TStatementList* GetStatements() const;
    TELSEIFChain* GetNext() const;
};

class TELSEBlock : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TELSEBlock, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TCaseStatementWhenChain;
class TCaseStatementElse;

// CASE [selector] WHEN ... [ELSE ...] END CASE
class TCaseStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseStatement)
    // None for a searched CASE.
    TExpression* GetSelector() const;
    TCaseStatementWhenChain* GetWhenChain() const;
    TCaseStatementElse* GetElse() const;
};

// One WHEN branch and, nested, the next.
class TCaseStatementWhenChain : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseStatementWhenChain, TSQLProduction)
    PARSER_RULE(Sequence);
    TExpression* GetCondition() const;
    TStatementList* GetStatements() const;
    TCaseStatementWhenChain* GetNext() const;
};

// ELSE [statements]: unlike IF's, the list may be empty.
class TCaseStatementElse : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseStatementElse, TSQLProduction)
    PARSER_RULE(Sequence);
    // None for an empty ELSE.
    TStatementList* GetStatements() const;
};

// ---- loops and blocks

// A statement that may carry a begin label and an end label repeating it.
class TLabeledStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLabeledStatement, TSQLProduction)
    // The begin label as written; empty without one.
    std::string GetLabel() const;
    // None for an empty block.
    TStatementList* GetStatements() const;
};

// [label:] LOOP statements END LOOP [label]
class TLoopStatement : public TLabeledStatement {
    PARSER_SYMBOL_CLASS(TLoopStatement, TLabeledStatement)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LoopStatement)
};

// [label:] REPEAT statements UNTIL condition END REPEAT [label]
class TRepeatStatement : public TLabeledStatement {
    PARSER_SYMBOL_CLASS(TRepeatStatement, TLabeledStatement)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(RepeatStatement)
    TExpression* GetCondition() const;
};

// [label:] WHILE condition DO statements END WHILE [label]
class TWhileStatement : public TLabeledStatement {
    PARSER_SYMBOL_CLASS(TWhileStatement, TLabeledStatement)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(WhileStatement)
    TExpression* GetCondition() const;
};

// [label:] BEGIN [statements] END [label]; in tolerant mode the END may be missing.
class TBlockStatement : public TLabeledStatement {
    PARSER_SYMBOL_CLASS(TBlockStatement, TLabeledStatement)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(BlockStatement)
    // Whether the block's END was matched.
    bool HasEnd() const;
};

// label:
class TBeginLabel : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TBeginLabel, TSQLProduction)
    PARSER_RULE(Sequence);
};

// A label after END; it matches only the begin label of its own statement (ignoring case and
// identifier quotes). That depends on the owner, so it is not remembered per token.
class TEndLabel : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TEndLabel, TSQLProduction)
    PARSER_RULE(Sequence);
    bool DoMatch(TTokenIterator& iterator) override;
    bool Memoised() const override { return false; }
};

class TLeaveStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLeaveStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LeaveStatement)
    std::string GetLabel() const { return ChildText(*this, 1); }
};

class TIterateStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIterateStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(IterateStatement)
    std::string GetLabel() const { return ChildText(*this, 1); }
};

// ---- CALL, RETURN, DO

// CALL name [(arguments)]
class TRoutineCallStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TRoutineCallStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(RoutineCallStatement)
    // As written, dots included.
    std::string GetRoutineName() const { return ChildText(*this, 1); }
    // Appends the argument expressions; nothing without parentheses or with an empty pair.
    void GetArguments(std::vector<TExpression*>* destination) const;
};

class TProcedureIdentifier : public TFunctionIdentifier {
    PARSER_SYMBOL_CLASS(TProcedureIdentifier, TFunctionIdentifier)
    PARSER_SQL_ACCEPT(ProcedureIdentifier)
};

// ( [arguments] )
class TgrmRoutineParameters : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineParameters, TSQLProduction)
    PARSER_RULE(Sequence);
    void GetArguments(std::vector<TExpression*>* destination) const;
};

class TReturnStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TReturnStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(ReturnStatement)
    TSymbol* GetExpression() const { return ChildOrNone(*this, 1); }
};

class TgrmDoStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDoStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(GrmDoStatement)
    TSymbol* GetExpression() const { return ChildOrNone(*this, 1); }
};

// ---- statements the server runs as written

// CREATE [TEMPORARY] TABLE [IF NOT EXISTS] name [IGNORE | REPLACE] [AS] query
class TgrmSimpleCreateTableAsSelectStatement : public TgrmSimpleServerSideStatement {
    PARSER_SYMBOL_CLASS(TgrmSimpleCreateTableAsSelectStatement, TgrmSimpleServerSideStatement)
    PARSER_RULE(Sequence);
};

// An entry word and every token up to the statement's ";".
class TgrmDishonestStatement : public TgrmSimpleServerSideStatement {
    PARSER_SYMBOL_CLASS(TgrmDishonestStatement, TgrmSimpleServerSideStatement)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(GrmDishonestStatement)
    bool IsUse() const;
    // Whether the statement returns rows (SHOW, ANALYZE, CHECK, EXPLAIN and the like).
    bool ReturnsResult() const;
};

// EXPLAIN of a statement the grammar reads, so that the locals in it are found like anywhere else.
class TgrmExplainStatement : public TgrmDishonestStatement {
    PARSER_SYMBOL_CLASS(TgrmExplainStatement, TgrmDishonestStatement)
    PARSER_RULE(Sequence);
};

class TgrmExplainKeyword : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmExplainKeyword, TSQLProduction)
    PARSER_RULE(Choice);
};

// EXTENDED, PARTITIONS, FORMAT = JSON.
class TgrmExplainOption : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmExplainOption, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmExplainFormat : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmExplainFormat, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmDishonestStatementEntry : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDishonestStatementEntry, TSQLProduction)
    PARSER_RULE(Choice);
};

// The SETs the server runs as written: of server settings, never of a routine's variables. A SET
// that is neither this nor an assignation is a syntax error.
class TgrmPassThroughSet : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmPassThroughSet, TSQLProduction)
    PARSER_RULE(Sequence);
};

// GLOBAL, SESSION, @@name, NAMES 'charset' and the like.
class TgrmPassThroughSetHead : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmPassThroughSetHead, TSQLProduction)
    PARSER_RULE(Choice);
};

// NAMES, CHARACTER SET or CHARSET and a character set (a quoted name or DEFAULT as well).
class TgrmPassThroughSetCharset : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmPassThroughSetCharset, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmCharsetKeyword : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCharsetKeyword, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmCharsetName : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCharsetName, TSQLProduction)
    PARSER_RULE(Choice);
};

// A system variable: "@@" and its name (the scope and the dot that may follow are separate tokens).
class TgrmSystemVariableTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TgrmSystemVariableTerminal, TTerminal)
protected:
    bool Accepts(const TToken& token) const override;
};

// Every token up to the statement delimiter, which it leaves for the statement; may take none.
class TgrmTakeAllUntilStatementDelimiter : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmTakeAllUntilStatementDelimiter, TSQLProduction)
    bool DoMatch(TTokenIterator& iterator) override;
    bool StartsAsItsRule() const override { return false; }
    // ";", the end of the text, or the code-completion cursor.
    virtual bool IsDelimiter(const TToken& token) const;
};

} // namespace parser
