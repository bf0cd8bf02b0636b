#include "parser/uSQLRoutines.h"

#include "parser/uSQLStatements.h"
#include "parser/uSQLValues.h"

namespace parser {

namespace {

core::TDatatypeCharacteristics DataTypeOf(const TProduction& production) {
    const auto* type = production.Children().Find<TgrmDataType>();
    RTL_ASSERT(type != nullptr);
    return type->GetCharacteristics(false);
}

void AppendParameters(const TProduction& routine, std::vector<TgrmParameterDefinition*>* destination) {
    RTL_ASSERT(destination != nullptr);
    if (auto* parameters = routine.Children().Find<TgrmParameterList>())
        parameters->GetParameters(destination);
}

} // namespace

// ---- routines

void TgrmCreateRoutine::DefineRule(TRule& rule) {
    rule.Const("CREATE")
        .Add<TgrmRoutineDefiner>(kOptional)
        .Const(GetRoutineKind())
        .Add<TgrmRoutineIdentifier>()
        .Const("(")
        .Add<TgrmParameterList>(kOptional)
        .Const(")");
    if (IsFunction()) rule.Add<TgrmReturnsType>();
    rule.Add<TgrmRoutineCharacteristic>(kOptional).Add(Builder().StatementClass());
}

void TgrmCreateRoutine::GetParameters(std::vector<TgrmParameterDefinition*>* destination) const {
    AppendParameters(*this, destination);
}

core::TDatatypeCharacteristics TgrmCreateRoutine::GetReturnType() const {
    if (!IsFunction()) return {};
    const auto* returns = Children().Find<TgrmReturnsType>();
    RTL_ASSERT(returns != nullptr);
    return returns->GetDataType();
}

TStatement* TgrmCreateRoutine::GetBody() const {
    return Children().Find<TStatement>();
}

void TgrmRoutineHeader::DefineRule(TRule& rule) {
    rule.Const("CREATE")
        .Add<TgrmRoutineDefiner>(kOptional)
        .Add<TgrmRoutineType>()
        .Add<TgrmRoutineIdentifier>()
        .Const("(")
        .Add<TgrmParameterList>(kOptional)
        .Const(")");
}

void TgrmRoutineHeader::GetParameters(std::vector<TgrmParameterDefinition*>* destination) const {
    AppendParameters(*this, destination);
}

std::string TgrmRoutineHeader::GetRoutineName() const {
    const auto* name = Children().Find<TgrmRoutineIdentifier>();
    return name ? GetSymbolText(*name) : std::string();
}

std::string TgrmRoutineHeader::GetRoutineType() const {
    const auto* type = Children().Find<TgrmRoutineType>();
    return type ? GetSymbolText(*type) : std::string();
}

void TgrmRoutineType::DefineRule(TRule& rule) {
    rule.Const("PROCEDURE").Const("FUNCTION");
}

void TgrmRoutineDefiner::DefineRule(TRule& rule) {
    rule.ConstSeq("DEFINER =").Add<TgrmPrincipalIdentifier>();
}

void TgrmPrincipalIdentifier::DefineRule(TRule& rule) {
    rule.Const("CURRENT_USER").Add<TgrmComplexPrincipalIdentifier>().Add<TAnyTextTerminal>();
}

void TgrmComplexPrincipalIdentifier::DefineRule(TRule& rule) {
    // An "@" right after a quote is a word of its own, not the start of a user variable.
    rule.Add<TAnyTextTerminal>().Const("@").Add<TAnyTextTerminal>();
}

void TgrmRoutineIdentifier::DefineRule(TRule& rule) {
    rule.Add<TIdentifier>();
}

// ---- parameters

void TgrmParameterList::DefineRule(TRule& rule) {
    rule.Add<TgrmParameterDefinition>().Const(",").Add<TgrmParameterList>();
}

void TgrmParameterList::GetParameters(std::vector<TgrmParameterDefinition*>* destination) const {
    RTL_ASSERT(destination != nullptr);
    for (const TgrmParameterList* items = this; items;) {
        if (auto* parameter = items->Children().Find<TgrmParameterDefinition>())
            destination->push_back(parameter);
        items = items->Children().Find<TgrmParameterList>();
    }
}

void TgrmParameterDefinition::DefineRule(TRule& rule) {
    rule.Add<TgrmParameterScope>(kOptional).Add<TIdentifierTerminal>().Add(Builder().DataTypeClass());
}

std::string TgrmParameterDefinition::GetName() const {
    const auto* name = Children().Find<TIdentifierTerminal>();
    return name ? GetSymbolText(*name) : std::string();
}

std::string TgrmParameterDefinition::GetScope() const {
    const auto* scope = Children().Find<TgrmParameterScope>();
    return scope ? GetSymbolText(*scope) : std::string("IN");
}

core::TDatatypeCharacteristics TgrmParameterDefinition::GetDataType() const {
    return DataTypeOf(*this);
}

void TgrmParameterScope::DefineRule(TRule& rule) {
    rule.Const("IN").Const("OUT").Const("INOUT");
}

void TgrmReturnsType::DefineRule(TRule& rule) {
    rule.Const("RETURNS").Add(Builder().DataTypeClass());
}

core::TDatatypeCharacteristics TgrmReturnsType::GetDataType() const {
    return DataTypeOf(*this);
}

// ---- characteristics

void TgrmRoutineCharacteristic::DefineRule(TRule& rule) {
    rule.Add<TgrmRoutineCharacteristicItem>().Add<TgrmRoutineCharacteristic>(kOptional);
}

void TgrmRoutineCharacteristicItem::DefineRule(TRule& rule) {
    rule.ConstSeq("LANGUAGE SQL")
        .Add<TgrmDeterministicClause>()
        .Add<TgrmDataUsage>()
        .Add<TgrmSQLSecutiry>()
        .Add<TgrmCommentClause>();
}

void TgrmDeterministicClause::DefineRule(TRule& rule) {
    rule.Const("NOT", kOptional).Const("DETERMINISTIC");
}

void TgrmDataUsage::DefineRule(TRule& rule) {
    rule.ConstSeq("CONTAINS SQL").ConstSeq("NO SQL").ConstSeq("READS SQL DATA").ConstSeq("MODIFIES SQL DATA");
}

void TgrmSQLSecutiry::DefineRule(TRule& rule) {
    rule.ConstSeq("SQL SECURITY").Add<TgrmSQLSecurityType>();
}

void TgrmSQLSecurityType::DefineRule(TRule& rule) {
    rule.Const("DEFINER").Const("INVOKER");
}

void TgrmCommentClause::DefineRule(TRule& rule) {
    rule.Const("COMMENT").Add<TStringTerminal>();
}

} // namespace parser
