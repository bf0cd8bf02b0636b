// The object builders that tell each grammar position which production class a dialect uses.
#pragma once

#include "parser/uGrammar.h"

#include <memory>

namespace parser {

// The grammar positions whose production class a dialect may change. A rule asks the grammar's
// object builder for `<Position>Class()` and creates what it answers.
#define PARSER_OBJECT_BUILDER_POSITIONS(X)                                                                   \
    X(SelectStatement)                                                                                       \
    X(InsertStatement)                                                                                       \
    X(UpdateStatement)                                                                                       \
    X(DeleteStatement)                                                                                       \
    X(SQLStatement)                                                                                          \
    X(UnionChain)                                                                                            \
    X(OrderClause)                                                                                           \
    X(Restriction)                                                                                           \
    X(RestrictionValue)                                                                                      \
    X(CaseWhen)                                                                                              \
    X(OrderType)                                                                                             \
    X(Expression)                                                                                            \
    X(MultExp)                                                                                               \
    X(OrOperator)                                                                                            \
    X(AndOperator)                                                                                           \
    X(NotOperator)                                                                                           \
    X(BitBinaryOperator)                                                                                     \
    X(ConstantValue)                                                                                         \
    X(Tuple)                                                                                                 \
    X(ComparisonOperator)                                                                                    \
    X(AddBinaryOperator)                                                                                     \
    X(MultBinaryOperator)                                                                                    \
    X(Function)                                                                                              \
    X(Cast)                                                                                                  \
    X(DataType)                                                                                              \
    X(CastType)                                                                                              \
    X(CaseClause)                                                                                            \
    X(SubQuery)                                                                                              \
    X(ColumnReference)                                                                                       \
    X(ReceiverColumnReference)                                                                               \
    X(Columns)                                                                                               \
    X(FromClause)                                                                                            \
    X(WhereClause)                                                                                           \
    X(GroupClause)                                                                                           \
    X(HavingClause)                                                                                          \
    X(TableReference)                                                                                        \
    X(FromTableReference)                                                                                    \
    X(TableFactor)                                                                                           \
    X(NamedTableFactor)                                                                                      \
    X(InsertTableName)                                                                                       \
    X(Alias)                                                                                                 \
    X(InsertTarget)                                                                                          \
    X(InsertColumnList)                                                                                      \
    X(InsertVariants)                                                                                        \
    X(InsertValuesExpressionList)                                                                            \
    X(DeleteWhereClause)                                                                                     \
    X(DeleteFromClause)                                                                                      \
    X(UpdateWhereClause)                                                                                     \
    X(Join)                                                                                                  \
    X(OuterJoinVariant)                                                                                      \
    X(InnerJoinVariant)                                                                                      \
    X(NaturalJoinVariant)                                                                                    \
    X(JoinType)                                                                                              \
    X(JoinCondition)                                                                                         \
    X(SubSelectStatement)                                                                                    \
    X(Value)                                                                                                 \
    X(StringLiteral)                                                                                         \
    X(Identifier)                                                                                            \
    X(SubQueryOperator)                                                                                      \
    X(StringMatchOperator)                                                                                   \
    X(UnionOperatorType)                                                                                     \
    X(Statement)

class TObjectBuilder {
public:
    virtual ~TObjectBuilder() = default;
};

// The production classes of the common grammar, one operation per position.
class TCommonObjectBuilder : public TObjectBuilder {
public:
#define PARSER_DECLARE_BUILDER_POSITION(Name) virtual const TSymbolClass& Name##Class() const;
    PARSER_OBJECT_BUILDER_POSITIONS(PARSER_DECLARE_BUILDER_POSITION)
#undef PARSER_DECLARE_BUILDER_POSITION
};

// The MySQL dialect's classes where they differ.
class TMySqlObjectBuilder : public TCommonObjectBuilder {
public:
    const TSymbolClass& SelectStatementClass() const override;
    const TSymbolClass& InsertStatementClass() const override;
    const TSymbolClass& UpdateStatementClass() const override;
    const TSymbolClass& DeleteStatementClass() const override;
    const TSymbolClass& SQLStatementClass() const override;
    const TSymbolClass& RestrictionClass() const override;
    const TSymbolClass& GroupClauseClass() const override;
    const TSymbolClass& ComparisonOperatorClass() const override;
    const TSymbolClass& CastClass() const override;
    const TSymbolClass& DataTypeClass() const override;
    const TSymbolClass& CastTypeClass() const override;
    const TSymbolClass& NamedTableFactorClass() const override;
    const TSymbolClass& AliasClass() const override;
    const TSymbolClass& InsertVariantsClass() const override;
    const TSymbolClass& DeleteFromClauseClass() const override;
    const TSymbolClass& JoinClass() const override;
    const TSymbolClass& SubSelectStatementClass() const override;
    const TSymbolClass& ValueClass() const override;
    const TSymbolClass& StringLiteralClass() const override;
};

// A class reference of a builder: makes a builder of that class.
using TObjectBuilderClass = std::unique_ptr<TCommonObjectBuilder> (*)();

template <class B>
std::unique_ptr<TCommonObjectBuilder> NewObjectBuilder() {
    return std::make_unique<B>();
}

} // namespace parser
