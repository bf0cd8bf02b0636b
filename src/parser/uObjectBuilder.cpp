#include "parser/uObjectBuilder.h"

#include "parser/uMySqlDataTypes.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uMySqlStatements.h"
#include "parser/uSQLDataChange.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLStatements.h"

namespace parser {

namespace {

#define PARSER_COUNT_BUILDER_POSITION(Name) +1
static_assert(0 PARSER_OBJECT_BUILDER_POSITIONS(PARSER_COUNT_BUILDER_POSITION) == 62,
              "one operation per builder position");
#undef PARSER_COUNT_BUILDER_POSITION

} // namespace

// ---- TCommonObjectBuilder

const TSymbolClass& TCommonObjectBuilder::SelectStatementClass() const {
    return TSelectStatement::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InsertStatementClass() const {
    return TInsertStatement::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::UpdateStatementClass() const {
    return TUpdateStatement::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::DeleteStatementClass() const {
    return TDeleteStatement::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::SQLStatementClass() const {
    return TSQLStatement::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::UnionChainClass() const {
    return TUnionChain::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::OrderClauseClass() const {
    return TOrderClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::RestrictionClass() const {
    return TSimpleRestriction::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::RestrictionValueClass() const {
    return TSimpleRestrictionValue::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::CaseWhenClass() const {
    return TCaseWhen::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::OrderTypeClass() const {
    return TOrderType::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ExpressionClass() const {
    return TExpression::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::MultExpClass() const {
    return TMultExp::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::OrOperatorClass() const {
    return TOrOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::AndOperatorClass() const {
    return TAndOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::NotOperatorClass() const {
    return TNotOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::BitBinaryOperatorClass() const {
    return TBitBinaryOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ConstantValueClass() const {
    return TConstantValue::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::TupleClass() const {
    return TTuple::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ComparisonOperatorClass() const {
    return TComparsionOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::AddBinaryOperatorClass() const {
    return TAddBinaryOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::MultBinaryOperatorClass() const {
    return TMultBinaryOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::FunctionClass() const {
    return TFunction::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::CastClass() const {
    return TCast::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::DataTypeClass() const {
    // Data types belong to the dialects; a grammar without one cannot build a rule that needs one.
    throw rtl::Exception("Data type class not defined");
}
const TSymbolClass& TCommonObjectBuilder::CastTypeClass() const {
    return DataTypeClass();
}
const TSymbolClass& TCommonObjectBuilder::CaseClauseClass() const {
    return TCaseClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::SubQueryClass() const {
    return TSubQuery::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ColumnReferenceClass() const {
    return TColumnReference::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ReceiverColumnReferenceClass() const {
    return TReceiverColumnReference::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ColumnsClass() const {
    return TColumns::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::FromClauseClass() const {
    return TStandardFromClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::WhereClauseClass() const {
    return TWhereClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::GroupClauseClass() const {
    return TGroupClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::HavingClauseClass() const {
    return THavingClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::TableReferenceClass() const {
    return TTableReference::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::FromTableReferenceClass() const {
    return TFromTableReference::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::TableFactorClass() const {
    return TTableFactor::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::NamedTableFactorClass() const {
    return TTableFactor_01::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InsertTableNameClass() const {
    return TInsertTableName::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::AliasClass() const {
    return TAliasIdOpt::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InsertTargetClass() const {
    return TInsertTarget::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InsertColumnListClass() const {
    return TInsertColumnList::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InsertVariantsClass() const {
    return TInsertVariants::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InsertValuesExpressionListClass() const {
    return TInsertValuesExpressionList::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::DeleteWhereClauseClass() const {
    return TWhereClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::DeleteFromClauseClass() const {
    return FromClauseClass();
}
const TSymbolClass& TCommonObjectBuilder::UpdateWhereClauseClass() const {
    return TUpdateWhereClause::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::JoinClass() const {
    return TJoin::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::OuterJoinVariantClass() const {
    return TOuterJoinVariant::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::InnerJoinVariantClass() const {
    return TInnerJoinVariant::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::NaturalJoinVariantClass() const {
    return TNaturalJoinVariant::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::JoinTypeClass() const {
    return TJoinType::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::JoinConditionClass() const {
    return TJoinCondition::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::SubSelectStatementClass() const {
    return TSubSelectStatement::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::ValueClass() const {
    return TValue::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::StringLiteralClass() const {
    return TStringLiteral::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::IdentifierClass() const {
    return TIdentifier::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::SubQueryOperatorClass() const {
    return TSubQueryOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::StringMatchOperatorClass() const {
    return TStandardStringMatchOperator::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::UnionOperatorTypeClass() const {
    return TUnionOperatorType::StaticClass();
}
const TSymbolClass& TCommonObjectBuilder::StatementClass() const {
    return TStatement::StaticClass();
}

// ---- TMySqlObjectBuilder

const TSymbolClass& TMySqlObjectBuilder::SelectStatementClass() const {
    return TMySelectStatement::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::InsertStatementClass() const {
    return TMyInsertStatement::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::UpdateStatementClass() const {
    return TMyUpdateStatement::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::DeleteStatementClass() const {
    return TMyDeleteStatement::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::SQLStatementClass() const {
    return TMySQLStatement::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::RestrictionClass() const {
    return TMySqlRestriction::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::GroupClauseClass() const {
    return TMySqlGroupClause::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::ComparisonOperatorClass() const {
    return TMyComparsionOperator::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::CastClass() const {
    return TMySqlCast::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::DataTypeClass() const {
    return TMySqlType::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::CastTypeClass() const {
    return TMySQLCastType::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::NamedTableFactorClass() const {
    return TMyTableFactor_01::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::AliasClass() const {
    return TMyAliasIDOpt::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::InsertVariantsClass() const {
    return TMySqlInsertVariants::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::DeleteFromClauseClass() const {
    return TMyDeleteFromClause::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::JoinClass() const {
    return TMyJoin::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::SubSelectStatementClass() const {
    return TMySubSelectStatement::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::ValueClass() const {
    return TMyValue::StaticClass();
}
const TSymbolClass& TMySqlObjectBuilder::StringLiteralClass() const {
    return TMyStringLiteral::StaticClass();
}

} // namespace parser
