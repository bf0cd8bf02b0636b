// Operators and predicates of SQL expressions, by the server's precedence.
#pragma once

// Operators and predicates of SQL expressions, with the server's precedence, loosest first:
//   TExpression    OR ||                      TBitExp       |
//   TXORExp        XOR                        TBitAndExp    &
//   TAndExp        AND &&                     TBitShiftExp  << >>
//   TNotExp        prefix NOT                 TAddExp       + - (and date/time intervals)
//   TPredExp       IS, comparisons            TMultExp      * / DIV % MOD
//   TPredicateExp  IN, BETWEEN, LIKE, REGEXP  TBitXorExp    ^
//                                             TPriorExp     prefix - + ~ !, over {Value}
// Each level is one production whose only child is either its operand (the next level) or the
// outermost node of a chain. Chains come out left-nested as the server reads them: "10 - 5 - 2" is
// TAddBinaryExp(TAddBinaryExp(10, "-", 5), "-", 2). Binary nodes hold left operand, operator and
// right operand; predicate nodes their operand first, then the rest as written (TIsExp: operand,
// IS, [NOT], TgrmIsOperator; TInExp: operand, [NOT], IN, tuple; TBetweenExp: operand, [NOT],
// BETWEEN, low, AND, high; TgrmLikeExp: operand, [NOT], operator, pattern, [TEscape]). Prefix
// nodes (TNotExp, TNegateExp, TPositiveExp, TBitUnaryExp) hold the operator and the operand; a
// plain operand is a TNegateExp with one child, and a TNotExp without NOT has just its operand.
// The nodes are built by their level and never matched on their own.

#include "parser/uCommonSQLGrammar.h"

#include <string>
#include <vector>

namespace parser {

class TTuple;
class TExpressionList;

// ---- the chain machinery

// A level of binary operators or postfix predicates: its operand, then any number of tails, each
// of which joins the result so far to a new node. The rule lists the operand first, then the tails
// in the order they are tried.
class TCustomChainExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCustomChainExp, TSQLProduction)
    const TProductionMatchingStrategy& StrategyClass() const override;
    // An inner level is tried only by the level above at the same token, which is remembered: a
    // memo entry per level would only fill the token's table.
    bool Memoised() const override { return false; }
};

// What follows the left operand of a node: operator and right operand, or the rest of a predicate.
class TChainTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TChainTail, TSQLProduction)
    // The node that holds the left operand followed by this tail's children.
    virtual const TSymbolClass& NodeClass() const = 0;
};

// A level of prefix operators: any number of them, then the operand. The rule lists the operator,
// then the operand.
class TCustomPrefixExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCustomPrefixExp, TSQLProduction)
    const TProductionMatchingStrategy& StrategyClass() const override;
    bool Memoised() const override { return false; }
    // Fills the children from the operators as written (outermost first) and the operand.
    virtual void ComposePrefixes(const std::vector<TSymbol*>& operators, TSymbol* operand) = 0;
};

// ---- levels

class TExpression : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TExpression, TCustomChainExp)
    void DefineRule(TRule& rule) override;
    bool Memoised() const override { return true; }
    PARSER_SQL_ACCEPT(Expression)
};

class TXORExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TXORExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TAndExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TAndExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

// NOT, any number of times; also the node of a "!" written before a value.
class TNotExp : public TCustomPrefixExp {
    PARSER_SYMBOL_CLASS(TNotExp, TCustomPrefixExp)
    void DefineRule(TRule& rule) override;
    void ComposePrefixes(const std::vector<TSymbol*>& operators, TSymbol* operand) override;
    PARSER_SQL_ACCEPT(NotExp)
};

class TPredExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TPredExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TPredicateExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TPredicateExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TBitExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TBitExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TBitAndExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TBitAndExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TBitShiftExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TBitShiftExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TAddExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TAddExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
    bool SucceedsWhenTolerant() const override { return true; }
};

class TMultExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TMultExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TBitXorExp : public TCustomChainExp {
    PARSER_SYMBOL_CLASS(TBitXorExp, TCustomChainExp)
    void DefineRule(TRule& rule) override;
};

class TPriorExp : public TCustomPrefixExp {
    PARSER_SYMBOL_CLASS(TPriorExp, TCustomPrefixExp)
    void DefineRule(TRule& rule) override;
    void ComposePrefixes(const std::vector<TSymbol*>& operators, TSymbol* operand) override;
};

// ---- nodes

class TOrOperation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOrOperation, TSQLProduction)
    PARSER_SQL_ACCEPT(OrOperation)
};

class TXOROperation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TXOROperation, TSQLProduction)
    PARSER_SQL_ACCEPT(XOROperation)
};

class TAndOperation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAndOperation, TSQLProduction)
    PARSER_SQL_ACCEPT(AndOperation)
};

class TIsExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIsExp, TSQLProduction)
    PARSER_SQL_ACCEPT(IsExp)
    TSymbol* GetOperand() const { return Children()[0]; }
    // Its text is NULL, TRUE, FALSE or UNKNOWN as written.
    TSymbol* GetOperator() const { return Children().Last(); }
    bool IsNegated() const;
};

// IS DISTINCT FROM.
class TDistinctExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TDistinctExp, TSQLProduction)
};

class TComparisonExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TComparisonExp, TSQLProduction)
    PARSER_SQL_ACCEPT(ComparisonExp)
};

class TInExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInExp, TSQLProduction)
    PARSER_SQL_ACCEPT(InExp)
    TTuple* GetTuple() const;
    // The listed expressions; none for a sub-select.
    TExpressionList* GetValues() const;
    bool IsExpressionTuple() const;
    bool IsNegated() const;
};

class TBetweenExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TBetweenExp, TSQLProduction)
    PARSER_SQL_ACCEPT(BetweenExp)
};

class TgrmLikeExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmLikeExp, TSQLProduction)
    PARSER_SQL_ACCEPT(GrmLikeExp)
};

class TgrmRegexpExpression : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRegexpExpression, TSQLProduction)
    PARSER_SQL_ACCEPT(GrmRegexpExpression)
};

class TBitBinaryExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TBitBinaryExp, TSQLProduction)
    PARSER_SQL_ACCEPT(BitBinaryExp)
};

class TgrmDateTimeBinaryExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDateTimeBinaryExp, TSQLProduction)
    PARSER_SQL_ACCEPT(GrmDateTimeBinaryExp)
};

class TAddBinaryExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAddBinaryExp, TSQLProduction)
    PARSER_SQL_ACCEPT(AddBinaryExp)
};

class TMultExp_01 : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMultExp_01, TSQLProduction)
    PARSER_SQL_ACCEPT(MultExp_01)
};

class TNegateExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TNegateExp, TSQLProduction)
    PARSER_SQL_ACCEPT(NegateExp)
};

class TPositiveExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TPositiveExp, TSQLProduction)
    PARSER_SQL_ACCEPT(PositiveExp)
};

class TBitUnaryExp : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TBitUnaryExp, TSQLProduction)
    PARSER_SQL_ACCEPT(BitUnaryExp)
};

// ---- tails: what follows a left operand

#define PARSER_CHAIN_TAIL(Class, Node)                                                                       \
    class Class : public TChainTail {                                                                        \
        PARSER_SYMBOL_CLASS(Class, TChainTail)                                                               \
        void DefineRule(TRule& rule) override;                                                               \
        const TSymbolClass& NodeClass() const override { return Node::StaticClass(); }                       \
    }

PARSER_CHAIN_TAIL(TOrTail, TOrOperation);
PARSER_CHAIN_TAIL(TXORTail, TXOROperation);
PARSER_CHAIN_TAIL(TAndTail, TAndOperation);
PARSER_CHAIN_TAIL(TIsTail, TIsExp);
PARSER_CHAIN_TAIL(TDistinctTail, TDistinctExp);
PARSER_CHAIN_TAIL(TComparisonTail, TComparisonExp);
PARSER_CHAIN_TAIL(TInTail, TInExp);
PARSER_CHAIN_TAIL(TBetweenTail, TBetweenExp);
PARSER_CHAIN_TAIL(TLikeTail, TgrmLikeExp);
PARSER_CHAIN_TAIL(TRegexpTail, TgrmRegexpExpression);
PARSER_CHAIN_TAIL(TBitOrTail, TBitBinaryExp);
PARSER_CHAIN_TAIL(TBitAndTail, TBitBinaryExp);
PARSER_CHAIN_TAIL(TBitShiftTail, TBitBinaryExp);
PARSER_CHAIN_TAIL(TDateTimeIntervalTail, TgrmDateTimeBinaryExp);
PARSER_CHAIN_TAIL(TAddTail, TAddBinaryExp);
PARSER_CHAIN_TAIL(TMultTail, TMultExp_01);
PARSER_CHAIN_TAIL(TBitXorTail, TBitBinaryExp);

#undef PARSER_CHAIN_TAIL

// ---- operators and the parts of predicates

class TOrOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TOrOperator, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(OrOperator)
};

class TAndOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAndOperator, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(AndOperator)
};

// NOT; "!" binds as tightly as a sign (TPriorExp).
class TNotOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TNotOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

// "|"; the other bit operators have levels and classes of their own.
class TBitBinaryOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TBitBinaryOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

class TBitAndOperator : public TBitBinaryOperator {
    PARSER_SYMBOL_CLASS(TBitAndOperator, TBitBinaryOperator)
    void DefineRule(TRule& rule) override;
};

class TBitShiftOperator : public TBitBinaryOperator {
    PARSER_SYMBOL_CLASS(TBitShiftOperator, TBitBinaryOperator)
    void DefineRule(TRule& rule) override;
};

class TBitXorOperator : public TBitBinaryOperator {
    PARSER_SYMBOL_CLASS(TBitXorOperator, TBitBinaryOperator)
    void DefineRule(TRule& rule) override;
};

class TAddBinaryOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TAddBinaryOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

class TMultBinaryOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMultBinaryOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

class TComparsionOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TComparsionOperator, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(ComparsionOperator)
};

class TgrmIsOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmIsOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmRegexpOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRegexpOperator, TSQLProduction)
    PARSER_RULE(Choice);
};

class TCustomStringMatchOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TCustomStringMatchOperator, TSQLProduction)
};

class TStandardStringMatchOperator : public TCustomStringMatchOperator {
    PARSER_SYMBOL_CLASS(TStandardStringMatchOperator, TCustomStringMatchOperator)
    PARSER_RULE(Choice);
};

class TLikeOperator : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLikeOperator, TSQLProduction)
    PARSER_RULE(Sequence);
};

// The pattern (or escape) of LIKE: an operand of the bit level. A bare name stays a name, so that a
// routine variable used as the pattern is found as one.
class TLikeOperand : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TLikeOperand, TSQLProduction)
    PARSER_RULE(Choice);
};

class TEscape : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TEscape, TSQLProduction)
    PARSER_RULE(Sequence);
};

// name := value, as the server reads it: the value is a whole expression.
class TgrmAssignationExpression : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmAssignationExpression, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(GrmAssignationExpression)
    // The receiver as written.
    std::string GetName() const;
    TSymbol* GetExpression() const { return Children()[2]; }
};

// INTERVAL expression unit.
class TgrmDateTimeInterval : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDateTimeInterval, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmDateTimeIntervalUnit : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDateTimeIntervalUnit, TSQLProduction)
    PARSER_RULE(Choice);
};

} // namespace parser
