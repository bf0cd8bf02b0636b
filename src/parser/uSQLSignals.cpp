#include "parser/uSQLSignals.h"

#include "core/uStringUtils.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLStatements.h"

namespace parser {

// ---- TgrmCustomSignal

const TgrmCustomSignalCondigionValue* TgrmCustomSignal::ConditionValue() const {
    return Children().Find<TgrmCustomSignalCondigionValue>();
}

bool TgrmCustomSignal::IsConditionName() const {
    const auto* value = ConditionValue();
    return value && value->IsConditionName();
}

std::string TgrmCustomSignal::GetConditionName() const {
    const auto* value = ConditionValue();
    return value ? value->GetConditionName() : std::string();
}

std::string TgrmCustomSignal::GetSQLState() const {
    const auto* value = ConditionValue();
    return value ? value->GetSQLState() : std::string();
}

TSymbol* TgrmCustomSignal::FindItemExpression(std::string_view item) const {
    const auto* items = Children().Find<TgrmInformationItemAssignation>();
    return items ? items->FindItemExpression(item) : nullptr;
}

TSymbol* TgrmCustomSignal::GetErrorNumberExpression() const {
    return FindItemExpression("MYSQL_ERRNO");
}

TSymbol* TgrmCustomSignal::GetMessageTextExpression() const {
    return FindItemExpression("MESSAGE_TEXT");
}

void TgrmSignal::DefineRule(TRule& rule) {
    rule.Const("SIGNAL").Add<TgrmCustomSignalCondigionValue>().Add<TgrmInformationItemAssignation>(kOptional);
}

void TgrmResignal::DefineRule(TRule& rule) {
    rule.Const("RESIGNAL")
        .Add<TgrmCustomSignalCondigionValue>(kOptional)
        .Add<TgrmInformationItemAssignation>(kOptional);
}

// ---- the condition and the information items

void TgrmCustomSignalCondigionValue::DefineRule(TRule& rule) {
    rule.Add<TgrmSQLStateConditionValue>().Add<TConditionIdentifier>();
}

bool TgrmCustomSignalCondigionValue::IsConditionName() const {
    const TSymbol* value = ChildOrNone(*this, 0);
    return value && value->Is<TConditionIdentifier>();
}

std::string TgrmCustomSignalCondigionValue::GetConditionName() const {
    return IsConditionName() ? ChildText(*this, 0) : std::string();
}

std::string TgrmCustomSignalCondigionValue::GetSQLState() const {
    const auto* state = dynamic_cast<const TgrmSQLStateConditionValue*>(ChildOrNone(*this, 0));
    return state ? state->GetSQLState() : std::string();
}

void TgrmInformationItemAssignation::DefineRule(TRule& rule) {
    rule.Const("SET").Add<TgrmCustomSignalInformationList>();
}

TSymbol* TgrmInformationItemAssignation::FindItemExpression(std::string_view item) const {
    const auto* list = dynamic_cast<const TgrmCustomSignalInformationList*>(ChildOrNone(*this, 1));
    return list ? list->FindItemExpression(item) : nullptr;
}

void TgrmCustomSignalInformationList::DefineRule(TRule& rule) {
    rule.Add<TgrmCustomSignalInformation>().Const(",").Add<TgrmCustomSignalInformationList>();
}

TSymbol* TgrmCustomSignalInformationList::FindItemExpression(std::string_view item) const {
    for (const TgrmCustomSignalInformationList* items = this; items;) {
        const auto* information = items->Children().Find<TgrmCustomSignalInformation>();
        if (information && information->IsItem(item)) return information->GetExpression();
        items = items->Children().Find<TgrmCustomSignalInformationList>();
    }
    return nullptr;
}

void TgrmCustomSignalInformation::DefineRule(TRule& rule) {
    rule.Add<TgrmConditionInformationItem>().Const("=").Add<TExpression>();
}

bool TgrmCustomSignalInformation::IsItem(std::string_view item) const {
    return core::SameText(ChildText(*this, 0), item);
}

TSymbol* TgrmCustomSignalInformation::GetExpression() const {
    return ChildOrNone(*this, 2);
}

void TgrmConditionInformationItem::DefineRule(TRule& rule) {
    for (const char* item : {"MESSAGE_TEXT", "MYSQL_ERRNO", "CLASS_ORIGIN", "SUBCLASS_ORIGIN",
                             "CONSTRAINT_CATALOG", "CONSTRAINT_SCHEMA", "CONSTRAINT_NAME", "CATALOG_NAME",
                             "SCHEMA_NAME", "TABLE_NAME", "COLUMN_NAME", "CURSOR_NAME"})
        rule.Const(item);
}

} // namespace parser
