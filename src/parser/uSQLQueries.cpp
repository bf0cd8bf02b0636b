#include "parser/uSQLQueries.h"

namespace parser {

// ---- SELECT and the union chain

void TSelectStatement::DefineRule(TRule& rule) {
    rule.Add(Builder().UnionChainClass()).Add(Builder().OrderClauseClass(), kOptional);
}

void TUnionChain::DefineRule(TRule& rule) {
    rule.Add<TUnionSubSelect>().Add<TUnionChainTail>(kOptional);
}

void TUnionSubSelect::DefineRule(TRule& rule) {
    rule.Add<TSelectStatementHead>().Add(Builder().SubSelectStatementClass());
}

void TUnionChainTail::DefineRule(TRule& rule) {
    rule.Add<TUnionOperator>().Add<TUnionChain>();
}

void TUnionOperator::DefineRule(TRule& rule) {
    rule.Add(Builder().UnionOperatorTypeClass()).Add<TUnionRestriction>(kOptional);
}

void TUnionOperatorType::DefineRule(TRule& rule) {
    rule.Reserved("UNION").Reserved("INTERSECT").Reserved("EXCEPT");
}

void TUnionRestriction::DefineRule(TRule& rule) {
    rule.Reserved("ALL").Reserved("DISTINCT");
}

void TSelectStatementHead::DefineRule(TRule& rule) {
    const TCommonObjectBuilder& builder = Builder();
    rule.Reserved("SELECT")
        .Add(builder.ColumnsClass())
        .Add<TIntoClause>(kOptional)
        .Add(builder.FromClauseClass(), kOptional)
        .Add(builder.WhereClauseClass(), kOptional)
        .Add(builder.GroupClauseClass(), kOptional)
        .Add(builder.HavingClauseClass(), kOptional);
}

void TIntoClause::DefineRule(TRule& rule) {
    rule.Reserved("INTO").Add<TIdentifierList>();
}

void TSubSelectStatement::DefineRule(TRule& rule) {
    rule.Const("(").Add(Builder().SelectStatementClass()).Const(")");
}

// ---- columns and aliases

void TColumns::DefineRule(TRule& rule) {
    rule.Add(Builder().RestrictionClass(), kOptional).Add<TColumnList>();
}

void TSimpleRestriction::DefineRule(TRule& rule) {
    rule.Add(Builder().RestrictionValueClass());
}

void TSimpleRestrictionValue::DefineRule(TRule& rule) {
    rule.Reserved("DISTINCT").Reserved("ALL");
}

void TColumnList::DefineRule(TRule& rule) {
    rule.Add<TColumnItem>().Const(",").Add<TColumnList>();
}

void TColumnItem::DefineRule(TRule& rule) {
    rule.Add<TColumnItem_Sub_2>().Add<TColumnItem_Sub_1>().Const("*");
}

void TColumnItem_Sub_2::DefineRule(TRule& rule) {
    rule.Add<TColumnSource>().Reserved("AS").Add(Builder().StringLiteralClass());
}

void TColumnItem_Sub_1::DefineRule(TRule& rule) {
    rule.Add<TColumnSource>().Add<TAliasIdOpt>(kOptional);
}

void TColumnSource::DefineRule(TRule& rule) {
    rule.Add<TExpression>();
}

void TAliasIdOpt::DefineRule(TRule& rule) {
    rule.Add<TAliasId>();
}

std::string TAliasIdOpt::GetAlias() const {
    const auto* alias = Children().IsEmpty() ? nullptr : dynamic_cast<const TAliasId*>(Children()[0]);
    if (!alias) return {};
    const TIdentifier* name = FindChildSymbol<TIdentifier>(*alias);
    return name ? GetSymbolText(*name) : std::string();
}

void TAliasId::DefineRule(TRule& rule) {
    rule.Reserved("AS", kOptional).Add<TAliasIdentifier>();
}

void TIdentifierList::DefineRule(TRule& rule) {
    rule.Add<TIdentifierListItem>().Const(",").Add<TIdentifierList>();
}

void TIdentifierListItem::DefineRule(TRule& rule) {
    rule.Add(Builder().IdentifierClass()).Add<TExpressionAlias>();
}

void TExpressionAlias::DefineRule(TRule& rule) {
    rule.Add<TExpression>().Reserved("AS", kOptional).Add(Builder().IdentifierClass());
}

// ---- FROM and table references

void TStandardFromClause::DefineRule(TRule& rule) {
    rule.Reserved("FROM").Add<TFromTableReferenceList>();
}

void TFromTableReferenceList::DefineRule(TRule& rule) {
    rule.Add(Builder().FromTableReferenceClass()).Const(",").Add<TFromTableReferenceList>();
}

void TFromTableReference::DefineRule(TRule& rule) {
    rule.Add<TTableReference>();
}

void TTableReferenceList::DefineRule(TRule& rule) {
    rule.Add(Builder().TableReferenceClass()).Const(",").Add<TTableReferenceList>();
}

void TTableReference::DefineRule(TRule& rule) {
    rule.Add<TJoinedTable>().Add(Builder().TableFactorClass());
}

void TJoinedTable::DefineRule(TRule& rule) {
    rule.Add(Builder().TableFactorClass()).Add<TJoinChain>();
}

void TJoinChain::DefineRule(TRule& rule) {
    rule.Add(Builder().JoinClass()).Add<TJoinChain>(kOptional);
}

void TTableFactor::DefineRule(TRule& rule) {
    rule.Add(Builder().NamedTableFactorClass()).Add<TTableFactor_04>().Add<TTableFactor_03>();
}

void TTableFactor_01::DefineRule(TRule& rule) {
    rule.Add<TTableIdentifier>().Add(Builder().AliasClass(), kOptional);
}

std::string TTableFactor_01::GetTableName() const {
    return GetSymbolText(*Children()[0]);
}

std::string TTableFactor_01::GetAlias() const {
    if (Children().Count() != 2) return {};
    const auto* alias = dynamic_cast<const TAliasIdOpt*>(Children()[1]);
    return alias ? alias->GetAlias() : std::string();
}

void TTableFactor_03::DefineRule(TRule& rule) {
    rule.Const("(").Add<TTableReferenceList>().Const(")");
}

void TTableFactor_04::DefineRule(TRule& rule) {
    rule.Add<TSubSelectStatement>().Reserved("AS", kOptional).Add<TValue>();
}

std::string TTableFactor_04::GetAlias() const {
    const TValue* alias = Children().Find<TValue>();
    return alias ? GetSymbolText(*alias) : std::string();
}

std::string TTableFactor_04::GetSelectText() const {
    const auto* select = Children().IsEmpty() ? nullptr : dynamic_cast<const TProduction*>(Children()[0]);
    if (!select || select->Children().Count() <= 1) return {};
    return GetSourceText(*select->Children()[1], false, true);
}

// ---- joins

TTableFactor* TJoinVariant::GetTableFactor() const {
    return Children().Find<TTableFactor>();
}

void TInnerJoinVariant::DefineRule(TRule& rule) {
    rule.ReservedOr("INNER CROSS", kOptional)
        .Reserved("JOIN")
        .Add(Builder().TableFactorClass())
        .Add(Builder().JoinConditionClass(), kOptional);
}

void TOuterJoinVariant::DefineRule(TRule& rule) {
    rule.Add(Builder().JoinTypeClass(), kOptional)
        .Reserved("JOIN")
        .Add(Builder().TableReferenceClass())
        .Add(Builder().JoinConditionClass());
}

TTableFactor* TOuterJoinVariant::GetTableFactor() const {
    const auto* reference = Children().Find<TTableReference>();
    if (!reference || reference->Children().IsEmpty()) return nullptr;
    return dynamic_cast<TTableFactor*>(reference->Children()[0]);
}

void TNaturalJoinVariant::DefineRule(TRule& rule) {
    rule.Reserved("NATURAL")
        .Add(Builder().JoinTypeClass(), kOptional)
        .Reserved("JOIN")
        .Add(Builder().TableFactorClass());
}

void TJoin::DefineRule(TRule& rule) {
    const TCommonObjectBuilder& builder = Builder();
    rule.Add(builder.InnerJoinVariantClass())
        .Add(builder.OuterJoinVariantClass())
        .Add(builder.NaturalJoinVariantClass());
}

void TJoinType::DefineRule(TRule& rule) {
    rule.Add<TOuterJoinHead>();
}

void TOuterJoinHead::DefineRule(TRule& rule) {
    rule.Add<TOuterJoinType>().Reserved("OUTER", kOptional);
}

void TOuterJoinType::DefineRule(TRule& rule) {
    rule.Reserved("LEFT").Reserved("RIGHT").Reserved("FULL");
}

void TJoinCondition::DefineRule(TRule& rule) {
    rule.Add<TJoinCondition_01>().Add<TJoinCondition_02>();
}

void TJoinCondition_01::DefineRule(TRule& rule) {
    rule.Reserved("ON").Add<TJoinConditionExpression>();
}

void TJoinCondition_02::DefineRule(TRule& rule) {
    rule.Reserved("USING").Const("(").Add<TIdentifierList>().Const(")");
}

void TJoinCondition_02::Accept(TSymbolVisitor& visitor) {
    visitor.VisitProduction(this);
    if (void* v = visitor.AsKind(TSQLProductionVisitor::Kind()))
        static_cast<TSQLProductionVisitor*>(v)->VisitJoinCondition_02(this);
}

// ---- clauses

void TWhereClause::DefineRule(TRule& rule) {
    rule.Reserved("WHERE").Add(Builder().ExpressionClass());
}

void TGroupClause::DefineRule(TRule& rule) {
    rule.Reserved("GROUP").Reserved("BY").Add<TOrderList>();
}

void THavingClause::DefineRule(TRule& rule) {
    rule.Reserved("HAVING").Add<TExpression>();
}

void TOrderClause::DefineRule(TRule& rule) {
    rule.ReservedSeq("ORDER BY").Add<TOrderList>();
}

void TOrderList::DefineRule(TRule& rule) {
    rule.Add<TOrderItem>().Const(",").Add<TOrderList>();
}

void TOrderItem::DefineRule(TRule& rule) {
    rule.Add<TExpression>().Add(Builder().OrderTypeClass(), kOptional);
}

void TOrderType::DefineRule(TRule& rule) {
    rule.Reserved("ASC").Reserved("DESC");
}

void TLimitClause::DefineRule(TRule& rule) {
    rule.Reserved("LIMIT").Add<TLimitValue>().Add<TOffset>(kOptional);
}

void TLimitValue::DefineRule(TRule& rule) {
    rule.Add<TNumericTerminal>().Add<TIdentifierTerminal>();
}

void TOffset::DefineRule(TRule& rule) {
    rule.Add<TOffsetOperator>().Add<TLimitValue>();
}

void TOffsetOperator::DefineRule(TRule& rule) {
    rule.Reserved("OFFSET").Const(",");
}

} // namespace parser
