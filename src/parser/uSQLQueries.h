// SELECT and its clauses.
#pragma once

// SELECT: the union chain of select heads, columns and aliases, INTO, FROM with joins and derived
// tables, WHERE, GROUP BY, HAVING, ORDER BY, and the LIMIT clause that dialects append.

#include "parser/uSQLExpressions.h"
#include "parser/uSQLValues.h"

#include <string>

namespace parser {

class TTableFactor;

// ---- SELECT and the union chain

class TSelectStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSelectStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(SelectStatement)
};

// A select head and, nested, the operator and the rest of the chain.
class TUnionChain : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUnionChain, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TUnionSubSelect : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUnionSubSelect, TSQLProduction)
    PARSER_RULE(Choice);
};

class TUnionChainTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUnionChainTail, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TUnionOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUnionOperator, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(UnionOperator)
};

class TUnionOperatorType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUnionOperatorType, TSQLProduction)
    PARSER_RULE(Choice);
};

class TUnionRestriction : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUnionRestriction, TSQLProduction)
    PARSER_RULE(Choice);
};

class TSelectStatementHead : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSelectStatementHead, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(SelectStatementHead)
};

class TIntoClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIntoClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(IntoClause)
};

// ( query )
class TSubSelectStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSubSelectStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(SubSelectStatement)
};

// ---- columns and aliases

class TColumns : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumns, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(Columns)
};

class TRestriction : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TRestriction, TSQLProduction)
};

class TSimpleRestriction : public TRestriction {
    PARSER_SYMBOL_CLASS(TSimpleRestriction, TRestriction)
    PARSER_RULE(Sequence);
};

class TRestrictionValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TRestrictionValue, TSQLProduction)
    const TProductionMatchingStrategy& StrategyClass() const override {
        return TProductionMatchingStrategy::Choice();
    }
};

class TSimpleRestrictionValue : public TRestrictionValue {
    PARSER_SYMBOL_CLASS(TSimpleRestrictionValue, TRestrictionValue)
    void DefineRule(TRule& rule) override;
};

class TColumnList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    bool SucceedsWhenTolerant() const override { return true; }
    PARSER_SQL_ACCEPT(ColumnList)
};

class TColumnItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnItem, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(ColumnItem)
};

// source AS alias; the alias is a string literal, which also takes an unquoted word.
class TColumnItem_Sub_2 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnItem_Sub_2, TSQLProduction)
    PARSER_RULE(Sequence);
};

// source [alias]
class TColumnItem_Sub_1 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnItem_Sub_1, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TColumnSource : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnSource, TSQLProduction)
    PARSER_RULE(Choice);
};

class TAliasIdOpt : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAliasIdOpt, TSQLProduction)
    PARSER_RULE(Sequence);
    // The alias as written; empty when the child is not a TAliasId.
    virtual std::string GetAlias() const;
};

class TAliasId : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAliasId, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TAliasIdentifier : public TIdentifier {
    PARSER_SYMBOL_CLASS(TAliasIdentifier, TIdentifier)
    PARSER_SQL_ACCEPT(AliasIdentifier)
};

class TTableIdentifier : public TIdentifier {
    PARSER_SYMBOL_CLASS(TTableIdentifier, TIdentifier)
};

// Names or aliased expressions separated by commas (INTO, USING, index hints).
class TIdentifierList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIdentifierList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    bool SucceedsWhenTolerant() const override { return true; }
};

class TIdentifierListItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIdentifierListItem, TSQLProduction)
    PARSER_RULE(Choice);
};

class TExpressionAlias : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TExpressionAlias, TSQLProduction)
    PARSER_RULE(Sequence);
};

// ---- FROM and table references

class TFromClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TFromClause, TSQLProduction)
    PARSER_SQL_ACCEPT(FromClause)
};

class TStandardFromClause : public TFromClause {
    PARSER_SYMBOL_CLASS(TStandardFromClause, TFromClause)
    PARSER_RULE(Sequence);
};

