#include "parser/uSQLDataChange.h"

#include "parser/uSQLStatements.h"
#include "platform/rtl/StringList.h"

namespace parser {

// ---- INSERT

void TInsertStatement::DefineRule(TRule& rule) {
    rule.ReservedOr("INSERT REPLACE");
    DefineOptions(rule);
    const TCommonObjectBuilder& builder = Builder();
    rule.Reserved("INTO", kOptional)
        .Add(builder.InsertTargetClass())
        .Add(builder.InsertColumnListClass(), kOptional)
        .Add(builder.InsertVariantsClass());
}

std::string TInsertStatement::GetTableName() const {
    const auto* target = Children().Find<TInsertTarget>();
    return target ? GetSymbolText(*target) : std::string();
}

void TInsertTarget::DefineRule(TRule& rule) {
    rule.Add<TInsertTableName>();
}

void TInsertTableName::DefineRule(TRule& rule) {
    rule.Add(Builder().IdentifierClass());
}

void TInsertColumnList::DefineRule(TRule& rule) {
    rule.Const("(").Add<TInsertColumnReferenceList>().Const(")");
}

void TInsertColumnList::GetColumns(rtl::TStringList& list) const {
    if (auto* columns = Children().Find<TInsertColumnReferenceList>()) columns->GetColumns(list);
}

void TInsertColumnReferenceList::DefineRule(TRule& rule) {
    rule.Add<TInsertColumnReference>().Const(",").Add<TInsertColumnReferenceList>();
}

void TInsertColumnReferenceList::GetColumns(rtl::TStringList& list) const {
    for (const TInsertColumnReferenceList* items = this; items;) {
        if (auto* column = items->Children().Find<TInsertColumnReference>()) list.Add(GetSymbolText(*column));
        items = items->Children().Find<TInsertColumnReferenceList>();
    }
}

void TInsertColumnReference::DefineRule(TRule& rule) {
    rule.Add(Builder().ColumnReferenceClass());
}

void TInsertVariants::DefineRule(TRule& rule) {
    rule.Add<TInsertValuesClause>().Add(Builder().SelectStatementClass());
}

void TInsertValuesClause::DefineRule(TRule& rule) {
    rule.Add<TInsertValuesKeyword>().Add<TInsertValuesList>();
}

void TInsertValuesKeyword::DefineRule(TRule& rule) {
    // VALUE is no reserved word of the server: columns are often named so.
    rule.Reserved("VALUES").Const("VALUE");
}

void TInsertValuesList::DefineRule(TRule& rule) {
    rule.Add<TInsertValuesItem>().Const(",").Add<TInsertValuesList>();
}

void TInsertValuesItem::DefineRule(TRule& rule) {
    rule.Const("(").Add(Builder().InsertValuesExpressionListClass(), kOptional).Const(")");
}

void TInsertValuesExpressionList::DefineRule(TRule& rule) {
    rule.Add<TInsertValuesExpression>().Const(",").Add(ClassType());
}

void TInsertValuesExpressionList::GetExpressions(std::vector<TInsertValuesExpression*>* destination) const {
    RTL_ASSERT(destination != nullptr);
    for (const TInsertValuesExpressionList* items = this; items;) {
        if (auto* value = items->Children().Find<TInsertValuesExpression>()) destination->push_back(value);
        items = items->Children().Find<TInsertValuesExpressionList>();
    }
}

void TInsertValuesExpression::DefineRule(TRule& rule) {
    rule.Add<TExpression>().Reserved("DEFAULT");
}

// ---- UPDATE

void TUpdateStatement::DefineRule(TRule& rule) {
    rule.Const("UPDATE");
    DefineOptions(rule);
    rule.Add<TTableReferenceList>().Add<TUpdateSetClause>().Add(Builder().UpdateWhereClauseClass(),
                                                                kOptional);
}

void TUpdateSetClause::DefineRule(TRule& rule) {
    rule.Reserved("SET").Add<TColumnExpressionList>();
}

void TColumnExpressionList::DefineRule(TRule& rule) {
    rule.Add<TColumnExpressionItem>().Const(",").Add<TColumnExpressionList>();
}

void TColumnExpressionItem::DefineRule(TRule& rule) {
    rule.Add(Builder().ReceiverColumnReferenceClass()).Const("=").Add<TInsertValuesExpression>();
}

// ---- DELETE

void TDeleteStatement::DefineRule(TRule& rule) {
    rule.Reserved("DELETE");
    DefineOptions(rule);
    rule.Add(Builder().DeleteFromClauseClass()).Add(Builder().DeleteWhereClauseClass(), kOptional);
}

} // namespace parser
