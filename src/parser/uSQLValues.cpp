#include "parser/uSQLValues.h"

#include "parser/uSQLExpressions.h"
#include "parser/uSystemFunctions.h"

namespace parser {

namespace {

core::TDatatypeCharacteristics CastTypeOfChild(const TProduction& cast) {
    auto* type = cast.Children().Find<TgrmDataType>();
    RTL_ASSERT(type != nullptr);
    return type->GetCharacteristics(true);
}

} // namespace

// ---- values and literals

void TValue::DefineRule(TRule& rule) {
    const TCommonObjectBuilder& builder = Builder();
    // The assignment comes first: as on the server, "@a := 1 + 1" assigns the whole expression.
    rule.Add<TgrmAssignationExpression>()
        .Add<THexadecimalTerminal>()
        .Add<TBinaryTerminal>()
        .Add<TNumericTerminal>()
        .Add(builder.TupleClass())
        .Add(builder.FunctionClass())
        .Add(builder.CaseClauseClass())
        .Add(builder.ColumnReferenceClass())
        .Add(builder.ConstantValueClass())
        .Add(builder.SubQueryClass())
        .Add(builder.CastClass())
        .Add<TQueryParameter>();
}

void TConstantValue::DefineRule(TRule& rule) {
    rule.Add<TLiteralNull>()
        .Add<TLiteralTrue>()
        .Add<TLiteralFalse>()
        .Reserved("UNKNOWN")
        .Add<TLiteralDefault>()
        .Reserved("DEFAULT")
        .Add<TNumericTerminal>()
        .Add(Builder().StringLiteralClass())
        .Const("*");
}

void TLiteralNull::DefineRule(TRule& rule) {
    rule.Reserved("NULL");
}

void TLiteralTrue::DefineRule(TRule& rule) {
    rule.Reserved("TRUE");
}

void TLiteralFalse::DefineRule(TRule& rule) {
    rule.Reserved("FALSE");
}

void TLiteralDefault::DefineRule(TRule& rule) {
    rule.Reserved("DEFAULT");
}

void TStringLiteral::DefineRule(TRule& rule) {
    rule.Add<TTextTerminal>();
}

TTextTerminal* TStringLiteral::GetTextTerminal() const {
    return Children().Find<TTextTerminal>();
}

void TQueryParameter::DefineRule(TRule& rule) {
    rule.Const(":").Add(Builder().IdentifierClass());
}

// ---- tuples and lists

void TTuple::DefineRule(TRule& rule) {
    // A sub-select first: "(SELECT 1)" is never an expression list.
    rule.Add<TSelectTuple>().Add<TExpressionTuple>();
}

bool TTuple::IsExpressionTuple() const {
    return !Children().IsEmpty() && Children()[0]->InheritsFrom(TExpressionTuple::StaticClass());
}

TExpressionList* TTuple::GetExpressionList() const {
    if (!IsExpressionTuple()) return nullptr;
    const auto& tuple = static_cast<const TExpressionTuple&>(*Children()[0]);
    return tuple.Children().Count() > 1 ? dynamic_cast<TExpressionList*>(tuple.Children()[1]) : nullptr;
}

void TSelectTuple::DefineRule(TRule& rule) {
    rule.Const("(").Add(Builder().SelectStatementClass()).Const(")");
}

void TExpressionTuple::DefineRule(TRule& rule) {
    rule.Const("(").Add<TExpressionList>().Const(")");
}

void TExpressionList::DefineRule(TRule& rule) {
    rule.Add(Builder().ExpressionClass()).Const(",").Add<TExpressionList>();
}

void TExpressionList::GetExpressions(std::vector<TExpression*>* destination) const {
    RTL_ASSERT(destination != nullptr);
    for (const TExpressionList* list = this; list;) {
        const TExpressionList* rest = nullptr;
        for (TSymbol* child : list->Children()) {
            if (auto* expression = dynamic_cast<TExpression*>(child))
                destination->push_back(expression);
            else if (auto* nested = dynamic_cast<TExpressionList*>(child))
                rest = nested;
        }
        list = rest;
    }
}

// ---- names

bool TCustomIdentifier::SucceedsWhenTolerant() const {
    return Owner() && Owner()->InheritsFrom(TCustomIdentifier::StaticClass());
}

bool TCustomIdentifier::Memoised() const {
    return !(GetGrammar()->Tolerant() && SucceedsWhenTolerant());
}

void TIdentifier::DefineRule(TRule& rule) {
    rule.Add<TIdentifierItem>().Const(".").Add(Builder().IdentifierClass());
}

void TFunctionIdentifier::DefineRule(TRule& rule) {
    rule.Add<TFunctionIdentifierItem>().Const(".").Add<TFunctionIdentifier>();
}

void TIdentifierItem::DefineRule(TRule& rule) {
    rule.Add<TArrayCell>().Add<TIdentifierTerminal>().Const("*");
}

void TArrayCell::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>().Const("[").Add<TNumericTerminal>().Const("]");
}

