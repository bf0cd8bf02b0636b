#include "parser/uSQLExpressions.h"

#include "core/uStringUtils.h"
#include "parser/uParser.h"
#include "parser/uSQLValues.h"

#include <memory>

namespace parser {

namespace {

// A node of a chain, owned by the level that builds it, holding the parts and ending where the
// last matched symbol ends.
TProduction* NewNode(TProduction& level, const TSymbolClass& cls, std::initializer_list<TSymbol*> parts,
                     const TSymbols& moreParts, const TSymbol& last) {
    TSymbol* created = ParserFactory().CreateSymbol(cls, &level);
    RTL_ASSERT(created->Is<TProduction>());
    auto* node = static_cast<TProduction*>(created);
    node->Children().Reserve(static_cast<int>(parts.size()) + moreParts.Count());
    for (TSymbol* part : parts)
        node->Children().Add(part);
    for (TSymbol* part : moreParts)
        node->Children().Add(part);
    node->TSymbol::Assign(last);
    return node;
}

// A prefix operator and its operand.
TProduction* NewPrefixNode(TProduction& level, const TSymbolClass& cls, std::initializer_list<TSymbol*> parts,
                           const TSymbol& operand) {
    return NewNode(level, cls, parts, TSymbols(), operand);
}

// The first tail of the round that matches at the iterator, or null.
TChainTail* MatchTail(TRule& round, TTokenIterator& iterator) {
    for (int i = 1; i < round.Count(); ++i) {
        if (iterator.Eof()) return nullptr;
        int saved = iterator.Position();
        TSymbol* matched = nullptr;
        if (round.MatchElement(i, iterator, matched)) {
            RTL_ASSERT_MSG(matched->Is<TChainTail>(), "A chain lists its operand, then its tails");
            return static_cast<TChainTail*>(matched);
        }
        iterator.SetPosition(saved);
    }
    return nullptr;
}

// Most operands end a chain: a plain value passes every level with no tail to try.
bool AnyTailMayStart(const TRule& rule, const TTokenIterator& iterator) {
    for (int i = 1; i < rule.Count(); ++i)
        if (rule.MayStart(i, iterator)) return true;
    return false;
}

class TLeftChainStrategy : public TProductionMatchingStrategy {
public:
    TStartShape StartShape() const override { return TStartShape::Leading; }
    bool Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const override {
        if (rule.Count() == 0 || iterator.Eof()) return false;
        int start = iterator.Position();
        TSymbol* left = nullptr;
        if (!rule.MatchElement(0, iterator, left)) {
            iterator.SetPosition(start);
            return false;
        }
        while (AnyTailMayStart(rule, iterator)) {
            // Fresh tails every round: a matched symbol is what the memo remembers for its token.
            TRule round(owner);
            round.Define();
            TChainTail* tail = MatchTail(round, iterator);
            if (!tail) break;
            left = NewNode(owner, tail->NodeClass(), {left}, tail->Children(), *tail);
        }
        owner.Children().Add(left);
        return true;
    }
};

class TPrefixStrategy : public TProductionMatchingStrategy {
public:
    // Operators, then the operand: either may come first.
    TStartShape StartShape() const override { return TStartShape::Choice; }
    bool Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const override {
        RTL_ASSERT(owner.Is<TCustomPrefixExp>() && rule.Count() == 2);
        auto* level = static_cast<TCustomPrefixExp*>(&owner);
        std::vector<TSymbol*> operators;
        std::unique_ptr<TRule> round;
        TRule* current = &rule;
        TSymbol* matched = nullptr;
        for (;;) {
            if (iterator.Eof()) return false;
            int saved = iterator.Position();
            if (!current->MatchElement(0, iterator, matched)) {
                iterator.SetPosition(saved);
                break;
            }
            operators.push_back(matched);
            round = std::make_unique<TRule>(owner);
            round->Define();
            current = round.get();
        }
        if (iterator.Eof()) return false;
        int saved = iterator.Position();
        if (!current->MatchElement(1, iterator, matched)) {
            iterator.SetPosition(saved);
            return false;
        }
        level->ComposePrefixes(operators, matched);
        return true;
    }
};

bool ChildTextIs(const TProduction& production, int index, std::string_view text) {
    return index < production.Children().Count() &&
           core::SameText(GetSymbolText(*production.Children()[index]), text);
}

} // namespace

// ---- machinery

const TProductionMatchingStrategy& TCustomChainExp::StrategyClass() const {
    static const TLeftChainStrategy strategy;
    return strategy;
}

const TProductionMatchingStrategy& TCustomPrefixExp::StrategyClass() const {
    static const TPrefixStrategy strategy;
    return strategy;
}

// ---- levels

void TExpression::DefineRule(TRule& rule) {
    rule.Add<TXORExp>().Add<TOrTail>();
}

void TXORExp::DefineRule(TRule& rule) {
    rule.Add<TAndExp>().Add<TXORTail>();
}

void TAndExp::DefineRule(TRule& rule) {
    rule.Add<TNotExp>().Add<TAndTail>();
}

void TNotExp::DefineRule(TRule& rule) {
    rule.Add(Builder().NotOperatorClass()).Add<TPredExp>();
}

void TNotExp::ComposePrefixes(const std::vector<TSymbol*>& operators, TSymbol* operand) {
    if (operators.empty()) {
        Children().Add(operand);
        return;
    }
    TSymbol* inner = operand;
    for (size_t i = operators.size() - 1; i > 0; --i)
        inner = NewPrefixNode(*this, StaticClass(), {operators[i], inner}, *operand);
    Children().Add(operators[0]);
    Children().Add(inner);
}

void TPredExp::DefineRule(TRule& rule) {
    rule.Add<TPredicateExp>().Add<TIsTail>().Add<TDistinctTail>().Add<TComparisonTail>();
}

void TPredicateExp::DefineRule(TRule& rule) {
    rule.Add<TBitExp>().Add<TInTail>().Add<TBetweenTail>().Add<TLikeTail>().Add<TRegexpTail>();
}

void TBitExp::DefineRule(TRule& rule) {
    rule.Add<TBitAndExp>().Add<TBitOrTail>();
}

void TBitAndExp::DefineRule(TRule& rule) {
    rule.Add<TBitShiftExp>().Add<TBitAndTail>();
}

void TBitShiftExp::DefineRule(TRule& rule) {
    rule.Add<TAddExp>().Add<TBitShiftTail>();
}

void TAddExp::DefineRule(TRule& rule) {
    // The interval first: in the MySQL dialect an interval is also a value, but "d + INTERVAL 1 DAY"
    // is date arithmetic.
    rule.Add(Builder().MultExpClass()).Add<TDateTimeIntervalTail>().Add<TAddTail>();
}

void TMultExp::DefineRule(TRule& rule) {
    rule.Add<TBitXorExp>().Add<TMultTail>();
}

void TBitXorExp::DefineRule(TRule& rule) {
    rule.Add<TPriorExp>().Add<TBitXorTail>();
}

void TPriorExp::DefineRule(TRule& rule) {
    rule.ConstOr("- + ~ !").Add(Builder().ValueClass());
}

void TPriorExp::ComposePrefixes(const std::vector<TSymbol*>& operators, TSymbol* operand) {
    // A value without a sign is a TNegateExp with one child, as the compilers expect.
    TSymbol* inner =
        operators.empty() ? NewPrefixNode(*this, TNegateExp::StaticClass(), {operand}, *operand) : operand;
    for (size_t i = operators.size(); i-- > 0;) {
        // The word choice holds the sign itself.
        TSymbol* sign = static_cast<TProduction*>(operators[i])->Children()[0];
        std::string text = GetSymbolText(*sign);
        const TSymbolClass& cls = text == "-"   ? TNegateExp::StaticClass()
                                  : text == "+" ? TPositiveExp::StaticClass()
                                  : text == "~" ? TBitUnaryExp::StaticClass()
                                                : TNotExp::StaticClass();
        inner = NewPrefixNode(*this, cls, {sign, inner}, *operand);
    }
    Children().Add(inner);
}

// ---- tails

void TOrTail::DefineRule(TRule& rule) {
    rule.Add(Builder().OrOperatorClass()).Add<TXORExp>();
}

void TXORTail::DefineRule(TRule& rule) {
    rule.Reserved("XOR").Add<TAndExp>();
}

void TAndTail::DefineRule(TRule& rule) {
    rule.Add(Builder().AndOperatorClass()).Add<TNotExp>();
}

void TIsTail::DefineRule(TRule& rule) {
    rule.Reserved("IS").Reserved("NOT", kOptional).Add<TgrmIsOperator>();
}

void TDistinctTail::DefineRule(TRule& rule) {
    rule.Reserved("IS").Reserved("DISTINCT").Reserved("FROM").Add<TPredicateExp>();
}

void TComparisonTail::DefineRule(TRule& rule) {
    rule.Add(Builder().ComparisonOperatorClass()).Add<TPredicateExp>();
}

void TInTail::DefineRule(TRule& rule) {
    rule.Reserved("NOT", kOptional).Reserved("IN").Add(Builder().TupleClass());
}

void TBetweenTail::DefineRule(TRule& rule) {
    rule.Reserved("NOT", kOptional)
        .Reserved("BETWEEN")
        .Add<TPredicateExp>()
        .Reserved("AND")
        .Add<TPredicateExp>();
}

void TLikeTail::DefineRule(TRule& rule) {
    rule.Reserved("NOT", kOptional)
        .Add(Builder().StringMatchOperatorClass())
        .Add<TLikeOperand>()
        .Add<TEscape>(kOptional);
}

void TRegexpTail::DefineRule(TRule& rule) {
    rule.Const("NOT", kOptional).Add<TgrmRegexpOperator>().Add<TBitExp>();
}

void TBitOrTail::DefineRule(TRule& rule) {
    rule.Add(Builder().BitBinaryOperatorClass()).Add<TBitAndExp>();
}

void TBitAndTail::DefineRule(TRule& rule) {
    rule.Add<TBitAndOperator>().Add<TBitShiftExp>();
}

void TBitShiftTail::DefineRule(TRule& rule) {
    rule.Add<TBitShiftOperator>().Add<TAddExp>();
}

void TDateTimeIntervalTail::DefineRule(TRule& rule) {
    rule.Add(Builder().AddBinaryOperatorClass()).Add<TgrmDateTimeInterval>();
}

void TAddTail::DefineRule(TRule& rule) {
    rule.Add(Builder().AddBinaryOperatorClass()).Add(Builder().MultExpClass());
}

void TMultTail::DefineRule(TRule& rule) {
    rule.Add(Builder().MultBinaryOperatorClass()).Add<TBitXorExp>();
}

void TBitXorTail::DefineRule(TRule& rule) {
    rule.Add<TBitXorOperator>().Add<TPriorExp>();
}

// ---- accessors of the nodes

bool TIsExp::IsNegated() const {
    return ChildTextIs(*this, 2, "NOT");
}

TTuple* TInExp::GetTuple() const {
    return Children().Find<TTuple>();
}

TExpressionList* TInExp::GetValues() const {
    TTuple* tuple = GetTuple();
    return tuple ? tuple->GetExpressionList() : nullptr;
}

bool TInExp::IsExpressionTuple() const {
    TTuple* tuple = GetTuple();
    return tuple && tuple->IsExpressionTuple();
}

bool TInExp::IsNegated() const {
    return ChildTextIs(*this, 1, "NOT");
}

// ---- operators and parts

void TOrOperator::DefineRule(TRule& rule) {
    rule.Reserved("OR").Const("||");
}

void TAndOperator::DefineRule(TRule& rule) {
    rule.Reserved("AND").Const("&&");
}

void TNotOperator::DefineRule(TRule& rule) {
    rule.Reserved("NOT");
}

void TBitBinaryOperator::DefineRule(TRule& rule) {
    rule.Const("|");
}

void TBitAndOperator::DefineRule(TRule& rule) {
    rule.Const("&");
}

void TBitShiftOperator::DefineRule(TRule& rule) {
    rule.Const("<<").Const(">>");
}

void TBitXorOperator::DefineRule(TRule& rule) {
    rule.Const("^");
}

void TAddBinaryOperator::DefineRule(TRule& rule) {
    rule.Const("+").Const("-");
}

void TMultBinaryOperator::DefineRule(TRule& rule) {
    rule.Const("*").Const("/").Reserved("DIV").Const("%").Reserved("MOD");
}

void TComparsionOperator::DefineRule(TRule& rule) {
    rule.Const("==").Const("=").Const("<>").Const("!=").Const(">").Const("<").Const(">=").Const("<=");
}

void TgrmIsOperator::DefineRule(TRule& rule) {
    rule.Reserved("NULL").Reserved("TRUE").Reserved("FALSE").Reserved("UNKNOWN");
}

void TgrmRegexpOperator::DefineRule(TRule& rule) {
    rule.Const("REGEXP").Const("RLIKE");
}

void TStandardStringMatchOperator::DefineRule(TRule& rule) {
    rule.Add<TLikeOperator>();
}

void TLikeOperator::DefineRule(TRule& rule) {
    rule.Reserved("NOT", kOptional).Reserved("LIKE");
}

void TLikeOperand::DefineRule(TRule& rule) {
    rule.Add<TBitExp>();
}

void TEscape::DefineRule(TRule& rule) {
    rule.Reserved("ESCAPE").Add<TLikeOperand>();
}

void TgrmAssignationExpression::DefineRule(TRule& rule) {
    rule.Add<TIdentifierTerminal>().Const(":=").Add<TExpression>();
}

std::string TgrmAssignationExpression::GetName() const {
    return GetSymbolText(*Children()[0]);
}

void TgrmDateTimeInterval::DefineRule(TRule& rule) {
    rule.Reserved("INTERVAL").Add(Builder().ExpressionClass()).Add<TgrmDateTimeIntervalUnit>();
}

void TgrmDateTimeIntervalUnit::DefineRule(TRule& rule) {
    for (const char* unit : {"MICROSECOND",
                             "SECOND",
                             "MINUTE",
                             "HOUR",
                             "DAY",
                             "WEEK",
                             "MONTH",
                             "QUARTER",
                             "YEAR",
                             "SECOND_MICROSECOND",
                             "MINUTE_MICROSECOND",
                             "MINUTE_SECOND",
                             "HOUR_MICROSECOND",
                             "HOUR_SECOND",
                             "HOUR_MINUTE",
                             "DAY_MICROSECOND",
                             "DAY_SECOND",
                             "DAY_MINUTE",
                             "DAY_HOUR",
                             "YEAR_MONTH"})
        rule.Const(unit);
}

} // namespace parser
