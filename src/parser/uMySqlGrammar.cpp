#include "parser/uMySqlGrammar.h"

#include "core/uMySQLTypes.h"
#include "parser/uSQLQueries.h"
#include "parser/uTokenizer.h"

#include <cctype>

namespace parser {

namespace {

// "_" and each character set of the catalogue in upper case, in the catalogue's order.
const std::vector<std::string>& Introducers() {
    static const std::vector<std::string> introducers = [] {
        std::vector<std::string> list;
        for (std::string_view name : core::CharsetNames) {
            std::string introducer = "_";
            for (char c : name)
                introducer += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            list.push_back(std::move(introducer));
        }
        return list;
    }();
    return introducers;
}

} // namespace

// ---- TMySqlGrammar

void TMySqlGrammar::ConfigureTokenizer(TTokenizer& tokenizer) {
    TCommonSQLGrammar::ConfigureTokenizer(tokenizer);
    tokenizer.IdentifierQuotes().AddQuote("`");
}

void TMySqlGrammar::GetCompositeOperations(std::vector<std::string>& list) const {
    TCommonSQLGrammar::GetCompositeOperations(list);
    // Before "<=", which is its prefix.
    list.insert(list.begin(), "<=>");
    list.push_back("&&");
}

TObjectBuilderClass TMySqlGrammar::ObjectBuilderClass() const {
    return &NewObjectBuilder<TMySqlObjectBuilder>;
}

// ---- casts

void TMySqlCast::DefineRule(TRule& rule) {
    rule.Add<TStandardCast>().Add<TgrmConvert>().Add<TgrmConvertCharset>().Add<TgrmConvertToBinaryString>();
}

void TgrmConvertCharset::DefineRule(TRule& rule) {
    rule.Reserved("CONVERT").Const("(").Add<TExpression>().Add<TgrmUsingCharsetClause>().Const(")");
}

TSymbol* TgrmConvertCharset::GetCastExpression() const {
    return Children().Find<TExpression>();
}

core::TDatatypeCharacteristics TgrmConvertCharset::GetCastType() const {
    const auto* clause = Children().Find<TgrmUsingCharsetClause>();
    RTL_ASSERT(clause != nullptr);
    int32_t codePage = core::CharsetCodePages[core::CharsetIndexByName(clause->GetCharsetName())];
    return core::MakeDatatypeCharacteristics(core::dtString, codePage, 0, core::kNoLength, 0, 0, {});
}

void TgrmUsingCharsetClause::DefineRule(TRule& rule) {
    rule.Reserved("USING").Add<TIdentifier>();
}

std::string TgrmUsingCharsetClause::GetCharsetName() const {
    const auto* name = Children().Find<TIdentifier>();
    return name ? GetSymbolText(*name) : std::string();
}

// ---- string literals

void TMyStringLiteral::DefineRule(TRule& rule) {
    rule.Add<TMyStringLiteralCharset>(kOptional).Add<TTextTerminal>().Add<TMyStringLiteralCollation>(
        kOptional);
}

void TMyStringLiteralCharset::DefineRule(TRule& rule) {
    for (const std::string& introducer : Introducers())
        rule.Reserved(introducer);
}

void TMyStringLiteralCollation::DefineRule(TRule& rule) {
    rule.Reserved("COLLATE").Add(Builder().ValueClass());
}

// ---- values

void TMyValue::DefineRule(TRule& rule) {
    rule.Add<TgrmMySpecialFunction>().Add<TMyGroupConcat>().Add<TgrmDateTimeInterval>();
    TValue::DefineRule(rule);
}

void TMyGroupConcat::DefineRule(TRule& rule) {
    rule.Const("GROUP_CONCAT")
        .Const("(")
        .Add<TMyGroupConcatExpressionList>()
        .Add<TOrderClause>(kOptional)
        .Add<TMyGroupConcatSeparatorClause>(kOptional)
        .Const(")");
}

void TMyGroupConcatExpressionList::DefineRule(TRule& rule) {
    rule.Const("DISTINCT", kOptional).Add<TExpressionList>();
}

void TMyGroupConcatSeparatorClause::DefineRule(TRule& rule) {
    rule.Const("SEPARATOR").Add(Builder().StringLiteralClass());
}

void TMyComparsionOperator::DefineRule(TRule& rule) {
    rule.Const("<=>");
    TComparsionOperator::DefineRule(rule);
}

// ---- special functions

void TgrmMySpecialFunction::DefineRule(TRule& rule) {
    rule.Add<TgrmPositionFunc>()
        .Add<TgrmSubstringFunc>()
        .Add<TgrmTrimFunc>()
        .Add<TgrmCharFunc>()
        .Add<TgrmValuesFunc>()
        .Add<TgrmExtractFunc>();
}

void TgrmPositionFunc::DefineRule(TRule& rule) {
    // The sub-string is a bit-level operand, as on the server, so that its IN is not a predicate.
    rule.Const("POSITION").Const("(").Add<TBitExp>().Reserved("IN").Add<TExpression>().Const(")");
}

void TgrmSubstringFunc::DefineRule(TRule& rule) {
    rule.ConstOr("SUBSTRING SUBSTR").Const("(").Add<TgrmSubstringSignature>().Const(")");
}

void TgrmSubstringSignature::DefineRule(TRule& rule) {
    rule.Add<TgrmSubstringSignatureBody>().Add<TExpressionList>();
}

void TgrmSubstringSignatureBody::DefineRule(TRule& rule) {
    rule.Add<TExpression>().Reserved("FROM").Add<TExpression>().Add<TgrmSubstringSignatureTail>(kOptional);
}

void TgrmSubstringSignatureTail::DefineRule(TRule& rule) {
    rule.Reserved("FOR").Add<TExpression>();
}

void TgrmTrimFunc::DefineRule(TRule& rule) {
    rule.Const("TRIM")
        .Const("(")
        .ConstOr("BOTH LEADING TRAILING", kOptional)
        .Add<TgrmTrimFuncFromClause>(kOptional)
        .Add<TExpression>()
        .Const(")");
}

void TgrmTrimFuncFromClause::DefineRule(TRule& rule) {
    // "TRIM(LEADING FROM s)" trims blanks.
    rule.Add<TExpression>(kOptional).Reserved("FROM");
}

void TgrmCharFunc::DefineRule(TRule& rule) {
    rule.Reserved("CHAR").Const("(").Add<TExpressionList>().Add<TgrmUsingCharsetClause>(kOptional).Const(")");
}

void TgrmExtractFunc::DefineRule(TRule& rule) {
    rule.Const("EXTRACT")
        .Const("(")
        .Add<TgrmDateTimeIntervalUnit>()
        .Reserved("FROM")
        .Add<TExpression>()
        .Const(")");
}

void TgrmValuesFunc::DefineRule(TRule& rule) {
    rule.Reserved("VALUES").Const("(").Add<TColumnReference>().Const(")");
}

} // namespace parser