class TFromTableReferenceList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TFromTableReferenceList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    bool SucceedsWhenTolerant() const override { return true; }
    PARSER_SQL_ACCEPT(FromTableReferenceList)
};

class TFromTableReference : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TFromTableReference, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(FromTableReference)
};

class TTableReferenceList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTableReferenceList, TSQLProduction)
    PARSER_RULE(DelimitedList);
};

class TTableReference : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTableReference, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(TableReference)
};

class TJoinedTable : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinedTable, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TJoinChain : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinChain, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TTableFactor : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTableFactor, TSQLProduction)
    PARSER_RULE(Choice);
    bool SucceedsWhenTolerant() const override { return true; }
    PARSER_SQL_ACCEPT(TableFactor)
};

// A named table with an optional alias.
class TTableFactor_01 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTableFactor_01, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(TableFactor_01)
    // As written, schema and dot included.
    std::string GetTableName() const;
    std::string GetAlias() const;
};

// ( table references )
class TTableFactor_03 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTableFactor_03, TSQLProduction)
    PARSER_RULE(Sequence);
};

// A derived table: a sub-select and its alias, which the server requires.
class TTableFactor_04 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TTableFactor_04, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(TableFactor_04)
    std::string GetAlias() const;
    // The query inside the parentheses as written, comments kept.
    std::string GetSelectText() const;
};

// ---- joins

class TJoin : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoin, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(Join)
};

class TJoinVariant : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinVariant, TSQLProduction)
    // The joined table's factor; none when it is not a single factor.
    virtual TTableFactor* GetTableFactor() const;
};

class TInnerJoinVariant : public TJoinVariant {
    PARSER_SYMBOL_CLASS(TInnerJoinVariant, TJoinVariant)
    PARSER_RULE(Sequence);
};

class TOuterJoinVariant : public TJoinVariant {
    PARSER_SYMBOL_CLASS(TOuterJoinVariant, TJoinVariant)
    PARSER_RULE(Sequence);
    TTableFactor* GetTableFactor() const override;
};

class TNaturalJoinVariant : public TJoinVariant {
    PARSER_SYMBOL_CLASS(TNaturalJoinVariant, TJoinVariant)
    PARSER_RULE(Sequence);
};

class TJoinType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinType, TSQLProduction)
    PARSER_RULE(Choice);
};

class TOuterJoinHead : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOuterJoinHead, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TOuterJoinType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOuterJoinType, TSQLProduction)
    PARSER_RULE(Choice);
};

class TJoinCondition : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinCondition, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(JoinCondition)
};

// ON expression
class TJoinCondition_01 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinCondition_01, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(JoinCondition_01)
};

// USING (names): visited generically first, then through its own operation.
class TJoinCondition_02 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TJoinCondition_02, TSQLProduction)
    PARSER_RULE(Sequence);
    void Accept(TSymbolVisitor& visitor) override;
};

class TJoinConditionExpression : public TExpression {
    PARSER_SYMBOL_CLASS(TJoinConditionExpression, TExpression)
    PARSER_SQL_ACCEPT(JoinConditionExpression)
};

// ---- clauses

class TWhereClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TWhereClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(WhereClause)
};

class TUpdateWhereClause : public TWhereClause {
    PARSER_SYMBOL_CLASS(TUpdateWhereClause, TWhereClause)
};

class TGroupClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TGroupClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(GroupClause)
};

class THavingClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(THavingClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(HavingClause)
};

class TOrderClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOrderClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(OrderClause)
};

class TOrderList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOrderList, TSQLProduction)
    PARSER_RULE(DelimitedList);
};

class TOrderItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOrderItem, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(OrderItem)
};

class TOrderType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOrderType, TSQLProduction)
    PARSER_RULE(Choice);
};

// LIMIT count [OFFSET n | , n]; a count may be a routine variable, as the server allows there.
class TLimitClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLimitClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(LimitClause)
};

// A number, or the name of a routine variable or parameter.
class TLimitValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLimitValue, TSQLProduction)
    PARSER_RULE(Choice);
};

class TOffset : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOffset, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TOffsetOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOffsetOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

} // namespace parser
