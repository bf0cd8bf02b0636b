// The operands of SQL expressions: literals, names, function calls, CASE, casts and data types.
#pragma once

// The operands of SQL expressions: literals, tuples and sub-selects, dotted names, function calls,
// CASE and casts, and the base class of data types.

#include "core/uDataTypes.h"
#include "parser/uCommonSQLGrammar.h"

#include <string>
#include <vector>

namespace parser {

class TExpression;

// ---- values and literals

class TValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TValue, TSQLProduction)
    PARSER_RULE(Choice);
};

class TConstantValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TConstantValue, TSQLProduction)
    PARSER_RULE(Choice);
};

class TLiteralNull : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLiteralNull, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LiteralNull)
};

class TLiteralTrue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLiteralTrue, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LiteralTrue)
};

class TLiteralFalse : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLiteralFalse, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LiteralFalse)
};

class TLiteralDefault : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLiteralDefault, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LiteralDefault)
};

// A text terminal: a quoted string, or also a bare word where a string literal is tried first.
class TStringLiteral : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TStringLiteral, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(StringLiteral)
    TTextTerminal* GetTextTerminal() const;
};

// :name
class TQueryParameter : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TQueryParameter, TSQLProduction)
    PARSER_RULE(Sequence);
};

// ---- tuples and lists

class TExpressionList;

// A parenthesised sub-select or expression list; a parenthesised expression is a tuple of one.
class TTuple : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTuple, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(Tuple)
    bool IsExpressionTuple() const;
    // The listed expressions of an expression tuple; none for a sub-select.
    TExpressionList* GetExpressionList() const;
};

class TSelectTuple : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSelectTuple, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(SelectTuple)
};

class TExpressionTuple : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TExpressionTuple, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(ExpressionTuple)
};

class TExpressionList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TExpressionList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    bool SucceedsWhenTolerant() const override { return true; }
    // Appends the expressions in order; the destination is required.
    void GetExpressions(std::vector<TExpression*>* destination) const;
};

// ---- names

// A dotted name. In tolerant mode the rest after a dot may be incomplete; that result depends on
// the owner, so it is not remembered per token.
class TCustomIdentifier : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCustomIdentifier, TSQLProduction)
    const TProductionMatchingStrategy& StrategyClass() const override {
        return TProductionMatchingStrategy::DelimitedList();
    }
    bool SucceedsWhenTolerant() const override;
    bool Memoised() const override;
    PARSER_SQL_ACCEPT(CustomIdentifier)
};

class TIdentifier : public TCustomIdentifier {
    PARSER_SYMBOL_CLASS(TIdentifier, TCustomIdentifier)
    void DefineRule(TRule& rule) override;
    PARSER_SQL_ACCEPT(Identifier)
};

class TFunctionIdentifier : public TCustomIdentifier {
    PARSER_SYMBOL_CLASS(TFunctionIdentifier, TCustomIdentifier)
    void DefineRule(TRule& rule) override;
};

class TCustomIdentifierItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCustomIdentifierItem, TSQLProduction)
};

class TIdentifierItem : public TCustomIdentifierItem {
    PARSER_SYMBOL_CLASS(TIdentifierItem, TCustomIdentifierItem)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(IdentifierItem)
};

// name[3]
class TArrayCell : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TArrayCell, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TFunctionIdentifierItem : public TCustomIdentifierItem {
    PARSER_SYMBOL_CLASS(TFunctionIdentifierItem, TCustomIdentifierItem)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(FunctionIdentifierItem)
};

// A name, or the name of a built-in function even when it is a reserved word (LEFT, REPLACE).
class TFunctionIdentifierTerminal : public TIdentifierTerminal {
    PARSER_SYMBOL_CLASS(TFunctionIdentifierTerminal, TIdentifierTerminal)
    uint32_t StartKinds() const override { return KindsOf<TCustomTextToken>(); }
protected:
    bool Accepts(const TToken& token) const override;
};