void TFunctionIdentifierItem::DefineRule(TRule& rule) {
    rule.Add<TFunctionIdentifierTerminal>();
}

bool TFunctionIdentifierTerminal::Accepts(const TToken& token) const {
    if (const auto* text = token.As<TCustomTextToken>(); text && SystemFunctions().Exists(text->Text()))
        return true;
    return TIdentifierTerminal::Accepts(token);
}

void TColumnReference::DefineRule(TRule& rule) {
    rule.Add<TColumnReference_01>().Add<TColumnReference_02>().Add(Builder().IdentifierClass());
}

void TColumnReference_01::DefineRule(TRule& rule) {
    rule.Add(Builder().IdentifierClass()).Const(".").Add<TTableName>();
}

void TColumnReference_02::DefineRule(TRule& rule) {
    const TSymbolClass& identifier = Builder().IdentifierClass();
    rule.Add(identifier).Const(".").Add(identifier).Const(".").Add<TTableName>();
}

void TTableName::DefineRule(TRule& rule) {
    rule.Add(Builder().IdentifierClass()).Const("*").Const("+").Const("-");
}

void TColumnReferenceList::DefineRule(TRule& rule) {
    rule.Add(Builder().ColumnReferenceClass()).Const(",").Add<TColumnReferenceList>();
}

// ---- calls and sub-queries

void TFunction::DefineRule(TRule& rule) {
    rule.Add<TFunctionIdentifier>()
        .Const("(")
        .Add<TAggregateOption>(kOptional)
        .Add<TExpressionList>(kOptional)
        .Const(")");
}

std::string TFunction::GetName() const {
    return GetSymbolText(*Children()[0]);
}

void TFunction::GetArguments(std::vector<TExpression*>* destination) const {
    if (auto* list = Children().Find<TExpressionList>()) list->GetExpressions(destination);
}

void TAggregateOption::DefineRule(TRule& rule) {
    rule.Reserved("ALL").Reserved("DISTINCT");
}

void TSubQuery::DefineRule(TRule& rule) {
    rule.Add(Builder().SubQueryOperatorClass()).Add(Builder().TupleClass());
}

void TSubQueryOperator::DefineRule(TRule& rule) {
    rule.Reserved("EXISTS").Reserved("ANY").Reserved("SOME").Reserved("ALL");
}

// ---- CASE

void TCaseClause::DefineRule(TRule& rule) {
    rule.Reserved("CASE")
        .Add<TExpression>(kOptional)
        .Add<TCaseWhenChain>()
        .Add<TCaseElse>(kOptional)
        .Add<TCaseEnd>();
}

void TCaseWhenChain::DefineRule(TRule& rule) {
    rule.Add(Builder().CaseWhenClass()).Add<TCaseWhenChain>(kOptional);
}

void TCaseWhen::DefineRule(TRule& rule) {
    rule.Reserved("WHEN").Add<TExpression>().Add<TCaseThen>();
}

void TCaseThen::DefineRule(TRule& rule) {
    rule.Reserved("THEN").Add<TExpression>();
}

void TCaseElse::DefineRule(TRule& rule) {
    rule.Reserved("ELSE").Add<TExpression>();
}

void TCaseEnd::DefineRule(TRule& rule) {
    rule.Reserved("END");
}

// ---- casts

void TCast::DefineRule(TRule& rule) {
    rule.Add<TStandardCast>();
}

void TStandardCast::DefineRule(TRule& rule) {
    rule.Reserved("CAST")
        .Const("(")
        .Add<TExpression>()
        .Reserved("AS")
        .Add(Builder().CastTypeClass())
        .Const(")");
}

TSymbol* TStandardCast::GetCastExpression() const {
    return Children().Find<TExpression>();
}

core::TDatatypeCharacteristics TStandardCast::GetCastType() const {
    return CastTypeOfChild(*this);
}

void TgrmConvert::DefineRule(TRule& rule) {
    rule.Reserved("CONVERT")
        .Const("(")
        .Add<TExpression>()
        .Const(",")
        .Add(Builder().DataTypeClass())
        .Const(")");
}

TSymbol* TgrmConvert::GetCastExpression() const {
    return Children().Find<TExpression>();
}

core::TDatatypeCharacteristics TgrmConvert::GetCastType() const {
    return CastTypeOfChild(*this);
}

void TgrmConvertToBinaryString::DefineRule(TRule& rule) {
    rule.Reserved("BINARY").Add(Builder().ValueClass());
}

core::TDatatypeCharacteristics TgrmConvertToBinaryString::GetCastType() const {
    return core::MakeDatatypeCharacteristics(core::dtString, -1, 0, core::kNoLength, 0, 0, {});
}

} // namespace parser