class TColumnReference : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnReference, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(ColumnReference)
};

// A column reference written as the target of an assignment.
class TReceiverColumnReference : public TColumnReference {
    PARSER_SYMBOL_CLASS(TReceiverColumnReference, TColumnReference)
    PARSER_SQL_ACCEPT(ReceiverColumnReference)
};

// The qualified forms never match: a dotted TIdentifier takes every part first.
class TColumnReference_01 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnReference_01, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TColumnReference_02 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnReference_02, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TSimpleTableName : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSimpleTableName, TSQLProduction)
};

class TTableName : public TSimpleTableName {
    PARSER_SYMBOL_CLASS(TTableName, TSimpleTableName)
    PARSER_RULE(Choice);
};

class TColumnReferenceList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnReferenceList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    PARSER_SQL_ACCEPT(ColumnReferenceList)
};

// ---- calls and sub-queries

class TFunction : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TFunction, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(Function)
    // The name as written, dots included.
    std::string GetName() const;
    // Appends the argument expressions; nothing for a call without arguments.
    void GetArguments(std::vector<TExpression*>* destination) const;
};

class TAggregateOption : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAggregateOption, TSQLProduction)
    PARSER_RULE(Choice);
};

// EXISTS, ANY, SOME or ALL before a parenthesised query.
class TSubQuery : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSubQuery, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(SubQuery)
};

class TSubQueryOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSubQueryOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

// ---- CASE

class TCaseClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseClause)
};

// One branch and, nested, the rest.
class TCaseWhenChain : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseWhenChain, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseWhenChain)
};

class TCaseWhen : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseWhen, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseWhen)
};

class TCaseThen : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseThen, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseThen)
};

class TCaseElse : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseElse, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseElse)
};

class TCaseEnd : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCaseEnd, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(CaseEnd)
};

// ---- casts and data types

// The description of a declared type or of a cast's target type. Dialects fill it in; every class
// answered for a data-type or cast-type position derives from it.
class TgrmDataType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataType, TSQLProduction)
    // `forCast`: the type is the target of a cast, not a declared type.
    virtual core::TDatatypeCharacteristics GetCharacteristics(bool forCast) const = 0;
};

class TgrmCustomTypeCast : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCustomTypeCast, TSQLProduction)
    PARSER_SQL_ACCEPT(GrmCustomTypeCast)
    // The value being cast.
    virtual TSymbol* GetCastExpression() const = 0;
    virtual core::TDatatypeCharacteristics GetCastType() const = 0;
};

class TCast : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCast, TSQLProduction)
    PARSER_RULE(Sequence);
};

// CAST(x AS type)
class TStandardCast : public TgrmCustomTypeCast {
    PARSER_SYMBOL_CLASS(TStandardCast, TgrmCustomTypeCast)
    PARSER_RULE(Sequence);
    TSymbol* GetCastExpression() const override;
    core::TDatatypeCharacteristics GetCastType() const override;
};

// CONVERT(x, type)
class TgrmConvert : public TgrmCustomTypeCast {
    PARSER_SYMBOL_CLASS(TgrmConvert, TgrmCustomTypeCast)
    PARSER_RULE(Sequence);
    TSymbol* GetCastExpression() const override;
    core::TDatatypeCharacteristics GetCastType() const override;
};

// BINARY x: a binary string of no set length.
class TgrmConvertToBinaryString : public TgrmCustomTypeCast {
    PARSER_SYMBOL_CLASS(TgrmConvertToBinaryString, TgrmCustomTypeCast)
    PARSER_RULE(Sequence);
    TSymbol* GetCastExpression() const override { return Children()[1]; }
    core::TDatatypeCharacteristics GetCastType() const override;
};

// Special-syntax functions that only the server evaluates.
class TgrmServerSideExpression : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmServerSideExpression, TSQLProduction)
    PARSER_SQL_ACCEPT(GrmServerSideExpression)
};

} // namespace parser
